// Positions for points, ranges grown from positions, carets and baseline points, checked
// against the lines' own geometry.
#include <gtest/gtest.h>

#include <limits>

#include "tests/text/layout/QuerySamples.h"

using namespace text;

// Helpers and tests share a namespace of this file's own: test sources compile in batches.
namespace positions_test {
using layout_test::kEps;
using layout_test::latin;

namespace {

using D = ui::TextLayoutDirection;

Ref<DRTextPosition> pos(int64_t o, DRTextPositionAffinity a = DRTextAffinityForward) {
  return DRTextPosition::positionWithOffset(o, a);
}

double midY(const DRTextLine& l) { return (l.top() + l.bottom()) / 2; }
double midX(const DRTextLine& l) { return (l.left() + l.right()) / 2; }

void expectPosition(const Ref<DRTextPosition>& p, int64_t offset, DRTextPositionAffinity affinity, const char* what) {
  ASSERT_TRUE(p) << what;
  EXPECT_EQ(p->offset(), offset) << what;
  EXPECT_EQ(p->affinity(), affinity) << what;
}

void expectRange(const Ref<DRTextRange>& r, int64_t start, int64_t end, const char* what) {
  ASSERT_TRUE(r) << what;
  EXPECT_EQ(r->start()->offset(), start) << what;
  EXPECT_EQ(r->end()->offset(), end) << what;
}

}  // namespace

TEST(DRTextLayoutPositions, LinesOfPositionsAtBreaks) {
  // "Hello world\n" is line 0 (0..12), "Second" line 1 (12..18).
  auto layout = DRTextLayout::layoutWithContainerSize({300, 300}, layout_test::text(u"Hello world\nSecond", latin(16)));
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 2u);
  struct Case {
    int64_t offset;
    DRTextPositionAffinity affinity;
    uint64_t line;
  } cases[] = {
      {0, DRTextAffinityForward, 0},   {0, DRTextAffinityBackward, rt::NotFound},
      {5, DRTextAffinityBackward, 0},  {12, DRTextAffinityBackward, 0},
      {12, DRTextAffinityForward, 1},  {18, DRTextAffinityBackward, 1},
      {18, DRTextAffinityForward, rt::NotFound}, {19, DRTextAffinityBackward, rt::NotFound},
      {-1, DRTextAffinityForward, rt::NotFound},
  };
  for (const auto& c : cases)
    EXPECT_EQ(layout->lineIndexForPosition(pos(c.offset, c.affinity)), c.line) << c.offset << " " << int(c.affinity);
  EXPECT_EQ(layout->lineIndexForPosition(nullptr), rt::NotFound);

  // Carets span their line; baseline points sit on it.
  const auto& l1 = layout->lines()[1];
  const gfx::Rect caret = layout->caretRectForPosition(pos(14));
  EXPECT_NEAR(caret.origin.x, layout->offsetForTextPosition(14, 1), kEps);
  EXPECT_EQ(caret.size.width, 0);
  EXPECT_NEAR(caret.origin.y, l1->top(), kEps);
  EXPECT_NEAR(caret.size.height, l1->height(), kEps);
  const gfx::Point base = layout->linePositionForPosition(pos(14));
  EXPECT_NEAR(base.x, caret.origin.x, kEps);
  EXPECT_NEAR(base.y, l1->position().y, kEps);
  // The same offset, two places.
  EXPECT_NEAR(layout->caretRectForPosition(pos(12, DRTextAffinityBackward)).origin.y, layout->lines()[0]->top(), kEps);
  EXPECT_NEAR(layout->caretRectForPosition(pos(12)).origin.y, l1->top(), kEps);
  EXPECT_TRUE(gfx::RectIsNull(layout->caretRectForPosition(pos(18))));
  EXPECT_TRUE(gfx::PointEqualToPoint(layout->linePositionForPosition(pos(40)), gfx::PointZero));
}

