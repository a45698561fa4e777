// TPlayerWindow: the program's visible main window. A 320-pixel-wide,
// alpha-blended, borderless skin with the play, record, volume and list
// buttons, the title marquee, and a list panel that slides open with the
// favourites and the station database.
//
// It owns no audio: every playback, volume and recording action is a
// message to the controller window (app/Messages.h), and every state change
// of the player comes back as UM_PLAYER_EVENT or UM_PLAYER_META. The
// controller creates it on its start-up tick; it registers itself as the
// controller's client and, when it closes, saves the options and the
// favourites and then closes the controller, which ends the program.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Messages.h"
#include "core/Timer.h"
#include "ui/controls/DisplayContainerEx.h"
#include "ui/window/PlayerParts.h"
#include "ui/window/PlayerRuns.h"
#include "widgets/controls/Icon.h"
#include "widgets/paint/ImageEx.h"
#include "widgets/paint/LabelEx.h"
#include "widgets/paint/WindowEx.h"

namespace browser {
class TBrowserFrame;
class TExternalDispatch;
}  // namespace browser

namespace app {
class TDatabaseDownload;
class TOptions;
class TSchedule;
}  // namespace app

namespace ui {

class TPlayerSession;
class TPlayerBus;
class TEdit;

// The search bar of one station list: icon, edit, the two arrows and the
// hit counter (PlayerWindowSearch.cpp).
struct TSearchBar {
  widgets::TControlEx* Bar = nullptr;
  widgets::TImageEx* Icon = nullptr;
  TEdit* Edit = nullptr;
  widgets::TImageEx* Previous = nullptr;
  widgets::TImageEx* Next = nullptr;
  widgets::TLabelEx* Counter = nullptr;
  TPlayListBoxEx* List = nullptr;
  // The grey "Radyo Ara" stands in the edit, not a search text.
  bool Placeholder = false;
  // The current hit among the list's results.
  int SearchPosition = 0;
};
class TPlayerRecording;
class TPlayerBrowser;
struct TStationForm;
struct TStationAnswer;
enum class TShareSite;

// What the window needs of the running program.
struct TPlayerWindowConfig {
  core::HWND Controller = 0;
  app::TOptions* Options = nullptr;
  app::TSchedule* Schedule = nullptr;
  std::u16string SettingsFolder;  // with a trailing "/"
  // "-volume" and "-mute" of the command line.
  bool VolumeGiven = false;
  std::u16string VolumeValue;
  bool MuteGiven = false;
  bool FirstRun = false;
  // A play request of the command line (plays the last chosen favourite).
  bool PlayOnStart = false;
  // Files or addresses of the command line, opened instead of any of these.
  bool OpensTargets = false;
  // Listen for the end of the desktop session (off in tests).
  bool WatchSession = true;
  // Recording: the command line's unattended run.
  TCommandRecording CommandRecording;
  // Global hotkeys, media keys and the media-player service of the
  // session bus (the real program's window only).
  bool DesktopBus = false;
  // Where the administrator's station-list download writes its files;
  // empty: the current folder (the program folder).
  std::u16string ExportFolder;
  // Administrator mode: the favourites' menu has its administrator part and
  // database favourites keep an editable address.
  bool Administrator = false;
  // Told once in the marquee when the window opens (list files that could
  // not be read and were moved aside), held there for NoticeMs.
  std::u16string StartNotice;
  unsigned NoticeMs = 10000;
};

// Timer ids of the player window.
inline constexpr std::uintptr_t tmStartup = 1001, tmTrim = 1002, tmTick = 1003, tmVolumeLabel = 1007,
                                 tmRecording = 1008, tmVolumeShow = 1010, tmVolumeHide = 1011,
                                 tmCommandRecording = 1012, tmSchedule = 1013;
// The animation tick while the window shows.
inline constexpr unsigned TickIntervalMs = 33;

// Commands of the window menu.
inline constexpr core::WPARAM cmAbout = 40000, cmClose = 40001, cmOptions = 40002, cmAlwaysTop = 40003,
                              cmHibernate = 40004, cmShowHide = 40005, cmCopyTitle = 40006, cmRecord = 40007,
                              cmAddStation = 40008, cmSchedule = 40009, cmBanner = 40010, cmAddAddress = 40020,
                              cmAddVideo = 40021, cmDownloadStationList = 40150;

// Messages handled besides the controller's notices.
inline constexpr core::UINT UM_MEDIA_COMMAND = 38015;
// The options sheet's closing notice is the controller protocol's.
using app::UM_OPTIONS_CLOSED;

class TPlayerWindow : public widgets::TWindowEx {
 public:
  explicit TPlayerWindow(TPlayerWindowConfig config);
  ~TPlayerWindow() override;

