// The controller window: found by other instances under the class name
// "QORClass", it receives their WM_NULL, 37682 (UM_ACTIVATE) and WM_CLOSE.
// Destroying it ends the message loop (WM_QUIT through PostQuitMessage).
//
// The full controller, which owns the players and the recorder, plugs in
// through TApplication::SetControllerFactory. Until then TControllerStandIn
// plays its part towards the other instances.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/MessageWindow.h"

namespace app {

class TApplication;

inline constexpr core::UINT UM_ACTIVATE = 37682;

// Window class and component name of the controller window.
inline constexpr const char* ControllerClass = "QORClass";
inline constexpr const char16_t* ControllerName = u"QOR";

// What the application needs of a controller window beyond its handle.
class TControllerWindow : public core::TMessageWindow {
 public:
  using core::TMessageWindow::TMessageWindow;
  // A disabled window is left alone by a second instance.
  virtual bool Enabled() const { return true; }
  // Applies the program icon id (101 or 102).
  virtual void SetIconId(int) {}
  // A file or address to open, from this program's command line or from
  // another instance's (already resolved: absolute path or address).
  virtual void OpenTarget(const std::u16string&) {}
};

using TControllerFactory = std::function<std::unique_ptr<TControllerWindow>(TApplication&)>;

// Answers WM_NULL and UM_ACTIVATE with 0; WM_CLOSE destroys it, and its
// destruction posts the quit message.
class TControllerStandIn : public TControllerWindow {
 public:
  TControllerStandIn();
  ~TControllerStandIn() override;

  int Activations() const { return FActivations; }
  void WndProc(core::TMessage& message) override;

 private:
  int FActivations = 0;
};

}  // namespace app
