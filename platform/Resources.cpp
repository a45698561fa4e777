#include "platform/Resources.h"

#include <gio/gio.h>

namespace platform {

std::optional<std::string> LoadResourceBytes(const std::string& path) {
  GError* error = nullptr;
  GBytes* bytes = g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, &error);
  if (!bytes) {
    g_clear_error(&error);
    return std::nullopt;
  }
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  std::string result(data ? data : "", size);
  g_bytes_unref(bytes);
  return result;
}

}  // namespace platform
