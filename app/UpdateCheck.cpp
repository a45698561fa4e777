#include "app/UpdateCheck.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <charconv>
#include <cstdio>
#include <random>

#include "app/Messages.h"
#include "app/Options.h"
#include "platform/Folders.h"
#include "resources/strings/StringTable.h"
#include "support/Deploy.h"
#include "support/Encoding.h"
#include "support/URLUtils.h"

namespace app {

namespace {

struct TUpdateValues {
  TApiVersion Version;
  std::string DatabasePath = DefaultDatabasePath;
  std::string BannerPath = DefaultBannerPath;
  TBannerInfo Banner;
};

TUpdateValues& Values() {
  static TUpdateValues values;
  return values;
}

std::string Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return std::string(s);
}

// The text of each child of the root "r", by element name. False when
// the body is not well-formed XML with that root.
template <typename Visit>
bool ReadRDocument(const std::string& body, Visit visit) {
  if (body.empty() || body.size() > static_cast<size_t>(INT32_MAX)) return false;
  xmlDocPtr doc = xmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) return false;
  xmlNodePtr root = xmlDocGetRootElement(doc);
  bool ok = root && xmlStrcmp(root->name, BAD_CAST "r") == 0;
  if (ok) {
    for (xmlNodePtr node = root->children; node; node = node->next) {
      if (node->type != XML_ELEMENT_NODE) continue;
      xmlChar* content = xmlNodeGetContent(node);
      std::string text = content ? reinterpret_cast<const char*>(content) : "";
      if (content) xmlFree(content);
      visit(std::string(reinterpret_cast<const char*>(node->name)), text);
    }
  }
  xmlFreeDoc(doc);
  return ok;
}

bool ParseNumber(const std::string& text, double& value) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  const char* end = t.data() + t.size();
  auto [ptr, ec] = std::from_chars(t.data(), end, value);
  return ec == std::errc() && ptr == end;
}

}  // namespace

std::string RandomQuery() {
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<long> dist(0, 2147483646);
  return "?" + std::to_string(dist(generator));
}

TApiVersion& ApiVersion() { return Values().Version; }
std::string& DatabasePath() { return Values().DatabasePath; }
std::string& BannerPath() { return Values().BannerPath; }
TBannerInfo& BannerInfo() { return Values().Banner; }
void ResetUpdateValues() { Values() = TUpdateValues{}; }

bool ParseVersionDocument(const std::string& body, TApiVersion& version) {
  TApiVersion read;
  // Only the first element of each name counts, as a lookup by path would.
  bool seenV = false, seenD = false, seenB = false;
  bool ok = ReadRDocument(body, [&](const std::string& name, const std::string& text) {
    if (name == "v" && !seenV) read.Program = text, seenV = true;
    if (name == "d" && !seenD) read.Database = text, seenD = true;
    if (name == "b" && !seenB) read.Banner = text, seenB = true;
  });
  if (ok) version = read;
  return ok;
}

bool ParseBannerDocument(const std::string& body, TBannerInfo& banner) {
  TBannerInfo read;
  bool seenT = false, seenL = false, seenB = false;
  bool ok = ReadRDocument(body, [&](const std::string& name, const std::string& text) {
    if (name == "t" && !seenT) read.Text = enc::Utf8ToUtf16(text), seenT = true;
    if (name == "l" && !seenL) read.Link = enc::Utf8ToUtf16(text), seenL = true;
    if (name == "b" && !seenB) read.Image = text, seenB = true;
  });
  if (ok) banner = read;
  return ok;
}

bool VersionIsNewer(const std::string& published, const std::string& own) {
  // Unsigned byte order, like the original string comparison.
  return std::lexicographical_compare(own.begin(), own.end(), published.begin(), published.end(),
                                      [](char a, char b) { return static_cast<unsigned char>(a) < static_cast<unsigned char>(b); });
}

std::string PathWithVersion(const std::string& path, const std::string& word, const std::string& version,
                            const std::string& suffix) {
  if (version.empty()) return path;
  std::string out = path;
  size_t at = out.find(word + suffix);
  if (at == std::string::npos) return out;
  out.replace(at, word.size() + suffix.size(), word + version + suffix);
  return out;
}

