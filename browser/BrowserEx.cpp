#include "browser/BrowserEx.h"

#include <gtk/gtk.h>

#include "browser/Pages.h"
#include "core/Messages.h"
#include "resources/strings/StringTable.h"
#include "widgets/controls/Screen.h"

namespace browser {

using namespace widgets;
using core::TMessage;

namespace {

template <typename T>
T* Make(TControl* parent) {
  auto* control = new T(parent);
  control->SetParent(parent);
  control->SetVisible(true);
  return control;
}

TLabelEx* Label(TControl* parent, const char* face, double size, int style, std::uint32_t colour) {
  auto* label = new TLabelEx(parent);
  label->SetAutoSize(false);
  label->SetParent(parent);
  label->Font().SetName(face);
  label->Font().SetSize(size);
  label->Font().SetStyle(style);
  label->Font().SetColor(colour);
  label->SetVisible(true);
  return label;
}

constexpr UINT SC_DRAGMOVE = 0xF012;

}  // namespace

TBrowserEx::TBrowserEx(TBrowserConfig config) : TWindowEx(nullptr), FSession(std::move(config)) {
  SetClassNameW(u"TBrowserEx");
  SetCaption(res::LoadStr(res::IDS_APP_TITLE));
  SetShowTaskBar(true);
  Build();
  TRect work = Backend().WorkArea();
  SetBounds(work.Left + (work.Width() - FrameWidth) / 2, work.Top + (work.Height() - FrameHeight) / 2, FrameWidth,
            FrameHeight);
}

TBrowserEx::~TBrowserEx() {
  // The page window goes first: its web view must not outlive the context.
  delete FPage;
  FPage = nullptr;
  DestroyHandle();
}

void TBrowserEx::Build() {
  // Corners, edges and centre: 0 1 2 / 3 4 5 / 6 7 8, pictures 6000 to 6008.
  for (int i = 0; i < 9; ++i) {
    auto* piece = Make<TImageEx>(this);
    piece->SetAutoSize(false);
    piece->SetImageId(6000 + i);
    piece->SetStretch(i != 0 && i != 2 && i != 6 && i != 8);
    piece->SetTint(FrameTint);
    WireDrag(piece);
    FPieces[static_cast<size_t>(i)] = piece;
  }
  FCaption = Label(this, "Trebuchet MS", 10, FontStyleBold, 0xFFFFFFFF);
  FCaption->SetAlignment(StringAlignmentFar);
  FCaption->Shadow().SetEnabled(true);
  FCaption->Shadow().SetOffsetX(2);
  FCaption->Shadow().SetOffsetY(2);
  FCaption->SetCaption(res::LoadStr(res::IDS_APP_TITLE));
  WireDrag(FCaption);
  FCentre = Label(this, "Trebuchet MS", 16, FontStyleBold, 0xFFFFFFFF);
  FCentre->SetAlignment(StringAlignmentCenter);
  FCentre->SetLineAlignment(StringAlignmentCenter);
  FCentre->SetCaption(res::LoadStr(112));
  WireDrag(FCentre);
  FClose = Make<TImageEx>(this);
  FClose->SetImageId(6009);
  FClose->SetCursor(13);
  FClose->OnClick = [this](core::TObject*, UINT, int, int) { SetVisible(false); };
  FStatus = Label(this, "MS Sans Serif", 7, FontStyleRegular, 0xAFFFFFFF);
  FStatus->Shadow().SetEnabled(false);
  FStatus->SetVisible(false);
  FGrip = Make<TImageEx>(this);
  FGrip->SetImageId(6010);
  FGrip->SetCursor(7);
  FGrip->OnMouseDown = [this](core::TObject*, UINT keys, int, int) {
    if (keys & MK_LBUTTON) GripDown();
  };
  FGrip->OnDrag = [this](core::TObject*, UINT, int, int) {
    if (FGripping) GripMove();
  };
  FGrip->OnMouseUp = [this](core::TObject*, UINT, int, int) {
    FGripping = false;
    ReleaseCapture();
  };
  FToolBar = Make<TToolBarEx>(this);
  WireDrag(FToolBar);
  FToolBar->OnButton = [this](int index) {
    switch (index) {
      case tbBack: FPage->GoBack(); break;
      case tbForward: FPage->GoForward(); break;
      case tbStop: FPage->Stop(); break;
      case tbRefresh: FPage->Refresh(); break;
      case tbHome: core::PostMessage(WindowHandle(), UM_BROWSER_HOME); break;
      case tbFind: core::PostMessage(WindowHandle(), UM_BROWSER_FIND); break;
      case tbAbout: core::PostMessage(WindowHandle(), UM_BROWSER_ABOUT); break;
      default: break;
    }
  };

  FPage = new TBrowserWindow(nullptr, FSession);
  FPage->Administrator = FSession.Config().Administrator;
  FPage->OnProgressChange = [this](double progress, double maximum) {
    Progress(progress, maximum);
    RefreshBusy();
  };
  FPage->OnCommandStateChange = [this](int command, bool enabled) {
    if (command == CSC_NAVIGATEFORWARD) FToolBar->SetButtonEnabled(tbForward, enabled);
    if (command == CSC_NAVIGATEBACK) FToolBar->SetButtonEnabled(tbBack, enabled);
  };
  FPage->OnPropertyChange = [this] { RefreshBusy(); };
  FPage->OnBeforeNavigate = [this] {
    FTopLevelSeen = false;
    RefreshBusy();
  };
  FPage->OnNavigateComplete = [this] { FTopLevelSeen = true; };
  FPage->OnDocumentComplete = [this] {
    core::ProcessMessages();
    FPage->SetPageOpacity(255);
    KeepPageAbove();
    core::ProcessMessages();
    RefreshBusy();
  };
  FPage->OnTitleChange = [this](const std::u16string& title) {
    if (title.empty() || TitleIsAddress(title)) return;
    FCaption->SetCaption(title);
    InvalidateTree();
  };
}

void TBrowserEx::WireDrag(TControl* control) {
  control->OnMouseDown = [this](core::TObject*, UINT keys, int, int) {
    if (!(keys & MK_LBUTTON)) return;
    ReleaseCapture();
    core::SendMessage(WindowHandle(), WM_SYSCOMMAND, SC_DRAGMOVE, 0);
  };
}

void TBrowserEx::LayoutFrame() {
  const int w = Width(), h = Height();
  const TRect places[9] = {{0, 0, 16, 36},          {16, 0, w - 16, 36},         {w - 16, 0, w, 36},
                           {0, 36, 16, h - 30},      {16, 36, w - 16, h - 30},    {w - 16, 36, w, h - 30},
                           {0, h - 30, 16, h},       {16, h - 30, w - 16, h},     {w - 16, h - 30, w, h}};
  for (int i = 0; i < 9; ++i) {
    const TRect& r = places[i];
    FPieces[static_cast<size_t>(i)]->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  }
  FCaption->SetBounds(270, 10, w - 310, 20);
  FCentre->SetBounds(40, (h - 40) / 2, w - 80, 40);
  FClose->SetBounds(w - 28, 11, 16, 16);
  FStatus->SetBounds(12, h - 26, 300, 16);
  FGrip->SetBounds(w - 25, h - 30, 16, 16);
  FToolBar->SetBounds(20, 6, 256, 24);
  FPageX = 20;
  FPageY = 38;
  FollowFrame();
}

void TBrowserEx::FollowFrame() {
  if (!FPage) return;
  FPage->SetBounds(Left() + FPageX, Top() + FPageY, Width() - 40, Height() - 70);
}

void TBrowserEx::KeepPageAbove() {
  // A window manager stacks the page window over the frame only while it
  // belongs to it; a click on the frame would otherwise bury the page.
  if (!FPage->HandleAllocated() || !HandleAllocated() || !NativeWindow() || !FPage->NativeWindow()) return;
  auto* frame = static_cast<GtkWidget*>(NativeWindow()->NativeHandle());
  auto* page = static_cast<GtkWidget*>(FPage->NativeWindow()->NativeHandle());
  if (frame && page && gtk_window_get_transient_for(GTK_WINDOW(page)) != GTK_WINDOW(frame))
    gtk_window_set_transient_for(GTK_WINDOW(page), GTK_WINDOW(frame));
  // With no window manager nobody honours that: the page, mapped along
  // with the frame, can end up below it and show only faintly through the
  // frame's middle, behind "Açılıyor...". Raise it ourselves.
  GdkWindow* above = page ? gtk_widget_get_window(page) : nullptr;
  if (above && gdk_window_is_visible(above)) gdk_window_raise(above);
}

void TBrowserEx::ShowPage(core::UINT message) {
  if (!Visible()) {
    TRect work = Backend().WorkArea();
    SetBounds(work.Left + (work.Width() - Width()) / 2, work.Top + (work.Height() - Height()) / 2, Width(), Height());
    FPage->SetPageOpacity(0);
  }
  SetVisible(true);
  InvalidateTree();
  core::PostMessage(Handle(), message);
}

void TBrowserEx::OpenPage(core::UINT message) {
  FCaption->SetCaption(res::LoadStr(res::IDS_APP_TITLE));
  InvalidateTree();
  std::string address = PageAddress(message, FSession.Config().Administrator, FReportQuery);
  if (address.empty()) return;
  FLastAddress = address;
  FPage->Navigate(address);
}

void TBrowserEx::RefreshBusy() {
  bool busy = FPage->Busy();
  FToolBar->SetButtonEnabled(tbStop, busy);
  if (FStatus->Visible() != busy) {
    FStatus->SetVisible(busy);
    InvalidateTree();
  }
}

void TBrowserEx::Progress(double progress, double maximum) {
  FStatus->SetCaption(ProgressText(ProgressPercent(progress, maximum)));
  if (FStatus->Visible()) InvalidateTree();
}

bool TBrowserEx::GripTarget(int startLeft, int startTop, int dx, int dy, int& left, int& top) {
  bool changed = false;
  int newLeft = startLeft + dx, newTop = startTop + dy;
  if (newLeft >= MinFrameWidth - 25 && newLeft != left) {
    left = newLeft;
    changed = true;
  }
  if (newTop > MinFrameHeight - 31 && newTop != top) {
    top = newTop;
    changed = true;
  }
  return changed;
}

void TBrowserEx::GripDown() {
  TPoint cursor = GetCursorPos();
  FGripLeft = FGrip->Left();
  FGripTop = FGrip->Top();
  FCursorX = cursor.X;
  FCursorY = cursor.Y;
  FGripping = true;
  SetCapture(FGrip->Handle());
}

void TBrowserEx::GripMove() {
  TPoint cursor = GetCursorPos();
  int left = FGrip->Left(), top = FGrip->Top();
  if (!GripTarget(FGripLeft, FGripTop, cursor.X - FCursorX, cursor.Y - FCursorY, left, top)) return;
  core::ProcessMessages();
  SetBounds(Left(), Top(), left + 25, top + 30);
}

void TBrowserEx::WndProc(TMessage& m) {
  switch (m.Msg) {
    case UM_BROWSER_HOME:
    case UM_BROWSER_FIND:
    case UM_BROWSER_ABOUT:
    case UM_BROWSER_REPORT:
      OpenPage(m.Msg);
      m.Result = 0;
      return;
    default:
      break;
  }
  TWindowEx::WndProc(m);
  switch (m.Msg) {
    case WM_SIZE:
      LayoutFrame();
      InvalidateTree();
      break;
    case WM_MOVE:
      FollowFrame();
      break;
    case WM_SHOWWINDOW:
      if (FPage) {
        FPage->SetShown(m.WParam != 0);
        KeepPageAbove();
      }
      break;
    default:
      break;
  }
}

}  // namespace browser
