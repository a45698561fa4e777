#include "browser/WebSession.h"

#include <unistd.h>
#include <webkit2/webkit2.h>

#include <filesystem>

#include "browser/BuiltinPages.h"
#include "browser/ExternalServer.h"
#include "browser/ExternalWire.h"
#include "browser/Pages.h"
#include "platform/Folders.h"

namespace browser {

namespace {

constexpr const char* kExtensionFile = "libqor-web-extension.so";

void ServeScheme(WebKitURISchemeRequest* request, gpointer data) {
  ServeBuiltinPage(request, static_cast<TWebSession*>(data)->Config().FindStations);
}

}  // namespace

std::string WebExtensionFolder() {
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    std::filesystem::path installed = program.parent_path().parent_path() / "lib" / "qor" / "web-extensions";
    if (std::filesystem::exists(installed / kExtensionFile, ec)) return installed.string();
  }
  return QOR_WEB_EXTENSION_BUILD_DIR;
}

TWebSession::TWebSession(TBrowserConfig config) : FConfig(std::move(config)) {}

TWebSession::~TWebSession() {
  if (FContext) g_object_unref(FContext);
}

WebKitWebContext* TWebSession::Context() {
  if (FContext) return FContext;
  FContext = webkit_web_context_new_ephemeral();
  // Pages run in a sandbox of their own; the socket folder is the one place
  // they need to reach besides what WebKit grants.
  webkit_web_context_set_sandbox_enabled(FContext, TRUE);
  std::string socketPath, token;
  if (FConfig.Dispatch) {
    std::string runtime = platform::RuntimeFolder();
    FServer = std::make_unique<TExternalServer>(*FConfig.Dispatch, [admin = FConfig.Administrator](
                                                                       const std::string& page) {
      return IsOwnPage(page, admin);
    });
    if (!runtime.empty() && FServer->Start(runtime + "browser-" + std::to_string(::getpid()))) {
      socketPath = FServer->SocketPath();
      token = FServer->Token();
      webkit_web_context_add_path_to_sandbox(FContext, std::filesystem::path(socketPath).parent_path().c_str(), FALSE);
    } else {
      FServer.reset();
    }
  }
  GVariantBuilder origins;
  g_variant_builder_init(&origins, G_VARIANT_TYPE("as"));
  if (FServer) {
    g_variant_builder_add(&origins, "s", BuiltinOrigin);
    std::string vendor = OriginOf(BrowserBase(FConfig.Administrator));
    if (!vendor.empty()) g_variant_builder_add(&origins, "s", vendor.c_str());
  }
  webkit_web_context_set_web_extensions_directory(FContext, WebExtensionFolder().c_str());
  webkit_web_context_set_web_extensions_initialization_user_data(
      FContext, g_variant_new("(ssas)", socketPath.c_str(), token.c_str(), &origins));
  webkit_web_context_register_uri_scheme(FContext, BuiltinScheme, ServeScheme, this, nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(FContext);
  webkit_security_manager_register_uri_scheme_as_secure(security, BuiltinScheme);
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, BuiltinScheme);
  return FContext;
}

}  // namespace browser
