// Top-level toolkit windows as GtkWindows.
#include "widgets/gtk/GtkBackend.h"
#include "widgets/gtk/GtkInternal.h"
#include "widgets/gtk/GtkPresent.h"

#include <gtk/gtk.h>
// X11 after GTK; its macros are not used past this point.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/Encoding.h"
#include "core/FileUri.h"
#include "widgets/backend/Backend.h"

namespace widgets {

namespace {

// CSS cursor names for the 16 system cursors, in index order.
const char* const kCursorNames[16] = {
    "default",     "text",        "wait",      "crosshair", "default", "move",    "default",  "nwse-resize",
    "nesw-resize", "ew-resize",   "ns-resize", "move",      "not-allowed", "pointer", "progress", "help"};

UINT KeysFromState(guint state) {
  UINT keys = 0;
  if (state & GDK_BUTTON1_MASK) keys |= MK_LBUTTON;
  if (state & GDK_BUTTON2_MASK) keys |= MK_MBUTTON;
  if (state & GDK_BUTTON3_MASK) keys |= MK_RBUTTON;
  if (state & GDK_SHIFT_MASK) keys |= MK_SHIFT;
  if (state & GDK_CONTROL_MASK) keys |= MK_CONTROL;
  return keys;
}

constexpr unsigned kVkOemOther = 0xDF;  // VK_OEM_8

// Root position of the last pointer event (see TBackend::MessagePos).
bool gHaveEventPos = false;
TPoint gEventPos;

void NotePointer(double xRoot, double yRoot) {
  gHaveEventPos = true;
  gEventPos = {static_cast<int>(xRoot), static_cast<int>(yRoot)};
}

unsigned ButtonVk(guint button) { return button == 1 ? VK_LBUTTON : button == 3 ? VK_RBUTTON : VK_MBUTTON; }

class TGtkWindow : public TNativeWindow {
 public:
  TGtkWindow(TNativeEvents* events, const TNativeParams& params) : FEvents(events), FParams(params) {
    FWindow = gtk_window_new(params.Kind == TNativeKind::ToolTip ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(FWindow);
    GtkWindow* window = GTK_WINDOW(FWindow);
    gtk_window_set_decorated(window, params.Decorated);
    gtk_window_set_title(window, enc::Utf16ToUtf8(params.Caption).c_str());
    if (!params.ClassName.empty()) {
      std::string name = enc::Utf16ToUtf8(params.ClassName);
      gtk_widget_set_name(FWindow, name.c_str());
    }
    gtk_widget_set_app_paintable(FWindow, params.Rgba || params.Kind == TNativeKind::ToolTip);
    if (params.Rgba) {
      if (GdkVisual* visual = gdk_screen_get_rgba_visual(gtk_widget_get_screen(FWindow)))
        gtk_widget_set_visual(FWindow, visual);
    }
    if (params.Kind == TNativeKind::ToolTip) gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_TOOLTIP);
    SetToolWindow(params.ToolWindow);
    SetTopmost(params.Topmost);
    gtk_widget_add_events(FWindow, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                       GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK | GDK_KEY_PRESS_MASK |
                                       GDK_KEY_RELEASE_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_ENTER_NOTIFY_MASK |
                                       GDK_FOCUS_CHANGE_MASK | GDK_STRUCTURE_MASK);
    g_signal_connect(FWindow, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(FWindow, "button-press-event", G_CALLBACK(OnButton), this);
    g_signal_connect(FWindow, "button-release-event", G_CALLBACK(OnButton), this);
    g_signal_connect(FWindow, "scroll-event", G_CALLBACK(OnScroll), this);
    g_signal_connect(FWindow, "leave-notify-event", G_CALLBACK(OnLeave), this);
    g_signal_connect(FWindow, "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(FWindow, "key-release-event", G_CALLBACK(OnKey), this);
    g_signal_connect(FWindow, "focus", G_CALLBACK(OnFocusChild), this);
    g_signal_connect(FWindow, "focus-in-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(FWindow, "focus-out-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(FWindow, "configure-event", G_CALLBACK(OnConfigure), this);
    g_signal_connect(FWindow, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(FWindow, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(FWindow, "realize", G_CALLBACK(OnRealize), this);
    g_signal_connect(gtk_widget_get_screen(FWindow), "composited-changed", G_CALLBACK(OnCompositedChanged), this);
    SetBounds(params.X, params.Y, params.Width, params.Height);
  }

  ~TGtkWindow() override {
    g_signal_handlers_disconnect_by_data(gtk_widget_get_screen(FWindow), this);
    g_signal_handlers_disconnect_by_data(FWindow, this);
    gtk_widget_destroy(FWindow);
    g_object_unref(FWindow);
    if (FPicture) cairo_surface_destroy(FPicture);
    if (FTipLayout) g_object_unref(FTipLayout);
    for (GdkCursor* cursor : FCursors)
      if (cursor) g_object_unref(cursor);
  }

  void SetBounds(int x, int y, int width, int height) override {
    FBounds = {x, y, x + width, y + height};
    gtk_window_move(GTK_WINDOW(FWindow), x, y);
    gtk_window_set_default_size(GTK_WINDOW(FWindow), std::max(1, width), std::max(1, height));
    gtk_window_resize(GTK_WINDOW(FWindow), std::max(1, width), std::max(1, height));
  }

  void SetVisible(bool visible) override {
    if (visible) {
      // GTK gives a window shown without a focused widget its first
      // focusable one, the search edit's entry, which then took the keys
      // meant for the control the toolkit had focused (the station list).
      // Handing it back afterwards is too late when GTK still counts the
      // window as active (shown again before the focus-out of its hiding
      // arrived, or under the pointer without a window manager): the entry
      // has then heard a focus-in and the toolkit moved its focus to the
      // edit, so the window's next focus-in gave the entry the keys. The
      // first focusable widget is not looked for while the window shows.
      FShowing = true;
      gtk_widget_show(FWindow);
      FShowing = false;
      // Some window managers forget the position of a window mapped later.
      gtk_window_move(GTK_WINDOW(FWindow), FBounds.Left, FBounds.Top);
    } else {
      gtk_widget_hide(FWindow);
    }
  }

  void SetCaption(const std::u16string& caption) override {
    gtk_window_set_title(GTK_WINDOW(FWindow), enc::Utf16ToUtf8(caption).c_str());
  }

  void SetCursor(int index) override {
    if (index < 0 || index > 15 || index == FCursorIndex) return;
    FCursorIndex = index;
    if (!FCursors[index])
      FCursors[index] = gdk_cursor_new_from_name(gtk_widget_get_display(FWindow), kCursorNames[index]);
    if (GdkWindow* window = gtk_widget_get_window(FWindow)) gdk_window_set_cursor(window, FCursors[index]);
  }

  void SetEnabled(bool enabled) override { gtk_widget_set_sensitive(FWindow, enabled); }

  void SetTopmost(bool topmost) override { gtk_window_set_keep_above(GTK_WINDOW(FWindow), topmost); }

  void SetToolWindow(bool toolWindow) override {
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(FWindow), toolWindow);
    gtk_window_set_skip_pager_hint(GTK_WINDOW(FWindow), toolWindow);
  }

  void SetInputTransparent(bool transparent) override {
    FInputTransparent = transparent;
    ApplyInputShape();
  }

  void SetOpacity(std::uint8_t opacity) override {
    FOpacity = opacity;
    if (!FPicture) gtk_widget_set_opacity(FWindow, opacity / 255.0);
    gtk_widget_queue_draw(FWindow);
  }

  void Activate() override { gtk_window_present(GTK_WINDOW(FWindow)); }

  void BeginMoveDrag(int screenX, int screenY, DWORD time) override {
    gtk_window_begin_move_drag(GTK_WINDOW(FWindow), 1, screenX, screenY, time);
  }

  void Present(const std::uint8_t* pixels, int width, int height, int stride, std::uint8_t opacity) override {
    PresentRects(pixels, width, height, stride, opacity, {TRect{0, 0, width, height}});
  }

  void PresentRects(const std::uint8_t* pixels, int width, int height, int stride, std::uint8_t opacity,
                    const std::vector<TRect>& rects) override {
    // Kept from frame to frame: a frame allocates nothing for its list.
    std::vector<TRect>& changed = FChanged;
    changed.assign(rects.begin(), rects.end());
    if (!FPicture || cairo_image_surface_get_width(FPicture) != std::max(1, width) ||
        cairo_image_surface_get_height(FPicture) != std::max(1, height)) {
      if (FPicture) cairo_surface_destroy(FPicture);
      FPicture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, width), std::max(1, height));
      changed = {TRect{0, 0, width, height}};
    }
    if (opacity != FOpacity) changed = {TRect{0, 0, width, height}};
    FOpacity = opacity;
    cairo_surface_flush(FPicture);
    unsigned char* target = cairo_image_surface_get_data(FPicture);
    const int targetStride = cairo_image_surface_get_stride(FPicture);
    for (TRect& r : changed) {
      r = {std::max(0, r.Left), std::max(0, r.Top), std::min(width, r.Right), std::min(height, r.Bottom)};
      for (int y = r.Top; y < r.Bottom && r.Right > r.Left && pixels; ++y)
        std::memcpy(target + static_cast<size_t>(y) * targetStride + static_cast<size_t>(r.Left) * 4,
                    pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(r.Left) * 4,
                    static_cast<size_t>(r.Right - r.Left) * 4);
    }
    cairo_surface_mark_dirty(FPicture);
    // The outline is cut from the alpha channel; most pictures (a spectrum,
    // a sliding title) change only pixels inside it, and cutting it again
    // costs a region built from every pixel and a round trip to the server.
    if (OutlineChanged(pixels, width, height, stride, changed)) {
      if (!IsComposited())
        ApplyShape();
      else if (!FInputTransparent)
        ApplyInputShape();
    }
    DrawNow(changed);
  }

  void Invalidate() override { gtk_widget_queue_draw(FWindow); }

  bool IsComposited() const override { return gdk_screen_is_composited(gtk_widget_get_screen(FWindow)); }

  TPoint SetTipText(const std::u16string& text, int maxWidth, std::uint32_t back, std::uint32_t textColor) override {
    FTipBack = back;
    FTipColor = textColor;
    if (!FTipLayout) FTipLayout = gtk_widget_create_pango_layout(FWindow, nullptr);
    std::string utf8 = enc::Utf16ToUtf8(text);
    pango_layout_set_text(FTipLayout, utf8.c_str(), -1);
    pango_layout_set_wrap(FTipLayout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(FTipLayout, (maxWidth - 2 * kTipPadding) * PANGO_SCALE);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(FTipLayout, &w, &h);
    gtk_widget_queue_draw(FWindow);
    return {w + 2 * kTipPadding, h + 2 * kTipPadding};
  }

  void* NativeHandle() override { return FWindow; }

  void Minimize() override { gtk_window_iconify(GTK_WINDOW(FWindow)); }

  void SetIcon(int width, int height, const std::vector<std::uint32_t>& argb) override {
    if (width <= 0 || height <= 0 || argb.size() < static_cast<size_t>(width) * height) {
      gtk_window_set_icon(GTK_WINDOW(FWindow), nullptr);
      return;
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        std::uint32_t p = argb[static_cast<size_t>(y) * width + x];
        guchar* out = pixels + y * stride + x * 4;
        out[0] = static_cast<guchar>(p >> 16);
        out[1] = static_cast<guchar>(p >> 8);
        out[2] = static_cast<guchar>(p);
        out[3] = static_cast<guchar>(p >> 24);
      }
    gtk_window_set_icon(GTK_WINDOW(FWindow), pixbuf);
    g_object_unref(pixbuf);
  }

  std::unique_ptr<TNativeEdit> CreateEdit(TNativeEditEvents* events) override {
    return CreateGtkEdit(FWindow, events);
  }

  void SetAcceptFiles(bool accept) override {
    if (accept == FAcceptFiles) return;
    FAcceptFiles = accept;
    if (accept) {
      static const GtkTargetEntry uris[] = {{const_cast<gchar*>("text/uri-list"), 0, 0}};
      gtk_drag_dest_set(FWindow, GtkDestDefaults(GTK_DEST_DEFAULT_MOTION | GTK_DEST_DEFAULT_DROP), uris, 1,
                        GDK_ACTION_COPY);
      FDropHandler = g_signal_connect(FWindow, "drag-data-received", G_CALLBACK(OnDragData), this);
    } else {
      gtk_drag_dest_unset(FWindow);
      if (FDropHandler) g_signal_handler_disconnect(FWindow, FDropHandler);
      FDropHandler = 0;
    }
  }

 private:
  static constexpr int kTipPadding = 4;
  // What shows through a picture's translucent pixels without a compositor.
  static constexpr std::uint32_t kBackdrop = 0x191919;

  // Whether the outline of the picture (its pixels of at least half
  // alpha, which is what GDK cuts a region from) differs inside `rects`
  // from the last one presented, which it then remembers.
  bool OutlineChanged(const std::uint8_t* pixels, int width, int height, int stride, const std::vector<TRect>& rects) {
    bool changed = false;
    if (width != FOutlineWidth || height != FOutlineHeight) {
      FOutlineWidth = width;
      FOutlineHeight = height;
      FOutline.assign(static_cast<size_t>(std::max(0, width)) * static_cast<size_t>(std::max(0, height)), 0);
      changed = true;
    }
    for (const TRect& r : rects) {
      for (int y = r.Top; y < r.Bottom && pixels; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(pixels + static_cast<size_t>(y) * stride);
        std::uint8_t* known = FOutline.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = r.Left; x < r.Right; ++x) {
          auto inside = static_cast<std::uint8_t>(row[x] >> 31);
          if (known[x] != inside) {
            known[x] = inside;
            changed = true;
          }
        }
      }
    }
    return changed;
  }

  // Draws the changed part of the picture on the window at once, outside
  // GTK's frame cycle: a frame of the clock asks the X server whether a
  // window manager runs (each frame again when none does) and wakes the
  // program once more per frame. A window not on screen gets its picture
  // from the draw signal when it shows.
  void DrawNow(const std::vector<TRect>& rects) {
    GdkWindow* window = gtk_widget_get_window(FWindow);
    if (!window || !gtk_widget_get_mapped(FWindow) || !gdk_window_is_viewable(window) || rects.empty()) return;
    // An opaque picture goes straight to the X window; a fading one (the
    // window's opacity applies to every pixel) through GDK.
    if (FOpacity == 255 && FPresenter.Put(window, cairo_image_surface_get_data(FPicture),
                                          cairo_image_surface_get_stride(FPicture), !IsComposited(), kBackdrop, rects))
      return;
    cairo_region_t* region = cairo_region_create();
    for (const TRect& r : rects) {
      const cairo_rectangle_int_t area{r.Left, r.Top, r.Width(), r.Height()};
      if (area.width > 0 && area.height > 0) cairo_region_union_rectangle(region, &area);
    }
    if (!cairo_region_is_empty(region)) {
      GdkDrawingContext* context = gdk_window_begin_draw_frame(window, region);
      PaintPicture(gdk_drawing_context_get_cairo_context(context));
      gdk_window_end_draw_frame(window, context);
    }
    cairo_region_destroy(region);
  }

  void ApplyShape() {
    if (!FPicture || !gtk_widget_get_realized(FWindow)) return;
    cairo_region_t* region = gdk_cairo_region_create_from_surface(FPicture);
    gtk_widget_shape_combine_region(FWindow, region);
    cairo_region_destroy(region);
    // GDK hands a new shape to the server only when it next paints the
    // window, and the pictures reach the window without GDK (DrawNow): a
    // paint of one pixel makes the outline follow now. Without it a panel
    // that slid away stayed on screen as a dark face until an exposure.
    if (GdkWindow* window = gtk_widget_get_window(FWindow)) {
      const GdkRectangle pixel{0, 0, 1, 1};
      gdk_window_invalidate_rect(window, &pixel, FALSE);
    }
  }

  void ApplyInputShape() {
    if (!gtk_widget_get_realized(FWindow)) return;  // realize applies it
    if (FInputTransparent) {
      cairo_region_t* empty = cairo_region_create();
      gtk_widget_input_shape_combine_region(FWindow, empty);
      cairo_region_destroy(empty);
    } else if (FPicture && IsComposited()) {
      // Fully transparent pixels of a layered window let clicks through to
      // what lies below, as the drawn outline suggests. Without a compositor
      // the window shape already cuts both outline and input.
      cairo_region_t* region = gdk_cairo_region_create_from_surface(FPicture);
      gtk_widget_input_shape_combine_region(FWindow, region);
      cairo_region_destroy(region);
    } else {
      gtk_widget_input_shape_combine_region(FWindow, nullptr);
    }
  }

  static void OnRealize(GtkWidget*, TGtkWindow* self) {
    self->ApplyInputShape();
    // A picture presented before the window existed still needs its outline.
    if (!self->IsComposited()) self->ApplyShape();
    if (self->FCursorIndex >= 0) {
      int index = self->FCursorIndex;
      self->FCursorIndex = -1;
      self->SetCursor(index);
    }
  }

  static void OnCompositedChanged(GdkScreen*, TGtkWindow* self) {
    if (self->IsComposited())
      gtk_widget_shape_combine_region(self->FWindow, nullptr);
    else
      self->ApplyShape();
    self->ApplyInputShape();
    gtk_widget_queue_draw(self->FWindow);
  }

  // Events of embedded GTK widgets (a web view) belong to them.
  bool Foreign(GdkWindow* window) const { return window != gtk_widget_get_window(FWindow); }

  static gboolean OnMotion(GtkWidget*, GdkEventMotion* e, TGtkWindow* self) {
    if (self->Foreign(e->window)) return FALSE;
    NoteGdkState(e->state);
    NotePointer(e->x_root, e->y_root);
    self->FEvents->NativeMouseMove(static_cast<int>(e->x), static_cast<int>(e->y), KeysFromState(e->state), e->time);
    return TRUE;
  }

  static gboolean OnButton(GtkWidget*, GdkEventButton* e, TGtkWindow* self) {
    // Double-clicks are recognised by the toolkit from the plain presses.
    if (self->Foreign(e->window)) return FALSE;
    if (e->type != GDK_BUTTON_PRESS && e->type != GDK_BUTTON_RELEASE) return TRUE;
    if (e->button < 1 || e->button > 3) return FALSE;
    NoteGdkState(e->state);
    NotePointer(e->x_root, e->y_root);
    bool down = e->type == GDK_BUTTON_PRESS;
    SetKeyDown(ButtonVk(e->button), down);
    self->FEvents->NativeButton(static_cast<int>(e->button), down, static_cast<int>(e->x), static_cast<int>(e->y),
                                KeysFromState(e->state), e->time);
    return TRUE;
  }

  static gboolean OnScroll(GtkWidget*, GdkEventScroll* e, TGtkWindow* self) {
    if (self->Foreign(e->window)) return FALSE;
    int delta = 0;
    if (e->direction == GDK_SCROLL_UP) delta = 120;
    if (e->direction == GDK_SCROLL_DOWN) delta = -120;
    if (e->direction == GDK_SCROLL_SMOOTH) delta = static_cast<int>(-e->delta_y * 120);
    if (delta == 0) return TRUE;
    NoteGdkState(e->state);
    NotePointer(e->x_root, e->y_root);
    self->FEvents->NativeWheel(delta, static_cast<int>(e->x), static_cast<int>(e->y), KeysFromState(e->state));
    return TRUE;
  }

  static gboolean OnLeave(GtkWidget*, GdkEventCrossing* e, TGtkWindow* self) {
    // Leaving by a pointer grab (a window drag, a menu) is no leave.
    // Leaving into a child GDK window (the search edit's entry) is one for
    // the painted controls, and so is a modal dialog's GTK grab: the window
    // hears no motion while the pointer is over the entry or the dialog
    // holds it, so the control it came from would keep its hover look and
    // its tip.
    if (e->mode != GDK_CROSSING_NORMAL && e->mode != GDK_CROSSING_GTK_GRAB) return FALSE;
    self->FEvents->NativeLeave();
    return FALSE;
  }

  static gboolean OnKey(GtkWidget*, GdkEventKey* e, TGtkWindow* self) {
    // An embedded widget with the keyboard focus types for itself.
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(self->FWindow));
    if (focus && focus != self->FWindow) return FALSE;
    bool down = e->type == GDK_KEY_PRESS;
    unsigned vk = KeyvalToVirtualKey(e->keyval);
    // Letters of other layouts (ç, ş, ö ...) still type their character.
    if (vk == 0 && gdk_keyval_to_unicode(e->keyval) >= 0x20) vk = kVkOemOther;
    if (vk == 0) return FALSE;
    NoteGdkState(e->state);
    SetKeyDown(vk, down);
    char16_t ch = 0;
    if (down) {
      gunichar c = gdk_keyval_to_unicode(e->keyval);
      if ((e->state & GDK_CONTROL_MASK) && vk >= 'A' && vk <= 'Z') c = vk - 'A' + 1;
      if (vk == VK_RETURN) c = '\r';
      if (vk == VK_ESCAPE) c = 0x1B;
      if (vk == VK_BACK) c = 8;
      if (vk == VK_TAB) c = '\t';
      if (c < 0x10000) ch = static_cast<char16_t>(c);
    }
    self->FEvents->NativeKey(down, vk, ch, e->state & GDK_MOD1_MASK);
    return TRUE;
  }

  // TRUE stops GTK from walking the children for one to focus.
  static gboolean OnFocusChild(GtkWidget*, GtkDirectionType, TGtkWindow* self) { return self->FShowing; }

  static gboolean OnFocus(GtkWidget*, GdkEventFocus* e, TGtkWindow* self) {
    self->FEvents->NativeFocus(e->in);
    return FALSE;
  }

  static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* e, TGtkWindow* self) {
    int x = e->x, y = e->y;
    gtk_window_get_position(GTK_WINDOW(self->FWindow), &x, &y);
    self->FBounds = {x, y, x + e->width, y + e->height};
    self->FEvents->NativeConfigure(x, y, e->width, e->height);
    return FALSE;
  }

