// The player window's tests link the browser in and hand its factory to
// the window, so that they can reach into the frame it makes; the program
// loads the same code from its module instead.
#include "browser/BrowserFrame.h"
#include "browser/BrowserModule.h"

namespace {

const bool Linked = (browser::UseLinkedBrowser(&qor_browser_frame_v1), true);

}  // namespace
