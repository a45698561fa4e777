#include "ResolverFuzz.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/JsonReader.h"
#include "engine/YouTube.h"
#include "support/URLUtils.h"

namespace {

// Crashes loudly (so the fuzzer records the input) when a promise breaks.
void Require(bool condition) {
  if (!condition) std::abort();
}

void Walk(const TJsonValue& value, int depth) {
  Require(depth <= TJsonValue::kMaxDepth + 1);
  (void)value.AsWide();
  for (std::size_t i = 0; i < value.Length(); ++i) Walk(value.Item(i), depth + 1);
}

}  // namespace

int FuzzJsonReader(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto json = ParseJson(text);
  if (json) {
    Walk(*json, 0);
    for (const char* path : {"l", "url", "channel_id", "ServiceUrl", "SecurePath", "source", "type", "provider",
                             "args.video_id", "args.title", "args.fmt_list", "args.url_encoded_fmt_stream_map",
                             "0.url", "a.b.c.d", "", "."}) {
      (void)json->S(path);
      (void)json->W(path);
    }
  }
  TYouTubeInformation info;
  try {
    ReadYouTubePage("ytplayer.config = " + std::string(text) + "</script>", info);
  } catch (const EWebBrokerException&) {
  } catch (const EConvertError&) {
  }
  return 0;
}

int FuzzUrlDecoder(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  TURLDecodeResult r = URLDecodeChecked(text);
  Require(r.Text.size() <= text.size());
  Require(r.Error == TURLDecodeError::None || (r.Position >= 1 && r.Position <= text.size()));
  Require(URLDecode(text) == r.Text);
  try {
    std::string decoded = HTTPDecode(text);
    Require(r.Error == TURLDecodeError::None && decoded == r.Text);
  } catch (const EWebBrokerException&) {
    Require(r.Error == TURLDecodeError::Truncated);
  } catch (const EConvertError&) {
    Require(r.Error == TURLDecodeError::BadHex);
  }
  Require(URLDecode(URLEncode(text)) == text);
  TURLComponentStrings parts;
  if (SplitURL(text, parts)) {
    Require(parts.HostName.size() < 256 && parts.URLPath.size() < 2048 && parts.ExtraInfo.size() < 2055);
    Require(parts.URLPath.empty() || parts.URLPath.find_first_of("?#") == std::string::npos);
  }
  for (char delimiter : {',', '&', '='}) (void)SplitStrict(text, delimiter);
  return 0;
}
