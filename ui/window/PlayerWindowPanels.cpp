// The sliding parts of the player window: the list panel, the recording
// and notice faces, the banner band and the size grip. Animations run
// inline on the user-interface thread and pump messages between their
// steps, so a command may arrive meanwhile: each one first checks that its
// panel is not already where it is going.
#include <glib.h>

#include <cmath>

#include "app/Options.h"
#include "app/UpdateCheck.h"
#include "support/Encoding.h"
#include "support/WStringsFile.h"
#include "ui/window/PlayerLayout.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

using namespace widgets;
using namespace app;

namespace {

// Long enough for the eye to follow a slide of ten steps.
constexpr int SlideStepMs = 12;
// A banner document holds one picture of the band's size; anything much
// larger is not one.
constexpr std::uintmax_t MaxBannerFileSize = 4u << 20;

}  // namespace

bool TPlayerWindow::Pump(int pauseMs) {
  // Pumping may deliver the controller's close, which frees this window:
  // only the shared flag may be looked at afterwards.
  std::shared_ptr<bool> alive = FAlive;
  InvalidateTree();
  ProcessMessages();
  if (!*alive) return false;
  if (pauseMs > 0) g_usleep(static_cast<gulong>(pauseMs) * 1000);
  return true;
}

bool TPlayerWindow::ListPanelVisible() const { return FListPanel && FListPanel->Visible(); }

void TPlayerWindow::ShowListPanel() {
  // A banner that arrived while the panel was shut (its band opens only
  // over a shown panel) opens with the panel, as it does at start.
  if (!SlideListPanel(true)) return;
  if (FOptions.ReadBool(obShowBanner)) OpenBannerBand();
}

void TPlayerWindow::HideListPanel() { SlideListPanel(false); }

bool TPlayerWindow::SlideListPanel(bool open) {
  if (open == ListPanelVisible() || FClosed) return true;
  Layout();
  int h = FListContent->Height();
  int step = std::max(1, h / 10);
  int fade = static_cast<int>(std::lround(255.0 / std::max(1, h / 10)));
  if (open) {
    FListContent->SetTop(-h);
    FListContent->SetOpacity(0);
    FListPanel->SetVisible(true);
    for (int top = -h; top < 0 && !FClosed; top += step) {
      FListContent->SetTop(top);
      FListContent->SetOpacity(static_cast<std::uint8_t>(std::min(255, FListContent->Opacity() + fade)));
      if (!Pump(SlideStepMs)) return false;
    }
    FListContent->SetTop(0);
    FListContent->SetOpacity(255);
    ShownList()->SetFocus();
  } else {
    for (int top = 0; top > -h && !FClosed; top -= step) {
      FListContent->SetTop(top);
      FListContent->SetOpacity(static_cast<std::uint8_t>(std::max(0, FListContent->Opacity() - fade)));
      if (!Pump(SlideStepMs)) return false;
    }
    FListContent->SetTop(-h);
    FListPanel->SetVisible(false);
  }
  FNoticePanel->SetTop(NoticeTop(FBand, ListPanelVisible()));
  InvalidateTree();
  return true;
}

bool TPlayerWindow::SlideFace(TControlEx* panel, TControlEx* face, int rest, bool open) {
  if (open == panel->Visible() || FClosed) return true;
  int direction = rest > 0 ? -10 : 10;  // towards 0 when opening
  int fade = static_cast<int>(std::lround(255.0 / (50 / 10)));
  if (open) {
    face->SetTop(rest);
    face->SetOpacity(0);
    panel->SetVisible(true);
    for (int top = rest; top != 0 && !FClosed; top += direction) {
      face->SetTop(top);
      face->SetOpacity(static_cast<std::uint8_t>(std::min(255, face->Opacity() + fade)));
      if (!Pump(SlideStepMs)) return false;
    }
    face->SetTop(0);
    face->SetOpacity(255);
  } else {
    for (int top = 0; top != rest && !FClosed; top -= direction) {
      face->SetTop(top);
      face->SetOpacity(static_cast<std::uint8_t>(std::max(0, face->Opacity() - fade)));
      if (!Pump(SlideStepMs)) return false;
    }
    panel->SetVisible(false);
    if (panel == FNoticePanel && FFavourites->Visible() && ListPanelVisible()) FFavourites->SetFocus();
  }
  InvalidateTree();
  return true;
}