  static gboolean OnDelete(GtkWidget*, GdkEvent*, TGtkWindow* self) {
    // The toolkit decides (WM_CLOSE); GTK must not destroy the window.
    self->FEvents->NativeCloseRequest();
    return TRUE;
  }

  static gboolean OnDraw(GtkWidget*, cairo_t* cr, TGtkWindow* self) { return self->Draw(cr); }

  static void OnDragData(GtkWidget*, GdkDragContext* context, gint x, gint y, GtkSelectionData* data, guint,
                         guint time, TGtkWindow* self) {
    std::vector<std::string> paths;
    if (gchar** uris = gtk_selection_data_get_uris(data)) {
      for (gchar** uri = uris; *uri; ++uri) {
        // Only local files: a dropped web address is not a file, nor is
        // one on another host.
        if (std::string path = core::LocalPathOfFileUri(*uri); !path.empty()) paths.push_back(std::move(path));
      }
      g_strfreev(uris);
    }
    gtk_drag_finish(context, !paths.empty(), FALSE, time);
    if (!paths.empty()) self->FEvents->NativeDropFiles(paths, x, y);
  }

  gboolean Draw(cairo_t* cr) {
    if (FParams.Kind == TNativeKind::ToolTip && FTipLayout) {
      SetSourceArgb(cr, FTipBack);
      cairo_paint(cr);
      SetSourceArgb(cr, FTipColor);
      cairo_move_to(cr, kTipPadding, kTipPadding);
      pango_cairo_show_layout(cr, FTipLayout);
      return TRUE;
    }
    if (FPicture) {
      PaintPicture(cr);
      return TRUE;
    }
    // The theme's window background, as the class brush would paint it;
    // WM_PAINT may paint over it.
    if (!FParams.Rgba)
      gtk_render_background(gtk_widget_get_style_context(FWindow), cr, 0, 0, gtk_widget_get_allocated_width(FWindow),
                            gtk_widget_get_allocated_height(FWindow));
    FEvents->NativePaint(cr);
    if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(FWindow)))
      gtk_container_propagate_draw(GTK_CONTAINER(FWindow), child, cr);
    return TRUE;
  }

