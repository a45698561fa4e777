// The search edit on the offscreen backend, where the in-memory entry
// stands in for the system's: text and change notices, editing keys and
// clipboard, the fading caret and the picture.
#include "ControlsFixture.h"

#include "ui/controls/Edit.h"

#include <string>

using namespace testcontrols;
using namespace widgets;

namespace {

class EditTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    Edit.TickCount = [this] { return Now; };
    Edit.Font().SetName("Tahoma");
    Edit.Font().SetSize(8);
    Edit.Font().SetColor(0xFFFFFFFF);
    Edit.SetColor(0xFF202020);
    Edit.SetCaretColour(0xFFFFFFFF);
    Place(Edit, 16, 40, 85, 15);
    Edit.OnChange = [this](core::TObject*) { ++Changes; };
    ASSERT_FALSE(Edit.SystemEntry());
  }
  void Type(const std::u16string& text) {
    for (char16_t ch : text) {
      unsigned vk = (ch >= u'a' && ch <= u'z') ? unsigned(ch - u'a' + 'A') : 0xDF;
      Native->KeyDown(vk, ch);
      Native->KeyUp(vk);
    }
  }
  void Key(unsigned vk, bool shift = false, bool ctrl = false) {
    Native->SetModifiers(shift, ctrl, false);
    Native->KeyDown(vk, ctrl && vk >= 'A' && vk <= 'Z' ? char16_t(vk - 'A' + 1) : 0);
    Native->KeyUp(vk);
    Native->SetModifiers(false, false, false);
  }
  // Alpha of the caret column's middle pixel on the window (white caret
  // over the dark box: its red channel rises with the caret's alpha).
  std::uint32_t CaretRed() {
    Redraw();
    TEditCaret caret = Edit.NativeEdit()->Caret();
    return Red(Window.Canvas().Bitmap().Pixel(16 + caret.X, 40 + caret.Y + Edit.CaretHeight() / 2));
  }

  core::DWORD Now = 1000;
  int Changes = 0;
  ui::TEdit Edit{&Window};
};

TEST_F(EditTest, TypingFiresOneChangePerEditAndThePlaceholderNone) {
  Edit.SetNotifyChanges(false);
  Edit.SetCaption(u"Radyo Ara");
  Edit.SetNotifyChanges(true);
  EXPECT_EQ(Changes, 0) << "the placeholder written with notices off";
  Edit.SetCaption(u"");
  EXPECT_EQ(Changes, 1);
  Native->Click(30, 47);
  EXPECT_TRUE(Edit.Focused());
  EXPECT_TRUE(Edit.HasFocus());
  Type(u"kral");
  EXPECT_EQ(Edit.Caption(), u"kral");
  EXPECT_EQ(Changes, 5);
  Key(VK_BACK);
  EXPECT_EQ(Edit.Caption(), u"kra");
  EXPECT_EQ(Changes, 6);
  Key(VK_LEFT);
  Key(VK_DELETE);
  EXPECT_EQ(Edit.Caption(), u"kr");
  Key(VK_RIGHT);  // at the end already: no change, no notice
  Key(VK_DELETE);
  EXPECT_EQ(Changes, 7);
}

TEST_F(EditTest, SelectionAndClipboardKeys) {
  Edit.SetFocus();
  Type(u"radyo");
  Key(VK_LEFT, true);
  Key(VK_LEFT, true);
  EXPECT_EQ(Edit.SelStart(), 3);
  EXPECT_EQ(Edit.SelLength(), 2);
  Type(u"io");
  EXPECT_EQ(Edit.Caption(), u"radio");
  Key('A', false, true);
  EXPECT_EQ(Edit.SelLength(), 5);
  Key('C', false, true);
  Key(VK_END);
  Key('V', false, true);
  EXPECT_EQ(Edit.Caption(), u"radioradio");
  Key(VK_HOME);
  Key(VK_RIGHT, true);
  Key('X', false, true);
  EXPECT_EQ(Edit.Caption(), u"adioradio");
  Key(VK_END);
  Key('V', false, true);
  EXPECT_EQ(Edit.Caption(), u"adioradior");
}

