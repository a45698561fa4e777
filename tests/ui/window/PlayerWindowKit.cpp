#include "PlayerWindowKit.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstring>

#include "DisplayLock.h"
#include "LiveStream.h"
#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "app/Messages.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"
#include "support/Encoding.h"
#include "support/WIniFiles.h"
#include "ui/window/PlayerRecording.h"

namespace uitest {

using namespace core;
using namespace app;

bool RouteIcyStation(testkit::FixtureServer& server, const std::string& title) {
  auto mp3 = std::make_shared<std::string>(testkit::ReadBytes(ctltest::Media("tone.mp3")));
  if (mp3->empty()) return false;
  server.Route("/live", [&server, mp3, title](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::LiveStreamOptions o;
    o.statusLine = "ICY 200 OK";
    o.metaInt = 8192;
    o.title = [title](int) { return title; };
    testkit::ServeLiveStream(server, c, *mp3, o);
  });
  return true;
}

TStandInController::~TStandInController() { DestroyHandle(); }

int TStandInController::Count(UINT msg) const {
  int n = 0;
  for (UINT r : Requests) n += r == msg;
  return n;
}

void TStandInController::WndProc(TMessage& m) {
  Requests.push_back(m.Msg);
  auto copyBytes = [&](const std::string& text) {
    if (!m.LParam) return;
    std::strncpy(reinterpret_cast<char*>(m.LParam), text.c_str(), static_cast<size_t>(m.WParam));
  };
  switch (m.Msg) {
    case UM_GET_PLAY_STATE: m.Result = PlayState; return;
    case UM_GET_RECORDER_STATE: m.Result = RecorderState; return;
    case UM_GET_MUTE: m.Result = Mute; return;
    case UM_GET_META: copyBytes(Meta); return;
    case UM_GET_CODEC: copyBytes(Codec); return;
    case UM_GET_TAGS: m.Result = reinterpret_cast<LRESULT>(Tags.c_str()); return;
    case UM_GET_BITRATE: m.Result = Bitrate; return;
    case UM_GET_SAMPLE_RATE: m.Result = SampleRate; return;
    case UM_GET_STEREO: m.Result = Stereo; return;
    case UM_GET_SPECTRUM:
      if (m.LParam && !Spectrum.empty())
        std::memcpy(reinterpret_cast<float*>(m.LParam), Spectrum.data(),
                    std::min(Spectrum.size(), ui::TVisualization::SpectrumSize) * sizeof(float));
      return;
    case UM_GET_ERROR_TEXT: {
      std::u16string text = u" Bağlantı kurulamadı. ";
      std::memcpy(reinterpret_cast<char16_t*>(m.LParam), text.c_str(), (text.size() + 1) * 2);
      m.Result = static_cast<LRESULT>(text.size());
      return;
    }
    case UM_PLAY:
      PlayedName = m.WParam ? reinterpret_cast<const char16_t*>(m.WParam) : u"";
      PlayedUrl = m.LParam ? reinterpret_cast<const char16_t*>(m.LParam) : u"";
      return;
    case UM_SET_TRAY_HINT: TrayHint = reinterpret_cast<const char16_t*>(m.LParam); return;
    case UM_REGISTER_CLIENT: Client = static_cast<HWND>(m.LParam); return;
    case UM_SET_VOLUME: Volume = static_cast<int>(m.WParam); return;
    case UM_SET_MUTE: Mute = m.WParam ? 1 : 0; return;
    case WM_CLOSE: ++Closes; m.Result = 0; return;
    case UM_START_RECORDING:
      m.Result = RecordRefused ? 1 : 0;
      if (!RecordRefused) RecorderState = 7;
      return;
    case UM_STOP_RECORDING:
      if (StopResult == 0) RecorderState = 6;
      m.Result = StopResult;
      return;
    case UM_CANCEL_RECORDING:
      if (CancelResult == 0) RecorderState = 6;
      m.Result = CancelResult;
      return;
    case UM_PAUSE_RECORDING:
      ++(m.WParam ? PauseRequests : ResumeRequests);
      m.Result = PauseResult;
      return;
    case UM_GET_RECORDED_SIZE: m.Result = RecordedSize; return;
    case UM_GET_RECORDING_FILE:
    case UM_GET_RECORDING_ERROR: {
      const std::u16string& text = m.Msg == UM_GET_RECORDING_FILE ? RecordingFile : RecordingError;
      std::memcpy(reinterpret_cast<char16_t*>(m.LParam), text.c_str(), (text.size() + 1) * 2);
      m.Result = static_cast<LRESULT>(text.size());
      return;
    }
    default: m.Result = 0; return;
  }
}

ui::TPlayerWindow* StartWithController(ctltest::TControllerFixture& fx) {
  fx.Options->WriteBool(obAutoPlay, false);
  fx.Options->WriteBool(obShowBanner, false);
  fx.Options->WriteInt(oiLeft, 40);
  fx.Options->WriteInt(oiTop, 600);
  ui::TPlayerWindow* window = nullptr;
  fx.Make().CreatePlayerWindow = [&fx, &window](app::TMainWindow& owner) -> std::unique_ptr<TMessageWindow> {
    ui::TPlayerWindowConfig config;
    config.Controller = owner.WindowHandle();
    config.Options = fx.Options.get();
    config.SettingsFolder = fx.SettingsFolder;
    config.WatchSession = false;
    auto made = std::make_unique<ui::TPlayerWindow>(config);
    window = made.get();
    return made;
  };
  fx.Start();
  if (!testkit::PumpUntil([&] { return window && window->TimerRunning(ui::tmTick); }, 20000)) return nullptr;
  return window;
}

TPlayerWindowKit::TPlayerWindowKit() {
  SettingsFolder = enc::Utf8ToUtf16((Dir / "settings").string() + "/");
  std::filesystem::create_directories(Dir / "settings");
  Options = std::make_unique<TOptions>(SettingsFolder + u"options.ini", enc::Utf8ToUtf16(Dir.Path().string()));
  Config.Controller = Controller.Handle();
  Config.Options = Options.get();
  Config.SettingsFolder = SettingsFolder;
  Config.WatchSession = false;
}

TPlayerWindowKit::~TPlayerWindowKit() { Window.reset(); }

void TPlayerWindowKit::WriteOptions(const std::string& text) {
  testkit::TempDir::WriteFile(Dir / "settings" / "options.ini", text);
}

namespace {

void WriteList(const std::filesystem::path& path, std::vector<TStation> stations, bool database) {
  if (database)
    for (auto& s : stations) s.Key = enc::Utf8ToUtf16(std::to_string(s.Id));
  ASSERT_TRUE(SaveStations(path, stations));
}

}  // namespace

bool SaveStations(const std::filesystem::path& file, const std::vector<TStation>& stations) {
  qor::TPlayList list;
  for (const auto& s : stations) {
    auto item = std::make_unique<qor::TPlayItem>();
    item->SetName(s.Name);
    item->Url = s.Url;
    item->Id = s.Id;
    item->Key = s.Key;
    list.Add(std::move(item));
  }
  return qor::SaveFavourites(list, file);
}

void TPlayerWindowKit::WriteFavourites(const std::vector<TStation>& stations) {
  WriteList(Dir / "settings" / "playlist.rpf", stations, false);
}

void TPlayerWindowKit::WriteDatabase(const std::vector<TStation>& stations) {
  // The database's ids come from its keys, which the favourites writer
  // keeps; one sealed format serves both.
  WriteList(Dir / "settings" / "broadcast.rpf", stations, true);
}

ui::TPlayerWindow& TPlayerWindowKit::Open(bool start) {
  Window = std::make_unique<ui::TPlayerWindow>(Config);
  Window->ShowInfoBox = [this](const std::u16string&, const std::u16string&) { ++InfoBoxes; };
  Window->HandleNeeded();
  ui::TPlayerRecording& recording = Window->RecordingPart();
  recording.ShowErrorBox = [this](const std::u16string& text, const std::u16string&) {
    ++ErrorBoxes;
    LastErrorText = text;
  };
  recording.ShowFile = [this](const std::string& path) { ShownFiles.push_back(path); };
  recording.OpenFile = [this](const std::string& path) { OpenedFiles.push_back(path); };
  if (start) {
    EXPECT_TRUE(testkit::PumpUntil([&] { return Window->TimerRunning(ui::tmTick); }));
  }
  return *Window;
}

void TPlayerWindowKit::Close() {
  if (Window && Window->HandleAllocated()) SendMessage(Window->WindowHandle(), WM_CLOSE);
}

std::u16string TPlayerWindowKit::Option(const char16_t* section, const char16_t* key) {
  TWIniFile ini(SettingsFolder + u"options.ini");
  return ini.ReadString(section, key, u"<missing>");
}

void TPlayerWindowKit::Event(WPARAM code, LPARAM value) {
  SendMessage(Window->WindowHandle(), UM_PLAYER_EVENT, code, value);
}

bool Xdotool(const std::vector<std::string>& args) {
  testkit::TakeDisplay();
  std::vector<std::string> all = {"xdotool"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  gint status = -1;
  bool ok = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr,
                         &status, nullptr);
  return ok && status == 0;
}

}  // namespace uitest
