// The tray icon as a GtkStatusIcon (XEmbed system tray), for sessions
// without a StatusNotifierWatcher.
#include <gtk/gtk.h>

#include "core/Encoding.h"
#include "widgets/backend/Backend.h"
#include "widgets/tray/TrayItems.h"

namespace widgets {

namespace {

GdkPixbuf* PixbufFromIcon(HICON icon) {
  TIconImage image = IconImage(icon);
  if (image.Width <= 0) return nullptr;
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.Width, image.Height);
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < image.Height; ++y) {
    for (int x = 0; x < image.Width; ++x) {
      std::uint32_t p = image.Argb[static_cast<size_t>(y) * image.Width + x];
      guchar* out = pixels + y * stride + x * 4;
      out[0] = static_cast<guchar>(p >> 16);
      out[1] = static_cast<guchar>(p >> 8);
      out[2] = static_cast<guchar>(p);
      out[3] = static_cast<guchar>(p >> 24);
    }
  }
  return pixbuf;
}

class TStatusIconHost : public TTrayHost {
 public:
  ~TStatusIconHost() override {
    while (auto item = FItems.TakeAny()) Drop(*item);
  }

  const char* Kind() const override { return "GtkStatusIcon"; }

  bool Add(const TNotifyIconData& data) override {
    if (FItems.Contains(data)) return false;
    auto item = std::make_unique<TItem>();
    item->Data = data;
    item->Icon = gtk_status_icon_new();
    g_signal_connect(item->Icon, "button-press-event", G_CALLBACK(OnButton), item.get());
    g_signal_connect(item->Icon, "button-release-event", G_CALLBACK(OnButton), item.get());
    g_signal_connect(item->Icon, "query-tooltip", G_CALLBACK(OnQueryTooltip), item.get());
    gtk_status_icon_set_has_tooltip(item->Icon, TRUE);
    Apply(*item, true);
    gtk_status_icon_set_visible(item->Icon, TRUE);
    FItems.Insert(std::move(item));
    return true;
  }

  bool Modify(const TNotifyIconData& data) override {
    TItem* item = FItems.Find(data);
    if (!item) return false;
    Apply(*item, TTrayItems<TItem>::Update(*item, data).Icon);
    ShowBalloon(data);
    return true;
  }

  bool Delete(const TNotifyIconData& data) override {
    auto item = FItems.Take(data);
    if (!item) return false;
    Drop(*item);
    return true;
  }

 private:
  struct TItem {
    TNotifyIconData Data;
    GtkStatusIcon* Icon = nullptr;
    std::string Tip;  // UTF-8; empty: no tooltip
  };
  static void Drop(TItem& item) {
    g_signal_handlers_disconnect_by_data(item.Icon, &item);
    gtk_status_icon_set_visible(item.Icon, FALSE);
    g_object_unref(item.Icon);
  }

  static void Apply(TItem& item, bool newIcon) {
    if (newIcon) {
      if (GdkPixbuf* pixbuf = PixbufFromIcon(item.Data.hIcon)) {
        gtk_status_icon_set_from_pixbuf(item.Icon, pixbuf);
        g_object_unref(pixbuf);
      } else {
        gtk_status_icon_set_from_icon_name(item.Icon, "audio-x-generic");
      }
    }
    // The tip is handed over when the pointer rests on the icon: setting
    // it on every change (a new title every few minutes, every few seconds
    // on some stations) made GTK ask the X server where the pointer is.
    item.Tip = (item.Data.uFlags & NIF_TIP) ? enc::Utf16ToUtf8(item.Data.szTip) : std::string();
  }

  static gboolean OnQueryTooltip(GtkStatusIcon*, gint, gint, gboolean, GtkTooltip* tooltip, TItem* item) {
    if (item->Tip.empty()) return FALSE;
    gtk_tooltip_set_text(tooltip, item->Tip.c_str());
    return TRUE;
  }

  static gboolean OnButton(GtkStatusIcon*, GdkEventButton* e, TItem* item) {
    UINT base = e->button == 1 ? WM_LBUTTONDOWN : e->button == 3 ? WM_RBUTTONDOWN : e->button == 2 ? WM_MBUTTONDOWN : 0;
    if (!base) return FALSE;
    UINT event = 0;
    if (e->type == GDK_BUTTON_PRESS) event = base;
    if (e->type == GDK_2BUTTON_PRESS) event = base + 2;
    if (e->type == GDK_BUTTON_RELEASE) event = base + 1;
    if (!event) return TRUE;
    SetKeyDown(VK_SHIFT, e->state & GDK_SHIFT_MASK);
    SetKeyDown(VK_CONTROL, e->state & GDK_CONTROL_MASK);
    SendMessage(item->Data.hWnd, item->Data.uCallbackMessage, item->Data.uID, event);
    return TRUE;
  }

  TTrayItems<TItem> FItems;
};

}  // namespace

std::unique_ptr<TTrayHost> CreateStatusIconHost() {
  if (!gdk_display_get_default()) return nullptr;
  return std::make_unique<TStatusIconHost>();
}

}  // namespace widgets
