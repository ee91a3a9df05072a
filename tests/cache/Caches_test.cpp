#include <fstream>
#include <thread>

#include "cache/DRCache.h"
#include "platform/crypto/Digest.h"
#include "platform/dispatch/Clock.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/ui/host/Application.h"
#include "tests/cache/CacheFixtures.h"

namespace cache {
namespace {

namespace fs = std::filesystem;
using cachetest::TempFolderTest;

rt::Id text(const std::string& s) { return fd::StringObject::create(rt::String(s)); }
std::string md5(const std::string& s) { return crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::MD5, s)); }

class DiskCacheTest : public TempFolderTest {};

TEST_F(DiskCacheTest, SmallValuesStayInlineLargeOnesBecomeFilesNamedByTheKey) {
  auto cache = DRDiskCache::cacheWithPath(path());
  ASSERT_TRUE(cache);
  // Raw bytes in and out, so the sizes are exact.
  cache->setCustomArchiveBlock([](const rt::Id& o) { return rt::as<fd::Data>(o); });
  cache->setCustomUnarchiveBlock([](const Ref<fd::Data>& d) -> rt::Id { return d; });
  cache->setObject(bytes(20480), "inline");
  cache->setObject(bytes(20481), "file");
  EXPECT_FALSE(fs::exists(dir / "data" / md5("inline")));
  EXPECT_TRUE(fs::exists(dir / "data" / md5("file")));
  EXPECT_EQ(rt::as<fd::Data>(cache->objectForKey("file"))->length(), 20481u);
  cache->setCustomFilenameBlock([](const rt::String&) { return rt::String(); });  // no name: the MD5 one
  cache->setObject(bytes(30000), "other");
  EXPECT_TRUE(fs::exists(dir / "data" / md5("other")));
  cache->setObject(nullptr, "other");
  EXPECT_FALSE(cache->containsObjectForKey("other"));
  EXPECT_EQ(cache->totalCount(), 2);

  auto filesOnly = DRDiskCache::cacheWithPath(path("files"), 0);
  filesOnly->setObject(text("tiny"), "k");
  EXPECT_TRUE(fs::exists(dir / "files" / "data" / md5("k")));
  auto none = DRDiskCache::cacheWithPath(path("inline"), DRDiskCache::kNoLimit);
  none->setObject(fd::Data::create(std::string(100000, 'z')), "k");
  EXPECT_TRUE(fs::is_empty(dir / "inline" / "data"));
}

TEST_F(DiskCacheTest, ArchivedObjectsExtendedDataAndTrims) {
  auto cache = DRDiskCache::cacheWithPath(path());
  auto object = text("hello");
  DRDiskCache::setExtendedData(bytes(2, 's'), object);
  cache->setObject(object, "greeting");
  auto back = cache->objectForKey("greeting");
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->isEqual(object.get()));
  EXPECT_EQ(DRDiskCache::getExtendedDataFromObject(back)->view(), "ss");

  for (int i = 0; i < 5; ++i) cache->setObject(text("v" + std::to_string(i)), "k" + std::to_string(i));
  cache->trimToCost(UINT64_MAX);
  cache->trimToAge(1e12);
  EXPECT_EQ(cache->totalCount(), 6);
  cache->freeDiskSpaceLimit = UINT64_MAX / 2;  // more than the disk could ever free
  cache->trimToCost(0);
  EXPECT_EQ(cache->totalCount(), 0);
  cache->setObject(text("x"), "x");
  cache->trimToAge(0);
  EXPECT_EQ(cache->totalCount(), 0);

  // The forms with blocks answer on the cache's queue.
  auto done = dispatch::Semaphore::create(0);
  cache->setObject(text("async"), "a", [&] { done->signal(); });
  ASSERT_TRUE(done->wait(10));
  rt::Id found;
  cache->objectForKey("a", [&](const rt::String&, const rt::Id& o) {
    found = o;
    done->signal();
  });
  ASSERT_TRUE(done->wait(10));
  EXPECT_TRUE(found && found->isEqual(text("async").get()));
}

