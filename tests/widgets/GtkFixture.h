// Tests on the real GTK backend, skipped where there is no display. Later
// tests in the same process use the offscreen backend again.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "widgets/backend/Offscreen.h"
#include "widgets/core/Messages.h"
#include "widgets/gtk/GtkBackend.h"

namespace testwidgets {

class GtkDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY") || !widgets::UseGtkBackend()) GTEST_SKIP() << "no display";
  }
  void TearDown() override {
    widgets::ProcessMessages();
    widgets::SetBackend(std::make_unique<widgets::TOffscreenBackend>());
  }
};

}  // namespace testwidgets
