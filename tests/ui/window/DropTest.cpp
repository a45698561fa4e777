// Files and folders dropped on the player window (offscreen backend, the
// drop as the file manager delivers it): what joins the favourites, in
// which order, what Ctrl and Escape do, and that nothing is lost when a
// drop brings nothing.
#include <dirent.h>
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "PlayerWindowKit.h"
#include "engine/Routing.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"
#include "support/Encoding.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/controls/DropFiles.h"

namespace {

using namespace core;
using namespace widgets;
using uitest::TPlayerWindowKit;
namespace fs = std::filesystem;

class DropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Kit.WriteOptions("[player]\nautoplay=0\n[playlist]\nvisible=0\n");
    Kit.WriteFavourites({{u"Eski", "http://127.0.0.1:1/old", 1, u""}});
  }
  void TearDown() override {
    widgets::SetKeyDown(VK_CONTROL, false);
    widgets::SetKeyDown(VK_ESCAPE, false);
  }
  ui::TPlayerWindow& Open() {
    auto& w = Kit.Open();
    EXPECT_TRUE(widgets::OffscreenWindowOf(w)->AcceptFiles);
    return w;
  }
  void Drop(const std::vector<fs::path>& paths) {
    std::vector<std::string> bytes;
    for (const auto& p : paths) bytes.push_back(p.string());
    widgets::OffscreenWindowOf(*Kit.Window)->DropFiles(bytes, 20, 20);
  }
  std::vector<std::pair<std::u16string, std::string>> Saved() {
    qor::TPlayList list;
    std::vector<std::pair<std::u16string, std::string>> entries;
    if (qor::LoadFavourites(list, Kit.Dir / "settings" / "playlist.rpf"))
      for (int i = 0; i < list.Count(); ++i) entries.emplace_back(list.Item(i)->Name, list.Item(i)->Url);
    return entries;
  }
  // A music folder: two songs, a playlist, a cover, a hidden folder and a
  // sub-folder.
  fs::path MusicFolder() {
    fs::path music = Kit.Dir / "müzik";
    fs::create_directories(music / ".gizli");
    fs::create_directories(music / "alt");
    std::string mp3 = testkit::ReadBytes(ctltest::Media("tone.mp3"));
    EXPECT_FALSE(mp3.empty());
    testkit::TempDir::WriteFile(music / "Şarkı.mp3", mp3);
    testkit::TempDir::WriteFile(music / ".gizli" / "saklı.mp3", mp3);
    testkit::TempDir::WriteFile(music / "alt" / "Derin.ogg", "OggS");
    testkit::TempDir::WriteFile(music / "kapak.jpg", "\xFF\xD8\xFF");
    testkit::TempDir::WriteFile(music / "liste.m3u",
                                "#EXTM3U\n#EXTINF:-1,Canlı Yayın\nhttp://127.0.0.1:1/live\nalt/Derin.ogg\n");
    return music;
  }
  TPlayerWindowKit Kit;
};

// What the folder gives, in the order the file system lists it.
std::vector<std::u16string> ExpectedNames(const fs::path& folder) {
  std::vector<std::u16string> names;
  DIR* dir = opendir(folder.c_str());
  while (dirent* e = dir ? readdir(dir) : nullptr) {
    std::string name = e->d_name;
    if (name == "Şarkı.mp3") names.push_back(u"Şarkı");
    if (name == "liste.m3u") {
      names.push_back(u"Canlı Yayın");
      names.push_back(u"Derin");
    }
    if (name == "alt") names.push_back(u"Derin");
  }
  if (dir) closedir(dir);
  return names;
}

TEST_F(DropTest, AFolderAddsItsPlayableFilesAndPlaylistsInFileSystemOrder) {
  auto& w = Open();
  fs::path music = MusicFolder();
  Drop({music});
  auto saved = Saved();
  std::vector<std::u16string> names;
  for (size_t i = 1; i < saved.size(); ++i) names.push_back(saved[i].first);
  EXPECT_EQ(saved[0].first, u"Eski");
  EXPECT_EQ(names, ExpectedNames(music));
  for (const auto& [name, url] : saved) {
    if (name == u"Şarkı") {
      EXPECT_EQ(url, "file://" + (music / "Şarkı.mp3").string());
    }
    if (name == u"Canlı Yayın") {
      EXPECT_EQ(url, "http://127.0.0.1:1/live");
    }
    EXPECT_EQ(url.find(".gizli"), std::string::npos);
    EXPECT_EQ(url.find("kapak"), std::string::npos);
  }
  // The first new entry is selected; the marquee is back.
  EXPECT_EQ(w.Favourites()->ItemIndex(), 1);
  EXPECT_EQ(w.MarqueeText(), u"Eski");
  EXPECT_FALSE(w.Throbber()->Visible());

  // A single file of any kind, dropped by itself, becomes a favourite.
  Drop({music / "kapak.jpg"});
  EXPECT_EQ(Saved().back().first, u"kapak");
}

