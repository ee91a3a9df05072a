// Arrays and mutable arrays: access, errors, search, sorting, descriptions, copies.
#include <gtest/gtest.h>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"

using namespace fd;

namespace {

Ref<Array> ints(std::initializer_list<int> values) {
  std::vector<Id> v;
  for (int i : values) v.push_back(box(i));
  return Array::create(std::move(v));
}

std::string rangeError(const std::function<void()>& f) {
  try {
    f();
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), rt::RangeException);
    return e.reason().utf8();
  }
  return "no exception";
}

Ordering byInt(const Id& a, const Id& b) { return rt::as<Number>(a)->compare(*rt::as<Number>(b)); }

}  // namespace

TEST(CollectionsArray, AccessAndBounds) {
  auto a = ints({1, 2, 3});
  EXPECT_EQ(a->count(), 3u);
  EXPECT_TRUE(a->objectAtIndex(2)->isEqual(box(3)));
  EXPECT_TRUE(a->firstObject()->isEqual(box(1)));
  EXPECT_TRUE(a->lastObject()->isEqual(box(3)));
  EXPECT_EQ(Array::create()->firstObject(), nullptr);
  EXPECT_EQ(Array::create()->lastObject(), nullptr);
  EXPECT_EQ(rangeError([&] { a->objectAtIndex(5); }), "*** -[NSArray objectAtIndex:]: index 5 beyond bounds [0 .. 2]");
  EXPECT_EQ(rangeError([&] { Array::create()->objectAtIndex(0); }),
            "*** -[NSArray objectAtIndex:]: index 0 beyond bounds for empty array");
  EXPECT_THROW(a->subarrayWithRange(Range{2, 2}), rt::Exception);
  EXPECT_TRUE(a->subarrayWithRange(Range{1, 2})->isEqual(ints({2, 3})));
}

TEST(CollectionsArray, NullElementsAreRefused) {
  EXPECT_THROW(Array::create({box(1), nullptr}), rt::Exception);
  auto m = MutableArray::create();
  for (auto f : std::vector<std::function<void()>>{
           [&] { m->addObject(nullptr); },
           [&] { m->insertObject(nullptr, 0); },
       }) {
    try {
      f();
      FAIL() << "expected an exception";
    } catch (const rt::Exception& e) {
      EXPECT_EQ(e.name(), rt::InvalidArgumentException);
    }
  }
  m->addObject(box(1));
  EXPECT_THROW(m->replaceObjectAtIndex(0, nullptr), rt::Exception);
  EXPECT_THROW(m->insertObject(box(2), 3), rt::Exception);
  EXPECT_EQ(m->count(), 1u);
}

TEST(CollectionsArray, SearchByEquality) {
  auto a = Array::create({box("a"), box(1), box(2.0), box("a")});
  EXPECT_TRUE(a->containsObject(box(2)));     // 2 == 2.0
  EXPECT_EQ(a->indexOfObject(box("a")), 0u);
  EXPECT_EQ(a->indexOfObject(box("a"), Range{1, 3}), 3u);
  EXPECT_EQ(a->indexOfObject(box("z")), NotFound);
  EXPECT_EQ(a->indexOfObjectIdenticalTo(box("a")), NotFound);
  EXPECT_EQ(a->indexOfObjectIdenticalTo(a->objectAtIndex(3)), 3u);
  EXPECT_EQ(a->indexOfObjectPassingTest([](const Id& o, size_t, bool&) { return rt::as<Number>(o) != nullptr; }), 1u);
  auto sorted = ints({1, 3, 3, 5, 8});
  EXPECT_EQ(sorted->indexOfObjectInSortedRange(box(3), Range{0, 5}, byInt), 1u);
  EXPECT_EQ(sorted->indexOfObjectInSortedRange(box(4), Range{0, 5}, byInt), NotFound);
}

TEST(CollectionsArray, EnumerationOrderAndStop) {
  auto a = ints({1, 2, 3, 4});
  std::vector<int> seen;
  a->enumerateObjects(EnumerationReverse, [&](const Id& o, size_t i, bool& stop) {
    seen.push_back(rt::as<Number>(o)->intValue());
    EXPECT_EQ(static_cast<int>(i) + 1, seen.back());
    if (seen.size() == 3) stop = true;
  });
  EXPECT_EQ(seen, (std::vector<int>{4, 3, 2}));
  seen.clear();
  auto m = MutableArray::create(a->objects());
  m->enumerateObjects([&](const Id& o, size_t, bool&) {
    seen.push_back(rt::as<Number>(o)->intValue());
    m->removeAllObjects();  // mutation during enumeration cannot break the walk
  });
  EXPECT_EQ(seen.size(), 4u);
  seen.clear();
  a->enumerateObjectsAtIndexes(*IndexSet::indexSetWithIndexesInRange(Range{1, 2}), 0,
                               [&](const Id& o, size_t, bool&) { seen.push_back(rt::as<Number>(o)->intValue()); });
  EXPECT_EQ(seen, (std::vector<int>{2, 3}));
}