bool TPlayerWindow::SetBand(int band) {
  FBand = band;
  Layout();
  return Pump(SlideStepMs);
}

void TPlayerWindow::ShowBannerBand() { OpenBannerBand(); }

void TPlayerWindow::HideBannerBand() { CloseBannerBand(); }

bool TPlayerWindow::OpenBannerBand() {
  // An empty band would only push the lists down.
  if (FBand > 0 || FClosed || !LoadBanner()) return true;
  for (int band = BannerBandStep; band <= BannerBandMax && !FClosed; band += BannerBandStep) {
    if (!SetBand(band)) return false;
  }
  FBanner->SetOpacity(0);
  FBanner->SetVisible(true);
  for (int opacity = 0; opacity <= 250 && !FClosed; opacity += 10) {
    FBanner->SetOpacity(static_cast<std::uint8_t>(opacity));
    if (!Pump(SlideStepMs)) return false;
  }
  FBanner->SetOpacity(255);
  InvalidateTree();
  return true;
}

bool TPlayerWindow::CloseBannerBand() {
  if (FBand == 0 || FClosed) return true;
  for (int opacity = 255; opacity >= 5 && !FClosed; opacity -= 10) {
    FBanner->SetOpacity(static_cast<std::uint8_t>(opacity));
    if (!Pump(SlideStepMs)) return false;
  }
  FBanner->SetOpacity(0);
  FBanner->SetVisible(false);
  for (int band = BannerBandMax; band >= BannerBandStep && !FClosed; band -= BannerBandStep) {
    if (!SetBand(band)) return false;
  }
  return SetBand(0);
}

bool TPlayerWindow::LoadBanner() {
  app::TBannerInfo banner = app::BannerInfo();
  if (banner.Image.empty()) {
    // The banner an earlier run downloaded; the update check fetches a new
    // one only when the published version changes.
    std::string document;
    const std::string path = enc::WideToFileName(FConfig.SettingsFolder) + "banner.xml";
    if (wstr::ReadWholeFile(path, document, MaxBannerFileSize) != wstr::TReadResult::Ok ||
        !app::ParseBannerDocument(document, banner))
      return false;
  }
  FBanner->HandleNeeded();
  FBanner->SetBanner(banner);
  const TBitmapEx* picture = FBanner->Picture() ? FBanner->Picture()->Image() : nullptr;
  if (!picture || picture->Width() <= 0) return false;
  // The close button stays above the picture and its text.
  FBannerClose->BringToFront();
  return true;
}

void TPlayerWindow::Listeners(WPARAM count, LPARAM previous) {
  if (count > 0) {
    FListeners->Font().SetColor(static_cast<LPARAM>(count) > previous ? 0xBF00FF00 : 0xBFFFFFFF);
    FListeners->SetCaption(enc::Utf8ToUtf16(std::to_string(count)));
  }
  // Without a count there is nothing to show whatever the option says: the
  // controller's tick with the banner off reads no settings file here.
  FListeners->SetVisible(!FListeners->Caption().empty() && FOptions.ReadBool(obShowBanner));
  Invalidate();
}

void TPlayerWindow::GripDown(int y) {
  SetCapture(FGrip->WindowHandle());
  FGripStartTop = FGrip->Top();
  FGripStartY = FGrip->ClientToScreen({0, y}).Y;
}

void TPlayerWindow::GripDrag(int y) {
  int screenY = FGrip->ClientToScreen({0, y}).Y;
  int rows = GripRows(FGripStartTop, screenY - FGripStartY, FBand);
  if (rows == FRowCount) return;
  FRowCount = rows;
  Layout();
  InvalidateTree();
}

}  // namespace ui
