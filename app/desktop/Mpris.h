// The media-player service of the session bus (MPRIS2): desktop shells,
// media keys routed by the desktop and tools such as playerctl find the
// player under org.mpris.MediaPlayer2.qor and drive it through the
// MediaPlayer2 and MediaPlayer2.Player interfaces. The service knows the
// player only through TMprisPlayer; it publishes what State() answers and
// signals PropertiesChanged for every value that differs from the last
// one it published.
#pragma once

#include <gio/gio.h>

#include <string>

namespace app {

// An ICY title "Artist - Song" split at its first " - "; a title without
// one, or with an empty side, is all song.
struct TTrackNames {
  std::u16string Artist;
  std::u16string Title;
};
TTrackNames SplitArtistTitle(const std::u16string& title);

// What the service publishes. Texts are UTF-8.
struct TMprisState {
  std::string PlaybackStatus = "Stopped";  // "Playing", "Paused" or "Stopped"
  std::string Title, Artist, Album, ArtUrl;
  double Volume = 0;  // 0 to 1
  bool CanGoNext = false, CanGoPrevious = false, CanPlay = false;
  bool operator==(const TMprisState&) const = default;
};

class TMprisPlayer {
 public:
  virtual ~TMprisPlayer() = default;
  virtual TMprisState State() = 0;
  virtual void Play() = 0;
  virtual void Pause() = 0;
  virtual void PlayPause() = 0;
  virtual void Stop() = 0;
  virtual void Next() = 0;
  virtual void Previous() = 0;
  virtual void SetVolume(double volume) = 0;
  virtual void Raise() = 0;
  virtual void Quit() = 0;
};

inline constexpr const char* MprisBusName = "org.mpris.MediaPlayer2.qor";

class TMprisServer {
 public:
  // Connects to the session bus and asks for the bus name; when another
  // player holds it, for the name with ".instance<pid>" added, as the
  // interface allows. Without a session bus the service stays silent.
  // `bus` (when given) is the connection to serve on instead: the session
  // bus connection is one for the whole process, made for the first
  // address it was asked for.
  explicit TMprisServer(TMprisPlayer& player, GDBusConnection* bus = nullptr);
  ~TMprisServer();
  TMprisServer(const TMprisServer&) = delete;
  TMprisServer& operator=(const TMprisServer&) = delete;

  // Publishes the differences between the player's state and what was
  // published last.
  void Refresh();
  // The bus name owned (empty until the bus grants one).
  const std::string& BusName() const { return FBusName; }

 private:
  static void MethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar* interface, const gchar* method,
                         GVariant*, GDBusMethodInvocation* invocation, gpointer self);
  static GVariant* GetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar* interface,
                               const gchar* property, GError** error, gpointer self);
  static gboolean SetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar* interface,
                              const gchar* property, GVariant* value, GError** error, gpointer self);
  static void NameAcquired(GDBusConnection*, const gchar* name, gpointer self);
  static void NameLost(GDBusConnection*, const gchar* name, gpointer self);

  GVariant* Metadata(const TMprisState& state) const;
  GVariant* PlayerProperty(const std::string& name, const TMprisState& state) const;
  void TrackFollows(const TMprisState& state);
  void Own(const std::string& name);

  TMprisPlayer& FPlayer;
  GDBusConnection* FConnection = nullptr;
  GDBusNodeInfo* FNode = nullptr;
  guint FRootId = 0, FPlayerId = 0, FOwnerId = 0;
  bool FTriedInstance = false;
  std::string FBusName;
  TMprisState FPublished;
  // A new track id whenever the station or the title changes.
  unsigned FTrack = 0;
};

}  // namespace app
