// The X server a test gets of its own: clients that come and go (a test
// polling with xdotool) never make it refuse the next one, as a server that
// starts over when its last client leaves does; and it admits the holder
// of its key.
#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "PrivateDisplay.h"
#include "TempDir.h"
#include "Tools.h"

namespace {

// xdotool's view of the display; empty when it could not connect.
std::string Geometry() {
  const char* argv[] = {"xdotool", "getdisplaygeometry", nullptr};
  gchar* out = nullptr;
  gint status = -1;
  bool ran = g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr,
                          GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr, &out,
                          nullptr, &status, nullptr);
  std::string text = out ? out : "";
  g_free(out);
  return ran && status == 0 ? text : "";
}

TEST(KitDisplay, ClientsComingAndGoingNeverMakeItRefuseOne) {
  ASSERT_TRUE(testkit::HavePrograms({"Xvfb", "xdotool"}));
  testkit::TempDir dir;
  testkit::PrivateDisplay display(dir.Path());
  ASSERT_TRUE(display.Ok());
  EXPECT_EQ(Geometry(), "1280 1024\n");
  // Three clients at a time, each connecting and leaving at once.
  std::atomic<int> refused{0};
  std::vector<std::thread> clients;
  for (int t = 0; t < 3; ++t)
    clients.emplace_back([&] {
      for (int i = 0; i < 60; ++i)
        if (Geometry().empty()) ++refused;
    });
  for (auto& c : clients) c.join();
  EXPECT_EQ(refused.load(), 0) << "of 180 connections";
}

}  // namespace
