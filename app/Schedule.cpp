#include "app/Schedule.h"

#include "app/IndexedTable.h"

namespace app {

namespace {

constexpr const char16_t* kBoolKeys[sbCount] = {u"enable", u"mute"};
constexpr const char16_t* kIntKeys[siCount] = {u"action"};
constexpr const char16_t* kStrKeys[ssCount] = {u"radioname"};
constexpr const char16_t* kTimeKeys[stCount] = {u"starttime", u"duration"};

template <std::size_t N, typename E>
const char16_t* Key(const char16_t* const (&table)[N], E index) {
  const char16_t* const* entry = TableEntry(table, index);
  return entry ? *entry : nullptr;
}

}  // namespace

bool TSchedule::ReadBool(TScheduleBool index) const {
  auto* key = Key(kBoolKeys, index);
  return key && TWMemIniFile::ReadBool(Section, key, false);
}

void TSchedule::WriteBool(TScheduleBool index, bool value) {
  if (auto* key = Key(kBoolKeys, index)) TWMemIniFile::WriteBool(Section, key, value);
}

int TSchedule::ReadInt(TScheduleInt index) const {
  auto* key = Key(kIntKeys, index);
  return key ? ReadInteger(Section, key, 0) : 0;
}

void TSchedule::WriteInt(TScheduleInt index, int value) {
  if (auto* key = Key(kIntKeys, index)) WriteInteger(Section, key, value);
}

std::u16string TSchedule::ReadStr(TScheduleStr index) const {
  auto* key = Key(kStrKeys, index);
  return key ? ReadString(Section, key, u"") : std::u16string();
}

void TSchedule::WriteStr(TScheduleStr index, std::u16string_view value) {
  if (auto* key = Key(kStrKeys, index)) WriteString(Section, key, value);
}

TDateTime TSchedule::ReadTime(TScheduleTime index) const {
  auto* key = Key(kTimeKeys, index);
  if (!key) return 0;
  TDateTime value = 0;
  if (!TryParseTime(ReadString(Section, key, FormatTime(0)), value)) return 0;
  return value;
}

void TSchedule::WriteTime(TScheduleTime index, TDateTime value) {
  if (auto* key = Key(kTimeKeys, index)) WriteString(Section, key, FormatTime(value));
}

}  // namespace app
