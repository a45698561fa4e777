// Files and addresses opened from the desktop reach the player window in
// one drop handle.
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "app/desktop/Desktop.h"
#include "support/Encoding.h"
#include "widgets/controls/DropFiles.h"

using namespace ctltest;
using testkit::PumpUntil;
using namespace core;
using namespace widgets;
using namespace app;

namespace {

// Reads the drop while it is being delivered, as a player window would.
class TDropTarget : public core::TMessageWindow {
 public:
  void WndProc(core::TMessage& m) override {
    if (m.Msg == UM_OPEN_TARGETS) Drops.push_back(DragQueryFiles(static_cast<HDROP>(m.WParam)));
    m.Result = 0;
  }
  std::vector<std::vector<std::u16string>> Drops;
};

TEST(OpenFilesTest, FilesArriveAsOneDropAfterTheExchange) {
  TControllerFixture f;
  TMainWindow& controller = f.Make();
  AddDesktop(controller, false);
  controller.HandleNeeded();
  TDropTarget player;
  f.Send(UM_REGISTER_CLIENT, 0, static_cast<LPARAM>(player.Handle()));

  controller.OpenTarget(u"/home/k/Müzik/liste.rpf");
  // Not inside the call that handed the file over: the giving instance
  // would otherwise wait for whatever the player window asks.
  EXPECT_TRUE(player.Drops.empty());
  ASSERT_TRUE(PumpUntil([&] { return !player.Drops.empty(); }));
  ASSERT_EQ(player.Drops.size(), 1u);
  EXPECT_EQ(player.Drops[0], std::vector<std::u16string>{u"/home/k/Müzik/liste.rpf"});

  // A name that is not UTF-8 arrives with its bytes, as the instance that
  // was started with it had them.
  const std::string odd = "/home/k/\xDE" "ark\xFD.mp3";
  controller.OpenTarget(enc::FileNameToWide(odd));
  ASSERT_TRUE(PumpUntil([&] { return player.Drops.size() == 2; }));
  ASSERT_EQ(player.Drops[1].size(), 1u);
  EXPECT_EQ(enc::WideToFileName(player.Drops[1][0]), odd);

  // A player window gone before the idle delivery gets nothing, and
  // nothing is left behind (the leak checker watches the drop).
  auto gone = std::make_unique<TDropTarget>();
  f.Send(UM_REGISTER_CLIENT, 0, static_cast<LPARAM>(gone->Handle()));
  controller.OpenTarget(u"/tmp/a.m3u");
  gone.reset();
  testkit::PumpFor(50);
  EXPECT_EQ(player.Drops.size(), 2u);
  f.Destroy();
}

}  // namespace
