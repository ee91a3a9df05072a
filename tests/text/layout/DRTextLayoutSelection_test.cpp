// Selection pieces, the bounding rectangle and the first rectangle of ranges, against the
// lines' geometry and the container's edges.
#include <gtest/gtest.h>

#include "tests/text/layout/QuerySamples.h"

using namespace text;

// Helpers and tests share a namespace of this file's own: test sources compile in batches.
namespace selection_test {
using layout_test::kEps;
using layout_test::latin;

namespace {

Ref<DRTextRange> range(uint64_t from, uint64_t to) { return DRTextRange::rangeWithRange(rt::Range{from, to - from}); }

void expectRect(const gfx::Rect& r, double x, double y, double w, double h, const char* what) {
  EXPECT_NEAR(r.origin.x, x, kEps) << what;
  EXPECT_NEAR(r.origin.y, y, kEps) << what;
  EXPECT_NEAR(r.size.width, w, kEps) << what;
  EXPECT_NEAR(r.size.height, h, kEps) << what;
}

struct Flags {
  bool start, end;
  ui::WritingDirection direction;
};

void expectFlags(const std::vector<Ref<DRTextSelectionRect>>& rects, std::initializer_list<Flags> flags, bool vertical) {
  ASSERT_EQ(rects.size(), flags.size());
  size_t i = 0;
  for (const Flags& f : flags) {
    EXPECT_EQ(rects[i]->containsStart(), f.start) << i;
    EXPECT_EQ(rects[i]->containsEnd(), f.end) << i;
    EXPECT_EQ(rects[i]->writingDirection(), f.direction) << i;
    EXPECT_EQ(rects[i]->isVertical(), vertical) << i;
    ++i;
  }
}

constexpr auto LTR = ui::WritingDirection::LeftToRight;
constexpr auto RTL = ui::WritingDirection::RightToLeft;

}  // namespace

TEST(DRTextLayoutSelection, EmptyAndSingleRowRanges) {
  auto c = DRTextContainer::containerWithSize({300, 300}, {10, 20, 10, 30});
  auto layout = DRTextLayout::layoutWithContainer(c, layout_test::shortLines(3));
  ASSERT_TRUE(layout);
  const auto& l1 = *layout->lines()[1];
  const double a = layout->offsetForTextPosition(9, 1), b = layout->offsetForTextPosition(12, 1);

  auto empty = layout->selectionRectsForRange(range(9, 9));
  expectFlags(empty, {{true, false, LTR}, {false, true, LTR}, {false, false, LTR}}, false);
  expectRect(empty[0]->rect(), a, l1.top(), 0, l1.height(), "start caret");
  expectRect(empty[1]->rect(), a, l1.top(), 0, l1.height(), "end caret");
  expectRect(empty[2]->rect(), a, l1.top(), 0, l1.height(), "zero-length piece");
  auto middle = layout->selectionRectsWithoutStartAndEndForRange(range(9, 9));
  ASSERT_EQ(middle.size(), 1u);
  EXPECT_FALSE(middle[0]->containsStart() || middle[0]->containsEnd());
  expectRect(middle[0]->rect(), a, l1.top(), 0, l1.height(), "without ends");
  expectFlags(layout->selectionRectsWithOnlyStartAndEndForRange(range(9, 9)), {{true, false, LTR}, {false, true, LTR}}, false);

  auto word = layout->selectionRectsForRange(range(9, 12));
  expectFlags(word, {{true, false, LTR}, {false, true, LTR}, {false, false, LTR}}, false);
  expectRect(word[1]->rect(), b, l1.top(), 0, l1.height(), "end caret");
  expectRect(word[2]->rect(), a, l1.top(), b - a, l1.height(), "piece");
  expectRect(layout->rectForRange(range(9, 12)), a, l1.top(), b - a, l1.height(), "rect for range");
  expectRect(layout->firstRectForRange(range(9, 12)), a, l1.top(), b - a, l1.height(), "first rect");
}

TEST(DRTextLayoutSelection, ThreeRowsGiveFivePiecesToTheContainerEdges) {
  const gfx::EdgeInsets insets{10, 20, 10, 30};
  auto c = DRTextContainer::containerWithSize({300, 300}, insets);
  auto layout = DRTextLayout::layoutWithContainer(c, layout_test::shortLines(5));
  ASSERT_TRUE(layout);
  // From "Li|ne 1" (9) to "Li|ne 3" (23).
  const auto& S = *layout->lines()[1];
  const auto& E = *layout->lines()[3];
  const double a = layout->offsetForTextPosition(9, 1), b = layout->offsetForTextPosition(23, 3);
  auto rects = layout->selectionRectsForRange(range(9, 23));
  expectFlags(rects, {{true, false, LTR}, {false, true, LTR}, {false, false, LTR}, {false, false, LTR}, {false, false, LTR}},
              false);
  expectRect(rects[0]->rect(), a, S.top(), 0, S.height(), "start caret");
  expectRect(rects[1]->rect(), b, E.top(), 0, E.height(), "end caret");
  expectRect(rects[2]->rect(), a, S.top(), 300 - 30 - a, S.height(), "start row to the right edge");
  expectRect(rects[3]->rect(), 20, E.top(), b - 20, E.height(), "end row from the left inset");
  expectRect(rects[4]->rect(), 20, S.bottom(), 300 - 30 - 20, E.top() - S.bottom(), "middle block");
  // The bounding rectangle holds them all; the first rectangle is the start row's part.
  expectRect(layout->rectForRange(range(9, 23)), 20, S.top(), 250, E.bottom() - S.top(), "rect for range");
  expectRect(layout->firstRectForRange(range(9, 23)), a, S.top(), S.right() - a, S.height(), "first rect");
  EXPECT_EQ(layout->selectionRectsWithoutStartAndEndForRange(range(9, 23)).size(), 3u);
  EXPECT_EQ(layout->selectionRectsWithOnlyStartAndEndForRange(range(9, 23)).size(), 2u);
}

TEST(DRTextLayoutSelection, NeighbouringRowsMeetHalfway) {
  auto c = DRTextContainer::containerWithSize({300, 300}, {10, 20, 10, 30});
  auto layout = DRTextLayout::layoutWithContainer(c, layout_test::shortLines(3));
  ASSERT_TRUE(layout);
  const auto& S = *layout->lines()[0];
  const auto& E = *layout->lines()[1];
  const double a = layout->offsetForTextPosition(2, 0), b = layout->offsetForTextPosition(10, 1);
  auto rects = layout->selectionRectsForRange(range(2, 10));
  expectFlags(rects, {{true, false, LTR}, {false, true, LTR}, {false, false, LTR}, {false, false, LTR}}, false);
  const double m = (S.bottom() + E.top()) / 2;
  expectRect(rects[2]->rect(), a, S.top(), 270 - a, m - S.top(), "start row");
  expectRect(rects[3]->rect(), 20, m, b - 20, E.bottom() - m, "end row");
  // The caret pieces keep their lines' extent.
  expectRect(rects[0]->rect(), a, S.top(), 0, S.height(), "start caret");
  expectRect(rects[1]->rect(), b, E.top(), 0, E.height(), "end caret");
}

TEST(DRTextLayoutSelection, RightToLeftEndsRunToTheirOwnSide) {
  const gfx::EdgeInsets insets{10, 20, 10, 30};
  // A right-to-left line, then a left-to-right one, then right-to-left again.
  const rt::String s = rt::String(layout_test::kHebrew) + u"\nLeft to right line\n" + layout_test::kHebrew;
  auto layout = DRTextLayout::layoutWithContainer(DRTextContainer::containerWithSize({300, 300}, insets),
                                                  layout_test::text(s, latin(16)));
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 3u);
  const auto& l0 = *layout->lines()[0];
  const auto& l1 = *layout->lines()[1];
  const auto& l2 = *layout->lines()[2];
  // Start in the Hebrew line (after its first word), end in the English one.
  const double a = layout->offsetForTextPosition(6, 0), b = layout->offsetForTextPosition(21, 1);
  auto down = layout->selectionRectsForRange(range(6, 21));
  expectFlags(down, {{true, false, LTR}, {false, true, LTR}, {false, false, RTL}, {false, false, LTR}}, false);
  const double m = (l0.bottom() + l1.top()) / 2;
  expectRect(down[2]->rect(), 20, l0.top(), a - 20, m - l0.top(), "right-to-left start runs to the left edge");
  expectRect(down[3]->rect(), 20, m, b - 20, l1.bottom() - m, "left-to-right end from the left edge");

