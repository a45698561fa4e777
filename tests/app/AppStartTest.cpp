// Start-up pieces that run inside the test process: the command line, the
// built-in list copy and the controller hook.
#include <gtest/gtest.h>

#include <sstream>

#include "Shell.h"
#include "TempDir.h"
#include "app/Application.h"
#include "app/BuiltinLists.h"
#include "app/Globals.h"
#include "app/ParameterList.h"
#include "lists/ListFile.h"
#include "audio/Audio.h"
#include "platform/Resources.h"
#include "support/Encoding.h"

namespace {

using namespace app;

TEST(AppStartTest, SwitchesMatchWholeOrBeforeEquals) {
  TParameterList list({u"-PLAY=", u"-name=Kral FM", u"-volumeX=3", u"-Volume=40", u"-name=second",
                       u"-action=a=b", u"-record"});
  EXPECT_TRUE(list.Play().Present);
  EXPECT_EQ(list.Play().Value, u"");
  EXPECT_EQ(list.Name().Value, u"Kral FM");
  EXPECT_EQ(list.Volume().Value, u"40");
  EXPECT_EQ(list.Action().Value, u"a=b");
  EXPECT_TRUE(list.Record().Present);
  EXPECT_FALSE(list.Mute().Present);
  EXPECT_FALSE(list.Quit().Present);
  EXPECT_FALSE(list.HelpRequested());

  EXPECT_EQ(list.VolumeValue(25), 40);
  EXPECT_EQ(list.DurationValue(), -1) << "absent";
  TParameterList values({u"-duration=01:30:00", u"-volume=loud"});
  EXPECT_DOUBLE_EQ(values.DurationValue(), 1.5 / 24);
  EXPECT_EQ(values.VolumeValue(25), 25);
  EXPECT_EQ(TParameterList({u"-duration=90:00"}).DurationValue(), -1);

  const char* argv[] = {"/usr/bin/qor", "-mute", "--help", "-name=\xDE\x65hir"};
  TParameterList bytes(4, argv);
  EXPECT_EQ(bytes.Count(), 3);
  EXPECT_TRUE(bytes.Mute().Present);
  EXPECT_TRUE(bytes.HelpRequested());
  EXPECT_EQ(bytes.Name().Value, u"Şehir") << "arguments that are not UTF-8 are read as Windows-1254";
  EXPECT_TRUE(bytes.Targets().empty());
  // A file name keeps its bytes; the value of a switch is text.
  const char* files[] = {"/usr/bin/qor", "-name", "\xDE" "ehir", "/tmp/\xDE" "arki.mp3", "liste.rpf"};
  TParameterList named(5, files);
  EXPECT_EQ(named.Name().Value, u"Şehir");
  ASSERT_EQ(named.Targets().size(), 2u);
  EXPECT_EQ(enc::WideToFileName(named.Targets()[0]), "/tmp/\xDE" "arki.mp3");
  EXPECT_EQ(named.Targets()[1], u"liste.rpf");

  TParameterList open({u"-mute", u"/?", u"http://a/", u"", u"liste.rpf", u"-play"});
  EXPECT_EQ(open.Targets(), (std::vector<std::u16string>{u"http://a/", u"liste.rpf"}));
}

// A readable list file: lists that cannot be read are moved aside at start.
std::string SealedList(const std::string& name = "Bir") {
  return std::string(qor::kListMagic) +
         qor::EncryptString("<?xml version=\"1.0\"?><playlist><r d=\"1\" n=\"" + name +
                                "\" l=\"http://127.0.0.1:1/\" /></playlist>",
                            qor::ListFilePassword());
}

std::optional<std::string> TestBundle(const std::string& name) {
  return platform::LoadResourceBytes("/org/kelvarin/qor/testlists/" + name);
}

TEST(AppStartTest, BuiltinListsAreCopiedOnlyWhenMissing) {
  ASSERT_TRUE(TestBundle("PLAYLIST"));
  EXPECT_FALSE(platform::LoadResourceBytes("/org/kelvarin/qor/testlists/NONE"));
  testkit::TempDir dir;
  std::string folder = dir.Path().string() + "/";
  std::ostringstream err;
  auto source = ResourceListSource("/org/kelvarin/qor/testlists/");

  TSeedResult first = SeedListFiles(folder, source, err);
  EXPECT_TRUE(first.PlaylistWritten);
  EXPECT_TRUE(first.BroadcastWritten);
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "playlist.rpf"), *TestBundle("PLAYLIST"));
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "broadcast.rpf"), *TestBundle("BROADCAST"));
  EXPECT_EQ(err.str(), "");

  // Existing files are never replaced.
  const std::string mine = SealedList("mine");
  testkit::TempDir::WriteFile(dir / "playlist.rpf", mine);
  std::filesystem::remove(dir / "broadcast.rpf");
  TSeedResult second = SeedListFiles(folder, source, err);
  EXPECT_FALSE(second.PlaylistWritten);
  EXPECT_TRUE(second.BroadcastWritten);
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "playlist.rpf"), mine);
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "broadcast.rpf"), *TestBundle("BROADCAST"));
}

