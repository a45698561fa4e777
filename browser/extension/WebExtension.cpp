// Runs inside the browser's web process. On our own pages it puts the
// player's script object at window.external: every member lookup and call
// becomes a request on the player's private socket, answered before the
// script goes on, as the pages expect. Other pages get nothing.
#include <jsc/jsc.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <webkit2/webkit-web-extension.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "browser/ExternalWire.h"

namespace {

struct TSettings {
  std::string SocketPath, Token;
  std::vector<std::string> Origins;
};
TSettings gSettings;
int gSocket = -1;

void Disconnect() {
  if (gSocket >= 0) ::close(gSocket);
  gSocket = -1;
}

bool Connect() {
  if (gSocket >= 0) return true;
  sockaddr_un address{};
  if (gSettings.SocketPath.empty() || gSettings.SocketPath.size() >= sizeof(address.sun_path)) return false;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, gSettings.SocketPath.c_str(), gSettings.SocketPath.size() + 1);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(fd);
    return false;
  }
  // The player answers at once unless it shows a message box first; a
  // player that never answers must not freeze the page for ever.
  timeval limit{120, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  gSocket = fd;
  return true;
}

// Sends one request and waits for its reply; nullptr (and an error text)
// when the player cannot be reached.
GVariant* Ask(const std::string& page, const char* operation, const std::string& name, GVariant* args,
              std::string& error) {
  if (!Connect()) {
    error = "QOR is not reachable";
    return nullptr;
  }
  std::string out = browser::Frame(g_variant_new("(ssss@av)", gSettings.Token.c_str(), page.c_str(),
                                                 operation, name.c_str(), args));
  size_t sent = 0;
  while (sent < out.size()) {
    ssize_t n = ::send(gSocket, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Disconnect();
      error = "QOR is not reachable";
      return nullptr;
    }
    sent += static_cast<size_t>(n);
  }
  std::string in;
  char chunk[4096];
  for (;;) {
    GVariant* reply = nullptr;
    int got = browser::TakeFrame(in, browser::ReplyType, &reply);
    if (got > 0) return reply;
    if (got < 0) break;
    ssize_t n = ::read(gSocket, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    in.append(chunk, static_cast<size_t>(n));
  }
  Disconnect();
  error = "QOR did not answer";
  return nullptr;
}

JSCValue* ToScript(JSCContext* context, GVariant* boxed) {
  GVariant* v = g_variant_get_variant(boxed);
  JSCValue* out;
  if (g_variant_is_of_type(v, G_VARIANT_TYPE_BOOLEAN)) out = jsc_value_new_boolean(context, g_variant_get_boolean(v));
  else if (g_variant_is_of_type(v, G_VARIANT_TYPE_INT32)) out = jsc_value_new_number(context, g_variant_get_int32(v));
  else if (g_variant_is_of_type(v, G_VARIANT_TYPE_DOUBLE)) out = jsc_value_new_number(context, g_variant_get_double(v));
  else if (g_variant_is_of_type(v, G_VARIANT_TYPE_STRING))
    out = jsc_value_new_string(context, g_variant_get_string(v, nullptr));
  else out = jsc_value_new_undefined(context);
  g_variant_unref(v);
  return out;
}

GVariant* FromScript(JSCValue* value) {
  if (jsc_value_is_boolean(value)) return g_variant_new_variant(g_variant_new_boolean(jsc_value_to_boolean(value)));
  if (jsc_value_is_number(value)) return g_variant_new_variant(g_variant_new_double(jsc_value_to_double(value)));
  if (jsc_value_is_undefined(value) || jsc_value_is_null(value))
    return g_variant_new_variant(g_variant_new_tuple(nullptr, 0));
  gchar* text = jsc_value_to_string(value);
  GVariant* out = g_variant_new_variant(g_variant_new_string(text ? text : ""));
  g_free(text);
  return out;
}

// One object per document: the page it belongs to and the member kinds
// already asked for.
struct TExternal {
  std::string Page;
  std::map<std::string, int> Kinds;
};

struct TMethod {
  std::string Page, Name;
};

int KindOf(TExternal* external, const char* name) {
  auto it = external->Kinds.find(name);
  if (it != external->Kinds.end()) return it->second;
  std::string error;
  GVariant* reply = Ask(external->Page, "lookup", name, g_variant_new_array(G_VARIANT_TYPE_VARIANT, nullptr, 0), error);
  int kind = browser::mkNone;
  if (reply) {
    gboolean ok = FALSE;
    GVariant* value = nullptr;
    const gchar* message = nullptr;
    g_variant_get(reply, "(bv&s)", &ok, &value, &message);
    if (ok && g_variant_is_of_type(value, G_VARIANT_TYPE_INT32)) kind = g_variant_get_int32(value);
    g_variant_unref(value);
    g_variant_unref(reply);
    external->Kinds[name] = kind;  // only answers are remembered, not failures
  }
  return kind;
}

// Runs a call or a property read; a failure becomes a script exception.
JSCValue* Invoke(JSCContext* context, const std::string& page, const char* operation, const std::string& name,
                 GPtrArray* args) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("av"));
  for (guint i = 0; args && i < args->len; ++i)
    g_variant_builder_add_value(&builder, FromScript(static_cast<JSCValue*>(g_ptr_array_index(args, i))));
  std::string error;
  GVariant* reply = Ask(page, operation, name, g_variant_builder_end(&builder), error);
  if (!reply) {
    jsc_context_throw(context, error.c_str());
    return jsc_value_new_undefined(context);
  }
  gboolean ok = FALSE;
  GVariant* value = nullptr;
  const gchar* message = nullptr;
  g_variant_get(reply, "(bv&s)", &ok, &value, &message);
  JSCValue* result;
  if (ok) {
    GVariant* boxed = g_variant_new_variant(value);
    g_variant_ref_sink(boxed);
    result = ToScript(context, boxed);
    g_variant_unref(boxed);
  } else {
    jsc_context_throw(context, message);
    result = jsc_value_new_undefined(context);
  }
  g_variant_unref(value);
  g_variant_unref(reply);
  return result;
}

