#include "widgets/tray/TrayHost.h"

#include <gio/gio.h>

#include "core/Encoding.h"
#include "widgets/Identity.h"

namespace widgets {

namespace {

class TNullTrayHost : public TTrayHost {
 public:
  bool Add(const TNotifyIconData&) override { return false; }
  bool Modify(const TNotifyIconData&) override { return false; }
  bool Delete(const TNotifyIconData&) override { return false; }
  const char* Kind() const override { return "none"; }
};

std::unique_ptr<TTrayHost>& Slot() {
  static std::unique_ptr<TTrayHost> host;
  return host;
}

}  // namespace

std::unique_ptr<TTrayHost> CreateNullTrayHost() { return std::make_unique<TNullTrayHost>(); }

TTrayHost& TrayHost() {
  auto& slot = Slot();
  if (!slot) slot = CreateStatusNotifierHost();
  if (!slot) slot = CreateStatusIconHost();
  if (!slot) slot = CreateNullTrayHost();
  return *slot;
}

void SetTrayHost(std::unique_ptr<TTrayHost> host) { Slot() = std::move(host); }

bool Shell_NotifyIcon(DWORD message, const TNotifyIconData& data) {
  TTrayHost& host = TrayHost();
  switch (message) {
    case NIM_ADD: return host.Add(data);
    case NIM_MODIFY: return host.Modify(data);
    case NIM_DELETE: return host.Delete(data);
    default: return false;
  }
}

bool SessionBusAvailable() {
  if (g_getenv("DBUS_SESSION_BUS_ADDRESS")) return true;
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  if (!runtime) return false;
  gchar* path = g_build_filename(runtime, "bus", nullptr);
  bool present = g_file_test(path, G_FILE_TEST_EXISTS);
  g_free(path);
  return present;
}

bool ShowNotification(const std::u16string& title, const std::u16string& text, UINT timeoutMs, DWORD infoFlags) {
  if (!SessionBusAvailable()) return false;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return false;
  const char* icon = infoFlags == NIIF_ERROR ? "dialog-error" : infoFlags == NIIF_WARNING ? "dialog-warning"
                     : infoFlags == NIIF_INFO ? "dialog-information" : "";
  std::string summary = enc::Utf16ToUtf8(title), body = enc::Utf16ToUtf8(text), sender = ProgramName();
  GVariantBuilder actions, hints;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
      "Notify",
      g_variant_new("(susssasa{sv}i)", sender.c_str(), 0u, icon, summary.c_str(), body.c_str(), &actions, &hints,
                    static_cast<gint32>(timeoutMs)),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, &error);
  bool ok = reply != nullptr;
  if (reply) g_variant_unref(reply);
  if (error) g_error_free(error);
  g_object_unref(bus);
  return ok;
}

void ShowBalloon(const TNotifyIconData& data) {
  if (!(data.uFlags & NIF_INFO) || data.szInfo.empty()) return;
  bool shown = ShowNotification(data.szInfoTitle, data.szInfo, data.uTimeout, data.dwInfoFlags);
  PostMessage(data.hWnd, data.uCallbackMessage, data.uID, shown ? NIN_BALLOONSHOW : NIN_BALLOONHIDE);
}

}  // namespace widgets
