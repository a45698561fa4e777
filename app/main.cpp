// The process entry: one application object, run and freed. The desktop
// program puts the full controller in place of the stand-in and adds what
// only a desktop has: the tray icon, the window icon, the GTK question box
// and the beep.
#include <gdk/gdk.h>
#include <openssl/crypto.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "app/Application.h"
#include "app/Globals.h"
#include "app/MainWindow.h"
#include "app/desktop/Desktop.h"
#include "platform/StandardFiles.h"
#include "ui/dialogs/OptionsSheet.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/Identity.h"
#include "widgets/gtk/GtkBackend.h"

int main(int argc, char** argv) {
  platform::ReserveStandardFiles();
#ifdef __GLIBC__
  // glibc gives each thread that allocates an arena of its own (GLib's,
  // the bus's, the audio library's download, decoder and mixer threads),
  // and each keeps its own free memory resident. Their allocations are
  // small and mostly served from the thread's own cache, so one arena
  // serves the process; it must be set before the first thread starts.
  mallopt(M_ARENA_MAX, 1);
#endif
  // libcrypto would load the texts of all its error codes (some 600 KB
  // resident) the first time the lists' sealing or the network library
  // starts it. The program never shows them: it tells errors in words of
  // its own. Whichever asks first decides, so this asks before either.
  OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS, nullptr);
  // The desktop entry's StartupWMClass names this class: fixed names keep the
  // launcher and the windows together whatever the executable is called.
  g_set_prgname("qor");
  // The name the tray item and notifications show, and where the toolkit
  // finds the skin's pictures.
  g_set_application_name("QOR");
  widgets::SetResourceBase(QOR_SKIN_RESOURCE_BASE);
  // Everything is painted with cairo into image surfaces: GDK's probe for
  // OpenGL visuals would only load the GL driver stack (with a software
  // renderer, about 50 MB of resident libraries) for nothing.
  g_setenv("GDK_GL", "disable", FALSE);
  // Without a display the program still runs (tray and dialogs stay away).
  bool desktop = widgets::UseGtkBackend(&argc, &argv);
  // Said, since a program without its window is otherwise silent about it.
  if (const char* display = g_getenv("DISPLAY"); !desktop && display && *display)
    g_printerr("QOR: %s ekranı açılamadı; program penceresiz çalışıyor.\n", display);
  // GTK's start-up sets the class from the program name; ours replaces it.
  if (desktop) gdk_set_program_class("QOR");
  app::TApplication::SetControllerFactory([desktop](app::TApplication& application) {
    app::TMainWindowConfig config;
    config.SettingsFolder = application.SettingsFolder();
    config.ProgramFolder = application.ProgramFolder();
    auto controller = std::make_unique<app::TMainWindow>(*app::Globals().Options, config);
    app::AddDesktop(*controller, desktop);
    if (desktop) {
      controller->ShowOptions = [](core::HWND parent, int page) {
        return ui::ShowOptionsSheet(*app::Globals().Options, parent, page);
      };
      controller->CloseQuestion = [closeQuestion = controller->CloseQuestion] {
        if (closeQuestion) closeQuestion();
        ui::CloseOpenDialogs();
      };
    }
    controller->CreatePlayerWindow = [](app::TMainWindow& owner) -> std::unique_ptr<core::TMessageWindow> {
      return ui::MakePlayerWindow(owner.WindowHandle());
    };
    return controller;
  });
  app::TApplication application(argc, argv);
  return application.Run();
}
