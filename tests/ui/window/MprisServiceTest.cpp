// The media-player service against a stand-in player, on a session bus of
// the test's own, seen from a second bus connection as a shell would see
// it: which name it takes, what it signals and what calls reach the player.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>

#include "DesktopKit.h"
#include "MainLoop.h"
#include "TempDir.h"
#include "app/desktop/Mpris.h"
#include "Tools.h"

namespace {

using testkit::PumpUntil;

class TStandInPlayer : public app::TMprisPlayer {
 public:
  app::TMprisState State() override { return Now; }
  void Play() override { Calls.push_back("Play"); }
  void Pause() override { Calls.push_back("Pause"); }
  void PlayPause() override { Calls.push_back("PlayPause"); }
  void Stop() override { Calls.push_back("Stop"); }
  void Next() override { Calls.push_back("Next"); }
  void Previous() override { Calls.push_back("Previous"); }
  void SetVolume(double volume) override {
    Calls.push_back("SetVolume");
    Now.Volume = volume;
  }
  void Raise() override { Calls.push_back("Raise"); }
  void Quit() override { Calls.push_back("Quit"); }

  app::TMprisState Now;
  std::vector<std::string> Calls;
};

class MprisServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"dbus-daemon"}));
    FBus = uitest::StartSessionBus(FDir.Path());
    ASSERT_TRUE(FBus->Ok());
    auto connect = [&] {
      return g_dbus_connection_new_for_address_sync(
          FBus->Address().c_str(),
          GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                               G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
          nullptr, nullptr, nullptr);
    };
    FShell = connect();
    ASSERT_NE(FShell, nullptr);
    // The service's own connection to this bus: the process's session bus
    // connection may be an earlier test's (file choosers keep it alive).
    FService = connect();
    ASSERT_NE(FService, nullptr);
    FPlayer.Now.PlaybackStatus = "Playing";
    FPlayer.Now.Title = "Çiçek";
    FPlayer.Now.Artist = "Şebnem";
    FPlayer.Now.Album = "Test Radyo";
    FPlayer.Now.Volume = 0.25;
    FPlayer.Now.CanPlay = true;
  }
  void TearDown() override {
    if (FSubscription) g_dbus_connection_signal_unsubscribe(FShell, FSubscription);
    if (FShell) g_object_unref(FShell);
    if (FService) g_object_unref(FService);
  }

  // A call from the shell's connection, answered while the loop runs
  // (the service answers on this thread). The reply, or nullptr with the
  // error's name in FError.
  GVariant* Call(const char* interface, const char* method, GVariant* parameters) {
    struct TReply {
      bool Done = false;
      GVariant* Value = nullptr;
      std::string Error;
    } reply;
    g_dbus_connection_call(
        FShell, FName.c_str(), "/org/mpris/MediaPlayer2", interface, method, parameters, nullptr,
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto* r = static_cast<TReply*>(data);
          GError* error = nullptr;
          r->Value = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
          if (error) {
            gchar* name = g_dbus_error_get_remote_error(error);
            r->Error = name ? name : error->message;
            g_free(name);
            g_error_free(error);
          }
          r->Done = true;
        },
        &reply);
    EXPECT_TRUE(PumpUntil([&] { return reply.Done; }, 10000));
    FError = reply.Error;
    return reply.Value;
  }
  GVariant* Get(const char* interface, const char* property) {
    GVariant* reply = Call("org.freedesktop.DBus.Properties", "Get", g_variant_new("(ss)", interface, property));
    if (!reply) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
  }
  std::string TrackId() {
    GVariant* metadata = Get("org.mpris.MediaPlayer2.Player", "Metadata");
    if (!metadata) return "";
    const gchar* track = nullptr;
    std::string id = g_variant_lookup(metadata, "mpris:trackid", "&o", &track) ? track : "";
    g_variant_unref(metadata);
    return id;
  }
  void Follow() {
    FSubscription = g_dbus_connection_signal_subscribe(
        FShell, nullptr, "org.freedesktop.DBus.Properties", "PropertiesChanged", "/org/mpris/MediaPlayer2", nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
           gpointer data) {
          auto* changes = static_cast<std::vector<std::set<std::string>>*>(data);
          GVariant* changed = g_variant_get_child_value(parameters, 1);
          std::set<std::string> names;
          GVariantIter iter;
          g_variant_iter_init(&iter, changed);
          const gchar* key = nullptr;
          GVariant* value = nullptr;
          while (g_variant_iter_next(&iter, "{&sv}", &key, &value)) {
            names.insert(key);
            g_variant_unref(value);
          }
          g_variant_unref(changed);
          changes->push_back(names);
        },
        &FChanges, nullptr);
  }

  testkit::TempDir FDir;
  std::unique_ptr<uitest::TPrivateServer> FBus;
  GDBusConnection* FShell = nullptr;
  GDBusConnection* FService = nullptr;
  guint FSubscription = 0;
  std::string FName = app::MprisBusName;
  std::string FError;
  std::vector<std::set<std::string>> FChanges;
  TStandInPlayer FPlayer;
};

