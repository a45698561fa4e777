#include "ui/window/PlayerBus.h"

#include <glib.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>

#include "app/Application.h"
#include "app/Globals.h"
#include "app/Messages.h"
#include "app/Options.h"
#include "core/Timer.h"
#include "platform/Folders.h"
#include "platform/Resources.h"
#include "support/Encoding.h"
#include "support/WStringsFile.h"
#include "ui/dialogs/HotkeyField.h"
#include "ui/dialogs/OptionsSheet.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

using namespace widgets;
using namespace app;

namespace {

// Each hotkey and the window command it gives.
struct THotkeyCommand {
  TOptionHotkey Option;
  WPARAM Command;
};
constexpr THotkeyCommand HotkeyCommands[] = {
    {ohRecording, cmRecord}, {ohHibernate, cmHibernate}, {ohShowHide, cmShowHide}, {ohAlwaysTop, cmAlwaysTop}};

// The media keys and what the window's media message does with them:
// 0 play, 1 stop, 2 next, 3 previous.
struct TMediaKey {
  const char* Accelerator;
  WPARAM Command;
};
constexpr TMediaKey MediaKeys[] = {
    {"XF86AudioPlay", 0}, {"XF86AudioStop", 1}, {"XF86AudioNext", 2}, {"XF86AudioPrev", 3}};

// Shown, the window's controls change what the service publishes in many
// ways (the lists, the volume bar, the keys): a poll compares ten times a
// second. Unseen, every change comes with a message to the window (the
// controller's events and titles, a hotkey, the tray, the window's own
// timers), so the bus looks after each message instead and the program
// sleeps between them; callers of the service are answered at once anyway
// (MethodCall refreshes).
constexpr UINT PollMs = 100;

std::optional<TMenuItem> FindMenuItem(HMENU menu, UINT id) {
  for (const TMenuItem& item : MenuItems(menu)) {
    if (!(item.Flags & (MF_POPUP | MF_SEPARATOR)) && item.Id == id) return item;
    if (item.Flags & MF_POPUP)
      if (auto inner = FindMenuItem(item.SubMenu, id)) return inner;
  }
  return std::nullopt;
}

// A dialog that wants an answer first (the hibernation notice, a message
// box, the countdown). Its run holds the window's message queue, so a
// command posted meanwhile would wait and then fire all at once after it.
bool ModalDialogOpen() {
  if (!gdk_display_get_default()) return false;
  GList* windows = gtk_window_list_toplevels();
  bool open = false;
  for (GList* w = windows; w && !open; w = w->next)
    open = gtk_window_get_modal(GTK_WINDOW(w->data)) && gtk_widget_get_visible(GTK_WIDGET(w->data));
  g_list_free(windows);
  return open;
}

}  // namespace

std::u16string HotkeyMenuCaption(const std::u16string& caption, int hotkey) {
  std::u16string keys = HotkeyText(hotkey);
  return keys.empty() ? caption : caption + u"\t" + keys;
}

void RefreshHotkeyTexts(HMENU menu, const TOptions& options) {
  for (const THotkeyCommand& h : HotkeyCommands) {
    std::optional<TMenuItem> item = FindMenuItem(menu, static_cast<UINT>(h.Command));
    if (!item) continue;
    std::u16string caption = item->Text.substr(0, item->Text.find(u'\t'));
    ModifyMenuW(menu, static_cast<UINT>(h.Command), MF_BYCOMMAND | item->Flags, h.Command,
                HotkeyMenuCaption(caption, options.ReadHotkey(h.Option)));
  }
}

std::u16string HeldHotkeysText(const std::vector<std::u16string>& combinations) {
  std::u16string text = u"Kısayol tuşu başka bir program tarafından kullanılıyor: ";
  for (size_t n = 0; n < combinations.size(); ++n) text += (n ? u", " : u"") + combinations[n];
  return text;
}

TPlayerBus::TPlayerBus(TPlayerWindow& window) : FWindow(window) {
  RegisterHotkeys();
  FollowMediaKeys();
  FMpris = std::make_unique<TMprisServer>(*this);
  // Playback, titles and the volume change from many places (the
  // controller's notices, the window's controls, other programs): the
  // service compares what it published with the window's state instead of
  // being told by each of them.
  FPoll = std::make_unique<core::TTimer>();
  FPoll->SetInterval(PollMs);
  FPoll->SetOnTimer([this](core::TObject*) { Poll(); });
  OptionsSheetHooks().ReleaseHotkeys = [this] { ReleaseHotkeys(); };
  OptionsSheetHooks().RegisterHotkeys = [this] { RegisterHotkeys(); };
}

