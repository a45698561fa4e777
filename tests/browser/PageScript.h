// Helpers for tests that drive the real web view: run a script in the page
// and wait for its answers, wait for a page to complete, count the web
// processes. Shared by the browser's suite and the player window's.
#pragma once

#include <string>

#include "browser/BrowserEx.h"

namespace browsertest {

// Runs a script in the page shown; its value as text ("error: ..." when
// the script threw).
std::string RunScript(browser::TBrowserEx& frame, const std::string& script);
// Until the condition (a script expression) is true in the page.
bool WaitForScript(browser::TBrowserEx& frame, const std::string& condition, int maxMs = 20000);
// Until the page window shows a complete document.
bool WaitForPage(browser::TBrowserEx& frame, int maxMs = 30000);
// The web processes (WebKit's, and the sandbox helpers that start them)
// below this process.
int WebProcessCount();

}  // namespace browsertest