TEST_F(MprisServiceTest, AnotherPlayerOnThePlainNameLeavesItTheInstanceName) {
  GVariant* reply = g_dbus_connection_call_sync(
      FShell, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
      g_variant_new("(su)", app::MprisBusName, 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
      nullptr);
  ASSERT_NE(reply, nullptr);
  g_variant_unref(reply);
  app::TMprisServer server(FPlayer, FService);
  ASSERT_TRUE(PumpUntil([&] { return !server.BusName().empty(); }, 10000));
  FName = server.BusName();
  EXPECT_EQ(FName, std::string(app::MprisBusName) + ".instance" + std::to_string(::getpid()));
  GVariant* identity = Get("org.mpris.MediaPlayer2", "Identity");
  ASSERT_NE(identity, nullptr);
  EXPECT_STREQ(g_variant_get_string(identity, nullptr), "QOR");
  g_variant_unref(identity);
}

TEST_F(MprisServiceTest, SignalsWhatChangedAndPassesCallsToThePlayer) {
  app::TMprisServer server(FPlayer, FService);
  ASSERT_TRUE(PumpUntil([&] { return server.BusName() == app::MprisBusName; }, 10000));
  Follow();
  std::string firstTrack = TrackId();
  EXPECT_FALSE(firstTrack.empty());

  // A new song: only the metadata changed, with a new track id.
  FPlayer.Now.Title = "Gidiyorum";
  server.Refresh();
  ASSERT_TRUE(PumpUntil([&] { return FChanges.size() == 1; }, 5000));
  EXPECT_EQ(FChanges[0], (std::set<std::string>{"Metadata"}));
  EXPECT_NE(TrackId(), firstTrack);
  // Nothing changed: nothing is said.
  server.Refresh();
  // Stopped: the status and what it allows.
  FPlayer.Now.PlaybackStatus = "Stopped";
  server.Refresh();
  ASSERT_TRUE(PumpUntil([&] { return FChanges.size() == 2; }, 5000));
  EXPECT_EQ(FChanges[1], (std::set<std::string>{"PlaybackStatus", "CanPause"}));

  // The volume set from the bus reaches the player and is signalled.
  GVariant* set = Call("org.freedesktop.DBus.Properties", "Set",
                       g_variant_new("(ssv)", "org.mpris.MediaPlayer2.Player", "Volume", g_variant_new_double(0.4)));
  ASSERT_NE(set, nullptr) << FError;
  g_variant_unref(set);
  ASSERT_TRUE(PumpUntil([&] { return FChanges.size() == 3; }, 5000));
  EXPECT_EQ(FChanges[2], (std::set<std::string>{"Volume"}));
  EXPECT_DOUBLE_EQ(FPlayer.Now.Volume, 0.4);
  // Read-only properties stay so (the bus library refuses the call).
  EXPECT_EQ(Call("org.freedesktop.DBus.Properties", "Set",
                 g_variant_new("(ssv)", "org.mpris.MediaPlayer2.Player", "PlaybackStatus", g_variant_new_string("x"))),
            nullptr);
  EXPECT_EQ(FError, "org.freedesktop.DBus.Error.InvalidArgs");

  for (const char* method : {"Play", "Pause", "PlayPause", "Stop", "Next", "Previous"}) {
    GVariant* r = Call("org.mpris.MediaPlayer2.Player", method, nullptr);
    ASSERT_NE(r, nullptr) << method << ": " << FError;
    g_variant_unref(r);
  }
  for (const char* method : {"Raise", "Quit"}) {
    GVariant* r = Call("org.mpris.MediaPlayer2", method, nullptr);
    ASSERT_NE(r, nullptr) << method << ": " << FError;
    g_variant_unref(r);
  }
  EXPECT_EQ(FPlayer.Calls, (std::vector<std::string>{"SetVolume", "Play", "Pause", "PlayPause", "Stop", "Next",
                                                      "Previous", "Raise", "Quit"}));
  EXPECT_EQ(Call("org.mpris.MediaPlayer2.Player", "OpenUri", g_variant_new("(s)", "http://127.0.0.1/x")), nullptr);
  EXPECT_EQ(FError, "org.freedesktop.DBus.Error.NotSupported");
}

}  // namespace
