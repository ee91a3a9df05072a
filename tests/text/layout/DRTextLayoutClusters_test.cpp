// Whatever the point or the direction, no query over the fixed sample layouts puts a caret
// inside a grapheme cluster (combining marks, CR LF, emoji sequences, flags, variation
// selectors) or strictly inside a bound range.
#include <gtest/gtest.h>

#include "tests/text/layout/QuerySamples.h"

using namespace text;

// Helpers and tests share a namespace of this file's own: test sources compile in batches.
namespace clusters_test {

namespace {

using D = ui::TextLayoutDirection;

bool isBoundary(const DRTextLayout& layout, int64_t offset) {
  const rt::String& s = layout.text()->string();
  if (offset < 0 || static_cast<uint64_t>(offset) > s.length()) return false;
  if (static_cast<uint64_t>(offset) == s.length()) return true;
  if (s.rangeOfComposedCharacterSequenceAtIndex(static_cast<size_t>(offset)).location != static_cast<uint64_t>(offset))
    return false;
  if (offset == 0) return true;
  // Strictly inside a binding: the character before and the one at the offset share it.
  rt::Range before, here;
  auto a = layout.text()->attributeAtIndex(DRTextBindingKey, static_cast<size_t>(offset - 1), &before);
  auto b = layout.text()->attributeAtIndex(DRTextBindingKey, static_cast<size_t>(offset), &here);
  return !(a && b && before.location == here.location);
}

bool inVisible(const DRTextLayout& layout, int64_t offset) {
  return offset >= static_cast<int64_t>(layout.visibleRange().location) &&
         offset <= static_cast<int64_t>(layout.visibleRange().end());
}

// Points over the text and a margin round it, on a grid that avoids whole numbers.
std::vector<gfx::Point> sweep(const DRTextLayout& layout) {
  const gfx::Rect b = gfx::RectInset(layout.textBoundingRect(), -15, -15);
  std::vector<gfx::Point> points;
  for (double y = b.origin.y; y <= b.origin.y + b.size.height; y += 2.9)
    for (double x = b.origin.x; x <= b.origin.x + b.size.width; x += 1.7) points.push_back({x, y});
  return points;
}

}  // namespace

TEST(DRTextLayoutClusters, SamplesLayOutAsIntended) {
  for (const auto& [name, layout] : layout_test::querySamples()) {
    ASSERT_TRUE(layout) << name;
    EXPECT_GE(layout->lines().size(), 2u) << name;
  }
  const auto samples = layout_test::querySamples();
  auto find = [&](const std::string& n) {
    for (const auto& s : samples)
      if (s.name == n) return s.layout;
    return Ref<DRTextLayout>();
  };
  EXPECT_TRUE(find("truncated")->truncatedLine());
  EXPECT_EQ(find("truncated")->rowCount(), 3u);
  EXPECT_TRUE(find("vertical")->container()->isVerticalForm());
  // The emoji sample reaches the colour font, so the emoji paths are taken.
  bool colour = false;
  for (const auto& line : find("emoji")->lines())
    for (const auto& run : line->CTLine()->glyphRuns())
      colour |= run->font() && (run->font()->symbolicTraits() & typeset::FontTraitColorGlyphs);
  EXPECT_TRUE(colour);
  bool rtl = false;
  for (const auto& line : find("rtl")->lines())
    for (const auto& run : line->CTLine()->glyphRuns()) rtl |= run->isRightToLeft();
  EXPECT_TRUE(rtl);
}

TEST(DRTextLayoutClusters, ClosestPositionsAreBoundariesWithCarets) {
  for (const auto& [name, layout] : layout_test::querySamples()) {
    ASSERT_TRUE(layout) << name;
    size_t n = 0;
    for (const gfx::Point p : sweep(*layout)) {
      auto pos = layout->closestPositionToPoint(p);
      ASSERT_TRUE(pos) << name;
      ASSERT_TRUE(isBoundary(*layout, pos->offset()) && inVisible(*layout, pos->offset()))
          << name << " at " << p.x << "," << p.y << " -> " << pos->description().utf8();
      EXPECT_FALSE(gfx::RectIsNull(layout->caretRectForPosition(pos)))
          << name << " at " << p.x << "," << p.y << " -> " << pos->description().utf8();
      ++n;
    }
    EXPECT_GT(n, 500u) << name;
  }
}

TEST(DRTextLayoutClusters, RangesAtPointsAreWholeUnits) {
  for (const auto& [name, layout] : layout_test::querySamples()) {
    size_t found = 0;
    for (const gfx::Point p : sweep(*layout)) {
      for (auto r : {layout->textRangeAtPoint(p), layout->closestTextRangeAtPoint(p)}) {
        if (!r) continue;
        ++found;
        ASSERT_TRUE(isBoundary(*layout, r->start()->offset()) && isBoundary(*layout, r->end()->offset()))
            << name << " at " << p.x << "," << p.y << " -> " << r->description().utf8();
      }
      // Off the lines there is no range under the point; the closest one is always there.
      if (layout->lineIndexForPoint(p) == rt::NotFound) {
        EXPECT_FALSE(layout->textRangeAtPoint(p)) << name;
      }
      EXPECT_TRUE(layout->closestTextRangeAtPoint(p)) << name << " at " << p.x << "," << p.y;
    }
    EXPECT_GT(found, 0u) << name;
  }
}

TEST(DRTextLayoutClusters, ExtendingFromEveryOffsetStaysOnBoundaries) {
  for (const auto& [name, layout] : layout_test::querySamples()) {
    const rt::Range visible = layout->visibleRange();
    for (uint64_t o = visible.location; o <= visible.end(); ++o) {
      for (auto affinity : {DRTextAffinityForward, DRTextAffinityBackward}) {
        auto p = DRTextPosition::positionWithOffset(static_cast<int64_t>(o), affinity);
        auto unit = layout->textRangeByExtendingPosition(p);
        ASSERT_TRUE(unit) << name << " " << o;
        EXPECT_TRUE(isBoundary(*layout, unit->start()->offset()) && isBoundary(*layout, unit->end()->offset()))
            << name << " unit at " << o << " -> " << unit->description().utf8();
        EXPECT_LE(unit->start()->offset(), static_cast<int64_t>(o));
        EXPECT_GE(unit->end()->offset(), static_cast<int64_t>(o));
        for (D d : {D::Left, D::Right, D::Up, D::Down})
          for (int64_t n : {1, -1, 2}) {
            auto r = layout->textRangeByExtendingPosition(p, d, n);
            if (!r) {
              // Only rows are asked for a caret offset, which every position on a line has.
              ADD_FAILURE() << name << " no range from " << p->description().utf8() << " dir " << int(d) << " by " << n;
              continue;
            }
            EXPECT_TRUE(isBoundary(*layout, r->start()->offset()) && isBoundary(*layout, r->end()->offset()))
                << name << " from " << p->description().utf8() << " dir " << int(d) << " by " << n << " -> "
                << r->description().utf8();
            EXPECT_TRUE(inVisible(*layout, r->start()->offset()) && inVisible(*layout, r->end()->offset())) << name;
          }
      }
    }
  }
}

TEST(DRTextLayoutClusters, DraggedEndsStayOnTheirSide) {
  for (const auto& [name, layout] : layout_test::querySamples()) {
    const rt::Range visible = layout->visibleRange();
    const auto mid = static_cast<int64_t>(visible.location + visible.length / 2);
    auto other = layout->textRangeByExtendingPosition(DRTextPosition::positionWithOffset(mid))->start();
    for (auto old : {DRTextPosition::positionWithOffset(static_cast<int64_t>(visible.location)),
                     DRTextPosition::positionWithOffset(static_cast<int64_t>(visible.end()), DRTextAffinityBackward)}) {
      for (const gfx::Point p : sweep(*layout)) {
        auto moved = layout->positionForPoint(p, old, other);
        ASSERT_TRUE(moved) << name;
        EXPECT_TRUE(isBoundary(*layout, moved->offset())) << name << " " << moved->description().utf8();
        if (moved == old) continue;
        EXPECT_EQ(moved->compare(other), old->compare(other)) << name << " at " << p.x << "," << p.y;
        EXPECT_NE(moved->offset(), other->offset()) << name << " at " << p.x << "," << p.y;
      }
    }
  }
}

}  // namespace clusters_test
