// Helpers of the controller tests: a controller over a private settings
// folder with the audio library on the no-sound device, a client window
// that records what the controller tells it, and the tone files that the
// stream fixtures play.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FixtureServer.h"
#include "TempDir.h"
#include "app/MainWindow.h"
#include "app/Options.h"

namespace ctltest {

// "tone.mp3" (20 s, 44100 Hz stereo), "tone.ogg" (20 s Vorbis), made once
// per build folder; an empty path for any other name.
std::filesystem::path Media(const std::string& name);

// Accepts and then sends nothing until the server stops.
void ServeSilence(const testkit::FixtureServer& server, testkit::Connection& connection);

// A window that records the controller's notifications and any other
// message sent to it.
class TClientWindow : public core::TMessageWindow {
 public:
  struct TEntry {
    core::UINT Msg;
    core::WPARAM W;
    core::LPARAM L;
    std::string Text;  // byte text of UM_PLAYER_META, wide text of WM_SETTEXT as UTF-8
  };
  ~TClientWindow() override;
  void WndProc(core::TMessage& m) override;
  std::vector<TEntry> Entries() const;
  int Count(core::UINT msg) const;
  int CountEvent(core::WPARAM code) const;
  std::vector<core::WPARAM> Events() const;
  void Clear();
  core::LRESULT Answer = 0;  // result of every message

 private:
  mutable std::mutex FLock;
  std::vector<TEntry> FEntries;
};

// A controller over a fresh settings folder; the audio library runs on the
// no-sound device for its lifetime.
class TControllerFixture {
 public:
  TControllerFixture();
  ~TControllerFixture();

  // Makes the controller (hooks may be set on it before Start).
  app::TMainWindow& Make();
  // Creates its handle and registers the client window.
  void Start();
  core::LRESULT Send(core::UINT msg, core::WPARAM w = 0, core::LPARAM l = 0);
  // Plays through UM_PLAY.
  void Play(const std::u16string& name, const std::u16string& address);
  // Replaces the site resolvers of both players by "leave unchanged".
  void NoResolvers();
  // Closes and frees the controller.
  void Destroy();

  testkit::TempDir Dir;
  std::u16string SettingsFolder;
  std::u16string RecordFolder;
  std::unique_ptr<app::TOptions> Options;
  std::unique_ptr<app::TMainWindow> Controller;
  TClientWindow Client;
  int Beeps = 0;
  bool AudioOk = false;
};

}  // namespace ctltest
