// The StatusNotifierItem tray against a stand-in watcher on the session bus
// (CI runs the tests inside dbus-run-session). The watcher lives on its own
// connection and thread, as a panel would in its own process.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "MainLoop.h"
#include "support/Encoding.h"
#include "widgets/tray/TrayIcon.h"

using namespace widgets;
using testkit::PumpUntil;

namespace {

const char kWatcherXml[] =
    "<node><interface name='org.kde.StatusNotifierWatcher'>"
    "<method name='RegisterStatusNotifierItem'><arg name='service' type='s' direction='in'/></method>"
    "</interface></node>";

class TFakeWatcher {
 public:
  TFakeWatcher() {
    FThread = std::thread([this] { Run(); });
    while (!FReady) std::this_thread::yield();
  }
  ~TFakeWatcher() {
    if (FLoop) g_main_context_invoke(FContext, [](gpointer loop) -> gboolean {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return G_SOURCE_REMOVE;
      }, FLoop);
    FThread.join();
  }
  bool Ok() const { return FOk; }
  GDBusConnection* Bus() const { return FBus; }
  std::string Registered() {
    std::lock_guard<std::mutex> guard(FLock);
    return FService;
  }

 private:
  void Run() {
    FContext = g_main_context_new();
    g_main_context_push_thread_default(FContext);
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (address)
      FBus = g_dbus_connection_new_for_address_sync(
          address,
          GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                               G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
          nullptr, nullptr, nullptr);
    g_free(address);
    GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
    if (FBus) {
      static const GDBusInterfaceVTable vtable = {Method, nullptr, nullptr, {nullptr}};
      g_dbus_connection_register_object(FBus, "/StatusNotifierWatcher", info->interfaces[0], &vtable, this, nullptr,
                                        nullptr);
      GVariant* reply = g_dbus_connection_call_sync(
          FBus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
          g_variant_new("(su)", "org.kde.StatusNotifierWatcher", 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
          2000, nullptr, nullptr);
      if (reply) {
        guint32 result = 0;
        g_variant_get(reply, "(u)", &result);
        FOk = result == 1;
        g_variant_unref(reply);
      }
    }
    FLoop = g_main_loop_new(FContext, FALSE);
    FReady = true;
    g_main_loop_run(FLoop);
    g_main_loop_unref(FLoop);
    if (FBus) g_object_unref(FBus);
    g_dbus_node_info_unref(info);
    g_main_context_pop_thread_default(FContext);
    g_main_context_unref(FContext);
  }

  static void Method(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar*,
                     GVariant* params, GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<TFakeWatcher*>(data);
    const gchar* service = nullptr;
    g_variant_get(params, "(&s)", &service);
    {
      std::lock_guard<std::mutex> guard(self->FLock);
      self->FService = service;
      self->FSender = sender;
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }

  std::thread FThread;
  std::atomic<bool> FReady{false};
  bool FOk = false;
  GMainContext* FContext = nullptr;
  GMainLoop* FLoop = nullptr;
  GDBusConnection* FBus = nullptr;
  std::mutex FLock;
  std::string FService;
  std::string FSender;
};

TEST(StatusNotifierTray, RegistersAnswersPropertiesAndTurnsCallsIntoClicks) {
  ASSERT_TRUE(SessionBusAvailable()) << "no session bus (the suites run under dbus-run-session)";
  TFakeWatcher watcher;
  ASSERT_TRUE(watcher.Ok()) << "watcher name taken or bus unusable";
  auto host = CreateStatusNotifierHost();
  ASSERT_NE(host, nullptr);
  EXPECT_STREQ(host->Kind(), "StatusNotifierItem");
  SetTrayHost(std::move(host));
  const std::string program = g_get_prgname() ? g_get_prgname() : "";
  g_set_prgname("deneme-oynatici");
  {
    TTrayIcon tray;
    tray.SetHintText(u"QOR - Radyo");
    tray.SetIcon(CreateIconFromArgb(2, 1, {0xFF102030, 0x00000000}));
    std::vector<std::string> seen;
    tray.OnMouseDown = [&](TObject*, UINT k, int, int) { seen.push_back("down " + std::to_string(k)); };
    tray.OnMouseUp = [&](TObject*, UINT k, int, int) { seen.push_back("up " + std::to_string(k)); };
    tray.OnClick = [&](TObject*, UINT, int, int) { seen.push_back("click"); };
    tray.OnDblClick = [&](TObject*) { seen.push_back("dbl"); };
    tray.SetVisibleTray(true);
    std::string item = watcher.Registered();
    ASSERT_EQ(item.rfind("org.kde.StatusNotifierItem-", 0), 0u) << item;

    // The panel's side: read the tooltip and the pixmap, then right-click
    // and activate.
    std::string tip, id;
    int pixmapWidth = 0;
    std::string firstPixel;
    std::atomic<bool> done{false};
    std::thread panel([&] {
      auto get = [&](const char* property) -> GVariant* {
        return g_dbus_connection_call_sync(watcher.Bus(), item.c_str(), "/StatusNotifierItem",
                                           "org.freedesktop.DBus.Properties", "Get",
                                           g_variant_new("(ss)", "org.kde.StatusNotifierItem", property),
                                           G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
      };
      if (GVariant* reply = get("Id")) {
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        id = g_variant_get_string(value, nullptr);
        g_variant_unref(value);
        g_variant_unref(reply);
      }
      if (GVariant* reply = get("ToolTip")) {
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        const gchar* title = nullptr;
        g_variant_get_child(value, 2, "&s", &title);
        tip = title;
        g_variant_unref(value);
        g_variant_unref(reply);
      }
      if (GVariant* reply = get("IconPixmap")) {
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        if (g_variant_n_children(value) == 1) {
          GVariant* entry = g_variant_get_child_value(value, 0);
          gint32 w = 0, h = 0;
          GVariant* bytes = nullptr;
          g_variant_get(entry, "(ii@ay)", &w, &h, &bytes);
          pixmapWidth = w;
          gsize n = 0;
          const char* data = static_cast<const char*>(g_variant_get_fixed_array(bytes, &n, 1));
          firstPixel.assign(data, std::min<gsize>(n, 4));
          g_variant_unref(bytes);
          g_variant_unref(entry);
        }
        g_variant_unref(value);
        g_variant_unref(reply);
      }
      for (const char* method : {"ContextMenu", "Activate"}) {
        GVariant* reply = g_dbus_connection_call_sync(watcher.Bus(), item.c_str(), "/StatusNotifierItem",
                                                      "org.kde.StatusNotifierItem", method, g_variant_new("(ii)", 5, 5),
                                                      nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        if (reply) g_variant_unref(reply);
      }
      done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done && seen.size() >= 7; }));
    panel.join();
    EXPECT_EQ(tip, "QOR - Radyo");
    EXPECT_EQ(id, "deneme-oynatici") << "the item is named by the program, not by the toolkit";
    EXPECT_EQ(pixmapWidth, 2);
    EXPECT_EQ(firstPixel, std::string("\xFF\x10\x20\x30", 4)) << "ARGB in network byte order";
    EXPECT_EQ(seen, (std::vector<std::string>{"down 2", "up 2", "down 1", "click", "up 1", "dbl", "up 1"}));
  }
  SetTrayHost(nullptr);
  g_set_prgname(program.c_str());
}

}  // namespace
