// The recording panel and the notice of the finished file: the clock that
// counts only while the stream plays, the size label, pause and resume,
// stop and keep, discard, refused requests and a recording that failed.
#include <filesystem>

#include "RecordingKit.h"
#include "TempDir.h"
#include "ui/window/PlayerLayout.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"

namespace {

using namespace core;
using namespace app;
using uitest::RecordingTest;

TEST_F(RecordingTest, TheClockCountsOnlyWhilePlayingAndNotPaused) {
  Kit.WriteFavourites({{u"Radyo", "http://127.0.0.1:1/a", 6}});
  auto& w = Open();
  StartRecording();
  auto& r = Recording();
  EXPECT_TRUE(w.TimerRunning(ui::tmRecording));
  EXPECT_TRUE(r.Throbber()->Visible());
  EXPECT_FALSE(r.Throbber()->Paused());
  EXPECT_EQ(r.ElapsedLabel()->Caption(), u"0:00:00:00");
  EXPECT_EQ(r.ElapsedLabel()->Hint(), u"Süre");
  EXPECT_EQ(r.SizeLabel()->Hint(), u"Dosya Boyutu");

  Kit.Controller.RecordedSize = 3 * 1048576 + 524288;
  Second(ui::tmRecording);
  EXPECT_EQ(r.ElapsedLabel()->Caption(), u"0:00:00:01");
  EXPECT_EQ(r.SizeLabel()->Caption(), u"3.50 MB");
  // The size comes in its low 32 bits: past 4 GB it still grows on screen.
  Kit.Controller.RecordedSize = 0xF0000000u;
  Timer(ui::tmRecording);
  EXPECT_EQ(r.SizeLabel()->Caption(), u"3.75 GB");
  Kit.Controller.RecordedSize = 0x10000000u;
  Timer(ui::tmRecording);
  EXPECT_EQ(r.SizeLabel()->Caption(), u"4.25 GB");
  Kit.Controller.RecordedSize = 0x20000000u;
  Timer(ui::tmRecording);
  EXPECT_EQ(r.SizeLabel()->Caption(), u"4.50 GB");
  // Stalled or buffering: the stream does not play, the clock stands.
  Kit.Controller.PlayState = 2;
  Second(ui::tmRecording);
  Kit.Controller.PlayState = 5;
  Second(ui::tmRecording);
  EXPECT_EQ(r.ElapsedMs(), 1000);
  Kit.Controller.PlayState = 1;
  Second(ui::tmRecording);
  EXPECT_EQ(r.ElapsedLabel()->Caption(), u"0:00:00:02");

  // Paused: the clock stops, the button turns cyan and offers to go on.
  ClickOn(r.PauseButton());
  EXPECT_EQ(Kit.Controller.PauseRequests, 1);
  EXPECT_TRUE(r.Paused());
  EXPECT_FALSE(w.TimerRunning(ui::tmRecording));
  EXPECT_TRUE(r.Throbber()->Paused());
  EXPECT_EQ(r.PauseButton()->TintColor(), 0xFF00FFFFu);
  EXPECT_EQ(r.PauseButton()->Hint(), u"Sürdür");
  // A minute paused counts nothing, also when a tick comes late.
  Clock.Advance(60000);
  Timer(ui::tmRecording);
  ClickOn(r.PauseButton());
  EXPECT_EQ(Kit.Controller.ResumeRequests, 1);
  EXPECT_FALSE(r.Paused());
  EXPECT_TRUE(w.TimerRunning(ui::tmRecording));
  EXPECT_EQ(r.PauseButton()->TintColor(), 0u);
  EXPECT_EQ(r.PauseButton()->Hint(), u"Duraksat");
  Second(ui::tmRecording);
  EXPECT_EQ(r.ElapsedMs(), 3000);

  // A pause the recorder refuses (a raw recording) leaves the look as it
  // was, and the clock counts on with the recording.
  Kit.Controller.PauseResult = 1;
  ClickOn(r.PauseButton());
  EXPECT_TRUE(w.TimerRunning(ui::tmRecording));
  EXPECT_EQ(r.PauseButton()->TintColor(), 0u);
  EXPECT_FALSE(r.Paused());
  Second(ui::tmRecording);
  EXPECT_EQ(r.ElapsedMs(), 4000);
  ClickOn(r.PauseButton());
  EXPECT_EQ(Kit.Controller.PauseRequests, 3) << "the next click asks for the pause again";
}

TEST_F(RecordingTest, StopAndKeepAnnouncesTheFileWhichOpensAndShows) {
  testkit::TempDir folder;
  const std::string file = (folder / "Radyo - Şarkı - 1a2b.mp3").string();
  testkit::TempDir::WriteFile(file, "ID3");
  Kit.WriteFavourites({{u"Radyo", "http://127.0.0.1:1/a", 6}});
  Kit.Controller.RecordingFile = enc::Utf8ToUtf16(file);
  auto& w = Open();
  auto& r = Recording();

  // A stop the recorder refuses changes nothing.
  StartRecording();
  Kit.Controller.StopResult = 1;
  ClickOn(r.StopButton());
  EXPECT_TRUE(w.RecordingPanel()->Visible());
  EXPECT_FALSE(w.NoticePanel()->Visible());
  Kit.Controller.StopResult = 0;

  ClickOn(r.StopButton());
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 2);
  EXPECT_FALSE(w.RecordingPanel()->Visible());
  EXPECT_FALSE(w.TimerRunning(ui::tmRecording));
  EXPECT_EQ(w.RecordButton()->TintColor(), 0xFFFFFFFFu);
  ASSERT_TRUE(w.NoticePanel()->Visible());
  EXPECT_EQ(w.Height(), ui::FullHeight(w.RowCount(), w.BannerBand()));
  EXPECT_TRUE(r.FileAvailable());
  EXPECT_EQ(r.LastRecordedFile(), enc::Utf8ToUtf16(file));
  widgets::TLabelEx* text = nullptr;
  for (int i = 0; i < r.NoticeIcon()->Parent()->ControlCount(); ++i)
    if (auto* label = dynamic_cast<widgets::TLabelEx*>(r.NoticeIcon()->Parent()->Controls(i))) text = label;
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Caption(), u"Radyo - Şarkı - 1a2b.mp3");
  EXPECT_EQ(text->Font().Color() & 0xFFFFFFu, 0x0080C0u);
  EXPECT_EQ(text->Hint(), u"Dosya konumunu aç");
  EXPECT_EQ(r.NoticeIcon()->Hint(), u"Yürüt");

  // Hovering underlines the name; clicking it shows the file, clicking
  // the icon opens it.
  HoverOver(text);
  EXPECT_TRUE(text->Font().Style() & widgets::FontStyleUnderline);
  HoverOver(w.RecordButton());
  EXPECT_FALSE(text->Font().Style() & widgets::FontStyleUnderline);
  ClickOn(text);
  ClickOn(r.NoticeIcon());
  EXPECT_EQ(Kit.ShownFiles, std::vector<std::string>{file});
  EXPECT_EQ(Kit.OpenedFiles, std::vector<std::string>{file});
  // A file that went away meanwhile is not opened.
  std::filesystem::remove(file);
  ClickOn(r.NoticeIcon());
  EXPECT_EQ(Kit.OpenedFiles.size(), 1u);

  // The next recording takes the notice away.
  StartRecording();
  EXPECT_FALSE(w.NoticePanel()->Visible());
  EXPECT_FALSE(r.FileAvailable());
}

