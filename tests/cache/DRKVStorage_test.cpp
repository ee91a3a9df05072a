#include <sqlite3.h>

#include <fstream>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "cache/DRKVStorage.h"
#include "platform/foundation/Log.h"
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

// The largest 32-bit and 64-bit signed values both mean "no limit": size and count trims keep
// everything, and as a time every record is earlier, even one read after 2038.
TEST_F(DRKVStorageTest, BothLargestSignedValuesMeanNoLimit) {
  for (int64_t none : {int64_t(INT32_MAX), INT64_MAX}) {
    SCOPED_TRACE(none);
    fs::remove_all(dir);
    auto kv = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
    ASSERT_TRUE(kv->saveItem("a", bytes(10)));
    ASSERT_TRUE(kv->saveItem("b", bytes(20), "b.bin", nullptr));
    EXPECT_TRUE(kv->removeItemsToFitCount(none));
    EXPECT_TRUE(kv->removeItemsToFitSize(none));
    EXPECT_TRUE(kv->removeItemsLargerThanSize(none));
    EXPECT_EQ(kv->getItemsCount(), 2);
    setAccessTime("a", 3000000000);
    EXPECT_TRUE(kv->removeItemsEarlierThanTime(none));
    EXPECT_EQ(kv->getItemsCount(), 0);
    EXPECT_FALSE(fs::exists(dir / "data" / "b.bin"));
  }
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

// A closed storage is damaged in different ways; the next one on the folder comes up empty and
// usable, throws the old values away and says so in the log.
TEST_F(DRKVStorageTest, AManifestLockedForAMomentIsWaitedForAndKept) {
  {
    auto kv = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
    ASSERT_TRUE(kv);
    ASSERT_TRUE(kv->saveItem("k", bytes(10, 'a')));
  }
  // Another connection holds the file, as one that is writing does, and lets go shortly after.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((dir / "manifest.sqlite").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "pragma locking_mode = exclusive; begin exclusive; update manifest set size = size;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  std::thread holder([db] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3_exec(db, "commit;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  });
  auto again = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
  holder.join();
  ASSERT_TRUE(again);
  auto item = again->getItemForKey("k");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->value->length(), 10u);
}

TEST_F(DRKVStorageTest, ADamagedManifestStartsEmptyAndUsableAndIsLogged) {
  struct Damage {
    const char* name;
    std::function<void(const fs::path& manifest)> apply;
  };
  const Damage damages[] = {
      {"not a database", [](const fs::path& m) { std::ofstream(m, std::ios::trunc) << std::string(4096, 'Z'); }},
      // The first page (the schema) stays; the records' pages are overwritten.
      {"records overwritten",
       [](const fs::path& m) {
         std::fstream f(m, std::ios::in | std::ios::out | std::ios::binary);
         f.seekp(4096);
         f << std::string(size_t(fs::file_size(m)) - 4096, '\x5a');
       }},
      {"cut short", [](const fs::path& m) { fs::resize_file(m, 4096 + 100); }},
  };
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.name);
    fs::remove_all(dir);
    {
      auto kv = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
      ASSERT_TRUE(kv);
      for (int i = 0; i < 40; ++i) ASSERT_TRUE(kv->saveItem("k" + std::to_string(i), bytes(900, char('a' + i % 26))));
      ASSERT_TRUE(kv->saveItem("file", bytes(100), "file.bin", nullptr));
    }
    ASSERT_FALSE(fs::exists(dir / "manifest.sqlite-wal") && fs::file_size(dir / "manifest.sqlite-wal") > 0);
    ASSERT_GT(fs::file_size(dir / "manifest.sqlite"), 3 * 4096u);
    damage.apply(dir / "manifest.sqlite");

    std::vector<std::string> lines;
    std::mutex linesLock;
    fd::setLogSink([&](const rt::String& line) {
      std::lock_guard guard(linesLock);
      lines.push_back(line.utf8());
    });
    auto kv = DRKVStorage::storageWithPath(path(), DRKVFilesAndDatabase);
    ASSERT_TRUE(kv);
    // The damage shows at the open or at the first read, which then misses; after that the
    // storage holds nothing of the old values.
    auto first = kv->getItemValueForKey("k1");
    if (first) {
      EXPECT_EQ(first->view(), std::string(900, 'b'));
    }
    EXPECT_EQ(kv->getItemsCount(), 0);
    EXPECT_FALSE(kv->getItemForKey("file"));
    EXPECT_FALSE(fs::exists(dir / "data" / "file.bin"));
    ASSERT_TRUE(kv->saveItem("new", bytes(4)));
    ASSERT_TRUE(kv->saveItem("new-file", bytes(30), "new.bin", nullptr));
    EXPECT_EQ(kv->getItemValueForKey("new")->length(), 4u);
    EXPECT_EQ(kv->getItemValueForKey("new-file")->length(), 30u);
    EXPECT_EQ(kv->getItemsCount(), 2);
    fd::setLogSink(nullptr);
    bool told = false;
    for (const auto& line : lines) told |= line.find("the storage starts empty") != std::string::npos;
    EXPECT_TRUE(told);
  }
}

}  // namespace
}  // namespace cache
