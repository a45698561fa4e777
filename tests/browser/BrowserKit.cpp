#include "BrowserKit.h"

#include <unistd.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <fstream>

#include "MainLoop.h"
#include "support/Deploy.h"

namespace browsertest {

int WebProcessCount() {
  // Walks /proc for descendants of this process.
  std::vector<std::pair<int, int>> parents;  // pid, ppid
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::string comm = line.substr(line.find('(') + 1, close - line.find('(') - 1);
    int ppid = std::atoi(line.c_str() + close + 4);
    parents.push_back({std::atoi(name.c_str()), ppid});
    names.push_back(comm);
  }
  std::vector<int> ours = {::getpid()};
  int count = 0;
  for (bool grew = true; grew;) {
    grew = false;
    for (size_t i = 0; i < parents.size(); ++i) {
      int pid = parents[i].first;
      if (std::find(ours.begin(), ours.end(), pid) != ours.end()) continue;
      if (std::find(ours.begin(), ours.end(), parents[i].second) == ours.end()) continue;
      ours.push_back(pid);
      grew = true;
      if (names[i].find("WebKit") != std::string::npos || names[i] == "bwrap" ||
          names[i].find("xdg-dbus-proxy") != std::string::npos)
        ++count;
    }
  }
  return count;
}

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
  return testkit::PumpUntil([&] { return !Browser->Page()->Busy() && Browser->Page()->PageOpacity() == 255; },
                            30000);
}

bool TBrowserTest::Load(const std::string& address) {
  Frame();
  if (!Browser->Visible()) Browser->ShowPage(0);
  Browser->Page()->SetPageOpacity(0);
  Browser->Page()->Navigate(address);
  return testkit::PumpUntil([&] { return !Browser->Page()->Busy() && Browser->Page()->PageOpacity() == 255; },
                            30000);
}

std::string TBrowserTest::Eval(const std::string& script) {
  struct TResult {
    bool done = false;
    std::string text;
  } result;
  webkit_web_view_evaluate_javascript(
      Browser->Page()->View(), script.c_str(), -1, nullptr, nullptr, nullptr,
      +[](GObject* view, GAsyncResult* async, gpointer data) {
        auto* r = static_cast<TResult*>(data);
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), async, &error);
        if (value) {
          gchar* text = jsc_value_to_string(value);
          r->text = text ? text : "";
          g_free(text);
          g_object_unref(value);
        } else {
          r->text = std::string("error: ") + (error ? error->message : "");
          g_clear_error(&error);
        }
        r->done = true;
      },
      &result);
  testkit::PumpUntil([&] { return result.done; }, 30000);
  return result.text;
}

bool TBrowserTest::WaitFor(const std::string& condition, int maxMs) {
  return testkit::PumpUntil([&] { return Eval("String(!!(" + condition + "))") == "true"; }, maxMs);
}

}  // namespace browsertest
