#include <gtest/gtest.h>

#include <limits>

#include "tests/text/layout/LayoutSupport.h"
#include "text/layout/DRTextLayout.h"

using namespace text;
using layout_test::kEps;
using layout_test::latin;

namespace {

constexpr double kNoOffset = std::numeric_limits<double>::max();

}  // namespace

TEST(DRTextLayoutLookup, RowsAndLinesOfAPlainLayout) {
  auto layout = DRTextLayout::layoutWithContainerSize({300, 500}, layout_test::shortLines(4));
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->rowCount(), 4u);
  const auto& lines = layout->lines();
  for (uint64_t i = 0; i < 4; ++i) {
    EXPECT_EQ(layout->lineIndexForRow(i), i);
    EXPECT_EQ(layout->lineCountForRow(i), 1u);
    EXPECT_EQ(layout->rowIndexForLine(i), i);
    const gfx::Point mid{lines[i]->left() + 5, (lines[i]->top() + lines[i]->bottom()) / 2};
    EXPECT_EQ(layout->lineIndexForPoint(mid), i);
    EXPECT_EQ(layout->closestLineIndexForPoint(mid), i);
  }
  for (uint64_t past : {4ull, 100ull}) {
    EXPECT_EQ(layout->lineIndexForRow(past), rt::NotFound);
    EXPECT_EQ(layout->lineCountForRow(past), rt::NotFound);
    EXPECT_EQ(layout->rowIndexForLine(past), rt::NotFound);
  }
  // Between two rows the shared boundary decides; outside every row's extent only the
  // closest lookup answers.
  const double m = layout->lineRowsEdge()[1].head;
  EXPECT_EQ(layout->closestLineIndexForPoint({10, m - 0.01}), 0u);
  EXPECT_EQ(layout->closestLineIndexForPoint({10, m + 0.01}), 1u);
  EXPECT_EQ(layout->closestLineIndexForPoint({10, -50}), 0u);
  EXPECT_EQ(layout->closestLineIndexForPoint({10, 1000}), 3u);
  EXPECT_EQ(layout->lineIndexForPoint({10, -50}), rt::NotFound);
  EXPECT_EQ(layout->lineIndexForPoint({10, 1000}), rt::NotFound);
  // Right of the text, in the row: no line holds the point, the closest is that row's.
  EXPECT_EQ(layout->lineIndexForPoint({290, (lines[2]->top() + lines[2]->bottom()) / 2}), rt::NotFound);
  EXPECT_EQ(layout->closestLineIndexForPoint({290, (lines[2]->top() + lines[2]->bottom()) / 2}), 2u);
}

TEST(DRTextLayoutLookup, PiecesOfOneRowAroundAnExclusion) {
  auto t = layout_test::text(u"The district news is updated every day, with pictures and video from local reporters on the ground.",
                             latin(12));
  auto c = DRTextContainer::containerWithSize({300, 400});
  c->setExclusionPaths({gfx::BezierPath::bezierPathWithRect(gfx::RectMake(120, 0, 60, 400))});
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lineCountForRow(0), 2u);
  const auto& a = layout->lines()[0];
  const auto& b = layout->lines()[1];
  const double y = (a->top() + a->bottom()) / 2;
  EXPECT_EQ(layout->lineIndexForPoint({a->left() + 1, y}), 0u);
  EXPECT_EQ(layout->lineIndexForPoint({b->left() + 1, y}), 1u);
  EXPECT_EQ(layout->lineIndexForPoint({150, y}), rt::NotFound);
  // In the gap, the nearer piece wins; on a tie the earlier one.
  EXPECT_EQ(layout->closestLineIndexForPoint({a->right() + 1, y}), 0u);
  EXPECT_EQ(layout->closestLineIndexForPoint({b->left() - 1, y}), 1u);
  EXPECT_EQ(layout->closestLineIndexForPoint({(a->right() + b->left()) / 2, y}), 0u);
  EXPECT_EQ(layout->rowIndexForLine(1), 0u);
  EXPECT_EQ(layout->lineIndexForRow(1), 2u);
}

