// Which addresses go to a site resolver, which are local files and which
// are opened as they stand, for the two players' worker threads. The
// resolvers are reached through a table of functions so that the choice
// can be exercised without the network; DefaultResolvers() gives the real
// ones.
#pragma once

#include <functional>
#include <string>

struct TResolverTable {
  // Resolve by host: the dispatcher over the host table.
  std::function<std::string(const std::string& address)> ResolveByHost;
  // The video site's watch page (may raise the page reader's decode errors).
  std::function<std::string(const std::string& address)> ResolveVideoSite;
  // The music service's song id.
  std::function<std::string(const std::string& songId)> ResolveMusicSong;
  // Host tests for plain web addresses (host as written, port or 0).
  std::function<bool(const std::string& host, int port)> IsVideoSiteHost;
  std::function<bool(const std::string& host, int port)> IsMusicServiceHost;
};

TResolverTable DefaultResolvers();

enum class TRouteKind { Internet, File };

struct TRoute {
  TRouteKind Kind = TRouteKind::Internet;
  std::string Target;  // the address to open, or the local path
};

// The BASS player's worker: music-service and video-site hosts are
// resolved, "bass" and "qor" addresses go through the host dispatcher,
// "file" addresses become local paths, everything else opens unchanged.
// Resolver exceptions reach the caller.
TRoute RoutePlayerAddress(const std::string& address, const TResolverTable& resolvers);

// The ffmpeg player's worker: every address goes through the host
// dispatcher, which leaves hosts outside its table unchanged.
std::string RouteParserAddress(const std::string& address, const TResolverTable& resolvers);

// The local path of a "file" address. Separators stay "/": the host, when
// it is neither empty nor "localhost", is put in front of the path, so
// file://C:/music/a.mp3 names C:/music/a.mp3 below the current folder and
// file:///home/a.mp3 names /home/a.mp3. Percent escapes are decoded only
// when the path as written does not exist and the decoded one does.
std::string LocalPathFromFileAddress(const std::string& address);
