// What the browser's web views share: one WebKit context (made when the
// first page is asked for, so no web process runs before), the private
// socket of the page script object, and the built-in pages.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/ExternalDispatch.h"

typedef struct _WebKitWebContext WebKitWebContext;

namespace browser {

class TExternalServer;

// One hit of the station search of the built-in pages.
struct TStationHit {
  std::u16string Key;
  std::u16string Name;
  std::string Url;
};
using TStationFinder = std::function<std::vector<TStationHit>(const std::u16string& query)>;

struct TBrowserConfig {
  // The script object; without one, pages see no player members.
  TExternalDispatch* Dispatch = nullptr;
  bool Administrator = false;
  // The built-in search page asks this as the user types.
  TStationFinder FindStations;
};

class TWebSession {
 public:
  explicit TWebSession(TBrowserConfig config);
  ~TWebSession();

  WebKitWebContext* Context();
  bool Started() const { return FContext != nullptr; }
  const TBrowserConfig& Config() const { return FConfig; }
  TExternalServer* Server() const { return FServer.get(); }

 private:
  TBrowserConfig FConfig;
  WebKitWebContext* FContext = nullptr;
  std::unique_ptr<TExternalServer> FServer;
};

// The folder that holds the web extension: beside an installed program
// (../lib/qor/web-extensions), else the build tree's.
std::string WebExtensionFolder();

}  // namespace browser
