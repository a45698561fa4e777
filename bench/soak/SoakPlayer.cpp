#include "SoakPlayer.h"

#include <glib-unix.h>
#include <glib.h>
#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <memory>

#include "app/Headless.h"
#include "app/MainWindow.h"
#include "app/Options.h"
#include "app/RecordingName.h"
#include "core/Timer.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/RadioPlayer.h"
#include "platform/Folders.h"
#include "support/Encoding.h"
#include "support/HttpSession.h"

namespace soak {

namespace {

using namespace core;

constexpr UINT SM_BEGIN = WM_USER + 1;
constexpr UINT SM_REPLAY = WM_USER + 2;

class TSoakClient : public TMessageWindow {
 public:
  TSoakClient(app::TMainWindow& controller, std::string address)
      : FController(controller), FAddress(enc::Utf8ToUtf16(address)) {}
  ~TSoakClient() override {
    FTicker.reset();
    DestroyHandle();
  }

  void WndProc(TMessage& m) override {
    switch (m.Msg) {
      case WM_CREATE:
        TMessageWindow::WndProc(m);
        PostMessage(WindowHandle(), SM_BEGIN);
        return;
      case SM_BEGIN:
        Send(app::UM_REGISTER_CLIENT, 0, static_cast<LPARAM>(WindowHandle()));
        // The ffmpeg player's titles are read from its decoder, as qor-cli does.
        FTicker = std::make_unique<TTimer>();
        FTicker->SetInterval(1000);
        FTicker->SetOnTimer([this](TObject*) { Tick(); });
        Play();
        return;
      case SM_REPLAY: Play(); return;
      case app::UM_PLAYER_EVENT: Event(m.WParam); return;
      case app::UM_PLAYER_META:
        if (m.LParam) Title(app::StreamTitle(reinterpret_cast<const char*>(m.LParam), {}));
        return;
      case WM_CLOSE: m.Result = 0; return;
      default: break;
    }
    TMessageWindow::WndProc(m);
  }

 private:
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessage(FController.WindowHandle(), msg, w, l); }

  void Play() {
    Send(app::UM_STOP);
    Send(app::UM_PLAY, reinterpret_cast<WPARAM>(u"Soak"), reinterpret_cast<LPARAM>(FAddress.c_str()));
  }

  void Event(WPARAM code) {
    if (code == psPlaying) Line("playing");
    if (code == psStopped || code == app::PE_ERROR) {
      // Let the player finish its own stop before it is asked to play.
      if (!FReplayPending) {
        FReplayPending = true;
        Line("stopped");
        PostMessage(WindowHandle(), SM_REPLAY);
      }
      return;
    }
    if (code == psConnecting) FReplayPending = false;
  }

  void Tick() {
    TBaseRadioPlayer* player = FController.CurrentPlayer();
    if (player && player == FController.AVConvPlayer()) Title(enc::BytesToWide(player->GetTitle()));
    if (++FTicks % 5 == 0) Trace(player);
  }

  // What the heap holds in use and free, so that resident memory can be
  // told apart from what malloc keeps for reuse (a small leak first fills
  // freed memory that is resident already, and shows in resident memory
  // only much later), and the decoded audio queued in the playing channel.
  static void Trace(TBaseRadioPlayer* player) {
    const struct mallinfo2 heap = mallinfo2();
    const audio::DWORD queued =
        player && player->Channel ? audio::ChannelGetData(player->Channel, nullptr, audio::DATA_AVAILABLE) : 0;
    long anon = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
      char row[256];
      while (std::fgets(row, sizeof row, status))
        if (std::sscanf(row, "RssAnon: %ld", &anon) == 1) break;
      std::fclose(status);
    }
    Line("trace rss-anon " + std::to_string(anon) + " heap-used " + std::to_string((heap.uordblks + heap.hblkhd) / 1024) +
         " heap-free " + std::to_string(heap.fordblks / 1024) + " mapped " + std::to_string(heap.hblkhd / 1024) +
         " queued " + std::to_string(queued == static_cast<audio::DWORD>(-1) ? 0 : queued / 1024));
  }

  void Title(const std::u16string& title) {
    if (title.empty() || title == FLastTitle) return;
    FLastTitle = title;
    Line("title " + enc::Utf16ToUtf8(title));
  }

  static void Line(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }

  app::TMainWindow& FController;
  std::u16string FAddress;
  std::u16string FLastTitle;
  std::unique_ptr<TTimer> FTicker;
  bool FReplayPending = false;
  int FTicks = 0;
};

gboolean OnTerminate(gpointer data) {
  auto* controller = static_cast<app::TMainWindow*>(data);
  if (IsWindow(controller->WindowHandle())) PostMessage(controller->WindowHandle(), WM_CLOSE);
  return G_SOURCE_REMOVE;
}

}  // namespace

int RunPlayer(const std::string& address, const std::string& options) {
  const std::string settings = platform::SettingsFolder();
  platform::ForceDirectories(settings);
  app::TOptions store(enc::Utf8ToUtf16(options), enc::Utf8ToUtf16(platform::DesktopFolder()));
  InitMessages();
  if (!InitBass(0)) return 2;
  OpenInternetHandle();
  int code = 0;
  {
    auto controller = app::MakeHeadlessController(store, settings);
    controller->CreatePlayerWindow = [&](app::TMainWindow& owner) {
      return std::make_unique<TSoakClient>(owner, address);
    };
    controller->HandleNeeded();
    guint source = g_unix_signal_add(SIGTERM, OnTerminate, controller.get());
    RunMessageLoop();
    g_source_remove(source);
    controller.reset();
  }
  FreeBass();
  CloseInternetHandle();
  return code;
}

}  // namespace soak
