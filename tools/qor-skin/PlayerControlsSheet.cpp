#include "tools/qor-skin/PlayerControlsSheet.h"

#include "tools/qor-skin/SheetLayout.h"
#include "tools/qor-skin/ToneSpectrum.h"
#include "ui/controls/AnimatedButtonEx.h"
#include "ui/controls/DisplayContainerEx.h"
#include "ui/controls/Edit.h"
#include "ui/controls/MarqueeLabelEx.h"
#include "ui/controls/ThrobberEx.h"
#include "ui/controls/Visualization.h"
#include "ui/controls/VolumeControl.h"
#include "ui/listbox/ListBoxSample.h"
#include "ui/listbox/PlayListBoxEx.h"
#include "ui/listbox/PlayListContent.h"
#include "widgets/paint/WindowEx.h"

#include <glib.h>

#include <string>

using namespace core;
using namespace widgets;

namespace qorskin {

namespace {

constexpr std::uint32_t kPanel = 0xFF202020;
constexpr char16_t kLongTitle[] = u"Radyo Kelvarin  -  Sezen Aksu - Gülümse (canlı kayıt, 1991)";

std::u16string Number(int value) {
  std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

void StyleMarquee(ui::TMarqueeLabelEx& marquee) {
  marquee.Font().SetName("Arial");
  marquee.Font().SetSize(8);
  marquee.Font().SetStyle(FontStyleBold);
  marquee.Font().SetColor(0xEFFFFFFF);
  marquee.Canvas().SetAntialias(false);
}

// A marquee of the player's title line, stepped `ticks` times after its
// start delay has passed.
void Marquee(TSheet& sheet, const std::u16string& caption, const std::u16string& text, int ticks) {
  ShowControls(sheet, 220, 24, caption, [&](TWindowEx& window) {
    auto* marquee = new ui::TMarqueeLabelEx(&window);
    DWORD now = 0;
    marquee->TickCount = [&now] { return now; };
    StyleMarquee(*marquee);
    marquee->SetCaption(text);
    PlaceControl(*marquee, window, 6, 4, 208, 16);
    marquee->Reset(0);
    now += 2001;
    for (int i = 0; i < ticks; ++i) marquee->Tick();
    marquee->TickCount = GetTickCount;
  }, kPanel, 2);
}

void Marquees(TSheet& sheet) {
  sheet.Heading(u"Marquee label: still for 2 s after each new caption, then one pixel per tick, fades at both ends");
  Marquee(sheet, u"caption that fits: still, no fades", u"Radyo Kelvarin - Haberler", 40);
  Marquee(sheet, u"long caption at rest (start delay)", kLongTitle, 0);
  Marquee(sheet, u"mid-slide, 60 ticks: both fades", kLongTitle, 60);
  // Text 100 px too wide would turn at -120; this one turns at its own end.
  Marquee(sheet, u"at the left turn (margin 20 inside)", kLongTitle, 1000);
}

void Volumes(TSheet& sheet) {
  sheet.Heading(u"Volume control: collapsed speaker (20 px) and expanded bar (175 px) with the read-out");
  for (int volume : {0, 50, 100})
    ShowControls(sheet, 28, 28, u"%" + Number(volume), [&](TWindowEx& window) {
      auto* control = new ui::TVolumeControl(&window);
      PlaceControl(*control, window, 4, 4, 20, 20);
      control->SetVolume(volume);
    }, kPanel);
  ShowControls(sheet, 28, 28, u"muted", [&](TWindowEx& window) {
    auto* control = new ui::TVolumeControl(&window);
    PlaceControl(*control, window, 4, 4, 20, 20);
    control->SetMuted(1);
  }, kPanel);
  for (int volume : {0, 50, 100})
    ShowControls(sheet, 183, 28, u"expanded at " + Number(volume), [&](TWindowEx& window) {
      auto* control = new ui::TVolumeControl(&window);
      PlaceControl(*control, window, 4, 4, 20, 20);
      control->Expand();
      control->SetVolume(volume);
    }, kPanel);
  ShowControls(sheet, 183, 28, u"expanded, muted, at 30", [&](TWindowEx& window) {
    auto* control = new ui::TVolumeControl(&window);
    PlaceControl(*control, window, 4, 4, 20, 20);
    control->Expand();
    control->SetMuted(1);
    control->SetVolume(30);
  }, kPanel);
}

void Throbbers(TSheet& sheet) {
  sheet.Heading(u"Throbber: the 18 cells of strip 5003, one per step");
  const int cell = ui::TThrobberEx::CellSize + 6;
  ShowControls(sheet, cell * ui::TThrobberEx::FrameCount + 6, cell + 6, u"frames 0 to 17 (at 2x)", [&](TWindowEx& window) {
    for (int frame = 0; frame < ui::TThrobberEx::FrameCount; ++frame) {
      auto* throbber = new ui::TThrobberEx(&window);
      PlaceControl(*throbber, window, 6 + frame * cell, 6, 18, 18);
      throbber->SetImage(5003);
      throbber->SetFrame(frame);
    }
  }, kPanel, 2);
}

void Buttons(TSheet& sheet) {
  sheet.Heading(u"Animated buttons: the glow fades in twice as fast as it fades out; pressed shows it in full");
  struct TLook {
    const char16_t* Name;
    int Ticks;  // fade steps in (20 each)
    bool Pressed;
  };
  const TLook looks[] = {{u"normal", 0, false}, {u"hot, fading in", 4, false}, {u"hot", 13, false},
                         {u"pressed", 0, true}};
  for (int id : {2001, 2002, 2008, 2010}) {
    for (const auto& look : looks) {
      ShowControls(sheet, 84, 36, Number(id) + u" " + look.Name, [&](TWindowEx& window) {
        auto* button = new ui::TAnimatedButtonEx(&window);
        PlaceControl(*button, window, 32, 8, 20, 20);
        button->SetImage(id);
        button->Perform(CM_MOUSEENTER);
        for (int i = 0; i < look.Ticks; ++i) button->Tick();
        if (look.Pressed) button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      }, kPanel);
      ReleaseCapture();
    }
  }
}

void Edits(TSheet& sheet) {
  sheet.Heading(u"Search edit: placeholder in grey italics, typed text with selection and the fading caret");
  auto build = [](TWindowEx& window, bool placeholder) {
    auto* edit = new ui::TEdit(&window);
    edit->Font().SetName("Tahoma");
    edit->Font().SetSize(8);
    edit->Font().SetColor(placeholder ? 0xFFC0C0C0 : 0xFFFFFFFF);
    edit->Font().SetStyle(placeholder ? FontStyleItalic : FontStyleRegular);
    edit->SetColor(kPanel);
    edit->SetCaretColour(0xFFFFFFFF);
    PlaceControl(*edit, window, 22, 6, 85, 15);
    edit->SetCaption(placeholder ? u"Radyo Ara" : u"kral fm");
    if (!placeholder) {
      edit->SetFocus();
      edit->SetSelection(5, 7);
    }
  };
  for (bool placeholder : {true, false})
    ShowControls(sheet, 112, 27, placeholder ? u"empty, unfocused" : u"typing, \"fm\" selected",
                 [&](TWindowEx& window) {
                   auto* icon = new TImageEx(&window);
                   PlaceControl(*icon, window, 4, 6, 14, 14);
                   icon->SetImageId(2014);
                   build(window, placeholder);
                 }, kPanel);
  SetFocus(0);
}

// A banner picture made here: a dark gradient with the station's name.
std::string BannerPicture(int w, int h) {
  TCanvasEx canvas(w, h);
  cairo_t* cr = canvas.Context();
  cairo_pattern_t* ground = cairo_pattern_create_linear(0, 0, w, h);
  cairo_pattern_add_color_stop_rgb(ground, 0, 0.93, 0.44, 0.12);
  cairo_pattern_add_color_stop_rgb(ground, 1, 0.25, 0.08, 0.02);
  cairo_set_source(cr, ground);
  cairo_paint(cr);
  cairo_pattern_destroy(ground);
  canvas.Font().SetName("Arial");
  canvas.Font().SetSize(16);
  canvas.Font().SetStyle(FontStyleBold);
  canvas.Font().SetColor(0xFFFFFFFF);
  canvas.TextOut(14, 14, u"Kelvarin FM");
  canvas.Font().SetSize(9);
  canvas.Font().SetStyle(FontStyleRegular);
  canvas.TextOut(14, 42, u"Her gün yeni şarkılar");
  std::string bytes;
  canvas.Bitmap().Flush();
  cairo_surface_write_to_png_stream(
      canvas.Bitmap().Surface(),
      [](void* closure, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
      },
      &bytes);
  gchar* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string base64(text);
  g_free(text);
  return base64;
}

void Banner(TSheet& sheet) {
  sheet.Heading(u"Banner panel: picture from the Base64 text (opens the link), its text sliding along the bottom");
  ShowControls(sheet, 290, 100, u"banner, text mid-slide with the panel-coloured fades", [&](TWindowEx& window) {
    auto* panel = new ui::TDisplayContainerEx(&window);
    PlaceControl(*panel, window, 0, 0, 290, 100);
    panel->SetBanner({u"Kelvarin FM'de bu hafta: canlı konserler, yeni albümler ve dinleyici istekleri",
                      u"https://kelvarin.example/", BannerPicture(290, 100)});
    ui::TMarqueeLabelEx& marquee = *panel->Marquee();
    DWORD now = 0;
    marquee.TickCount = [&now] { return now; };
    marquee.Reset(0);
    now += 2001;
    for (int i = 0; i < 90; ++i) marquee.Tick();
    marquee.TickCount = GetTickCount;
  }, kPanel);
}

void Spectrum(TSheet& sheet) {
  sheet.Heading(u"Spectrum: 256-point FFT of 44.1 kHz audio; column 0 shows bin 20 (3.4 kHz); bars fall 1 px per frame");
  struct TTone {
    const char16_t* Caption;
    ToneShape Shape;
    int Frames;  // frames of silence after the tone (falling bars)
  };
  const TTone tones[] = {{u"440 Hz sine: below the shown bins", ToneShape::Sine, 0},
                         {u"440 Hz sawtooth: its harmonics", ToneShape::Sawtooth, 0},
                         {u"sawtooth, then 6 silent frames", ToneShape::Sawtooth, 6}};
  for (const auto& tone : tones) {
    std::vector<float> block = ToneSpectrum(440, tone.Shape, 0.2f);
    ShowControls(sheet, 173, 48, tone.Caption, [&](TWindowEx& window) {
      auto* bars = new ui::TVisualization(&window);
      PlaceControl(*bars, window, 4, 4, 165, 40);
      bars->SetSpectrum(block.data(), block.size());
      bars->Paint();
      std::vector<float> silence(ui::TVisualization::SpectrumSize, 0.0f);
      for (int i = 0; i < tone.Frames; ++i) {
        bars->SetSpectrum(silence.data());
        bars->Paint();
      }
    }, kPanel, 2);
    ShowControls(sheet, 28, 27, u"20 x 19 at 4x", [&](TWindowEx& window) {
      auto* bars = new ui::TVisualization(&window);
      PlaceControl(*bars, window, 4, 4, 20, 19);
      bars->SetSpectrum(block.data(), block.size());
    }, kPanel, 4);
  }
}

void ListBox(TSheet& sheet) {
  sheet.Heading(u"Station list box: 25 entries scrolled to row 10, ticked, selected, playing and local-file rows");
  const int rows = 10;
  ShowControls(sheet, 290, rows * 15 + 38, u"list panel with the box, its check boxes and thumb", [&](TWindowEx& window) {
    auto* content = new ui::TPlayListContent(&window);
    content->SetColour(kPanel);
    PlaceControl(*content, window, 0, 0, 290, rows * 15 + 38);
    auto* box = new ui::TPlayListBoxEx(&window);
    box->SetParent(content);
    box->SetBounds(50, 12, 218, rows * 15);
    box->SetVisibleRows(rows);
    box->SetShowCheckBoxes(true);
    box->SetVisible(true);
    ui::FillListBoxSample(*box);
  }, kPanel);
}

}  // namespace

std::unique_ptr<TBitmapEx> RenderPlayerControlsSheet() {
  TSheet sheet(1180, 1600);
  Marquees(sheet);
  Volumes(sheet);
  Throbbers(sheet);
  Buttons(sheet);
  Edits(sheet);
  Spectrum(sheet);
  Banner(sheet);
  ListBox(sheet);
  return sheet.Finish();
}

}  // namespace qorskin
