// Site-specific stream resolvers: turn an address on a portal, the TV
// network's radio pages, the video site, the music service or the vendor's
// lookup service into a playable stream address. They run on the players'
// worker threads and block until their HTTP exchanges are done. A result
// is the stream address, or the empty text when resolution failed; nothing
// raises except the video page reader's URL decoder (EWebBrokerException,
// EConvertError from engine/YouTube.h).
#pragma once

#include <string>

#include "engine/YouTube.h"
#include "support/URLUtils.h"

// Index (1 to 6) of the first host-table entry equal to the lower-cased
// host, 0 when none is. Entries come from the deployment table in this
// order: vendor domain, streams portal, HLS portal, network site, video
// site, music service. An entry with a port matches only that port; an
// empty entry never matches.
int ResolverHostIndex(const std::string& host, int port);

// Whether a host belongs to the video site (its table entry without the
// first label, as a substring) or to the music service (its entry as a
// substring); used to route plain web addresses.
bool IsVideoSiteHost(const std::string& host, int port);
bool IsMusicServiceHost(const std::string& host, int port);

// The song id of a music-service web address: the text of its extra
// information after the last "/" (all of it when it holds no "/").
std::string MusicSongId(const TURLComponentStrings& parts);

// Resolve by host: unchanged for hosts outside the table and for paths
// that do not start with "/"; otherwise the chosen resolver's result.
std::string ResolveByHost(const std::string& address);

std::string ResolveVendorLookup(const std::string& stationId);
std::string ResolveStreamsPortal(const std::string& stationId);
std::string ResolveHlsPortal(const std::string& stationId);
std::string ResolveNetworkSite(const std::string& stationKey);
std::string ResolveMusicSong(const std::string& songId);

// SecurePath up to the first "&app"; empty when it has none.
std::string CutSecurePath(const std::string& securePath);
