#include "browser/ExternalWire.h"

#include <cstring>

namespace browser {

std::string Frame(GVariant* value) {
  g_variant_ref_sink(value);
  gsize size = g_variant_get_size(value);
  std::string out(4 + size, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  // The variant's own buffer is aligned for its contents; the frame's is not.
  if (size) std::memcpy(out.data() + 4, g_variant_get_data(value), size);
  g_variant_unref(value);
  return out;
}

int TakeFrame(std::string& buffer, const char* type, GVariant** value) {
  *value = nullptr;
  if (buffer.size() < 4) return 0;
  std::uint32_t size = 0;
  for (int i = 0; i < 4; ++i) size |= static_cast<std::uint32_t>(static_cast<unsigned char>(buffer[i])) << (8 * i);
  if (size > MaxFrameBytes) return -1;
  if (buffer.size() < 4 + static_cast<size_t>(size)) return 0;
  GBytes* bytes = g_bytes_new(buffer.data() + 4, size);
  GVariant* v = g_variant_new_from_bytes(G_VARIANT_TYPE(type), bytes, FALSE);
  g_bytes_unref(bytes);
  buffer.erase(0, 4 + static_cast<size_t>(size));
  g_variant_ref_sink(v);
  // Serialized data from the other side is trusted only once normal.
  if (!g_variant_is_normal_form(v)) {
    g_variant_unref(v);
    return -1;
  }
  *value = v;
  return 1;
}

std::string OriginOf(std::string_view address) {
  std::string text(address);
  GUri* uri = g_uri_parse(text.c_str(), G_URI_FLAGS_NONE, nullptr);
  if (!uri) return {};
  std::string origin;
  const char* host = g_uri_get_host(uri);
  const char* scheme = g_uri_get_scheme(uri);
  if (host && *host && scheme) {
    gchar* lowScheme = g_ascii_strdown(scheme, -1);
    gchar* lowHost = g_ascii_strdown(host, -1);
    origin = std::string(lowScheme) + "://" + lowHost;
    int port = g_uri_get_port(uri);
    bool defaultPort = (std::strcmp(lowScheme, "http") == 0 && port == 80) ||
                       (std::strcmp(lowScheme, "https") == 0 && port == 443);
    if (port > 0 && !defaultPort) origin += ":" + std::to_string(port);
    g_free(lowScheme);
    g_free(lowHost);
  }
  g_uri_unref(uri);
  return origin;
}

}  // namespace browser