// The trims' forms with a block run on the cache's queue and call the block after the trim, and
// also when the cache is gone by then; the custom blocks read back as set.
TEST_F(DiskCacheTest, TrimsWithBlocksAndTheCustomBlocksReadBack) {
  auto cache = DRDiskCache::cacheWithPath(path());
  EXPECT_FALSE(cache->customArchiveBlock());
  EXPECT_FALSE(cache->customUnarchiveBlock());
  EXPECT_FALSE(cache->customFilenameBlock());
  cache->setCustomArchiveBlock([](const rt::Id& o) { return rt::as<fd::Data>(o); });
  cache->setCustomUnarchiveBlock([](const Ref<fd::Data>& d) -> rt::Id { return fd::Data::create(std::string(d->view()) + "!"); });
  cache->setCustomFilenameBlock([](const rt::String& key) { return key + ".v"; });
  ASSERT_TRUE(cache->customArchiveBlock() && cache->customUnarchiveBlock() && cache->customFilenameBlock());
  auto raw = fd::Data::create(std::string("raw"));
  EXPECT_EQ(cache->customArchiveBlock()(raw), raw);
  EXPECT_EQ(rt::as<fd::Data>(cache->customUnarchiveBlock()(raw))->view(), "raw!");
  EXPECT_EQ(cache->customFilenameBlock()("k"), "k.v");

  for (int i = 0; i < 6; ++i) cache->setObject(bytes(10), "k" + std::to_string(i));
  struct Case {
    const char* name;
    std::function<void(std::function<void()>)> trim;
    int64_t left;
  };
  const Case cases[] = {
      {"count", [&](std::function<void()> b) { cache->trimToCount(4, b); }, 4},
      {"cost", [&](std::function<void()> b) { cache->trimToCost(20, b); }, 2},
      {"age", [&](std::function<void()> b) { cache->trimToAge(0, b); }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto done = dispatch::Semaphore::create(0);
    std::atomic<bool> onMain{true};
    c.trim([&] {
      onMain = dispatch::isMainThread();
      done->signal();
    });
    ASSERT_TRUE(done->wait(10));
    EXPECT_FALSE(onMain);
    EXPECT_EQ(cache->totalCount(), c.left);
  }
  auto done = dispatch::Semaphore::create(0);
  {
    auto gone = DRDiskCache::cacheWithPath(path("gone"));
    gone->trimToCount(0, [&] { done->signal(); });
  }
  EXPECT_TRUE(done->wait(10));
}

TEST(MemoryCache, ReleaseInMainThreadIsTheSameSettingAndEventBlocksReadBack) {
  auto cache = rt::make<DRMemoryCache>();
  EXPECT_FALSE(cache->releaseInMainThread());
  cache->setReleaseInMainThread(true);
  EXPECT_TRUE(cache->releaseOnMainThread());
  cache->setReleaseOnMainThread(false);
  EXPECT_FALSE(cache->releaseInMainThread());

  EXPECT_FALSE(cache->didReceiveMemoryWarningBlock());
  EXPECT_FALSE(cache->didEnterBackgroundBlock());
  int warnings = 0, backgrounds = 0;
  cache->setDidReceiveMemoryWarningBlock([&](DRMemoryCache&) { ++warnings; });
  cache->setDidEnterBackgroundBlock([&](DRMemoryCache&) { ++backgrounds; });
  ASSERT_TRUE(cache->didReceiveMemoryWarningBlock() && cache->didEnterBackgroundBlock());
  cache->didReceiveMemoryWarningBlock()(*cache);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(backgrounds, 0);
  cache->didEnterBackgroundBlock()(*cache);
  EXPECT_EQ(backgrounds, 1);
}

TEST(MemoryCache, LeastRecentlyUsedGoesFirst) {
  auto cache = rt::make<DRMemoryCache>();
  cache->countLimit = 2;
  cache->setObject(text("A"), "a");
  cache->setObject(text("B"), "b");
  EXPECT_TRUE(cache->objectForKey("a"));
  EXPECT_TRUE(cache->containsObjectForKey("b"));  // no effect on the order
  cache->setObject(text("C"), "c");
  EXPECT_FALSE(cache->containsObjectForKey("b"));
  EXPECT_TRUE(cache->containsObjectForKey("a"));

  cache->countLimit = UINT64_MAX;
  for (int i = 0; i < 8; ++i) cache->setObject(text("x"), "k" + std::to_string(i));
  EXPECT_EQ(cache->totalCount(), 10u);
  cache->countLimit = 3;
  cache->setObject(text("y"), "one more");
  EXPECT_EQ(cache->totalCount(), 10u);  // one out, one in
  cache->trimToCount(3);
  EXPECT_EQ(cache->totalCount(), 3u);
  EXPECT_TRUE(cache->containsObjectForKey("one more"));

  cache->countLimit = UINT64_MAX;
  cache->setObject(text("p"), "p", 10);
  cache->setObject(text("q"), "p", 4);
  EXPECT_EQ(cache->totalCount(), 4u);
  EXPECT_EQ(cache->totalCost(), 4u);
  cache->trimToCost(0);
  EXPECT_EQ(cache->totalCount(), 0u);
}

TEST(MemoryCache, ACostlyEntryIsTrimmedWithEverythingBelowIt) {
  auto cache = rt::make<DRMemoryCache>();
  cache->costLimit = 100;
  cache->setObject(text("a"), "a", 10);
  cache->setObject(text("huge"), "huge", 500);
  double until = dispatch::realUptime() + 10;
  while (cache->totalCount() > 0 && dispatch::realUptime() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(cache->totalCount(), 0u);
}

TEST(MemoryCache, MemoryWarningsAndBackgroundEmptyItUnlessTold) {
  auto cache = rt::make<DRMemoryCache>();
  int warnings = 0;
  cache->setDidReceiveMemoryWarningBlock([&](DRMemoryCache&) { ++warnings; });
  cache->setObject(text("a"), "a");
  auto center = fd::NotificationCenter::defaultCenter();
  center->post(ui::UIApplicationDidReceiveMemoryWarningNotification);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(cache->totalCount(), 0u);
  cache->shouldRemoveAllObjectsWhenEnteringBackground = false;
  cache->setObject(text("b"), "b");
  center->post(ui::UIApplicationDidEnterBackgroundNotification);
  EXPECT_EQ(cache->totalCount(), 1u);
}

/// Notes the thread it dies on.
class Tracked : public rt::Object {
  RT_CLASS_NAMED(Tracked, rt::Object, "DRTestTracked")
 public:
  std::atomic<bool>* diedOnMain = nullptr;
  ~Tracked() override {
    if (diedOnMain) *diedOnMain = dispatch::isMainThread();
  }
};
RT_IMPLEMENT(Tracked) {}

TEST(MemoryCache, ReleasesOnTheMainThreadWhenAsked) {
  auto cache = rt::make<DRMemoryCache>();
  cache->setReleaseAsynchronously(false);
  cache->setReleaseOnMainThread(true);
  std::atomic<bool> diedOnMain{false};
  {
    auto t = rt::make<Tracked>();
    t->diedOnMain = &diedOnMain;
    cache->setObject(t, "t");
  }
  std::thread([&] { cache->removeObjectForKey("t"); }).join();
  double until = dispatch::realUptime() + 10;
  while (!diedOnMain && dispatch::realUptime() < until) dispatch::drainMainQueue();
  EXPECT_TRUE(diedOnMain);
}

class TwoLevelTest : public TempFolderTest {};

TEST_F(TwoLevelTest, ReadsThroughMemoryToDisk) {
  EXPECT_FALSE(DRCache::cacheWithName(""));
  EXPECT_FALSE(DRCache::cacheWithPath(""));
  EXPECT_FALSE(rt::make<DRCache>());  // no half-made cache without a place on disk
  auto cache = DRCache::cacheWithPath(path("images"));
  ASSERT_TRUE(cache);
  EXPECT_EQ(cache->name(), "images");
  EXPECT_EQ(cache->memoryCache()->name(), "images");
  cache->diskCache()->setObject(text("on disk"), "k");
  EXPECT_FALSE(cache->memoryCache()->containsObjectForKey("k"));
  EXPECT_TRUE(cache->objectForKey("k"));
  EXPECT_TRUE(cache->memoryCache()->containsObjectForKey("k"));

  cache->diskCache()->setObject(text("later"), "j");
  auto done = dispatch::Semaphore::create(0);
  cache->objectForKey("j", [&](const rt::String&, const rt::Id& o) {
    EXPECT_TRUE(o);
    done->signal();
  });
  ASSERT_TRUE(done->wait(10));
  EXPECT_FALSE(cache->memoryCache()->containsObjectForKey("j"));
  cache->removeAllObjects();
  EXPECT_FALSE(cache->containsObjectForKey("k"));
}

// A crash can leave the manifest unusable; the caches over it come up empty and work.
TEST_F(TwoLevelTest, DiskAndTwoLevelCachesComeUpEmptyAfterTheirFilesAreDamaged) {
  for (const char* sub : {"disk", "two-level"}) {
    SCOPED_TRACE(sub);
    const bool twoLevel = std::string(sub) == "two-level";
    auto open = [&] {
      return twoLevel ? DRCache::cacheWithPath(path(sub))->diskCache() : DRDiskCache::cacheWithPath(path(sub));
    };
    {
      auto disk = open();
      disk->setObject(text("kept"), "small");
      disk->setObject(fd::Data::create(std::string(30000, 'f')), "large");
      ASSERT_EQ(disk->totalCount(), 2);
    }
    std::ofstream(dir / sub / "manifest.sqlite", std::ios::trunc) << "garbage where the manifest was";
    if (twoLevel) {
      auto cache = DRCache::cacheWithPath(path(sub));
      ASSERT_TRUE(cache);
      EXPECT_FALSE(cache->objectForKey("small"));
      cache->setObject(text("again"), "small");
      cache->memoryCache()->removeAllObjects();
      auto back = cache->objectForKey("small");
      ASSERT_TRUE(back);
      EXPECT_TRUE(back->isEqual(text("again").get()));
    } else {
      auto disk = DRDiskCache::cacheWithPath(path(sub));
      ASSERT_TRUE(disk);
      EXPECT_EQ(disk->totalCount(), 0);
      EXPECT_FALSE(disk->objectForKey("large"));
      disk->setObject(text("again"), "small");
      EXPECT_EQ(disk->totalCount(), 1);
    }
  }
}

}  // namespace
}  // namespace cache
