#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/utility/DRThreadSafeArray.h"
#include "base/utility/DRThreadSafeDictionary.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Number.h"

namespace base {
namespace {

rt::Id num(int i) { return fd::Number::numberWithInt(i); }

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
