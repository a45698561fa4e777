// The client window of qor-cli: it takes the player window's place towards
// the controller. It registers itself as the client, asks for the station
// through UM_PLAY, prints the player events and new titles, and in record
// mode starts the recording when the station plays and stops it when the
// time is over.
#pragma once

#include <chrono>
#include <iosfwd>
#include <memory>
#include <string>

#include "CliArguments.h"
#include "CliStations.h"
#include "app/MainWindow.h"

namespace cli {

// What outlives the session window (the controller frees the window when
// it closes).
struct TSessionState {
  int ExitCode = 0;
  bool Finished = false;
  core::HWND Session = 0;
  std::u16string RecordingFile;
};

// Messages the session posts to itself.
inline constexpr core::UINT CM_BEGIN = core::WM_USER + 1;
inline constexpr core::UINT CM_INTERRUPT = core::WM_USER + 2;

class TCliSession : public core::TMessageWindow {
 public:
  TCliSession(app::TMainWindow& controller, const TArguments& args, TStationHit station, TSessionState& state,
              std::ostream& events, std::ostream& out, std::ostream& err);
  ~TCliSession() override;
  void WndProc(core::TMessage& m) override;

 private:
  void Begin();
  void Event(core::WPARAM code, core::LPARAM value);
  void Title(const std::u16string& title);
  void Tick();
  void StartRecording();
  std::string RecordingError();
  void Finish(int code, const std::string& reason);
  core::LRESULT Send(core::UINT msg, core::WPARAM w = 0, core::LPARAM l = 0);
  void Line(const std::string& text);

  app::TMainWindow& FController;
  TArguments FArgs;
  TStationHit FStation;
  TSessionState& FState;
  std::ostream& FEvents;
  std::ostream& FOut;
  std::ostream& FErr;
  std::unique_ptr<core::TTimer> FTicker;
  bool FPlayed = false;
  bool FRecording = false;
  bool FStopping = false;
  std::chrono::steady_clock::time_point FSince;
  std::u16string FLastTitle;
  int FLastBuffering = -1;
  bool FStalled = false;  // "Takıldı" is printed once per stall
};

}  // namespace cli
