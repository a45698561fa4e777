// TVisualization: the small spectrum beside the player's buttons. One bar
// per column, BarWidth wide and BarWidth + 1 apart, grows up and down from
// the middle row with the sound; a bar jumps up at once and falls back one
// pixel per paint. The owner hands over a block of spectrum values on each
// tick (SetSpectrum) and then redraws; column i shows value i + 20. A
// paint draws again only the columns whose bar changed and reports just
// them as changed.
#pragma once

#include "widgets/paint/ControlEx.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ui {

class TVisualization : public widgets::TControlEx {
public:
  static constexpr std::size_t SpectrumSize = 4097;
  static constexpr std::size_t MaxColumns = 4096;
  // The lowest bins carry the hum of the stream, not the music.
  static constexpr std::size_t FirstBin = 20;

  explicit TVisualization(core::TComponent* AOwner = nullptr);
  ~TVisualization() override;

  // Copies up to SpectrumSize values; the rest of the block becomes 0.
  void SetSpectrum(const float* block, std::size_t count = SpectrumSize);
  // How many values of a block the columns show: a shorter block may be
  // handed over, the rest counts as silence.
  std::size_t BinsShown() const;
  const std::array<float, SpectrumSize>& Spectrum() const { return FSpectrum; }
  // Current half-height of the bar of each column.
  int Level(std::size_t column) const { return column < MaxColumns ? FLevels[column] : 0; }
  int BarWidth() const { return FBarWidth; }
  void SetBarWidth(int value);
  std::uint32_t BarColour() const { return FBarColour; }
  void SetBarColour(std::uint32_t value);

  void Paint() override;
  void DoPaint() override;

private:
  // One paint's step of every column's level. With `picture` (the bars'
  // picture, kept from the last paint) the columns whose level changed are
  // drawn again and added to the damage.
  void Step(const widgets::TBitmapEx* picture);
  // Whether the bars are written straight into the picture's rows.
  bool Direct() const;

  std::array<int, MaxColumns> FLevels{};
  int FBarWidth = 1;
  std::array<float, SpectrumSize> FSpectrum{};
  // Values past it are 0 already.
  std::size_t FFilled = 0;
  std::uint32_t FBarColour = 0xFFEC701F;
};

}  // namespace ui
