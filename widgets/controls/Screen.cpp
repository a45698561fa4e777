#include "widgets/controls/Screen.h"

#include "widgets/backend/Backend.h"

namespace widgets {

TRect TScreen::WorkArea() const { return Backend().WorkArea(); }
int TDesktop::Width() const { return Backend().ScreenRect().Width(); }
int TDesktop::Height() const { return Backend().ScreenRect().Height(); }

}  // namespace widgets
