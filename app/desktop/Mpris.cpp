#include "app/desktop/Mpris.h"

#include <unistd.h>

#include <vector>

namespace app {

namespace {

constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* RootInterface = "org.mpris.MediaPlayer2";
constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";

constexpr const char* Introspection = R"(<node>
  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek"><arg direction="in" name="Offset" type="x"/></method>
    <method name="SetPosition">
      <arg direction="in" name="TrackId" type="o"/>
      <arg direction="in" name="Position" type="x"/>
    </method>
    <method name="OpenUri"><arg direction="in" name="Uri" type="s"/></method>
    <signal name="Seeked"><arg name="Position" type="x"/></signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
</node>)";

bool Playing(const TMprisState& s) { return s.PlaybackStatus == "Playing"; }

// The player properties that follow the player's state, in the order they
// are signalled, each with whether two states give it different values,
// told from the fields: a new title builds bus values only for what it
// changed.
struct TChangingProperty {
  const char* Name;
  bool (*Differs)(const TMprisState& a, const TMprisState& b);
};
constexpr TChangingProperty ChangingProperties[] = {
    {"PlaybackStatus", [](const TMprisState& a, const TMprisState& b) { return a.PlaybackStatus != b.PlaybackStatus; }},
    {"Metadata",
     [](const TMprisState& a, const TMprisState& b) {
       return a.Title != b.Title || a.Artist != b.Artist || a.Album != b.Album || a.ArtUrl != b.ArtUrl;
     }},
    {"Volume", [](const TMprisState& a, const TMprisState& b) { return a.Volume != b.Volume; }},
    {"CanGoNext", [](const TMprisState& a, const TMprisState& b) { return a.CanGoNext != b.CanGoNext; }},
    {"CanGoPrevious", [](const TMprisState& a, const TMprisState& b) { return a.CanGoPrevious != b.CanGoPrevious; }},
    {"CanPlay", [](const TMprisState& a, const TMprisState& b) { return a.CanPlay != b.CanPlay; }},
    // A live stream "pauses" by stopping, which is possible whenever it runs.
    {"CanPause", [](const TMprisState& a, const TMprisState& b) { return Playing(a) != Playing(b); }},
};

bool IsSeparatorSpace(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trim(const std::u16string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsSeparatorSpace(text[begin])) ++begin;
  while (end > begin && IsSeparatorSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

TTrackNames SplitArtistTitle(const std::u16string& title) {
  size_t dash = title.find(u" - ");
  if (dash != std::u16string::npos) {
    std::u16string artist = Trim(title.substr(0, dash)), song = Trim(title.substr(dash + 3));
    if (!artist.empty() && !song.empty()) return {artist, song};
  }
  return {u"", Trim(title)};
}

TMprisServer::TMprisServer(TMprisPlayer& player, GDBusConnection* bus) : FPlayer(player) {
  GError* error = nullptr;
  FConnection = bus ? G_DBUS_CONNECTION(g_object_ref(bus)) : g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!FConnection) {
    g_clear_error(&error);
    return;
  }
  FNode = g_dbus_node_info_new_for_xml(Introspection, nullptr);
  static const GDBusInterfaceVTable vtable = {MethodCall, GetProperty, SetProperty, {}};
  FRootId = g_dbus_connection_register_object(FConnection, ObjectPath,
                                              g_dbus_node_info_lookup_interface(FNode, RootInterface), &vtable,
                                              this, nullptr, nullptr);
  FPlayerId = g_dbus_connection_register_object(FConnection, ObjectPath,
                                                g_dbus_node_info_lookup_interface(FNode, PlayerInterface), &vtable,
                                                this, nullptr, nullptr);
  FPublished = FPlayer.State();
  TrackFollows(FPublished);
  Own(MprisBusName);
}

TMprisServer::~TMprisServer() {
  if (FOwnerId) g_bus_unown_name(FOwnerId);
  if (FConnection) {
    if (FRootId) g_dbus_connection_unregister_object(FConnection, FRootId);
    if (FPlayerId) g_dbus_connection_unregister_object(FConnection, FPlayerId);
    g_object_unref(FConnection);
  }
  if (FNode) g_dbus_node_info_unref(FNode);
}

void TMprisServer::Own(const std::string& name) {
  if (FOwnerId) g_bus_unown_name(FOwnerId);
  FOwnerId = g_bus_own_name_on_connection(FConnection, name.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
                                          NameAcquired, NameLost, this, nullptr);
}

void TMprisServer::NameAcquired(GDBusConnection*, const gchar* name, gpointer self) {
  static_cast<TMprisServer*>(self)->FBusName = name;
}

void TMprisServer::NameLost(GDBusConnection* connection, const gchar*, gpointer self) {
  auto* server = static_cast<TMprisServer*>(self);
  server->FBusName.clear();
  // Another running player has the plain name: this one takes its own.
  if (connection && !server->FTriedInstance) {
    server->FTriedInstance = true;
    server->Own(std::string(MprisBusName) + ".instance" + std::to_string(::getpid()));
  }
}

void TMprisServer::TrackFollows(const TMprisState& state) {
  if (FTrack == 0 || state.Title != FPublished.Title || state.Album != FPublished.Album) ++FTrack;
}

GVariant* TMprisServer::Metadata(const TMprisState& state) const {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  std::string track = "/org/kelvarin/qor/track/" + std::to_string(FTrack);
  g_variant_builder_add(&builder, "{sv}", "mpris:trackid", g_variant_new_object_path(track.c_str()));
  if (!state.Title.empty()) g_variant_builder_add(&builder, "{sv}", "xesam:title", g_variant_new_string(state.Title.c_str()));
  if (!state.Artist.empty()) {
    const gchar* artists[] = {state.Artist.c_str(), nullptr};
    g_variant_builder_add(&builder, "{sv}", "xesam:artist", g_variant_new_strv(artists, 1));
  }
  if (!state.Album.empty()) g_variant_builder_add(&builder, "{sv}", "xesam:album", g_variant_new_string(state.Album.c_str()));
  if (!state.ArtUrl.empty())
    g_variant_builder_add(&builder, "{sv}", "mpris:artUrl", g_variant_new_string(state.ArtUrl.c_str()));
  return g_variant_builder_end(&builder);
}

GVariant* TMprisServer::PlayerProperty(const std::string& name, const TMprisState& state) const {
  if (name == "PlaybackStatus") return g_variant_new_string(state.PlaybackStatus.c_str());
  if (name == "Metadata") return Metadata(state);
  if (name == "Volume") return g_variant_new_double(state.Volume);
  if (name == "CanGoNext") return g_variant_new_boolean(state.CanGoNext);
  if (name == "CanGoPrevious") return g_variant_new_boolean(state.CanGoPrevious);
  if (name == "CanPlay") return g_variant_new_boolean(state.CanPlay);
  if (name == "CanPause") return g_variant_new_boolean(Playing(state));
  if (name == "Rate" || name == "MinimumRate" || name == "MaximumRate") return g_variant_new_double(1.0);
  if (name == "Position") return g_variant_new_int64(0);
  if (name == "CanSeek") return g_variant_new_boolean(FALSE);
  if (name == "CanControl") return g_variant_new_boolean(TRUE);
  return nullptr;
}

void TMprisServer::Refresh() {
  if (!FConnection) return;
  TMprisState state = FPlayer.State();
  if (state == FPublished) return;
  TrackFollows(state);
  GVariantBuilder changed;
  g_variant_builder_init(&changed, G_VARIANT_TYPE("a{sv}"));
  for (const TChangingProperty& property : ChangingProperties)
    if (property.Differs(FPublished, state))
      g_variant_builder_add(&changed, "{sv}", property.Name, PlayerProperty(property.Name, state));
  FPublished = std::move(state);
  g_dbus_connection_emit_signal(FConnection, nullptr, ObjectPath, "org.freedesktop.DBus.Properties",
                                "PropertiesChanged", g_variant_new("(sa{sv}as)", PlayerInterface, &changed, nullptr),
                                nullptr);
}

void TMprisServer::MethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar* interface,
                              const gchar* method, GVariant*, GDBusMethodInvocation* invocation, gpointer self) {
  auto* server = static_cast<TMprisServer*>(self);
  std::string name = method;
  if (name == "OpenUri") {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_NOT_SUPPORTED,
                                          "Addresses are opened from the station list");
    return;
  }
  // Answered first: an action may open a dialog, which must not keep the
  // caller waiting for its reply.
  g_dbus_method_invocation_return_value(invocation, nullptr);
  TMprisPlayer& player = server->FPlayer;
  if (g_strcmp0(interface, RootInterface) == 0) {
    if (name == "Raise") player.Raise();
    else if (name == "Quit") player.Quit();
    return;
  }
  if (name == "Play") player.Play();
  else if (name == "Pause") player.Pause();
  else if (name == "PlayPause") player.PlayPause();
  else if (name == "Stop") player.Stop();
  else if (name == "Next") player.Next();
  else if (name == "Previous") player.Previous();
  // Seek and SetPosition do nothing on a live stream (CanSeek is false).
  server->Refresh();
}