  // --- operations other parts call ---
  void PlaySelected();
  void PlayFromFavourites();
  void StopPlayback();
  void PlayNext();
  void PlayPrevious();
  void ToggleVisible();
  void ShowListPanel();
  void HideListPanel();
  void ShowBannerBand();
  void HideBannerBand();
  void SetVolume(int value);
  void VolumeStepBy(int direction);
  bool SaveFavourites();
  void SaveOptions();
  // Shows the favourites (1) or the database (0).
  void SetListMode(int mode);
  // The scheduled-recording dialog (command 40009, the schedule button).
  void OpenScheduleDialog();
  // Recording: the record button (command 40007); the recording panel's
  // buttons, the notice and the unattended runs are in RecordingPart().
  void ToggleRecording();
  TPlayerRecording& RecordingPart() const { return *FRecording; }
  // Ends a notice at once (also when its time is up).
  void EndNotice();
  bool NoticeShown() const { return FNoticeShown; }
  // Station-database downloads (PlayerWindowDatabase.cpp): the published
  // package, and the administrator's station list (command 40150).
  void DownloadDatabasePackage();
  void DownloadStationList();
  bool DownloadBusy() const;

  // --- behaviours: hibernation, snapping, visibility, search bars ---
  // Click-through and translucent, or back; switching on shows the notice
  // while `hiberalert` is set and `notice` allows it.
  void ToggleHibernate(bool notice = true);
  bool Hibernating() const { return Transparent(); }
  int HibernateFade() const { return FHibernateFade; }
  void ToggleAlwaysOnTop();
  // The bar of the favourites (1) or of the database (0).
  const TSearchBar& SearchBar(int mode) const { return mode == 1 ? FFavouritesSearch : FDatabaseSearch; }
  // Previous (-1) or next (+1) hit of the list shown, wrapping at both ends.
  void SearchStep(int delta);
  // --- commands and the favourites (PlayerWindowCommands*.cpp) ---
  // -1 when the key is already among the favourites (that entry is then
  // selected), else 0.
  int AddStation(const std::u16string& key, const std::u16string& name, const std::u16string& address);
  void AddByAddress(bool video);
  void EditSelected();
  void RemoveSelected();
  void MoveSelected(int delta);
  void SortFavourites(bool ascending);
  void ToggleDatabaseFavourite();
  void SaveFavouritesAs();
  // Adds the entries of a list file the user picks, or replaces the
  // favourites with them.
  void ImportFavourites(bool replace);
  void ClearFavourites();
  void CopyTitle();
  void Share(TShareSite site);
  void ReportBroken();
  // Files and folders dropped or opened: list files, playlists, folders
  // and any other file as a file address. True when something was added.
  bool DropFiles(const std::vector<std::u16string>& paths, bool replace);
  // Files and web addresses given to the program to open: files join the
  // favourites as dropped ones do, and the first station they brought
  // plays (station lists only add); a web address plays under its own
  // address as the name.
  void OpenTargets(const std::vector<std::u16string>& targets);
  // The menus of the list panel at the cursor.
  void ShowFavouritesMenu();
  void ShowDatabaseMenu();
  void ShowAddMenu();
  void ShowListManagerMenu();
  // Rebuilds the window menu, whose captions carry the hotkeys.
  void RefreshMenuTexts();
  bool Administrator() const { return FConfig.Administrator; }
  // What the command dialogs ask; replaceable so that tests can answer.
  std::function<TStationAnswer(const TStationForm& form)> AskStation;
  // A file name from the open (save false) or save dialog; `filter` is the
  // chosen filter, 1 list file, 2 XML.
  std::function<bool(bool save, std::u16string& path, int& filter)> AskFileName;
  std::function<bool(const std::u16string& text, const std::u16string& caption)> AskYesNo;
  // Opens an address in the desktop's browser.
  std::function<void(const std::string& address)> OpenAddress;

