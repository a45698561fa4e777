#include "engine/Resolvers.h"

#include <cctype>
#include <string_view>

#include "engine/JsonReader.h"
#include "engine/ResolverHttp.h"
#include "engine/YouTube.h"
#include "support/Deploy.h"
#include "support/AsciiCase.h"

namespace {

std::string Lower(std::string text) { return ascii::Lower(text); }

struct THostEntry {
  std::string host;  // lower-cased, without port
  int port = 0;      // 0: any port
};

THostEntry Entry(std::string_view key) {
  THostEntry e;
  deploy::SplitHostPort(deploy::Value(key), e.host, e.port);
  e.host = Lower(e.host);
  return e;
}

bool PortMatches(const THostEntry& e, int port) { return e.port == 0 || e.port == port; }

// Numeric addresses and single names have no label to drop.
bool IsPlainAddress(const std::string& host) {
  return host.find('.') == std::string::npos || host.front() == '[' ||
         host.find_first_not_of("0123456789.") == std::string::npos;
}

std::string ServiceAddress(const TJsonValue& json, std::string_view securePathPrefixFrom = {},
                           std::string_view securePathPrefixTo = {}) {
  std::string cut = CutSecurePath(json.S("SecurePath"));
  if (!securePathPrefixFrom.empty()) {
    std::size_t at = cut.find(securePathPrefixFrom);
    if (at != std::string::npos) cut.replace(at, securePathPrefixFrom.size(), securePathPrefixTo);
  }
  return json.S("ServiceUrl") + "/" + cut;
}

}  // namespace

int ResolverHostIndex(const std::string& host, int port) {
  static constexpr std::string_view kTable[] = {deploy::VendorDomain,   deploy::StreamsPortalHost,
                                                deploy::HlsPortalHost,  deploy::NetworkSiteHost,
                                                deploy::VideoSiteHost,  deploy::MusicServiceHost};
  std::string lower = Lower(host);
  for (int i = 0; i < 6; ++i) {
    THostEntry e = Entry(kTable[i]);
    if (!e.host.empty() && e.host == lower && PortMatches(e, port)) return i + 1;
  }
  return 0;
}

bool IsVideoSiteHost(const std::string& host, int port) {
  THostEntry e = Entry(deploy::VideoSiteHost);
  if (e.host.empty()) return false;
  std::string domain = e.host;
  if (!IsPlainAddress(domain)) {
    std::string rest = domain.substr(domain.find('.') + 1);
    if (rest.find('.') != std::string::npos) domain = rest;
  }
  return Lower(host).find(domain) != std::string::npos && PortMatches(e, port);
}

bool IsMusicServiceHost(const std::string& host, int port) {
  THostEntry e = Entry(deploy::MusicServiceHost);
  return !e.host.empty() && Lower(host).find(e.host) != std::string::npos && PortMatches(e, port);
}

std::string MusicSongId(const TURLComponentStrings& parts) {
  const std::string& extra = parts.ExtraInfo;
  std::size_t slash = extra.rfind('/');
  return slash == std::string::npos ? extra : extra.substr(slash + 1);
}

std::string CutSecurePath(const std::string& securePath) {
  std::size_t at = securePath.find("&app");
  return at == std::string::npos ? std::string() : securePath.substr(0, at);
}

std::string ResolveByHost(const std::string& address) {
  TURLComponentStrings parts;
  int port = 0;
  if (!SplitURL(address, parts, &port)) return address;
  const std::string& path = parts.URLPath;
  if (path.empty() || path[0] != '/') return address;
  std::string stationId = path.substr(path.rfind('/') + 1);
  switch (ResolverHostIndex(parts.HostName, port)) {
    case 1: return ResolveVendorLookup(stationId);
    case 2: return ResolveStreamsPortal(stationId);
    case 3: return ResolveHlsPortal(stationId);
    case 4: return ResolveNetworkSite(stationId);
    case 5: return ResolveVideoSite(address);
    case 6: return ResolveMusicSong(stationId);
    default: return address;
  }
}

