// Tests on the real GTK backend, skipped where no display is named, failed
// where the named one cannot be opened. Later tests in the same process use
// the offscreen backend again. The player window's GTK suites derive from
// it too.
#pragma once

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "DisplayLock.h"
#include "MainLoop.h"
#include "Tools.h"
#include "widgets/backend/Offscreen.h"
#include "core/Messages.h"
#include "core/Timer.h"
#include "widgets/gtk/GtkBackend.h"

namespace testwidgets {

// Whether a program (xdotool, which drives the pointer and keyboard) is on
// the search path.
using testkit::HaveProgram;

// Runs a program found on the search path; true when it exits with 0.
inline bool RunProgram(const std::vector<std::string>& args) {
  // Input and keyboard layouts are the display's, shared with other tests.
  testkit::TakeDisplay();
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  gint status = -1;
  GError* error = nullptr;
  bool ok = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr,
                         &status, &error);
  if (error) g_error_free(error);
  return ok && status == 0;
}

// Lets the loop run a few short ticks so that drawing and late events land.
inline void Settle() {
  int ticks = 0;
  core::TTimer reference;
  reference.SetInterval(30);
  reference.SetOnTimer([&](core::TObject*) { ++ticks; });
  testkit::PumpUntil([&] { return ticks >= 5; });
}

class GtkDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Without one nothing of the toolkit is checked: the suites run under
    // xvfb-run.
    ASSERT_TRUE(std::getenv("DISPLAY")) << "no display (DISPLAY is not set)";
    testkit::TakeDisplay();
    // A display that is named but cannot be opened is a fault of the run,
    // not a machine without one: skipping would pass without testing.
    ASSERT_TRUE(widgets::UseGtkBackend()) << "the display " << std::getenv("DISPLAY") << " cannot be opened";
  }
  void TearDown() override {
    core::ProcessMessages();
    widgets::SetBackend(std::make_unique<widgets::TOffscreenBackend>());
  }
};

}  // namespace testwidgets