TEST(DRTextLayoutPositions, EmptyLayoutAnswersNothing) {
  auto layout = DRTextLayout::layoutWithContainerSize({100, 100}, typeset::AttributedString::create(u""));
  ASSERT_TRUE(layout);
  auto p = pos(0);
  EXPECT_EQ(layout->lineIndexForPosition(p), rt::NotFound);
  EXPECT_FALSE(layout->closestPositionToPoint({5, 5}));
  EXPECT_FALSE(layout->textRangeAtPoint({5, 5}));
  EXPECT_FALSE(layout->closestTextRangeAtPoint({5, 5}));
  EXPECT_TRUE(gfx::RectIsNull(layout->caretRectForPosition(p)));
  EXPECT_TRUE(gfx::PointEqualToPoint(layout->linePositionForPosition(p), gfx::PointZero));
  EXPECT_EQ(layout->positionForPoint({5, 5}, p, pos(0)), p);
  EXPECT_TRUE(layout->selectionRectsForRange(DRTextRange::rangeWithRange({0, 0})).empty());
  EXPECT_TRUE(gfx::RectIsNull(layout->rectForRange(DRTextRange::rangeWithRange({0, 0}))));
  EXPECT_TRUE(gfx::RectIsNull(layout->firstRectForRange(DRTextRange::rangeWithRange({0, 0}))));
  // The empty visible range: both ends are the one place there is.
  expectRange(layout->textRangeByExtendingPosition(p), 0, 0, "unit");
  expectRange(layout->textRangeByExtendingPosition(p, D::Right, 1), 0, 0, "right");
  EXPECT_FALSE(layout->textRangeByExtendingPosition(pos(1)));
  EXPECT_FALSE(layout->textRangeByExtendingPosition(nullptr, D::Right, 1));
}

TEST(DRTextLayoutPositions, TapsAroundTheLines) {
  const rt::String s = u"Hello world\nSecond line";
  auto c = DRTextContainer::containerWithSize({300, 300}, {20, 30, 0, 0});
  auto layout = DRTextLayout::layoutWithContainer(c, layout_test::text(s, latin(16)));
  ASSERT_TRUE(layout);
  const auto& l0 = *layout->lines()[0];
  const auto& l1 = *layout->lines()[1];
  // Left of a left-to-right line's first glyph: the line start, forward.
  expectPosition(layout->closestPositionToPoint({5, midY(l1)}), 12, DRTextAffinityForward, "left of line 1");
  // Right of the last glyph of the last line: the line end, backward.
  expectPosition(layout->closestPositionToPoint({295, midY(l1)}), 23, DRTextAffinityBackward, "right of last line");
  // Right of a line that ends in a break: before the break, never after it.
  expectPosition(layout->closestPositionToPoint({295, midY(l0)}), 11, DRTextAffinityForward, "right of line 0");
  // Above the first line and below the last: the text's ends.
  expectPosition(layout->closestPositionToPoint({200, 2}), 0, DRTextAffinityForward, "above");
  expectPosition(layout->closestPositionToPoint({5, 290}), 23, DRTextAffinityBackward, "below");
  // In the gap between the rows the shared boundary decides the line.
  const double m = layout->lineRowsEdge()[1].head;
  const double x3 = (layout->offsetForTextPosition(2, 0) + layout->offsetForTextPosition(3, 0)) / 2 + 0.3;
  EXPECT_EQ(layout->closestPositionToPoint({x3, m - 0.05})->offset(), 3);
  EXPECT_EQ(layout->closestPositionToPoint({x3, m + 0.05})->offset(),
            static_cast<int64_t>(layout->textPositionForPoint({x3, m}, 1)));
  EXPECT_GT(layout->closestPositionToPoint({x3, m + 0.05})->offset(), 12);
  // Inside a word, the caret before the character whose near half holds the point; the point
  // after the caret puts it on the following character's side.
  const double o4 = layout->offsetForTextPosition(4, 0), o5 = layout->offsetForTextPosition(5, 0);
  expectPosition(layout->closestPositionToPoint({o4 + (o5 - o4) * 0.3, midY(l0)}), 4, DRTextAffinityForward, "after caret");
  expectPosition(layout->closestPositionToPoint({o5 - (o5 - o4) * 0.3, midY(l0)}), 5, DRTextAffinityBackward, "before caret");
}

