// The player window's pure rules: texts, geometry, volume steps, play-next.
#include <gtest/gtest.h>

#include "ui/window/PlayerLayout.h"
#include "ui/window/PlayerTexts.h"

namespace {

using namespace ui;

TEST(PlayerTexts, TitleComesFromMetadataOrTagsAndIsDecoded) {
  EXPECT_EQ(ExtractTitle("StreamTitle='Artist - Song';StreamUrl='';", ""), u"Artist - Song");
  // Without the closing ";" there is no title.
  EXPECT_EQ(ExtractTitle("StreamTitle='Artist - Song'", ""), u"");
  // UTF-8 from Icecast, Windows-1254 bytes and numeric references from old servers.
  EXPECT_EQ(ExtractTitle("StreamTitle='\xC5\x9E" "ebnem - G\xC3\xBCl';", ""), u"Şebnem - Gül");
  EXPECT_EQ(ExtractTitle("StreamTitle='\xDE" "ebnem - \xE7i\xE7" "ek';", ""), u"Şebnem - çiçek");
  EXPECT_EQ(ExtractTitle("StreamTitle='&#350;ebnem';", ""), u"Şebnem");
  // Control characters and one trailing "-" go, blanks are trimmed.
  EXPECT_EQ(ExtractTitle("StreamTitle=' Song\x01 - ';", ""), u"Song");
  EXPECT_EQ(ExtractTitle("", "title=Song;author=Singer;"), u"Song - Singer");
  EXPECT_EQ(ExtractTitle("", "author=Singer;"), u"Singer");
  EXPECT_EQ(ExtractTitle("", ""), u"");
}

TEST(PlayerTexts, DisplayHintTrayAndStateLines) {
  EXPECT_EQ(DisplayText(u"Radyo", u"Şarkı"), u"Radyo  ♫  Şarkı");
  EXPECT_EQ(DisplayText(u"Radyo", u""), u"Radyo");
  TStreamFacts facts{128, 44100, "MP3", true};
  EXPECT_EQ(MarqueeHint(u"Radyo", u"Şarkı", facts), u"Radyo\r\nŞarkı\r\n128 Kbps @ 44 Khz ~ MP3 (Stereo)");
  EXPECT_EQ(MarqueeHint(u"Radyo", u"", TStreamFacts{}), u"Radyo");
  EXPECT_EQ(MarqueeHint(u"R", u"", TStreamFacts{0, 22050, "", false}), u"R @ 22 Khz (Mono)");
  EXPECT_EQ(TrayHint(u"QOR", true, u"Rock & Pop", u"Song"), u"QOR\r\nRock &&& Pop\r\nSong");
  EXPECT_EQ(TrayHint(u"QOR", false, u"Rock", u"Song"), u"QOR");
  EXPECT_EQ(MessengerText(u"Song", u"Radyo"), u"Song - Radyo");
  EXPECT_EQ(ConnectingText(u"Radyo"), u"Bağlanılıyor... (Radyo)");
  EXPECT_EQ(BufferingText(35), u"Önbelleğe alınıyor %35 ...");
  EXPECT_EQ(VolumeText(40), u"Ses : %40");
  EXPECT_EQ(TrimText(u"  a b \r\n"), u"a b");
}

TEST(PlayerLayout, HeightsFollowRowsAndBand) {
  EXPECT_EQ(RowsFromOption(10), 13);
  EXPECT_EQ(RowsFromOption(20), 20);
  EXPECT_EQ(FullHeight(13, 0), 307);
  EXPECT_EQ(ListPanelHeight(13, 0), 233);
  EXPECT_EQ(FullHeight(13, 105), 412);
  EXPECT_EQ(GripTop(FullHeight(13, 0)), GripTopFor(13, 0));
  EXPECT_EQ(GripTop(FullHeight(17, 45)), GripTopFor(17, 45));
}

TEST(PlayerLayout, GripNeverGivesFewerThan13Rows) {
  int top = GripTopFor(13, 0);  // 293
  EXPECT_EQ(GripRows(top, -100, 0), 13);
  EXPECT_EQ(GripRows(top, 14, 0), 13);   // not a whole row yet
  EXPECT_EQ(GripRows(top, 15, 0), 14);
  EXPECT_EQ(GripRows(top, 150, 0), 23);
  // Back up from 23 rows: down to 13, never fewer, also when the pointer
  // went on past the smallest list (a quick drag reports no move between).
  EXPECT_EQ(GripRows(GripTopFor(23, 30), -149, 30), 13);
  EXPECT_EQ(GripRows(GripTopFor(23, 30), -150, 30), 13);
  EXPECT_EQ(GripRows(GripTopFor(23, 30), -400, 30), 13);
  EXPECT_EQ(GripRows(GripTopFor(23, 30), -135, 30), 14);
}

TEST(PlayerLayout, StartPositionAndPlacement) {
  EXPECT_EQ(StartPosition(CentreLeft, 0, 1280).X, 480);
  EXPECT_EQ(StartPosition(100, 20, 1280).X, 100);
  widgets::TRect work{0, 0, 1280, 994};
  // Wholly off to the right or below: brought back inside.
  EXPECT_EQ(PlaceInWorkArea({1300, 2000}, 320, 307, work).X, 1280 - 320 - 4);
  EXPECT_EQ(PlaceInWorkArea({1300, 2000}, 320, 307, work).Y, 994 - 307 - 4);
  // Wholly off to the left or above.
  EXPECT_EQ(PlaceInWorkArea({-321, -308}, 320, 307, work).X, 4);
  EXPECT_EQ(PlaceInWorkArea({-321, -308}, 320, 307, work).Y, 4);
  // Partly off is allowed.
  EXPECT_EQ(PlaceInWorkArea({-300, 900}, 320, 307, work).X, -300);
  EXPECT_EQ(PlaceInWorkArea({-300, 900}, 320, 307, work).Y, 900);
}

TEST(PlayerLayout, VolumeStepsAndPlayNext) {
  EXPECT_EQ(VolumeStep(3, 1), 4);
  EXPECT_EQ(VolumeStep(5, 1), 10);
  EXPECT_EQ(VolumeStep(5, -1), 4);
  EXPECT_EQ(VolumeStep(6, -1), 1);
  EXPECT_EQ(VolumeStep(98, 1), 100);
  EXPECT_EQ(VolumeStep(0, -1), 0);
  EXPECT_EQ(PlayNextIndex(0, 3, true, true, true), 1);
  EXPECT_EQ(PlayNextIndex(2, 3, true, true, true), -1);   // the last one
  EXPECT_EQ(PlayNextIndex(0, 3, false, true, true), -1);  // a network stream
  EXPECT_EQ(PlayNextIndex(0, 3, true, false, true), -1);
  EXPECT_EQ(PlayNextIndex(0, 3, true, true, false), -1);
  EXPECT_EQ(PlayNextIndex(-1, 3, true, true, true), -1);
}

}  // namespace