TEST_F(EditTest, KeysTheOwnerTakesDoNotReachTheText) {
  Edit.OnKeyDown = [](core::TObject*, std::uint16_t& key, TShiftState) {
    if (key == VK_BACK) key = 0;
  };
  Edit.OnChar = [](core::TObject*, char16_t& ch) {
    if (ch == u'x') ch = 0;
  };
  Edit.SetFocus();
  Type(u"axb");
  Key(VK_BACK);
  EXPECT_EQ(Edit.Caption(), u"ab");
}

TEST_F(EditTest, CaretFadesInOnFocusAndIsGoneAfterLosingIt) {
  const std::uint32_t background = Red(0xFF202020);
  Edit.SetFocus();
  Redraw();
  Edit.SetFocus();
  widgets::SetFocus(0);
  EXPECT_FALSE(Edit.HasFocus());
  EXPECT_EQ(CaretRed(), background) << "no caret without focus";
  Edit.SetFocus();  // repaints: the first step of the fade
  std::vector<int> alphas{Edit.CaretAlpha()};
  for (int i = 0; i < 3; ++i) {
    CaretRed();
    alphas.push_back(Edit.CaretAlpha());
  }
  EXPECT_EQ(alphas, (std::vector<int>{80, 160, 240, 255}));
  EXPECT_GT(CaretRed(), 0xF0u) << "a solid white caret";
  // After the blink period it fades out by 40 per redraw, and back in.
  Now += 530;
  CaretRed();  // the phase turns after this redraw
  EXPECT_FALSE(Edit.CaretPhase());
  CaretRed();
  EXPECT_EQ(Edit.CaretAlpha(), 215);
  Now += 100;
  Type(u"a");  // typing makes it solid again
  EXPECT_TRUE(Edit.CaretPhase());
  CaretRed();
  EXPECT_EQ(Edit.CaretAlpha(), 255);
  widgets::SetFocus(0);
  EXPECT_EQ(CaretRed(), background) << "gone at the next redraw";
}

TEST_F(EditTest, DrawsTextOnAnOpaqueBoxIntoTheWindow) {
  Edit.SetCaption(u"Radyo");
  Redraw();
  const TBitmapEx& picture = Window.Canvas().Bitmap();
  int light = 0;
  for (int y = 40; y < 55; ++y)
    for (int x = 16; x < 101; ++x) {
      std::uint32_t p = picture.Pixel(x, y);
      ASSERT_EQ(Alpha(p), 255u) << x << "," << y;
      light += Red(p) > 0xC0;
    }
  EXPECT_GT(light, 20) << "white letters";
  EXPECT_EQ(picture.Pixel(15, 45), 0u) << "nothing outside the box";
  // The grey italic placeholder, as the player window writes it.
  Edit.Font().SetColor(0xFFC0C0C0);
  Edit.Font().SetStyle(FontStyleItalic);
  Edit.SetCaption(u"Radyo Ara");
  Redraw();
  int white = 0, grey = 0;
  for (int y = 40; y < 55; ++y)
    for (int x = 16; x < 101; ++x) {
      std::uint32_t p = picture.Pixel(x, y);
      white += Red(p) > 0xD0;
      grey += Red(p) > 0x90 && Red(p) <= 0xC2;
    }
  EXPECT_EQ(white, 0);
  EXPECT_GT(grey, 10);
}

TEST_F(EditTest, LongTextScrollsToKeepTheCaretInside) {
  Edit.SetFocus();
  Type(u"radyolarradyolarradyolarradyolar");
  TEditCaret caret = Edit.NativeEdit()->Caret();
  EXPECT_GT(caret.X, 60);
  EXPECT_LT(caret.X, 85);
  Key(VK_HOME);
  EXPECT_LE(Edit.NativeEdit()->Caret().X, 2);
}

}  // namespace
