#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/utility/DRThreadSafeArray.h"
#include "base/utility/DRThreadSafeDictionary.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/foundation/values/Number.h"

namespace base {
namespace {

rt::Id num(int i) { return fd::Number::numberWithInt(i); }
rt::Id str(const char* s) { return fd::StringObject::create(s); }

TEST(DRThreadSafeArray, SurvivesManyWritersAndReaders) {
  auto array = DRThreadSafeArray::create();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5000; ++i) {
        array->addObject(num(t * 10000 + i));
        if (i % 7 == 0) (void)array->lastObject();
        if (t == 3 && i % 11 == 0) (void)array->copy();
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(array->count(), 20000u);
}

TEST(DRThreadSafeArray, CopiesEqualityAndAdditions) {
  auto array = DRThreadSafeArray::create({num(1), num(2), num(3)});
  auto copy = rt::as<DRThreadSafeArray>(array->copy());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, array);
  EXPECT_TRUE(copy->isEqual(array.get()));
  copy->addObject(num(4));
  EXPECT_EQ(array->count(), 3u);
  EXPECT_FALSE(array->isEqual(fd::Array::create({num(1), num(2), num(3)}).get()));

  EXPECT_TRUE(array->popFirstObject()->isEqual(num(1)));
  EXPECT_TRUE(array->popLastObject()->isEqual(num(3)));
  EXPECT_FALSE(array->objectOrNilAtIndex(5));
  array->removeAllObjects();
  EXPECT_FALSE(array->popLastObject());
  EXPECT_THROW(array->objectAtIndex(0), rt::Exception);

