// The browser frame on the real GTK backend with the real web view, beside
// a stand-in player that records what the pages asked for.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "GtkFixture.h"
#include "PageScript.h"
#include "browser/BrowserEx.h"
#include "browser/ExternalDispatch.h"

namespace browsertest {

struct TStandInPlayer : browser::TExternalHost {
  void ListenTo(const std::u16string& name, const std::u16string& address) override {
    Listened.push_back({name, address});
  }
  int AddStation(const std::u16string& key, const std::u16string& name, const std::u16string& address) override {
    for (const auto& s : Added)
      if (!key.empty() && s[0] == key) return -1;
    Added.push_back({key, name, address});
    return 0;
  }
  void CloseBrowser() override { ++Closes; }

  std::vector<std::vector<std::u16string>> Listened, Added;
  int Closes = 0;
};

class TBrowserTest : public testwidgets::GtkDisplayTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  browser::TBrowserEx& Frame(bool withDispatch = true);
  // Shows a page message and waits until the document is complete.
  bool Open(core::UINT message);
  bool Load(const std::string& address);
  // Runs a script in the page; its value as text (empty on error).
  std::string Eval(const std::string& script);
  bool WaitFor(const std::string& condition, int maxMs = 20000);

  TStandInPlayer Player;
  std::unique_ptr<browser::TExternalDispatch> Dispatch;
  std::unique_ptr<browser::TBrowserEx> Browser;
  browser::TStationFinder Finder;
};

}  // namespace browsertest
