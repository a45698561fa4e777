// The search bars of the two lists on the offscreen backend: placeholder,
// live search with its counter, stepping through the hits with
// wrap-around, the red icon when nothing matches, and the edit's keys.
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "ui/controls/Edit.h"
#include "widgets/backend/Offscreen.h"

namespace {

using namespace core;
using namespace widgets;
using uitest::TPlayerWindowKit;

class SearchBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Kit.WriteOptions("[player]\nautoplay=0\nleft=100\ntop=50\n[playlist]\nvisible=1\n[application]\nshowbanner=0\n");
    Kit.WriteFavourites({{u"Power FM", "http://127.0.0.1:9/power", 1},
                         {u"Kral FM", "http://127.0.0.1:9/kral", 2},
                         {u"Radyo Fenomen", "http://127.0.0.1:9/fenomen", 3},
                         {u"Kral Pop", "http://127.0.0.1:9/kralpop", 4},
                         {u"KRAL Türk", "http://127.0.0.1:9/kralturk", 5}});
    Kit.WriteDatabase({{u"Alem FM", "http://127.0.0.1:9/alem", 11}, {u"Best FM", "http://127.0.0.1:9/best", 12}});
  }
  widgets::TOffscreenWindow* Native() { return widgets::OffscreenWindowOf(*Kit.Window); }
  void Type(const std::u16string& text) {
    for (char16_t ch : text) {
      unsigned vk = (ch >= u'a' && ch <= u'z') ? unsigned(ch - u'a' + 'A') : 0xDF;
      Native()->KeyDown(vk, ch);
      Native()->KeyUp(vk);
    }
  }
  void Key(unsigned vk) {
    Native()->KeyDown(vk);
    Native()->KeyUp(vk);
  }
  ui::TPlayerWindow& OpenWithPanel() {
    auto& w = Kit.Open();
    EXPECT_TRUE(testkit::PumpUntil([&] { return w.ListPanelVisible() && w.ListContent()->Top() == 0; }));
    return w;
  }
  TPlayerWindowKit Kit;
};

TEST_F(SearchBarTest, PlaceholderLiveSearchCounterAndWrapAround) {
  auto& w = OpenWithPanel();
  const ui::TSearchBar& bar = w.SearchBar(1);
  EXPECT_TRUE(bar.Bar->Visible());
  EXPECT_FALSE(w.SearchBar(0).Bar->Visible());
  EXPECT_EQ(bar.Edit->Caption(), u"Radyo Ara");
  EXPECT_EQ(bar.Edit->Font().Style(), widgets::FontStyleItalic);
  EXPECT_FALSE(bar.Counter->Visible());
  EXPECT_FALSE(bar.Next->Visible());

  // Tab from the list reaches the edit, which gives up the placeholder
  // without counting it as a search.
  Key(VK_TAB);
  ASSERT_TRUE(bar.Edit->Focused());
  EXPECT_EQ(bar.Edit->Caption(), u"");
  EXPECT_EQ(bar.Edit->Font().Style(), widgets::FontStyleRegular);
  EXPECT_EQ(w.Favourites()->Results().Count(), 0);

  Type(u"kra");
  EXPECT_EQ(bar.Counter->Caption(), u"1 / 3");
  EXPECT_TRUE(bar.Previous->Visible() && bar.Next->Visible() && bar.Counter->Visible());
  EXPECT_EQ(w.Favourites()->ItemIndex(), 1);
  // Each letter searches again and starts from the first hit.
  Type(u"l p");
  EXPECT_EQ(bar.Counter->Caption(), u"1 / 1");
  EXPECT_EQ(w.Favourites()->ItemIndex(), 3);
  for (int i = 0; i < 3; ++i) Key(VK_BACK);
  EXPECT_EQ(bar.Counter->Caption(), u"1 / 3");

  // The arrows and the Up/Down keys step through the hits and wrap.
  w.SearchStep(1);
  EXPECT_EQ(bar.Counter->Caption(), u"2 / 3");
  EXPECT_EQ(w.Favourites()->ItemIndex(), 3);
  Key(VK_DOWN);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 4);
  Native()->Click(bar.Next->ClientToParent({2, 5}, &w).X, bar.Next->ClientToParent({2, 5}, &w).Y);
  EXPECT_EQ(bar.Counter->Caption(), u"1 / 3") << "next on the last hit wraps to the first";
  EXPECT_EQ(w.Favourites()->ItemIndex(), 1);
  Key(VK_UP);
  EXPECT_EQ(bar.Counter->Caption(), u"3 / 3") << "previous on the first wraps to the last";
  EXPECT_EQ(w.Favourites()->ItemIndex(), 4);
  EXPECT_TRUE(bar.Edit->Focused());

  // Enter plays the hit.
  Key(VK_RETURN);
  EXPECT_EQ(Kit.Controller.PlayedName, u"KRAL Türk");

  // A hit removed from the list is no longer counted or stepped to, and
  // the selection stays where the removal left it.
  w.SearchStep(-1);
  ASSERT_EQ(w.Favourites()->Item(w.Favourites()->ItemIndex())->Name, u"Kral Pop");
  w.RemoveSelected();
  EXPECT_EQ(bar.Counter->Caption(), u"2 / 2");
  EXPECT_EQ(w.Favourites()->Item(w.Favourites()->ItemIndex())->Name, u"KRAL Türk");
  w.SearchStep(1);
  EXPECT_EQ(bar.Counter->Caption(), u"1 / 2");
  EXPECT_EQ(w.Favourites()->Item(w.Favourites()->ItemIndex())->Name, u"Kral FM");
  w.RemoveSelected();
  EXPECT_EQ(bar.Counter->Caption(), u"1 / 1");
  w.SearchStep(1);
  ASSERT_EQ(w.Favourites()->Item(w.Favourites()->ItemIndex())->Name, u"KRAL Türk");
  w.RemoveSelected();
  EXPECT_FALSE(bar.Counter->Visible()) << "no hits left";
  EXPECT_EQ(bar.Icon->TintColor(), 0xFFFF0000u);
}