TEST(DRTextLayoutPositions, EmptyLinesAndCRLF) {
  const rt::String s = u"Top\r\n\r\nBottom\n\nEnd";
  auto layout = DRTextLayout::layoutWithContainerSize({300, 300}, layout_test::text(s, latin(16)));
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 5u);
  // A tap anywhere on a line made of a break alone gives that line's start.
  for (uint64_t line : {1u, 3u}) {
    const auto& l = *layout->lines()[line];
    for (double x : {0.5, 40.0, 250.0})
      expectPosition(layout->closestPositionToPoint({x, midY(l)}), static_cast<int64_t>(l.range().location),
                     DRTextAffinityForward, "break line");
  }
  // Right of "Top": before the CR LF pair, not between its halves.
  expectPosition(layout->closestPositionToPoint({280, midY(*layout->lines()[0])}), 3, DRTextAffinityForward, "before CRLF");
  // The unit under a caret between CR and LF is the pair; after a break with backward
  // affinity, the break itself.
  expectRange(layout->textRangeByExtendingPosition(pos(4)), 3, 5, "CR|LF");
  expectRange(layout->textRangeByExtendingPosition(pos(5, DRTextAffinityBackward)), 3, 5, "CRLF| backward");
  expectRange(layout->textRangeByExtendingPosition(pos(5)), 5, 5, "CRLF| forward");
  expectRange(layout->textRangeByExtendingPosition(pos(14, DRTextAffinityBackward)), 13, 14, "LF| backward");
  // Stepping over a CR LF moves past both halves.
  expectRange(layout->textRangeByExtendingPosition(pos(3), D::Right, 1), 3, 5, "right over CRLF");
  expectRange(layout->textRangeByExtendingPosition(pos(5), D::Left, 1), 3, 5, "left over CRLF");
}

TEST(DRTextLayoutPositions, CombiningMarksAndEmojiAreNeverSplit) {
  // "e" + U+0301 at 1..3; the family sequence at 4..15.
  const rt::String s = u"xe\u0301 \U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466 z";
  auto layout = DRTextLayout::layoutWithContainerSize({300, 100}, layout_test::text(s, latin(24)));
  ASSERT_TRUE(layout);
  const auto& l = *layout->lines()[0];
  const double e0 = layout->offsetForTextPosition(1, 0), e1 = layout->offsetForTextPosition(3, 0);
  ASSERT_GT(e1, e0);
  for (double f : {0.05, 0.15, 0.3, 0.45, 0.55, 0.7, 0.85, 0.95}) {
    auto p = layout->closestPositionToPoint({e0 + (e1 - e0) * f, midY(l)});
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->offset() == 1 || p->offset() == 3) << f << " " << p->offset();
    EXPECT_EQ(p->offset(), f < 0.5 ? 1 : 3) << f;
  }
  // Positions inside the sequences extend to the whole sequence.
  expectRange(layout->textRangeByExtendingPosition(pos(2)), 1, 3, "mark");
  for (int64_t o = 5; o < 15; ++o) expectRange(layout->textRangeByExtendingPosition(pos(o)), 4, 15, "family");
  // The helpers see the same clusters, with their caret offsets.
  uint64_t from = 0, to = 0;
  double a = 0, b = 0;
  EXPECT_TRUE(layout->insideComposedCharacterSequences(l, 7, [&](uint64_t s0, uint64_t s1, double o0, double o1) {
    from = s0, to = s1, a = o0, b = o1;
  }));
  EXPECT_EQ(from, 4u);
  EXPECT_EQ(to, 15u);
  EXPECT_NEAR(a, layout->offsetForTextPosition(4, 0), kEps);
  EXPECT_NEAR(b, layout->offsetForTextPosition(15, 0), kEps);
  EXPECT_FALSE(layout->insideComposedCharacterSequences(l, 4));
  EXPECT_FALSE(layout->insideComposedCharacterSequences(l, 15));
  EXPECT_FALSE(layout->insideComposedCharacterSequences(l, 0));
  // The family is one colour glyph: inside it from every inner offset, not at its ends.
  for (int64_t o = 5; o < 15; ++o) EXPECT_TRUE(layout->insideEmoji(l, static_cast<uint64_t>(o))) << o;
  EXPECT_FALSE(layout->insideEmoji(l, 4));
  EXPECT_FALSE(layout->insideEmoji(l, 2));  // a mark in an outline font is not an emoji
  // Moving by one character steps over whole clusters.
  expectRange(layout->textRangeByExtendingPosition(pos(4), D::Right, 1), 4, 15, "right over family");
  expectRange(layout->textRangeByExtendingPosition(pos(15), D::Left, 1), 4, 15, "left over family");
  expectRange(layout->textRangeByExtendingPosition(pos(3), D::Left, 1), 1, 3, "left over mark");
}

