// Hotkey words in X terms, and the song titles split for the media-player
// service.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "app/Options.h"
#include "app/desktop/Hotkeys.h"
#include "app/desktop/Mpris.h"
#include "widgets/Core.h"
#include "widgets/gtk/GtkBackend.h"

using namespace app;

namespace {

TEST(HotkeyAcceleratorTest, TheDefaultWordsAndModifierOrder) {
  EXPECT_EQ(HotkeyAccelerator(0x652), "<Control><Alt>r");
  EXPECT_EQ(HotkeyAccelerator(0x648), "<Control><Alt>h");
  EXPECT_EQ(HotkeyAccelerator(0x64B), "<Control><Alt>k");
  EXPECT_EQ(HotkeyAccelerator(0x647), "<Control><Alt>g");
  EXPECT_EQ(HotkeyAccelerator((HOTKEYF_SHIFT << 8) | (widgets::VK_F1 + 4)), "<Shift>F5");
  EXPECT_EQ(HotkeyAccelerator(((HOTKEYF_ALT | HOTKEYF_SHIFT | HOTKEYF_CONTROL) << 8) | '7'),
            "<Control><Shift><Alt>7");
  EXPECT_EQ(HotkeyAccelerator('Q'), "q") << "a key without modifiers";
  // Nothing to grab: no key, or a key X has no name for.
  EXPECT_EQ(HotkeyAccelerator(0), "");
  EXPECT_EQ(HotkeyAccelerator(0x600), "");
  EXPECT_EQ(HotkeyAccelerator(0x6FF), "");
}

// Every key the capture field can store comes back as the same key with
// the same modifiers when X reads the accelerator; the extended-key flag
// changes nothing.
TEST(HotkeyAcceleratorTest, EveryCapturableKeyRoundTrips) {
  std::vector<unsigned> keys;
  for (unsigned vk = 'A'; vk <= 'Z'; ++vk) keys.push_back(vk);
  for (unsigned vk = '0'; vk <= '9'; ++vk) keys.push_back(vk);
  for (unsigned vk = 0x60; vk <= 0x6F; ++vk)
    if (vk != 0x6C) keys.push_back(vk);  // 0x6C has no key on these keyboards
  for (unsigned vk = widgets::VK_F1; vk < widgets::VK_F1 + 24; ++vk) keys.push_back(vk);
  for (unsigned vk : {widgets::VK_BACK, widgets::VK_TAB, widgets::VK_RETURN, widgets::VK_PAUSE, widgets::VK_ESCAPE,
                      widgets::VK_SPACE, widgets::VK_PRIOR, widgets::VK_NEXT, widgets::VK_END, widgets::VK_HOME,
                      widgets::VK_LEFT, widgets::VK_UP, widgets::VK_RIGHT, widgets::VK_DOWN, widgets::VK_INSERT,
                      widgets::VK_DELETE, 0xBAu, 0xBBu, 0xBCu, 0xBDu, 0xBEu, 0xBFu})
    keys.push_back(vk);
  for (unsigned vk : keys) {
    for (int flags : {HOTKEYF_CONTROL | HOTKEYF_ALT, HOTKEYF_SHIFT | HOTKEYF_EXT, HOTKEYF_ALT}) {
      int word = (flags << 8) | static_cast<int>(vk);
      std::string accelerator = HotkeyAccelerator(word);
      ASSERT_FALSE(accelerator.empty()) << std::hex << word;
      guint keyval = 0;
      GdkModifierType mods{};
      gtk_accelerator_parse(accelerator.c_str(), &keyval, &mods);
      EXPECT_EQ(widgets::KeyvalToVirtualKey(keyval), vk) << accelerator;
      GdkModifierType expected = static_cast<GdkModifierType>(
          (flags & HOTKEYF_CONTROL ? GDK_CONTROL_MASK : 0) | (flags & HOTKEYF_SHIFT ? GDK_SHIFT_MASK : 0) |
          (flags & HOTKEYF_ALT ? GDK_MOD1_MASK : 0));
      EXPECT_EQ(mods, expected) << accelerator;
    }
  }
}

TEST(SplitArtistTitleTest, ArtistAndSongAtTheFirstSeparator) {
  auto names = SplitArtistTitle(u"Şebnem Ferah - Çiçek");
  EXPECT_EQ(names.Artist, u"Şebnem Ferah");
  EXPECT_EQ(names.Title, u"Çiçek");
  // Later separators belong to the song.
  names = SplitArtistTitle(u"Barış Manço - Gülpembe - Canlı");
  EXPECT_EQ(names.Artist, u"Barış Manço");
  EXPECT_EQ(names.Title, u"Gülpembe - Canlı");
  names = SplitArtistTitle(u"  Sezen Aksu   -   Gidiyorum ");
  EXPECT_EQ(names.Artist, u"Sezen Aksu");
  EXPECT_EQ(names.Title, u"Gidiyorum");
}

TEST(SplitArtistTitleTest, WithoutBothSidesItIsAllSong) {
  for (std::u16string title : {u"Haberler", u"Jay-Z", u"Radyo - ", u" - Reklam", u"A-B - ", u""}) {
    auto names = SplitArtistTitle(title);
    EXPECT_EQ(names.Artist, u"") << std::string(title.begin(), title.end());
  }
  EXPECT_EQ(SplitArtistTitle(u"Jay-Z").Title, u"Jay-Z");
  EXPECT_EQ(SplitArtistTitle(u" - Reklam").Title, u"- Reklam");
}

}  // namespace
