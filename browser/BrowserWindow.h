// TBrowserWindow: the page window. A plain top-level window without a
// frame that holds the WebKit web view and follows the skinned frame
// around. It starts fully transparent, so the frame's "Açılıyor..." shows
// until the page is complete; without a compositor, where a window cannot
// be see-through, it stays unmapped for that time instead.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "widgets/controls/Window.h"

typedef struct _WebKitWebView WebKitWebView;

namespace browser {

class TWebSession;

// Command-state ids of the history buttons.
inline constexpr int CSC_NAVIGATEFORWARD = 1, CSC_NAVIGATEBACK = 2;

class TBrowserWindow : public widgets::TWindow {
 public:
  TBrowserWindow(core::TComponent* owner, TWebSession& session);
  ~TBrowserWindow() override;

  // Creates the web view on first use.
  void Navigate(const std::string& address);
  void GoBack();
  void GoForward();
  void Refresh();
  void Stop();
  bool Busy() const;
  std::string Address() const;
  WebKitWebView* View() const { return FView; }

  std::uint8_t PageOpacity() const { return FPageOpacity; }
  void SetPageOpacity(std::uint8_t value);
  // Shown with the frame (and, transparent, not mapped without a compositor).
  void SetShown(bool shown);
  bool Shown() const { return FShown; }
  // The edit-field rule of the page's own context menu.
  bool Administrator = false;

  std::function<void(double progress, double maximum)> OnProgressChange;
  std::function<void(int command, bool enabled)> OnCommandStateChange;
  std::function<void()> OnBeforeNavigate, OnNavigateComplete, OnDocumentComplete, OnPropertyChange;
  std::function<void(const std::u16string& title)> OnTitleChange;

  // Whether the page's context menu may open (hit in an edit field).
  bool ContextMenuAllowed(bool editable) const { return Administrator || editable; }

 protected:
  void CreateParams(widgets::TCreateParams& params) override;
  void CreateNativeWindow(const widgets::TCreateParams& params) override;
  void DestroyWindowHandle() override;

 private:
  void CreateView();
  void Apply();
  void History();
  // Follows the load events; true when a finished load put up the error
  // page instead.
  bool ShowBlockedAddress(int event);

  TWebSession& FSession;
  WebKitWebView* FView = nullptr;
  std::string FOffscreenAddress;
  std::string FRequested;  // the address of the load under way
  std::uint8_t FPageOpacity = 0;
  bool FShown = false;
};

}  // namespace browser
