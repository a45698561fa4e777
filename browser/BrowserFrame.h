// The browser frame as the player window sees it. WebKit costs the player
// tens of megabytes the moment it is loaded, so the frame lives in a module
// of its own (libqor-browser.so, see BrowserModule.h) that is loaded when
// the first page is asked for; this header is all the player needs of it,
// and it includes nothing of WebKit.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/Messages.h"
#include "widgets/paint/WindowEx.h"

namespace browser {

class TExternalDispatch;

// One hit of the station search of the built-in pages.
struct TStationHit {
  std::u16string Key;
  std::u16string Name;
  std::string Url;
};
using TStationFinder = std::function<std::vector<TStationHit>(const std::u16string& query)>;

// At most this many hits go back to the search page.
inline constexpr std::size_t MaxStationHits = 100;

struct TBrowserConfig {
  // The script object; without one, pages see no player members.
  TExternalDispatch* Dispatch = nullptr;
  bool Administrator = false;
  // The built-in search page asks this as the user types.
  TStationFinder FindStations;
};

class TBrowserFrame {
 public:
  virtual ~TBrowserFrame() = default;
  // Shows the frame and opens the page of a page message (Pages.h).
  virtual void ShowPage(core::UINT message) = 0;
  // The query of the next UM_BROWSER_REPORT.
  virtual void SetReportQuery(const std::u16string& query) = 0;
  // The frame's own window (shown, hidden, closed like any other).
  virtual widgets::TWindowEx& FrameWindow() = 0;
};

// What the module exports: a new frame, owned by the caller. The name
// carries the version of this interface, so that a module built against
// another one is refused instead of called.
using TFrameFactory = TBrowserFrame* (*)(TBrowserConfig* config);
inline constexpr const char* FrameFactoryName = "qor_browser_frame_v1";

}  // namespace browser

extern "C" browser::TBrowserFrame* qor_browser_frame_v1(browser::TBrowserConfig* config);
