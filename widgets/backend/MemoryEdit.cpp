// The in-memory text entry: the usual single-line editing keys, a
// process-wide clipboard, horizontal scrolling that keeps the caret in
// view, and pango drawing that matches the painted controls' text.
#include "widgets/backend/NativeEdit.h"

#include <pango/pangocairo.h>

#include <algorithm>

#include "core/Encoding.h"
#include "widgets/Core.h"
#include "widgets/paint/FontEx.h"

namespace widgets {

namespace {

std::u16string& Clipboard() {
  static std::u16string text;
  return text;
}

void SetSource(cairo_t* cr, std::uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                        (argb >> 24) / 255.0);
}

// Space between the box's left edge and the first letter.
constexpr int kPadding = 1;

class TMemoryEdit : public TNativeEdit {
 public:
  explicit TMemoryEdit(TNativeEditEvents* events) : FEvents(events) {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    FContext = pango_font_map_create_context(map);
    pango_cairo_context_set_resolution(FContext, 96);
    FLayout = pango_layout_new(FContext);
    ApplyLook();
  }
  ~TMemoryEdit() override {
    g_object_unref(FLayout);
    g_object_unref(FContext);
  }

  void SetBounds(int, int, int width, int height) override {
    FWidth = width;
    FHeight = height;
    KeepCaretInView();
  }
  void SetVisible(bool) override {}
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  std::u16string Text() const override { return FText; }

  void SetText(const std::u16string& text) override {
    if (text == FText) return;
    FText = text;
    FAnchor = FCaret = static_cast<int>(FText.size());
    Changed();
  }

  void SetLook(const TEditLook& look) override {
    FLook = look;
    ApplyLook();
    KeepCaretInView();
    FEvents->NativeEditRedraw();
  }

  void SetFocused(bool focused) override { FFocused = focused; }
  bool Focused() const override { return FFocused; }

  void SetSelection(int start, int end) override {
    const int size = static_cast<int>(FText.size());
    FAnchor = std::clamp(start, 0, size);
    FCaret = std::clamp(end, 0, size);
    KeepCaretInView();
    FEvents->NativeEditRedraw();
  }

  void Selection(int& start, int& end) const override {
    start = std::min(FAnchor, FCaret);
    end = std::max(FAnchor, FCaret);
  }

  TEditCaret Caret() const override {
    return {kPadding + XOf(FCaret) - FScroll, TextTop(), LineHeight()};
  }

  void Render(void* cairo) override {
    auto* cr = static_cast<cairo_t*>(cairo);
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, FWidth, FHeight);
    cairo_clip(cr);
    const double left = kPadding - FScroll, top = TextTop();
    SetSource(cr, FLook.TextColour);
    cairo_move_to(cr, left, top);
    pango_cairo_show_layout(cr, FLayout);
    int start = 0, end = 0;
    Selection(start, end);
    if (start != end) {
      // The selected part again, in its own colours over its own band.
      const double x1 = left + XOf(start), x2 = left + XOf(end);
      cairo_rectangle(cr, x1, top, x2 - x1, LineHeight());
      cairo_clip(cr);
      SetSource(cr, FLook.SelectionBack);
      cairo_paint(cr);
      SetSource(cr, FLook.SelectionText);
      cairo_move_to(cr, left, top);
      pango_cairo_show_layout(cr, FLayout);
    }
    cairo_restore(cr);
  }

  void TypeKey(unsigned vk, char16_t ch, bool shift, bool ctrl) override {
    if (!FEnabled) return;
    const int size = static_cast<int>(FText.size());
    if (ch >= 0x20 && ch != 0x7F && !ctrl) {
      Replace(std::u16string(1, ch));
      return;
    }
    switch (vk) {
      case VK_BACK:
        if (FAnchor == FCaret && FCaret > 0) FAnchor = FCaret - 1;
        Replace(u"");
        break;
      case VK_DELETE:
        if (FAnchor == FCaret && FCaret < size) FAnchor = FCaret + 1;
        Replace(u"");
        break;
      case VK_LEFT: Move(FCaret - 1, shift); break;
      case VK_RIGHT: Move(FCaret + 1, shift); break;
      case VK_HOME: Move(0, shift); break;
      case VK_END: Move(size, shift); break;
      default:
        if (!ctrl) break;
        if (vk == 'A') SetSelection(0, size);
        if (vk == 'C' || vk == 'X') {
          int start = 0, end = 0;
          Selection(start, end);
          if (start != end) Clipboard() = FText.substr(start, end - start);
          if (vk == 'X') Replace(u"");
        }
        if (vk == 'V') Replace(Clipboard());
        break;
    }
  }

 private:
  void ApplyLook() {
    TFontEx font;
    font.SetName(FLook.FontName);
    font.SetSize(FLook.FontPoints);
    font.SetStyle(FLook.FontStyle);
    pango_layout_set_font_description(FLayout, font.Handle());
    Relayout();
  }

  void Relayout() {
    std::string utf8 = enc::Utf16ToUtf8(FText);
    pango_layout_set_text(FLayout, utf8.c_str(), static_cast<int>(utf8.size()));
  }

  int LineHeight() const {
    PangoRectangle logical;
    pango_layout_get_pixel_extents(FLayout, nullptr, &logical);
    return logical.height;
  }
  int TextTop() const { return std::max(0, (FHeight - LineHeight()) / 2); }

  // Pixels from the text's start to the position (UTF-16 units).
  int XOf(int position) const {
    std::string before = enc::Utf16ToUtf8(std::u16string_view(FText).substr(0, static_cast<size_t>(position)));
    PangoRectangle strong;
    pango_layout_get_cursor_pos(FLayout, static_cast<int>(before.size()), &strong, nullptr);
    return PANGO_PIXELS(strong.x);
  }

  void KeepCaretInView() {
    const int x = XOf(FCaret);
    const int room = std::max(1, FWidth - 2 * kPadding - 1);
    if (x - FScroll > room) FScroll = x - room;
    if (x - FScroll < 0) FScroll = x;
    FScroll = std::max(0, FScroll);
  }

  void Move(int to, bool extend) {
    FCaret = std::clamp(to, 0, static_cast<int>(FText.size()));
    if (!extend) FAnchor = FCaret;
    KeepCaretInView();
    FEvents->NativeEditRedraw();
  }

  // Puts `text` in place of the selection, the caret after it.
  void Replace(const std::u16string& text) {
    int start = 0, end = 0;
    Selection(start, end);
    if (start == end && text.empty()) return;
    FText.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), text);
    FAnchor = FCaret = start + static_cast<int>(text.size());
    Changed();
  }

  void Changed() {
    Relayout();
    KeepCaretInView();
    FEvents->NativeEditChanged();
    FEvents->NativeEditRedraw();
  }

  TNativeEditEvents* FEvents;
  PangoContext* FContext = nullptr;
  PangoLayout* FLayout = nullptr;
  TEditLook FLook;
  std::u16string FText;
  int FAnchor = 0, FCaret = 0, FScroll = 0;
  int FWidth = 0, FHeight = 0;
  bool FFocused = false;
  bool FEnabled = true;
};

}  // namespace

std::unique_ptr<TNativeEdit> CreateMemoryEdit(TNativeEditEvents* events) {
  return std::make_unique<TMemoryEdit>(events);
}

}  // namespace widgets