TEST(AppStartTest, OlderPlaylistNameIsRenamedAndTheBuiltInNotWritten) {
  testkit::TempDir dir;
  std::string folder = dir.Path().string() + "/";
  std::ostringstream err;
  auto source = ResourceListSource("/org/kelvarin/qor/testlists/");
  const std::string favourites = SealedList("old favourites");
  testkit::TempDir::WriteFile(dir / "playlist", favourites);
  TSeedResult result = SeedListFiles(folder, source, err);
  EXPECT_TRUE(result.PlaylistRenamed);
  EXPECT_FALSE(result.PlaylistWritten);
  EXPECT_FALSE(std::filesystem::exists(dir / "playlist"));
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "playlist.rpf"), favourites);

  // With both names present nothing moves and nothing is overwritten.
  testkit::TempDir::WriteFile(dir / "playlist", "older");
  result = SeedListFiles(folder, source, err);
  EXPECT_FALSE(result.PlaylistRenamed);
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "playlist"), "older");
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "playlist.rpf"), favourites);

  // A folder named "playlist" is not the older file.
  std::filesystem::remove(dir / "playlist");
  std::filesystem::remove(dir / "playlist.rpf");
  std::filesystem::create_directory(dir / "playlist");
  result = SeedListFiles(folder, source, err);
  EXPECT_TRUE(result.PlaylistWritten);
}

TEST(AppStartTest, UnreadableListsAreMovedAsideOnceAndTheBuiltInTakesTheirPlace) {
  testkit::TempDir dir;
  std::string folder = dir.Path().string() + "/";
  TListSource source = [](const std::string& name) { return std::optional<std::string>(SealedList(name)); };
  testkit::TempDir::WriteFile(dir / "playlist.rpf", "QORPLF damaged favourites");
  const std::string database = SealedList("database");
  testkit::TempDir::WriteFile(dir / "broadcast.rpf", database);
  std::ostringstream err;
  TSeedResult result = SeedListFiles(folder, source, err);
  ASSERT_EQ(result.Rescued.size(), 1u);
  EXPECT_TRUE(result.Rescued[0].Moved);
  EXPECT_EQ(testkit::TempDir::ReadFile(result.Rescued[0].Backup), "QORPLF damaged favourites");
  EXPECT_TRUE(result.PlaylistWritten);
  EXPECT_NE(testkit::TempDir::ReadFile(dir / "playlist.rpf"), "QORPLF damaged favourites") << "the built-in list";
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "broadcast.rpf"), database) << "a readable list stays";
  std::string backup = result.Rescued[0].Backup.string();
  EXPECT_EQ(err.str(), "QOR: playlist.rpf okunamadı; dosya " + backup + " adıyla kenara alındı.\n");
  std::u16string notice = RescueNotice(result.Rescued);
  EXPECT_EQ(notice.rfind(u"playlist.rpf okunamadı; playlist.rpf.", 0), 0u);
  EXPECT_NE(notice.find(u".bak adıyla kenara alındı."), std::u16string::npos);

  // Told once: the next start finds nothing to say.
  std::ostringstream again;
  EXPECT_TRUE(SeedListFiles(folder, source, again).Rescued.empty());
  EXPECT_EQ(again.str(), "");
  EXPECT_EQ(RescueNotice({}), u"");
}

