#include "platform/PowerActions.h"

#include <gio/gio.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

namespace {

constexpr const char* Logind = "org.freedesktop.login1";
constexpr const char* ManagerPath = "/org/freedesktop/login1";
constexpr const char* ManagerInterface = "org.freedesktop.login1.Manager";
constexpr int CallTimeoutMs = 10000;

std::string Take(GError* error) {
  std::string text = error && error->message ? error->message : "unknown error";
  if (error) g_error_free(error);
  return text;
}

GDBusConnection* OpenBus(std::string& error) {
  GError* failure = nullptr;
  GDBusConnection* bus = nullptr;
  const char* address = std::getenv(LogindBusVariable);
  if (address && *address) {
    bus = g_dbus_connection_new_for_address_sync(
        address,
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &failure);
  } else {
    bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &failure);
  }
  if (!bus) error = Take(failure);
  return bus;
}

// The reply, or nullptr with error set.
GVariant* Call(GDBusConnection* bus, const char* path, const char* interface, const char* method,
               GVariant* parameters, const char* replyType, std::string& error) {
  GError* failure = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(bus, Logind, path, interface, method, parameters,
                                                replyType ? G_VARIANT_TYPE(replyType) : nullptr,
                                                G_DBUS_CALL_FLAGS_NONE, CallTimeoutMs, nullptr, &failure);
  if (!reply) error = Take(failure);
  return reply;
}

// The object path of this process's session: the one logind files the
// process under, else the one the desktop names, else logind's own choice
// for the caller ("auto": the caller's session or the user's display one).
std::string SessionPath(GDBusConnection* bus) {
  std::string ignored;
  GVariant* reply = Call(bus, ManagerPath, ManagerInterface, "GetSessionByPID",
                         g_variant_new("(u)", static_cast<guint32>(getpid())), "(o)", ignored);
  if (!reply) {
    const char* id = std::getenv("XDG_SESSION_ID");
    if (id && *id)
      reply = Call(bus, ManagerPath, ManagerInterface, "GetSession", g_variant_new("(s)", id), "(o)", ignored);
  }
  if (!reply) return "/org/freedesktop/login1/session/auto";
  const gchar* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  std::string result = path ? path : "";
  g_variant_unref(reply);
  return result;
}

}  // namespace

TPowerResult RequestPowerAction(TPowerAction action) {
  TPowerResult result;
  GDBusConnection* bus = OpenBus(result.Error);
  if (!bus) return result;
  GVariant* reply = nullptr;
  switch (action) {
    case TPowerAction::PowerOff:
      reply = Call(bus, ManagerPath, ManagerInterface, "PowerOff", g_variant_new("(b)", FALSE), nullptr, result.Error);
      break;
    case TPowerAction::Reboot:
      reply = Call(bus, ManagerPath, ManagerInterface, "Reboot", g_variant_new("(b)", FALSE), nullptr, result.Error);
      break;
    case TPowerAction::LogOff: {
      std::string session = SessionPath(bus);
      reply = Call(bus, session.c_str(), "org.freedesktop.login1.Session", "Terminate", nullptr, nullptr,
                   result.Error);
      break;
    }
  }
  if (reply) {
    result.Done = true;
    result.Error.clear();
    g_variant_unref(reply);
  }
  if (!g_dbus_connection_is_closed(bus) && std::getenv(LogindBusVariable))
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
  g_object_unref(bus);
  return result;
}

}  // namespace platform