TEST(CollectionsArray, SortingIsStable) {
  auto a = Array::create({box("b1"), box("a1"), box("b2"), box("a2")});
  auto sorted = a->sortedArrayUsingComparator([](const Id& x, const Id& y) {
    return rt::as<StringObject>(x)->string().substring(0, 1).compare(rt::as<StringObject>(y)->string().substring(0, 1));
  });
  EXPECT_EQ(sorted->componentsJoinedByString(","), "a1,a2,b1,b2");
  EXPECT_EQ(a->componentsJoinedByString(","), "b1,a1,b2,a2");  // receiver unchanged
  EXPECT_EQ(ints({3, 1, 2})->sortedArrayUsingCompare()->componentsJoinedByString(" "), "1 2 3");
  auto later = Date::dateWithTimeIntervalSince1970(10), earlier = Date::dateWithTimeIntervalSince1970(5);
  EXPECT_EQ(Array::create({later, earlier})->sortedArrayUsingCompare()->firstObject().get(), earlier.get());
  auto m = MutableArray::create(ints({5, 4, 6})->objects());
  m->sortUsingComparator(byInt);
  EXPECT_TRUE(m->isEqual(ints({4, 5, 6})));
}

TEST(CollectionsArray, MutableOperations) {
  auto m = MutableArray::create();
  m->addObject(box(1));
  m->insertObject(box(0), 0);
  m->addObjectsFromArray(ints({2, 3, 2}));
  EXPECT_EQ(m->componentsJoinedByString(""), "01232");
  m->removeObject(box(2.0));
  EXPECT_EQ(m->componentsJoinedByString(""), "013");
  m->exchangeObjectAtIndex(0, 2);
  m->removeLastObject();
  EXPECT_EQ(m->componentsJoinedByString(""), "31");
  m->replaceObjectAtIndex(1, box("x"));
  m->removeObjectAtIndex(0);
  EXPECT_EQ(m->componentsJoinedByString(""), "x");
  EXPECT_THROW(m->removeObjectAtIndex(1), rt::Exception);
  m->setArray(*ints({7, 8, 9, 10}));
  auto gone = MutableIndexSet::create();
  gone->addIndex(0);
  gone->addIndex(2);
  m->removeObjectsAtIndexes(*gone);
  EXPECT_EQ(m->componentsJoinedByString(","), "8,10");
  m->addObjectsFromArray(*m);
  EXPECT_EQ(m->count(), 4u);
  m->removeAllObjects();
  m->removeLastObject();  // harmless when empty
  EXPECT_TRUE(m->isEmpty());
}

TEST(CollectionsArray, CopiesAndMutability) {
  auto a = ints({1, 2});
  EXPECT_EQ(a->copy().get(), a.get());
  Id mc = a->mutableCopy();
  ASSERT_TRUE(mc->isKindOfClass(MutableArray::classObject()));
  rt::as<MutableArray>(mc)->addObject(box(3));
  EXPECT_EQ(a->count(), 2u);
  Id frozen = mc->copy();
  EXPECT_TRUE(frozen->isMemberOfClass(Array::classObject()));
  EXPECT_FALSE(frozen->isKindOfClass(MutableArray::classObject()));
  rt::as<MutableArray>(mc)->removeAllObjects();
  EXPECT_EQ(rt::as<Array>(frozen)->count(), 3u);
  EXPECT_TRUE(a->isEqual(MutableArray::create(a->objects())));
  EXPECT_FALSE(a->isEqual(ints({1, 2, 3})));
  EXPECT_FALSE(a->isEqual(box("(1, 2)")));
  EXPECT_EQ(MutableArray::classObject()->superclass(), Array::classObject());
  EXPECT_EQ(mc->className(), "NSMutableArray");
  EXPECT_TRUE(a->conformsToProtocol("NSMutableCopying"));
}

TEST(CollectionsArray, Descriptions) {
  struct Case {
    Ref<Array> array;
    const char* text;
  };
  auto dict = Dictionary::withStrings({{"a", ints({1})}});
  const Case cases[] = {
      {Array::create(), "(\n)"},
      {ints({1, 2}), "(\n    1,\n    2\n)"},
      {Array::create({box(1), ints({2})}), "(\n    1,\n        (\n        2\n    )\n)"},
      {Array::create({dict}), "(\n        {\n        a =         (\n            1\n        );\n    }\n)"},
      {Array::create({box("plain"), box("two words"), box(""), box("a_b"), box("x.y")}),
       "(\n    plain,\n    \"two words\",\n    \"\",\n    \"a_b\",\n    \"x.y\"\n)"},
      {Array::create({box(true), box(1.5), box(-1), Null::null()}), "(\n    1,\n    \"1.5\",\n    \"-1\",\n    \"<null>\"\n)"},
      {Array::create({box("q\"uote\n"), box(u"中文")}), "(\n    \"q\\\"uote\\n\",\n    \"\\U4e2d\\U6587\"\n)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.array->description(), c.text);
  }
  EXPECT_EQ(ints({1, 2, 3})->componentsJoinedByString(", "), "1, 2, 3");
}

TEST(CollectionsArray, ACollectionHoldingItselfIsDescribedOnceThenNamed) {
  auto array = MutableArray::create({box(String("a"))});
  auto inner = MutableDictionary::dictionaryWithCapacity(1);
  inner->setObjectForKey(array, String("back"));
  array->addObject(inner);
  String text = array->description();
  EXPECT_TRUE(text.contains("(...)")) << text.utf8();
  EXPECT_LT(text.length(), 200u) << text.utf8();
  array->removeAllObjects();  // lets the pair go
}
