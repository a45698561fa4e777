#include "core/FileUri.h"

#include <glib.h>

namespace core {

std::string LocalPathOfFileUri(const std::string& uri) {
  if (uri.size() < 5 || g_ascii_strncasecmp(uri.c_str(), "file:", 5) != 0) return {};
  // GLib reads the scheme in lower case only.
  const std::string lower = "file" + uri.substr(4);
  gchar* host = nullptr;
  gchar* path = g_filename_from_uri(lower.c_str(), &host, nullptr);
  const bool local = !host || !host[0] || g_ascii_strcasecmp(host, "localhost") == 0 ||
                     g_ascii_strcasecmp(host, g_get_host_name()) == 0;
  std::string result = path && local ? path : "";
  g_free(path);
  g_free(host);
  return result;
}

}  // namespace core
