// Sets, index sets and index paths.
#include <gtest/gtest.h>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

using namespace fd;

TEST(CollectionsSet, MembershipByValue) {
  auto s = Set::create({box("a"), box(1), box(1.0), URL::URLWithString("http://x/y"), box("a")});
  EXPECT_EQ(s->count(), 3u);
  EXPECT_TRUE(s->containsObject(box(true)));  // true == 1
  EXPECT_TRUE(s->containsObject(URL::URLWithString("http://x/y")));
  EXPECT_FALSE(s->containsObject(URL::URLWithString("http://x/y/")));
  Id a = s->member(box("a"));
  ASSERT_TRUE(a);
  EXPECT_EQ(a.get(), s->allObjects()->objectAtIndex(0).get());
  EXPECT_EQ(s->member(box("zz")), nullptr);
  EXPECT_THROW(Set::create({nullptr}), rt::Exception);
}

TEST(CollectionsSet, Algebra) {
  auto m = MutableSet::create({box(1), box(2), box(3)});
  auto other = Set::create({box(2), box(3), box(4)});
  EXPECT_TRUE(m->intersectsSet(*other));
  EXPECT_FALSE(m->isSubsetOfSet(*other));
  m->unionSet(*other);
  EXPECT_EQ(m->count(), 4u);
  m->minusSet(*Set::create({box(1), box(9)}));
  EXPECT_TRUE(m->isEqual(Set::create({box(4), box(3), box(2)})));
  m->intersectSet(*Set::create({box(3), box(4), box(5)}));
  EXPECT_TRUE(m->isEqual(Set::create({box(3), box(4)})));
  EXPECT_TRUE(m->isSubsetOfSet(*other));
  m->removeObject(box(3));
  m->addObject(box(4));
  EXPECT_EQ(m->count(), 1u);
  EXPECT_THROW(m->addObject(nullptr), rt::Exception);
  for (int i = 0; i < 50; ++i) m->addObject(box(i));  // across the index threshold
  EXPECT_EQ(m->count(), 50u);
  for (int i = 0; i < 50; i += 5) m->removeObject(box(i));
  EXPECT_EQ(m->count(), 40u);
  EXPECT_FALSE(m->containsObject(box(45)));
  EXPECT_TRUE(m->containsObject(box(46)));
}

TEST(CollectionsSet, SortedByDescriptionCopiesAndDescription) {
  auto s = Set::create({box("pear"), box("apple"), box("Zebra")});
  EXPECT_EQ(s->sortedByDescription()->componentsJoinedByString(","), "Zebra,apple,pear");
  EXPECT_EQ(s->copy().get(), s.get());
  Id m = s->mutableCopy();
  EXPECT_TRUE(m->isKindOfClass(MutableSet::classObject()));
  rt::as<MutableSet>(m)->addObject(box("fig"));
  EXPECT_EQ(s->count(), 3u);
  Id frozen = m->copy();
  EXPECT_TRUE(frozen->isMemberOfClass(Set::classObject()));
  EXPECT_EQ(rt::as<Set>(frozen)->count(), 4u);
  EXPECT_EQ(Set::create({box(1), box("a b")})->description(), "{(\n    1,\n    \"a b\"\n)}");
  EXPECT_EQ(MutableSet::classObject()->superclass(), Set::classObject());
}

