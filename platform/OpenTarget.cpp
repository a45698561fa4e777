#include "platform/OpenTarget.h"

#include <glib.h>

#include "core/FileUri.h"

namespace platform {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (g_ascii_tolower(text[i]) != prefix[i]) return false;
  return true;
}

// "scheme://" with an RFC 3986 scheme: a letter, then letters, digits, + - .
bool HasScheme(std::string_view text) {
  auto colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0 || !g_ascii_isalpha(text[0])) return false;
  for (std::size_t i = 1; i < colon; ++i)
    if (!g_ascii_isalnum(text[i]) && text[i] != '+' && text[i] != '-' && text[i] != '.') return false;
  return true;
}

}  // namespace

std::string ResolveOpenTarget(const std::string& argument) {
  if (argument.empty()) return {};
  if (StartsWithNoCase(argument, "file://")) return core::LocalPathOfFileUri(argument);
  if (HasScheme(argument)) {
    // Schemes are case-insensitive, but not every part of the player reads
    // them so: hand them on in their canonical lower case.
    std::string address = argument;
    for (std::size_t i = 0; address[i] != ':'; ++i) address[i] = g_ascii_tolower(address[i]);
    return address;
  }
  gchar* absolute = g_canonicalize_filename(argument.c_str(), nullptr);
  std::string result = absolute;
  g_free(absolute);
  return result;
}

bool IsWebAddress(std::string_view target) {
  return StartsWithNoCase(target, "http://") || StartsWithNoCase(target, "https://");
}

}  // namespace platform
