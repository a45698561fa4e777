// The built-in station database and favourites embedded in the program.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <set>

#include "TempDir.h"
#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"

using namespace qor;

namespace {

std::string Resource(const char* path) {
  GError* error = nullptr;
  GBytes* bytes = g_resources_lookup_data(path, G_RESOURCE_LOOKUP_FLAGS_NONE, &error);
  if (!bytes) {
    ADD_FAILURE() << path << ": " << (error ? error->message : "missing");
    if (error) g_error_free(error);
    return {};
  }
  gsize size = 0;
  const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  std::string out(data, size);
  g_bytes_unref(bytes);
  return out;
}

}  // namespace

TEST(BuiltinLists, ResourcesAreCompleteListFiles) {
  testkit::TempDir dir;
  std::string broadcast = Resource("/org/kelvarin/qor/lists/BROADCAST");
  std::string playlist = Resource("/org/kelvarin/qor/lists/PLAYLIST");
  ASSERT_EQ(broadcast.substr(0, 6), "QORPLF");
  ASSERT_EQ(playlist.substr(0, 6), "QORPLF");
  // Copied byte for byte, as the program does on first start.
  testkit::TempDir::WriteFile(dir / "broadcast.rpf", broadcast);
  testkit::TempDir::WriteFile(dir / "playlist.rpf", playlist);

  TPlayList database, favourites;
  ASSERT_TRUE(LoadDatabase(database, dir / "broadcast.rpf"));
  ASSERT_TRUE(LoadFavourites(favourites, dir / "playlist.rpf"));
  EXPECT_GT(database.Count(), 500);
  EXPECT_GE(favourites.Count(), 10);

  std::set<int32_t> ids;
  for (int i = 0; i < database.Count(); ++i) {
    const TPlayItem* item = database.Item(i);
    EXPECT_FALSE(item->Url.empty()) << i;
    EXPECT_FALSE(item->Name.empty()) << i;
    EXPECT_NE(item->Name[0], u'.') << i;
    EXPECT_NE(item->Id, 0) << "key " << i << " is not a number";
    EXPECT_TRUE(ids.insert(item->Id).second) << "duplicate key at " << i;
  }
  // Turkish stations come first.
  EXPECT_EQ(database.Name(0), u"GİMSA RADYO");

  // The favourite a new installation plays first, and every favourite is
  // linked to a database station with the same address.
  EXPECT_GE(favourites.IndexOfId(210), 0);
  for (int i = 0; i < favourites.Count(); ++i) {
    int index = database.IndexOfKey(favourites.Key(i));
    ASSERT_GE(index, 0) << "favourite " << i << " has no database station";
    EXPECT_EQ(database.Item(index)->Url, favourites.Item(i)->Url);
    EXPECT_EQ(database.Name(index), favourites.Name(i));
  }
}
