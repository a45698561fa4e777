#include "platform/DesktopEntry.h"

#include <gtest/gtest.h>

#include "Shell.h"
#include "TempDir.h"

namespace {

TEST(PlatformDesktopEntryTest, IconKeyOfTheMainGroupIsReplacedOrAdded) {
  testkit::TempDir dir;
  auto path = (dir / "qor.desktop").string();
  testkit::TempDir::WriteFile(path,
                              "# comment\n[Desktop Entry]\nName=QOR\nIcon[tr]=keep\nIcon = old\nExec=qor\n"
                              "[Desktop Action x]\nIcon=other\n");
  ASSERT_TRUE(platform::RewriteDesktopEntryIcon(path, "qor-klasik"));
  EXPECT_EQ(testkit::TempDir::ReadFile(path),
            "# comment\n[Desktop Entry]\nName=QOR\nIcon[tr]=keep\nIcon=qor-klasik\nExec=qor\n"
            "[Desktop Action x]\nIcon=other\n");

  testkit::TempDir::WriteFile(path, "[Desktop Entry]\nName=QOR\n[Desktop Action x]\nIcon=other\n");
  ASSERT_TRUE(platform::RewriteDesktopEntryIcon(path, "qor-android"));
  EXPECT_EQ(testkit::TempDir::ReadFile(path),
            "[Desktop Entry]\nIcon=qor-android\nName=QOR\n[Desktop Action x]\nIcon=other\n");
}

TEST(PlatformDesktopEntryTest, MissingOrForeignFilesAreLeftAlone) {
  testkit::TempDir dir;
  EXPECT_FALSE(platform::RewriteDesktopEntryIcon((dir / "none.desktop").string(), "x"));
  testkit::TempDir::WriteFile(dir / "plain.txt", "Icon=1\n");
  EXPECT_FALSE(platform::RewriteDesktopEntryIcon((dir / "plain.txt").string(), "x"));
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "plain.txt"), "Icon=1\n");
  testkit::TempDir::WriteFile(dir / "q.desktop", "[Desktop Entry]\nIcon=1\n");
  EXPECT_FALSE(platform::RewriteDesktopEntryIcon((dir / "q.desktop").string(), "a\nExec=evil"));
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "q.desktop"), "[Desktop Entry]\nIcon=1\n");

  testkit::EnvScope data("XDG_DATA_HOME", dir.Path().c_str());
  EXPECT_EQ(platform::ApplicationsFolder(), (dir.Path() / "applications/").string());
  EXPECT_EQ(platform::ShortcutFiles().at(1), (dir.Path() / "applications/qor.desktop").string());
}

}  // namespace
