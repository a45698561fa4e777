// The player window against a stand-in controller, on the offscreen
// backend: start-up, the lists, the player events, the recording warning,
// play-next, the size grip and closing.
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "ui/window/PlayerLayout.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/menus/Menu.h"

namespace {

using namespace core;
using namespace widgets;
using namespace app;
using uitest::TPlayerWindowKit;

class PlayerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Kit.WriteOptions("[player]\nautoplay=0\nleft=100\ntop=50\nplayident=0x6\n[playlist]\nvisible=0\n");
  }
  widgets::TOffscreenWindow* Native() { return widgets::OffscreenWindowOf(*Kit.Window); }
  // A click at a control's centre, in window coordinates.
  void ClickOn(widgets::TControl* control, bool twice = false) {
    widgets::TPoint at = control->ClientToParent({control->Width() / 2, control->Height() / 2}, Kit.Window.get());
    if (twice) Native()->DoubleClick(at.X, at.Y);
    else Native()->Click(at.X, at.Y);
  }
  TPlayerWindowKit Kit;
};

TEST_F(PlayerWindowTest, StartsWithTheSavedFavouriteAndRegisters) {
  Kit.WriteFavourites({{u"Bir", "http://127.0.0.1:1/a", 5}, {u"İki", "http://127.0.0.1:1/b", 6}});
  auto& w = Kit.Open();
  EXPECT_EQ(Kit.Controller.Client, w.WindowHandle());
  EXPECT_EQ(w.CurrentName(), u"İki");
  EXPECT_EQ(w.CurrentUrl(), u"http://127.0.0.1:1/b");
  EXPECT_EQ(w.Favourites()->ActiveId(), 6);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 1);
  EXPECT_EQ(w.MarqueeText(), u"İki");
  EXPECT_EQ(w.Left(), 100);
  EXPECT_EQ(w.Top(), 50);
  EXPECT_TRUE(w.Visible());
  EXPECT_EQ(w.Opacity(), 255);
  // Autoplay is off: nothing plays by itself.
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), 0);
  // The first 104 pixels until the list panel lays the window out.
  EXPECT_EQ(w.Height(), ui::PlayerInitialHeight);
  EXPECT_EQ(w.RowCount(), 13);  // howmany 10
}

TEST_F(PlayerWindowTest, AMissingPlayidentSelectsTheFirstEntry) {
  Kit.WriteOptions("[player]\nautoplay=0\nplayident=99\n[playlist]\nvisible=0\n");
  Kit.WriteFavourites({{u"Bir", "http://127.0.0.1:1/a", 5}, {u"İki", "http://127.0.0.1:1/b", 6}});
  auto& w = Kit.Open();
  EXPECT_EQ(w.CurrentName(), u"Bir");
  EXPECT_EQ(w.FavouriteIdent(), 5);
  EXPECT_EQ(w.Favourites()->ActiveId(), 5);
  Kit.Close();
  EXPECT_EQ(Kit.Option(u"player", u"playident"), u"5");
}

TEST_F(PlayerWindowTest, AnEmptyFavouritesListPlaysEmptyTexts) {
  auto& w = Kit.Open();
  EXPECT_EQ(w.CurrentName(), u"");
  EXPECT_EQ(w.CurrentUrl(), u"");
  ClickOn(w.PlayButton());
  ASSERT_EQ(Kit.Controller.Count(UM_PLAY), 1);
  EXPECT_EQ(Kit.Controller.PlayedName, u"");
  EXPECT_EQ(Kit.Controller.PlayedUrl, u"");
}

TEST_F(PlayerWindowTest, LeftOf65535CentresTheWindow) {
  Kit.WriteOptions("[player]\nautoplay=0\nleft=65535\ntop=0\n[playlist]\nvisible=0\n");
  auto& w = Kit.Open();
  EXPECT_EQ(w.Left(), (1280 - 320) / 2);
  EXPECT_EQ(w.Top(), 0);
}