  // --- the embedded browser (PlayerWindowBrowser.cpp) ---
  // Shows the browser frame (made on first use) with a page message.
  void ShowBrowserPage(core::UINT message);
  // Plays a station a page asked for, unless a recording runs.
  void ListenTo(const std::u16string& name, const std::u16string& address);
  // The vendor's report page for a database entry's key.
  void ReportStation(const std::u16string& key);
  void CloseBrowser();
  browser::TBrowserFrame* BrowserFrame() const;
  browser::TExternalDispatch& ExternalDispatch();
  bool BrowserAdministrator() const;

  // --- state, for the tests and the commands ---
  int Volume() const { return FVolume; }
  int RowCount() const { return FRowCount; }
  int BannerBand() const { return FBand; }
  int ListMode() const { return FListMode; }
  int32_t FavouriteIdent() const { return FFavouriteIdent; }
  int32_t DatabaseIdent() const { return FDatabaseIdent; }
  const std::u16string& CurrentName() const { return FCurrentName; }
  const std::u16string& CurrentUrl() const { return FCurrentUrl; }
  const std::u16string& MarqueeText() const { return FMarqueeText; }
  const std::u16string& MarqueeHint() const { return FMarqueeHintText; }
  const std::u16string& Title() const { return FTitle; }
  bool WasPlaying() const { return FWasPlaying; }
  bool Closing() const { return FClosing; }
  bool ListPanelVisible() const;
  int RecordingWarnings() const { return FRecordingWarnings; }
  bool TimerRunning(std::uintptr_t id) const;
  // The window menu with its check marks up to date; its first sub-menu
  // is what the window and the tray show.
  std::uintptr_t PlayerMenu();

  TFavouritesBox* Favourites() const { return FFavourites; }
  TDatabaseBox* Database() const { return FDatabase; }
  TPlayerButton* PlayButton() const { return FPlayButton; }
  TPlayerButton* PlaylistButton() const { return FPlaylistButton; }
  TPlayerButton* CloseButton() const { return FCloseButton; }
  TPlayerButton* MinimizeButton() const { return FMinimizeButton; }
  TPlayerButton* FavouritesButton() const { return FFavouritesButton; }
  TPlayerButton* DatabaseButton() const { return FDatabaseButton; }
  TPlayerButton* BannerClose() const { return FBannerClose; }
  TPlayerMarquee* Marquee() const { return FMarquee; }
  TPlayerThrobber* Throbber() const { return FThrobber; }
  widgets::TControlEx* ListPanel() const { return FListPanel; }
  widgets::TControlEx* ListContent() const { return FListContent; }
  widgets::TControlEx* RecordingPanel() const { return FRecordingPanel; }
  widgets::TControlEx* NoticePanel() const { return FNoticePanel; }
  TDisplayContainerEx* Banner() const { return FBanner; }
  widgets::TLabelEx* ListenerCounter() const { return FListeners; }
  widgets::TLabelEx* VolumeLabel() const { return FVolumeLabel; }
  TGrabber* Grip() const { return FGrip; }
  TPlayerBus* Bus() const { return FBus.get(); }
  TPlayerVolume* VolumeControl() const { return FVolumeControl; }
  TThumbEx* VolumeThumb() const { return FVolumeThumb; }
  TPlayerVisualization* Visualization() const { return FVisualization; }
  widgets::TImageEx* RecordButton() const { return FRecordButton; }
  widgets::TImageEx* ScheduleButton() const { return FScheduleButton; }

