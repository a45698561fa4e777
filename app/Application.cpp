#include "app/Application.h"

#include <glib-unix.h>
#include <glib.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <set>
#include <thread>
#include <unistd.h>

#include "app/Globals.h"
#include "app/Help.h"
#include "app/SettingsRescue.h"
#include "audio/Audio.h"
#include "engine/RadioPlayer.h"
#include "platform/DesktopEntry.h"
#include "platform/Folders.h"
#include "platform/OpenTarget.h"
#include "resources/strings/StringTable.h"
#include "support/Deploy.h"
#include "support/Encoding.h"
#include "support/HttpSession.h"

namespace app {

namespace {

TControllerFactory& ControllerFactory() {
  static TControllerFactory factory;
  return factory;
}

std::string U(const std::u16string& text) { return enc::Utf16ToUtf8(text); }
// Folders and files keep their bytes, UTF-8 or not, through the wide texts
// they are kept in.
std::u16string W(const std::string& path) { return enc::FileNameToWide(path); }
std::string P(const std::u16string& path) { return enc::WideToFileName(path); }

}  // namespace

TGlobals& Globals() {
  static TGlobals globals;
  return globals;
}

// Hands the messages of other instances to the controller window, as if
// they had been sent to it directly. Once the window is gone (WM_CLOSE
// destroys it) the socket goes too, so that nobody finds it any more.
class TApplication::TEndpoint : public platform::TInstanceReceiver {
 public:
  explicit TEndpoint(TApplication& app) : FApp(app) {}

  std::intptr_t InstanceMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override {
    // Only the messages instances send each other get through: many of the
    // window's messages carry pointers, which from another process point
    // anywhere.
    if (msg != core::WM_CLOSE && msg != core::WM_NULL && msg != UM_ACTIVATE) return 0;
    core::HWND window = FApp.FMainWindow ? FApp.FMainWindow->WindowHandle() : 0;
    core::LRESULT result = 0;
    if (core::IsWindow(window)) result = core::SendMessage(window, msg, wParam, lParam);
    if (!core::IsWindow(window) && FApp.FInstanceServer) FApp.FInstanceServer->Close();
    return result;
  }

  std::intptr_t InstanceOpen(const std::string& target) override {
    if (!FApp.FMainWindow || !core::IsWindow(FApp.FMainWindow->WindowHandle())) return 0;
    FApp.FMainWindow->OpenTarget(enc::FileNameToWide(target));
    return 1;
  }

  bool InstanceEnabled() override { return FApp.FMainWindow && FApp.FMainWindow->Enabled(); }

