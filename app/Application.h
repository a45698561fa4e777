// The life of the process: command line, settings folder, options, single
// instance, initialisation, message loop and teardown in a fixed order.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "app/BuiltinLists.h"
#include "app/Controller.h"
#include "app/MainLog.h"
#include "app/Options.h"
#include "app/ParameterList.h"
#include "app/Schedule.h"
#include "app/SettingsRescue.h"
#include "platform/InstanceLock.h"
#include "platform/InstanceSocket.h"

namespace app {

class TApplication {
 public:
  TApplication(int argc, const char* const* argv);
  explicit TApplication(const std::vector<std::u16string>& arguments);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The whole run; returns the process exit code.
  int Run();

  // The controller window of later runs; the stand-in when never set.
  static void SetControllerFactory(TControllerFactory factory);
  // Where the built-in lists come from (the linked resources by default).
  void SetListSource(TListSource source) { FListSource = std::move(source); }
  // Messages for the user that have no window (standard error by default).
  void SetErrorStream(std::ostream& err) { FErr = &err; }

  TControllerWindow* MainWindow() const { return FMainWindow.get(); }
  const std::u16string& ProgramFolder() const { return FProgramFolder; }
  const std::u16string& SettingsFolder() const { return FSettingsFolder; }
  bool FirstRun() const { return FFirstRun; }
  // What the start did with the list files (built-in copies) and which
  // files it moved aside (settings and lists).
  const TSeedResult& SeededLists() const { return FSeeded; }
  bool SingleInstance() const { return FSingleInstance; }
  bool Initialized() const { return FInitialized; }
  // Whether the audio library started (without it the program runs silent).
  bool AudioInitialized() const { return FAudioInitialized; }
  int IconId() const { return FIconId; }
  // A new program icon chosen by the user: stored, handed to the
  // controller window, and written into the program's desktop entries.
  void SetIconId(int value);
  // The icon name that desktop entries use for an icon id (101 or 102).
  static std::string IconName(int iconId);

  // The 133 ms that "-quit" waits after each WM_CLOSE.
  static constexpr int QuitPauseMs = 133;

 private:
  class TEndpoint;

  void QuitOthers();
  void OpenOptions();
  // Moves a settings file that cannot be read aside before it is opened.
  void RescueSettings(const std::string& fileName, TSettingsText kind);
  bool OtherInstanceExists();
  void ActivateOther();
  void Initialize();
  void RunMessageLoop();
  void Finalize();
  void SaveOptions();
  bool MakeSettingsFolder();
  std::string SettingsPath(const std::string& fileName) const;
  static int OnTerminate(void* data);
  void RemoveSignalSources();

  // Fields in the order of the design: the single-instance lock, the
  // controller window, the folders and the flags copied from the options.
  std::unique_ptr<platform::TInstanceLock> FMutex;
  std::unique_ptr<TControllerWindow> FMainWindow;
  std::u16string FProgramFolder;
  std::u16string FSettingsFolder;
  bool FFirstRun = false;
  bool FSingleInstance = false;
  bool FInitialized = false;
  int FIconId = 101;

  std::unique_ptr<TParameterList> FParameters;
  std::unique_ptr<TOptions> FOptions;
  std::unique_ptr<TSchedule> FSchedule;
  std::unique_ptr<TMainLog> FLog;
  std::unique_ptr<TEndpoint> FEndpoint;
  std::unique_ptr<platform::TInstanceServer> FInstanceServer;
  std::string FRuntimeFolder;
  // Files and addresses of the command line, resolved at start (UTF-8).
  std::vector<std::string> FTargets;
  TListSource FListSource;
  TSeedResult FSeeded;
  std::vector<qor::TFileRescue> FRescuedSettings;
  std::ostream* FErr;
  bool FSettingsErrorShown = false;
  bool FAudioInitialized = false;
  std::vector<unsigned> FSignalSources;
};

}  // namespace app
