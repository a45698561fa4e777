// TWindowEx: the layered top-level window. Its canvas holds the composed
// picture of the whole control tree, which goes to the native window with
// per-pixel alpha and the window's opacity; each repaint presents only the
// rectangles that changed, and a repaint that changed nothing presents
// nothing. (Without a compositor the GTK
// backend shows the picture opaque over a dark backdrop and cuts the
// window's outline from the picture's alpha.)
//
// A window that cannot be seen (hidden, or iconified) paints nothing: the
// controls keep what changed, and the window paints it once when it shows
// again or is restored.
#pragma once

#include "widgets/controls/Window.h"
#include "widgets/paint/ControlEx.h"

namespace widgets {

class TWindowEx : public TControlEx, public TWindowEvents {
public:
  explicit TWindowEx(TComponent* AOwner = nullptr);
  ~TWindowEx() override;

  bool AlwaysTop() const { return FAlwaysTop; }
  void SetAlwaysTop(bool value);
  // Click-through: mouse input falls through to what lies below.
  bool Transparent() const { return (ExStyle() & WS_EX_TRANSPARENT) != 0; }
  void SetTransparent(bool value);
  // True while the window exists, is visible and has a taskbar button.
  bool ShowTaskBar() const;
  void SetShowTaskBar(bool value);
  void Close();
  // Shown and not iconified: whether painting has any use.
  bool OnScreen() const { return (Visible() || FShowing) && !FIconic; }
  bool Iconic() const { return FIconic; }
  // The native window was iconified or restored (the backend's window
  // state); restored, the window paints what changed meanwhile.
  void NativeIconified(bool iconic);

  void WndProc(TMessage& message) override;
  // Lets the frame-checked controls look first.
  void Paint() override;
  void Present() override;
  void InvalidateTree() override;
  // A window draws its background in OnPaint; a window class that draws
  // in DoPaint instead says so here.
  bool OwnPictureBlank() const override { return !OnPaint; }

protected:
  bool HoldsPaints() const override { return !OnScreen(); }
  // After the window was iconified or restored.
  virtual void IconicChanged() {}
  void CreateParams(TCreateParams& params) override;
  void AdjustNativeParams(TNativeParams& params) override;
  void CreateNativeWindow(const TCreateParams& params) override;
  void DestroyWindowHandle() override;

private:
  bool FAlwaysTop = false;
  bool FTaskBar = false;
  bool FTransparent = false;
  unsigned long FRealizeHandler = 0, FStateHandler = 0;
  // Set while the window handles being shown, before it counts as visible.
  bool FShowing = false;
  bool FIconic = false;
  // The opacity of the last picture presented (-1: none yet).
  int FPresentedOpacity = -1;
  // The rectangles of a frame, kept from frame to frame.
  std::vector<TRect> FPresenting;
};

}  // namespace widgets
