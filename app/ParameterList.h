// The command line, one argument per line (the program path excluded).
#pragma once

#include <string>
#include <vector>

#include "support/WStrings.h"

namespace app {

struct TSwitch {
  bool Present = false;
  std::u16string Value;  // the text after the first "=", or empty
};

class TParameterList : public TWStringList {
 public:
  TParameterList() = default;
  explicit TParameterList(const std::vector<std::u16string>& arguments);
  // Byte arguments as main() gets them (UTF-8, else Windows-1254).
  TParameterList(int argc, const char* const* argv);

  // A switch is present when a line equals it or starts with it followed
  // by "="; case does not matter. The first such line gives the value;
  // for -name, -action, -duration, -time and -volume written alone the
  // next argument is the value, unless it is a switch itself.
  TSwitch Find(std::u16string_view name) const;

  TSwitch Play() const { return Find(u"-play"); }
  TSwitch Name() const { return Find(u"-name"); }
  TSwitch Record() const { return Find(u"-record"); }
  TSwitch Action() const { return Find(u"-action"); }
  TSwitch Duration() const { return Find(u"-duration"); }
  TSwitch Time() const { return Find(u"-time"); }
  TSwitch Volume() const { return Find(u"-volume"); }
  TSwitch Mute() const { return Find(u"-mute"); }
  TSwitch Quit() const { return Find(u"-quit"); }
  TSwitch EnableLog() const { return Find(u"-enablelog"); }
  TSwitch Administrator() const { return Find(u"-administrator"); }
  // "--help", "-help", "-h", "-?" or "/?".
  bool HelpRequested() const;
  // The arguments that are no switches (not starting with "-", not "/?"):
  // files and addresses to open, in order. Given as bytes, they keep them
  // (enc::FileNameToWide), so that a file name that is not UTF-8 still
  // names its file.
  std::vector<std::u16string> Targets() const;

  // The values the player window reads when it opens: "-duration" as a
  // fraction of a day, -1 when absent or not a time of the long format;
  // "-volume" when it is a number, else the stored volume.
  double DurationValue() const;
  int VolumeValue(int storedVolume) const;

 private:
  // The arguments as main() got them, line by line; empty when the list
  // was made from wide texts.
  std::vector<std::string> FBytes;
};

}  // namespace app
