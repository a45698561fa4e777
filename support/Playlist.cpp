#include "support/Playlist.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <map>

#include "support/AsciiCase.h"
#include "support/Encoding.h"

namespace playlist {

namespace {

constexpr std::size_t kMaxAddressLength = 2048;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

std::string_view SkipBom(std::string_view s) {
  if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
  return s;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The extension of a file name or of an address's path, lower case.
std::string Extension(std::string_view name) {
  if (name.find("://") != std::string_view::npos) name = name.substr(0, name.find_first_of("?#"));
  std::size_t slash = name.rfind('/');
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return ascii::Lower(name.substr(dot + 1));
}

void Add(std::vector<TEntry>& out, std::string_view address, std::string_view title, std::size_t maxEntries) {
  address = Trim(address);
  if (address.empty() || address.size() > kMaxAddressLength || out.size() >= maxEntries) return;
  out.push_back({std::string(address), std::string(Trim(title))});
}

void ParseM3u(std::string_view text, std::vector<TEntry>& out, std::size_t maxEntries) {
  std::string_view title;
  for (std::string_view line : Lines(text)) {
    line = Trim(line);
    if (line.empty()) continue;
    if (line[0] == '#') {
      if (ascii::StartsWithNoCase(line, "#EXTINF:")) {
        // The title follows the first comma outside quoted attributes.
        bool quoted = false;
        title = {};
        for (std::size_t i = 8; i < line.size(); ++i) {
          if (line[i] == '"') {
            quoted = !quoted;
          } else if (line[i] == ',' && !quoted) {
            title = line.substr(i + 1);
            break;
          }
        }
      }
      continue;
    }
    Add(out, line, title, maxEntries);
    title = {};
  }
}

void ParsePls(std::string_view text, std::vector<TEntry>& out, std::size_t maxEntries) {
  std::map<long, std::pair<std::string_view, std::string_view>> entries;  // number -> file, title
  bool inPlaylist = false;
  for (std::string_view line : Lines(text)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      inPlaylist = ascii::StartsWithNoCase(line, "[playlist]");
      continue;
    }
    if (!inPlaylist) continue;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, equals));
    std::string_view value = Trim(line.substr(equals + 1));
    bool isFile = ascii::StartsWithNoCase(key, "File");
    bool isTitle = ascii::StartsWithNoCase(key, "Title");
    if (!isFile && !isTitle) continue;
    std::string_view number = key.substr(isFile ? 4 : 5);
    if (number.empty() || number.size() > 9) continue;
    long n = 0;
    bool digits = true;
    for (char c : number) {
      if (!ascii::IsDigit(c)) digits = false;
      else n = n * 10 + (c - '0');
    }
    if (!digits) continue;
    auto& entry = entries[n];
    (isFile ? entry.first : entry.second) = value;
  }
  for (const auto& [number, entry] : entries) Add(out, entry.first, entry.second, maxEntries);
}

std::string NodeText(xmlNode* node) {
  xmlChar* content = xmlNodeGetContent(node);
  std::string text = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return text;
}

// The value of an attribute whatever its letter case; empty when absent.
std::string Attribute(xmlNode* node, std::string_view name) {
  for (xmlAttr* a = node->properties; a; a = a->next)
    if (a->name && ascii::EqualsNoCase(reinterpret_cast<const char*>(a->name), name)) return NodeText(a->children);
  return {};
}

bool Named(xmlNode* node, std::string_view name) {
  return node->type == XML_ELEMENT_NODE && node->name &&
         ascii::EqualsNoCase(reinterpret_cast<const char*>(node->name), name);
}

void WalkAsx(xmlNode* node, const std::string& title, std::vector<TEntry>& out, std::size_t maxEntries,
             int depth) {
  // Nesting is bounded so that a hostile document cannot exhaust the stack.
  if (depth > 64) return;
  for (; node && out.size() < maxEntries; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    if (Named(node, "ref")) {
      Add(out, Attribute(node, "href"), title, maxEntries);
      continue;
    }
    std::string inner = title;
    if (Named(node, "entry"))
      for (xmlNode* child = node->children; child; child = child->next)
        if (Named(child, "title")) inner = NodeText(child);
    WalkAsx(node->children, inner, out, maxEntries, depth + 1);
  }
}

void ParseAsx(std::string_view text, std::vector<TEntry>& out, std::size_t maxEntries) {
  if (text.size() > 16 * 1024 * 1024) return;
  // Old ASX files are often in a Windows code page without saying so.
  const char* encoding = enc::IsValidUtf8(text) ? "UTF-8" : "WINDOWS-1254";
  xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, encoding,
                              XML_PARSE_RECOVER | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) return;
  WalkAsx(xmlDocGetRootElement(doc), {}, out, maxEntries, 0);
  xmlFreeDoc(doc);
}

}  // namespace

bool IsText(std::string_view bytes) {
  for (char c : bytes) {
    unsigned char u = static_cast<unsigned char>(c);
    // Tab, line ends, form feed and the old end-of-file mark occur in real
    // files; every other control byte means binary data.
    if (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f' && u != 0x1A) return false;
  }
  return true;
}

TKind Detect(std::string_view contentType, std::string_view name, std::string_view head) {
  std::string type = ascii::Lower(Trim(contentType.substr(0, contentType.find(';'))));
  std::string_view start = Trim(SkipBom(head.substr(0, 512)));
  // Bytes decide first: servers label playlists as audio and audio as text.
  if (ascii::StartsWithNoCase(start, "[playlist]")) return TKind::Pls;
  if (ascii::StartsWithNoCase(start, "<asx")) return TKind::Asx;
  if (ascii::StartsWithNoCase(start, "#EXTM3U"))
    return ascii::FindNoCase(head, "#EXT-X-") != std::string_view::npos ? TKind::Hls : TKind::M3u;
  const bool text = !head.empty() && IsText(head);
  if (!text) return TKind::None;
  if (type == "audio/x-scpls" || type == "audio/scpls" || type == "application/pls+xml") return TKind::Pls;
  if (type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl" || type == "audio/x-mpegurl" ||
      type == "audio/mpegurl")
    return TKind::M3u;
  if ((type == "video/x-ms-asf" || type == "video/x-ms-asx" || type == "audio/x-ms-asx") &&
      ascii::FindNoCase(start, "<asx") != std::string_view::npos)
    return TKind::Asx;
  std::string ext = Extension(name);
  if (ext == "pls") return TKind::Pls;
  if (ext == "m3u" || ext == "m3u8") return TKind::M3u;
  if (ext == "asx") return TKind::Asx;
  return TKind::None;
}

std::vector<TEntry> Parse(TKind kind, std::string_view text, std::size_t maxEntries) {
  std::vector<TEntry> out;
  if (!IsText(text)) return out;
  text = SkipBom(text);
  switch (kind) {
    case TKind::Pls: ParsePls(text, out, maxEntries); break;
    case TKind::M3u:
    case TKind::Hls: ParseM3u(text, out, maxEntries); break;
    case TKind::Asx: ParseAsx(text, out, maxEntries); break;
    case TKind::None: break;
  }
  return out;
}

}  // namespace playlist