TEST(DRTextLayoutPositions, BindingsSnapToTheirNearerEnd) {
  auto t = layout_test::text(u"Ask @district_news today", latin(16));
  layout_test::bind(t, rt::Range{4, 14});
  auto layout = DRTextLayout::layoutWithContainerSize({400, 100}, t);
  ASSERT_TRUE(layout);
  const auto& l = *layout->lines()[0];
  const double a = layout->offsetForTextPosition(4, 0), b = layout->offsetForTextPosition(18, 0);
  for (double f : {0.1, 0.3, 0.45}) {
    expectPosition(layout->closestPositionToPoint({a + (b - a) * f, midY(l)}), 4, DRTextAffinityForward, "near start");
    expectPosition(layout->closestPositionToPoint({b - (b - a) * f, midY(l)}), 18, DRTextAffinityBackward, "near end");
  }
  // The bound range is one unit, whichever inner position asks, and one step over it.
  for (int64_t o = 5; o < 18; ++o) expectRange(layout->textRangeByExtendingPosition(pos(o)), 4, 18, "binding");
  expectRange(layout->textRangeByExtendingPosition(pos(4)), 4, 4, "binding start");
  expectRange(layout->textRangeByExtendingPosition(pos(18), D::Left, 1), 4, 18, "left over binding");
  expectRange(layout->textRangeAtPoint({a + (b - a) * 0.6, midY(l)}), 4, 18, "range at point");
}

TEST(DRTextLayoutPositions, BindingsAcrossLinesSnapOntoTheTappedLine) {
  // A binding (11..60) that wraps over several lines: a tap inside it lands on an end of it
  // that is on the tapped line, or, from a line in its middle, on the end whose line is nearer.
  auto t = layout_test::text(u"Words then @Kestrel District News Desk and All Their Friends then more", latin(16));
  layout_test::bind(t, rt::Range{11, 49});
  auto layout = DRTextLayout::layoutWithContainer(DRTextContainer::containerWithSize({120, 400}), t);
  ASSERT_TRUE(layout);
  const uint64_t s = layout->lineIndexForPosition(pos(11)), e = layout->lineIndexForPosition(pos(60, DRTextAffinityBackward));
  ASSERT_NE(s, rt::NotFound);
  ASSERT_NE(e, rt::NotFound);
  ASSERT_GE(e, s + 2);
  const auto& first = *layout->lines()[s];
  expectPosition(layout->closestPositionToPoint({layout->offsetForTextPosition(11, s) + 8, midY(first)}), 11,
                 DRTextAffinityForward, "start line");
  const auto& last = *layout->lines()[e];
  expectPosition(layout->closestPositionToPoint({layout->offsetForTextPosition(60, e) - 8, midY(last)}), 60,
                 DRTextAffinityBackward, "end line");
  for (uint64_t l = s + 1; l < e; ++l) {
    const auto& line = *layout->lines()[l];
    auto p = layout->closestPositionToPoint({midX(line), midY(line)});
    ASSERT_TRUE(p);
    EXPECT_EQ(p->offset(), l - s < e - l ? 11 : 60) << l;
    EXPECT_EQ(p->affinity(), l - s < e - l ? DRTextAffinityForward : DRTextAffinityBackward) << l;
  }
}

