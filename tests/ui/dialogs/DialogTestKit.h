// Shared steps of the dialog tests: a real GTK display, a private options
// file and schedule, controls reached by their ids, and actions that run
// while a dialog holds its own modal loop.
#pragma once

#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "../../widgets/GtkFixture.h"
#include "TempDir.h"
#include "app/Options.h"
#include "app/Schedule.h"

namespace testdialogs {

class DialogTest : public testwidgets::GtkDisplayTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string OptionsPath() const { return (dir_ / "options.ini").string(); }
  std::string SchedulePath() const { return (dir_ / "schedule.ini").string(); }
  // The options file as text ("" while it does not exist).
  std::string OptionsText() const;
  void WriteOptionsText(const std::string& text);

  testkit::TempDir dir_;
  std::unique_ptr<app::TOptions> options_;
  std::unique_ptr<app::TSchedule> schedule_;
};

// Controls by id below root; each fails the test when the id is missing.
GtkWidget* Control(GtkWidget* root, int id);
void SetTicked(GtkWidget* root, int id, bool ticked);
bool Ticked(GtkWidget* root, int id);
void SetText(GtkWidget* root, int id, const std::string& text);
std::string Text(GtkWidget* root, int id);
void Choose(GtkWidget* root, int id, int index);
int Chosen(GtkWidget* root, int id);
int Rows(GtkWidget* root, int id);
// The label of button id (the caption the user reads).
std::string Caption(GtkWidget* root, int id);
void Click(GtkWidget* root, int id);

// The visible top-level window named id (a dialog), or nullptr.
GtkWidget* OpenToplevel(int id);

// Runs `act` from inside the loop once `find` gives a mapped window (e.g.
// while a blocking dialog run is waiting); fails the test when none comes.
void WhenShown(std::function<GtkWidget*()> find, std::function<void(GtkWidget*)> act);

// With QOR_DIALOG_SHOTS set to a folder, saves the window as <name>.png
// there once it is drawn.
void Shot(GtkWidget* window, const std::string& name);

}  // namespace testdialogs