TEST(CollectionsIndexSet, RangesMergeAndSplit) {
  auto s = IndexSet::indexSetWithIndexesInRange(200, 100);
  EXPECT_EQ(s->count(), 100u);
  EXPECT_EQ(s->firstIndex(), 200u);
  EXPECT_EQ(s->lastIndex(), 299u);
  struct Probe {
    uint64_t index;
    bool in;
  };
  for (Probe p : {Probe{199, false}, Probe{200, true}, Probe{250, true}, Probe{299, true}, Probe{300, false}}) {
    SCOPED_TRACE(p.index);
    EXPECT_EQ(s->containsIndex(p.index), p.in);
  }
  EXPECT_TRUE(IndexSet::indexSetWithIndex(5)->containsIndex(5));
  EXPECT_EQ(IndexSet::indexSet()->firstIndex(), NotFound);
  EXPECT_EQ(IndexSet::indexSet()->lastIndex(), NotFound);

  auto m = MutableIndexSet::create();
  m->addIndexesInRange(Range{10, 5});  // 10-14
  m->addIndex(16);
  m->addIndex(15);                      // joins both: 10-16
  EXPECT_EQ(m->rangeCount(), 1u);
  m->addIndexesInRange(Range{30, 10});  // 30-39
  m->removeIndexesInRange(Range{33, 2});  // 30-32 36-39... 35-39
  EXPECT_EQ(m->ranges(), (std::vector<Range>{{10, 7}, {30, 3}, {35, 5}}));
  EXPECT_EQ(m->count(), 15u);
  EXPECT_EQ(m->indexGreaterThanIndex(16), 30u);
  EXPECT_EQ(m->indexGreaterThanIndex(39), NotFound);
  EXPECT_EQ(m->indexLessThanIndex(35), 32u);
  EXPECT_EQ(m->indexLessThanIndex(10), NotFound);
  EXPECT_TRUE(m->containsIndexesInRange(Range{11, 3}));
  EXPECT_FALSE(m->containsIndexesInRange(Range{31, 5}));
  EXPECT_EQ(m->countOfIndexesInRange(Range{15, 20}), 2u + 3u);
  EXPECT_TRUE(m->containsIndexes(*IndexSet::indexSetWithIndexesInRange(Range{36, 2})));

  std::vector<uint64_t> rev;
  m->enumerateIndexes(EnumerationReverse, [&](uint64_t i, bool& stop) {
    rev.push_back(i);
    stop = rev.size() == 3;
  });
  EXPECT_EQ(rev, (std::vector<uint64_t>{39, 38, 37}));

  m->shiftIndexesStartingAtIndex(30, 5);
  EXPECT_EQ(m->ranges(), (std::vector<Range>{{10, 7}, {35, 3}, {40, 5}}));
  m->shiftIndexesStartingAtIndex(35, -20);  // 15-16 overwritten, the rest moves down
  EXPECT_EQ(m->ranges(), (std::vector<Range>{{10, 8}, {20, 5}}));
}

TEST(CollectionsIndexSet, EqualityCopiesDescription) {
  auto a = IndexSet::indexSetWithIndexesInRange(Range{1, 3});
  auto m = MutableIndexSet::create();
  m->addIndex(3);
  m->addIndex(1);
  m->addIndex(2);
  EXPECT_TRUE(a->isEqual(m));
  EXPECT_EQ(a->hash(), m->hash());
  Id frozen = m->copy();
  EXPECT_TRUE(frozen->isMemberOfClass(IndexSet::classObject()));
  m->removeAllIndexes();
  EXPECT_EQ(rt::as<IndexSet>(frozen)->count(), 3u);
  EXPECT_TRUE(a->mutableCopy()->isKindOfClass(MutableIndexSet::classObject()));
  auto d = IndexSet::indexSetWithIndexesInRange(Range{200, 100})->description();
  EXPECT_TRUE(d.hasSuffix("[number of indexes: 100 (in 1 ranges), indexes: (200-299)]")) << d;
  auto two = MutableIndexSet::create();
  two->addIndex(4);
  two->addIndexesInRange(Range{7, 3});
  EXPECT_TRUE(two->description().hasSuffix("[number of indexes: 4 (in 2 ranges), indexes: (4 7-9)]"));
}

TEST(CollectionsIndexPath, RowsSectionsAndOrder) {
  auto p = IndexPath::indexPathForRow(3, 1);
  EXPECT_EQ(p->section(), 1u);
  EXPECT_EQ(p->row(), 3u);
  EXPECT_EQ(IndexPath::indexPathForItem(4, 2)->item(), 4u);
  EXPECT_TRUE(p->isEqual(IndexPath::indexPathWithIndexes({1, 3})));
  EXPECT_EQ(p->hash(), IndexPath::indexPathWithIndexes({1, 3})->hash());
  EXPECT_FALSE(p->isEqual(IndexPath::indexPathForRow(1, 3)));
  struct Case {
    std::vector<uint64_t> a, b;
    Ordering order;
  };
  const Case cases[] = {
      {{0, 1}, {0, 2}, Ordering::Ascending},
      {{1, 0}, {0, 9}, Ordering::Descending},
      {{1, 2}, {1, 2}, Ordering::Same},
      {{1}, {1, 0}, Ordering::Ascending},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IndexPath::indexPathWithIndexes(c.a)->compare(*IndexPath::indexPathWithIndexes(c.b)), c.order);
  }
  auto deep = IndexPath::indexPathWithIndex(7)->indexPathByAddingIndex(8)->indexPathByAddingIndex(9);
  EXPECT_EQ(deep->length(), 3u);
  EXPECT_EQ(deep->indexAtPosition(2), 9u);
  EXPECT_EQ(deep->indexAtPosition(3), NotFound);
  EXPECT_THROW(deep->row(), rt::Exception);
  EXPECT_EQ(deep->indexPathByRemovingLastIndex()->row(), 8u);
  EXPECT_TRUE(p->description().hasSuffix("{length = 2, path = 1 - 3}"));
}
