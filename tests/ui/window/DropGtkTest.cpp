// A real drag and drop under Xvfb: a GTK source window offers a
// text/uri-list selection (a folder with an MP3, an M3U and a hidden
// folder), the X pointer (xdotool) drags it onto the player window, and
// the favourites and playlist.rpf show what arrived.
#include <glib.h>
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "DisplayLock.h"
#include "GtkFixture.h"
#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "PlayerWindowKit.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/gtk/GtkBackend.h"
#include "Tools.h"

namespace {

namespace fs = std::filesystem;
using uitest::Xdotool;

// A window that offers the given addresses as text/uri-list when dragged.
struct TDragSource {
  GtkWidget* Window = nullptr;
  std::vector<std::string> Uris;
  int Requests = 0;

  explicit TDragSource(std::vector<std::string> uris) : Uris(std::move(uris)) {
    Window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(Window), 120, 80);
    gtk_window_move(GTK_WINDOW(Window), 100, 100);
    GtkWidget* box = gtk_event_box_new();
    gtk_container_add(GTK_CONTAINER(Window), box);
    static const GtkTargetEntry targets[] = {{const_cast<gchar*>("text/uri-list"), 0, 0}};
    gtk_drag_source_set(box, GDK_BUTTON1_MASK, targets, 1, GDK_ACTION_COPY);
    g_signal_connect(box, "drag-data-get", G_CALLBACK(OnGet), this);
    gtk_widget_show_all(Window);
  }
  ~TDragSource() { gtk_widget_destroy(Window); }

  static void OnGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, TDragSource* self) {
    ++self->Requests;
    std::vector<gchar*> uris;
    for (auto& u : self->Uris) uris.push_back(u.data());
    uris.push_back(nullptr);
    gtk_selection_data_set_uris(data, uris.data());
  }
};

class DropGtkTest : public testwidgets::GtkDisplayTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
    GtkDisplayTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    Kit = std::make_unique<uitest::TPlayerWindowKit>();
    Kit->WriteOptions("[player]\nautoplay=0\nleft=700\ntop=300\n[playlist]\nvisible=0\n");
    Kit->WriteFavourites({{u"Eski", "http://127.0.0.1:1/old", 1, u""}});
  }
  void TearDown() override {
    Kit.reset();
    GtkDisplayTest::TearDown();
  }
  std::unique_ptr<uitest::TPlayerWindowKit> Kit;
};

TEST_F(DropGtkTest, AFolderDraggedFromAnotherWindowJoinsTheFavourites) {
  fs::path music = Kit->Dir / "müzik";
  fs::create_directories(music / ".gizli");
  std::string mp3 = testkit::ReadBytes(ctltest::Media("tone.mp3"));
  ASSERT_FALSE(mp3.empty());
  testkit::TempDir::WriteFile(music / "Şarkı.mp3", mp3);
  testkit::TempDir::WriteFile(music / ".gizli" / "saklı.mp3", mp3);
  testkit::TempDir::WriteFile(music / "yayın.m3u", "#EXTM3U\n#EXTINF:-1,Canlı\nhttp://127.0.0.1:1/live\n");

  // A file of the same path on another host is not this one: it is left
  // out, as the command line leaves it out; "localhost" is this machine.
  fs::path elsewhere = Kit->Dir / "uzak.mp3";
  testkit::TempDir::WriteFile(elsewhere, mp3);

  auto& w = Kit->Open();
  ASSERT_TRUE(w.NativeWindow() && w.NativeWindow()->NativeHandle());
  gchar* uri = g_filename_to_uri(music.c_str(), "localhost", nullptr);
  gchar* remote = g_filename_to_uri(elsewhere.c_str(), "otherhost", nullptr);
  TDragSource source({uri, remote});
  g_free(uri);
  g_free(remote);
  ASSERT_TRUE(testkit::PumpUntil([&] { return gtk_widget_get_mapped(source.Window); }));
  int sx = 0, sy = 0;
  gdk_window_get_origin(gtk_widget_get_window(source.Window), &sx, &sy);

  // Press on the source, travel to the player's display in small steps
  // (the drag starts after a few pixels), release there.
  Xdotool({"mousemove", std::to_string(sx + 60), std::to_string(sy + 40)});
  testkit::PumpFor(100);
  Xdotool({"mousedown", "1"});
  testkit::PumpFor(100);
  int tx = w.Left() + 160, ty = w.Top() + 60;
  for (int i = 1; i <= 12; ++i) {
    int x = sx + 60 + (tx - sx - 60) * i / 12, y = sy + 40 + (ty - sy - 40) * i / 12;
    Xdotool({"mousemove", std::to_string(x), std::to_string(y)});
    testkit::PumpFor(60);
  }
  Xdotool({"mouseup", "1"});
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.Favourites()->Count() == 3; }, 15000));
  EXPECT_GE(source.Requests, 1);

  EXPECT_EQ(w.Favourites()->Item(0)->Name, u"Eski");
  std::vector<std::u16string> added = {w.Favourites()->Item(1)->Name, w.Favourites()->Item(2)->Name};
  std::sort(added.begin(), added.end());
  EXPECT_EQ(added, (std::vector<std::u16string>{u"Canlı", u"Şarkı"}));
  qor::TPlayList saved;
  ASSERT_TRUE(qor::LoadFavourites(saved, Kit->Dir / "settings" / "playlist.rpf"));
  ASSERT_EQ(saved.Count(), 3);
  for (int i = 0; i < saved.Count(); ++i) EXPECT_EQ(saved.Item(i)->Url.find(".gizli"), std::string::npos);
  EXPECT_EQ(w.MarqueeText(), u"Eski");
}

}  // namespace
