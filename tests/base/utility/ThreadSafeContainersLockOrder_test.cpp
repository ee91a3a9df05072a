// Thread-safe containers that hold one another, read from two threads in opposite directions:
// a read that reaches into the elements lets its own lock go first, so neither thread waits
// for a lock while it holds one the other is waiting for.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "base/utility/DRThreadSafeArray.h"
#include "base/utility/DRThreadSafeDictionary.h"
#include "platform/foundation/values/Number.h"

namespace base {
namespace {

// An outer thread-safe container holding a thread-safe array, which holds a plain container of
// the outer one's kind. Searching the inner array for the outer container compares that plain
// container with the outer one, which reads the outer one from under the inner array's lock.
struct Nest {
  rt::Id outer;
  Ref<DRThreadSafeArray> inner;
};

Nest makeNest(bool dictionary) {
  rt::Id one = fd::Number::numberWithInt(1);
  rt::Id plain = dictionary ? rt::Id(fd::Dictionary::withStrings({{"k", one}})) : rt::Id(fd::Array::create({one}));
  auto inner = DRThreadSafeArray::create({plain});
  if (dictionary)
    return {DRThreadSafeDictionary::dictionaryWithDictionary(*fd::Dictionary::withStrings({{"k", inner}})), inner};
  return {DRThreadSafeArray::create({inner}), inner};
}

// Runs `a` and `b` over and over on two threads for `span`; true when both have stopped a
// while after that. Threads that never stop are left behind, holding what they use.
bool bothFinish(std::function<void()> a, std::function<void()> b, std::chrono::milliseconds span) {
  struct Shared {
    std::atomic<bool> stop{false};
    std::atomic<int> finished{0};
  };
  auto shared = std::make_shared<Shared>();
  auto loop = [shared](std::function<void()> f) {
    return std::thread([shared, f = std::move(f)] {
      while (!shared->stop.load()) f();
      ++shared->finished;
    });
  };
  std::thread first = loop(std::move(a)), second = loop(std::move(b));
  std::this_thread::sleep_for(span);
  shared->stop = true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (shared->finished.load() < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const bool finished = shared->finished.load() == 2;
  if (finished) {
    first.join();
    second.join();
  } else {
    first.detach();
    second.detach();
  }
  return finished;
}

TEST(ThreadSafeContainersNested, ReadsReachingIntoEachOtherFromTwoThreadsFinish) {
  struct Row {
    const char* name;
    bool dictionary;
    std::function<void(const rt::Object& outer, const rt::Object& twin)> read;
  };
  const std::vector<Row> rows = {
      {"array description", false, [](const rt::Object& o, const rt::Object&) { (void)o.description(); }},
      {"array equality", false, [](const rt::Object& o, const rt::Object& t) { EXPECT_TRUE(o.isEqual(&t)); }},
      {"array key-value coding", false,
       [](const rt::Object& o, const rt::Object&) {
         auto total = rt::as<fd::Number>(o.valueForKey("@sum.@count"));
         EXPECT_TRUE(total && total->integerValue() == 1);
       }},
      {"array joining", false,
       [](const rt::Object& o, const rt::Object&) {
         (void)static_cast<const fd::Array&>(o).componentsJoinedByString(",");
       }},
      {"dictionary description", true, [](const rt::Object& o, const rt::Object&) { (void)o.description(); }},
      {"dictionary equality", true, [](const rt::Object& o, const rt::Object& t) { EXPECT_TRUE(o.isEqual(&t)); }},
      {"dictionary strings-file form", true,
       [](const rt::Object& o, const rt::Object&) {
         (void)static_cast<const fd::Dictionary&>(o).descriptionInStringsFileFormat();
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Nest nest = makeNest(row.dictionary), twin = makeNest(row.dictionary);
    auto read = row.read;
    const bool finished = bothFinish([nest, twin, read] { read(*nest.outer, *twin.outer); },
                                     [nest] { EXPECT_FALSE(nest.inner->containsObject(nest.outer)); },
                                     std::chrono::milliseconds(150));
    EXPECT_TRUE(finished) << "the two threads deadlocked";
  }
}

}  // namespace
}  // namespace base