TEST_F(PlayerWindowTest, PlayButtonStartsAndStopsAndEventsDriveTheTexts) {
  Kit.WriteFavourites({{u"Radyo", "http://127.0.0.1:1/a", 6}});
  auto& w = Kit.Open();
  ClickOn(w.PlayButton());
  EXPECT_EQ(Kit.Controller.PlayedName, u"Radyo");

  Kit.Event(4);
  EXPECT_EQ(w.MarqueeText(), u"Bağlanılıyor... (Radyo)");
  EXPECT_TRUE(w.Throbber()->Visible());
  EXPECT_EQ(w.PlayButton()->ImageId(), 2002);
  Kit.Event(5, 35);
  EXPECT_EQ(w.MarqueeText(), u"Önbelleğe alınıyor %35 ...");

  Kit.Controller.PlayState = 1;
  Kit.Controller.Meta = "StreamTitle='\xC5\x9E" "ebnem - G\xC3\xBCl';";
  Kit.Controller.Bitrate = 128;
  Kit.Controller.SampleRate = 44100;
  Kit.Controller.Codec = "MP3";
  Kit.Controller.Stereo = 1;
  Kit.Event(1);
  EXPECT_FALSE(w.Throbber()->Visible());
  EXPECT_EQ(w.MarqueeText(), u"Radyo  ♫  Şebnem - Gül");
  EXPECT_EQ(w.MarqueeHint(), u"Radyo\r\nŞebnem - Gül\r\n128 Kbps @ 44 Khz ~ MP3 (Stereo)");
  EXPECT_EQ(Kit.Controller.TrayHint, u"QOR\r\nRadyo\r\nŞebnem - Gül");
  EXPECT_TRUE(w.WasPlaying());
  EXPECT_EQ(w.PlayButton()->Hint(), u"Durdur");

  Kit.Controller.Meta = "StreamTitle='Yeni';";
  SendMessage(w.WindowHandle(), UM_PLAYER_META, 0, 0);
  EXPECT_EQ(w.MarqueeText(), u"Radyo  ♫  Yeni");

  // The play button now stops.
  int stops = Kit.Controller.Count(UM_STOP);
  ClickOn(w.PlayButton());
  EXPECT_EQ(Kit.Controller.Count(UM_STOP), stops + 1);
  Kit.Controller.PlayState = 0;
  Kit.Event(0);
  EXPECT_EQ(w.MarqueeText(), u"Radyo");
  EXPECT_EQ(w.PlayButton()->ImageId(), 2001);
  EXPECT_EQ(Kit.Controller.TrayHint, u"QOR");

  Kit.Event(PE_ERROR, 2);
  EXPECT_EQ(w.MarqueeText(), u"Bağlantı kurulamadı.");
  EXPECT_EQ(w.MarqueeHint(), u"");
  // The ffmpeg player reports its stop after the error: the error stays
  // in view until the next start.
  Kit.Event(PE_MUTE, 0);
  Kit.Event(0);
  EXPECT_EQ(w.MarqueeText(), u"Bağlantı kurulamadı.");
  Kit.Event(4);
  Kit.Event(0);
  EXPECT_EQ(w.MarqueeText(), u"Radyo");
}

TEST_F(PlayerWindowTest, TheRecordingWarningShowsOnceThenBeeps) {
  Kit.WriteFavourites({{u"Radyo", "http://127.0.0.1:1/a", 6}});
  auto& w = Kit.Open();
  Kit.Controller.RecorderState = 7;
  int beeps = widgets::OffscreenBackend()->Beeps;
  // While the box is open the user presses play again.
  w.ShowInfoBox = [&](const std::u16string& text, const std::u16string& caption) {
    ++Kit.InfoBoxes;
    EXPECT_EQ(text, u"Şu anda radyodan kayıt yapılıyor. Bu işlem için ilk önce kaydı durdurmalısınız.");
    EXPECT_EQ(caption, u"QOR");
    ClickOn(w.PlayButton());
  };
  ClickOn(w.PlayButton());
  EXPECT_EQ(Kit.InfoBoxes, 1);
  EXPECT_EQ(widgets::OffscreenBackend()->Beeps, beeps + 1);
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), 0);
  EXPECT_EQ(Kit.Controller.Count(UM_STOP), 0);
}

