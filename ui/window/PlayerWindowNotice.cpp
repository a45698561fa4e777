// A notice the user must not miss (a list file that could not be read was
// moved aside) keeps the marquee for a few seconds, even when the start
// plays a station at once: the texts of the player's states that arrive
// meanwhile wait, and the latest of them is shown when the notice ends.
#include "core/Timer.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

void TPlayerWindow::ShowNotice(const std::u16string& text, unsigned ms) {
  if (!FNoticeShown) {
    FHeldMarquee = FMarqueeText;
    FHeldRestart = false;
  }
  FNoticeShown = false;
  SetMarquee(text, true);
  FNoticeShown = true;
  if (!FNoticeTimer) {
    FNoticeTimer = std::make_unique<core::TTimer>();
    FNoticeTimer->SetOnTimer([this](core::TObject*) { EndNotice(); });
  }
  FNoticeTimer->SetEnabled(false);
  FNoticeTimer->SetInterval(ms);
  FNoticeTimer->SetEnabled(true);
}

bool TPlayerWindow::HoldMarquee(const std::u16string& text, bool restart) {
  if (!FNoticeShown) return false;
  FHeldMarquee = text;
  FHeldRestart = FHeldRestart || restart;
  return true;
}

void TPlayerWindow::EndNotice() {
  if (!FNoticeShown) return;
  FNoticeShown = false;
  FNoticeTimer->SetEnabled(false);
  std::u16string text = std::move(FHeldMarquee);
  FHeldMarquee.clear();
  bool restart = FHeldRestart;
  FHeldRestart = false;
  SetMarquee(text, restart);
}

}  // namespace ui