TEST(DRTextLayoutPositions, ExtendingAlongAndAcrossRows) {
  auto layout = DRTextLayout::layoutWithContainerSize({300, 300}, layout_test::shortLines(4));
  ASSERT_TRUE(layout);
  // "Line 0\nLine 1\nLine 2\nLine 3": lines start at 0, 7, 14, 21; the text ends at 27.
  // Along the line, the unit under the caret joined with the unit where it lands.
  expectRange(layout->textRangeByExtendingPosition(pos(2), D::Right, 3), 2, 5, "right 3");
  expectRange(layout->textRangeByExtendingPosition(pos(2), D::Right, -1), 1, 2, "right -1 is left");
  expectRange(layout->textRangeByExtendingPosition(pos(2), D::Left, 5), 0, 2, "left past the start");
  expectRange(layout->textRangeByExtendingPosition(pos(25), D::Right, 9), 25, 27, "right past the end");
  expectRange(layout->textRangeByExtendingPosition(pos(2), D::Right, 0), 2, 2, "zero");
  // Down keeps the caret's x: from "Li|ne 0" to "Li|ne 1".
  expectRange(layout->textRangeByExtendingPosition(pos(2), D::Down, 1), 2, 9, "down");
  expectRange(layout->textRangeByExtendingPosition(pos(16), D::Up, 2), 2, 16, "up 2");
  expectRange(layout->textRangeByExtendingPosition(pos(16), D::Down, -1), 9, 16, "down -1 is up");
  // Beyond the first or last row: to the visible start or end.
  expectRange(layout->textRangeByExtendingPosition(pos(24), D::Down, 1), 24, 27, "down from the last row");
  expectRange(layout->textRangeByExtendingPosition(pos(3), D::Up, 1), 0, 3, "up from the first row");
  // At the visible end, forward is the empty range there.
  auto end = layout->textRangeByExtendingPosition(pos(27, DRTextAffinityBackward), D::Right, 1);
  expectRange(end, 27, 27, "end right");
  EXPECT_EQ(end->end()->affinity(), DRTextAffinityBackward);
  expectRange(layout->textRangeByExtendingPosition(pos(27), D::Down, 1), 27, 27, "end down");
  expectRange(layout->textRangeByExtendingPosition(pos(0), D::Up, 1), 0, 0, "start up");
  // The caret at the end with forward affinity still moves up from the last line.
  expectRange(layout->textRangeByExtendingPosition(pos(27), D::Up, 1), 20, 27, "end up");
  // Level with a line's far end, the caret stays before that line's break.
  expectRange(layout->textRangeByExtendingPosition(pos(13, DRTextAffinityBackward), D::Down, 1), 13, 20, "end down");
  // Outside the visible range: none.
  EXPECT_FALSE(layout->textRangeByExtendingPosition(pos(28), D::Left, 1));
  EXPECT_FALSE(layout->textRangeByExtendingPosition(pos(-1)));
}