TEST_F(PlayerWindowTest, TheRecordButtonSlidesThePanelAndTheStoppedEventKeepsTheFile) {
  Kit.WriteFavourites({{u"Radyo", "http://127.0.0.1:1/a", 6}});
  auto& w = Kit.Open();
  // Nothing to record while stopped.
  ClickOn(w.RecordButton());
  EXPECT_EQ(Kit.Controller.Count(UM_START_RECORDING), 0);
  Kit.Controller.PlayState = 1;
  ClickOn(w.RecordButton());
  EXPECT_EQ(Kit.Controller.Count(UM_START_RECORDING), 1);
  EXPECT_TRUE(w.RecordingPanel()->Visible());
  EXPECT_EQ(w.RecordButton()->TintColor(), 0xFFFF0000u);
  // The stream stops: the recording ends and its file is kept.
  Kit.Controller.PlayState = 0;
  Kit.Event(0);
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 1);
  EXPECT_EQ(Kit.Controller.Count(UM_CANCEL_RECORDING), 0);
  EXPECT_FALSE(w.RecordingPanel()->Visible());
  EXPECT_EQ(w.RecordButton()->TintColor(), 0xFFFFFFFFu);
  // A refused start shows the recorder's error box.
  Kit.Controller.PlayState = 1;
  Kit.Controller.RecordRefused = true;
  ClickOn(w.RecordButton());
  EXPECT_EQ(Kit.ErrorBoxes, 1);
  EXPECT_FALSE(w.RecordingPanel()->Visible());
}

TEST_F(PlayerWindowTest, PlayNextOnlyForLocalFilesThatAreNotTheLast) {
  Kit.WriteOptions("[player]\nautoplay=0\nplaynext=1\nplayident=0x1\n[playlist]\nvisible=0\n");
  Kit.WriteFavourites({{u"A", "file:///tmp/a.mp3", 1},
                       {u"B", "file:///tmp/b.mp3", 2},
                       {u"C", "http://127.0.0.1:1/c", 3},
                       {u"D", "file:///tmp/d.mp3", 4}});
  auto& w = Kit.Open();
  auto endOfEntry = [&] {
    Kit.Controller.PlayState = 1;
    Kit.Event(1);
    Kit.Controller.PlayState = 0;
    Kit.Event(0);
  };
  endOfEntry();
  EXPECT_EQ(Kit.Controller.PlayedName, u"B");
  endOfEntry();
  EXPECT_EQ(Kit.Controller.PlayedName, u"C");
  // A network stream never advances.
  int plays = Kit.Controller.Count(UM_PLAY);
  endOfEntry();
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), plays);
  // The last entry does not either.
  w.Favourites()->SetItemIndex(3);
  w.PlayFromFavourites();
  plays = Kit.Controller.Count(UM_PLAY);
  endOfEntry();
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), plays);
  // Stopped without having played: no advance.
  w.Favourites()->SetItemIndex(0);
  w.PlayFromFavourites();
  plays = Kit.Controller.Count(UM_PLAY);
  Kit.Event(0);
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), plays);
}

