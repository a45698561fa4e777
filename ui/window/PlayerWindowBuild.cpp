// Building the player window: the option copies and its controls, in the
// order in which they stack (later ones lie above earlier ones).
#include <algorithm>

#include "app/Globals.h"
#include "app/Messages.h"
#include "app/Options.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"
#include "ui/window/PlayerLayout.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/controls/Screen.h"
#include "widgets/paint/BitmapEx.h"
#include "widgets/paint/ButtonEx.h"

namespace ui {

using namespace widgets;
using namespace app;

namespace {

template <typename T>
T* Place(T* control, TControl* parent, int x, int y, int w, int h) {
  control->SetParent(parent);
  control->SetBounds(x, y, w, h);
  control->SetVisible(true);
  return control;
}

template <typename T>
T* Make(TControl* parent, int x, int y, int w, int h) {
  return Place(new T(parent), parent, x, y, w, h);
}

// A label of fixed size (labels size themselves to their text otherwise).
TLabelEx* FixedLabel(TControl* parent, int x, int y, int w, int h) {
  auto* label = new TLabelEx(parent);
  label->SetAutoSize(false);
  return Place(label, parent, x, y, w, h);
}

// A skin image at a place of its own.
template <typename T = TImageEx>
T* Picture(TControl* parent, int x, int y, int w, int h, int image) {
  auto* picture = Make<T>(parent, x, y, w, h);
  picture->SetImageId(image);
  return picture;
}

void SetFont(TFontEx& font, const char* name, double size, std::uint32_t colour, int style = FontStyleRegular) {
  font.SetName(name);
  font.SetSize(size);
  font.SetStyle(style);
  font.SetColor(colour);
}

void SetHintText(TControl* control, const std::u16string& hint) {
  control->SetHint(hint);
  control->SetShowHint(!hint.empty());
}

TPlayerButton* Button(TControl* parent, int x, int y, int w, int h, int image, const std::u16string& hint) {
  auto* button = Make<TPlayerButton>(parent, x, y, w, h);
  button->SetImage(image);
  button->SetCursor(13);
  SetHintText(button, hint);
  return button;
}

}  // namespace

std::u16string TPlayerWindow::LoadString(int id) const { return res::LoadStr(id); }

void TPlayerWindow::ReadOptions() {
  FVolume = std::clamp(FOptions.ReadInt(oiVolume), 0, 100);
  FFavouriteIdent = FOptions.ReadInt(oiPlayIdent);
  FDatabaseIdent = FOptions.ReadInt(oiDataIdent);
  FSavedLeft = FOptions.ReadInt(oiLeft);
  FSavedTop = FOptions.ReadInt(oiTop);
  FShowTime = FOptions.ReadInt(oiShowTime);
  FHideTime = FOptions.ReadInt(oiHideTime);
  FRowCount = RowsFromOption(FOptions.ReadInt(oiHowMany));
  FPlayNext = FOptions.ReadBool(obPlayNext);
  ReadOptionCopies();
}

void TPlayerWindow::ReadOptionCopies() {
  if (!PortableBuild) FStartup = FOptions.ReadBool(obStartup);
  FAutoPlay = FOptions.ReadBool(obAutoPlay);
  FAutoHide = FOptions.ReadBool(obAutoHide);
  FAlwaysTop = FOptions.ReadBool(obAlwaysTop);
  SetAlwaysTop(FAlwaysTop);
  FHibernate = FOptions.ReadBool(obHibernate);
  FMediaKeys = FOptions.ReadBool(obMediaKeys);
  FSnapToGrid = FOptions.ReadBool(obSnapToGrid);
  FMessenger = FOptions.ReadBool(obMessenger);
  FPlaylistVisible = FOptions.ReadBool(obPlaylistVisible);
  FMute = FOptions.ReadBool(obMute);
  FBuffer = FOptions.ReadInt(oiBuffer);
  FTimeout = FOptions.ReadInt(oiTimeout);
  FAttempt = FOptions.ReadInt(oiAttempt);
}

void TPlayerWindow::WireDrag(TControl* control) {
  // The background and every control that does not use the click itself
  // move the whole window, as a caption would.
  control->OnMouseDown = [this](TObject*, UINT keys, int, int) {
    if (!(keys & MK_LBUTTON)) return;
    ReleaseCapture();
    SendMessage(WindowHandle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  };
}

void TPlayerWindow::BuildControls() {
  SetOpacity(0);
  TPoint at = StartPosition(FSavedLeft, FSavedTop, TDesktop().Width());
  SetBounds(at.X, at.Y, PlayerWidth, PlayerInitialHeight);
  BuildRootPanel();
  BuildRecordingPanel();
  BuildListPanel();
  BuildNoticePanel();
  BuildDisplay();
  FGrip = Make<TGrabber>(this, 0, Height() - 14, Width(), 4);
  FGrip->SetCursor(10);
  SetHintText(FGrip, LoadString(335));
  FGrip->OnMouseDown = [this](TObject*, UINT keys, int, int y) {
    if (keys & MK_LBUTTON) GripDown(y);
  };
  FGrip->OnDrag = [this](TObject*, UINT keys, int, int y) {
    if (keys & MK_LBUTTON) GripDrag(y);
  };
  FGrip->OnMouseUp = [](TObject*, UINT, int, int) { ReleaseCapture(); };
}

void TPlayerWindow::BuildRootPanel() {
  FRoot = Make<TControlEx>(this, 0, 0, PlayerWidth, Height());
  WireDrag(FRoot);
  FRoot->OnContextMenu = [this](TObject*, int x, int y) { ShowWindowMenu(x, y); };
}

void TPlayerWindow::BuildRecordingPanel() {
  FRecordingPanel = Make<TControlEx>(FRoot, (PlayerWidth - 250) / 2, 0, 250, 50);
  FRecordingPanel->SetVisible(false);
  WireDrag(FRecordingPanel);
  FRecordingFace = Picture(FRecordingPanel, 0, 50, 250, 50, 2040);
  FRecordingFace->SetTint(0xFF202020);
  WireDrag(FRecordingFace);
}

void TPlayerWindow::BuildListPanel() {
  int height = ListPanelHeight(FRowCount, FBand);
  FListPanel = Make<TControlEx>(FRoot, (PlayerWidth - ListPanelWidth) / 2, ListPanelTop, ListPanelWidth, height);
  FListPanel->SetVisible(false);
  WireDrag(FListPanel);
  auto* content = Make<TPlayListContent>(FListPanel, 0, -height, ListPanelWidth, height);
  content->SetColour(0xFF202020);
  FListContent = content;
  WireDrag(FListContent);

  FBanner = Make<TDisplayContainerEx>(FListContent, 22, 10, ListPanelWidth - 44, 80);
  FBanner->SetOpacity(25);
  FBanner->SetVisible(false);
  FBannerClose = Button(FBanner, FBanner->Width() - 16, 0, 16, 16, 2024, LoadString(368));
  FBannerClose->OnClick = [this](TObject*, UINT, int, int) {
    FOptions.WriteBool(obShowBanner, false);
    FListeners->SetVisible(false);
    HideBannerBand();
  };

  FSideBar = Make<TControlEx>(FListContent, 22, SideBarTop(FBand), 20, 180);
  WireDrag(FSideBar);
  FFavouritesButton = Button(FSideBar, 0, 0, 20, 20, 2005, LoadString(366));
  FFavouritesButton->OnClick = [this](TObject*, UINT, int, int) { SetListMode(1); };
  FDatabaseButton = Button(FSideBar, 0, 32, 20, 20, 2009, LoadString(367));
  FDatabaseButton->OnClick = [this](TObject*, UINT, int, int) { SetListMode(0); };
  auto* add = Button(FSideBar, 0, 64, 18, 18, 2004, LoadString(313));
  auto* manager = Button(FSideBar, 0, 92, 20, 20, 2010, LoadString(338));
  auto* options = Button(FSideBar, 0, 122, 20, 20, 2007, LoadString(316));
  options->OnClick = [this](TObject*, UINT, int, int) {
    PostMessage(FConfig.Controller, UM_SHOW_OPTIONS, static_cast<WPARAM>(WindowHandle()), 0);
  };
  FScheduleButton = Picture(FSideBar, 0, 154, 20, 20, 2017);
  SetHintText(FScheduleButton, LoadString(345));
  FScheduleButton->OnClick = [this](TObject*, UINT, int, int) { OpenScheduleDialog(); };
  TintScheduleButton();

  int listWidth = ListPanelWidth - 50 - 20;
  FFavourites = Make<TFavouritesBox>(FListContent, 50, ListTop(FBand), listWidth, FRowCount * RowHeight);
  FFavourites->SetCtrlID(999);
  FFavourites->SetFavouritesMode(1);
  FDatabase = Make<TDatabaseBox>(FListContent, 50, ListTop(FBand), listWidth, FRowCount * RowHeight);
  FDatabase->SetCtrlID(996);
  FDatabase->SetShowCheckBoxes(true);
  FDatabase->SetVisible(false);
  FDatabase->OnCheck = [this](TObject*, int index, qor::TPlayItem*) { DatabaseCheck(index); };
  for (TPlayListBox* box : {FFavourites, FDatabase}) {
    box->SetVisibleRows(FRowCount);
    box->OnMouseDown = [this, box](TObject*, UINT keys, int x, int y) { ListMouseDown(box, keys, x, y); };
    box->OnDblClick = [this, box](TObject*) { ListDblClick(box); };
    box->OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState shift) {
      if (HandleWindowKey(key, shift)) key = 0;
    };
  }

  FBottomBar = Make<TControlEx>(FListContent, 20, BottomBarTop(height), ListPanelWidth - 33, 16);
  WireDrag(FBottomBar);
  int w = FBottomBar->Width(), h = FBottomBar->Height();
  BuildSearchBars();
  FListeners = FixedLabel(FBottomBar, w - 75, h - 15, 35, 17);
  FListeners->SetAlignment(StringAlignmentFar);
  SetFont(FListeners->Font(), "Tahoma", 7, 0xBFFFFFFF);
  FListeners->Shadow().SetEnabled(false);
  SetHintText(FListeners, u"Online");
  FListeners->SetVisible(false);
  auto* facebook = Button(FBottomBar, w - 37, h - 17, 17, 17, 3000, LoadString(361));
  auto* twitter = Button(FBottomBar, w - 17, h - 17, 17, 17, 3001, LoadString(362));
  auto* google = Button(FBottomBar, w - 57, h - 17, 17, 17, 3002, LoadString(363));
  google->SetVisible(false);
  facebook->SetGlowColour(0xFF5D80CB);
  twitter->SetGlowColour(0xFF00ACED);
  WireListCommands(add, manager, facebook, twitter, google);
}

void TPlayerWindow::BuildNoticePanel() {
  FNoticePanel = Make<TControlEx>(FRoot, (PlayerWidth - 220) / 2, 75, 220, 50);
  FNoticePanel->SetOpacity(239);
  FNoticePanel->SetVisible(false);
  WireDrag(FNoticePanel);
  FNoticeFace = Picture(FNoticePanel, 0, -50, 220, 50, 2050);
  WireDrag(FNoticeFace);
  Picture(FNoticeFace, 20, 14, 16, 16, 2051);
  FNoticeText = FixedLabel(FNoticeFace, 40, 15, 220 - 75, 15);
  SetFont(FNoticeText->Font(), "Tahoma", 8, 0xEF202020);
  FNoticeText->Shadow().SetEnabled(false);
  // A button strip: normal, pressed, hot and disabled cells of 12 x 12.
  auto* close = Make<TButtonEx>(FNoticeFace, 220 - 24, 50 - 29, 12, 12);
  close->SetImageId(2003);
  SetHintText(close, LoadString(324));
  close->OnClick = [this](TObject*, UINT, int, int) { SlideFace(FNoticePanel, FNoticeFace, -50, false); };
}

void TPlayerWindow::BuildDisplay() {
  FDisplay = Picture(FRoot, 0, 40, 320, 104, 2000);
  FDisplay->SetTint(0xFF000000);
  FDisplay->SetEnabled(false);
  FStrip = Picture(FRoot, 10, 43, 300, 20, 2012);
  FStrip->SetImageOpacity(50);
  FStrip->SetEnabled(false);

  FPlayButton = Button(FRoot, 20, 52, 20, 20, 2001, LoadString(307));
  FPlayButton->OnClick = [this](TObject*, UINT, int, int) { StopPlayback(); };
  FRecordButton = Picture(FRoot, 42, 53, 18, 18, 2008);
  FRecordButton->SetTint(0xFFFFFFFF);
  FRecordButton->SetCursor(13);
  SetHintText(FRecordButton, LoadString(310));
  FRecordButton->OnClick = [this](TObject*, UINT, int, int) { ToggleRecording(); };
  FVolumeControl = Make<TPlayerVolume>(FRoot, 64, 52, 20, 20);
  FVolumeControl->SetVolume(FVolume);
  SetHintText(FVolumeControl, LoadString(311));
  FVolumeControl->OnMuteClick = [this](TObject*, std::uint8_t& state) { state = ToggleMute(); };
  FVolumeControl->OnVolumeClick = [this](TObject*, int& volume) {
    SetVolume(volume);
    volume = FVolume;
  };
  FVolumeThumb = Picture<TThumbEx>(FVolumeControl, FVolume + 25, 5, 14, 14, 2031);
  SetHintText(FVolumeThumb, LoadString(311));
  FVolumeThumb->OnMouseDown = [this](TObject*, UINT keys, int x, int) {
    if (!(keys & MK_LBUTTON)) return;
    FThumbStartLeft = FVolumeThumb->Left();
    FThumbStartX = FVolumeThumb->ClientToScreen({x, 0}).X;
    FThumbDragging = true;
  };
  FVolumeThumb->OnDrag = [this](TObject*, UINT keys, int x, int) {
    if (!(keys & MK_LBUTTON) || !FThumbDragging) return;
    SetVolume(FThumbStartLeft + (FVolumeThumb->ClientToScreen({x, 0}).X - FThumbStartX) - 25);
    InvalidateTree();
  };
  FVolumeThumb->OnMouseUp = [this](TObject*, UINT, int, int) { FThumbDragging = false; };
  for (TControl* part : {static_cast<TControl*>(FVolumeControl), static_cast<TControl*>(FVolumeThumb)}) {
    part->OnMouseEnter = [this](TObject*) {
      FVolumeHideTimer->SetEnabled(false);
      if (!FVolumeControl->Expanded()) FVolumeShowTimer->SetEnabled(true);
    };
    part->OnMouseLeave = [this](TObject*) {
      FVolumeShowTimer->SetEnabled(false);
      if (FVolumeControl->Expanded()) FVolumeHideTimer->SetEnabled(true);
    };
  }

  FInfoArea = Make<TControlEx>(FRoot, 86, 55, 153, 18);
  WireDrag(FInfoArea);
  FMarquee = Make<TPlayerMarquee>(FInfoArea, 0, 0, 153, 18);
  // It slides on the window's tick, which redraws it.
  FMarquee->SetOwnerClocked(true);
  SetFont(FMarquee->Font(), "Arial", 8, 0xEFFFFFFF, FontStyleBold);
  FMarquee->SetShowHint(true);
  WireDrag(FMarquee);
  FVolumeLabel = Make<TLabelEx>(FInfoArea, 0, 0, 60, 18);
  SetFont(FVolumeLabel->Font(), "Arial", 8, 0xEFFFFFFF, FontStyleBold);
  FVolumeLabel->SetVisible(false);

  FPlaylistButton = Button(FRoot, 243, 52, 20, 20, 2010, LoadString(312));
  FPlaylistButton->OnClick = [this](TObject*, UINT, int, int) {
    if (ListPanelVisible()) HideListPanel();
    else ShowListPanel();
  };
  FVisualization = Make<TPlayerVisualization>(FRoot, 265, 52, 20, 19);
  FThrobber = Make<TPlayerThrobber>(FRoot, 265, 53, 18, 18);
  FThrobber->SetImage(5003);
  FThrobber->SetVisible(false);
  FCloseButton = Button(FRoot, 288, 50, 11, 11, 9000, LoadString(156));
  FCloseButton->SetGlowColour(0xFFFF0000);
  FCloseButton->OnClick = [this](TObject*, UINT, int, int) { PostMessage(WindowHandle(), WM_CLOSE); };
  FMinimizeButton = Button(FRoot, 288, 63, 11, 11, 9001, LoadString(158));
  FMinimizeButton->SetGlowColour(0xFF00FF00);
  FMinimizeButton->OnClick = [this](TObject*, UINT, int, int) {
    if (ShowTaskBar() && NativeWindow()) NativeWindow()->Minimize();
    else SetVisible(false);
  };
}

void TPlayerWindow::Layout() {
  int height = ListPanelHeight(FRowCount, FBand);
  SetHeight(FullHeight(FRowCount, FBand));
  FRoot->SetHeight(Height());
  FListPanel->SetHeight(height);
  FListContent->SetHeight(height);
  if (FListContent->Top() != 0) FListContent->SetTop(-height);
  FSideBar->SetTop(SideBarTop(FBand));
  for (TPlayListBox* box : {FFavourites, FDatabase}) {
    box->SetTop(ListTop(FBand));
    box->SetHeight(FRowCount * RowHeight);
    box->SetVisibleRows(FRowCount);
  }
  FBottomBar->SetTop(BottomBarTop(height));
  FGrip->SetBounds(0, GripTop(Height()), Width(), 4);
  if (FNoticePanel) FNoticePanel->SetTop(NoticeTop(FBand, ListPanelVisible()));
}

}  // namespace ui
