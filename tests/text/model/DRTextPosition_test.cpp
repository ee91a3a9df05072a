#include <gtest/gtest.h>

#include <unordered_set>

#include "text/model/DRTextPosition.h"

using namespace text;

namespace {
Ref<DRTextPosition> pos(int64_t offset, DRTextPositionAffinity a = DRTextAffinityForward) {
  return DRTextPosition::positionWithOffset(offset, a);
}
constexpr auto B = DRTextAffinityBackward;
constexpr auto F = DRTextAffinityForward;
}  // namespace

TEST(DRTextPosition, OrderingTable) {
  struct Case {
    int64_t offset;
    DRTextPositionAffinity affinity;
    int64_t otherOffset;
    DRTextPositionAffinity otherAffinity;
    int expected;
  };
  const Case cases[] = {
      {3, B, 3, F, -1}, {3, F, 3, B, 1}, {3, F, 3, F, 0}, {3, B, 3, B, 0},
      {2, F, 3, B, -1}, {4, B, 3, F, 1}, {-1, F, 0, F, -1}, {0, B, -5, F, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pos(c.offset, c.affinity)->compare(pos(c.otherOffset, c.otherAffinity)), c.expected)
        << c.offset << "/" << static_cast<int>(c.affinity) << " vs " << c.otherOffset;
  EXPECT_EQ(pos(3)->compare(nullptr), -1);
}

TEST(DRTextPosition, ValuesEqualityHashAndCopy) {
  auto p = DRTextPosition::positionWithOffset(-7, B);  // stored as given
  EXPECT_EQ(p->offset(), -7);
  EXPECT_EQ(p->affinity(), B);
  EXPECT_EQ(DRTextPosition::positionWithOffset(4)->affinity(), F);

  EXPECT_TRUE(pos(4, F)->isEqual(pos(4, F).get()));
  EXPECT_FALSE(pos(4, F)->isEqual(pos(4, B).get()));
  EXPECT_FALSE(pos(4, F)->isEqual(pos(5, F).get()));
  EXPECT_FALSE(pos(4)->isEqual(nullptr));
  EXPECT_EQ(pos(4, F)->hash(), 9u);
  EXPECT_EQ(pos(4, B)->hash(), 8u);
  std::unordered_set<size_t> hashes;
  for (int64_t o = 0; o < 50; ++o)
    for (auto a : {F, B}) hashes.insert(pos(o, a)->hash());
  EXPECT_EQ(hashes.size(), 100u);

  auto copy = rt::as<DRTextPosition>(p->copy());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, p);
  EXPECT_TRUE(copy->isEqual(p.get()));
  EXPECT_NE(pos(5)->description().utf8().find("(5F)"), std::string::npos);
  EXPECT_NE(pos(5, B)->description().utf8().find("DRTextPosition"), std::string::npos);
}

TEST(DRTextRange, FactoriesOrderTheirEnds) {
  auto r = DRTextRange::rangeWithStart(pos(7), pos(2));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->start()->offset(), 2);
  EXPECT_EQ(r->end()->offset(), 7);
  EXPECT_EQ(r->asRange().location, 2u);
  EXPECT_EQ(r->asRange().length, 5u);

  auto same = DRTextRange::rangeWithStart(pos(4, F), pos(4, B));
  ASSERT_TRUE(same);
  EXPECT_EQ(same->start()->affinity(), B);
  EXPECT_EQ(same->end()->affinity(), F);
  EXPECT_TRUE(same->isEmpty());

  EXPECT_FALSE(DRTextRange::rangeWithStart(nullptr, pos(1)));
  EXPECT_FALSE(DRTextRange::rangeWithStart(pos(1), nullptr));

  for (auto empty : {DRTextRange::defaultRange(), rt::make<DRTextRange>()}) {
    EXPECT_TRUE(empty->isEmpty());
    EXPECT_EQ(empty->asRange().location, 0u);
    EXPECT_EQ(empty->asRange().length, 0u);
    EXPECT_EQ(empty->start()->affinity(), F);
    EXPECT_EQ(empty->end()->affinity(), F);
    ASSERT_TRUE(empty->start());  // positions of the rich-text class
  }
  auto atTen = DRTextRange::rangeWithRange({10, 0});
  EXPECT_TRUE(atTen->isEmpty());
  auto backward = DRTextRange::rangeWithRange({3, 4}, B);
  EXPECT_EQ(backward->start()->affinity(), B);
  EXPECT_EQ(backward->end()->affinity(), B);
  EXPECT_EQ(backward->end()->offset(), 7);
  EXPECT_NE(backward->description().utf8().find("(3, 4)B"), std::string::npos);
}

TEST(DRTextRange, EqualityHashAndCopy) {
  auto r = DRTextRange::rangeWithRange({2, 3});
  EXPECT_TRUE(r->isEqual(DRTextRange::rangeWithRange({2, 3}).get()));
  EXPECT_FALSE(r->isEqual(DRTextRange::rangeWithRange({2, 3}, B).get()));
  EXPECT_FALSE(r->isEqual(DRTextRange::rangeWithRange({2, 4}).get()));
  EXPECT_FALSE(r->isEqual(nullptr));
  EXPECT_EQ(r->hash(), __builtin_bswap64(pos(2)->hash()) + pos(5)->hash());
  // Ranges with swapped hashes of their ends differ.
  EXPECT_NE(DRTextRange::rangeWithRange({0, 1})->hash(), DRTextRange::rangeWithStart(pos(0, B), pos(0, F))->hash());

  auto copy = rt::as<DRTextRange>(r->copy());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, r);
  EXPECT_EQ(copy->start(), r->start());  // positions are shared
  EXPECT_EQ(copy->end(), r->end());
}

TEST(DRTextSelectionRect, CopyKeepsEveryFieldAndIsIndependent) {
  auto rect = rt::make<DRTextSelectionRect>();
  EXPECT_EQ(rect->rect(), gfx::RectZero);
  EXPECT_FALSE(rect->containsStart());
  EXPECT_FALSE(rect->containsEnd());
  EXPECT_FALSE(rect->isVertical());
  rect->setRect({1.5, 2, 30, 18});
  rect->setWritingDirection(ui::WritingDirection::RightToLeft);
  rect->setContainsStart(true);
  rect->setContainsEnd(true);
  rect->setVertical(true);
  auto copy = rt::as<DRTextSelectionRect>(rect->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->rect(), rect->rect());
  EXPECT_EQ(copy->writingDirection(), ui::WritingDirection::RightToLeft);
  EXPECT_TRUE(copy->containsStart());
  EXPECT_TRUE(copy->containsEnd());
  EXPECT_TRUE(copy->isVertical());
  copy->setRect({0, 0, 1, 1});
  copy->setContainsStart(false);
  EXPECT_EQ(rect->rect(), (gfx::Rect{1.5, 2, 30, 18}));
  EXPECT_TRUE(rect->containsStart());
}
