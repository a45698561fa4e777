// The notification-area icon. Its window is hidden and receives the
// callbacks of the tray host (message 37684), which become the events:
// left press and release give OnMouseDown, OnClick, OnMouseUp in that
// order; the right and middle buttons never click; any double-click gives
// OnDblClick. Shift and Ctrl arrive as MK_SHIFT and MK_CONTROL, positions
// are the cursor's screen position.
#pragma once

#include "widgets/controls/Window.h"
#include "widgets/tray/TrayHost.h"

namespace widgets {

constexpr UINT WM_TRAYNOTIFY = 37684;  // 0x9334

enum TBalloonFlags { bfNone = NIIF_NONE, bfInfo = NIIF_INFO, bfWarning = NIIF_WARNING, bfError = NIIF_ERROR };

using TBalloonActionEvent = std::function<void(TObject* Sender, UINT Code)>;

class TTrayIcon : public TWindow {
 public:
  explicit TTrayIcon(TComponent* AOwner = nullptr);
  ~TTrayIcon() override;

  const std::u16string& HintText() const { return FHintText; }
  void SetHintText(const std::u16string& value);
  const std::u16string& BalloonHint() const { return FBalloonHint; }
  void SetBalloonHint(const std::u16string& value);
  const std::u16string& BalloonTitle() const { return FBalloonTitle; }
  void SetBalloonTitle(const std::u16string& value);
  UINT BalloonTimeout() const { return FData.uTimeout; }
  void SetBalloonTimeout(UINT value) { FData.uTimeout = value; }
  TBalloonFlags BalloonFlags() const { return FBalloonFlags; }
  void SetBalloonFlags(TBalloonFlags value) { FBalloonFlags = value; }
  HICON Icon() const { return FData.hIcon; }
  // Takes ownership: the previous icon is destroyed.
  void SetIcon(HICON value);
  // Kept for the owner (the program shows its own menu); unused here.
  void* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(void* value) { FPopupMenu = value; }
  bool VisibleTray() const { return FVisibleTray; }
  void SetVisibleTray(bool value);
  void ShowBalloon();

  // OnClick, OnDblClick, OnMouseMove, OnMouseUp, OnMouseDown are the
  // control events inherited from TControl.
  TNotifyEvent OnAnimate;
  TBalloonActionEvent OnBalloonAction;

  // The record as handed to the host (for tests and diagnostics).
  const TNotifyIconData& IconData() const { return FData; }

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  // The tray window never appears on screen: no native window.
  void CreateNativeWindow(const TCreateParams&) override {}
  void TrayCallback(LPARAM event);

 private:
  void Modify();

  TNotifyIconData FData;
  std::u16string FHintText;
  std::u16string FBalloonHint;
  std::u16string FBalloonTitle;
  TBalloonFlags FBalloonFlags = bfNone;
  void* FPopupMenu = nullptr;
  bool FVisibleTray = false;
  bool FTrayClickPending = false;
};

}  // namespace widgets
