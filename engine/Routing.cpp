#include "engine/Routing.h"

#include <sys/stat.h>

#include "support/URLUtils.h"

namespace {

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

std::string Call(const std::function<std::string(const std::string&)>& f, const std::string& arg) {
  // A missing resolver behaves like a failed lookup: the empty address,
  // which the opener turns into the library's error code.
  return f ? f(arg) : std::string();
}

// Without a dispatcher every host counts as outside its table.
std::string ResolveByHostOrKeep(const TResolverTable& resolvers, const std::string& address) {
  return resolvers.ResolveByHost ? resolvers.ResolveByHost(address) : address;
}

}  // namespace

std::string LocalPathFromFileAddress(const std::string& address) {
  // The authority is taken as written: the splitter reads "C:" as a host
  // with an empty port and would lose the colon of a drive name.
  std::string rest = address.substr(address.find(':') + 1);
  std::string host;
  if (rest.compare(0, 2, "//") == 0) {
    rest.erase(0, 2);
    std::size_t end = rest.find_first_of("/?#");
    host = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : rest.substr(end);
  }
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (host == "localhost") host.clear();
  std::string path = host + rest;
  if (!PathExists(path)) {
    std::string decoded = URLDecode(path);
    if (decoded != path && PathExists(decoded)) return decoded;
  }
  return path;
}

TRoute RoutePlayerAddress(const std::string& address, const TResolverTable& resolvers) {
  TURLComponentStrings parts;
  int port = 0;
  if (!SplitURL(address, parts, &port)) parts = TURLComponentStrings{};
  const std::string& scheme = parts.Scheme;
  TRoute route;
  if (scheme == "bass" || scheme == "qor") {
    route.Target = ResolveByHostOrKeep(resolvers, address);
    return route;
  }
  if (resolvers.IsMusicServiceHost && resolvers.IsMusicServiceHost(parts.HostName, port)) {
    const std::string& extra = parts.ExtraInfo;
    std::size_t slash = extra.rfind('/');
    std::string songId = slash == std::string::npos ? extra : extra.substr(slash + 1);
    route.Target = Call(resolvers.ResolveMusicSong, songId);
    return route;
  }
  if (resolvers.IsVideoSiteHost && resolvers.IsVideoSiteHost(parts.HostName, port)) {
    route.Target = Call(resolvers.ResolveVideoSite, address);
    return route;
  }
  if (scheme != "file") {
    route.Target = address;
    return route;
  }
  route.Kind = TRouteKind::File;
  route.Target = LocalPathFromFileAddress(address);
  return route;
}

std::string RouteParserAddress(const std::string& address, const TResolverTable& resolvers) {
  return ResolveByHostOrKeep(resolvers, address);
}
