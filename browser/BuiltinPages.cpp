#include "browser/BuiltinPages.h"

#include <webkit2/webkit2.h>

#include <cstdio>

#include "app/UpdateCheck.h"
#include "browser/ExternalDispatch.h"
#include "core/Encoding.h"
#include "platform/Resources.h"
#include "support/URLUtils.h"

namespace browser {

namespace {

void AppendJsonText(std::string& out, const std::string& text) {
  out += '"';
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == '<' || c == '>') {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

std::string MimeOf(const std::string& path) {
  auto ends = [&](const char* suffix) {
    std::string s(suffix);
    return path.size() >= s.size() && path.compare(path.size() - s.size(), s.size(), s) == 0;
  };
  if (ends(".html")) return "text/html";
  if (ends(".css")) return "text/css";
  if (ends(".js")) return "text/javascript";
  if (ends(".png")) return "image/png";
  return "application/octet-stream";
}

void Finish(WebKitURISchemeRequest* request, const std::string& bytes, const std::string& mime) {
  GBytes* data = g_bytes_new(bytes.data(), bytes.size());
  GInputStream* stream = g_memory_input_stream_new_from_bytes(data);
  g_bytes_unref(data);
  webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(bytes.size()),
                                   (mime + "; charset=utf-8").c_str());
  g_object_unref(stream);
}

std::string HtmlText(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

void ReplaceAll(std::string& text, const std::string& mark, const std::string& value) {
  for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size()))
    text.replace(at, mark.size(), value);
}

const char* ErrorReason(const GError* error) {
  if (error && error->domain == G_RESOLVER_ERROR) return "Sunucunun adı bulunamadı.";
  if (error && error->domain == G_IO_ERROR && error->code == G_IO_ERROR_TIMED_OUT)
    return "Sunucu zamanında yanıt vermedi.";
  return "Sunucuya bağlanılamadı.";
}

}  // namespace

std::string LoadErrorPage(const std::string& address, const GError* error) {
  if (error) {
    // Stopped, followed by another address, or handed to a download.
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        error->domain == WEBKIT_POLICY_ERROR ||
        g_error_matches(error, WEBKIT_PLUGIN_ERROR, WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD))
      return {};
  }
  std::string bytes, mime;
  if (!BuiltinFile("/error.html", bytes, mime)) return {};
  ReplaceAll(bytes, "{{REASON}}", ErrorReason(error));
  ReplaceAll(bytes, "{{ADDRESS}}", HtmlText(address));
  ReplaceAll(bytes, "{{DETAIL}}", HtmlText(error && error->message ? error->message : "bilinmiyor"));
  return bytes;
}

bool BuiltinFile(const std::string& path, std::string& bytes, std::string& mime) {
  // Plain names only: nothing outside the bundle's browser folder.
  if (path.size() < 2 || path[0] != '/' || path.find('/', 1) != std::string::npos || path.find("..") != std::string::npos)
    return false;
  auto found = platform::LoadResourceBytes("/org/kelvarin/qor/browser" + path);
  if (!found) return false;
  bytes = std::move(*found);
  mime = MimeOf(path);
  if (mime == "text/html") {
    const std::string mark = "{{VERSION}}";
    for (size_t at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at))
      bytes.replace(at, mark.size(), app::ProgramVersion);
  }
  return true;
}

std::string StationsJson(const std::vector<TStationHit>& hits) {
  std::string out = "[";
  size_t count = 0;
  for (const auto& hit : hits) {
    if (count++ == MaxStationHits) break;
    if (out.size() > 1) out += ',';
    out += "{\"key\":";
    AppendJsonText(out, enc::Utf16ToUtf8(hit.Key));
    out += ",\"name\":";
    AppendJsonText(out, enc::Utf16ToUtf8(hit.Name));
    out += ",\"url\":";
    AppendJsonText(out, enc::Utf16ToUtf8(EncodeValue(enc::BytesToWide(hit.Url))));
    out += '}';
  }
  return out + "]";
}

std::u16string SearchQuery(const std::string& address) {
  size_t query = address.find('?');
  if (query == std::string::npos) return {};
  std::string rest = address.substr(query + 1);
  if (size_t hash = rest.find('#'); hash != std::string::npos) rest.resize(hash);
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('&', start);
    if (end == std::string::npos) end = rest.size();
    std::string pair = rest.substr(start, end - start);
    if (pair.rfind("q=", 0) == 0) return enc::BytesToWide(URLDecode(pair.substr(2)));
    start = end + 1;
  }
  return {};
}

void ServeBuiltinPage(WebKitURISchemeRequest* request, const TStationFinder& finder) {
  std::string path = webkit_uri_scheme_request_get_path(request) ? webkit_uri_scheme_request_get_path(request) : "";
  std::string host;
  if (const char* uri = webkit_uri_scheme_request_get_uri(request)) {
    std::string address = uri;
    if (path == "/stations") {
      std::vector<TStationHit> hits;
      std::u16string query = SearchQuery(address);
      if (finder && !query.empty()) hits = finder(query);
      Finish(request, StationsJson(hits), "application/json");
      return;
    }
  }
  std::string bytes, mime;
  if (BuiltinFile(path, bytes, mime)) {
    Finish(request, bytes, mime);
    return;
  }
  GError* error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Sayfa bulunamadı: %s", path.c_str());
  webkit_uri_scheme_request_finish_error(request, error);
  g_error_free(error);
}

}  // namespace browser
