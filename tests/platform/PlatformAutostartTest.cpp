#include "platform/Autostart.h"

#include <glib.h>
#include <gtest/gtest.h>

#include "Shell.h"
#include "TempDir.h"
#include "platform/DesktopEntry.h"
#include "platform/Folders.h"
#include "Tools.h"

namespace {

// What a session launcher makes of the Exec key: the file's string escapes
// undone by the key-file reader, then the quoting by the shell-word rules
// the desktop-entry format borrows.
std::string FirstExecWord(const std::string& file) {
  GKeyFile* keys = g_key_file_new();
  std::string word;
  if (g_key_file_load_from_file(keys, file.c_str(), G_KEY_FILE_NONE, nullptr)) {
    gchar* exec = g_key_file_get_string(keys, "Desktop Entry", "Exec", nullptr);
    gchar** argv = nullptr;
    if (exec && g_shell_parse_argv(exec, nullptr, &argv, nullptr) && argv[0]) word = argv[0];
    g_strfreev(argv);
    g_free(exec);
  }
  g_key_file_free(keys);
  return word;
}

TEST(PlatformAutostartTest, EntryIsWrittenFollowsTheIconAndIsRemoved) {
  testkit::TempDir dir;
  testkit::EnvScope config("XDG_CONFIG_HOME", dir.Path().c_str());
  const std::string file = (dir / "autostart/qor.desktop").string();
  EXPECT_EQ(platform::AutostartFile(), file);
  EXPECT_FALSE(platform::AutostartEnabled());

  // Removing what is not there is no failure: the option is simply off.
  EXPECT_TRUE(platform::SetAutostart(false));

  const std::string odd = "/opt/my \"radio\" $HOME `x` back\\slash/qor";
  ASSERT_TRUE(platform::SetAutostart(true, "qor-klasik", odd));
  EXPECT_TRUE(platform::AutostartEnabled());
  EXPECT_EQ(FirstExecWord(file), odd);
  std::string text = testkit::TempDir::ReadFile(file);
  EXPECT_NE(text.find("\nIcon=qor-klasik\n"), std::string::npos);
  EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);

  // A later icon choice reaches the autostart entry as it reaches the others.
  EXPECT_EQ(platform::ShortcutFiles().back(), file);
  ASSERT_TRUE(platform::RewriteDesktopEntryIcon(file, "qor-android"));
  EXPECT_NE(testkit::TempDir::ReadFile(file).find("\nIcon=qor-android\n"), std::string::npos);

  // Switching on again replaces the entry rather than appending to it.
  ASSERT_TRUE(platform::SetAutostart(true, "qor-android", "/usr/bin/qor"));
  EXPECT_EQ(FirstExecWord(file), "/usr/bin/qor");

  ASSERT_TRUE(platform::SetAutostart(false));
  EXPECT_FALSE(platform::AutostartEnabled());

  // Without an explicit program the entry starts this very executable.
  ASSERT_TRUE(platform::SetAutostart(true));
  EXPECT_EQ(FirstExecWord(file), platform::ExecutablePath());
  EXPECT_FALSE(platform::ExecutablePath().empty());
}

TEST(PlatformAutostartTest, BadProgramPathsAndUnwritableFoldersFail) {
  testkit::TempDir dir;
  testkit::EnvScope config("XDG_CONFIG_HOME", dir.Path().c_str());
  EXPECT_FALSE(platform::SetAutostart(true, "qor-android", "relative/qor"));
  EXPECT_FALSE(platform::SetAutostart(true, "qor-android", "/usr/bin/qor\nExec=evil"));
  EXPECT_FALSE(platform::SetAutostart(true, "qor\nExec=evil", "/usr/bin/qor"));
  EXPECT_FALSE(platform::AutostartEnabled());

  // "autostart" taken by a plain file: the folder cannot be made.
  testkit::TempDir::WriteFile(dir / "autostart", "x");
  EXPECT_FALSE(platform::SetAutostart(true, "qor-android", "/usr/bin/qor"));

  // A relative XDG_CONFIG_HOME is ignored, as the base-directory rules say.
  testkit::EnvScope relative("XDG_CONFIG_HOME", "relative");
  EXPECT_EQ(platform::AutostartFile(), platform::HomeFolder() + "/.config/autostart/qor.desktop");
}

TEST(PlatformAutostartTest, TheEntryPassesTheDesktopValidator) {
  ASSERT_TRUE(testkit::HavePrograms({"desktop-file-validate"}));
  testkit::TempDir dir;
  testkit::EnvScope config("XDG_CONFIG_HOME", dir.Path().c_str());
  ASSERT_TRUE(platform::SetAutostart(true, "qor-klasik", "/opt/QOR 5/100% \"qor\""));
  int status = -1;
  std::string command = "desktop-file-validate " + testkit::ShellQuote(platform::AutostartFile()) + " 2>&1";
  std::string said = testkit::RunAndRead(command, &status);
  EXPECT_EQ(status, 0) << said;
  EXPECT_EQ(said, "");
}

TEST(PlatformAutostartTest, PercentSignsAreDoubledForTheFieldCodes) {
  EXPECT_EQ(platform::QuoteExecArgument("/a/100%/qor"), "\"/a/100%%/qor\"");
  EXPECT_EQ(platform::QuoteExecArgument("/usr/bin/qor"), "\"/usr/bin/qor\"");
}

}  // namespace
