// TBrowserEx: the skinned frame of the embedded browser. Nine tinted frame
// pictures, a caption with a drop shadow, the toolbar, a status line with
// the load progress, a close button and a size grip; the page window (a
// web view in a window of its own) sits in the middle and follows the
// frame. The frame is made on the first page request and then only hidden
// and shown until the player window closes.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "browser/BrowserFrame.h"
#include "browser/BrowserWindow.h"
#include "browser/ToolBarEx.h"
#include "browser/WebSession.h"
#include "widgets/paint/ImageEx.h"
#include "widgets/paint/LabelEx.h"
#include "widgets/paint/WindowEx.h"

namespace browser {

inline constexpr int FrameWidth = 850, FrameHeight = 580;
inline constexpr int MinFrameWidth = 640, MinFrameHeight = 420;
inline constexpr std::uint32_t FrameTint = 0xFF303030;

class TBrowserEx : public widgets::TWindowEx, public TBrowserFrame {
 public:
  explicit TBrowserEx(TBrowserConfig config);
  ~TBrowserEx() override;

  // Shows the frame (centred, the page transparent, when it was hidden)
  // and posts the page message.
  void ShowPage(core::UINT message) override;
  void SetReportQuery(const std::u16string& query) override { FReportQuery = query; }
  widgets::TWindowEx& FrameWindow() override { return *this; }
  const std::u16string& ReportQuery() const { return FReportQuery; }

  // The grip rule: the grip's place for a drag of (dx, dy) from where it
  // was pressed; false when neither coordinate may change.
  static bool GripTarget(int startLeft, int startTop, int dx, int dy, int& left, int& top);

  TBrowserWindow* Page() const { return FPage; }
  TToolBarEx* ToolBar() const { return FToolBar; }
  widgets::TLabelEx* CaptionLabel() const { return FCaption; }
  widgets::TLabelEx* StatusLabel() const { return FStatus; }
  widgets::TLabelEx* CentreLabel() const { return FCentre; }
  widgets::TImageEx* CloseImage() const { return FClose; }
  widgets::TImageEx* Grip() const { return FGrip; }
  widgets::TImageEx* FramePiece(int index) const { return FPieces.at(static_cast<size_t>(index)); }
  TWebSession& Session() { return FSession; }
  // The address the last page message opened.
  const std::string& LastAddress() const { return FLastAddress; }

  void WndProc(core::TMessage& message) override;

 private:
  void Build();
  void LayoutFrame();
  void FollowFrame();
  void KeepPageAbove();
  void OpenPage(core::UINT message);
  void RefreshBusy();
  void Progress(double progress, double maximum);
  void WireDrag(widgets::TControl* control);
  void GripDown();
  void GripMove();

  TWebSession FSession;
  std::array<widgets::TImageEx*, 9> FPieces{};
  widgets::TLabelEx* FCaption = nullptr;
  widgets::TLabelEx* FStatus = nullptr;
  widgets::TLabelEx* FCentre = nullptr;
  widgets::TImageEx* FClose = nullptr;
  widgets::TImageEx* FGrip = nullptr;
  TToolBarEx* FToolBar = nullptr;
  TBrowserWindow* FPage = nullptr;
  std::u16string FReportQuery;
  std::string FLastAddress;
  bool FTopLevelSeen = false;
  int FGripLeft = 0, FGripTop = 0, FCursorX = 0, FCursorY = 0;
  bool FGripping = false;
  // Where the page window sits inside the frame (set by the layout).
  int FPageX = 20, FPageY = 38;
};

}  // namespace browser