GVariant* TMprisServer::GetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar* interface,
                                    const gchar* property, GError** error, gpointer self) {
  auto* server = static_cast<TMprisServer*>(self);
  std::string name = property;
  if (g_strcmp0(interface, RootInterface) == 0) {
    if (name == "CanQuit" || name == "CanRaise") return g_variant_new_boolean(TRUE);
    if (name == "HasTrackList") return g_variant_new_boolean(FALSE);
    if (name == "Identity") return g_variant_new_string("QOR");
    if (name == "DesktopEntry") return g_variant_new_string("qor");
    if (name == "SupportedUriSchemes") {
      const gchar* schemes[] = {"http", "https", nullptr};
      return g_variant_new_strv(schemes, -1);
    }
    if (name == "SupportedMimeTypes") return g_variant_new_strv(nullptr, 0);
  } else {
    // What is answered is what the signals have said, so both agree.
    server->Refresh();
    if (GVariant* value = server->PlayerProperty(name, server->FPublished)) return value;
  }
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", property);
  return nullptr;
}

gboolean TMprisServer::SetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar* interface,
                                   const gchar* property, GVariant* value, GError** error, gpointer self) {
  auto* server = static_cast<TMprisServer*>(self);
  if (g_strcmp0(interface, PlayerInterface) == 0 && g_strcmp0(property, "Volume") == 0 &&
      g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE)) {
    server->FPlayer.SetVolume(g_variant_get_double(value));
    server->Refresh();
    return TRUE;
  }
  // The rate is fixed; setting it to 1 is allowed and changes nothing.
  if (g_strcmp0(interface, PlayerInterface) == 0 && g_strcmp0(property, "Rate") == 0) return TRUE;
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_PROPERTY_READ_ONLY, "%s cannot be set", property);
  return FALSE;
}

}  // namespace app
