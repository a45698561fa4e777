// The player window's volume on the offscreen backend: the steps of the
// volume keys with their "Ses : %N" label, the slider that opens on
// hovering and closes after leaving, the thumb drag and the speaker's mute.
#include <gtest/gtest.h>

#include <vector>

#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "widgets/backend/Offscreen.h"

namespace {

using namespace core;
using namespace widgets;
using namespace app;
using uitest::TPlayerWindowKit;

class BehaviourVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Kit.WriteOptions("[player]\nautoplay=0\nleft=100\ntop=50\nvolume=5\n[playlist]\nvisible=0\n"
                     "[volume]\nshowtime=60\nhidetime=120\n");
  }
  widgets::TOffscreenWindow* Native() { return widgets::OffscreenWindowOf(*Kit.Window); }
  void AppCommand(unsigned command) {
    SendMessage(Kit.Window->WindowHandle(), WM_APPCOMMAND, Kit.Window->WindowHandle(),
                static_cast<LPARAM>(command << 16));
  }
  TPlayerWindowKit Kit;
};

TEST_F(BehaviourVolumeTest, VolumeKeysStepWithTheLabelAndMuteToggles) {
  auto& w = Kit.Open();
  ASSERT_EQ(w.Volume(), 5);
  AppCommand(APPCOMMAND_VOLUME_UP);
  EXPECT_EQ(w.Volume(), 10);
  EXPECT_EQ(Kit.Controller.Volume, 10);
  EXPECT_EQ(w.VolumeThumb()->Left(), 35);
  EXPECT_TRUE(w.VolumeLabel()->Visible());
  EXPECT_FALSE(w.Marquee()->Visible());
  EXPECT_EQ(w.VolumeLabel()->Caption(), u"Ses : %10");
  AppCommand(APPCOMMAND_VOLUME_DOWN);
  EXPECT_EQ(w.Volume(), 5);
  AppCommand(APPCOMMAND_VOLUME_DOWN);
  EXPECT_EQ(w.Volume(), 4);
  EXPECT_EQ(w.VolumeLabel()->Caption(), u"Ses : %4");
  // The label gives the marquee back once its time is up.
  EXPECT_TRUE(testkit::PumpUntil([&] { return !w.VolumeLabel()->Visible() && w.Marquee()->Visible(); }));

  AppCommand(APPCOMMAND_VOLUME_MUTE);
  EXPECT_EQ(Kit.Controller.Mute, 1);
  EXPECT_EQ(w.VolumeControl()->GetMuted(), 1);
  AppCommand(APPCOMMAND_VOLUME_MUTE);
  EXPECT_EQ(Kit.Controller.Mute, 0);
  EXPECT_EQ(w.VolumeControl()->GetMuted(), 0);
  // The same keys as the keyboard delivers them.
  Native()->KeyDown(VK_VOLUME_UP);
  Native()->KeyUp(VK_VOLUME_UP);
  EXPECT_EQ(w.Volume(), 5);
}

TEST_F(BehaviourVolumeTest, HoverOpensTheSliderTheThumbDragsAndTheSpeakerMutes) {
  auto& w = Kit.Open();
  w.SetVolume(50);
  Native()->MouseMove(74, 62);  // the speaker
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.VolumeControl()->Expanded(); }));
  EXPECT_EQ(w.VolumeControl()->Width(), 175);
  // The open bar covers the info area: no trace of the marquee shows
  // beneath it, whatever the marquee holds.
  auto bar = [&] {
    w.InvalidateTree();
    std::vector<std::uint32_t> pixels;
    const widgets::TBitmapEx& picture = w.Canvas().Bitmap();
    for (int y = 52; y < 72; ++y)
      for (int x = 86; x < 239; ++x) pixels.push_back(picture.Pixel(x, y));
    return pixels;
  };
  w.Marquee()->SetCaption(u"");
  auto empty = bar();
  w.Marquee()->SetCaption(u"Power FM  \u266b  Uzun bir şarkı adı");
  EXPECT_TRUE(bar() == empty) << "the marquee paints beneath the open bar";
  // While the slider is open a step shows no label: the bar tells.
  w.VolumeStepBy(1);
  EXPECT_FALSE(w.VolumeLabel()->Visible());
  w.SetVolume(50);

  // The thumb lies over the info area: dragging it 20 pixels to the right
  // raises the volume by 20, past the end it stops at 100.
  widgets::TPoint thumb = w.VolumeThumb()->ClientToParent({7, 7}, &w);
  Native()->MouseMove(thumb.X, thumb.Y);
  ProcessMessages();  // the pointer's arrival on the thumb
  Native()->MouseDown(thumb.X, thumb.Y);
  Native()->MouseMove(thumb.X + 20, thumb.Y);
  EXPECT_EQ(w.Volume(), 70);
  Native()->MouseMove(thumb.X + 200, thumb.Y);
  EXPECT_EQ(w.Volume(), 100);
  Native()->MouseMove(thumb.X - 10, thumb.Y);
  EXPECT_EQ(w.Volume(), 40);
  Native()->MouseUp(thumb.X - 10, thumb.Y);
  EXPECT_EQ(Kit.Controller.Volume, 40);
  // A click on the bar sets the volume where it lands, kept open meanwhile.
  Native()->Click(64 + 26 + 80, 62);
  EXPECT_EQ(w.Volume(), 80);
  EXPECT_TRUE(w.VolumeControl()->Expanded());

  Native()->Click(70, 62);  // the speaker icon
  EXPECT_EQ(Kit.Controller.Mute, 1);
  EXPECT_EQ(w.VolumeControl()->GetMuted(), 1);

  // Leaving closes it after the hide time.
  Native()->MouseMove(150, 90);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !w.VolumeControl()->Expanded(); }));
  EXPECT_EQ(w.VolumeControl()->Width(), 20);
}

}  // namespace
