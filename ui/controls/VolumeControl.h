// TVolumeControl: the speaker button that unfolds into a volume bar with a
// "%50" read-out. Collapsed it is the 20-pixel speaker; expanded it is 175
// pixels wide. It only reports clicks and draws what it is told: the owner
// expands and collapses it, applies mute and volume, clamps the volume and
// writes the final values back through the events' in/out variables.
#pragma once

#include "widgets/paint/ControlEx.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace ui {

// The handler may change `State`; the control then shows that state.
using TMuteClickEvent = std::function<void(core::TObject* Sender, std::uint8_t& State)>;
// The handler may change `Volume`; the control keeps what it leaves.
using TVolumeClickEvent = std::function<void(core::TObject* Sender, int& Volume)>;

class TVolumeControl : public widgets::TControlEx {
public:
  static constexpr int CollapsedWidth = 20;
  static constexpr int ExpandedWidth = 175;
  static constexpr int BarLeft = 26;
  static constexpr int BarRight = 136;  // end of the drawn track
  static constexpr int ClickRight = 135;  // last column a click counts in
  static constexpr int ClickBottom = 14;
  static constexpr int SpeakerImage = 2011, MutedImage = 2013;

  explicit TVolumeControl(core::TComponent* AOwner = nullptr);
  ~TVolumeControl() override;

  std::uint8_t GetMuted() const { return FMuted; }
  // Loads the speaker picture of the state and tints it with TintColour.
  void SetMuted(std::uint8_t state);
  int Volume() const { return FVolume; }
  // Stored as it is (no clamping); the next paint shows it.
  void SetVolume(int value);
  std::uint32_t TintColour() const { return FTintColour; }
  // Alpha 255: the speaker in grey times the colour; otherwise as drawn,
  // and the stored colour becomes 0.
  void SetTint(std::uint32_t colour);
  bool Expanded() const { return FExpanded; }
  void Expand();
  void Collapse();
  const widgets::TBitmapEx* Icon() const { return FIcon.get(); }
  const widgets::TBitmapEx* TintedIcon() const { return FTinted.get(); }

  TMuteClickEvent OnMuteClick;
  TVolumeClickEvent OnVolumeClick;

  void DoPaint() override;
  // The volume, the icon and its tint each redraw it.
  bool ChangesOnlyWhenTold() const override { return Cached(); }

protected:
  void WMMouseMove(core::TMessage& m) override;
  void WMButtonDown(core::TMessage& m) override;
  void WMButtonUp(core::TMessage& m) override;

private:
  bool OverIcon(int x, int y) const;

  std::unique_ptr<widgets::TBitmapEx> FIcon;
  std::unique_ptr<widgets::TBitmapEx> FTinted;
  std::uint32_t FTintColour = 0xFFFFFFFF;
  std::uint8_t FMuted = 0;
  int FVolume = 50;
  bool FExpanded = false;
};

}  // namespace ui
