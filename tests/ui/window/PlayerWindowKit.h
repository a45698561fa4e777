// The player window on the offscreen backend, beside a stand-in controller
// that answers the requests of the message protocol from fields the test
// sets and records what the window asked for.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FixtureServer.h"
#include "TempDir.h"
#include "app/Options.h"
#include "ui/window/PlayerWindow.h"

namespace ctltest {
class TControllerFixture;
}

namespace uitest {

struct TStation {
  std::u16string Name;
  std::string Url;
  int32_t Id = 0;
  std::u16string Key = {};
};

// Seals the stations as a list file (the favourites' playlist.rpf) at
// `file`.
bool SaveStations(const std::filesystem::path& file, const std::vector<TStation>& stations);

// Serves the controller kit's tone as an ICY station at "/live" of the
// server, with `title` in every metadata block; false when the tone is
// missing.
bool RouteIcyStation(testkit::FixtureServer& server, const std::string& title);

// Starts the real controller of the fixture, whose start-up tick makes the
// player window (away from where other tests put theirs, without autoplay
// and banner); the window once its start-up ran, nullptr when it did not.
ui::TPlayerWindow* StartWithController(ctltest::TControllerFixture& fx);

class TStandInController : public core::TMessageWindow {
 public:
  ~TStandInController() override;
  void WndProc(core::TMessage& m) override;
  int Count(core::UINT msg) const;

  // Answers.
  int PlayState = 0;
  int RecorderState = 6;
  bool RecordRefused = false;
  // Recording: what the recorder answers.
  std::uint32_t RecordedSize = 0;
  std::u16string RecordingFile;
  std::u16string RecordingError;
  int StopResult = 0, CancelResult = 0, PauseResult = 0;
  int PauseRequests = 0, ResumeRequests = 0;
  int Mute = 0;
  std::string Meta;
  std::string Tags;
  int Bitrate = 0, SampleRate = 0, Stereo = 0;
  std::string Codec;
  // The spectrum block the window asks for on each frame (empty: silence).
  std::vector<float> Spectrum;

  // What the window told it.
  std::vector<core::UINT> Requests;
  std::u16string PlayedName, PlayedUrl;
  std::u16string TrayHint;
  core::HWND Client = 0;
  int Volume = -1;
  int Closes = 0;
};

class TPlayerWindowKit {
 public:
  TPlayerWindowKit();
  ~TPlayerWindowKit();

  void WriteOptions(const std::string& text);
  void WriteFavourites(const std::vector<TStation>& stations);
  void WriteDatabase(const std::vector<TStation>& stations);
  // Makes the window and creates its handle; `start` also runs the
  // start-up sequence.
  ui::TPlayerWindow& Open(bool start = true);
  void Close();
  std::u16string Option(const char16_t* section, const char16_t* key);
  // Sends a player event as the controller does.
  void Event(core::WPARAM code, core::LPARAM value = 0);

  testkit::TempDir Dir;
  std::u16string SettingsFolder;
  std::unique_ptr<app::TOptions> Options;
  TStandInController Controller;
  std::unique_ptr<ui::TPlayerWindow> Window;
  ui::TPlayerWindowConfig Config;
  int InfoBoxes = 0;
  // Recording: error boxes and what the notice was asked to show or open.
  int ErrorBoxes = 0;
  std::u16string LastErrorText;
  std::vector<std::string> ShownFiles, OpenedFiles;
};

// Runs xdotool with the arguments and waits for it; false when it failed.
bool Xdotool(const std::vector<std::string>& args);

}  // namespace uitest
