#include "audio/internal/IcyParser.h"

#include <algorithm>

namespace audio::detail {

void TIcyParser::Reset(size_t metaInt) {
  metaInt_ = metaInt <= kMaxMetaInt ? metaInt : 0;
  audioLeft_ = metaInt_;
  metaLeft_ = 0;
  inMeta_ = false;
  wantLength_ = false;
  block_.clear();
}

void TIcyParser::Feed(const char* data, size_t length,
                      const std::function<void(const char*, size_t)>& audio,
                      const std::function<void(const std::string&)>& meta) {
  if (metaInt_ == 0) {
    if (length) audio(data, length);
    return;
  }
  while (length > 0) {
    if (wantLength_) {
      metaLeft_ = static_cast<size_t>(static_cast<unsigned char>(*data)) * 16;
      ++data;
      --length;
      wantLength_ = false;
      if (metaLeft_ == 0) {
        audioLeft_ = metaInt_;
      } else {
        inMeta_ = true;
        block_.clear();
      }
      continue;
    }
    if (inMeta_) {
      size_t take = std::min(metaLeft_, length);
      block_.append(data, take);
      data += take;
      length -= take;
      metaLeft_ -= take;
      if (metaLeft_ == 0) {
        inMeta_ = false;
        audioLeft_ = metaInt_;
        size_t end = block_.find('\0');
        if (end != std::string::npos) block_.resize(end);
        if (!block_.empty()) meta(block_);
        block_.clear();
      }
      continue;
    }
    size_t take = std::min(audioLeft_, length);
    if (take) audio(data, take);
    data += take;
    length -= take;
    audioLeft_ -= take;
    if (audioLeft_ == 0) wantLength_ = true;
  }
}

size_t ParseMetaInt(const std::string& value) {
  size_t b = value.find_first_not_of(" \t");
  size_t e = value.find_last_not_of(" \t\r\n");
  if (b == std::string::npos) return 0;
  std::string digits = value.substr(b, e - b + 1);
  if (digits.empty() || digits.size() > 8 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  size_t v = std::stoul(digits);
  return v <= TIcyParser::kMaxMetaInt ? v : 0;
}

}  // namespace audio::detail
