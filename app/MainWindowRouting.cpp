// Which of the two players plays an address. The comparisons are exact and
// case-sensitive on purpose: "HTTP" is not "http", and an address the
// audio library would not recognise is better left to ffmpeg.
#include <algorithm>
#include <cctype>

#include "app/MainWindow.h"
#include "support/URLUtils.h"
#include "support/AsciiCase.h"

namespace app {

TPlayerChoice ChoosePlayer(const std::string& address, const std::string& videoHost) {
  TURLComponentStrings parts;
  if (!SplitURL(address, parts)) parts = {};
  TPlayerChoice choice;
  choice.Address = address;
  const std::string& scheme = parts.Scheme;

  if (scheme == "http" || scheme == "https") {
    choice.Kind = !videoHost.empty() && parts.HostName == videoHost ? TPlayerKind::AVConv : TPlayerKind::Bass;
  } else if (scheme == "mms" || scheme == "file" || scheme == "bass" || scheme == "applehttp") {
    choice.Kind = TPlayerKind::Bass;
  } else if (scheme == "ffmpeg" || scheme == "rtmp") {
    choice.Kind = TPlayerKind::AVConv;
  } else if (scheme == "qor") {
    const std::string& extra = parts.ExtraInfo;
    size_t at = extra.find("?p=");
    std::string player = at != std::string::npos ? extra.substr(at + 3) : (extra.size() > 2 ? extra.substr(2) : "");
    if (player == "bass") {
      choice.Kind = TPlayerKind::Bass;
    } else if (player == "ffmpeg") {
      choice.Kind = TPlayerKind::AVConv;
    } else {
      std::string path = parts.URLPath;
      if (!path.empty() && path[0] == '/') path.erase(0, 1);
      size_t slash = path.find('/');
      std::string segment = slash == std::string::npos ? std::string() : path.substr(0, slash);
      choice.Kind = ascii::Lower(segment) == "bass" ? TPlayerKind::Bass : TPlayerKind::AVConv;
    }
  } else if (size_t plus = scheme.find('+'); plus != std::string::npos) {
    std::string prefix = scheme.substr(0, plus);
    if (prefix == "ffmpeg" || prefix == "bass") {
      choice.Kind = prefix == "bass" ? TPlayerKind::Bass : TPlayerKind::AVConv;
      choice.Address = address.substr(address.find('+') + 1);
    } else {
      choice.Kind = TPlayerKind::AVConv;
    }
  } else {
    choice.Kind = TPlayerKind::AVConv;
  }
  return choice;
}

}  // namespace app