  // The recording warning (a message box, or only a beep while one is
  // open) and a browser that cannot be opened. Replaceable so tests can
  // answer it.
  std::function<void(const std::u16string& text, const std::u16string& caption)> ShowInfoBox;

  void WndProc(core::TMessage& message) override;

 protected:
  void CreateHandle() override;
  // Restored from an icon, the frames run again (PlayerWindowShow.cpp).
  void IconicChanged() override;

 private:
  friend class TPlayerSession;
  friend class TPlayerRecording;
  friend class TRecordingRuns;
  // Hotkeys, media keys and the session bus (PlayerBus.cpp).
  friend class TPlayerBus;
  bool BusCommand(core::WPARAM id);

  // Building (PlayerWindowBuild.cpp).
  void ReadOptions();
  // The copies that the options dialog may change.
  void ReadOptionCopies();
  void BuildControls();
  void BuildRootPanel();
  void BuildRecordingPanel();
  void BuildListPanel();
  void BuildNoticePanel();
  void BuildDisplay();
  void LoadLists();
  void Layout();
  void WireDrag(widgets::TControl* control);
  // The window menu (PlayerWindowMenu.cpp).
  void BuildMenu();
  void ShowWindowMenu(int x, int y);
  bool Command(core::WPARAM id);
  void Wheel(int delta);
  void CreateTimers();

  // Playback and texts (PlayerWindowEvents.cpp).
  core::LRESULT Send(core::UINT msg, core::WPARAM w = 0, core::LPARAM l = 0) const;
  bool IsPlaying() const;
  bool Recording() const;
  bool WarnIfRecording();
  void PlayerEvent(core::WPARAM code, core::LPARAM value);
  void PlayerMeta();
  void ReadTitle();
  void SetMarquee(const std::u16string& text, bool restart);
  void UpdatePlayButton();
  void PublishTexts();
  void RebuildHint();
  // The hint is read by pointing at the window: unseen, a new title leaves
  // it to be rebuilt when the window shows (RunFrames).
  void RebuildHintWhenSeen();
  void ShowThrobber(bool show);
  void ApplyPlayNext();
  std::u16string LoadString(int id) const;

  // Lists (PlayerWindowLists.cpp).
  void SelectStart(TPlayListBox* box, int32_t& ident, bool takeCurrent);
  void PlayEntry(bool fromFavourites);
  TPlayListBox* ShownList() const;
  bool HandleListKey(std::uint16_t key, widgets::TShiftState shift);
  bool HandleWindowKey(std::uint16_t key, widgets::TShiftState shift);
  void ListMouseDown(TPlayListBox* box, core::UINT keys, int x, int y);
  void ListDblClick(TPlayListBox* box);
  void TickLinkedEntries();
  void RepaintLists();
  void DatabaseCheck(int index);
  // Commands (PlayerWindowCommands*.cpp).
  void InstallCommandHooks();
  bool MenuCommandAvailable(std::uintptr_t id) const;
  void TrackTableMenu(int menu);
  void ListContextMenu(bool favourites);
  void SelectFavourite(int index);
  void FavouritesChanged();
  void DragRow(TPlayListBox* box, core::UINT keys, int y);
  bool HandleCommandKey(std::uint16_t key, widgets::TShiftState shift);
  void WireListCommands(TPlayerButton* add, TPlayerButton* manager, TPlayerButton* facebook, TPlayerButton* twitter,
                        TPlayerButton* google);
  void DroppedFiles(std::uintptr_t drop);
  void OpenedTargets(std::uintptr_t drop);
  void WalkDropped(const std::filesystem::path& path, std::vector<std::unique_ptr<qor::TPlayItem>>& found,
                   bool& stopped);