  void PaintPicture(cairo_t* cr) {
    cairo_save(cr);
    if (IsComposited()) {
      cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
      if (FOpacity < 255) {
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
      }
      cairo_set_source_surface(cr, FPicture, 0, 0);
      cairo_paint_with_alpha(cr, FOpacity / 255.0);
    } else {
      // No compositor: alpha cannot reach the screen. Paint opaque over a
      // dark backdrop; the window shape cuts the outline.
      cairo_set_source_rgb(cr, ((kBackdrop >> 16) & 0xFF) / 255.0, ((kBackdrop >> 8) & 0xFF) / 255.0,
                           (kBackdrop & 0xFF) / 255.0);
      cairo_paint(cr);
      cairo_set_source_surface(cr, FPicture, 0, 0);
      cairo_paint(cr);
    }
    cairo_restore(cr);
  }

  static void SetSourceArgb(cairo_t* cr, std::uint32_t argb) {
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          ((argb >> 24) & 0xFF) / 255.0);
  }

  TNativeEvents* FEvents;
  TNativeParams FParams;
  GtkWidget* FWindow;
  TRect FBounds;
  cairo_surface_t* FPicture = nullptr;
  TXPresenter FPresenter;
  std::vector<TRect> FChanged;
  std::uint8_t FOpacity = 255;
  // The alpha of the last picture, for OutlineChanged.
  std::vector<std::uint8_t> FOutline;
  int FOutlineWidth = -1, FOutlineHeight = -1;
  bool FInputTransparent = false;
  bool FShowing = false;
  bool FAcceptFiles = false;
  gulong FDropHandler = 0;
  int FCursorIndex = -1;
  GdkCursor* FCursors[16] = {};
  PangoLayout* FTipLayout = nullptr;
  std::uint32_t FTipBack = 0xFFFFFFE1;
  std::uint32_t FTipColor = 0xFF000000;
};