TEST(DRTextLayoutLookup, VerticalRowsRunRightToLeft) {
  auto t = layout_test::text(u"区里的新闻\n每天更新\n读者可以切换", layout_test::cjk(16));
  auto c = DRTextContainer::containerWithSize({300, 200});
  c->setVerticalForm(true);
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->rowCount(), 3u);
  for (uint64_t i = 0; i < 3; ++i) {
    const auto& l = layout->lines()[i];
    EXPECT_EQ(layout->lineIndexForPoint({(l->left() + l->right()) / 2, l->top() + 3}), i);
  }
  EXPECT_EQ(layout->closestLineIndexForPoint({299.5, 10}), 0u);
  EXPECT_EQ(layout->closestLineIndexForPoint({1, 10}), 2u);
  // Along a column: y.
  const auto& first = layout->lines()[0];
  EXPECT_NEAR(layout->offsetForTextPosition(0, 0), first->position().y, kEps);
  EXPECT_NEAR(layout->offsetForTextPosition(2, 0), first->position().y + first->CTLine()->offsetForStringIndex(2), kEps);
  EXPECT_EQ(layout->textPositionForPoint({first->position().x, first->position().y + 1}, 0), 0u);
}

TEST(DRTextLayoutLookup, OffsetsAndPositionsAlongALine) {
  auto c = DRTextContainer::containerWithSize({300, 300}, {10, 20, 0, 0});
  auto layout = DRTextLayout::layoutWithContainer(c, layout_test::text(u"Hello world\nSecond", latin(16)));
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 2u);
  const auto& l0 = layout->lines()[0];
  const auto& l1 = layout->lines()[1];
  EXPECT_NEAR(layout->offsetForTextPosition(0, 0), 20, kEps);
  EXPECT_NEAR(layout->offsetForTextPosition(5, 0), 20 + l0->CTLine()->offsetForStringIndex(5), kEps);
  EXPECT_GT(layout->offsetForTextPosition(5, 0), layout->offsetForTextPosition(4, 0));
  // Both ends of the line's range are on it; beyond them, or past the lines, nothing.
  EXPECT_NE(layout->offsetForTextPosition(l0->range().end(), 0), kNoOffset);
  EXPECT_EQ(layout->offsetForTextPosition(l1->range().end() + 1, 1), kNoOffset);
  EXPECT_EQ(layout->offsetForTextPosition(0, 1), kNoOffset);
  EXPECT_EQ(layout->offsetForTextPosition(0, 2), kNoOffset);

  // Points map to the nearest caret of the line.
  EXPECT_EQ(layout->textPositionForPoint({0, l0->position().y}, 0), 0u);
  const double between45 = (layout->offsetForTextPosition(4, 0) + layout->offsetForTextPosition(5, 0)) / 2;
  EXPECT_EQ(layout->textPositionForPoint({between45 - 0.5, 0}, 0), 4u);
  EXPECT_EQ(layout->textPositionForPoint({between45 + 0.5, 0}, 0), 5u);
  EXPECT_EQ(layout->textPositionForPoint({1000, 0}, 1), l1->range().end());
  EXPECT_EQ(layout->textPositionForPoint({0, 0}, 2), rt::NotFound);
}

TEST(DRTextLayoutLookup, EmptyLayoutFindsNothing) {
  auto layout = DRTextLayout::layoutWithContainerSize({100, 100}, typeset::AttributedString::create(u""));
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->lineIndexForPoint({1, 1}), rt::NotFound);
  EXPECT_EQ(layout->closestLineIndexForPoint({1, 1}), rt::NotFound);
  EXPECT_EQ(layout->lineIndexForRow(0), rt::NotFound);
  EXPECT_EQ(layout->lineCountForRow(0), rt::NotFound);
  EXPECT_EQ(layout->rowIndexForLine(0), rt::NotFound);
  EXPECT_EQ(layout->offsetForTextPosition(0, 0), kNoOffset);
  EXPECT_EQ(layout->textPositionForPoint({1, 1}, 0), rt::NotFound);
}
