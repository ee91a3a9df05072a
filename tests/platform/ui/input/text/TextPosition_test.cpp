#include "platform/ui/input/text/TextPosition.h"

#include <gtest/gtest.h>

#include "platform/ui/input/text/TextSelectionRect.h"

namespace ui {
namespace {

constexpr auto F = TextAffinity::Forward;
constexpr auto B = TextAffinity::Backward;

Ref<TextPosition> pos(int64_t o, TextAffinity a = F) { return rt::make<TextPosition>(o, a); }

TEST(TextPosition, OrdersByOffsetThenBackwardBeforeForward) {
  struct Case { int64_t ao; TextAffinity aa; int64_t bo; TextAffinity ba; int expected; };
  const Case cases[] = {
      {3, B, 3, F, -1}, {3, F, 3, B, 1}, {3, F, 3, F, 0}, {3, B, 3, B, 0},
      {2, F, 3, B, -1}, {4, B, 3, F, 1}, {-1, F, 0, F, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pos(c.ao, c.aa)->compare(pos(c.bo, c.ba)), c.expected) << c.ao << " vs " << c.bo;
  EXPECT_EQ(pos(3)->compare(nullptr), -1);
}

TEST(TextPosition, StoresOffsetsUncheckedAndComparesEqualityWithAffinity) {
  EXPECT_EQ(pos(-5, B)->offset(), -5);
  EXPECT_EQ(pos(-5, B)->affinity(), B);
  EXPECT_TRUE(pos(4)->isEqual(pos(4)));
  EXPECT_FALSE(pos(4, F)->isEqual(pos(4, B)));
  EXPECT_FALSE(pos(4)->isEqual(pos(5)));
  EXPECT_FALSE(pos(4)->isEqual(rt::Id()));
  EXPECT_NE(pos(4, F)->hash(), pos(4, B)->hash());
  EXPECT_EQ(pos(4, F)->hash(), size_t(9));
  EXPECT_EQ(pos(4, B)->hash(), size_t(8));
  auto copy = std::dynamic_pointer_cast<TextPosition>(pos(7, B)->copy());
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->isEqual(pos(7, B)));
  EXPECT_TRUE(pos(5)->description().utf8().ends_with("(5F)")) << pos(5)->description().utf8();
  EXPECT_TRUE(pos(5, B)->description().utf8().starts_with("<UITextPosition: 0x"));
}

TEST(TextRange, OrdersItsEndsAndRefusesMissingOnes) {
  auto r = rt::make<TextRange>(pos(7), pos(2));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->start()->offset(), 2);
  EXPECT_EQ(r->end()->offset(), 7);
  EXPECT_EQ(r->asRange(), (rt::Range{2, 5}));

  auto same = rt::make<TextRange>(pos(4, F), pos(4, B));
  ASSERT_TRUE(same);
  EXPECT_EQ(same->start()->affinity(), B);
  EXPECT_EQ(same->end()->affinity(), F);
  EXPECT_TRUE(same->isEmpty());

  EXPECT_FALSE(rt::make<TextRange>(pos(1), Ref<TextPosition>()));
  EXPECT_FALSE(rt::make<TextRange>(Ref<TextPosition>(), pos(1)));
}

TEST(TextRange, DefaultAndFromRange) {
  auto d = rt::make<TextRange>();
  EXPECT_TRUE(d->isEmpty());
  EXPECT_EQ(d->asRange(), (rt::Range{0, 0}));
  EXPECT_EQ(d->start()->affinity(), F);
  EXPECT_EQ(d->end()->affinity(), F);

  EXPECT_TRUE(rt::make<TextRange>(rt::Range{10, 0})->isEmpty());
  auto b = rt::make<TextRange>(rt::Range{3, 4}, B);
  EXPECT_EQ(b->start()->offset(), 3);
  EXPECT_EQ(b->end()->offset(), 7);
  EXPECT_EQ(b->start()->affinity(), B);
  EXPECT_EQ(b->end()->affinity(), B);
  EXPECT_TRUE(b->description().utf8().ends_with("(3, 4)B")) << b->description().utf8();
}

TEST(TextRange, EqualityHashAndCopy) {
  auto a = rt::make<TextRange>(pos(1), pos(5));
  auto b = rt::make<TextRange>(pos(1), pos(5));
  auto c = rt::make<TextRange>(pos(1), pos(5, B));
  EXPECT_TRUE(a->isEqual(b));
  EXPECT_EQ(a->hash(), b->hash());
  EXPECT_FALSE(a->isEqual(c));
  EXPECT_NE(a->hash(), c->hash());
  // Start and end must not be interchangeable in the hash.
  EXPECT_EQ(a->hash(), size_t(__builtin_bswap64(3) + 11));
  auto copy = std::dynamic_pointer_cast<TextRange>(a->copy());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), a.get());
  EXPECT_EQ(copy->start(), a->start());  // positions are immutable and shared
  EXPECT_TRUE(copy->isEqual(a));
}

TEST(TextSelectionRect, StartsZeroAndCopiesEveryField) {
  auto r = rt::make<TextSelectionRect>();
  EXPECT_EQ(r->rect(), gfx::RectZero);
  EXPECT_FALSE(r->containsStart() || r->containsEnd() || r->isVertical());
  EXPECT_EQ(r->writingDirection(), WritingDirection::LeftToRight);

  r->setRect({{1, 2}, {3, 4}});
  r->setWritingDirection(WritingDirection::RightToLeft);
  r->setContainsStart(true);
  r->setContainsEnd(true);
  r->setVertical(true);
  auto copy = std::dynamic_pointer_cast<TextSelectionRect>(r->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->rect(), (gfx::Rect{{1, 2}, {3, 4}}));
  EXPECT_EQ(copy->writingDirection(), WritingDirection::RightToLeft);
  EXPECT_TRUE(copy->containsStart() && copy->containsEnd() && copy->isVertical());
  copy->setRect(gfx::RectZero);
  copy->setContainsStart(false);
  EXPECT_EQ(r->rect(), (gfx::Rect{{1, 2}, {3, 4}}));
  EXPECT_TRUE(r->containsStart());
}

TEST(TextInputTypes, KeepThePlatformNumbers) {
  EXPECT_EQ(static_cast<int64_t>(WritingDirection::Natural), -1);
  EXPECT_EQ(static_cast<int64_t>(WritingDirection::RightToLeft), 1);
  EXPECT_EQ(textDirection(TextLayoutDirection::Right), 2);
  EXPECT_EQ(textDirection(TextLayoutDirection::Down), 5);
  EXPECT_EQ(textDirection(TextStorageDirection::Backward), 1);
  EXPECT_EQ(static_cast<int64_t>(TextGranularity::Document), 5);
}

}  // namespace
}  // namespace ui
