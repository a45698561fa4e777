// The session controller as the programs without a desktop run it (qor-cli,
// the soak benchmark's player): no tray icon and no background requests,
// settings from `settingsFolder`, and the message loop ends with it. The
// caller sets its hooks (CreatePlayerWindow, Beep) and then creates its
// handle.
#pragma once

#include <memory>
#include <string>

#include "app/MainWindow.h"

namespace app {

std::unique_ptr<TMainWindow> MakeHeadlessController(TOptions& options, const std::string& settingsFolder);

}  // namespace app
