// What the player window offers the rest of the desktop: its four global
// hotkeys and the media keys (X key grabs), and the media-player service of
// the session bus. The window owns one TPlayerBus in the real program; the
// hotkeys and media keys arrive as the window's own commands and media
// messages, the service calls the window's playback operations.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/desktop/Hotkeys.h"
#include "app/desktop/Mpris.h"
#include "core/Messages.h"
#include "widgets/menus/Menu.h"

namespace app {
class TOptions;
}
namespace core {
class TTimer;
}

namespace ui {

class TPlayerWindow;

// A menu caption with the hotkey's text after a tab ("&Radyodan
// Kaydet\tCtrl+Alt+R"); the caption alone when the hotkey is 0.
std::u16string HotkeyMenuCaption(const std::u16string& caption, int hotkey);
// The window menu's four hotkey commands get the captions for the hotkeys
// set in the options now (whatever followed a tab before is replaced).
void RefreshHotkeyTexts(widgets::HMENU menu, const app::TOptions& options);
// The marquee's notice for combinations another program holds.
std::u16string HeldHotkeysText(const std::vector<std::u16string>& combinations);

class TPlayerBus;

// Lives for one message of the window's procedure; the outermost one,
// ending, lets the bus follow what the message changed. The window (and
// its bus) may be freed inside its own message, in a nested loop: the
// guard then only lets go of its share of the count.
class TBusFollows {
 public:
  explicit TBusFollows(TPlayerBus* bus);
  ~TBusFollows();
  TBusFollows(const TBusFollows&) = delete;
  TBusFollows& operator=(const TBusFollows&) = delete;

  struct TCount {
    bool Alive = true;
    int Depth = 0;
  };

 private:
  TPlayerBus* FBus;
  std::shared_ptr<TCount> FCount;
};

class TPlayerBus : public app::TMprisPlayer {
 public:
  explicit TPlayerBus(TPlayerWindow& window);
  ~TPlayerBus() override;

  // Grabs the hotkeys set in the options and refreshes the menu texts; a
  // combination held elsewhere is named in the marquee, once per run.
  void RegisterHotkeys();
  void ReleaseHotkeys();
  std::size_t HotkeysBound() const { return FHotkeys.Count(); }
  // The media keys grabbed (none while `mediakeys` is off, or where the
  // desktop holds them).
  std::size_t MediaKeysBound() const { return FMediaKeys.Count(); }
  const app::TMprisServer* Mpris() const { return FMpris.get(); }

  // The commands it serves: record from outside the window, mute.
  bool Command(core::WPARAM id);
  // A message to the window has been handled (TBusFollows): unseen, what
  // the service publishes follows it; shown, the poll runs.
  void MessageDone();

  app::TMprisState State() override;
  void Play() override;
  void Pause() override;
  void PlayPause() override;
  void Stop() override;
  void Next() override;
  void Previous() override;
  void SetVolume(double volume) override;
  void Raise() override;
  void Quit() override;

 private:
  void Poll();
  void Follow();
  // Whether what State() is made of changed since the last look (true the
  // first time): the poll builds and compares the whole state only then.
  bool StateInputsChanged();
  void FollowMediaKeys();
  void ShowWindow();
  std::string ArtUrl();
  int PlayingFavourite() const;

  TPlayerWindow& FWindow;
  app::TGlobalKeys FHotkeys, FMediaKeys;
  bool FMediaKeysOn = false;
  std::set<int> FReported;
  int FArtIcon = 0;
  std::string FArtUrl;
  std::unique_ptr<app::TMprisServer> FMpris;
  std::unique_ptr<core::TTimer> FPoll;
  friend class TBusFollows;
  std::shared_ptr<TBusFollows::TCount> FMessages = std::make_shared<TBusFollows::TCount>();
  // What State() read at the last poll.
  struct TStateInputs {
    bool Known = false, Closed = false, HasUrl = false;
    long PlayState = 0;
    int Icon = 0, Volume = 0, Playing = -1, Count = 0;
    std::u16string Title, Name;
  } FSeen;
};

}  // namespace ui
