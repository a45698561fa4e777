// The shared hint window. A control whose ShowHint is set is a tool of the
// tooltip; when the pointer rests on such a control for the hover time, the
// tooltip shows the control's Hint near the pointer, wrapped at 300 pixels.
// Pressing a button, turning the wheel or moving to another control hides
// it. One tooltip serves the process: the first one created, or one made
// on demand when the first control asks for hints.
#pragma once

#include <set>

#include "widgets/controls/Window.h"
#include "widgets/Core.h"

namespace widgets {

class TToolTip : public TWinControl {
 public:
  explicit TToolTip(TComponent* AOwner = nullptr);
  ~TToolTip() override;

  static TToolTip* Instance();
  static constexpr int MaxTipWidth = 300;

  std::uint32_t BackColor() const { return FBackColor; }
  void SetBackColor(std::uint32_t value);
  std::uint32_t TextColor() const { return FTextColor; }
  void SetTextColor(std::uint32_t value);
  bool EnableTip() const { return FEnableTip; }
  void SetEnableTip(bool value);

  bool IsTool(TControl* control) const { return FTools.count(control) != 0; }
  // What is on screen now (nullptr / empty when hidden).
  TControl* ShownFor() const { return FShownFor; }
  const std::u16string& ShownText() const { return FShownText; }

  void AddTool(TControl* control);
  void DelTool(TControl* control);
  void UpdateTipText(TControl* control);
  void Hide();

 protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustNativeParams(TNativeParams& params) override;

 private:
  void PointerEvent(TControl* under, TPoint screen, UINT msg);
  void DelayElapsed();
  void Show(TControl* control);

  std::uint32_t FBackColor = 0xFFFFFFE1;
  std::uint32_t FTextColor = 0xFF000000;
  bool FEnableTip = true;
  std::set<TControl*> FTools;
  TControl* FCandidate = nullptr;
  TControl* FShownFor = nullptr;
  std::u16string FShownText;
  bool FSuppressed = false;
  TPoint FPointer;
  TTimer* FDelay;
};

// Called by TControl when ShowHint or Hint change.
void RegisterHintControl(TControl* control, bool add);
void HintChanged(TControl* control);

}  // namespace widgets