double LocalVersionNumber(const std::string& text) {
  double value = 0;
  return ParseNumber(text, value) ? value : 0.0;
}

double PublishedVersionNumber(const std::string& text) {
  if (text.empty()) return 1.0;
  double value = 0;
  return ParseNumber(text, value) ? value : 0.0;
}

long VisitorCountFromBody(const std::string& body) {
  std::string t = Trim(body);
  if (t.empty()) return -1;
  long value = 0;
  const char* end = t.data() + t.size();
  auto [ptr, ec] = std::from_chars(t.data() + (t[0] == '+' ? 1 : 0), end, value);
  return ec == std::errc() && ptr == end ? value : -1;
}

TUpdateCheck::TUpdateCheck(TUpdateHost host) : FHost(std::move(host)) {}

TUpdateCheck::~TUpdateCheck() { WaitAll(); }

std::string CompletedBody(TInetThread& thread) {
  thread.WaitFor();
  TResponse& response = thread.Response();
  if (thread.Result() != 0 || response.StatusCode < 200 || response.StatusCode >= 300) return {};
  return std::move(response.Body);
}

std::unique_ptr<TInetThread> StartRequest(core::HWND window, core::UINT message, const std::string& host,
                                          const std::string& path, const std::string& referer,
                                          std::size_t maxBody) {
  if (host.empty() || !InternetHandle() || !core::IsWindow(window)) return nullptr;
  try {
    auto thread = std::make_unique<TInetThread>(window, InternetHandle(), message);
    if (!thread->Request().SetMethodAndURL("GET", deploy::AddressOn(host, path))) return nullptr;
    if (!referer.empty()) thread->Request().SetSlot(rsReferer, referer);
    thread->Request().MaxBodySize = maxBody;
    thread->Resume();
    return thread;
  } catch (const std::exception&) {
    // A thread that could not start leaves no request of its kind.
    return nullptr;
  }
}

void TUpdateCheck::StartVersionCheck() {
  if (FVersion) return;
  FVersion = StartRequest(FHost.Window, UM_VERSION_DONE, deploy::Value(deploy::VendorApiHost), VersionPath + RandomQuery(), {}, 1 << 20);
}

void TUpdateCheck::StartBanner() {
  if (FBanner) return;
  FBanner = StartRequest(FHost.Window, UM_BANNER_DONE, deploy::Value(deploy::VendorApiHost), BannerPath() + RandomQuery(), {}, 16 << 20);
}

void TUpdateCheck::StartSiteCount() {
  if (FSiteCount) return;
  FSiteCount = StartRequest(FHost.Window, UM_SITECOUNT_DONE, deploy::Value(deploy::CounterHost), SiteCountPath, {}, 1 << 16);
}

void TUpdateCheck::StartWidgetHit() {
  std::string referer = deploy::Value(deploy::WebSiteAddress);
  std::u16string station = FHost.StationName ? FHost.StationName() : std::u16string();
  if (!referer.empty() && !station.empty()) referer += "?ref=" + URLEncode(enc::Utf16ToUtf8(station));
  if (FWidget) {
    FPendingWidgetReferer = std::move(referer);
    return;
  }
  SendWidgetHit(referer);
}

void TUpdateCheck::SendWidgetHit(const std::string& referer) {
  FWidget = StartRequest(FHost.Window, UM_WIDGET_DONE, deploy::Value(deploy::CounterHost), WidgetPath, referer, 1 << 20);
}

bool TUpdateCheck::BannerFileExists() const {
  return platform::FileExists(enc::WideToFileName(FHost.SettingsFolder) + "banner.xml");
}

