// Hosts and addresses that differ between deployments: the vendor's
// services, the sites the stream resolvers read, share and download
// addresses. The defaults below can be overridden by a "deploy.ini" beside
// the program or in the settings folder (a "[Deploy]" section, or plain
// key=value lines). An empty host switches its feature off silently. Host
// values may carry a port ("127.0.0.1:8080") and, where an address is
// built from them, a scheme ("https://host").
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace deploy {

// Keys of the table, as written in deploy.ini.
inline constexpr std::string_view VendorApiHost = "VendorApiHost";          // version, banner, database, lookup script, browser pages
inline constexpr std::string_view AdminPathSegment = "AdminPathSegment";    // 14-character browser segment for administrators
inline constexpr std::string_view VendorDomain = "VendorDomain";            // host table entry 1 and the User-Agent suffix
inline constexpr std::string_view WebSiteAddress = "WebSiteAddress";        // product site: Referer of the counter, share text
inline constexpr std::string_view DownloadAddress = "DownloadAddress";      // opened when a new version is announced
inline constexpr std::string_view CounterHost = "CounterHost";              // visitor counter
inline constexpr std::string_view ShortLink = "ShortLink";                  // fixed short link of the Twitter text
inline constexpr std::string_view FacebookShareHost = "FacebookShareHost";
inline constexpr std::string_view GooglePlusShareHost = "GooglePlusShareHost";
inline constexpr std::string_view TwitterShareHost = "TwitterShareHost";
// Host table of the resolvers, in dispatch order after the vendor's domain.
inline constexpr std::string_view StreamsPortalHost = "StreamsPortalHost";
inline constexpr std::string_view HlsPortalHost = "HlsPortalHost";
inline constexpr std::string_view NetworkSiteHost = "NetworkSiteHost";
inline constexpr std::string_view VideoSiteHost = "VideoSiteHost";
inline constexpr std::string_view MusicServiceHost = "MusicServiceHost";
// Where the resolvers fetch from.
inline constexpr std::string_view StreamsPortalMobileHost = "StreamsPortalMobileHost";
inline constexpr std::string_view HlsPortalScriptHost = "HlsPortalScriptHost";
inline constexpr std::string_view RadyodStationHost = "RadyodStationHost";
inline constexpr std::string_view SlowturkStationHost = "SlowturkStationHost";

// The value for a key; unknown keys give the empty text. Thread-safe.
std::string Value(std::string_view key);
// Replaces one value (tests, and the loader below).
void SetValue(std::string_view key, std::string value);
// Back to the shipped defaults.
void Reset();
// All keys with their shipped defaults.
std::vector<std::pair<std::string, std::string>> Defaults();

// Applies the known keys found in one file; false when it cannot be read.
// Unknown keys are ignored, so an old file never breaks a newer program.
bool LoadFile(const std::filesystem::path& path);
// Defaults, then deploy.ini beside the program, then deploy.ini in the
// settings folder (later files win).
void Load(const std::filesystem::path& programFolder, const std::filesystem::path& settingsFolder);

// Load() with the folder of the running program and the settings folder
// ($XDG_CONFIG_HOME/Kelvarin/QOR, by default ~/.config/Kelvarin/QOR).
void LoadStandard();

// "http://" + host + pathAndQuery, or the host as given when it already
// names a scheme. Empty when the host is empty.
std::string AddressOn(std::string_view host, std::string_view pathAndQuery);

// Splits "host[:port]" (a scheme prefix is ignored) into its host and port
// (0 when none).
void SplitHostPort(std::string_view value, std::string& host, int& port);

}  // namespace deploy