TEST_F(DropTest, CtrlReplacesTheFavouritesButNeverForNothing) {
  auto& w = Open();
  fs::path music = MusicFolder();
  testkit::TempDir::WriteFile(Kit.Dir / "bozuk.rpf", "not a list file");
  testkit::TempDir::WriteFile(Kit.Dir / "bozuk.xml", "<html>nothing</html>");
  testkit::TempDir::WriteFile(Kit.Dir / "bozuk.m3u", std::string("\x00\x01\x02garbage", 10));

  // A drop of what holds no stations adds nothing and keeps everything.
  widgets::SetKeyDown(VK_CONTROL, true);
  Drop({Kit.Dir / "bozuk.rpf", Kit.Dir / "bozuk.xml", Kit.Dir / "bozuk.m3u", Kit.Dir / "yok.mp3"});
  ASSERT_EQ(Saved().size(), 1u);
  EXPECT_EQ(w.Favourites()->Count(), 1);

  Drop({music / "Şarkı.mp3"});
  auto saved = Saved();
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].first, u"Şarkı");
  EXPECT_EQ(w.Favourites()->ItemIndex(), 0);
  widgets::SetKeyDown(VK_CONTROL, false);

  // A list file saved by the program adds its stations.
  qor::TPlayList list;
  list.Add(qor::MakeItem(u"12", 5, u"Liste Radyo", "http://127.0.0.1:1/l"));
  ASSERT_TRUE(qor::ExportListFile(list, Kit.Dir / "başka.rpf"));
  ASSERT_TRUE(qor::ExportXmlFile(list, Kit.Dir / "başka.xml"));
  Drop({Kit.Dir / "başka.rpf", Kit.Dir / "başka.xml"});
  saved = Saved();
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[1].first, u"Liste Radyo");
  EXPECT_EQ(saved[2].first, u"Liste Radyo");
  EXPECT_EQ(w.Favourites()->Item(1)->Key, u"12");
}

TEST_F(DropTest, EscapeStopsTheWalkAndFilesOpenedByTheProgramArriveTheSameWay) {
  auto& w = Open();
  fs::path music = MusicFolder();
  widgets::SetKeyDown(VK_ESCAPE, true);
  Drop({music});
  EXPECT_EQ(Saved().size(), 1u);
  widgets::SetKeyDown(VK_ESCAPE, false);

  // Files opened from the command line come as a drop made by the program.
  widgets::HDROP drop = widgets::CreateDrop({(music / "liste.m3u").string()}, widgets::TPoint{0, 0});
  SendMessage(w.WindowHandle(), WM_DROPFILES, static_cast<WPARAM>(drop), 0);
  widgets::DragFinish(drop);
  auto saved = Saved();
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[1].first, u"Canlı Yayın");
  EXPECT_EQ(saved[2].second, "file://" + (music / "alt" / "Derin.ogg").string());
}

TEST_F(DropTest, FileNamesThatAreNotUtf8KeepTheirBytesAndReadableNames) {
  Open();
  std::string mp3 = testkit::ReadBytes(ctltest::Media("tone.mp3"));
  ASSERT_FALSE(mp3.empty());
  // Names from an old Turkish system: "Şarkı" and the folder "Eşli" in
  // Windows-1254 bytes; beside them a UTF-8 name with the characters an
  // address treats specially.
  fs::path odd = Kit.Dir / "\xDE" "ark\xFD 1+1%.mp3";
  fs::path folder = Kit.Dir / "E\xFEli";
  fs::create_directories(folder);
  fs::path inside = folder / "\xC7" "al.mp3";
  fs::path marked = Kit.Dir / "Hit #1?.mp3";
  for (const auto& p : {odd, inside, marked}) testkit::TempDir::WriteFile(p, mp3);
  // A playlist written on this system names the files by their bytes.
  fs::path playlist = Kit.Dir / "eski.m3u";
  testkit::TempDir::WriteFile(playlist, "\xDE" "ark\xFD 1+1%.mp3\nE\xFEli/\xC7" "al.mp3\nHit #1?.mp3\n");
  Drop({odd, folder, marked, playlist});

  auto saved = Saved();
  ASSERT_EQ(saved.size(), 7u);
  const std::vector<std::pair<std::u16string, fs::path>> expected = {
      {u"Şarkı 1+1%", odd}, {u"Çal", inside}, {u"Hit #1?", marked},
      {u"Şarkı 1+1%", odd}, {u"Çal", inside}, {u"Hit #1?", marked}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(saved[i + 1].first, expected[i].first);
    // The address leads the player back to the very file.
    std::string routed = LocalPathFromFileAddress(saved[i + 1].second);
    EXPECT_EQ(routed, expected[i].second.string()) << saved[i + 1].second;
    EXPECT_TRUE(testkit::ReadBytes(routed) == mp3) << "the address does not open the file";
    EXPECT_TRUE(enc::IsValidUtf8(saved[i + 1].second)) << "list files hold text";
  }
}

}  // namespace
