// The embedded browser from the player window: showing its pages, playing
// what a page asks for, the report page, and the frame closing with the
// window.
#include <cstdio>

#include "app/Globals.h"
#include "app/Messages.h"
#include "browser/BrowserModule.h"
#include "browser/Pages.h"
#include "core/Encoding.h"
#include "lists/PlayList.h"
#include "resources/strings/StringTable.h"
#include "ui/listbox/PlayListBoxEx.h"
#include "ui/window/PlayerBrowser.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

using namespace core;
using namespace app;

TPlayerBrowser::TPlayerBrowser(TPlayerWindow& window) : FWindow(window), FDispatch(*this) {}

TPlayerBrowser::~TPlayerBrowser() = default;

browser::TBrowserFrame* TPlayerBrowser::NeedFrame() {
  if (!FFrame) {
    browser::TBrowserConfig config;
    config.Dispatch = &FDispatch;
    config.Administrator = FWindow.BrowserAdministrator();
    config.FindStations = [this](const std::u16string& query) { return Find(query); };
    std::string error;
    FFrame = browser::MakeBrowserFrame(std::move(config), error);
    if (!FFrame) {
      std::fprintf(stderr, "qor: the browser cannot be opened: %s\n", error.c_str());
      if (FWindow.ShowInfoBox)
        FWindow.ShowInfoBox(u"Tarayıcı açılamadı.\n" + enc::Utf8ToUtf16(error), res::LoadStr(res::IDS_APP_TITLE));
      return nullptr;
    }
    FFrame->FrameWindow().SetParentWindow(FWindow.WindowHandle());
  }
  return FFrame.get();
}

void TPlayerBrowser::ShowPage(UINT message) {
  if (browser::TBrowserFrame* frame = NeedFrame()) frame->ShowPage(message);
}

void TPlayerBrowser::Report(const std::u16string& key) {
  if (key.empty() || !browser::ReportAvailable()) return;
  browser::TBrowserFrame* frame = NeedFrame();
  if (!frame) return;
  frame->SetReportQuery(browser::ReportQuery(key, FWindow.BrowserAdministrator()));
  frame->ShowPage(browser::UM_BROWSER_REPORT);
}

void TPlayerBrowser::Close() {
  if (FFrame && FFrame->FrameWindow().HandleAllocated()) SendMessage(FFrame->FrameWindow().WindowHandle(), WM_CLOSE);
}

void TPlayerBrowser::ListenTo(const std::u16string& name, const std::u16string& address) {
  FWindow.ListenTo(name, address);
}

int TPlayerBrowser::AddStation(const std::u16string& key, const std::u16string& name, const std::u16string& address) {
  return FWindow.AddStation(key, name, address);
}

void TPlayerBrowser::CloseBrowser() {
  if (FFrame) FFrame->FrameWindow().SetVisible(false);
}

std::vector<browser::TStationHit> TPlayerBrowser::Find(const std::u16string& query) const {
  std::vector<browser::TStationHit> hits;
  TDatabaseBox* database = FWindow.Database();
  if (!database) return hits;
  qor::TResultList found;
  qor::SearchByName(database->Items(), query, found);
  for (int32_t id : found.Values()) {
    if (hits.size() >= browser::MaxStationHits) break;
    int index = database->IndexOfId(id);
    if (auto* item = database->Item(index)) hits.push_back({item->Key, item->Name, item->Url});
  }
  return hits;
}

void TPlayerWindow::ShowBrowserPage(UINT message) { FBrowser->ShowPage(message); }

void TPlayerWindow::ReportStation(const std::u16string& key) { FBrowser->Report(key); }

void TPlayerWindow::CloseBrowser() { FBrowser->Close(); }

browser::TBrowserFrame* TPlayerWindow::BrowserFrame() const { return FBrowser->Frame(); }

browser::TExternalDispatch& TPlayerWindow::ExternalDispatch() { return FBrowser->Dispatch(); }

bool TPlayerWindow::BrowserAdministrator() const { return app::Globals().AdministratorMode; }

void TPlayerWindow::ListenTo(const std::u16string& name, const std::u16string& address) {
  if (WarnIfRecording()) return;
  FWasPlaying = false;
  Send(UM_STOP);
  if (IsPlaying()) return;
  FCurrentName = name;
  FCurrentUrl = address;
  Send(UM_PLAY, reinterpret_cast<WPARAM>(FCurrentName.c_str()), reinterpret_cast<LPARAM>(FCurrentUrl.c_str()));
}

}  // namespace ui
