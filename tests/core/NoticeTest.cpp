#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "MainLoop.h"
#include "core/Notice.h"

using namespace core;
using testkit::PumpFor;
using testkit::PumpUntil;

namespace {

TEST(Notice, AsksFromManyThreadsBeforeTheLoopRunsGiveOneCall) {
  int calls = 0;
  TNotice notice([&] { ++calls; });
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) notice.Post();
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(calls, 0) << "the call is made on the user-interface thread";
  ASSERT_TRUE(PumpUntil([&] { return calls > 0; }));
  PumpFor(20);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(notice.Pending());
}

TEST(Notice, AnAskInsideTheCallIsANewOneAndCancelDropsAnAskNotYetAnswered) {
  int calls = 0;
  std::unique_ptr<TNotice> notice;
  notice = std::make_unique<TNotice>([&] {
    if (++calls == 1) notice->Post();
  });
  notice->Post();
  ASSERT_TRUE(PumpUntil([&] { return calls == 2; }));

  notice->Post();
  notice->Cancel();
  PumpFor(20);
  EXPECT_EQ(calls, 2);
  // Asked again after a cancel whose message is still queued: one call.
  std::thread([&] {
    notice->Post();
    notice->Cancel();
    notice->Post();
  }).join();
  ASSERT_TRUE(PumpUntil([&] { return calls == 3; }));
  PumpFor(20);
  EXPECT_EQ(calls, 3);

  // Gone with an ask pending: nothing runs later.
  notice->Post();
  notice.reset();
  PumpFor(20);
  EXPECT_EQ(calls, 3);
}

}  // namespace