  // Panels (PlayerWindowPanels.cpp).
  // The animations pump messages between their steps: false when the
  // window was freed meanwhile (nothing of it may be touched then).
  bool Pump(int pauseMs);
  bool SlideListPanel(bool open);
  bool SlideFace(widgets::TControlEx* panel, widgets::TControlEx* face, int rest, bool open);
  bool SetBand(int band);
  bool OpenBannerBand();
  bool CloseBannerBand();
  // Puts the banner (the downloaded one, else the one kept in the settings
  // folder) into the banner panel; false when there is none to show.
  bool LoadBanner();
  void Listeners(core::WPARAM count, core::LPARAM previous);
  void GripDown(int y);
  void GripDrag(int y);

  // Life (PlayerWindowLife.cpp).
  void StartupSequence();
  void Tick();
  void TrimMemory();
  void CloseWindow();
  void EndSession();
  void OptionsChanged();

  // A notice that keeps the marquee for a while (PlayerWindowNotice.cpp):
  // texts set meanwhile are shown when it ends. HoldMarquee is true while
  // it keeps the text for later.
  void ShowNotice(const std::u16string& text, unsigned ms);
  bool HoldMarquee(const std::u16string& text, bool restart);

  // Station-database downloads (PlayerWindowDatabase.cpp).
  void DatabaseMessage(core::UINT msg);
  void DatabasePackageArrived();
  void StationListArrived();

  // Dialogs (PlayerWindowDialogs.cpp).
  void TintScheduleButton();
  void ScheduleChanged();
  bool FadeTo(int target);
  void ShowVolumeLabel();
  void VolumeSlider(bool open);
  void HideVolumeLabel();

  // Behaviours (PlayerWindowHibernation.cpp, PlayerWindowSnap.cpp,
  // PlayerWindowSearch.cpp, PlayerWindowShow.cpp).
  bool BehaviourMessage(core::TMessage& m);
  void HibernateTick();
  void BuildSnapList();
  void Snap(widgets::tagWINDOWPOS& pos);
  void ApplyTaskbarStyle();
  // The frame tick at its full rate (the window shows).
  void RunFrames();
  void AppCommand(unsigned command);
  // Returns the new mute state (1 muted).
  std::uint8_t ToggleMute();
  void BuildSearchBars();
  void BuildSearchBar(TSearchBar& bar, TPlayListBoxEx* list);
  void ShowSearchBar();
  void SearchChanged(TSearchBar& bar);
  void ShowHit(TSearchBar& bar);
  void SearchFocus(TSearchBar& bar, bool focused);
  void SetPlaceholder(TSearchBar& bar, bool on);
  bool SearchKey(TSearchBar& bar, std::uint16_t key, widgets::TShiftState shift);
  void FocusSearch();

  TPlayerWindowConfig FConfig;
  app::TOptions& FOptions;

  // State in the order of the design.
  int FVolume = 50;
  int32_t FFavouriteIdent = 0;
  int32_t FDatabaseIdent = 0;
  std::u16string FCurrentName;
  std::u16string FCurrentUrl;
  std::u16string FMarqueeText;
  int FSavedLeft = 0, FSavedTop = 0;
  int FRowCount = 13;
  int FRecorderState = 6;
  int FListMode = 1;
  bool FStartup = false, FAutoPlay = false, FAutoHide = false, FAlwaysTop = false, FHibernate = false,
       FMediaKeys = false, FSnapToGrid = false, FMessenger = false, FPlaylistVisible = false, FMute = false,
       FPlayNext = false;
  int FShowTime = 200, FHideTime = 500, FBuffer = 0, FTimeout = 0, FAttempt = 0;
  bool FWasPlaying = false;
  // A player that fails reports the error and then its stop: the error
  // text stays until the next start.
  bool FErrorShown = false;
  bool FClosing = false;
  widgets::HICON FLargeIcon = 0;
  std::uintptr_t FPlayerMenu = 0;

