// A small look at the toolkit on a real display: a window with two
// controls that show tooltips, and a tray icon whose clicks show and hide
// the window.
//
//   qor-tray-demo [--quit-after MS] [--screenshot FILE.png]
//
// With --screenshot the pointer is put on the second control so that its
// tooltip shows, and the screen is saved as PNG just before quitting:
//   xvfb-run -a dbus-run-session -- qor-tray-demo --quit-after 2000 --screenshot demo.png
#include <cairo.h>
#include <gtk/gtk.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/Encoding.h"
#include "widgets/controls/ToolTip.h"
#include "widgets/controls/Window.h"
#include "core/Timer.h"
#include "widgets/gtk/GtkBackend.h"
#include "widgets/tray/TrayIcon.h"

using namespace core;
using namespace widgets;

namespace {

constexpr std::uint32_t kAccent = 0xFFEC701F;

void SetColour(cairo_t* cr, std::uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                        (argb >> 24) / 255.0);
}

// The window paints its two buttons itself; the buttons are controls only
// for input, hover and hints.
class TDemoWindow : public TWindow {
 public:
  TDemoWindow() : Play(this), Record(this) {
    SetCaption(u"QOR");
    SetBounds(200, 160, 320, 140);
    for (TControl* button : {&Play, &Record}) {
      button->SetParent(this);
      button->SetCursor(13);
      button->SetShowHint(true);
      button->OnMouseEnter = [this](TObject*) { InvalidateTree(); };
      button->OnMouseLeave = [this](TObject*) { InvalidateTree(); };
    }
    Play.SetBounds(20, 50, 130, 60);
    Play.SetCaption(u"Çal");
    Play.SetHint(u"Seçili istasyonu çalar");
    Record.SetBounds(170, 50, 130, 60);
    Record.SetCaption(u"Kaydet");
    Record.SetHint(u"Çalan yayını masaüstündeki kayıt klasörüne kaydeder. Uzun bir ipucu, "
                   u"300 piksel genişlikte satırlara bölünür.");
    Play.OnClick = [this](TObject*, UINT, int, int) { Say(u"Çalınıyor"); };
    Record.OnClick = [this](TObject*, UINT, int, int) { Say(u"Kayıt başladı"); };
    Play.SetVisible(true);
    Record.SetVisible(true);
  }

  void Say(const std::u16string& text) {
    Status = text;
    InvalidateTree();
  }

  TControl Play;
  TControl Record;
  std::u16string Status = u"Hazır";

 protected:
  void WMPaint(TMessage& m) override {
    auto* cr = reinterpret_cast<cairo_t*>(m.WParam);
    if (!cr) return;
    SetColour(cr, 0xFF202124);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 14);
    SetColour(cr, 0xFFFFFFFF);
    cairo_move_to(cr, 20, 30);
    cairo_show_text(cr, enc::Utf16ToUtf8(Status).c_str());
    for (TControl* button : {&Play, &Record}) {
      double x = button->Left(), y = button->Top(), w = button->Width(), h = button->Height(), r = 8;
      cairo_new_sub_path(cr);
      cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
      cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
      cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
      cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
      cairo_close_path(cr);
      SetColour(cr, button->MouseInside() ? kAccent : 0xFF3C4043);
      cairo_fill(cr);
      SetColour(cr, 0xFFFFFFFF);
      std::string caption = enc::Utf16ToUtf8(button->Caption());
      cairo_text_extents_t ext;
      cairo_text_extents(cr, caption.c_str(), &ext);
      cairo_move_to(cr, x + (w - ext.width) / 2 - ext.x_bearing, y + (h - ext.height) / 2 - ext.y_bearing);
      cairo_show_text(cr, caption.c_str());
    }
  }
};

// An orange disc with a white play mark, drawn at 22 x 22.
HICON MakeTrayIcon() {
  const int size = 22;
  std::vector<std::uint32_t> argb(size * size, 0);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
      if (dx * dx + dy * dy <= (size / 2.0 - 1) * (size / 2.0 - 1)) argb[y * size + x] = kAccent;
      if (x >= 8 && x <= 15 && std::abs(dy) <= (15 - x) * 0.6) argb[y * size + x] = 0xFFFFFFFF;
    }
  return CreateIconFromArgb(size, size, argb);
}

void SaveScreen(const char* file) {
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* shot =
      gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root));
  if (shot && gdk_pixbuf_save(shot, file, "png", nullptr, nullptr))
    std::printf("screenshot: %s\n", file);
  else
    std::fprintf(stderr, "qor-tray-demo: could not save %s\n", file);
  if (shot) g_object_unref(shot);
}

void PointAt(TControl& control) {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  TPoint p = control.ClientToScreen({control.Width() / 2, control.Height() / 2});
  gdk_device_warp(gdk_seat_get_pointer(seat), gdk_screen_get_default(), p.X, p.Y);
}

}  // namespace

int main(int argc, char** argv) {
  int quitAfter = 0;
  const char* screenshot = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quit-after") == 0 && i + 1 < argc) quitAfter = std::atoi(argv[++i]);
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) screenshot = argv[++i];
  }
  if (!UseGtkBackend(&argc, &argv)) {
    std::fprintf(stderr, "qor-tray-demo: no display\n");
    return 1;
  }

  TComponent owner;
  auto* window = new TDemoWindow();
  window->OnClose = [](TObject*, TCloseAction& action) {
    action = caHide;  // the tray brings it back
  };
  auto* tray = new TTrayIcon(&owner);
  tray->SetIcon(MakeTrayIcon());
  tray->SetHintText(u"QOR - tepsi simgesi örneği");
  tray->OnDblClick = [window](TObject*) { window->SetVisible(!window->Visible()); };
  tray->OnClick = [window](TObject*, UINT, int, int) { window->Say(u"Tepsi simgesine tıklandı"); };
  tray->OnMouseUp = [window](TObject*, UINT keys, int, int) {
    if (keys == MK_RBUTTON) window->Say(u"Sağ tık: menü burada açılır");
  };
  tray->SetVisibleTray(true);
  std::printf("tray: %s\n", TrayHost().Kind());
  window->SetVisible(true);

  TTimer quit(&owner);
  quit.SetEnabled(quitAfter > 0);
  quit.SetInterval(static_cast<UINT>(quitAfter));
  quit.SetOnTimer([screenshot](TObject*) {
    if (screenshot) SaveScreen(screenshot);
    PostQuitMessage(0);
  });
  TTimer point(&owner);
  point.SetEnabled(screenshot != nullptr);
  point.SetInterval(300);
  point.SetOnTimer([&point, window](TObject*) {
    point.SetEnabled(false);
    PointAt(window->Record);
  });
  int code = RunMessageLoop();
  delete window;
  return code;
}
