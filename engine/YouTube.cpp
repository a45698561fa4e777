#include "engine/YouTube.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "engine/JsonReader.h"
#include "engine/Process.h"
#include "engine/ResolverHttp.h"
#include "support/URLUtils.h"

namespace {

std::atomic<int> gDownloaderTimeoutMs{60000};

std::string_view TrimView(std::string_view s) {
  const char* space = " \t\r\n\f\v";
  std::size_t start = s.find_first_not_of(space);
  if (start == std::string_view::npos) return {};
  std::size_t end = s.find_last_not_of(space);
  return s.substr(start, end - start + 1);
}

bool LooksLikeAddress(const std::string& line) {
  TURLComponentStrings parts;
  return line.find("://") != std::string::npos && line.find_first_of(" \t") == std::string::npos &&
         SplitURL(line, parts);
}

bool IsExecutable(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

std::string HTTPDecode(std::string_view text) {
  TURLDecodeResult r = URLDecodeChecked(text);
  switch (r.Error) {
    case TURLDecodeError::None:
      return r.Text;
    case TURLDecodeError::Truncated:
      throw EWebBrokerException("Error decoding URL style (%XX) encoded string at position " +
                                std::to_string(r.Position));
    case TURLDecodeError::BadHex:
      throw EConvertError("Invalid URL encoded character (" + std::string(text.substr(r.Position - 1, 3)) +
                          ") at position " + std::to_string(r.Position));
  }
  return r.Text;
}

std::vector<std::string> SplitStrict(std::string_view text, char delimiter) {
  std::vector<std::string> fields;
  std::size_t p = 0;
  const std::size_t n = text.size();
  while (p < n) {
    std::string field;
    if (text[p] == '"') {
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            field.push_back('"');
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        field.push_back(text[p++]);
      }
    } else {
      std::size_t end = text.find(delimiter, p);
      if (end == std::string_view::npos) end = n;
      field.assign(text.substr(p, end - p));
      p = end;
    }
    fields.push_back(std::move(field));
    // Text after a closing quote that is not the delimiter starts the next
    // field, as the old list splitter did.
    if (p < n && text[p] == delimiter) {
      if (p + 1 == n) fields.emplace_back();
      ++p;
    }
  }
  return fields;
}

bool ReadYouTubePage(std::string_view page, TYouTubeInformation& info) {
  auto json = ParseJsonBetween(page, "ytplayer.config = ", "</script>");
  if (!json) return false;

  info.video_id = json->S("args.video_id");
  info.title = json->W("args.title");
  info.fmt_list = json->S("args.fmt_list");
  info.length_seconds = json->S("args.length_seconds");
  std::string streamMap = json->S("args.url_encoded_fmt_stream_map");

  info.formats.clear();
  for (const std::string& piece : SplitStrict(info.fmt_list, ',')) {
    std::vector<std::string> parts = SplitStrict(piece, '/');
    if (parts.size() >= 2) info.formats.push_back({parts[0], parts[1]});
  }
  info.streams.clear();
  for (const std::string& entry : SplitStrict(streamMap, ',')) {
    TYouTubeStreamMap map;
    for (const std::string& pair : SplitStrict(entry, '&')) {
      std::vector<std::string> kv = SplitStrict(pair, '=');
      if (kv.empty()) continue;
      const std::string& key = kv[0];
      std::string value = kv.size() >= 2 ? kv[1] : std::string();
      if (key == "url") {
        map.url = HTTPDecode(value);
      } else if (key == "quality") {
        map.quality = value;
      } else if (key == "fallback_host") {
        map.fallback_host = HTTPDecode(value);
      } else if (key == "type") {
        map.type = HTTPDecode(value);
      } else if (key == "stereo3d") {
        map.stereo3d = value;
      } else if (key == "sig") {
        map.sig = value;
      } else if (key == "itag") {
        map.itag = value;
        map.resolution.clear();
        for (const auto& f : info.formats) {
          if (f.itag == value) {
            map.resolution = f.resolution;
            break;
          }
        }
      }
    }
    info.streams.push_back(std::move(map));
  }
  return true;
}

std::string YouTubeStreamAddress(const TYouTubeInformation& info, const std::string& format) {
  for (const auto& s : info.streams)
    if (s.itag == format) return s.url + "&signature=" + s.sig;
  return std::string();
}

std::string FindVideoDownloader() {
  static const char* const kNames[] = {"yt-dlp", "youtube-dl"};
  std::filesystem::path beside = ProgramFolder();
  if (!beside.empty()) {
    for (const char* name : kNames)
      if (IsExecutable(beside / name)) return (beside / name).string();
  }
  const char* env = std::getenv("PATH");
  std::string dirs = env ? env : "";
  std::size_t start = 0;
  while (start < dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::filesystem::path dir = dirs.substr(start, end - start);
    if (!dir.empty()) {
      for (const char* name : kNames)
        if (IsExecutable(dir / name)) return (dir / name).string();
    }
    start = end + 1;
  }
  return std::string();
}

void SetVideoDownloaderTimeout(int milliseconds) { gDownloaderTimeoutMs = milliseconds; }

std::string ResolveVideoWithDownloader(const std::string& downloader, const std::string& address,
                                       const std::string& format) {
  TProcess process;
  process.SetExecutable(downloader);
  process.Parameters() = {"-g", "-f", format, address};
  process.SetOptions({poUsePipes, poStderrToOutPut, poNewConsole});
  process.SetShowWindow(swoHIDE);
  try {
    process.Execute();
  } catch (const EProcess&) {
    return std::string();
  }
  // The downloader's standard error is merged into its output, so warnings
  // may come before or after the address. Read (at most 4097 bytes) until a
  // whole line holding an address has arrived, and give that line. A
  // downloader that says nothing in time is ended rather than left to hold
  // the worker for ever.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(gDownloaderTimeoutMs.load());
  std::string text;
  char buffer[4097];
  std::size_t scanned = 0;
  for (;;) {
    std::size_t lineEnd;
    while ((lineEnd = text.find('\n', scanned)) != std::string::npos) {
      std::string line(TrimView(std::string_view(text).substr(scanned, lineEnd - scanned)));
      scanned = lineEnd + 1;
      if (LooksLikeAddress(line)) return line;
    }
    if (text.size() >= sizeof buffer) break;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !process.Output()->WaitReadable(static_cast<int>(left.count()))) {
      process.Terminate(1);
      return std::string();
    }
    long n = process.Output()->Read(buffer, static_cast<long>(sizeof buffer - text.size()));
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    // Bytes after a NUL were never part of the answer.
    if (std::size_t nul = text.find('\0'); nul != std::string::npos) {
      text.resize(nul);
      break;
    }
  }
  std::string last(TrimView(std::string_view(text).substr(std::min(scanned, text.size()))));
  return LooksLikeAddress(last) ? last : std::string();
}

std::string ResolveVideoPage(const std::string& address, const std::string& format) {
  TRequest request;
  if (!request.SetMethodAndURL("GET", address)) return std::string();
  request.SetSlot(rsAccept, "*/*");
  request.SetSlot(rsReferer, address);
  request.SetSlot(rsUserAgent, kResolverUserAgent);
  request.Execute(InternetHandle());
  const std::string& page = request.Response().Body;
  if (page.empty()) return std::string();
  TYouTubeInformation info;
  if (!ReadYouTubePage(page, info)) return std::string();
  return YouTubeStreamAddress(info, format);
}

std::string ResolveVideoSite(const std::string& address) {
  const std::string format = "18";
  std::string downloader = FindVideoDownloader();
  if (!downloader.empty()) return ResolveVideoWithDownloader(downloader, address, format);
  return ResolveVideoPage(address, format);
}