TPlayerBus::~TPlayerBus() {
  FMessages->Alive = false;
  OptionsSheetHooks().ReleaseHotkeys = nullptr;
  OptionsSheetHooks().RegisterHotkeys = nullptr;
  FPoll.reset();
  FMpris.reset();
}

void TPlayerBus::RegisterHotkeys() {
  FHotkeys.UnbindAll();
  std::vector<std::u16string> held;
  HWND window = FWindow.WindowHandle();
  for (const THotkeyCommand& h : HotkeyCommands) {
    int hotkey = FWindow.FOptions.ReadHotkey(h.Option);
    if ((hotkey & 0xFF) == 0) continue;
    WPARAM command = h.Command;
    // A press while a modal dialog is open is dropped with a beep, as the
    // window's own keys are then: the user answers the dialog first.
    // (The media keys below follow the same rule.)
    auto result = FHotkeys.Bind(HotkeyAccelerator(hotkey), [window, command] {
      if (ModalDialogOpen()) gdk_display_beep(gdk_display_get_default());
      else PostMessage(window, WM_COMMAND, command, 0);
    });
    if (result == TGlobalKeys::TResult::Held && FReported.insert(hotkey).second) held.push_back(HotkeyText(hotkey));
  }
  if (!held.empty()) FWindow.SetMarquee(HeldHotkeysText(held), true);
  RefreshHotkeyTexts(FWindow.FPlayerMenu, FWindow.FOptions);
}

void TPlayerBus::ReleaseHotkeys() { FHotkeys.UnbindAll(); }

void TPlayerBus::FollowMediaKeys() {
  bool wanted = FWindow.FMediaKeys;
  if (wanted == FMediaKeysOn) return;
  FMediaKeysOn = wanted;
  FMediaKeys.UnbindAll();
  if (!wanted) return;
  HWND window = FWindow.WindowHandle();
  // Desktops that route these keys to the media-player service hold the
  // grabs themselves; the service serves the keys there.
  for (const TMediaKey& key : MediaKeys) {
    WPARAM command = key.Command;
    FMediaKeys.Bind(key.Accelerator, [window, command] {
      if (ModalDialogOpen()) gdk_display_beep(gdk_display_get_default());
      else PostMessage(window, UM_MEDIA_COMMAND, command, 0);
    });
  }
}

void TPlayerBus::Poll() {
  if (FWindow.Closing()) return;
  Follow();
  if (!FWindow.OnScreen()) FPoll->SetEnabled(false);
}

void TPlayerBus::Follow() {
  FollowMediaKeys();
  if (FMpris && StateInputsChanged()) FMpris->Refresh();
}

void TPlayerBus::MessageDone() {
  if (FWindow.Closing()) return;
  if (!FWindow.OnScreen()) Follow();
  else if (!FPoll->Enabled()) FPoll->SetEnabled(true);
}

TBusFollows::TBusFollows(TPlayerBus* bus) : FBus(bus) {
  if (!FBus) return;
  FCount = FBus->FMessages;
  ++FCount->Depth;
}

TBusFollows::~TBusFollows() {
  if (!FCount) return;
  // Counted down only after the bus looked: the messages its look sends
  // to the window do not make it look again inside itself.
  if (FCount->Depth == 1 && FCount->Alive) {
    try {
      FBus->MessageDone();
    } catch (...) {
      core::ReportStrayException();
    }
  }
  --FCount->Depth;
}

bool TPlayerBus::StateInputsChanged() {
  // Compared in place: a poll that finds nothing new (nearly every one)
  // converts no text and allocates nothing.
  const TApplication* application = Globals().Application;
  TStateInputs& seen = FSeen;
  const bool closed = FWindow.FClosed;
  const long playState = closed ? 0 : static_cast<long>(FWindow.Send(UM_GET_PLAY_STATE));
  const int icon = application ? application->IconId() : FArtIcon;
  const int playing = PlayingFavourite();
  const int count = FWindow.FFavourites ? FWindow.FFavourites->Count() : 0;
  const bool hasUrl = !FWindow.FCurrentUrl.empty();
  if (seen.Known && seen.Closed == closed && seen.PlayState == playState && seen.Icon == icon &&
      seen.Volume == FWindow.FVolume && seen.Playing == playing && seen.Count == count && seen.HasUrl == hasUrl &&
      seen.Title == FWindow.FTitle && seen.Name == FWindow.FCurrentName)
    return false;
  seen.Known = true;
  seen.Closed = closed;
  seen.PlayState = playState;
  seen.Icon = icon;
  seen.Volume = FWindow.FVolume;
  seen.Playing = playing;
  seen.Count = count;
  seen.HasUrl = hasUrl;
  seen.Title = FWindow.FTitle;
  seen.Name = FWindow.FCurrentName;
  return true;
}

