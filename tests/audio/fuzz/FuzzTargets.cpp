#include "FuzzTargets.h"

#include <string>

#include "audio/internal/IcyParser.h"
#include "audio/internal/Playlist.h"
#include "support/CommandLine.h"

using namespace audio::detail;

int FuzzAudioParsers(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  // ICY: the first byte picks the interval, the rest is the stream, fed in
  // uneven pieces.
  TIcyParser parser;
  parser.Reset(size ? 1 + data[0] % 64 : 0);
  size_t audio = 0;
  for (size_t i = 0; i < size;) {
    size_t step = 1 + (i * 31 + 7) % 97;
    step = std::min(step, size - i);
    parser.Feed(text.data() + i, step, [&](const char*, size_t n) { audio += n; },
                [&](const std::string& meta) {
                  if (meta.size() > 255 * 16) __builtin_trap();
                });
    i += step;
  }
  if (audio > size) __builtin_trap();
  auto kind = DetectPlaylist(text.substr(0, 40), text.substr(0, 80), text);
  for (auto k : {kind, TPlaylistKind::Pls, TPlaylistKind::M3u, TPlaylistKind::Asx}) {
    auto entries = ParsePlaylist(k, text, "http://host/dir/list");
    if (entries.size() > 64) __builtin_trap();
  }
  auto args = cmdline::Split(text);
  if (args.size() > size) __builtin_trap();
  return 0;
}
