// The schedule store: the one daily recording, held in memory and written
// to "schedule.ini" (UTF-16LE with FF FE) when the program ends.
#pragma once

#include <string>

#include "app/FormatSettings.h"
#include "support/WIniFiles.h"

namespace app {

enum TScheduleBool : int { sbEnable, sbMute, sbCount };
enum TScheduleInt : int { siAction, siCount };
enum TScheduleStr : int { ssRadioName, ssCount };
enum TScheduleTime : int { stStartTime, stDuration, stCount };

// What happens when the scheduled recording is over.
enum TScheduleAction : int {
  saContinue = 0,  // stop recording, keep playing
  saStop = 1,      // stop recording and playback
  saClose = 2,     // close the program
  saShutdown = 3,
  saReboot = 4,
  saLogoff = 5,
};

class TSchedule : public TWMemIniFile {
 public:
  explicit TSchedule(std::u16string fileName) : TWMemIniFile(std::move(fileName)) {}

  // An index outside its family reads as false, 0 or empty (time 0) and
  // writes nothing.
  bool ReadBool(TScheduleBool index) const;
  void WriteBool(TScheduleBool index, bool value);
  int ReadInt(TScheduleInt index) const;
  void WriteInt(TScheduleInt index, int value);
  std::u16string ReadStr(TScheduleStr index) const;
  void WriteStr(TScheduleStr index, std::u16string_view value);
  // A fraction of a day. A missing key or a text that is not a time of day
  // reads as 00:00:00.
  TDateTime ReadTime(TScheduleTime index) const;
  // Stored as "hh:nn:ss".
  void WriteTime(TScheduleTime index, TDateTime value);

  bool ReadEnabled() const { return ReadBool(sbEnable); }
  void WriteEnabled(bool value) { WriteBool(sbEnable, value); }
  bool ReadMute() const { return ReadBool(sbMute); }
  void WriteMute(bool value) { WriteBool(sbMute, value); }
  int ReadAction() const { return ReadInt(siAction); }
  void WriteAction(int value) { WriteInt(siAction, value); }
  std::u16string ReadRadioName() const { return ReadStr(ssRadioName); }
  void WriteRadioName(std::u16string_view value) { WriteStr(ssRadioName, value); }
  TDateTime ReadStartTime() const { return ReadTime(stStartTime); }
  void WriteStartTime(TDateTime value) { WriteTime(stStartTime, value); }
  TDateTime ReadDuration() const { return ReadTime(stDuration); }
  void WriteDuration(TDateTime value) { WriteTime(stDuration, value); }

  static constexpr const char16_t* Section = u"schedule";
};

}  // namespace app
