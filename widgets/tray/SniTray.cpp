// The tray icon as a StatusNotifierItem on the session bus. Clicks arrive as
// method calls (Activate, SecondaryActivate, ContextMenu) and are posted to
// the icon's window as the mouse events a notification area would send.
#include <gio/gio.h>
#include <unistd.h>

#include <string>

#include "core/Encoding.h"
#include "widgets/Identity.h"
#include "widgets/tray/TrayItems.h"

namespace widgets {

namespace {

const char kItemXml[] =
    "<node><interface name='org.kde.StatusNotifierItem'>"
    "<property name='Category' type='s' access='read'/>"
    "<property name='Id' type='s' access='read'/>"
    "<property name='Title' type='s' access='read'/>"
    "<property name='Status' type='s' access='read'/>"
    "<property name='WindowId' type='i' access='read'/>"
    "<property name='IconName' type='s' access='read'/>"
    "<property name='IconPixmap' type='a(iiay)' access='read'/>"
    "<property name='ToolTip' type='(sa(iiay)ss)' access='read'/>"
    "<property name='ItemIsMenu' type='b' access='read'/>"
    "<property name='Menu' type='o' access='read'/>"
    "<method name='Activate'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/></method>"
    "<method name='SecondaryActivate'><arg name='x' type='i' direction='in'/>"
    "<arg name='y' type='i' direction='in'/></method>"
    "<method name='ContextMenu'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/></method>"
    "<method name='Scroll'><arg name='delta' type='i' direction='in'/>"
    "<arg name='orientation' type='s' direction='in'/></method>"
    "<signal name='NewTitle'/><signal name='NewIcon'/><signal name='NewToolTip'/>"
    "<signal name='NewStatus'><arg name='status' type='s'/></signal>"
    "</interface></node>";

const char kWatcherName[] = "org.kde.StatusNotifierWatcher";

GVariant* PixmapVariant(HICON icon) {
  GVariantBuilder list;
  g_variant_builder_init(&list, G_VARIANT_TYPE("a(iiay)"));
  TIconImage image = IconImage(icon);
  if (image.Width > 0) {
    std::string bytes;
    bytes.reserve(image.Argb.size() * 4);
    for (std::uint32_t p : image.Argb) {
      // Network byte order: A, R, G, B.
      bytes.push_back(static_cast<char>(p >> 24));
      bytes.push_back(static_cast<char>(p >> 16));
      bytes.push_back(static_cast<char>(p >> 8));
      bytes.push_back(static_cast<char>(p));
    }
    GVariant* data = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(), 1);
    g_variant_builder_add(&list, "(ii@ay)", image.Width, image.Height, data);
  }
  return g_variant_builder_end(&list);
}

class TSniHost : public TTrayHost {
 public:
  explicit TSniHost(GDBusConnection* bus) : FBus(bus) {
    FInfo = g_dbus_node_info_new_for_xml(kItemXml, nullptr);
  }

  ~TSniHost() override {
    while (auto item = FItems.TakeAny()) Unregister(*item);
    if (FInfo) g_dbus_node_info_unref(FInfo);
    g_object_unref(FBus);
  }

  const char* Kind() const override { return "StatusNotifierItem"; }