TEST_F(RecordingTest, TheMenuRecordsDiscardDeletesWithoutNoticeAndARefusedDiscardKeepsRecording) {
  Kit.WriteFavourites({{u"Radyo", "http://127.0.0.1:1/a", 6}});
  auto& w = Open();
  auto& r = Recording();
  // The menu command records like the button.
  Kit.Controller.PlayState = 1;
  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmRecord, 0);
  ASSERT_TRUE(w.RecordingPanel()->Visible());
  Kit.Controller.CancelResult = 1;
  ClickOn(r.DiscardButton());
  EXPECT_TRUE(w.RecordingPanel()->Visible());
  EXPECT_EQ(w.RecordButton()->TintColor(), 0xFFFF0000u);
  Kit.Controller.CancelResult = 0;
  ClickOn(r.DiscardButton());
  EXPECT_EQ(Kit.Controller.Count(UM_CANCEL_RECORDING), 2);
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 0);
  EXPECT_FALSE(w.RecordingPanel()->Visible());
  EXPECT_FALSE(w.NoticePanel()->Visible());
  EXPECT_EQ(w.RecordButton()->TintColor(), 0xFFFFFFFFu);
  // Nothing recording: the buttons of the panel do nothing.
  r.StopKeep();
  r.TogglePause();
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 0);
  EXPECT_EQ(Kit.Controller.PauseRequests, 0);
}

TEST_F(RecordingTest, ARecordingThatCannotWriteEndsWithItsFileAndTheReason) {
  Kit.WriteFavourites({{u"Radyo", "http://127.0.0.1:1/a", 6}});
  Kit.Controller.RecordingFile = u"/tmp/kayıtlar/Radyo - 0f.mp3";
  auto& w = Open();
  StartRecording();
  // The controller stopped the recorder and tells why.
  Kit.Controller.RecorderState = 6;
  Kit.Controller.RecordingError = u"No space left on device";
  SendMessage(w.WindowHandle(), UM_RECORDING_FAILED, 28, 0);
  EXPECT_FALSE(w.RecordingPanel()->Visible());
  EXPECT_EQ(w.RecordButton()->TintColor(), 0xFFFFFFFFu);
  EXPECT_TRUE(w.NoticePanel()->Visible());
  EXPECT_EQ(Recording().LastRecordedFile(), u"/tmp/kayıtlar/Radyo - 0f.mp3");
  EXPECT_EQ(Kit.ErrorBoxes, 1);
  EXPECT_EQ(Kit.LastErrorText, res::LoadStr(328) + u"\n\nNo space left on device");

  // A refused start names the reason as well; a player error takes the
  // notice away.
  Kit.Controller.RecordRefused = true;
  Kit.Controller.RecordingError = u"File name too long";
  ClickOn(w.RecordButton());
  EXPECT_EQ(Kit.ErrorBoxes, 2);
  EXPECT_EQ(Kit.LastErrorText, res::LoadStr(328) + u"\n\nFile name too long");
  Kit.Event(PE_ERROR, 2);
  EXPECT_FALSE(w.NoticePanel()->Visible());
  EXPECT_FALSE(Recording().FileAvailable());
}

}  // namespace
