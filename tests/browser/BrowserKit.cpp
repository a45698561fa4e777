#include "BrowserKit.h"

#include "MainLoop.h"
#include "support/Deploy.h"

namespace browsertest {

void TBrowserTest::SetUp() {
  testwidgets::GtkDisplayTest::SetUp();
  if (IsSkipped()) return;
  deploy::Reset();
  Dispatch = std::make_unique<browser::TExternalDispatch>(Player);
}

void TBrowserTest::TearDown() {
  Browser.reset();
  Dispatch.reset();
  deploy::Reset();
  testwidgets::GtkDisplayTest::TearDown();
}

browser::TBrowserEx& TBrowserTest::Frame(bool withDispatch) {
  if (!Browser) {
    browser::TBrowserConfig config;
    config.Dispatch = withDispatch ? Dispatch.get() : nullptr;
    config.FindStations = [this](const std::u16string& q) {
      return Finder ? Finder(q) : std::vector<browser::TStationHit>{};
    };
    Browser = std::make_unique<browser::TBrowserEx>(config);
  }
  return *Browser;
}

bool TBrowserTest::Open(core::UINT message) {
  Frame().ShowPage(message);
  return WaitForPage(*Browser);
}

bool TBrowserTest::Load(const std::string& address) {
  Frame();
  if (!Browser->Visible()) Browser->ShowPage(0);
  Browser->Page()->SetPageOpacity(0);
  Browser->Page()->Navigate(address);
  return WaitForPage(*Browser);
}

std::string TBrowserTest::Eval(const std::string& script) { return RunScript(*Browser, script); }

bool TBrowserTest::WaitFor(const std::string& condition, int maxMs) { return WaitForScript(*Browser, condition, maxMs); }

}  // namespace browsertest