 private:
  TApplication& FApp;
};

TApplication::TApplication(int argc, const char* const* argv)
    : FParameters(std::make_unique<TParameterList>(argc, argv)),
      FListSource(ResourceListSource()),
      FErr(&std::cerr) {}

TApplication::TApplication(const std::vector<std::u16string>& arguments)
    : FParameters(std::make_unique<TParameterList>(arguments)),
      FListSource(ResourceListSource()),
      FErr(&std::cerr) {}

TApplication::~TApplication() {
  if (Globals().Application == this) Globals() = TGlobals{};
}

void TApplication::SetControllerFactory(TControllerFactory factory) { ControllerFactory() = std::move(factory); }

std::string TApplication::IconName(int iconId) { return iconId == 102 ? "qor-klasik" : "qor-android"; }

void TApplication::SetIconId(int value) {
  FIconId = value;
  if (FMainWindow) FMainWindow->SetIconId(value);
  for (const auto& file : platform::ShortcutFiles()) platform::RewriteDesktopEntryIcon(file, IconName(value));
}

int TApplication::Run() {
  TGlobals& g = Globals();
  g = TGlobals{};
  g.Application = this;
  g.Parameters = FParameters.get();

  if (FParameters->HelpRequested()) {
    PrintHelp(std::cout);
    return 0;
  }
  if (FParameters->Administrator().Present) g.AdministratorMode = true;
  if (FParameters->EnableLog().Present) g.LogEnabled = true;

  if (FParameters->Quit().Present) {
    QuitOthers();
    return 0;
  }

  // Before anything changes the current folder, which relative paths mean.
  // Targets are file names: their bytes go on as they came.
  FTargets.clear();
  for (const auto& target : FParameters->Targets())
    if (auto resolved = platform::ResolveOpenTarget(enc::WideToFileName(target)); !resolved.empty())
      FTargets.push_back(resolved);
  g.OpensTargets = !FTargets.empty();

  int exitCode = 0;
  try {
    if (FParameters->Record().Present) {
      g.RecordOnStart.Requested = true;
      if (auto name = FParameters->Name(); name.Present) g.RecordOnStart.Name = U(name.Value);
      if (auto action = FParameters->Action(); action.Present) g.RecordOnStart.Action = U(action.Value);
    } else if (auto play = FParameters->Play(); play.Present) {
      g.PlayOnStart.Requested = true;
      g.PlayOnStart.Name = U(play.Value);
      if (play.Value.empty())
        if (auto name = FParameters->Name(); name.Present) g.PlayOnStart.Name = U(name.Value);
    }

    OpenOptions();
    if (g.LogEnabled) {
      FLog = std::make_unique<TMainLog>(SettingsPath("qor.log"));
      g.Log = FLog.get();
    }

    bool other = OtherInstanceExists();
    if (!FSingleInstance || !other) Initialize();
    if (FSingleInstance && other) {
      ActivateOther();
    } else {
      if (FMainWindow)
        for (const auto& target : FTargets) FMainWindow->OpenTarget(enc::FileNameToWide(target));
      RunMessageLoop();
    }
  } catch (const std::exception& e) {
    *FErr << "QOR: " << e.what() << "\n";
    exitCode = 1;
  }

  // Teardown: every step runs even when the ones before it failed.
  try {
    Finalize();
  } catch (const std::exception&) {
  }
  try {
    g.Log = nullptr;
    FLog.reset();
  } catch (const std::exception&) {
  }
  try {
    SaveOptions();
  } catch (const std::exception&) {
  }
  g = TGlobals{};
  return exitCode;
}

void TApplication::QuitOthers() {
  std::string folder = platform::RuntimeFolder();
  // A controller that does not answer is not asked again, so that a hung
  // process cannot keep "-quit" waiting for ever.
  std::set<std::string> deaf;
  for (;;) {
    std::optional<std::string> window;
    for (auto& candidate : platform::FindInstanceWindows(folder, ControllerClass)) {
      if (!deaf.count(candidate)) {
        window = candidate;
        break;
      }
    }
    if (!window) break;
    auto status = platform::SendInstanceMessage(*window, core::WM_CLOSE, 0, 0);
    if (status == platform::TSendStatus::Failed || status == platform::TSendStatus::TimedOut) deaf.insert(*window);
    std::this_thread::sleep_for(std::chrono::milliseconds(QuitPauseMs));
  }
}

std::string TApplication::SettingsPath(const std::string& fileName) const {
  std::string name = fileName;
  for (auto& c : name)
    if (c == '\\') c = '/';
  return P(FSettingsFolder) + name;
}

bool TApplication::MakeSettingsFolder() {
  std::string error;
  if (platform::ForceDirectories(P(FSettingsFolder), &error)) return true;
  if (!FSettingsErrorShown) {
    FSettingsErrorShown = true;
    *FErr << "QOR: Ayar klasörü oluşturulamadı: " << error
          << "\nQOR: Ayarlar varsayılan değerleriyle kullanılacak ve kaydedilemeyecek.\n";
  }
  return false;
}

void TApplication::OpenOptions() {
  FSettingsFolder = W(PortableBuild ? platform::ProgramFolder() + "Settings/" : platform::SettingsFolder());
  MakeSettingsFolder();
  RescueSettings("options.ini", TSettingsText::Profile);
  FOptions = std::make_unique<TOptions>(W(SettingsPath("options.ini")), W(platform::DesktopFolder()));
  Globals().Options = FOptions.get();
  FSingleInstance = FOptions->ReadBool(obSingleInstance);
  FFirstRun = FOptions->ReadBool(obFirstRun);
  try {
    FOptions->RepairRecorderIndexes();
  } catch (const EIniFileException&) {
    // An unwritable settings folder was reported already; the readers keep
    // the indexes in range anyway.
  }
  FIconId = FOptions->ReadInt(oiIcon);
}

void TApplication::RescueSettings(const std::string& fileName, TSettingsText kind) {
  auto rescue = RescueDamagedSettings(SettingsPath(fileName), kind);
  if (!rescue) return;
  ReportRescue(*rescue, *FErr);
  FRescuedSettings.push_back(*rescue);
}

bool TApplication::OtherInstanceExists() {
  std::string error;
  FRuntimeFolder = platform::RuntimeFolder(&error);
  if (FRuntimeFolder.empty()) {
    *FErr << "QOR: Çalışma klasörü kullanılamıyor: " << error << "\n";
    return false;
  }
  return platform::TInstanceLock(FRuntimeFolder).OtherInstanceExists();
}

void TApplication::ActivateOther() {
  auto window = platform::FindInstanceWindow(FRuntimeFolder, ControllerClass);
  if (!window || !platform::IsInstanceWindowEnabled(*window)) return;
  platform::SendInstanceMessage(*window, core::WM_NULL, 0, 0);
  platform::SendInstanceMessage(*window, UM_ACTIVATE, 0, 0);
  // What this start was asked to open goes to the running instance.
  for (const auto& target : FTargets) platform::SendInstanceOpen(*window, target);
}

void TApplication::Initialize() {
  TGlobals& g = Globals();

  // Folders and files.
  FProgramFolder = W(platform::ProgramFolder());
  if (::chdir(P(FProgramFolder).c_str()) != 0) {
    // Nothing relies on the current folder being readable; carry on.
  }
  MakeSettingsFolder();
  RescueSettings("schedule.ini", TSettingsText::Utf16);
  FSchedule = std::make_unique<TSchedule>(W(SettingsPath("schedule.ini")));
  g.Schedule = FSchedule.get();
  FSeeded = SeedListFiles(P(FSettingsFolder), FListSource, *FErr);
  FSeeded.Rescued.insert(FSeeded.Rescued.begin(), FRescuedSettings.begin(), FRescuedSettings.end());

  std::srand(static_cast<unsigned>(std::time(nullptr)) ^ static_cast<unsigned>(::getpid()));
  g.ApplicationTitle = res::LoadStr(res::IDS_APP_TITLE);
  // The fixed format settings are constants (FormatSettings.h): nothing
  // to load from the locale.
  // Hosts of this deployment, then the shared internet handle that every
  // request of the program goes through.
  deploy::Load(P(FProgramFolder), P(FSettingsFolder));
  if (!OpenInternetHandle()) *FErr << "QOR: İnternet bağlantısı hazırlanamadı.\n";

  // The controller window, findable by other instances from here on. A
  // termination signal that arrives from then on is a polite request to
  // close, answered as soon as the loop runs.
  core::InitMessages();
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) FSignalSources.push_back(g_unix_signal_add(sig, OnTerminate, this));
  if (ControllerFactory())
    FMainWindow = ControllerFactory()(*this);
  else
    FMainWindow = std::make_unique<TControllerStandIn>();
  FMainWindow->SetName(ControllerName);
  FMainWindow->HandleNeeded();
  FMainWindow->SetIconId(FIconId);
  FEndpoint = std::make_unique<TEndpoint>(*this);
  if (!FRuntimeFolder.empty()) {
    FInstanceServer = std::make_unique<platform::TInstanceServer>(FRuntimeFolder, *FEndpoint, ControllerClass);
    if (FInstanceServer->Failed())
      *FErr << "QOR: Diğer QOR örnekleri bu pencereyi bulamayacak: " << FInstanceServer->ErrorText() << "\n";
  }