  bool Add(const TNotifyIconData& data) override {
    if (FItems.Contains(data) || !FInfo) return false;
    auto item = std::make_unique<TItem>();
    item->Host = this;
    item->Data = data;
    ++FCounter;
    item->Path = FCounter == 1 ? "/StatusNotifierItem" : "/StatusNotifierItem" + std::to_string(FCounter);
    item->Name = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(FCounter);
    static const GDBusInterfaceVTable vtable = {MethodCall, GetProperty, nullptr, {nullptr}};
    item->Registration = g_dbus_connection_register_object(FBus, item->Path.c_str(), FInfo->interfaces[0], &vtable,
                                                           item.get(), nullptr, nullptr);
    if (!item->Registration) return false;
    GVariant* owned = g_dbus_connection_call_sync(
        FBus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", item->Name.c_str(), 4u /* DO_NOT_QUEUE */), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
    if (owned) g_variant_unref(owned);
    // The first item registers by name; later ones by path (the watcher
    // then takes the connection's unique name).
    std::string service = FCounter == 1 ? item->Name : item->Path;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        FBus, kWatcherName, "/StatusNotifierWatcher", kWatcherName, "RegisterStatusNotifierItem",
        g_variant_new("(s)", service.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
    if (!reply) {
      if (error) g_error_free(error);
      g_dbus_connection_unregister_object(FBus, item->Registration);
      return false;
    }
    g_variant_unref(reply);
    FItems.Insert(std::move(item));
    return true;
  }

  bool Modify(const TNotifyIconData& data) override {
    TItem* item = FItems.Find(data);
    if (!item) return false;
    TTrayChange change = TTrayItems<TItem>::Update(*item, data);
    if (change.Icon) Emit(*item, "NewIcon");
    if (change.Tip) {
      Emit(*item, "NewToolTip");
      Emit(*item, "NewTitle");
    }
    ShowBalloon(data);
    return true;
  }

  bool Delete(const TNotifyIconData& data) override {
    auto item = FItems.Take(data);
    if (!item) return false;
    Unregister(*item);
    return true;
  }

 private:
  struct TItem {
    TSniHost* Host = nullptr;
    TNotifyIconData Data;
    std::string Path;
    std::string Name;
    guint Registration = 0;
  };
  void Unregister(const TItem& item) {
    g_dbus_connection_unregister_object(FBus, item.Registration);
    GVariant* reply = g_dbus_connection_call_sync(
        FBus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ReleaseName",
        g_variant_new("(s)", item.Name.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
    if (reply) g_variant_unref(reply);
  }

  void Emit(TItem& item, const char* signal) {
    g_dbus_connection_emit_signal(FBus, nullptr, item.Path.c_str(), "org.kde.StatusNotifierItem", signal, nullptr,
                                  nullptr);
  }

  static void Post(const TItem& item, std::initializer_list<UINT> events) {
    for (UINT e : events) PostMessage(item.Data.hWnd, item.Data.uCallbackMessage, item.Data.uID, e);
  }

  static void MethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant*,
                         GDBusMethodInvocation* invocation, gpointer data) {
    auto* item = static_cast<TItem*>(data);
    std::string name = method;
    // The host's primary action stands for the double-click that opens the
    // program's window; the context-menu request for a right click.
    if (name == "Activate")
      Post(*item, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
    else if (name == "SecondaryActivate")
      Post(*item, {WM_MBUTTONDOWN, WM_MBUTTONUP});
    else if (name == "ContextMenu")
      Post(*item, {WM_RBUTTONDOWN, WM_RBUTTONUP});
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }

  static GVariant* GetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* property,
                               GError**, gpointer data) {
    auto* item = static_cast<TItem*>(data);
    std::string name = property;
    std::string tip = (item->Data.uFlags & NIF_TIP) ? enc::Utf16ToUtf8(item->Data.szTip) : std::string();
    if (name == "Category") return g_variant_new_string("ApplicationStatus");
    if (name == "Id") return g_variant_new_string(ProgramId().c_str());
    if (name == "Title") return g_variant_new_string(tip.empty() ? ProgramName().c_str() : tip.c_str());
    if (name == "Status") return g_variant_new_string("Active");
    if (name == "WindowId") return g_variant_new_int32(0);
    if (name == "IconName") return g_variant_new_string("");
    if (name == "IconPixmap") return PixmapVariant(item->Data.hIcon);
    if (name == "ToolTip") {
      GVariantBuilder empty;
      g_variant_builder_init(&empty, G_VARIANT_TYPE("a(iiay)"));
      return g_variant_new("(sa(iiay)ss)", "", &empty, tip.c_str(), "");
    }
    if (name == "ItemIsMenu") return g_variant_new_boolean(FALSE);
    if (name == "Menu") return g_variant_new_object_path("/NO_DBUSMENU");
    return nullptr;
  }

  GDBusConnection* FBus;
  GDBusNodeInfo* FInfo = nullptr;
  TTrayItems<TItem> FItems;
  int FCounter = 0;
};

}  // namespace

std::unique_ptr<TTrayHost> CreateStatusNotifierHost() {
  if (!SessionBusAvailable()) return nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return nullptr;
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", kWatcherName),
                                                G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply) {
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
  }
  if (!owned) {
    g_object_unref(bus);
    return nullptr;
  }
  return std::make_unique<TSniHost>(bus);
}

}  // namespace widgets