TEST(DRTextLayoutPositions, VerticalFormMovesDownAlongAndLeftAcross) {
  auto c = DRTextContainer::containerWithSize({300, 200}, {0, 0, 0, 10});
  c->setVerticalForm(true);
  // Columns of "区里的新闻\n" (0..6), "每天更新\n" (6..11), "读者可以" (11..15).
  auto layout = DRTextLayout::layoutWithContainer(c, layout_test::text(u"区里的新闻\n每天更新\n读者可以", layout_test::cjk(16)));
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->rowCount(), 3u);
  expectRange(layout->textRangeByExtendingPosition(pos(1), D::Down, 2), 1, 3, "down along the column");
  expectRange(layout->textRangeByExtendingPosition(pos(1), D::Left, 1), 1, 7, "left to the next column");
  expectRange(layout->textRangeByExtendingPosition(pos(8), D::Right, 1), 2, 8, "right to the previous column");
  const auto& first = *layout->lines()[0];
  // Carets lie across the column; above the first column is right of it.
  const gfx::Rect caret = layout->caretRectForPosition(pos(2));
  EXPECT_NEAR(caret.origin.x, first.left(), kEps);
  EXPECT_NEAR(caret.size.width, first.width(), kEps);
  EXPECT_EQ(caret.size.height, 0);
  EXPECT_NEAR(caret.origin.y, layout->offsetForTextPosition(2, 0), kEps);
  EXPECT_NEAR(layout->linePositionForPosition(pos(2)).x, first.position().x, kEps);
  expectPosition(layout->closestPositionToPoint({299, first.top() + 20}), 0, DRTextAffinityForward, "right of the first column");
  expectPosition(layout->closestPositionToPoint({1, 150}), 15, DRTextAffinityBackward, "left of the last column");
  const double y2 = (layout->offsetForTextPosition(2, 0) + layout->offsetForTextPosition(3, 0)) / 2;
  EXPECT_EQ(layout->closestPositionToPoint({midX(first), y2 - 2})->offset(), 2);
  EXPECT_EQ(layout->closestPositionToPoint({midX(first), y2 + 2})->offset(), 3);
}

TEST(DRTextLayoutPositions, RightToLeftLines) {
  const rt::String s = layout_test::kHebrew;  // three words, 15 characters
  auto layout = DRTextLayout::layoutWithContainerSize({300, 100}, layout_test::text(s, latin(16)));
  ASSERT_TRUE(layout);
  const auto& l = *layout->lines()[0];
  ASSERT_TRUE(layout->isRightToLeftInLine(l, {midX(l), midY(l)}));
  EXPECT_FALSE(layout->isRightToLeftInLine(l, {l.right() + 30, midY(l)}));
  ASSERT_TRUE(layout->runForLine(l, pos(3)));
  EXPECT_TRUE(layout->runForLine(l, pos(3))->isRightToLeft());
  EXPECT_FALSE(layout->runForLine(l, pos(0, DRTextAffinityBackward)));
  EXPECT_FALSE(layout->runForLine(l, pos(15)));
  EXPECT_TRUE(layout->runForLine(l, pos(15, DRTextAffinityBackward)));
  // The text starts at the right: caret 0 is right of caret 1.
  EXPECT_GT(layout->offsetForTextPosition(0, 0), layout->offsetForTextPosition(1, 0));
  // Right of the line is its logical start; left of it its end.
  EXPECT_EQ(layout->closestPositionToPoint({l.right() - 0.5, midY(l)})->offset(), 0);
  EXPECT_EQ(layout->closestPositionToPoint({l.left() + 0.5, midY(l)})->offset(), 15);
  // A tap on a character selects that character: right half or left half alike.
  const double o1 = layout->offsetForTextPosition(1, 0), o2 = layout->offsetForTextPosition(2, 0);
  for (double f : {0.25, 0.75}) {
    auto r = layout->textRangeAtPoint({o2 + (o1 - o2) * f, midY(l)});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->asRange().length, 1u) << f;
    EXPECT_TRUE(r->start()->offset() == 1 || r->start()->offset() == 2) << f;
  }
}

TEST(DRTextLayoutPositions, RangesAtAndNearPoints) {
  auto layout = DRTextLayout::layoutWithContainerSize({300, 300}, layout_test::shortLines(3));
  ASSERT_TRUE(layout);
  const auto& l0 = *layout->lines()[0];
  const double o1 = layout->offsetForTextPosition(1, 0), o2 = layout->offsetForTextPosition(2, 0);
  // On a character: that character, from either half.
  expectRange(layout->textRangeAtPoint({o1 + (o2 - o1) * 0.3, midY(l0)}), 1, 2, "left half");
  expectRange(layout->textRangeAtPoint({o1 + (o2 - o1) * 0.7, midY(l0)}), 1, 2, "right half");
  // Off the lines: nothing under the point, the nearest character for the closest range.
  EXPECT_FALSE(layout->textRangeAtPoint({280, midY(l0)}));
  // Right of a line: the caret before its break, extended over the break.
  expectRange(layout->closestTextRangeAtPoint({280, midY(l0)}), 6, 7, "right of line 0");
  expectRange(layout->closestTextRangeAtPoint({0.2, midY(*layout->lines()[1])}), 7, 8, "left of line 1");
  expectRange(layout->closestTextRangeAtPoint({280, 290}), 19, 20, "below the text");
}