bool TUpdateCheck::WriteBannerFile(const std::string& bytes) const {
  std::string folder = enc::WideToFileName(FHost.SettingsFolder);
  if (!platform::ForceDirectories(folder)) return false;
  std::string target = folder + "banner.xml";
  std::string temp = target + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

void TUpdateCheck::VersionDone() {
  if (!FVersion) return;
  std::string body = CompletedBody(*FVersion);
  FVersion.reset();
  TApiVersion version;
  if (body.empty() || !ParseVersionDocument(body, version)) return;
  ApiVersion() = version;
  TOptions* options = FHost.Options;
  if (!options) return;

  try {
    DatabasePath() = PathWithVersion(DefaultDatabasePath, "broadcast", version.Database);
    double local = LocalVersionNumber(enc::Utf16ToUtf8(options->ReadStr(osDbVersion)));
    if (local < PublishedVersionNumber(version.Database) && PlayerWindow())
      core::SendMessage(PlayerWindow(), UM_DATABASE_UPDATE, 0, 0);

    BannerPath() = PathWithVersion(DefaultBannerPath, "banner", version.Banner, ".xml");
    double localBanner = LocalVersionNumber(enc::Utf16ToUtf8(options->ReadStr(osBanner)));
    if (localBanner < PublishedVersionNumber(version.Banner)) {
      options->WriteBool(obShowBanner, true);
      if (PlayerWindow()) StartBanner();
    } else if (options->ReadBool(obShowBanner) && !BannerFileExists() && PlayerWindow()) {
      StartBanner();
    }

    if (options->ReadBool(obCheckVersion) && !version.Program.empty() && VersionIsNewer(version.Program)) {
      std::u16string title = res::LoadStr(res::IDS_APP_TITLE);
      std::u16string text = res::LoadStr(IDS_NEW_VERSION);
      if (size_t at = text.find(u"%s"); at != std::u16string::npos) text.replace(at, 2, title);
      core::HWND owner = PlayerWindow() ? PlayerWindow() : FHost.Window;
      int answer = FHost.Ask ? FHost.Ask(owner, text, title) : IDNO;
      if (answer == IDYES) {
        std::string address = deploy::Value(deploy::DownloadAddress);
        if (!address.empty() && FHost.OpenAddress) FHost.OpenAddress(address);
      } else if (answer == IDCANCEL) {
        options->WriteBool(obCheckVersion, false);
      }
    }
  } catch (const std::exception&) {
    // An options file that cannot be written loses only this round.
  }
}

void TUpdateCheck::BannerDone() {
  if (!FBanner) return;
  std::string body = CompletedBody(*FBanner);
  FBanner.reset();
  if (body.empty()) return;
  WriteBannerFile(body);
  TBannerInfo banner;
  if (!ParseBannerDocument(body, banner)) return;
  BannerInfo() = banner;
  if (PlayerWindow()) core::PostMessage(PlayerWindow(), UM_BANNER_READY, 0, 0);
  try {
    if (FHost.Options) FHost.Options->WriteStr(osBanner, enc::Utf8ToUtf16(ApiVersion().Banner));
  } catch (const std::exception&) {
  }
}

void TUpdateCheck::SiteCountDone() {
  if (!FSiteCount) return;
  std::string body = CompletedBody(*FSiteCount);
  FSiteCount.reset();
  long count = VisitorCountFromBody(body);
  if (count <= 0) return;
  long previous = FLastVisitorCount;
  FLastVisitorCount = count;
  if (PlayerWindow())
    core::SendMessage(PlayerWindow(), UM_LISTENERS, static_cast<core::WPARAM>(count),
                         static_cast<core::LPARAM>(previous));
}

void TUpdateCheck::WidgetDone() {
  if (!FWidget) return;
  FWidget.reset();
  if (!FPendingWidgetReferer) return;
  std::string referer = std::move(*FPendingWidgetReferer);
  FPendingWidgetReferer.reset();
  SendWidgetHit(referer);
}

void TUpdateCheck::WaitAll() {
  FPendingWidgetReferer.reset();
  for (auto* thread : {&FSiteCount, &FWidget, &FVersion, &FBanner}) {
    if (!*thread) continue;
    (*thread)->Cancel = true;
    (*thread)->WaitFor();
    thread->reset();
  }
}

}  // namespace app