  // Comparing the same two arrays both ways at once never deadlocks.
  auto x = DRThreadSafeArray::create({num(1)}), y = DRThreadSafeArray::create({num(1)});
  std::thread t([&] { for (int i = 0; i < 20000; ++i) (void)x->isEqual(y.get()); });
  for (int i = 0; i < 20000; ++i) EXPECT_TRUE(y->isEqual(x.get()));
  t.join();
}

std::vector<int> ints(const std::vector<rt::Id>& objects) {
  std::vector<int> out;
  for (const auto& o : objects) out.push_back(rt::as<fd::Number>(o)->intValue());
  return out;
}

fd::Ordering byValue(const rt::Id& a, const rt::Id& b) {
  int x = rt::as<fd::Number>(a)->intValue(), y = rt::as<fd::Number>(b)->intValue();
  return x < y ? fd::Ordering::Ascending : x > y ? fd::Ordering::Descending : fd::Ordering::Same;
}

TEST(DRThreadSafeArray, IsAMutableArrayAndDoesWhatThePlatformArrayDoes) {
  auto safe = DRThreadSafeArray::create();
  EXPECT_TRUE(safe->isKindOfClass(fd::MutableArray::classObject()));
  Ref<fd::MutableArray> asPlatform = safe;  // usable wherever a mutable array is
  EXPECT_TRUE(asPlatform);

  // The same edits on a plain mutable array and on the thread-safe one leave the same contents.
  auto plain = fd::MutableArray::create();
  auto three = fd::Array::create({num(7), num(8), num(9)});
  auto both = [&](const std::function<void(fd::MutableArray&)>& onPlain,
                  const std::function<void(DRThreadSafeArray&)>& onSafe) {
    onPlain(*plain);
    onSafe(*safe);
    EXPECT_EQ(ints(safe->objects()), ints(plain->objects()));
  };
  both([](auto& a) { for (int i = 0; i < 6; ++i) a.addObject(num(i)); },
       [](auto& a) { for (int i = 0; i < 6; ++i) a.addObject(num(i)); });
  both([](auto& a) { a.insertObject(num(10), 2); }, [](auto& a) { a.insertObject(num(10), 2); });
  both([](auto& a) { a.replaceObjectAtIndex(0, num(11)); }, [](auto& a) { a.replaceObjectAtIndex(0, num(11)); });
  both([&](auto& a) { a.addObjectsFromArray(*three); }, [&](auto& a) { a.addObjectsFromArray(*three); });
  both([](auto& a) { a.exchangeObjectAtIndex(1, 4); }, [](auto& a) { a.exchangeObjectAtIndex(1, 4); });
  both([](auto& a) { a.removeObjectAtIndex(3); }, [](auto& a) { a.removeObjectAtIndex(3); });
  both([](auto& a) { a.removeObject(num(8)); }, [](auto& a) { a.removeObject(num(8)); });
  both([](auto& a) { a.removeObjectsInRange({1, 2}); }, [](auto& a) { a.removeObjectsInRange({1, 2}); });
  both([](auto& a) { a.sortUsingComparator(byValue); }, [](auto& a) { a.sortUsingComparator(byValue); });
  both([](auto& a) { a.removeObjectsAtIndexes(*fd::IndexSet::indexSetWithIndexesInRange(0, 2)); },
       [](auto& a) { a.removeObjectsAtIndexes(*fd::IndexSet::indexSetWithIndexesInRange(0, 2)); });
  both([&](auto& a) { a.removeObjectsInArray(*three); }, [&](auto& a) { a.removeObjectsInArray(*three); });
  both([](auto& a) { a.removeLastObject(); }, [](auto& a) { a.removeLastObject(); });
  both([](auto& a) { a.removeFirstObject(); }, [](auto& a) { a.removeFirstObject(); });
  both([&](auto& a) { a.setArray(*three); }, [&](auto& a) { a.setArray(*three); });

  // Reading answers as the platform array's would.
  EXPECT_EQ(safe->count(), plain->count());
  EXPECT_EQ(safe->indexOfObject(num(9)), plain->indexOfObject(num(9)));
  EXPECT_EQ(safe->indexOfObject(num(42)), fd::NotFound);
  EXPECT_TRUE(safe->firstObjectCommonWithArray(*fd::Array::create({num(1), num(9)}))->isEqual(num(9)));
  EXPECT_EQ(safe->componentsJoinedByString(",").utf8(), "7,8,9");
  EXPECT_EQ(ints(safe->subarrayWithRange({1, 2})->objects()), (std::vector<int>{8, 9}));
  EXPECT_EQ(ints(safe->reverseObjects()), (std::vector<int>{9, 8, 7}));
  EXPECT_EQ(ints(safe->arrayByAddingObject(num(1))->objects()), (std::vector<int>{7, 8, 9, 1}));
  EXPECT_EQ(ints(safe->sortedArrayUsingComparator([](auto& a, auto& b) { return byValue(b, a); })->objects()),
            (std::vector<int>{9, 8, 7}));
  EXPECT_EQ(ints(safe->objectsAtIndexes(*fd::IndexSet::indexSetWithIndex(2))->objects()), (std::vector<int>{9}));
  auto odd = safe->indexesOfObjectsPassingTest(
      [](const rt::Id& o, size_t, bool&) { return rt::as<fd::Number>(o)->intValue() % 2 == 1; });
  EXPECT_EQ(odd->indexes(), (std::vector<uint64_t>{0, 2}));
  EXPECT_EQ(safe->indexOfObjectPassingTest(fd::EnumerationReverse,
                                           [](const rt::Id& o, size_t, bool&) { return rt::as<fd::Number>(o)->intValue() % 2; }),
            2u);
  EXPECT_EQ(safe->description(), plain->description());
  EXPECT_TRUE(safe->valueForKey("@count")->isEqual(num(3)));
  EXPECT_THROW(safe->objectAtIndex(3), rt::Exception);
  EXPECT_THROW(safe->addObject(nullptr), rt::Exception);

  // Edits the platform array has no single call for.
  safe->insertObjects(*fd::Array::create({num(1), num(2)}), *fd::IndexSet::indexSetWithIndexesInRange(0, 2));
  EXPECT_EQ(ints(safe->objects()), (std::vector<int>{1, 2, 7, 8, 9}));
  safe->replaceObjectsInRange({1, 3}, *fd::Array::create({num(5), num(6), num(7)}), {2, 1});
  EXPECT_EQ(ints(safe->objects()), (std::vector<int>{1, 7, 9}));
  safe->replaceObjectsAtIndexes(*fd::IndexSet::indexSetWithIndex(1), *fd::Array::create({num(4)}));
  safe->setObjectAtIndexedSubscript(num(3), 3);  // at the end: appended
  EXPECT_EQ(ints(safe->objects()), (std::vector<int>{1, 4, 9, 3}));
  safe->addObject(num(4));
  safe->removeObject(num(4), {2, 3});  // only within the range
  EXPECT_EQ(ints(safe->objects()), (std::vector<int>{1, 4, 9, 3}));
  safe->sortUsingCompare();
  EXPECT_EQ(ints(safe->objects()), (std::vector<int>{1, 3, 4, 9}));
  safe->appendObjects(fd::Array::create({num(5)}));
  safe->prependObjects(fd::Array::create({num(0)}));
  safe->reverse();
  EXPECT_EQ(ints(safe->objects()), (std::vector<int>{5, 9, 4, 3, 1, 0}));
  safe->addObjectsFromArray(*safe);  // itself as the argument
  EXPECT_EQ(safe->count(), 12u);

  EXPECT_EQ(DRThreadSafeArray::arrayWithContentsOfFile("/nonexistent/array.plist"), nullptr);
}

TEST(DRThreadSafeArray, EnumerationWalksASnapshotThatTheBlockMayChange) {
  auto array = DRThreadSafeArray::create({num(1), num(2), num(3)});
  std::vector<int> seen;
  array->enumerateObjects([&](const rt::Id& o, size_t, bool&) {
    seen.push_back(rt::as<fd::Number>(o)->intValue());
    array->addObject(num(10));  // would deadlock under the array's lock
  });
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(array->count(), 6u);
  int total = 0;
  for (const rt::Id& o : array->objects()) {
    total += rt::as<fd::Number>(o)->intValue();
    array->removeLastObject();
  }
  EXPECT_EQ(total, 36);
  EXPECT_TRUE(array->isEmpty());
}

TEST(DRThreadSafeArray, MixedOperationsFromManyThreads) {
  auto array = DRThreadSafeArray::create();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        array->addObject(num(t));
        array->insertObject(num(t), 0);
        (void)array->popFirstObject();
        if (i % 250 == 0) array->sortUsingComparator(byValue);
        if (i % 500 == 0) (void)array->description();
        if (i % 100 == 0) array->enumerateObjects([](const rt::Id&, size_t, bool&) {});
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(array->count(), 8000u);
}

TEST(DRThreadSafeDictionary, IsAMutableDictionaryAndDoesWhatThePlatformDictionaryDoes) {
  auto dict = DRThreadSafeDictionary::dictionaryWithObjectsForKeys({num(1), num(2), num(3)},
                                                                   {str("a"), str("b"), str("c")});
  EXPECT_TRUE(dict->isKindOfClass(fd::MutableDictionary::classObject()));
  Ref<fd::MutableDictionary> asPlatform = dict;
  EXPECT_TRUE(asPlatform);
  EXPECT_EQ(dict->count(), 3u);
  EXPECT_TRUE(dict->objectForKey("b")->isEqual(num(2)));
  EXPECT_EQ(ints(dict->values()), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(dict->allKeysForObject(num(3))->count(), 1u);
  EXPECT_EQ(ints(dict->objectsForKeys({str("c"), str("zz")}, num(-1))->objects()), (std::vector<int>{3, -1}));
  auto sorted = dict->keysSortedByValueUsingComparator([](auto& a, auto& b) { return byValue(b, a); });
  EXPECT_EQ(sorted->componentsJoinedByString("").utf8(), "cba");
  auto big = dict->keysOfEntriesPassingTest(
      [](const rt::Id&, const rt::Id& o, bool&) { return rt::as<fd::Number>(o)->intValue() > 1; });
  EXPECT_EQ(big.size(), 2u);
  EXPECT_EQ(dict->entriesForKeys({str("a"), str("q")})->count(), 1u);
  EXPECT_EQ(dict->jsonStringEncoded(), String(R"({"a":1,"b":2,"c":3})"));
  EXPECT_EQ(dict->description(), dict->dictionary()->description());
  EXPECT_TRUE(dict->valueForKey("a")->isEqual(num(1)));

  dict->setObjectForKeyedSubscript(nullptr, str("a"));  // null removes
  EXPECT_FALSE(dict->objectForKey("a"));
  dict->removeObjectsForKeys(*DRThreadSafeArray::create({str("b")}));
  EXPECT_EQ(dict->count(), 1u);
  dict->addEntriesFromDictionary(*dict);  // itself as the argument
  EXPECT_EQ(dict->count(), 1u);
  auto popped = dict->popEntriesForKeys({str("c")});
  EXPECT_EQ(popped->count(), 1u);
  EXPECT_TRUE(dict->isEmpty());
  EXPECT_THROW(dict->setObjectForKey(nullptr, str("k")), rt::Exception);

  // Enumeration walks a snapshot: the block may change the dictionary.
  dict->setObjectForKey(num(1), str("x"));
  int visits = 0;
  dict->enumerateKeysAndObjects([&](const rt::Id&, const rt::Id&, bool&) {
    ++visits;
    dict->setObjectForKey(num(2), str("y"));
  });
  EXPECT_EQ(visits, 1);
  EXPECT_EQ(dict->count(), 2u);

  auto deep = DRThreadSafeDictionary::dictionaryWithDictionary(*fd::Dictionary::withStrings({{"m", fd::MutableArray::create()}}), true);
  EXPECT_NE(deep->objectForKey("m")->getClass(), fd::MutableArray::classObject());  // the values' copies
}

TEST(DRThreadSafeDictionary, SurvivesManyWritersAndKeepsItsRules) {
  auto dict = DRThreadSafeDictionary::create();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        dict->setObjectForKey(num(i), num(t * 10000 + i));
        (void)dict->objectForKey(num(t * 10000 + i / 2));
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(dict->count(), 8000u);

  auto copy = rt::as<DRThreadSafeDictionary>(dict->copy());
  EXPECT_TRUE(copy->isEqual(dict.get()));
  EXPECT_TRUE(copy->popObjectForKey(num(0))->isEqual(num(0)));
  EXPECT_FALSE(copy->popObjectForKey(num(0)));
  EXPECT_EQ(dict->count(), 8000u);
  EXPECT_FALSE(copy->isEqual(dict.get()));
  EXPECT_FALSE(dict->isEqual(dict->dictionary().get()));
}

}  // namespace
}  // namespace base