TEST(AppStartTest, MissingResourcesAndUnwritableFilesAreReported) {
  testkit::TempDir dir;
  std::string folder = dir.Path().string() + "/";
  std::ostringstream err;
  TSeedResult result = SeedListFiles(folder, ResourceListSource("/org/kelvarin/qor/nothing/"), err);
  EXPECT_FALSE(result.PlaylistWritten);
  EXPECT_FALSE(result.BroadcastWritten);
  EXPECT_NE(err.str().find("PLAYLIST"), std::string::npos);
  EXPECT_NE(err.str().find("BROADCAST"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

  std::ostringstream err2;
  std::filesystem::create_directory(dir / "broadcast.rpf");
  result = SeedListFiles(folder + "missing/", ResourceListSource("/org/kelvarin/qor/testlists/"), err2);
  EXPECT_FALSE(result.PlaylistWritten);
  EXPECT_NE(err2.str().find("yazılamadı"), std::string::npos);
}

// A controller plugged in through the factory, closing itself once the
// message loop runs.
class TSelfClosingController : public TControllerWindow {
 public:
  static inline int IconSeen = 0;
  static inline std::string PlayName;
  static inline bool RecordRequested = false;
  static inline bool SawOptions = false;
  static inline bool Administrator = false;
  static inline bool AudioStarted = false;
  static inline int SecondInitError = 0;
  static inline bool PlayRequested = false;
  static inline std::string RecordName, RecordAction;
  ~TSelfClosingController() override { DestroyHandle(); }
  void SetIconId(int id) override { IconSeen = id; }
  void WndProc(core::TMessage& m) override {
    if (m.Msg == core::WM_CREATE) {
      core::PostMessage(Handle(), core::WM_USER + 1);
    } else if (m.Msg == core::WM_USER + 1) {
      TGlobals& g = Globals();
      PlayName = g.PlayOnStart.Name;
      RecordRequested = g.RecordOnStart.Requested;
      PlayRequested = g.PlayOnStart.Requested;
      RecordName = g.RecordOnStart.Name;
      RecordAction = g.RecordOnStart.Action;
      Administrator = g.AdministratorMode;
      AudioStarted = g.Application && g.Application->AudioInitialized();
      SecondInitError = audio::Init(0, 44100, 0, nullptr, nullptr) ? 0 : audio::ErrorGetCode();
      SawOptions = g.Options && g.Schedule && g.Parameters && g.ApplicationTitle == u"QOR";
      core::PostMessage(Handle(), core::WM_CLOSE);
    } else if (m.Msg == core::WM_DESTROY) {
      core::PostQuitMessage(0);
    }
    TControllerWindow::WndProc(m);
  }
};

TEST(AppStartTest, ControllerFactoryRunsTheLoopAndTeardownSaves) {
  testkit::TempDir dir;
  // A settings folder whose name is not UTF-8 ("ayar" and Windows-1254
  // letters) is read and written as it is.
  const std::string cfg = "ayar\xDE\xFD";
  testkit::EnvScope configHome("XDG_CONFIG_HOME", (dir.Path() / cfg).c_str());
  testkit::EnvScope runtimeDir("XDG_RUNTIME_DIR", dir.Path().c_str());
  std::filesystem::create_directories(dir / (cfg + "/Kelvarin/QOR"));
  testkit::TempDir::WriteFile(dir / (cfg + "/Kelvarin/QOR/options.ini"), "[application]\nicon=102\n");
  testkit::EnvScope dataHome("XDG_DATA_HOME", (dir / "apps").c_str());
  TApplication::SetControllerFactory([](TApplication&) { return std::make_unique<TSelfClosingController>(); });
  std::ostringstream err;
  {
    TApplication application(std::vector<std::u16string>{u"-play=", u"-name=Kral FM"});
    application.SetErrorStream(err);
    application.SetListSource([](const std::string&) { return std::optional<std::string>(SealedList()); });
    EXPECT_EQ(application.Run(), 0);
    EXPECT_EQ(application.IconId(), 102);
    EXPECT_EQ(enc::WideToFileName(application.SettingsFolder()), (dir / (cfg + "/Kelvarin/QOR/")).string());
  }
  EXPECT_EQ(TSelfClosingController::IconSeen, 102);
  EXPECT_TRUE(TSelfClosingController::PlayRequested);
  EXPECT_FALSE(TSelfClosingController::Administrator);
  // The audio library ran during the loop and was freed at the end.
  EXPECT_TRUE(TSelfClosingController::AudioStarted) << "SDL_AUDIODRIVER=dummy expected";
  EXPECT_EQ(TSelfClosingController::SecondInitError, audio::ERROR_ALREADY);
  ASSERT_TRUE(audio::Init(0, 44100, 0, nullptr, nullptr));
  audio::Free();

  // "-record" wins over "-play"; its station and end action are kept.
  {
    TApplication application(std::vector<std::u16string>{u"-play=X", u"-record", u"-name=Kral FM",
                                                          u"-action=shutdown", u"-administrator"});
    application.SetErrorStream(err);
    EXPECT_EQ(application.Run(), 0);
  }
  TApplication::SetControllerFactory(nullptr);
  EXPECT_FALSE(TSelfClosingController::PlayRequested);
  EXPECT_TRUE(TSelfClosingController::RecordRequested);
  EXPECT_EQ(TSelfClosingController::RecordName, "Kral FM");
  EXPECT_EQ(TSelfClosingController::RecordAction, "shutdown");
  EXPECT_TRUE(TSelfClosingController::Administrator);
  TSelfClosingController::RecordRequested = false;
  TSelfClosingController::PlayName = "Kral FM";
  EXPECT_EQ(TSelfClosingController::PlayName, "Kral FM");
  EXPECT_FALSE(TSelfClosingController::RecordRequested);
  EXPECT_TRUE(TSelfClosingController::SawOptions);
  EXPECT_EQ(Globals().Options, nullptr) << "nothing outlives the run";
  EXPECT_FALSE(std::filesystem::exists(dir / "apps/applications/qor.desktop"))
      << "the icon of the start-up is not a change";
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / (cfg + "/Kelvarin/QOR/schedule.ini")), "\xFF\xFE");
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / (cfg + "/Kelvarin/QOR/broadcast.rpf")).substr(0, 6), "QORPLF");
  EXPECT_EQ(err.str(), "");
}

TEST(AppStartTest, ChangingTheIconUpdatesTheMenuEntry) {
  testkit::TempDir dir;
  testkit::EnvScope dataHome("XDG_DATA_HOME", dir.Path().c_str());
  std::filesystem::create_directories(dir / "applications");
  testkit::TempDir::WriteFile(dir / "applications/qor.desktop", "[Desktop Entry]\nName=QOR\nIcon=qor-android\n");
  TApplication application(std::vector<std::u16string>{});
  application.SetIconId(102);
  EXPECT_EQ(application.IconId(), 102);
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "applications/qor.desktop"), "[Desktop Entry]\nName=QOR\nIcon=qor-klasik\n");
}

}  // namespace
