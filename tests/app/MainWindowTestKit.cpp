#include "MainWindowTestKit.h"

#include <glib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/Globals.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"
#include "support/Encoding.h"
#include "support/HttpSession.h"

namespace ctltest {

namespace fs = std::filesystem;
using namespace widgets;

bool PumpUntil(const std::function<bool()>& done, int maxMs) {
  ProcessMessages();
  guint wake = g_timeout_add(5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  gint64 deadline = g_get_monotonic_time() + gint64(maxMs) * 1000;
  bool ok = done();
  while (!ok && g_get_monotonic_time() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    ok = done();
  }
  g_source_remove(wake);
  return ok;
}

void PumpFor(int ms) {
  gint64 until = g_get_monotonic_time() + gint64(ms) * 1000;
  PumpUntil([&] { return g_get_monotonic_time() >= until; }, ms + 1000);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

namespace {

std::string RunCapture(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    ::pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string Quote(const fs::path& path) {
  std::string out = "'";
  for (char c : path.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

fs::path Media(const std::string& name) {
  static fs::path folder = [] {
    const char* build = std::getenv("QOR_BUILD_DIR");
    fs::path p = build && *build ? fs::path(build) / "controller-test-media" : fs::temp_directory_path() / "qor-ctl-media";
    fs::create_directories(p);
    return p;
  }();
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  fs::path final = folder / name;
  if (fs::exists(final)) return final;
  testkit::TempDir work;
  fs::path path = work.Path() / name;
  std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                    "\"sine=frequency=440:sample_rate=44100:duration=20\" -ac 2 ";
  if (name == "tone.mp3") cmd += "-c:a libmp3lame -b:a 128k " + Quote(path);
  else if (name == "tone.ogg") cmd += "-c:a libvorbis -q:a 3 " + Quote(path);
  else return {};
  if (std::system(cmd.c_str()) != 0) return {};
  std::error_code ec;
  fs::rename(path, final, ec);
  return fs::exists(final) ? final : fs::path();
}

double ProbeDuration(const fs::path& path) {
  std::string out = RunCapture("ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 " + Quote(path) +
                               " 2>/dev/null");
  try {
    return out.empty() || out == "N/A" ? -1.0 : std::stod(out);
  } catch (...) {
    return -1.0;
  }
}

std::string ProbeCodec(const fs::path& path) {
  return RunCapture("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of default=nw=1:nk=1 " +
                    Quote(path) + " 2>/dev/null");
}

void ServeLive(const testkit::FixtureServer& server, testkit::Connection& connection, const std::string& audio,
               const TLiveOptions& options) {
  std::string head = "ICY 200 OK\r\nContent-Type: " + options.contentType + "\r\nicy-name:Test Radio\r\nicy-br:128\r\n";
  if (options.metaInt) head += "icy-metaint:" + std::to_string(options.metaInt) + "\r\n";
  head += "\r\n";
  if (!connection.Write(head)) return;
  size_t position = 0, sent = 0, sinceMeta = 0;
  auto start = std::chrono::steady_clock::now();
  while (!server.Stopping()) {
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    size_t allowed = options.burst + static_cast<size_t>(elapsed * options.bytesPerSecond);
    if (sent >= allowed) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    size_t chunk = std::min<size_t>(4096, allowed - sent);
    if (options.metaInt) chunk = std::min(chunk, options.metaInt - sinceMeta);
    std::string out;
    while (out.size() < chunk) {
      size_t take = std::min(chunk - out.size(), audio.size() - position);
      out.append(audio, position, take);
      position = (position + take) % audio.size();
    }
    if (!connection.Write(out)) return;
    sent += chunk;
    sinceMeta += chunk;
    if (options.metaInt && sinceMeta == options.metaInt) {
      sinceMeta = 0;
      std::string text = "StreamTitle='" + options.title + "';StreamUrl='';";
      size_t blocks = (text.size() + 15) / 16;
      text.resize(blocks * 16, '\0');
      if (!connection.Write(std::string(1, static_cast<char>(blocks)) + text)) return;
    }
  }
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
