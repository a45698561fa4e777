// The one entry of the browser module: the player finds it by name
// (BrowserModule.cpp) and makes its frames through it.
#include "browser/BrowserEx.h"
#include "browser/BrowserFrame.h"

extern "C" __attribute__((visibility("default"))) browser::TBrowserFrame* qor_browser_frame_v1(
    browser::TBrowserConfig* config) {
  return new browser::TBrowserEx(std::move(*config));
}
