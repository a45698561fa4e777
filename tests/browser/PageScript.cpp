#include "PageScript.h"

#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "MainLoop.h"

namespace browsertest {

std::string RunScript(browser::TBrowserEx& frame, const std::string& script) {
  struct TResult {
    bool done = false;
    std::string text;
  } result;
  webkit_web_view_evaluate_javascript(
      frame.Page()->View(), script.c_str(), -1, nullptr, nullptr, nullptr,
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

bool WaitForScript(browser::TBrowserEx& frame, const std::string& condition, int maxMs) {
  return testkit::PumpUntil([&] { return RunScript(frame, "String(!!(" + condition + "))") == "true"; }, maxMs);
}

bool WaitForPage(browser::TBrowserEx& frame, int maxMs) {
  return testkit::PumpUntil([&] { return !frame.Page()->Busy() && frame.Page()->PageOpacity() == 255; }, maxMs);
}

int WebProcessCount() {
  struct TProcess {
    int Pid, Parent;
    std::string Name;
  };
  std::vector<TProcess> all;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 4 > line.size()) continue;
    all.push_back({std::atoi(name.c_str()), std::atoi(line.c_str() + close + 4), line.substr(open + 1, close - open - 1)});
  }
  std::vector<int> ours = {::getpid()};
  int count = 0;
  for (bool grew = true; grew;) {
    grew = false;
    for (const TProcess& p : all) {
      if (std::find(ours.begin(), ours.end(), p.Pid) != ours.end()) continue;
      if (std::find(ours.begin(), ours.end(), p.Parent) == ours.end()) continue;
      ours.push_back(p.Pid);
      grew = true;
      if (p.Name.find("WebKit") != std::string::npos || p.Name == "bwrap" || p.Name == "xdg-dbus-proxy") ++count;
    }
  }
  return count;
}

}  // namespace browsertest
