#include "MainWindowTestKit.h"

#include <chrono>

#include "Media.h"
#include "Offline.h"
#include "Shell.h"
#include "app/Globals.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"
#include "support/Encoding.h"
#include "support/HttpSession.h"

namespace ctltest {

namespace fs = std::filesystem;
using namespace core;

fs::path Media(const std::string& name) {
  std::string codec;
  if (name == "tone.mp3") codec = "-c:a libmp3lame -b:a 128k ";
  else if (name == "tone.ogg") codec = "-c:a libvorbis -q:a 3 ";
  else return {};
  return testkit::MediaFile("controller-test-media", name, [&](const fs::path& path) {
    return std::string(testkit::kFfmpegMake) + testkit::SineInput(440, 44100, 2, 20) + codec +
           testkit::ShellQuote(path.string());
  });
}

void ServeSilence(const testkit::FixtureServer& server, testkit::Connection&) {
  while (server.SleepFor(std::chrono::milliseconds(20))) {
  }
}

TClientWindow::~TClientWindow() { DestroyHandle(); }

void TClientWindow::WndProc(TMessage& m) {
  if (m.Msg == WM_CREATE || m.Msg == WM_DESTROY || m.Msg == WM_NCDESTROY) {
    TMessageWindow::WndProc(m);
    return;
  }
  TEntry e{m.Msg, m.WParam, m.LParam, {}};
  if (m.Msg == app::UM_PLAYER_META && m.LParam) e.Text = reinterpret_cast<const char*>(m.LParam);
  if (m.Msg == WM_SETTEXT && m.LParam) e.Text = enc::Utf16ToUtf8(reinterpret_cast<const char16_t*>(m.LParam));
  {
    std::lock_guard<std::mutex> lock(FLock);
    FEntries.push_back(e);
  }
  m.Result = Answer;
}

std::vector<TClientWindow::TEntry> TClientWindow::Entries() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FEntries;
}

int TClientWindow::Count(UINT msg) const {
  int n = 0;
  for (const auto& e : Entries()) n += e.Msg == msg;
  return n;
}

int TClientWindow::CountEvent(WPARAM code) const {
  int n = 0;
  for (const auto& e : Entries()) n += e.Msg == app::UM_PLAYER_EVENT && e.W == code;
  return n;
}

std::vector<WPARAM> TClientWindow::Events() const {
  std::vector<WPARAM> out;
  for (const auto& e : Entries())
    if (e.Msg == app::UM_PLAYER_EVENT) out.push_back(e.W);
  return out;
}

void TClientWindow::Clear() {
  std::lock_guard<std::mutex> lock(FLock);
  FEntries.clear();
}

TControllerFixture::TControllerFixture() {
  InitMessages();
  SettingsFolder = enc::Utf8ToUtf16((Dir.Path() / "settings").string() + "/");
  RecordFolder = enc::Utf8ToUtf16((Dir.Path() / "records").string());
  fs::create_directories(Dir.Path() / "settings");
  // A player window made by a test's factory must not start a built-in
  // (internet) favourite by itself.
  testkit::SeedOfflineOptions(Dir.Path() / "settings");
  Options = std::make_unique<app::TOptions>(SettingsFolder + u"options.ini", enc::Utf8ToUtf16(Dir.Path().string()));
  Options->WriteStr(app::osFolder, RecordFolder);
  AudioOk = InitBass(0);
  OpenInternetHandle();
}

TControllerFixture::~TControllerFixture() {
  Destroy();
  FreeBass();
}

app::TMainWindow& TControllerFixture::Make() {
  app::TMainWindowConfig config;
  config.SettingsFolder = SettingsFolder;
  config.TrayIcon = false;
  config.QuitOnDestroy = false;
  Controller = std::make_unique<app::TMainWindow>(*Options, config);
  Controller->Beep = [this] { ++Beeps; };
  Controller->OpenAddress = [](const std::string&) {};
  return *Controller;
}

void TControllerFixture::Start() {
  if (!Controller) Make();
  Controller->HandleNeeded();
  Send(app::UM_REGISTER_CLIENT, 0, static_cast<LPARAM>(Client.Handle()));
}

LRESULT TControllerFixture::Send(UINT msg, WPARAM w, LPARAM l) {
  return SendMessage(Controller->WindowHandle(), msg, w, l);
}

void TControllerFixture::Play(const std::u16string& name, const std::u16string& address) {
  Send(app::UM_PLAY, reinterpret_cast<WPARAM>(name.c_str()), reinterpret_cast<LPARAM>(address.c_str()));
}

void TControllerFixture::NoResolvers() {
  TResolverTable same;
  same.ResolveByHost = [](const std::string& a) { return a; };
  same.ResolveVideoSite = [](const std::string& a) { return a; };
  same.ResolveMusicSong = [](const std::string& a) { return a; };
  same.IsVideoSiteHost = [](const std::string&, int) { return false; };
  same.IsMusicServiceHost = [](const std::string&, int) { return false; };
  Controller->BassPlayer()->Resolvers = same;
  Controller->AVConvPlayer()->Resolvers = same;
}

void TControllerFixture::Destroy() {
  if (Controller && Controller->HandleAllocated()) SendMessage(Controller->WindowHandle(), WM_CLOSE);
  Controller.reset();
}

}  // namespace ctltest