  // What the texts are made of.
  std::u16string FTitle;
  std::array<float, TVisualization::SpectrumSize> FSpectrum{};
  std::u16string FMarqueeHintText;
  bool FHintStale = false;
  int FBand = 0;
  bool FInfoBoxOpen = false;
  int FRecordingWarnings = 0;
  bool FAnimating = false;
  int FGripStartTop = 0, FGripStartY = 0;
  int FThumbStartLeft = 0, FThumbStartX = 0;
  bool FThumbDragging = false;
  bool FClosed = false;
  // Behaviours.
  int FHibernateFade = 0;
  bool FCtrlDown = false;
  std::vector<widgets::TRect> FSnapList;
  TSearchBar FFavouritesSearch, FDatabaseSearch;
  // Commands: the favourite row being dragged (-1: none), a drop at work.
  int FDraggedRow = -1;
  bool FRowsDragged = false;
  bool FListMenuShown = false;
  bool FDropping = false;
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);

  std::unique_ptr<core::TWinTimer> FStartupTimer, FTrimTimer, FTickTimer, FVolumeLabelTimer, FRecordingTimer,
      FVolumeShowTimer, FVolumeHideTimer, FCommandRecordingTimer, FScheduleTimer;
  std::unique_ptr<TPlayerSession> FSession;
  std::unique_ptr<TPlayerRecording> FRecording;
  // The browser's script object and frame.
  std::unique_ptr<TPlayerBrowser> FBrowser;
  std::unique_ptr<TPlayerBus> FBus;
  std::unique_ptr<app::TDatabaseDownload> FDownload;
  std::unique_ptr<core::TTimer> FNoticeTimer;
  std::u16string FHeldMarquee;
  bool FHeldRestart = false;
  bool FNoticeShown = false;

  // Controls (owned by the window through the component tree).
  widgets::TControlEx* FRoot = nullptr;
  widgets::TImageEx* FDisplay = nullptr;
  widgets::TImageEx* FStrip = nullptr;
  TPlayerButton* FPlayButton = nullptr;
  widgets::TImageEx* FRecordButton = nullptr;
  widgets::TImageEx* FScheduleButton = nullptr;
  TPlayerVolume* FVolumeControl = nullptr;
  TThumbEx* FVolumeThumb = nullptr;
  widgets::TControlEx* FInfoArea = nullptr;
  TPlayerMarquee* FMarquee = nullptr;
  widgets::TLabelEx* FVolumeLabel = nullptr;
  TPlayerButton* FPlaylistButton = nullptr;
  TPlayerVisualization* FVisualization = nullptr;
  TPlayerThrobber* FThrobber = nullptr;
  TPlayerButton* FCloseButton = nullptr;
  TPlayerButton* FMinimizeButton = nullptr;
  widgets::TControlEx* FRecordingPanel = nullptr;
  widgets::TImageEx* FRecordingFace = nullptr;
  widgets::TControlEx* FNoticePanel = nullptr;
  widgets::TImageEx* FNoticeFace = nullptr;
  widgets::TLabelEx* FNoticeText = nullptr;
  widgets::TControlEx* FListPanel = nullptr;
  widgets::TControlEx* FListContent = nullptr;
  TDisplayContainerEx* FBanner = nullptr;
  TPlayerButton* FBannerClose = nullptr;
  widgets::TControlEx* FSideBar = nullptr;
  TPlayerButton* FFavouritesButton = nullptr;
  TPlayerButton* FDatabaseButton = nullptr;
  TFavouritesBox* FFavourites = nullptr;
  TDatabaseBox* FDatabase = nullptr;
  widgets::TControlEx* FBottomBar = nullptr;
  widgets::TLabelEx* FListeners = nullptr;
  TGrabber* FGrip = nullptr;
};

// The window of the running program (TApplication's folders, options and
// command line), ready for the controller's CreatePlayerWindow hook.
std::unique_ptr<TPlayerWindow> MakePlayerWindow(core::HWND controller);

}  // namespace ui