  // Start in the English line, end in the second Hebrew one: the end piece runs from the
  // caret to the right edge.
  const uint64_t end = l2.range().location + 6;
  const double c0 = layout->offsetForTextPosition(21, 1), c1 = layout->offsetForTextPosition(end, 2);
  auto up = layout->selectionRectsForRange(range(21, end));
  expectFlags(up, {{true, false, LTR}, {false, true, LTR}, {false, false, LTR}, {false, false, RTL}}, false);
  const double m2 = (l1.bottom() + l2.top()) / 2;
  expectRect(up[2]->rect(), c0, l1.top(), 270 - c0, m2 - l1.top(), "left-to-right start");
  expectRect(up[3]->rect(), c1, m2, 270 - c1, l2.bottom() - m2, "right-to-left end to the right edge");
}

TEST(DRTextLayoutSelection, VerticalColumns) {
  const gfx::EdgeInsets insets{10, 5, 20, 5};
  auto c = DRTextContainer::containerWithSize({300, 200}, insets);
  c->setVerticalForm(true);
  auto layout = DRTextLayout::layoutWithContainer(c, layout_test::text(u"区里的新闻\n每天更新\n读者可以\n频道", layout_test::cjk(16)));
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->rowCount(), 4u);
  const auto& S = *layout->lines()[0];
  const auto& E = *layout->lines()[2];
  // From the second character of the first column to the third of the third.
  const double a = layout->offsetForTextPosition(1, 0), b = layout->offsetForTextPosition(13, 2);
  auto rects = layout->selectionRectsForRange(range(1, 13));
  expectFlags(rects, {{true, false, LTR}, {false, true, LTR}, {false, false, LTR}, {false, false, LTR}, {false, false, LTR}},
              true);
  expectRect(rects[0]->rect(), S.left(), a, S.width(), 0, "start caret");
  expectRect(rects[1]->rect(), E.left(), b, E.width(), 0, "end caret");
  expectRect(rects[2]->rect(), S.left(), a, S.width(), 180 - a, "start column to the bottom edge");
  expectRect(rects[3]->rect(), E.left(), 10, E.width(), b - 10, "end column from the top inset");
  expectRect(rects[4]->rect(), E.right(), 10, S.left() - E.right(), 170, "middle block between the columns");
  expectRect(layout->firstRectForRange(range(1, 13)), S.left(), a, S.width(), S.bottom() - a, "first rect");
  // Neighbouring columns meet halfway across the gap.
  const auto& N = *layout->lines()[1];
  auto two = layout->selectionRectsForRange(range(1, 8));
  ASSERT_EQ(two.size(), 4u);
  const double m = (N.right() + S.left()) / 2;
  EXPECT_NEAR(two[2]->rect().origin.x, m, kEps);
  EXPECT_NEAR(two[2]->rect().origin.x + two[2]->rect().size.width, S.right(), kEps);
  EXPECT_NEAR(two[3]->rect().origin.x, N.left(), kEps);
  EXPECT_NEAR(two[3]->rect().origin.x + two[3]->rect().size.width, m, kEps);
}

