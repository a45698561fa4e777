#include "ui/window/PlayerSession.h"

#include "ui/window/PlayerWindow.h"

namespace ui {

TPlayerSession::TPlayerSession(TPlayerWindow& window) : FWindow(window) {
  // The system bus may be missing (containers, tests): then nothing is
  // announced and nothing is lost.
  FBus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
  if (!FBus) return;
  FSubscription = g_dbus_connection_signal_subscribe(
      FBus, "org.freedesktop.login1", "org.freedesktop.login1.Manager", "PrepareForShutdown",
      "/org/freedesktop/login1", nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &TPlayerSession::OnSignal, this, nullptr);
}

TPlayerSession::~TPlayerSession() {
  if (!FBus) return;
  if (FSubscription) g_dbus_connection_signal_unsubscribe(FBus, FSubscription);
  g_object_unref(FBus);
}

void TPlayerSession::OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                              GVariant* parameters, gpointer data) {
  gboolean starting = FALSE;
  if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) g_variant_get(parameters, "(b)", &starting);
  if (!starting) return;
  auto* self = static_cast<TPlayerSession*>(data);
  core::SendMessage(self->FWindow.WindowHandle(), core::WM_ENDSESSION, 1, 0);
}

}  // namespace ui
