// Splits a shoutcast-style stream into audio bytes and metadata blocks: after
// every `metaint` audio bytes comes one length byte (x16) and that many
// bytes of metadata text, padded with NULs.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace audio::detail {

class TIcyParser {
 public:
  // Servers use a few kilobytes; anything beyond this is not believed.
  static constexpr size_t kMaxMetaInt = 1 << 20;

  // 0 (or an unbelievable interval) means the stream carries no metadata.
  void Reset(size_t metaInt);
  size_t MetaInt() const { return metaInt_; }

  // Calls `audio` with each run of audio bytes and `meta` with each complete,
  // non-empty metadata text (trailing NULs removed). A block cut off by the
  // end of the connection is never reported.
  void Feed(const char* data, size_t length, const std::function<void(const char*, size_t)>& audio,
            const std::function<void(const std::string&)>& meta);

 private:
  size_t metaInt_ = 0;
  size_t audioLeft_ = 0;
  size_t metaLeft_ = 0;
  bool inMeta_ = false;
  bool wantLength_ = false;
  std::string block_;
};

// Parses "icy-metaint" values: digits only, within 1..kMaxMetaInt, else 0.
size_t ParseMetaInt(const std::string& value);

}  // namespace audio::detail