TEST(DRTextLayoutSelection, PathContainersUseTheLinesOwnEdges) {
  auto c = DRTextContainer::containerWithPath(gfx::BezierPath::bezierPathWithRect(gfx::RectMake(40, 20, 200, 300)));
  auto layout = DRTextLayout::layoutWithContainer(c, layout_test::shortLines(5));
  ASSERT_TRUE(layout);
  const auto& S = *layout->lines()[1];
  const auto& E = *layout->lines()[3];
  const double a = layout->offsetForTextPosition(9, 1), b = layout->offsetForTextPosition(23, 3);
  auto rects = layout->selectionRectsForRange(range(9, 23));
  ASSERT_EQ(rects.size(), 5u);
  expectRect(rects[2]->rect(), a, S.top(), S.right() - a, S.height(), "start row to its line's end");
  expectRect(rects[3]->rect(), E.left(), E.top(), b - E.left(), E.height(), "end row from its line's start");
  const auto& M = *layout->lines()[2];
  expectRect(rects[4]->rect(), M.left(), S.bottom(), M.width(), E.top() - S.bottom(), "middle block of the line between");
}

TEST(DRTextLayoutSelection, MissingEndsGiveNothing) {
  auto layout = DRTextLayout::layoutWithContainerSize({300, 300}, layout_test::shortLines(2));
  ASSERT_TRUE(layout);
  // "Line 0\nLine 1" ends at 13: a forward position there has no line.
  auto toEnd = range(3, 13);
  EXPECT_TRUE(layout->selectionRectsForRange(toEnd).empty());
  EXPECT_TRUE(layout->selectionRectsWithOnlyStartAndEndForRange(toEnd).empty());
  EXPECT_TRUE(gfx::RectIsNull(layout->rectForRange(toEnd)));
  EXPECT_TRUE(gfx::RectIsNull(layout->firstRectForRange(toEnd)));
  EXPECT_TRUE(layout->selectionRectsForRange(nullptr).empty());
  EXPECT_TRUE(gfx::RectIsNull(layout->rectForRange(nullptr)));
  EXPECT_TRUE(gfx::RectIsNull(layout->firstRectForRange(nullptr)));
  EXPECT_TRUE(gfx::RectIsNull(layout->rectForRange(range(20, 25))));
  // With the backward end, the same range has its pieces.
  auto backward = DRTextRange::rangeWithStart(DRTextPosition::positionWithOffset(3),
                                              DRTextPosition::positionWithOffset(13, DRTextAffinityBackward));
  EXPECT_EQ(layout->selectionRectsForRange(backward).size(), 4u);
  EXPECT_FALSE(gfx::RectIsNull(layout->rectForRange(backward)));
}

