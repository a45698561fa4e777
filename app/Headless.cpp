#include "app/Headless.h"

#include "app/Controller.h"
#include "platform/Folders.h"
#include "support/Encoding.h"

namespace app {

std::unique_ptr<TMainWindow> MakeHeadlessController(TOptions& options, const std::string& settingsFolder) {
  TMainWindowConfig config;
  config.SettingsFolder = enc::FileNameToWide(settingsFolder);
  config.ProgramFolder = enc::FileNameToWide(platform::ProgramFolder());
  config.TrayIcon = false;
  config.BackgroundRequests = false;
  config.QuitOnDestroy = true;
  auto controller = std::make_unique<TMainWindow>(options, config);
  controller->SetName(ControllerName);
  return controller;
}

}  // namespace app
