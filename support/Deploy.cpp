#include "support/Deploy.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>
#include "support/AsciiCase.h"
#include "support/Encoding.h"
#include "support/WIniFiles.h"
#include "support/WStringsFile.h"

namespace deploy {
namespace {

// Only the two public services that the sharing buttons and the video
// resolver talk to have defaults; every vendor-specific and portal host is
// left empty until a deployment names it.
const std::vector<std::pair<std::string, std::string>>& ShippedDefaults() {
  static const std::vector<std::pair<std::string, std::string>> table = {
      {std::string(VendorApiHost), ""},
      {std::string(AdminPathSegment), ""},
      {std::string(VendorDomain), ""},
      {std::string(WebSiteAddress), ""},
      {std::string(DownloadAddress), ""},
      {std::string(CounterHost), ""},
      {std::string(ShortLink), ""},
      {std::string(FacebookShareHost), "https://www.facebook.com"},
      {std::string(GooglePlusShareHost), "https://plus.google.com"},
      {std::string(TwitterShareHost), "https://twitter.com"},
      {std::string(StreamsPortalHost), ""},
      {std::string(HlsPortalHost), ""},
      {std::string(NetworkSiteHost), ""},
      {std::string(VideoSiteHost), "www.youtube.com"},
      {std::string(MusicServiceHost), "fizy.com"},
      {std::string(StreamsPortalMobileHost), ""},
      {std::string(HlsPortalScriptHost), ""},
      {std::string(RadyodStationHost), ""},
      {std::string(SlowturkStationHost), ""},
  };
  return table;
}

std::string Lower(std::string_view text) { return ascii::Lower(text); }

struct Table {
  std::mutex mutex;
  std::map<std::string, std::string> values;  // keyed by lower-case name
  Table() { Fill(); }
  void Fill() {
    values.clear();
    for (const auto& [k, v] : ShippedDefaults()) values[Lower(k)] = v;
  }
};

Table& TheTable() {
  static Table table;
  return table;
}

}  // namespace

std::string Value(std::string_view key) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  auto it = t.values.find(Lower(key));
  return it == t.values.end() ? std::string() : it->second;
}

void SetValue(std::string_view key, std::string value) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  t.values[Lower(key)] = std::move(value);
}

void Reset() {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  t.Fill();
}

std::vector<std::pair<std::string, std::string>> Defaults() { return ShippedDefaults(); }

bool LoadFile(const std::filesystem::path& path) {
  // The file is tiny; the bound keeps a wrong file from being read whole.
  std::string bytes;
  if (wstr::ReadWholeFile(path.string(), bytes, 1 << 20) != wstr::TReadResult::Ok) return false;
  std::string_view body(bytes);
  if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  // Lines before the first section (a file of plain key=value lines) go
  // into a nameless section, read before [Deploy].
  TWStringList lines;
  lines.SetText(u"[]\n" + enc::BytesToWide(body));
  TWMemIniFile ini(u"");
  ini.SetStrings(lines);
  for (std::u16string_view section : {u"", u"Deploy"}) {
    for (const auto& [key, unused] : ShippedDefaults()) {
      const std::u16string name = enc::Utf8ToUtf16(key);
      if (!ini.ValueExists(section, name)) continue;
      std::string value = enc::Utf16ToUtf8(ini.ReadString(section, name, u""));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      SetValue(key, std::move(value));
    }
  }
  return true;
}

void Load(const std::filesystem::path& programFolder, const std::filesystem::path& settingsFolder) {
  Reset();
  if (!programFolder.empty()) LoadFile(programFolder / "deploy.ini");
  if (!settingsFolder.empty()) LoadFile(settingsFolder / "deploy.ini");
}

void LoadStandard() {
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::filesystem::path settings;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    settings = std::filesystem::path(xdg) / "Kelvarin" / "QOR";
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    settings = std::filesystem::path(home) / ".config" / "Kelvarin" / "QOR";
  }
  Load(ec ? std::filesystem::path() : program.parent_path(), settings);
}

std::string AddressOn(std::string_view host, std::string_view pathAndQuery) {
  if (host.empty()) return std::string();
  std::string address = host.find("://") == std::string_view::npos ? "http://" + std::string(host) : std::string(host);
  while (!address.empty() && address.back() == '/' && !pathAndQuery.empty() && pathAndQuery.front() == '/')
    address.pop_back();
  return address + std::string(pathAndQuery);
}

void SplitHostPort(std::string_view value, std::string& host, int& port) {
  if (std::size_t s = value.find("://"); s != std::string_view::npos) value.remove_prefix(s + 3);
  if (std::size_t slash = value.find('/'); slash != std::string_view::npos) value = value.substr(0, slash);
  port = 0;
  std::size_t colon = value.rfind(':');
  std::size_t bracket = value.rfind(']');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    std::string_view digits = value.substr(colon + 1);
    bool numeric = !digits.empty() && digits.size() <= 5 &&
                   std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (numeric) {
      port = std::stoi(std::string(digits));
      if (port > 65535) port = 0;
      value = value.substr(0, colon);
    }
  }
  host.assign(value);
}

}  // namespace deploy
