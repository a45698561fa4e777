#include "ui/window/PlayerLayout.h"

#include <algorithm>

namespace ui {

using widgets::TPoint;
using widgets::TRect;

int GripRows(int gripTop, int dy, int band) {
  // Lists are cut in whole rows, never below the smallest one; a pointer
  // that overshoots the top (a quick drag upwards skips the last moves
  // above it) still gives the smallest list, not the size last passed.
  int b = gripTop + dy - band - 98;
  return std::max(b, MinRows * RowHeight) / RowHeight;
}

TPoint StartPosition(int left, int top, int desktopWidth) {
  if (left == CentreLeft) left = (desktopWidth - PlayerWidth) / 2;
  return {left, top};
}

TPoint PlaceInWorkArea(TPoint at, int width, int height, const TRect& work) {
  // The window may hang partly off the work area, but never wholly.
  if (at.X > work.Right - 4) at.X = work.Right - width - 4;
  if (at.Y > work.Bottom - 4) at.Y = work.Bottom - height - 4;
  if (at.X < work.Left - width) at.X = work.Left + 4;
  if (at.Y < work.Top - height) at.Y = work.Top + 4;
  return at;
}

int VolumeStep(int volume, int direction) {
  int step = 0;
  if (direction > 0) step = volume > 4 ? 5 : 1;
  else if (direction < 0) step = volume > 5 ? -5 : -1;
  return std::clamp(volume + step, 0, 100);
}

int PlayNextIndex(int playing, int count, bool localFile, bool playNext, bool wasPlaying) {
  if (playing < 0 || playing >= count - 1) return -1;
  if (!localFile || !playNext || !wasPlaying) return -1;
  return playing + 1;
}

}  // namespace ui
