// The cache: limits, least-recently-used eviction, eviction hook, use from several threads.
#include <gtest/gtest.h>

#include <thread>

#include "platform/foundation/values/Cache.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"

using namespace fd;

namespace {

// Records what the cache evicts, as a subclass would.
class RecordingCache : public Cache {
 public:
  std::vector<String> evicted;

 protected:
  void willEvictObject(const Id& object) override { evicted.push_back(object->description()); }
};

// An object whose destruction touches the cache that held it: it must not run under the lock.
class Reentrant : public Object {
 public:
  Cache* cache = nullptr;
  ~Reentrant() override {
    if (cache) cache->count();
  }
};

}  // namespace

TEST(ValuesCache, CountLimitEvictsLeastRecentlyUsed) {
  RecordingCache c;
  c.setCountLimit(3);
  c.setName("thumbs");
  EXPECT_EQ(c.name(), "thumbs");
  for (const char* k : {"a", "b", "c"}) c.setObject(box(String(k).uppercaseString()), box(k));
  EXPECT_TRUE(c.objectForKey(box("a")));  // "a" is now the most recent
  c.setObject(box("D"), box("d"));
  EXPECT_EQ(c.evicted, (std::vector<String>{"B"}));
  EXPECT_EQ(c.objectForKey(box("b")), nullptr);
  EXPECT_EQ(c.count(), 3u);
  c.setObject(box("C2"), box("c"));  // replacing counts as a use
  c.setObject(box("E"), box("e"));
  EXPECT_EQ(c.evicted, (std::vector<String>{"B", "A"}));
  c.setCountLimit(1);
  EXPECT_EQ(c.evicted, (std::vector<String>{"B", "A", "D", "C2"}));
  EXPECT_EQ(stringValue(c.objectForKey(box("e"))), "E");
}

TEST(ValuesCache, CostLimit) {
  RecordingCache c;
  c.setTotalCostLimit(10);
  c.setObject(box("one"), box(1), 4);
  c.setObject(box("two"), box(2), 4);
  EXPECT_EQ(c.totalCost(), 8u);
  c.setObject(box("three"), box(3), 4);
  EXPECT_EQ(c.evicted, (std::vector<String>{"one"}));
  EXPECT_EQ(c.totalCost(), 8u);
  c.setObject(box("huge"), box(4), 11);  // larger than the limit on its own: everything goes
  EXPECT_EQ(c.count(), 0u);
  EXPECT_EQ(c.totalCost(), 0u);
  c.setObject(box("x"), box(5), 1);
  c.removeObjectForKey(box(5));
  c.setObject(box("y"), box(6), 1);
  c.removeAllObjects();
  EXPECT_EQ(c.evicted, (std::vector<String>{"one", "two", "three", "huge"}));  // explicit removal is no eviction
  EXPECT_EQ(c.totalCostLimit(), 10u);
}

TEST(ValuesCache, KeysCompareByValueAndNullObjectsRemove) {
  Cache c;
  c.setObject(box("v"), box(1));
  EXPECT_TRUE(c.objectForKey(box(1.0)));
  c.setObject(nullptr, box(1));
  EXPECT_EQ(c.objectForKey(box(1)), nullptr);
  EXPECT_EQ(c.objectForKey(nullptr), nullptr);
  EXPECT_EQ(c.countLimit(), 0u);
}

TEST(ValuesCache, EvictedObjectsAreReleasedOutsideTheLock) {
  Cache c;
  c.setCountLimit(1);
  {
    auto r = rt::make<Reentrant>();
    r->cache = &c;
    c.setObject(r, box("first"));
  }
  c.setObject(box("second"), box("second"));  // would deadlock if the first died under the lock
  EXPECT_EQ(c.count(), 1u);
  auto r = rt::make<Reentrant>();
  r->cache = &c;
  c.setObject(r, box("third"));
  r.reset();
  c.removeAllObjects();
  EXPECT_EQ(c.count(), 0u);
}

TEST(ValuesCache, UsableFromSeveralThreads) {
  Cache c;
  c.setCountLimit(50);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&c, t] {
      for (int i = 0; i < 2000; ++i) {
        c.setObject(box(i), box(t * 10000 + i % 100), 1);
        c.objectForKey(box(t * 10000 + (i * 7) % 100));
        if (i % 50 == 0) c.removeObjectForKey(box(t * 10000 + i % 100));
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_LE(c.count(), 50u);
  EXPECT_EQ(c.totalCost(), c.count());
}
