// The search boxes as real GtkEntry widgets: GTK does the typing,
// selection, clipboard, context menu and input methods. The entry sits in a
// GtkFixed inside the top-level window for its input; its pixels are drawn
// by the toolkit into the window's picture (the window's own draw handler
// does not draw its children), so the entry blends like a painted control.
#include "widgets/gtk/GtkInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/Encoding.h"
#include "widgets/Core.h"
#include "widgets/backend/Backend.h"
#include "widgets/gtk/GtkBackend.h"
#include "widgets/paint/FontEx.h"

namespace widgets {

namespace {

// GTK counts characters (code points); the toolkit counts UTF-16 units.
int CharsFromUnits(const std::u16string& text, int units) {
  int chars = 0;
  for (int i = 0; i < units && i < static_cast<int>(text.size()); ++i)
    if ((text[static_cast<size_t>(i)] & 0xFC00) != 0xDC00) ++chars;
  return chars;
}

int UnitsFromChars(const std::u16string& text, int chars) {
  int units = 0, seen = 0;
  while (units < static_cast<int>(text.size()) && seen < chars) {
    ++units;
    // A low surrogate belongs to the character before it.
    if (units < static_cast<int>(text.size()) && (text[static_cast<size_t>(units)] & 0xFC00) == 0xDC00) ++units;
    ++seen;
  }
  return units;
}

// CSS wants a decimal point whatever the user's locale (a Turkish one
// writes a comma, and GTK then drops the whole rule).
std::string CssNumber(double value, const char* format) {
  char text[G_ASCII_DTOSTR_BUF_SIZE];
  return g_ascii_formatd(text, sizeof text, format, value);
}

std::string CssColour(std::uint32_t argb) {
  char text[64];
  std::snprintf(text, sizeof text, "rgba(%u,%u,%u,", (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
  return text + CssNumber((argb >> 24) / 255.0, "%.3f") + ")";
}

class TGtkEdit : public TNativeEdit {
 public:
  TGtkEdit(GtkWidget* fixed, TNativeEditEvents* events) : FFixed(fixed), FEvents(events) {
    FEntry = gtk_entry_new();
    g_object_ref_sink(FEntry);
    gtk_entry_set_has_frame(GTK_ENTRY(FEntry), FALSE);
    // Without these the entry asks for room for 20 characters and a
    // theme's height; the toolkit gives it its exact box.
    gtk_entry_set_width_chars(GTK_ENTRY(FEntry), 0);
    gtk_entry_set_max_width_chars(GTK_ENTRY(FEntry), 0);
    FCss = gtk_css_provider_new();
    gtk_style_context_add_provider(gtk_widget_get_style_context(FEntry), GTK_STYLE_PROVIDER(FCss),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
    SetLook(FLook);
    gtk_fixed_put(GTK_FIXED(FFixed), FEntry, 0, 0);
    g_signal_connect(FEntry, "changed", G_CALLBACK(OnChanged), this);
    g_signal_connect(FEntry, "focus-in-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(FEntry, "focus-out-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(FEntry, "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(FEntry, "key-release-event", G_CALLBACK(OnKey), this);
    for (const char* name : {"notify::cursor-position", "notify::selection-bound", "notify::scroll-offset"})
      g_signal_connect(FEntry, name, G_CALLBACK(OnNotify), this);
    g_signal_connect(FEntry, "preedit-changed", G_CALLBACK(OnPreedit), this);
    g_signal_connect(FEntry, "size-allocate", G_CALLBACK(OnAllocate), this);
  }

  ~TGtkEdit() override {
    g_signal_handlers_disconnect_by_data(FEntry, this);
    gtk_widget_destroy(FEntry);
    g_object_unref(FEntry);
    g_object_unref(FCss);
  }

  void SetBounds(int x, int y, int width, int height) override {
    // A new place or size is laid out anew; the same one is not.
    if (x != FX || y != FY || std::max(1, width) != FWidth || std::max(1, height) != FHeight) FLayoutPending = true;
    FX = x;
    FY = y;
    FWidth = std::max(1, width);
    FHeight = std::max(1, height);
    gtk_fixed_move(GTK_FIXED(FFixed), FEntry, x, y);
    gtk_widget_set_size_request(FEntry, std::max(1, width), std::max(1, height));
  }

  void SetVisible(bool visible) override {
    if (visible == gtk_widget_get_visible(FEntry)) return;
    if (!visible && Focused()) SetFocused(false);
    // Shown again, it keeps its old allocation but is laid out anew.
    if (visible) FLayoutPending = true;
    gtk_widget_set_visible(FEntry, visible);
  }

  void SetEnabled(bool enabled) override { gtk_widget_set_sensitive(FEntry, enabled); }

  std::u16string Text() const override { return enc::Utf8ToUtf16(gtk_entry_get_text(GTK_ENTRY(FEntry))); }

  void SetText(const std::u16string& text) override {
    std::string utf8 = enc::Utf16ToUtf8(text);
    if (utf8 == gtk_entry_get_text(GTK_ENTRY(FEntry))) return;
    gtk_entry_set_text(GTK_ENTRY(FEntry), utf8.c_str());
  }

  void SetLook(const TEditLook& look) override {
    FLook = look;
    // Pixel sizes, so that the entry's letters match the painted text,
    // which counts points at 96 pixels per inch.
    TFontEx font;
    font.SetSize(look.FontPoints);
    const std::string size = CssNumber(font.PixelSize(), "%.2f") + "px";
    std::string family = look.FontName;
    family.erase(std::remove(family.begin(), family.end(), '"'), family.end());
    std::string css = "entry { background: none; border: none; box-shadow: none; outline: none;"
                      " min-height: 0; min-width: 0; padding: 0 1px; margin: 0;"
                      " caret-color: transparent;"
                      " font-family: \"" + family + "\"; font-size: " + size + ";" +
                      " font-weight: " + ((look.FontStyle & FontStyleBold) ? "bold" : "normal") + ";" +
                      " font-style: " + ((look.FontStyle & FontStyleItalic) ? "italic" : "normal") + ";" +
                      " color: " + CssColour(look.TextColour) + "; }"
                      " entry selection { background-color: " + CssColour(look.SelectionBack) + ";"
                      " color: " + CssColour(look.SelectionText) + "; }";
    gtk_css_provider_load_from_data(FCss, css.c_str(), -1, nullptr);
  }

  void SetFocused(bool focused) override {
    if (focused) {
      if (!gtk_widget_is_focus(FEntry)) gtk_entry_grab_focus_without_selecting(GTK_ENTRY(FEntry));
    } else if (gtk_widget_is_focus(FEntry)) {
      if (GtkWidget* top = gtk_widget_get_toplevel(FEntry); GTK_IS_WINDOW(top))
        gtk_window_set_focus(GTK_WINDOW(top), nullptr);
    }
  }

  bool Focused() const override { return gtk_widget_is_focus(FEntry); }

  void SetSelection(int start, int end) override {
    std::u16string text = Text();
    gtk_editable_select_region(GTK_EDITABLE(FEntry), CharsFromUnits(text, start), CharsFromUnits(text, end));
  }

  void Selection(int& start, int& end) const override {
    gint s = 0, e = 0;
    if (!gtk_editable_get_selection_bounds(GTK_EDITABLE(FEntry), &s, &e))
      s = e = gtk_editable_get_position(GTK_EDITABLE(FEntry));
    std::u16string text = Text();
    start = UnitsFromChars(text, std::min(s, e));
    end = UnitsFromChars(text, std::max(s, e));
  }

  TEditCaret Caret() const override {
    GtkEntry* entry = GTK_ENTRY(FEntry);
    gint x = 0, y = 0;
    gtk_entry_get_layout_offsets(entry, &x, &y);
    const char* text = gtk_entry_get_text(entry);
    gint position = gtk_editable_get_position(GTK_EDITABLE(FEntry));
    const char* at = g_utf8_offset_to_pointer(text, position);
    gint index = gtk_entry_text_index_to_layout_index(entry, static_cast<gint>(at - text));
    PangoRectangle strong;
    pango_layout_get_cursor_pos(gtk_entry_get_layout(entry), index, &strong, nullptr);
    return {x + PANGO_PIXELS(strong.x), y + PANGO_PIXELS(strong.y), PANGO_PIXELS(strong.height)};
  }

  void Render(void* cairo) override {
    if (!gtk_widget_get_visible(FEntry) || !gtk_widget_get_realized(FEntry)) return;
    // Until GTK has laid the entry out at its new size there is nothing
    // right to draw (and GTK refuses to draw it); its size-allocate asks
    // for the picture again.
    if (FLayoutPending) return;
    if (gtk_widget_get_allocated_width(FEntry) != FWidth || gtk_widget_get_allocated_height(FEntry) != FHeight)
      return;
    gtk_widget_draw(FEntry, static_cast<cairo_t*>(cairo));
  }

 private:
  static void OnChanged(GtkEditable*, TGtkEdit* self) {
    self->FEvents->NativeEditChanged();
    self->FEvents->NativeEditRedraw();
  }

  static void OnNotify(GObject*, GParamSpec*, TGtkEdit* self) { self->FEvents->NativeEditRedraw(); }

  static void OnPreedit(GtkEntry*, gchar*, TGtkEdit* self) { self->FEvents->NativeEditRedraw(); }

  static void OnAllocate(GtkWidget*, GdkRectangle*, TGtkEdit* self) {
    self->FLayoutPending = false;
    self->FEvents->NativeEditRedraw();
  }

  static gboolean OnFocus(GtkWidget*, GdkEventFocus* e, TGtkEdit* self) {
    self->FEvents->NativeEditFocus(e->in);
    return FALSE;
  }

  static gboolean OnKey(GtkWidget*, GdkEventKey* e, TGtkEdit* self) {
    NoteGdkState(e->state);
    const bool down = e->type == GDK_KEY_PRESS;
    const unsigned vk = KeyvalToVirtualKey(e->keyval);
    if (vk) SetKeyDown(vk, down);
    char16_t ch = 0;
    if (down) {
      gunichar c = gdk_keyval_to_unicode(e->keyval);
      if (vk == VK_RETURN) c = '\r';
      if (vk == VK_ESCAPE) c = 0x1B;
      if (vk == VK_TAB) c = '\t';
      if (c < 0x10000) ch = static_cast<char16_t>(c);
    }
    // The owner sees the key first (Enter, Esc, Tab and the arrows steer
    // the search); what it leaves goes to the entry.
    return self->FEvents->NativeEditKey(down, vk, ch) ? TRUE : FALSE;
  }

  GtkWidget* FFixed;
  GtkWidget* FEntry = nullptr;
  GtkCssProvider* FCss = nullptr;
  TNativeEditEvents* FEvents;
  TEditLook FLook;
  int FX = 0, FY = 0, FWidth = 1, FHeight = 1;
  // Shown again or moved: GTK lays the entry out before it may be drawn.
  bool FLayoutPending = true;
};

}  // namespace

std::unique_ptr<TNativeEdit> CreateGtkEdit(GtkWidget* window, TNativeEditEvents* events) {
  GtkWidget* fixed = gtk_bin_get_child(GTK_BIN(window));
  if (!fixed) {
    fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window), fixed);
    gtk_widget_show(fixed);
  } else if (!GTK_IS_FIXED(fixed)) {
    return nullptr;
  }
  return std::make_unique<TGtkEdit>(fixed, events);
}

}  // namespace widgets
