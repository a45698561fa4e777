// The power actions against a stand-in logind on a private bus: power-off
// and restart are asked without interaction, logging off terminates this
// process's session, and a refusal or a missing logind comes back as an
// error instead of a success. The finished recording is shown through a
// stand-in file manager.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "StandInBus.h"
#include "TempDir.h"
#include "platform/PowerActions.h"
#include "platform/ShowFile.h"

namespace {

using platform::TPowerAction;

class PowerActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Logind.Ready()) << "the stand-in bus did not start (dbus-daemon)";
    FPrevious = std::getenv(platform::LogindBusVariable) ? std::getenv(platform::LogindBusVariable) : "";
    ::setenv(platform::LogindBusVariable, Logind.Address().c_str(), 1);
  }
  void TearDown() override { ::setenv(platform::LogindBusVariable, FPrevious.c_str(), 1); }

  testkit::StandInLogind Logind;
  std::string FPrevious;
};

TEST_F(PowerActionsTest, PowerOffRebootAndLogOffReachLogindWithoutInteraction) {
  auto off = platform::RequestPowerAction(TPowerAction::PowerOff);
  EXPECT_TRUE(off.Done) << off.Error;
  auto reboot = platform::RequestPowerAction(TPowerAction::Reboot);
  EXPECT_TRUE(reboot.Done) << reboot.Error;
  auto logoff = platform::RequestPowerAction(TPowerAction::LogOff);
  EXPECT_TRUE(logoff.Done) << logoff.Error;
  std::vector<std::string> expected = {
      "PowerOff (false,)", "Reboot (false,)",
      "GetSessionByPID (" + std::to_string(getpid()) + ",)", "Terminate ()"};
  EXPECT_EQ(Logind.Service().Calls(), expected);
}

TEST_F(PowerActionsTest, ARefusalOrNoLogindIsAnErrorNotASuccess) {
  Logind.Refuse(true);
  auto refused = platform::RequestPowerAction(TPowerAction::PowerOff);
  EXPECT_FALSE(refused.Done);
  EXPECT_NE(refused.Error.find("refused by the test"), std::string::npos) << refused.Error;

  ::setenv(platform::LogindBusVariable, "unix:path=/nonexistent/qor-test-bus", 1);
  auto missing = platform::RequestPowerAction(TPowerAction::Reboot);
  EXPECT_FALSE(missing.Done);
  EXPECT_FALSE(missing.Error.empty());
  EXPECT_EQ(Logind.Service().Calls().size(), 1u);
}

TEST(ShowFileTest, TheFileManagerIsAskedToShowTheFileByItsUri) {
  testkit::StandInService manager(
      "org.freedesktop.FileManager1",
      R"(<node><interface name="org.freedesktop.FileManager1">
           <method name="ShowItems"><arg type="as" direction="in"/><arg type="s" direction="in"/></method>
         </interface></node>)",
      {"/org/freedesktop/FileManager1"},
      [](const std::string&, const std::string&, GVariant*, std::string&) -> GVariant* { return nullptr; });
  ASSERT_TRUE(manager.Ready()) << "the stand-in bus did not start (dbus-daemon)";
  // The session bus of this process is the stand-in's from here on.
  ::setenv("DBUS_SESSION_BUS_ADDRESS", manager.Address().c_str(), 1);
  testkit::TempDir folder;
  std::string file = (folder / "Kayıt 1.mp3").string();
  testkit::TempDir::WriteFile(file, "x");
  EXPECT_TRUE(platform::ShowInFileManager(file));
  gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
  ASSERT_NE(uri, nullptr);
  EXPECT_EQ(manager.Calls(), std::vector<std::string>{"ShowItems (['" + std::string(uri) + "'], '')"});
  EXPECT_NE(std::string(uri).find("Kay%C4%B1t%201.mp3"), std::string::npos);
  g_free(uri);
  // Only files are opened with their program.
  EXPECT_FALSE(platform::OpenWithDefaultApplication((folder / "gone.mp3").string()));
  EXPECT_FALSE(platform::OpenWithDefaultApplication(folder.Path().string()));
}

}  // namespace
