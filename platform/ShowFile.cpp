#include "platform/ShowFile.h"

#include <gio/gio.h>

#include "platform/Folders.h"

namespace platform {

namespace {

bool LaunchUri(const std::string& uri) {
  GError* error = nullptr;
  bool done = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
  if (error) g_error_free(error);
  return done;
}

std::string FileUri(const std::string& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string text = uri ? uri : "";
  g_free(uri);
  return text;
}

bool AskFileManager(const std::string& uri) {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return false;
  const gchar* uris[] = {uri.c_str(), nullptr};
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
      "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
  if (error) g_error_free(error);
  if (reply) g_variant_unref(reply);
  g_object_unref(bus);
  return reply != nullptr;
}

}  // namespace

bool ShowInFileManager(const std::string& path) {
  std::string uri = FileUri(path);
  if (uri.empty()) return false;
  if (AskFileManager(uri)) return true;
  gchar* folder = g_path_get_dirname(path.c_str());
  std::string folderUri = FileUri(folder);
  g_free(folder);
  return !folderUri.empty() && LaunchUri(folderUri);
}

bool OpenWithDefaultApplication(const std::string& path) {
  if (!FileExists(path)) return false;
  std::string uri = FileUri(path);
  return !uri.empty() && LaunchUri(uri);
}

}  // namespace platform
