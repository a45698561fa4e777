#include "browser/BrowserWindow.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "browser/BuiltinPages.h"
#include "browser/WebSession.h"
#include "core/Encoding.h"

namespace browser {

using namespace widgets;

namespace {

TBrowserWindow* Self(gpointer data) { return static_cast<TBrowserWindow*>(data); }

void Fire(const std::function<void()>& event) {
  if (event) event();
}

}  // namespace

TBrowserWindow::TBrowserWindow(core::TComponent* owner, TWebSession& session) : TWindow(owner), FSession(session) {
  SetClassNameW(u"TBrowserWindow");
}

TBrowserWindow::~TBrowserWindow() { DestroyHandle(); }

void TBrowserWindow::CreateParams(TCreateParams& params) {
  TWindow::CreateParams(params);
  params.Style = WS_POPUP | WS_CLIPSIBLINGS;
  params.ExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
}

void TBrowserWindow::CreateNativeWindow(const TCreateParams& params) {
  TWindow::CreateNativeWindow(params);
  if (NativeWindow()) NativeWindow()->SetOpacity(FPageOpacity);
}

void TBrowserWindow::DestroyWindowHandle() {
  // The view dies with its GTK window; forget it first so that no signal
  // reaches a half-destroyed window.
  if (FView) {
    g_signal_handlers_disconnect_by_data(FView, this);
    FView = nullptr;
  }
  TWindow::DestroyWindowHandle();
}

void TBrowserWindow::CreateView() {
  if (FView) return;
  if (!HandleAllocated()) HandleNeeded();
  auto* window = NativeWindow() ? static_cast<GtkWidget*>(NativeWindow()->NativeHandle()) : nullptr;
  WebKitSettings* settings = webkit_settings_new();
  // Software GL costs a whole core for pages that need none of it.
  webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  webkit_settings_set_enable_developer_extras(settings, Administrator);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  FView = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", FSession.Context(), "settings", settings,
                                       nullptr));
  g_object_unref(settings);
  GdkRGBA background{0.12, 0.12, 0.12, 1.0};
  webkit_web_view_set_background_color(FView, &background);

  g_signal_connect(FView, "notify::estimated-load-progress", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     auto* self = Self(data);
                     if (self->OnProgressChange)
                       self->OnProgressChange(webkit_web_view_get_estimated_load_progress(self->View()), 1.0);
                   }),
                   this);
  g_signal_connect(FView, "notify::is-loading", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     Fire(Self(data)->OnPropertyChange);
                   }),
                   this);
  g_signal_connect(FView, "notify::title", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     auto* self = Self(data);
                     const char* title = webkit_web_view_get_title(self->View());
                     if (self->OnTitleChange) self->OnTitleChange(enc::Utf8ToUtf16(title ? title : ""));
                   }),
                   this);
  g_signal_connect(FView, "notify::uri", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     Self(data)->History();
                   }),
                   this);
  g_signal_connect(FView, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer data) {
                     auto* self = Self(data);
                     if (self->ShowBlockedAddress(event)) return;
                     switch (event) {
                       case WEBKIT_LOAD_STARTED: Fire(self->OnBeforeNavigate); break;
                       case WEBKIT_LOAD_COMMITTED: Fire(self->OnNavigateComplete); break;
                       case WEBKIT_LOAD_FINISHED: Fire(self->OnDocumentComplete); break;
                       default: break;
                     }
                     self->History();
                   }),
                   this);
  // A page that cannot be loaded would leave the frame empty and dark:
  // say what went wrong instead.
  g_signal_connect(FView, "load-failed",
                   G_CALLBACK(+[](WebKitWebView* view, WebKitLoadEvent, gchar* uri, GError* error, gpointer) -> gboolean {
                     std::string page = LoadErrorPage(uri ? uri : "", error);
                     if (page.empty()) return FALSE;
                     webkit_web_view_load_alternate_html(view, page.c_str(), uri, nullptr);
                     return TRUE;
                   }),
                   nullptr);
  g_signal_connect(FView, "context-menu",
                   G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult* hit,
                                  gpointer data) -> gboolean {
                     bool editable = hit && webkit_hit_test_result_context_is_editable(hit);
                     return Self(data)->ContextMenuAllowed(editable) ? FALSE : TRUE;
                   }),
                   this);
  if (window) gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(FView));
  gtk_widget_show(GTK_WIDGET(FView));
}

void TBrowserWindow::History() {
  if (!FView || !OnCommandStateChange) return;
  OnCommandStateChange(CSC_NAVIGATEBACK, webkit_web_view_can_go_back(FView));
  OnCommandStateChange(CSC_NAVIGATEFORWARD, webkit_web_view_can_go_forward(FView));
}

void TBrowserWindow::Navigate(const std::string& address) {
  // Without a display (offscreen tests) there is no GTK and no web view:
  // the page is only remembered.
  if (Backend().IsOffscreen()) {
    FOffscreenAddress = address;
    return;
  }
  CreateView();
  webkit_web_view_load_uri(FView, address.c_str());
}

bool TBrowserWindow::ShowBlockedAddress(int event) {
  // An address on a port the engine refuses to use (9, 25, ...) ends as
  // an empty page without any failure being reported.
  const char* uri = webkit_web_view_get_uri(FView);
  if (event == WEBKIT_LOAD_STARTED) FRequested = uri ? uri : "";
  if (event != WEBKIT_LOAD_FINISHED) return false;
  std::string requested = std::move(FRequested);
  FRequested.clear();
  if (!uri || std::string(uri) != "about:blank" || requested.empty() || requested == "about:blank") return false;
  std::string page = LoadErrorPage(requested, nullptr);
  if (page.empty()) return false;
  webkit_web_view_load_alternate_html(FView, page.c_str(), requested.c_str(), nullptr);
  return true;
}

void TBrowserWindow::GoBack() {
  if (FView) webkit_web_view_go_back(FView);
}

void TBrowserWindow::GoForward() {
  if (FView) webkit_web_view_go_forward(FView);
}

void TBrowserWindow::Refresh() {
  if (FView) webkit_web_view_reload(FView);
}

void TBrowserWindow::Stop() {
  if (FView) webkit_web_view_stop_loading(FView);
}

bool TBrowserWindow::Busy() const { return FView && webkit_web_view_is_loading(FView); }

std::string TBrowserWindow::Address() const {
  if (!FView) return FOffscreenAddress;
  const char* uri = webkit_web_view_get_uri(FView);
  return uri ? uri : "";
}

void TBrowserWindow::SetPageOpacity(std::uint8_t value) {
  FPageOpacity = value;
  if (NativeWindow()) NativeWindow()->SetOpacity(value);
  Apply();
}

void TBrowserWindow::SetShown(bool shown) {
  FShown = shown;
  Apply();
}

void TBrowserWindow::Apply() {
  bool composited = NativeWindow() && NativeWindow()->IsComposited();
  SetVisible(FShown && (FPageOpacity > 0 || composited));
}

}  // namespace browser
