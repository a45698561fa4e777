#include "SoakPlayer.h"

#include <glib-unix.h>
#include <glib.h>

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
    if (TBaseRadioPlayer* player = FController.CurrentPlayer())
      if (player == FController.AVConvPlayer()) Title(enc::BytesToWide(player->GetTitle()));
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
