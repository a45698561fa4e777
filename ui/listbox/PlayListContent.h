// TPlayListContent: the panel behind the two station lists. Three skin
// pieces (top, a middle piece repeated down the panel, bottom) in grey,
// multiplied by the panel's colour.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "widgets/paint/ControlEx.h"

namespace ui {

class TPlayListContent : public widgets::TControlEx {
public:
  explicit TPlayListContent(widgets::TComponent* AOwner = nullptr);
  ~TPlayListContent() override;

  uint32_t Colour() const { return FColour; }
  // Only an opaque colour tints the pieces; any other is refused (the
  // colour becomes 0 and the pieces stay as they were).
  void SetColour(uint32_t colour);
  // The tinted pieces: 0 top, 1 middle, 2 bottom (null until tinted).
  const widgets::TBitmapEx* Piece(int index) const { return FPieces.at(index).get(); }

  void DoPaint() override;
  bool ChangesOnlyWhenTold() const override { return Cached(); }

protected:
  void WMMeasureItem(widgets::TMessage& m) override;

private:
  uint32_t FColour = 0xffffffff;
  std::array<std::unique_ptr<widgets::TBitmapEx>, 3> FSources;
  std::array<std::unique_ptr<widgets::TBitmapEx>, 3> FPieces;
};

}  // namespace ui
