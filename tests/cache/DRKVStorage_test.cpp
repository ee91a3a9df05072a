#include <sqlite3.h>

#include <fstream>

#include "cache/DRKVStorage.h"
#include "tests/cache/CacheFixtures.h"

namespace cache {
namespace {

namespace fs = std::filesystem;
using cachetest::TempFolderTest;

class DRKVStorageTest : public TempFolderTest {
 protected:
  // Sets access times behind the storage's back, as hours of use would.
  void setAccessTime(const char* key, int64_t time) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "manifest.sqlite").c_str(), &db), SQLITE_OK);
    std::string sql = "update manifest set last_access_time = " + std::to_string(time) + " where key = '" + key + "';";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  size_t dataFiles() const {
    size_t n = 0;
    for (auto& e : fs::directory_iterator(dir / "data")) n += e.path().filename().string()[0] != '.';
    return n;
  }
};

TEST_F(DRKVStorageTest, PathsAndTypesAreChecked) {
  EXPECT_FALSE(DRKVStorage::storageWithPath("", DRKVFilesAndDatabase));
  EXPECT_FALSE(DRKVStorage::storageWithPath(path(), 3));
  // SQLite opens paths of up to 512 bytes here; longer ones fail cleanly at the open.
  std::string deep = dir.string(), longest = dir.string();
  while (deep.size() < 400) deep += "/" + std::string(std::min<size_t>(100, 399 - deep.size()), 'a');
  while (longest.size() < 961) longest += "/" + std::string(std::min<size_t>(200, 960 - longest.size()), 'b');
  EXPECT_TRUE(DRKVStorage::storageWithPath(rt::String(deep), DRKVFilesAndDatabase));
  EXPECT_FALSE(DRKVStorage::storageWithPath(rt::String(longest), DRKVFilesAndDatabase));
  EXPECT_THROW(rt::make<DRKVStorage>(), rt::Exception);
}

TEST_F(DRKVStorageTest, SavesReadsAndMovesValuesBetweenFileAndManifest) {
  auto kv = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
  ASSERT_TRUE(kv);
  EXPECT_FALSE(kv->saveItem("k", fd::Data::create()));
  EXPECT_TRUE(kv->saveItem("k", bytes(100, 'a'), "k.bin", bytes(3, 'e')));
  EXPECT_TRUE(fs::exists(dir / "data" / "k.bin"));
  auto item = kv->getItemForKey("k");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->value->length(), 100u);
  EXPECT_EQ(item->extendedData->length(), 3u);
  EXPECT_FALSE(kv->getItemInfoForKey("k")->value);
  // Saved again without a file name: the file goes, the value lives in the manifest.
  EXPECT_TRUE(kv->saveItem("k", bytes(10, 'b')));
  EXPECT_FALSE(fs::exists(dir / "data" / "k.bin"));
  EXPECT_EQ(kv->getItemValueForKey("k")->view(), "bbbbbbbbbb");

  // A file deleted behind the storage's back: reads answer nothing and the record goes.
  EXPECT_TRUE(kv->saveItem("gone", bytes(50), "gone.bin", nullptr));
  fs::remove(dir / "data" / "gone.bin");
  EXPECT_TRUE(kv->getItemInfoForKey("gone"));
  EXPECT_FALSE(kv->getItemValueForKey("gone"));
  EXPECT_FALSE(kv->itemExistsForKey("gone"));

  auto many = kv->getItemValueForKeys({"k", "missing"});
  EXPECT_EQ(many.size(), 1u);
  EXPECT_EQ(kv->getItemsCount(), 1);
  EXPECT_EQ(kv->getItemsSize(), 10);

  auto filesOnly = DRKVStorage::storageWithPath(path("files"), DRKVFilesOnly);
  EXPECT_FALSE(filesOnly->saveItem("k", bytes(10)));
}

