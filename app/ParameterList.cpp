#include "app/ParameterList.h"

#include "app/FormatSettings.h"
#include "support/Encoding.h"
#include "support/WIniFiles.h"

namespace app {

TParameterList::TParameterList(const std::vector<std::u16string>& arguments) {
  for (const auto& argument : arguments) Add(argument);
}

TParameterList::TParameterList(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    FBytes.emplace_back(argv[i]);
    Add(enc::BytesToWide(argv[i]));
  }
}

namespace {

// The switches whose value may also follow as the next argument, as shells
// and users write it: -name "Test Radyo" -duration 00:00:05.
bool TakesValue(std::u16string_view line) {
  for (auto name : {u"-name", u"-action", u"-duration", u"-time", u"-volume"})
    if (wstr::WideSameText(line, name)) return true;
  return false;
}

bool IsValue(const std::u16string& line) { return !line.empty() && line[0] != u'-' && line != u"/?"; }

}  // namespace

TSwitch TParameterList::Find(std::u16string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::u16string& line = Get(i);
    if (line.size() < name.size() || !wstr::WideSameText(std::u16string_view(line).substr(0, name.size()), name))
      continue;
    if (line.size() == name.size()) {
      if (TakesValue(line) && i + 1 < Count() && IsValue(Get(i + 1))) return {true, Get(i + 1)};
      return {true, u""};
    }
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
    // The value of a switch before it is no file to open.
    if (!IsValue(line) || (i > 0 && TakesValue(Get(i - 1)))) continue;
    // The bytes stand in for the line only while the list is as main() gave it.
    bool bytes = FBytes.size() == static_cast<size_t>(Count()) && enc::BytesToWide(FBytes[i]) == line;
    targets.push_back(bytes ? enc::FileNameToWide(FBytes[i]) : line);
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
