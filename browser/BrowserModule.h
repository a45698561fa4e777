// Loading the browser module: libqor-browser.so beside the program (the
// build tree) or in ../lib/qor (installed), or the file QOR_BROWSER_MODULE
// names. It is loaded once, on the first page, and stays loaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "browser/BrowserFrame.h"

namespace browser {

inline constexpr const char* ModuleFile = "libqor-browser.so";

// The files tried, in order.
std::vector<std::string> ModuleCandidates();
// A new frame from the module; nullptr, with the reason in `error`, when
// the module is missing or unusable.
std::unique_ptr<TBrowserFrame> MakeBrowserFrame(TBrowserConfig config, std::string& error);
// A program that has the browser linked in (the player window's tests)
// hands its factory over, and no module is loaded; nullptr goes back to
// loading the module.
void UseLinkedBrowser(TFrameFactory factory);

}  // namespace browser