TEST_F(SearchBarTest, NoMatchTintsTheIconRedAndClearingRestoresIt) {
  auto& w = OpenWithPanel();
  const ui::TSearchBar& bar = w.SearchBar(1);
  bar.Edit->SetFocus();
  Type(u"kralx");
  EXPECT_EQ(bar.Icon->TintColor(), 0xFFFF0000u);
  EXPECT_FALSE(bar.Next->Visible());
  EXPECT_FALSE(bar.Previous->Visible());
  EXPECT_FALSE(bar.Counter->Visible());
  Key(VK_BACK);
  EXPECT_EQ(bar.Icon->TintColor(), 0u);
  EXPECT_TRUE(bar.Counter->Visible());
  // Esc clears the text and with it the search.
  Key(VK_ESCAPE);
  EXPECT_EQ(bar.Edit->Caption(), u"");
  EXPECT_EQ(w.Favourites()->Results().Count(), 0);
  EXPECT_FALSE(bar.Counter->Visible());
  EXPECT_EQ(bar.Icon->TintColor(), 0u);
  // Tab hands the keys back to the list; the empty edit shows the
  // placeholder again.
  Key(VK_TAB);
  EXPECT_TRUE(w.Favourites()->Focused());
  EXPECT_EQ(bar.Edit->Caption(), u"Radyo Ara");
  EXPECT_EQ(bar.Edit->Font().Color() & 0xFFFFFFu, 0xC0C0C0u);
  EXPECT_EQ(w.Favourites()->Results().Count(), 0);
}

TEST_F(SearchBarTest, EachListHasItsOwnBar) {
  auto& w = OpenWithPanel();
  w.SetListMode(0);
  const ui::TSearchBar& favourites = w.SearchBar(1);
  const ui::TSearchBar& database = w.SearchBar(0);
  EXPECT_FALSE(favourites.Bar->Visible());
  ASSERT_TRUE(database.Bar->Visible());
  Key(VK_TAB);
  ASSERT_TRUE(database.Edit->Focused());
  Type(u"best");
  EXPECT_EQ(database.Counter->Caption(), u"1 / 1");
  EXPECT_EQ(w.Database()->ItemIndex(), 1);
  EXPECT_EQ(w.Favourites()->Results().Count(), 0);
  // The favourites' bar kept its placeholder meanwhile.
  EXPECT_EQ(favourites.Edit->Caption(), u"Radyo Ara");
  // A click on the icon puts the keys into the edit.
  w.SetListMode(1);
  widgets::TPoint icon = favourites.Icon->ClientToParent({7, 7}, &w);
  Native()->Click(icon.X, icon.Y);
  EXPECT_TRUE(favourites.Edit->Focused());
  EXPECT_EQ(favourites.Edit->Caption(), u"");
}

}  // namespace
