// The player window's side of the embedded browser: the process-wide page
// script object (made with the window), the browser frame (made on the
// first page request, by the browser module loaded then), and what the
// pages may do to the player.
#pragma once

#include <memory>
#include <string>

#include "browser/BrowserFrame.h"
#include "browser/ExternalDispatch.h"

namespace ui {

class TPlayerWindow;

class TPlayerBrowser : public browser::TExternalHost {
 public:
  explicit TPlayerBrowser(TPlayerWindow& window);
  ~TPlayerBrowser() override;

  browser::TExternalDispatch& Dispatch() { return FDispatch; }
  // nullptr until the first page was asked for.
  browser::TBrowserFrame* Frame() const { return FFrame.get(); }
  // Creates the frame when needed, shows it and opens the page. When the
  // browser module cannot be loaded the window says why in a message box.
  void ShowPage(core::UINT message);
  // Reports a database entry as broken (its key) on the vendor's page.
  void Report(const std::u16string& key);
  // The player window closes: the frame closes with it.
  void Close();

  // browser::TExternalHost
  void ListenTo(const std::u16string& name, const std::u16string& address) override;
  int AddStation(const std::u16string& key, const std::u16string& name, const std::u16string& address) override;
  void CloseBrowser() override;

 private:
  browser::TBrowserFrame* NeedFrame();
  std::vector<browser::TStationHit> Find(const std::u16string& query) const;

  TPlayerWindow& FWindow;
  browser::TExternalDispatch FDispatch;
  std::unique_ptr<browser::TBrowserFrame> FFrame;
};

}  // namespace ui
