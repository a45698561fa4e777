// Flow layout of the contact sheet: pictures and boxes are placed left to
// right on a checkered ground and wrap to the next row.
#pragma once

#include "widgets/paint/CanvasEx.h"
#include "widgets/paint/WindowEx.h"

#include <functional>

#include <map>
#include <memory>
#include <string>

namespace qorskin {

// Skin pictures loaded once by id.
class TPictureCache {
public:
  widgets::TBitmapEx* Get(int id);

private:
  std::map<int, std::unique_ptr<widgets::TBitmapEx>> FPictures;
};

class TSheet {
public:
  TSheet(int width, int height);

  void Heading(const std::u16string& text);
  // A picture with its id; pictures of at most 24 x 24 pixels also at 4x.
  void Picture(const widgets::TBitmapEx& image, int id);
  void Icon(const widgets::TBitmapEx& image, int id, int size);
  // A free-form box of the given size: draw on the returned canvas at
  // (BoxX, BoxY), then EndBox puts the caption under it.
  widgets::TCanvasEx& BeginBox(int width, int height, const std::u16string& caption);
  int BoxX() const { return FBoxX; }
  int BoxY() const { return FBoxY; }
  void EndBox();
  std::unique_ptr<widgets::TBitmapEx> Finish();

private:
  // Reserves a cell and returns its top-left corner.
  void Place(int width, int height);
  void Checker(int x, int y, int width, int height);
  void Caption(int x, int y, int width, const std::u16string& text);

  widgets::TCanvasEx FCanvas;
  int FX = 0, FY = 0, FRowHeight = 0, FUsed = 0;
  int FCellX = 0, FCellY = 0;
  int FBoxX = 0, FBoxY = 0, FBoxWidth = 0, FBoxHeight = 0;
  std::u16string FBoxCaption;
};

// Renders whatever `build` puts into a layered window of w x h on a
// backdrop and copies the composed picture, enlarged `zoom` times (pixels
// kept sharp), into a box of the sheet.
void ShowControls(TSheet& sheet, int w, int h, const std::u16string& caption,
                  const std::function<void(widgets::TWindowEx&)>& build, uint32_t backdrop = 0xE0202020,
                  int zoom = 1);
// Makes `control` a visible child of the window at the given place.
void PlaceControl(widgets::TControl& control, widgets::TWindowEx& window, int x, int y, int w, int h);

}  // namespace qorskin