TEST_F(DRKVStorageTest, TrimsRemoveTheLeastRecentlyUsedFirst) {
  auto kv = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
  for (const char* k : {"one", "two", "three"}) ASSERT_TRUE(kv->saveItem(k, bytes(100), std::string(k) + ".bin", nullptr));
  setAccessTime("one", 1);
  setAccessTime("two", 2);
  setAccessTime("three", 3);
  EXPECT_TRUE(kv->removeItemsToFitCount(2));
  EXPECT_FALSE(kv->itemExistsForKey("one"));
  EXPECT_TRUE(kv->itemExistsForKey("three"));
  EXPECT_FALSE(fs::exists(dir / "data" / "one.bin"));
  EXPECT_TRUE(kv->removeItemsToFitSize(100));
  EXPECT_TRUE(kv->itemExistsForKey("three"));
  EXPECT_FALSE(kv->itemExistsForKey("two"));

  // The limits that mean "nothing" and "everything"; times past 32 bits are ordinary times.
  EXPECT_TRUE(kv->removeItemsToFitCount(INT64_MAX));
  EXPECT_TRUE(kv->removeItemsEarlierThanTime(0));
  EXPECT_EQ(kv->getItemsCount(), 1);
  setAccessTime("three", 3000000000);
  EXPECT_TRUE(kv->removeItemsEarlierThanTime(2999999999));
  EXPECT_EQ(kv->getItemsCount(), 1);
  EXPECT_TRUE(kv->removeItemsEarlierThanTime(3000000001));
  EXPECT_EQ(kv->getItemsCount(), 0);
  ASSERT_TRUE(kv->saveItem("x", bytes(5)));
  EXPECT_TRUE(kv->removeItemsToFitSize(0));
  EXPECT_EQ(kv->getItemsCount(), 0);
}

TEST_F(DRKVStorageTest, RemovingEverythingReportsProgressInBatches) {
  auto kv = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
  for (int i = 0; i < 70; ++i) ASSERT_TRUE(kv->saveItem("k" + std::to_string(i), bytes(10), i % 2 ? "f" + std::to_string(i) : "", nullptr));
  std::vector<std::pair<int64_t, int64_t>> progress;
  bool ended = false, error = true;
  kv->removeAllItems([&](int64_t done, int64_t total) { progress.emplace_back(done, total); },
                     [&](bool e) { ended = true, error = e; });
  EXPECT_EQ(progress, (std::vector<std::pair<int64_t, int64_t>>{{32, 70}, {64, 70}, {70, 70}}));
  EXPECT_TRUE(ended);
  EXPECT_FALSE(error);
  EXPECT_EQ(dataFiles(), 0u);
  progress.clear();
  kv->removeAllItems([&](int64_t a, int64_t b) { progress.emplace_back(a, b); }, [&](bool e) { error = e; });
  EXPECT_TRUE(progress.empty());
  EXPECT_FALSE(error);
}

TEST_F(DRKVStorageTest, AnInvalidatedStorageRefusesAndKeepsEverything) {
  auto kv = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
  ASSERT_TRUE(kv->saveItem("k", bytes(100), "k.bin", nullptr));
  kv->invalidate();
  EXPECT_FALSE(kv->saveItem("j", bytes(10)));
  EXPECT_FALSE(kv->getItemForKey("k"));
  EXPECT_FALSE(kv->removeAllItems());
  EXPECT_TRUE(fs::exists(dir / "manifest.sqlite"));
  EXPECT_TRUE(fs::exists(dir / "data" / "k.bin"));
  kv.reset();
  auto again = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
  EXPECT_EQ(again->getItemValueForKey("k")->length(), 100u);
}

TEST_F(DRKVStorageTest, ADamagedManifestIsReportedUnlessStartingCleanIsAsked) {
  fs::create_directories(dir / "data");
  std::ofstream(dir / "manifest.sqlite") << std::string(4096, 'Z');
  std::ofstream(dir / "data" / "old.bin") << "old value";
  EXPECT_FALSE(DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase));
  EXPECT_TRUE(fs::exists(dir / "data" / "old.bin"));  // nothing thrown away
  auto clean = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase, DRKVStorage::OnDamage::StartClean);
  ASSERT_TRUE(clean);
  EXPECT_EQ(clean->getItemsCount(), 0);
  EXPECT_FALSE(fs::exists(dir / "data" / "old.bin"));
  EXPECT_TRUE(clean->saveItem("k", bytes(4)));
}

}  // namespace
}  // namespace cache
