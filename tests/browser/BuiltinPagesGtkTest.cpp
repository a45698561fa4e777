// The built-in pages in the real web view: what the user sees while no
// vendor host is configured.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <cstdio>

#include "BrowserKit.h"
#include "MainLoop.h"
#include "browser/Pages.h"
#include "Tools.h"

namespace browsertest {
namespace {

using browser::TStationHit;

class BuiltinPages : public TBrowserTest {};

TEST_F(BuiltinPages, NoWebProcessRunsBeforeTheFirstPageAndTheSearchAnswersAsTheUserTypes) {
  Finder = [](const std::u16string& q) {
    std::vector<TStationHit> hits;
    if (q == u"kral") hits.push_back({u"661975", u"Kral FM", "http://127.0.0.1:9/kral"});
    return hits;
  };
  Frame();
  EXPECT_EQ(WebProcessCount(), 0) << "the frame alone starts no web process";
  EXPECT_FALSE(Browser->Session().Started());
  ASSERT_TRUE(Open(browser::UM_BROWSER_FIND));
  EXPECT_GT(WebProcessCount(), 0);
  EXPECT_EQ(Browser->Page()->Address(), "qor://pages/find.html");
  EXPECT_EQ(Browser->CaptionLabel()->Caption(), u"Radyo Ara");

  Eval("var q = document.getElementById('query'); q.value = 'kral'; q.dispatchEvent(new Event('input')); 1");
  ASSERT_TRUE(WaitFor("document.body.getAttribute('data-hits') === '1'"));
  EXPECT_EQ(Eval("document.querySelector('#hits .name').textContent"), "Kral FM");
  Eval("document.querySelector('#hits button.add').click(); 1");
  ASSERT_TRUE(testkit::PumpUntil([&] { return !Player.Added.empty(); }));
  EXPECT_EQ(Player.Added[0][0], u"661975");
  EXPECT_EQ(Player.Added[0][1], u"Kral FM");
  EXPECT_EQ(Player.Added[0][2], u"http://127.0.0.1:9/kral") << "the page passes the address encoded";
  EXPECT_EQ(Eval("document.querySelector('#hits button.add').textContent"), "Eklendi");
}

TEST_F(BuiltinPages, AboutShowsTheVersionAndTheLicencesAndHomeLinksToTheSearch) {
  ASSERT_TRUE(Open(browser::UM_BROWSER_ABOUT));
  EXPECT_EQ(Eval("document.getElementById('version').textContent"), "5.3");
  EXPECT_EQ(Eval("String(document.body.textContent.indexOf('radio-browser.info') >= 0)"), "true");
  EXPECT_EQ(Eval("String(document.body.textContent.indexOf('LGPL') >= 0)"), "true");
  ASSERT_TRUE(Open(browser::UM_BROWSER_HOME));
  EXPECT_EQ(Browser->Page()->Address(), "qor://pages/home.html");
  EXPECT_TRUE(Browser->ToolBar()->Button(browser::tbBack)->Enabled()) << "the about page is behind";
  EXPECT_FALSE(Browser->ToolBar()->Button(browser::tbForward)->Enabled());
  Browser->Page()->GoBack();
  ASSERT_TRUE(testkit::PumpUntil([&] { return Browser->Page()->Address() == "qor://pages/about.html"; }));
  ASSERT_TRUE(testkit::PumpUntil([&] { return Browser->ToolBar()->Button(browser::tbForward)->Enabled(); }));
}

}  // namespace
}  // namespace browsertest

namespace browsertest {
namespace {

// Popup windows GTK shows now (the page's context menu is one).
int MappedPopups() {
  int count = 0;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next)
    if (gtk_window_get_window_type(GTK_WINDOW(w->data)) == GTK_WINDOW_POPUP && gtk_widget_get_mapped(GTK_WIDGET(w->data)))
      ++count;
  g_list_free(windows);
  return count;
}

TEST_F(BuiltinPages, ThePagesOwnContextMenuOpensOnlyInEditFields) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  ASSERT_TRUE(Open(browser::UM_BROWSER_FIND));
  auto at = [&](const std::string& selector) {
    std::string r = Eval("var r = document.querySelector('" + selector + "').getBoundingClientRect();"
                         "Math.round(r.left + 10) + ' ' + Math.round(r.top + r.height / 2)");
    int x = 0, y = 0;
    std::sscanf(r.c_str(), "%d %d", &x, &y);
    return std::make_pair(Browser->Page()->Left() + x, Browser->Page()->Top() + y);
  };
  auto rightClick = [&](std::pair<int, int> p) {
    testwidgets::RunProgram({"xdotool", "mousemove", std::to_string(p.first), std::to_string(p.second)});
    testwidgets::Settle();
    testwidgets::RunProgram({"xdotool", "click", "3"});
  };
  int before = MappedPopups();
  rightClick(at("h1"));
  testkit::PumpFor(800);
  EXPECT_EQ(MappedPopups(), before) << "no menu over the page's text";
  rightClick(at("#query"));
  EXPECT_TRUE(testkit::PumpUntil([&] { return MappedPopups() > before; })) << "cut, copy and paste in the edit field";
  testwidgets::RunProgram({"xdotool", "key", "Escape"});
  testkit::PumpUntil([&] { return MappedPopups() == before; }, 3000);
}

}  // namespace
}  // namespace browsertest