TEST(DRTextLayoutPositions, DraggedSelectionEndsDoNotCross) {
  auto layout = DRTextLayout::layoutWithContainerSize({300, 300}, layout_test::shortLines(3));
  ASSERT_TRUE(layout);
  const auto& l1 = *layout->lines()[1];
  // Selection 8..11 on line 1; its end is dragged.
  auto start = pos(8), end = pos(11);
  const double x = [&] { return layout->offsetForTextPosition(12, 1) + 0.3; }();
  expectPosition(layout->positionForPoint({x, midY(l1)}, end, start), 12, DRTextAffinityForward, "end further on");
  // Dragged onto the other end: one step past it, towards the dragged end's side.
  expectPosition(layout->positionForPoint({layout->offsetForTextPosition(8, 1) + 0.2, midY(l1)}, end, start), 9,
                 DRTextAffinityForward, "onto the start");
  // Dragged above the start: the row of the start is tried, then one step past it.
  auto p = layout->positionForPoint({layout->offsetForTextPosition(7, 1) - 3, 2}, end, start);
  ASSERT_TRUE(p);
  EXPECT_GT(p->offset(), 8);
  // The start dragged past the end stays before it.
  p = layout->positionForPoint({280, 290}, start, end);
  ASSERT_TRUE(p);
  EXPECT_LT(p->offset(), 11);
  EXPECT_FALSE(layout->positionForPoint({1, 1}, nullptr, end));
  EXPECT_EQ(layout->positionForPoint({1, 1}, start, nullptr), start);
}

TEST(DRTextLayoutPositions, TruncatedLayoutsStopAtTheVisibleEnd) {
  auto c = DRTextContainer::containerWithSize({160, 400});
  c->setMaximumNumberOfRows(2);
  c->setTruncationType(DRTextTruncationTypeEnd);
  auto layout = DRTextLayout::layoutWithContainer(
      c, layout_test::text(u"The district news is updated every day, with pictures and video.", latin(15)));
  ASSERT_TRUE(layout);
  ASSERT_TRUE(layout->truncatedLine());
  const auto visibleEnd = static_cast<int64_t>(layout->visibleRange().end());
  ASSERT_LT(visibleEnd, 60);
  expectPosition(layout->closestPositionToPoint({150, 399}), visibleEnd, DRTextAffinityBackward, "below");
  expectRange(layout->textRangeByExtendingPosition(pos(visibleEnd - 2), D::Down, 1), visibleEnd - 2, visibleEnd, "down");
  expectRange(layout->textRangeByExtendingPosition(pos(visibleEnd - 2), D::Right, 5), visibleEnd - 2, visibleEnd, "right");
  EXPECT_FALSE(layout->textRangeByExtendingPosition(pos(visibleEnd + 1)));
}

TEST(DRTextLayoutPositions, SubRangeLayoutsKeepToTheirText) {
  // Laid out from offset 10: nothing before it is a place in this layout.
  auto t = layout_test::text(u"0123456789The district news\nupdated daily", latin(16));
  auto layout = DRTextLayout::layoutWithContainer(DRTextContainer::containerWithSize({300, 300}), t, rt::Range{10, 31});
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->visibleRange().location, 10u);
  expectPosition(layout->closestPositionToPoint({100, -20}), 10, DRTextAffinityForward, "above");
  expectPosition(layout->closestPositionToPoint({-5, 5}), 10, DRTextAffinityForward, "left of the first line");
  EXPECT_FALSE(layout->textRangeByExtendingPosition(pos(5)));
  expectRange(layout->textRangeByExtendingPosition(pos(11), D::Up, 1), 10, 11, "up from the first row");
}

}  // namespace positions_test