class TGtkBackend : public TBackend {
 public:
  std::unique_ptr<TNativeWindow> CreateNativeWindow(TNativeEvents* events, const TNativeParams& params) override {
    return std::make_unique<TGtkWindow>(events, params);
  }

  TPoint CursorPos() override {
    GdkDisplay* display = gdk_display_get_default();
    GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
    GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
    int x = 0, y = 0;
    if (pointer) gdk_device_get_position(pointer, nullptr, &x, &y);
    return {x, y};
  }

  TPoint MessagePos() override { return gHaveEventPos ? gEventPos : CursorPos(); }

  TRect ScreenRect() override {
    GdkRectangle r{0, 0, 0, 0};
    if (GdkMonitor* monitor = Primary()) gdk_monitor_get_geometry(monitor, &r);
    return {r.x, r.y, r.x + r.width, r.y + r.height};
  }

  TRect WorkArea() override {
    GdkRectangle r{0, 0, 0, 0};
    if (GdkMonitor* monitor = Primary()) gdk_monitor_get_workarea(monitor, &r);
    return {r.x, r.y, r.x + r.width, r.y + r.height};
  }

  UINT DoubleClickTime() override {
    gint ms = 400;
    if (GtkSettings* settings = gtk_settings_get_default()) g_object_get(settings, "gtk-double-click-time", &ms, nullptr);
    return static_cast<UINT>(ms);
  }