TEST_F(PlayerWindowTest, ListPanelOpensDoubleClickPlaysAndTheGripKeeps13Rows) {
  Kit.WriteFavourites({{u"Bir", "http://127.0.0.1:1/a", 5}, {u"İki", "http://127.0.0.1:1/b", 6}});
  Kit.WriteDatabase({{u"Veri", "http://127.0.0.1:1/v", 7}});
  auto& w = Kit.Open();
  ClickOn(w.PlaylistButton());
  ASSERT_TRUE(w.ListPanelVisible());
  EXPECT_EQ(w.Height(), ui::FullHeight(13, 0));
  EXPECT_EQ(w.ListContent()->Top(), 0);
  EXPECT_EQ(w.Database()->Count(), 1);

  // Row 0 of the favourites, double-clicked.
  widgets::TPoint row = w.Favourites()->ClientToParent({40, 7}, &w);
  Native()->DoubleClick(row.X, row.Y);
  EXPECT_EQ(Kit.Controller.PlayedName, u"Bir");
  EXPECT_EQ(w.FavouriteIdent(), 5);
  EXPECT_EQ(w.Favourites()->ActiveId(), 5);

  // Dragging the grip up never gives fewer than 13 rows; down adds rows.
  widgets::TPoint grip = w.Grip()->ClientToParent({100, 2}, &w);
  Native()->MouseDown(grip.X, grip.Y);
  Native()->MouseMove(grip.X, grip.Y - 60);
  EXPECT_EQ(w.RowCount(), 13);
  Native()->MouseMove(grip.X, grip.Y + 31);
  EXPECT_EQ(w.RowCount(), 15);
  Native()->MouseUp(grip.X, grip.Y + 31);
  EXPECT_EQ(w.Height(), ui::FullHeight(15, 0));
  EXPECT_EQ(w.Grip()->Top(), ui::GripTopFor(15, 0));

  // The database list, then back.
  ClickOn(w.DatabaseButton());
  EXPECT_TRUE(w.Database()->Visible());
  EXPECT_FALSE(w.Favourites()->Visible());
  ClickOn(w.FavouritesButton());
  EXPECT_TRUE(w.Favourites()->Visible());

  // The wheel over the list scrolls it and leaves the volume alone.
  int volume = w.Volume();
  Native()->Wheel(row.X, row.Y, -120);
  EXPECT_EQ(w.Volume(), volume);
  ClickOn(w.PlaylistButton());
  EXPECT_FALSE(w.ListPanelVisible());
  // The window keeps its full height.
  EXPECT_EQ(w.Height(), ui::FullHeight(15, 0));
  Kit.Close();
  EXPECT_EQ(Kit.Option(u"playlist", u"howmany"), u"15");
}

TEST_F(PlayerWindowTest, KeysMoveTheSelectionAndPlay) {
  Kit.WriteFavourites({{u"Bir", "http://127.0.0.1:1/a", 5}, {u"İki", "http://127.0.0.1:1/b", 6},
                       {u"Üç", "http://127.0.0.1:1/c", 7}});
  Kit.WriteOptions("[player]\nautoplay=0\nplayident=0x5\n[playlist]\nvisible=1\n[application]\nshowbanner=0\n");
  auto& w = Kit.Open();
  ASSERT_TRUE(w.ListPanelVisible());
  Native()->KeyDown(VK_END);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 2);
  Native()->KeyDown(VK_UP);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 1);
  Native()->KeyDown(VK_RETURN);
  EXPECT_EQ(Kit.Controller.PlayedName, u"İki");
  int volume = w.Volume();
  Native()->KeyDown(VK_RIGHT);
  EXPECT_EQ(w.Volume(), ui::VolumeStep(volume, 1));
  EXPECT_TRUE(w.VolumeLabel()->Visible());
  EXPECT_TRUE(testkit::PumpUntil([&] { return !w.VolumeLabel()->Visible(); }));
}

TEST_F(PlayerWindowTest, ClosingSavesTheOptionsAndClosesTheController) {
  Kit.WriteFavourites({{u"Bir", "http://127.0.0.1:1/a", 5}, {u"İki", "http://127.0.0.1:1/b", 6}});
  auto& w = Kit.Open();
  w.SetVolume(40);
  SendMessage(w.WindowHandle(), WM_CLOSE);
  EXPECT_TRUE(w.Closing());
  EXPECT_FALSE(w.Visible());
  EXPECT_EQ(Kit.Controller.Client, 0u);
  EXPECT_TRUE(testkit::PumpUntil([&] { return Kit.Controller.Closes == 1; }));
  EXPECT_EQ(Kit.Option(u"player", u"volume"), u"40");
  EXPECT_EQ(Kit.Option(u"player", u"left"), u"100");
  EXPECT_EQ(Kit.Option(u"player", u"top"), u"50");
  EXPECT_EQ(Kit.Option(u"player", u"playident"), u"6");
  EXPECT_EQ(Kit.Option(u"playlist", u"howmany"), u"13");
  EXPECT_TRUE(std::filesystem::exists(Kit.Dir / "settings" / "playlist.rpf"));
  // A second close from the controller changes nothing.
  SendMessage(w.WindowHandle(), WM_CLOSE);
  EXPECT_TRUE(testkit::PumpUntil([&] { return true; }));
  EXPECT_EQ(Kit.Controller.Closes, 1);
}