// Coming forward from outside also ends hibernation, as an activation does.
void TPlayerBus::ShowWindow() {
  if (FWindow.Hibernating()) FWindow.ToggleHibernate(false);
  FWindow.SetVisible(true);
  SetForegroundWindow(FWindow.WindowHandle());
}

bool TPlayerBus::Command(WPARAM id) {
  if (FWindow.Closing()) return false;
  switch (id) {
    case CM_RECORD:
      // From a hotkey or the tray: the window comes forward first, so that
      // the recording panel is seen sliding in.
      ShowWindow();
      ProcessMessages();
      FWindow.ToggleRecording();
      return true;
    case CM_TOGGLE_MUTE:
      FWindow.Send(UM_SET_MUTE, FWindow.Send(UM_GET_MUTE) ? 0 : 1);
      return true;
    default:
      return false;
  }
}

int TPlayerBus::PlayingFavourite() const {
  return FWindow.FFavourites ? FWindow.FFavourites->IndexOfId(FWindow.FFavourites->ActiveId()) : -1;
}

std::string TPlayerBus::ArtUrl() {
  // The running program keeps the icon option (the options dialog updates
  // it); the file is read only without one, not on every poll.
  const TApplication* application = Globals().Application;
  int icon = (application ? application->IconId() : FWindow.FOptions.ReadInt(oiIcon)) == 102 ? 102 : 101;
  if (icon == FArtIcon) return FArtUrl;
  FArtIcon = icon;
  FArtUrl.clear();
  // Shells read the picture from a file: the program icon is written once
  // into the runtime folder.
  std::string folder = platform::RuntimeFolder();
  auto png = platform::LoadResourceBytes("/org/kelvarin/qor/icons/" + std::to_string(icon) + "-256.png");
  if (folder.empty() || !png) return FArtUrl;
  std::filesystem::path file = std::filesystem::path(folder) / ("qor-" + std::to_string(icon) + ".png");
  if (!wstr::WriteFileAtomic(file.string(), *png)) return FArtUrl;
  if (gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr)) {
    FArtUrl = uri;
    g_free(uri);
  }
  return FArtUrl;
}

TMprisState TPlayerBus::State() {
  TMprisState state;
  if (FWindow.FClosed) return state;
  LRESULT playState = FWindow.Send(UM_GET_PLAY_STATE);
  state.PlaybackStatus = playState == 0 ? "Stopped" : playState == 3 ? "Paused" : "Playing";
  TTrackNames names = SplitArtistTitle(FWindow.FTitle);
  // Without a song title the station's name is what there is to show.
  state.Title = enc::Utf16ToUtf8(names.Title.empty() ? FWindow.FCurrentName : names.Title);
  state.Artist = enc::Utf16ToUtf8(names.Artist);
  state.Album = enc::Utf16ToUtf8(FWindow.FCurrentName);
  state.ArtUrl = ArtUrl();
  state.Volume = FWindow.FVolume / 100.0;
  int playing = PlayingFavourite();
  state.CanGoNext = playing >= 0 && playing + 1 < FWindow.FFavourites->Count();
  state.CanGoPrevious = playing > 0;
  state.CanPlay = !FWindow.FCurrentUrl.empty();
  return state;
}

// A live stream has no pause: pausing stops it, playing starts it again.
void TPlayerBus::Play() {
  if (!FWindow.Closing() && !FWindow.IsPlaying()) FWindow.StopPlayback();
}

void TPlayerBus::Pause() { Stop(); }

void TPlayerBus::PlayPause() {
  if (!FWindow.Closing()) FWindow.StopPlayback();
}

void TPlayerBus::Stop() {
  if (!FWindow.Closing() && FWindow.IsPlaying()) FWindow.StopPlayback();
}

void TPlayerBus::Next() {
  int playing = PlayingFavourite();
  if (!FWindow.Closing() && playing >= 0 && playing + 1 < FWindow.FFavourites->Count()) FWindow.PlayNext();
}

void TPlayerBus::Previous() {
  if (!FWindow.Closing() && PlayingFavourite() > 0) FWindow.PlayPrevious();
}

void TPlayerBus::SetVolume(double volume) {
  if (FWindow.Closing() || std::isnan(volume)) return;
  FWindow.SetVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
  FWindow.ShowVolumeLabel();
}

void TPlayerBus::Raise() {
  if (!FWindow.Closing()) ShowWindow();
}

void TPlayerBus::Quit() {
  if (!FWindow.Closing()) PostMessage(FWindow.WindowHandle(), WM_CLOSE);
}

// The window's commands that the bus serves.
bool TPlayerWindow::BusCommand(WPARAM id) { return FBus && FBus->Command(id); }

}  // namespace ui
