#include "app/ParameterList.h"

#include "app/FormatSettings.h"
#include "support/Encoding.h"
#include "support/WIniFiles.h"

namespace app {

TParameterList::TParameterList(const std::vector<std::u16string>& arguments) {
  for (const auto& argument : arguments) Add(argument);
}

TParameterList::TParameterList(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) Add(enc::BytesToWide(argv[i]));
}

TSwitch TParameterList::Find(std::u16string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::u16string& line = Get(i);
    if (line.size() < name.size() || !wstr::WideSameText(std::u16string_view(line).substr(0, name.size()), name))
      continue;
    if (line.size() == name.size()) return {true, u""};
    if (line[name.size()] == u'=') return {true, line.substr(name.size() + 1)};
  }
  return {};
}

bool TParameterList::HelpRequested() const {
  for (auto name : {u"--help", u"-help", u"-h", u"-?", u"/?"})
    if (IndexOf(name) >= 0) return true;
  return false;
}

std::vector<std::u16string> TParameterList::Targets() const {
  std::vector<std::u16string> targets;
  for (int i = 0; i < Count(); ++i) {
    const std::u16string& line = Get(i);
    if (!line.empty() && line[0] != u'-' && line != u"/?") targets.push_back(line);
  }
  return targets;
}

double TParameterList::DurationValue() const {
  TSwitch duration = Duration();
  TDateTime value = 0;
  if (!duration.Present || !TryParseTime(duration.Value, value)) return -1;
  return value;
}

int TParameterList::VolumeValue(int storedVolume) const {
  TSwitch volume = Volume();
  return volume.Present ? wstr::StrToIntDef(volume.Value, storedVolume) : storedVolume;
}

}  // namespace app