std::string ResolveVendorLookup(const std::string& stationId) {
  std::string host = deploy::Value(deploy::VendorApiHost);
  if (host.empty()) return std::string();
  // The id goes into the query as it is, not encoded.
  std::string body = ResolverGetOk(deploy::AddressOn(host, "/qor/query.php?id=" + stationId));
  if (body.empty()) return std::string();
  auto json = ParseJson(body);
  return json ? json->S("l") : std::string();
}

std::string ResolveStreamsPortal(const std::string& stationId) {
  try {
    std::string host = deploy::Value(deploy::StreamsPortalMobileHost);
    if (host.empty()) return std::string();
    std::string body =
        ResolverGetOk(deploy::AddressOn(host, "/?p=Radio&action=fetchAllEncodedStreams&platform=mobile_web"));
    if (body.empty()) return std::string();
    auto json = ParseJson(body);
    if (!json) return std::string();
    for (std::size_t i = 0; i < json->Length(); ++i) {
      const TJsonValue& item = json->Item(i);
      if (item.S("channel_id") == stationId) return item.S("url");
    }
  } catch (...) {
    // Whatever goes wrong here only means this station cannot be resolved.
  }
  return std::string();
}

std::string ResolveHlsPortal(const std::string& stationId) {
  std::string host = deploy::Value(deploy::HlsPortalScriptHost);
  if (host.empty()) return std::string();
  std::string location = "S1/HLS_LIVE/" + stationId + "/index.m3u8?live=true";
  std::string body = ResolverGetOk(deploy::AddressOn(host, "/mls.php?p=" + URLEncode(location)));
  if (body.empty()) return std::string();
  auto json = ParseJson(body);
  return json ? ServiceAddress(*json) : std::string();
}

std::string ResolveNetworkSite(const std::string& stationKey) {
  std::string host;
  std::string path;
  bool renameForCnn = false;
  if (stationKey == "radyod") {
    host = deploy::Value(deploy::RadyodStationHost);
    path = "/player_test/radyod.aspx";
  } else if (stationKey == "slowturk" || stationKey == "cnnturk") {
    host = deploy::Value(deploy::SlowturkStationHost);
    path = "/player_test/slowturk.aspx";
    renameForCnn = stationKey == "cnnturk";
  } else {
    return std::string();
  }
  if (host.empty()) return std::string();

  TRequest request;
  if (!request.SetMethodAndURL("GET", deploy::AddressOn(host, path))) return std::string();
  request.SetSlot(rsAccept, "*/*");
  request.SetSlot(rsUserAgent, ResolverUserAgentWithVendor());
  request.Execute(InternetHandle());
  std::string_view page = request.Response().Body;
  if (page.empty()) return std::string();

  auto json = ParseJsonBetween(page, "var settings = ", "$(document)");
  if (!json) return std::string();
  return renameForCnn ? ServiceAddress(*json, "slowturk", "cnnradyo") : ServiceAddress(*json);
}

std::string ResolveMusicSong(const std::string& songId) {
  std::string host = deploy::Value(deploy::MusicServiceHost);
  if (host.empty()) return std::string();
  TRequest request;
  if (!request.SetMethodAndURL("POST", deploy::AddressOn(host, "/fizy::getSong"))) return std::string();
  request.Body = "SID=" + songId;
  request.SetSlot(rsAccept, "*/*");
  request.SetSlot(rsContentType, "application/x-www-form-urlencoded; charset=UTF-8");
  request.SetSlot(rsContentLength, std::to_string(request.Body.size()));
  request.SetSlot(rsReferer, deploy::AddressOn(host, "/"));
  request.AddHeader("X-Requested-With", "XMLHttpRequest");
  request.SetSlot(rsUserAgent, kResolverUserAgent);
  request.Execute(InternetHandle());
  const std::string& body = request.Response().Body;
  if (body.empty()) return std::string();
  auto json = ParseJson(body);
  if (!json) return std::string();
  std::string source = json->S("source");
  if (json->S("type") == "video" && json->S("provider") == "youtube") {
    std::string videoHost = deploy::Value(deploy::VideoSiteHost);
    if (videoHost.empty()) return std::string();
    source = ResolveVideoPage(deploy::AddressOn(videoHost, "/watch?v=" + source), "18");
  }
  return source;
}
