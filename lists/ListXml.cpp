#include "lists/ListXml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <cstring>

#include "lists/ListFile.h"
#include "lists/PlayList.h"
#include "support/Encoding.h"
#include "support/AsciiCase.h"

namespace qor {

std::u16string XmlEscape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    switch (c) {
      case 0: return out;
      case u'&': out += u"&amp;"; continue;
      case u'<': out += u"&lt;"; continue;
      case u'>': out += u"&gt;"; continue;
      case u'"': out += u"&quot;"; continue;
      case u'\'': out += u"&apos;"; continue;
      default: break;
    }
    if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') continue;
    if (c == 0xFFFE || c == 0xFFFF) continue;
    if (c >= 0xD800 && c < 0xDC00) {
      if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        out += c;
        out += text[++i];
      }
      continue;
    }
    if (c >= 0xDC00 && c < 0xE000) continue;
    out += c;
  }
  return out;
}

std::string BuildListDocument(const TPlayList& list, bool withIds) {
  std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n<playlist>\r\n";
  for (int i = 0; i < list.Count(); ++i) {
    const TPlayItem* item = list.Item(i);
    if (!item) continue;
    doc += "  <r d=\"";
    // Keys are digits or empty; escaping them costs nothing and keeps a
    // stray quote from breaking the whole file.
    doc += enc::Utf16ToUtf8(XmlEscape(item->Key));
    doc += '"';
    if (withIds) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%.08x", static_cast<uint32_t>(item->Id));
      doc += " i=\"";
      doc += hex;
      doc += '"';
    }
    doc += " n=\"";
    doc += enc::Utf16ToUtf8(XmlEscape(item->Name));
    doc += "\" l=\"";
    doc += enc::Utf16ToUtf8(XmlEscape(enc::BytesToWide(item->Url)));
    doc += "\" />\r\n";
  }
  doc += "</playlist>";
  return doc;
}

std::string FormDecode(std::string_view text) {
  auto hexValue = [](char c) { return ascii::HexValue(c); };
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%') {
      if (i + 1 < text.size() && text[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (i + 2 >= text.size() || hexValue(text[i + 1]) < 0 || hexValue(text[i + 2]) < 0) return out;
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct TDocument {
  xmlDocPtr Doc = nullptr;
  ~TDocument() {
    if (Doc) xmlFreeDoc(Doc);
  }
};

void InitParser() {
  static const bool done = [] {
    xmlInitParser();
    return true;
  }();
  (void)done;
}

// The text of an attribute: usually one text node, read in place.
std::string AttributeText(xmlDocPtr doc, xmlAttrPtr attr) {
  xmlNodePtr child = attr->children;
  if (!child) return {};
  if (child->type == XML_TEXT_NODE && !child->next)
    return child->content ? reinterpret_cast<const char*>(child->content) : "";
  xmlChar* value = xmlNodeListGetString(doc, child, 1);
  std::string out = value ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return out;
}

TXmlResult Collect(xmlDocPtr doc, bool allowDataRoot, std::vector<TListRecord>& records) {
  records.clear();
  if (!doc) return TXmlResult::NotXml;
  // Lists never carry a document type; refusing one keeps entity tricks out.
  if (doc->intSubset || doc->extSubset) return TXmlResult::NotXml;
  xmlNodePtr root = xmlDocGetRootElement(doc);
  if (!root) return TXmlResult::WrongRoot;
  bool playlist = std::strcmp(reinterpret_cast<const char*>(root->name), "playlist") == 0;
  bool data = allowDataRoot && std::strcmp(reinterpret_cast<const char*>(root->name), "data") == 0;
  if (!playlist && !data) return TXmlResult::WrongRoot;
  for (xmlNodePtr node = root->children; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE || std::strcmp(reinterpret_cast<const char*>(node->name), "r") != 0) continue;
    TListRecord record;
    for (xmlAttrPtr attr = node->properties; attr; attr = attr->next) {
      if (attr->ns || !attr->name || attr->name[0] == 0 || attr->name[1] != 0) continue;
      switch (attr->name[0]) {
        case 'd': record.Key = enc::Utf8ToUtf16(AttributeText(doc, attr)); break;
        case 'i': record.Id = enc::Utf8ToUtf16(AttributeText(doc, attr)); break;
        case 'n': record.Name = enc::Utf8ToUtf16(AttributeText(doc, attr)); break;
        case 'l': {
          std::string value = AttributeText(doc, attr);
          record.Url = playlist ? std::move(value) : FormDecode(value);
          break;
        }
        default: break;
      }
    }
    records.push_back(std::move(record));
  }
  return records.empty() ? TXmlResult::NoRecords : TXmlResult::Ok;
}

}  // namespace

TXmlResult ParseListText(std::string_view text, bool allowDataRoot, std::vector<TListRecord>& records) {
  records.clear();
  if (static_cast<int64_t>(text.size()) > kMaxListFileSize) return TXmlResult::TooLarge;
  if (text.empty()) return TXmlResult::NotXml;
  InitParser();
  const char* encoding = enc::IsValidUtf8(text) ? "UTF-8" : "WINDOWS-1254";
  TDocument doc;
  doc.Doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, encoding, kParseOptions);
  return Collect(doc.Doc, allowDataRoot, records);
}

TXmlResult ParseListXmlFile(const std::filesystem::path& path, std::vector<TListRecord>& records) {
  records.clear();
  std::string bytes;
  std::error_code error;
  auto size = std::filesystem::file_size(path, error);
  if (!error && static_cast<int64_t>(size) > kMaxListFileSize) return TXmlResult::TooLarge;
  if (!ReadFileBounded(path, kMaxListFileSize, bytes) || bytes.empty()) return TXmlResult::NotXml;
  InitParser();
  TDocument doc;
  // No forced encoding: the file's own declaration (or byte-order mark)
  // decides.
  doc.Doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, kParseOptions);
  return Collect(doc.Doc, false, records);
}

bool IsXmlPlaylistFile(const std::filesystem::path& path) {
  std::vector<TListRecord> records;
  return ParseListXmlFile(path, records) == TXmlResult::Ok;
}

}  // namespace qor
