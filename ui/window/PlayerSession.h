// The end of the desktop session for the player window: when the system
// announces that it is about to shut down (logind's PrepareForShutdown),
// the window gets WM_ENDSESSION and saves its options and favourites, as
// it would when the session manager ends the session.
#pragma once

#include <gio/gio.h>

namespace ui {

class TPlayerWindow;

class TPlayerSession {
 public:
  explicit TPlayerSession(TPlayerWindow& window);
  ~TPlayerSession();
  TPlayerSession(const TPlayerSession&) = delete;
  TPlayerSession& operator=(const TPlayerSession&) = delete;

 private:
  static void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                       gpointer self);

  TPlayerWindow& FWindow;
  GDBusConnection* FBus = nullptr;
  guint FSubscription = 0;
};

}  // namespace ui
