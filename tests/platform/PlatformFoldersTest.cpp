#include "platform/Folders.h"
#include "platform/InstanceLock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "Shell.h"
#include "TempDir.h"

namespace {

using TEnv = testkit::EnvScope;

TEST(PlatformFoldersTest, SettingsFolderFollowsXdgConfigHome) {
  testkit::TempDir dir;
  {
    TEnv config("XDG_CONFIG_HOME", (dir.Path() / "cfg").c_str());
    EXPECT_EQ(platform::SettingsFolder(), (dir.Path() / "cfg/Kelvarin/QOR/").string());
  }
  TEnv home("HOME", dir.Path().c_str());
  {
    TEnv config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(platform::SettingsFolder(), (dir.Path() / ".config/Kelvarin/QOR/").string());
  }
  // A relative value is not a usable base folder.
  TEnv config("XDG_CONFIG_HOME", "relative/cfg");
  EXPECT_EQ(platform::SettingsFolder(), (dir.Path() / ".config/Kelvarin/QOR/").string());
}

TEST(PlatformFoldersTest, ForceDirectoriesCreatesParentsAndReportsFailure) {
  testkit::TempDir dir;
  std::string folder = (dir.Path() / "a/b/c/").string();
  EXPECT_TRUE(platform::ForceDirectories(folder));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_TRUE(platform::ForceDirectories(folder)) << "an existing folder is fine";

  testkit::TempDir::WriteFile(dir / "file", "x");
  std::string error;
  EXPECT_FALSE(platform::ForceDirectories((dir.Path() / "file/sub/").string(), &error));
  EXPECT_NE(error.find("file"), std::string::npos);
  EXPECT_FALSE(platform::ForceDirectories((dir.Path() / "file").string(), &error));
  EXPECT_FALSE(platform::ForceDirectories("", &error));
}

TEST(PlatformFoldersTest, RuntimeProgramAndDesktopFolders) {
  testkit::TempDir dir;
  {
    TEnv runtime("XDG_RUNTIME_DIR", dir.Path().c_str());
    EXPECT_EQ(platform::RuntimeFolder(), (dir.Path() / "QOR/").string());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "QOR"));
  }
  {
    TEnv runtime("XDG_RUNTIME_DIR", nullptr);
    std::string folder = platform::RuntimeFolder();
    EXPECT_EQ(folder, "/tmp/QOR-" + std::to_string(::getuid()) + "/");
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
  }
  {
    // A runtime folder that cannot be used falls back to the private one.
    testkit::TempDir::WriteFile(dir / "QOR2", "");
    TEnv runtime("XDG_RUNTIME_DIR", (dir.Path() / "QOR2").c_str());
    EXPECT_EQ(platform::RuntimeFolder(), "/tmp/QOR-" + std::to_string(::getuid()) + "/");
  }
  std::string program = platform::ProgramFolder();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(program + "platform_tests"));
  std::string desktop = platform::DesktopFolder();
  EXPECT_TRUE(std::filesystem::is_directory(desktop)) << desktop;

  EXPECT_TRUE(platform::FileExists(program + "platform_tests"));
  EXPECT_FALSE(platform::FileExists(program));
}

TEST(PlatformFoldersTest, InstanceLockIsSeenOnlyWhileHeld) {
  testkit::TempDir dir;
  std::string folder = dir.Path().string() + "/";
  platform::TInstanceLock first(folder), second(folder), probe(folder);
  EXPECT_FALSE(probe.OtherInstanceExists());
  EXPECT_FALSE(probe.OtherInstanceExists()) << "asking leaves nothing behind";
  ASSERT_TRUE(first.Hold());
  EXPECT_TRUE(probe.OtherInstanceExists());
  // Holders share the lock: a second instance with the option may run too.
  ASSERT_TRUE(second.Hold());
  first.Release();
  EXPECT_TRUE(probe.OtherInstanceExists());
  second.Release();
  EXPECT_FALSE(probe.OtherInstanceExists());

  platform::TInstanceLock nowhere("");
  EXPECT_FALSE(nowhere.OtherInstanceExists());
  EXPECT_FALSE(nowhere.Hold());
}

}  // namespace