TEST(DRTextLayoutSelection, FirstRectOfRowsSplitAroundAnExclusion) {
  auto t = layout_test::text(u"The district news is updated every day, with pictures and video from local reporters on the ground.",
                             latin(12));
  auto c = DRTextContainer::containerWithSize({300, 400});
  c->setExclusionPaths({gfx::BezierPath::bezierPathWithRect(gfx::RectMake(120, 0, 60, 400))});
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lineCountForRow(0), 2u);
  const auto& a = *layout->lines()[0];
  const auto& b = *layout->lines()[1];
  // From inside the first piece to the second row: the first piece's part united with the
  // other piece of its row.
  const uint64_t from = a.range().location + 2;
  const uint64_t to = layout->lines()[2]->range().location + 2;
  const double o = layout->offsetForTextPosition(from, 0);
  const gfx::Rect first = layout->firstRectForRange(range(from, to));
  expectRect(first, o, std::min(a.top(), b.top()), b.right() - o, std::max(a.bottom(), b.bottom()) - std::min(a.top(), b.top()),
             "first row, both pieces");
  // Within one piece: that part alone.
  const double o2 = layout->offsetForTextPosition(from + 3, 0);
  expectRect(layout->firstRectForRange(range(from, from + 3)), o, a.top(), o2 - o, a.height(), "one piece");
}

}  // namespace selection_test