  UINT CaretBlinkTime() override {
    // GTK's setting is a whole on-off cycle; the caret changes phase twice in it.
    gint ms = 1200;
    if (GtkSettings* settings = gtk_settings_get_default())
      g_object_get(settings, "gtk-cursor-blink-time", &ms, nullptr);
    return static_cast<UINT>(std::max(ms / 2, 100));
  }

  int DoubleClickDistance() override {
    gint px = 5;
    if (GtkSettings* settings = gtk_settings_get_default())
      g_object_get(settings, "gtk-double-click-distance", &px, nullptr);
    return px;
  }

  void Beep() override {
    if (GdkDisplay* display = gdk_display_get_default()) gdk_display_beep(display);
  }

  UINT TrackMenu(std::uintptr_t menu, int x, int y) override { return GtkTrackMenu(menu, x, y); }

  bool KeyDownNow(unsigned vk) override {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return TBackend::KeyDownNow(vk);
    Display* x = GDK_DISPLAY_XDISPLAY(display);
    if (vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON) {
      ::Window root, child;
      int rx, ry, wx, wy;
      unsigned mask = 0;
      XQueryPointer(x, DefaultRootWindow(x), &root, &child, &rx, &ry, &wx, &wy, &mask);
      unsigned bit = vk == VK_LBUTTON ? Button1Mask : vk == VK_RBUTTON ? Button3Mask : Button2Mask;
      return mask & bit;
    }
    char keys[32];
    XQueryKeymap(x, keys);
    for (unsigned keyval : VirtualKeyToKeyvals(vk)) {
      KeyCode code = XKeysymToKeycode(x, keyval);
      if (code && (keys[code / 8] & (1 << (code % 8)))) return true;
    }
    return false;
  }

 private:
  static GdkMonitor* Primary() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return nullptr;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
    return monitor;
  }
};

}  // namespace

void NoteGdkState(guint state) {
  SetKeyDown(VK_LBUTTON, state & GDK_BUTTON1_MASK);
  SetKeyDown(VK_MBUTTON, state & GDK_BUTTON2_MASK);
  SetKeyDown(VK_RBUTTON, state & GDK_BUTTON3_MASK);
  SetKeyDown(VK_SHIFT, state & GDK_SHIFT_MASK);
  SetKeyDown(VK_CONTROL, state & GDK_CONTROL_MASK);
  SetKeyDown(VK_MENU, state & GDK_MOD1_MASK);
}

bool UseGtkBackend(int* argc, char*** argv) {
  static bool initialised = false;
  if (!initialised) {
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(argc, argv)) return false;
    initialised = true;
  }
  InitMessages();
  if (!dynamic_cast<TGtkBackend*>(&Backend())) SetBackend(std::make_unique<TGtkBackend>());
  WatchModifierPresses();
  return true;
}

}  // namespace widgets
