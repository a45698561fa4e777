// What the browser's web views share: one WebKit context (made when the
// first page is asked for, so no web process runs before), the private
// socket of the page script object, and the built-in pages.
#pragma once

#include <memory>
#include <string>

#include "browser/BrowserFrame.h"
#include "browser/ExternalDispatch.h"

typedef struct _WebKitWebContext WebKitWebContext;

namespace browser {

class TExternalServer;

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
