// The player window while it cannot be seen, on the offscreen backend:
// hidden or iconified it draws and presents nothing when the title changes
// (the texts it publishes still follow), and the first picture after it
// shows again is what a repaint from scratch draws.
#include <gtest/gtest.h>

#include <cstring>

#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "widgets/backend/Offscreen.h"

namespace {

using namespace core;
using namespace app;
using uitest::TPlayerWindowKit;

class PlayerHiddenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Kit.WriteOptions("[player]\nautoplay=0\nleft=100\ntop=50\nplayident=0x6\n[playlist]\nvisible=0\n");
    Kit.WriteFavourites({{u"Radyo", "http://127.0.0.1:1/a", 6}});
  }
  widgets::TOffscreenWindow& Native() { return *widgets::OffscreenWindowOf(*Kit.Window); }
  // A new title from the station, as the controller announces it.
  void Title(const std::string& title) {
    Kit.Controller.Meta = "StreamTitle='" + title + "';";
    SendMessage(Kit.Window->WindowHandle(), UM_PLAYER_META, 0, 0);
  }
  static std::vector<std::uint32_t> PixelsOf(const widgets::TBitmapEx& bitmap) {
    bitmap.Flush();
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < bitmap.Height(); ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(bitmap.Bits() + static_cast<size_t>(y) * bitmap.Stride());
      pixels.insert(pixels.end(), row, row + bitmap.Width());
    }
    return pixels;
  }
  // What the screen shows equals a repaint of every control from scratch.
  ::testing::AssertionResult ShowsAFreshPaint() {
    const std::vector<std::uint32_t> shown = Native().Pixels;
    Kit.Window->RepaintAll();
    Kit.Window->InvalidateTree();
    if (Native().Pixels.empty() || Native().Pixels != shown)
      return ::testing::AssertionFailure() << "the first picture after showing differs from a fresh one";
    return ::testing::AssertionSuccess();
  }
  void StartPlaying() {
    Kit.Controller.PlayState = 1;
    Kit.Controller.Meta = "StreamTitle='Eski';";
    Kit.Controller.Bitrate = 128;
    Kit.Controller.SampleRate = 44100;
    Kit.Controller.Codec = "MP3";
    Kit.Controller.Stereo = 1;
    Kit.Event(1);
  }
  TPlayerWindowKit Kit;
};

TEST_F(PlayerHiddenTest, HiddenTitleChangesPresentNothingAndTheWindowShowsThemWhenShown) {
  auto& w = Kit.Open();
  ASSERT_TRUE(w.Visible());
  StartPlaying();
  const std::vector<std::uint32_t> oldTitle = Native().Pixels;

  w.SetVisible(false);
  const int presents = Native().PresentCount;
  const std::vector<std::uint32_t> marquee = PixelsOf(w.Marquee()->Canvas().Bitmap());
  Title("\xC5\x9E" "ebnem - \xC3\x87i\xC3\xA7" "ek");
  Kit.Event(4);  // connecting: the throbber shows, the spectrum goes
  Kit.Event(1);
  Title("Yeni \xC5\x9F" "ark\xC4\xB1 - \xC3\x9C" "\xC3\xA7 kelime");
  for (int i = 0; i < 5; ++i) SendMessage(w.WindowHandle(), WM_TIMER, ui::tmTick, 0);
  EXPECT_EQ(Native().PresentCount, presents) << "a hidden window presents nothing";
  EXPECT_TRUE(PixelsOf(w.Marquee()->Canvas().Bitmap()) == marquee) << "the hidden title was drawn";
  // What is published does not wait for the window; the marquee's hint,
  // read only by pointing at the window, does.
  EXPECT_EQ(w.MarqueeText(), u"Radyo  ♫  Yeni şarkı - Üç kelime");
  EXPECT_EQ(Kit.Controller.TrayHint, u"QOR\r\nRadyo\r\nYeni şarkı - Üç kelime");
  EXPECT_EQ(w.MarqueeHint(), u"Radyo\r\nEski\r\n128 Kbps @ 44 Khz ~ MP3 (Stereo)");
  // What the stream is made of has changed meanwhile: the hint says what
  // holds when the window shows.
  Kit.Controller.Bitrate = 192;

  // Shown again (as from the tray), the first picture has the new title.
  SendMessage(w.WindowHandle(), UM_ACTIVATE, 0, 0);
  ASSERT_TRUE(w.Visible());
  EXPECT_EQ(w.MarqueeHint(), u"Radyo\r\nYeni şarkı - Üç kelime\r\n192 Kbps @ 44 Khz ~ MP3 (Stereo)");
  EXPECT_GT(Native().PresentCount, presents);
  EXPECT_FALSE(Native().Pixels == oldTitle) << "the old title is still shown";
  EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(PlayerHiddenTest, AnIconifiedWindowWaitsAndRestoredPaintsWhatChanged) {
  auto& w = Kit.Open();
  StartPlaying();
  w.NativeIconified(true);
  EXPECT_FALSE(w.OnScreen());
  const int presents = Native().PresentCount;
  Title("Simge - Yaz");
  for (int i = 0; i < 5; ++i) SendMessage(w.WindowHandle(), WM_TIMER, ui::tmTick, 0);
  EXPECT_EQ(Native().PresentCount, presents) << "an iconified window presents nothing";
  EXPECT_EQ(w.MarqueeText(), u"Radyo  ♫  Simge - Yaz");

  w.NativeIconified(false);
  EXPECT_TRUE(w.OnScreen());
  EXPECT_EQ(w.MarqueeHint(), u"Radyo\r\nSimge - Yaz\r\n128 Kbps @ 44 Khz ~ MP3 (Stereo)") << "restored, the hint is the new title's";
  EXPECT_GT(Native().PresentCount, presents) << "restored, the window paints at once";
  EXPECT_TRUE(ShowsAFreshPaint());
}

}  // namespace
