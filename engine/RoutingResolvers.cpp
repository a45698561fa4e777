// The real resolvers behind the routing table.
#include "engine/Resolvers.h"
#include "engine/Routing.h"
#include "engine/YouTube.h"

TResolverTable DefaultResolvers() {
  TResolverTable table;
  table.ResolveByHost = [](const std::string& address) { return ResolveByHost(address); };
  table.ResolveVideoSite = [](const std::string& address) { return ResolveVideoSite(address); };
  table.ResolveMusicSong = [](const std::string& songId) { return ResolveMusicSong(songId); };
  table.IsVideoSiteHost = [](const std::string& host, int port) { return IsVideoSiteHost(host, port); };
  table.IsMusicServiceHost = [](const std::string& host, int port) { return IsMusicServiceHost(host, port); };
  return table;
}
