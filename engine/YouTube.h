// The video site: reading a watch page into its stream list, the strict
// field splitting and the URL decoder that page reading relies on, and the
// video resolver with its two modes (an external downloader when one is
// installed, else the page reader).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Raised by HTTPDecode for a "%" with fewer than two characters after it.
class EWebBrokerException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised by HTTPDecode for a "%" followed by two non-hexadecimal characters.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TYouTubeFormat {
  std::string itag;
  std::string resolution;
};
using TYouTubeFormats = std::vector<TYouTubeFormat>;

struct TYouTubeStreamMap {
  std::string url;
  std::string quality;
  std::string fallback_host;
  std::string type;
  std::string stereo3d;
  std::string resolution;
  std::string itag;
  std::string sig;
};
using TYouTubeStreamMaps = std::vector<TYouTubeStreamMap>;

struct TYouTubeInformation {
  std::string video_id;
  std::u16string title;
  std::string fmt_list;
  std::string length_seconds;
  TYouTubeFormats formats;
  TYouTubeStreamMaps streams;
};

// "+" to a blank, "%%" to "%", "%XY" to a byte; raises on a bad escape
// (positions count from 0 and point just after the "%").
std::string HTTPDecode(std::string_view text);

// Splits at one delimiter only: empty fields are kept, a delimiter at the
// end adds an empty last field, and a field that starts with a double
// quote is read up to its closing quote ("" inside stands for one quote).
std::vector<std::string> SplitStrict(std::string_view text, char delimiter);

// Fills `info` from a watch page; false when the page has no player
// settings to read. Raises the decoder's errors for bad escapes.
bool ReadYouTubePage(std::string_view page, TYouTubeInformation& info);
// url + "&signature=" + sig of the first stream with the itag; empty when
// none has it.
std::string YouTubeStreamAddress(const TYouTubeInformation& info, const std::string& format);

// The external downloader ("yt-dlp", else "youtube-dl") beside the program
// or on PATH; empty when there is none.
std::string FindVideoDownloader();
// How long the external downloader may take to print its answer before it
// is given up (and killed). Settable for tests.
void SetVideoDownloaderTimeout(int milliseconds);

// The video resolver: the playable address of a watch page, empty when
// it cannot be found. May raise EWebBrokerException or EConvertError from
// the page reader.
std::string ResolveVideoSite(const std::string& address);
// The page reader alone (mode "self"), as the music-service resolver uses it.
std::string ResolveVideoPage(const std::string& address, const std::string& format);
// The external mode alone, with the downloader found by FindVideoDownloader.
std::string ResolveVideoWithDownloader(const std::string& downloader, const std::string& address,
                                       const std::string& format);