JSCValue* CallMethod(GPtrArray* args, gpointer data) {
  auto* method = static_cast<TMethod*>(data);
  return Invoke(jsc_context_get_current(), method->Page, "call", method->Name, args);
}

void FreeMethod(gpointer data) { delete static_cast<TMethod*>(data); }

JSCValue* GetProperty(JSCClass*, JSCContext* context, gpointer instance, const char* name) {
  auto* external = static_cast<TExternal*>(instance);
  int kind = KindOf(external, name);
  if (kind == browser::mkMethod) {
    return jsc_value_new_function_variadic(context, name, G_CALLBACK(CallMethod), new TMethod{external->Page, name},
                                           FreeMethod, JSC_TYPE_VALUE);
  }
  if (kind == browser::mkProperty) return Invoke(context, external->Page, "get", name, nullptr);
  return nullptr;
}

gboolean HasProperty(JSCClass*, JSCContext*, gpointer instance, const char* name) {
  return KindOf(static_cast<TExternal*>(instance), name) != browser::mkNone;
}

gboolean SetProperty(JSCClass*, JSCContext*, gpointer instance, const char* name, JSCValue*) {
  // The members are read-only; assignments to them are ignored.
  return KindOf(static_cast<TExternal*>(instance), name) != browser::mkNone;
}

void FreeExternal(gpointer instance) { delete static_cast<TExternal*>(instance); }

bool OwnPage(const char* uri) {
  if (!uri) return false;
  std::string origin = browser::OriginOf(uri);
  if (origin.empty()) return false;
  for (const auto& allowed : gSettings.Origins)
    if (origin == allowed) return true;
  return false;
}

void WindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage*, WebKitFrame* frame, gpointer) {
  const char* uri = webkit_frame_get_uri(frame);
  if (!OwnPage(uri)) return;
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
  static JSCClassVTable vtable = {GetProperty, SetProperty, HasProperty, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr};
  // A context is cleared again on some navigations; its class stays.
  auto* external = static_cast<JSCClass*>(g_object_get_data(G_OBJECT(context), "qor-external-class"));
  if (!external) {
    external = jsc_context_register_class(context, "External", nullptr, &vtable, FreeExternal);
    g_object_set_data(G_OBJECT(context), "qor-external-class", external);
  }
  JSCValue* object = jsc_value_new_object(context, new TExternal{uri, {}}, external);
  JSCValue* global = jsc_context_get_global_object(context);
  jsc_value_object_define_property_data(global, "external",
                                        JSCValuePropertyFlags(JSC_VALUE_PROPERTY_CONFIGURABLE), object);
  g_object_unref(global);
  g_object_unref(object);
  g_object_unref(context);
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension*,
                                                                               const GVariant* data) {
  GVariant* settings = const_cast<GVariant*>(data);
  if (!settings || !g_variant_is_of_type(settings, G_VARIANT_TYPE("(ssas)"))) return;
  const gchar *path = nullptr, *token = nullptr;
  GVariantIter* origins = nullptr;
  g_variant_get(settings, "(&s&sas)", &path, &token, &origins);
  gSettings.SocketPath = path;
  gSettings.Token = token;
  gchar* origin = nullptr;
  while (g_variant_iter_next(origins, "s", &origin)) {
    gSettings.Origins.emplace_back(origin);
    g_free(origin);
  }
  g_variant_iter_free(origins);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared", G_CALLBACK(WindowObjectCleared),
                   nullptr);
}