  // The audio library on the default output device; when that fails the
  // program runs on without sound.
  FAudioInitialized = audio::Init(-1, 44100, 0, reinterpret_cast<void*>(FMainWindow->WindowHandle()), nullptr);
  BassAvailable = FAudioInitialized;

  FInitialized = true;
}

gboolean TApplication::OnTerminate(gpointer data) {
  auto* app = static_cast<TApplication*>(data);
  core::HWND window = app->FMainWindow ? app->FMainWindow->WindowHandle() : 0;
  if (core::IsWindow(window))
    core::PostMessage(window, core::WM_CLOSE);
  else
    core::PostQuitMessage(0);
  return G_SOURCE_CONTINUE;
}

void TApplication::RemoveSignalSources() {
  for (guint id : FSignalSources) g_source_remove(id);
  FSignalSources.clear();
}

void TApplication::RunMessageLoop() {
  if (FSingleInstance && !FRuntimeFolder.empty()) {
    FMutex = std::make_unique<platform::TInstanceLock>(FRuntimeFolder);
    FMutex->Hold();
  }
  try {
    core::RunMessageLoop();
  } catch (...) {
    RemoveSignalSources();
    FMutex.reset();
    throw;
  }
  RemoveSignalSources();
  FMutex.reset();
}

void TApplication::Finalize() {
  RemoveSignalSources();
  if (!FInitialized) return;
  // The controller object goes first: its players still hold library
  // handles, which must be released while the library is alive.
  if (FInstanceServer) FInstanceServer->Close();
  FInstanceServer.reset();
  FMainWindow.reset();
  FEndpoint.reset();
  if (FAudioInitialized) audio::Free();
  FAudioInitialized = false;
  BassAvailable = false;
  CloseInternetHandle();

  if (FSchedule) {
    MakeSettingsFolder();
    try {
      FSchedule->UpdateFile();
    } catch (const std::exception&) {
    }
    Globals().Schedule = nullptr;
    FSchedule.reset();
  }
}

void TApplication::SaveOptions() {
  if (!FOptions) return;
  MakeSettingsFolder();
  try {
    FOptions->UpdateFile();
  } catch (const std::exception&) {
  }
  Globals().Options = nullptr;
  FOptions.reset();
}

}  // namespace app