TEST_F(PlayerWindowTest, EndOfSessionSavesAndListenersFollowTheBanner) {
  Kit.WriteOptions("[player]\nautoplay=0\n[playlist]\nvisible=0\n[application]\nshowbanner=1\n");
  auto& w = Kit.Open();
  w.SetVolume(33);
  EXPECT_EQ(SendMessage(w.WindowHandle(), WM_QUERYENDSESSION), 1);
  SendMessage(w.WindowHandle(), WM_ENDSESSION, 1);
  EXPECT_EQ(Kit.Option(u"player", u"volume"), u"33");

  SendMessage(w.WindowHandle(), UM_LISTENERS, 17, 12);
  EXPECT_TRUE(w.ListenerCounter()->Visible());
  EXPECT_EQ(w.ListenerCounter()->Caption(), u"17");
  EXPECT_EQ(w.ListenerCounter()->Font().Color() | 0x01000000, 0xBF00FF00u | 0x01000000);
  SendMessage(w.WindowHandle(), UM_LISTENERS, 15, 17);
  EXPECT_EQ(w.ListenerCounter()->Font().Color(), 0xBFFFFFFFu);
  Kit.Options->WriteBool(obShowBanner, false);
  SendMessage(w.WindowHandle(), UM_LISTENERS, 0, 0);
  EXPECT_FALSE(w.ListenerCounter()->Visible());
}

TEST_F(PlayerWindowTest, CommandLineVolumeAndMuteAndChangedOptions) {
  Kit.Config.VolumeGiven = true;
  Kit.Config.VolumeValue = u"70";
  Kit.Config.MuteGiven = true;
  auto& w = Kit.Open();
  EXPECT_EQ(w.Volume(), 70);
  EXPECT_EQ(Kit.Controller.Volume, 70);
  EXPECT_EQ(Kit.Controller.Count(UM_SET_MUTE), 1);
  // The controller reports the mute state back: the speaker follows.
  Kit.Event(PE_MUTE, 1);
  EXPECT_EQ(w.VolumeControl()->GetMuted(), 1);
  // Changed options reach the controller's players.
  Kit.Options->WriteInt(oiBuffer, 7000);
  SendMessage(w.WindowHandle(), ui::UM_OPTIONS_CLOSED, 2);
  EXPECT_EQ(Kit.Controller.Count(UM_SET_BUFFER), 0);
  SendMessage(w.WindowHandle(), ui::UM_OPTIONS_CLOSED, 3);
  EXPECT_EQ(Kit.Controller.Count(UM_SET_BUFFER), 1);
  EXPECT_EQ(Kit.Controller.Count(UM_SET_ATTEMPTS), 1);
  // The wheel over the display steps the volume.
  Native()->Wheel(150, 60, -120);
  EXPECT_EQ(w.Volume(), 65);
}

TEST_F(PlayerWindowTest, TheWindowMenuServesTheTrayAndItsCommands) {
  auto& w = Kit.Open();
  auto* backend = widgets::OffscreenBackend();
  // The tray asks for the menu; the window's right click shows its first
  // sub-menu.
  auto menu = static_cast<widgets::HMENU>(SendMessage(w.WindowHandle(), UM_QUERY_MENU, 1));
  ASSERT_TRUE(widgets::IsMenu(menu));
  EXPECT_EQ(SendMessage(w.WindowHandle(), UM_QUERY_MENU, 0), 0);
  backend->MenuChoice = ui::cmAlwaysTop;
  int shown = backend->MenusShown;
  Native()->Click(5, 100, 3);
  EXPECT_EQ(backend->MenusShown, shown + 1);
  EXPECT_EQ(backend->LastMenu, widgets::GetSubMenu(menu, 0));
  EXPECT_TRUE(testkit::PumpUntil([&] { return w.AlwaysTop(); }));
  EXPECT_EQ(Kit.Option(u"player", u"alwaystop"), u"1");
  // The check mark follows.
  w.PlayerMenu();
  EXPECT_EQ(widgets::CheckMenuItem(widgets::GetSubMenu(menu, 0), ui::cmAlwaysTop, widgets::MF_CHECKED),
            widgets::MF_CHECKED);
  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmClose);
  EXPECT_TRUE(testkit::PumpUntil([&] { return Kit.Controller.Closes == 1; }));
}

}  // namespace
