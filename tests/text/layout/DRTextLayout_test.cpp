#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/graphics/Color.h"
#include "platform/runtime/Exception.h"
#include "platform/typeset/RunDelegate.h"
#include "tests/text/layout/LayoutSupport.h"
#include "text/layout/DRTextLayout.h"
#include "text/model/DRTextAttribute.h"

using namespace text;
using layout_test::cjk;
using layout_test::kEps;
using layout_test::latin;

namespace {

const char16_t* kLong =
    u"The district news is updated every day, with pictures and video from local reporters on the ground. "
    u"Readers can switch between channels and keep the articles they like for later reading at home.";

// Every line's position from the frame, in layout coordinates.
void expectLinesFromFrame(const DRTextLayout& layout, gfx::Rect box) {
  const auto origins = layout.frame()->lineOrigins();
  ASSERT_EQ(origins.size(), layout.lines().size());
  for (size_t i = 0; i < origins.size(); ++i) {
    const auto& line = layout.lines()[i];
    EXPECT_NEAR(line->position().x, box.origin.x + origins[i].x, kEps) << i;
    EXPECT_NEAR(line->position().y, box.origin.y + box.size.height - origins[i].y, kEps) << i;
    EXPECT_EQ(line->index(), i);
  }
}

void expectJoinedRowEdges(const DRTextLayout& layout, bool vertical) {
  const auto& edges = layout.lineRowsEdge();
  ASSERT_EQ(edges.size(), layout.rowCount());
  ASSERT_EQ(layout.lineRowsIndex().size(), layout.rowCount());
  for (size_t r = 0; r < edges.size(); ++r) {
    const auto& first = layout.lines()[layout.lineRowsIndex()[r]];
    EXPECT_EQ(first->row(), r);
    if (r > 0) {
      const auto& prev = layout.lines()[layout.lineRowsIndex()[r] - 1];
      EXPECT_EQ(prev->row(), r - 1);
      EXPECT_EQ(edges[r].head, edges[r - 1].foot);
      const double m = vertical ? (prev->left() + first->right()) / 2 : (prev->bottom() + first->top()) / 2;
      EXPECT_NEAR(edges[r].head, m, kEps) << r;
    }
  }
  if (!edges.empty()) {
    const auto& first = layout.lines().front();
    const auto& last = layout.lines().back();
    EXPECT_NEAR(edges.front().head, vertical ? first->right() : first->top(), kEps);
    EXPECT_NEAR(edges.back().foot, vertical ? last->left() : last->bottom(), kEps);
  }
}

// A modifier that takes every line away.
class DroppingModifier : public rt::Object, public DRTextLinePositionModifier {
  RT_CLASS(DroppingModifier, rt::Object)
 public:
  void init() {}
  void modifyLines(std::vector<Ref<DRTextLine>>& lines, const Ref<typeset::AttributedString>&,
                   const Ref<DRTextContainer>&) const override {
    lines.clear();
  }
  rt::Id copy() const override { return rt::make<DroppingModifier>(); }
};

// A 20 by 16 attachment box in place of the character at `index`.
Ref<DRTextAttachment> attachAt(typeset::MutableAttributedString& t, uint64_t index) {
  static const double kBox[3] = {12, 4, 20};
  typeset::RunDelegateCallbacks cb;
  cb.getAscent = [](void* p) { return static_cast<const double*>(p)[0]; };
  cb.getDescent = [](void* p) { return static_cast<const double*>(p)[1]; };
  cb.getWidth = [](void* p) { return static_cast<const double*>(p)[2]; };
  t.replaceCharactersInRange(rt::Range{index, 1}, rt::String(u"\uFFFC"));
  t.addAttribute(typeset::CTRunDelegateAttributeName, typeset::RunDelegate::create(cb, const_cast<double*>(kBox)),
                 rt::Range{index, 1});
  auto attachment = DRTextAttachment::attachmentWithContent(fd::StringObject::create(u"picture"));
  t.addAttribute(DRTextAttachmentKey, attachment, rt::Range{index, 1});
  return attachment;
}

gfx::Rect unionOfLines(const DRTextLayout& layout) {
  gfx::Rect u = layout.lines().front()->bounds();
  for (const auto& l : layout.lines()) u = gfx::RectUnion(u, l->bounds());
  return u;
}

}  // namespace

RT_IMPLEMENT(DroppingModifier) {}

TEST(DRTextLayout, HorizontalLinesRowsAndBounds) {
  auto t = layout_test::shortLines(5);
  auto c = DRTextContainer::containerWithSize({300, 500}, {10, 20, 30, 40});
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 5u);
  EXPECT_EQ(layout->rowCount(), 5u);
  expectLinesFromFrame(*layout, gfx::RectMake(20, 10, 240, 460));
  const auto& lines = layout->lines();
  // The first baseline sits one ascent below the top inset; each line starts at the left one.
  EXPECT_NEAR(lines[0]->position().y, 10 + lines[0]->ascent(), kEps);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_NEAR(lines[i]->position().x, 20, kEps);
    EXPECT_EQ(lines[i]->row(), i);
    EXPECT_EQ(layout->lineRowsIndex()[i], i);
    if (i) {
      EXPECT_GT(lines[i]->top(), lines[i - 1]->top());
    }
  }
  expectJoinedRowEdges(*layout, false);
  const gfx::Rect u = unionOfLines(*layout);
  EXPECT_TRUE(gfx::RectEqualToRect(layout->textBoundingRect(), u));
  EXPECT_NEAR(layout->textBoundingSize().width, u.origin.x + u.size.width + 40, kEps);
  EXPECT_NEAR(layout->textBoundingSize().height, u.origin.y + u.size.height + 30, kEps);
  EXPECT_EQ(layout->visibleRange(), (rt::Range{0, t->length()}));
  EXPECT_FALSE(layout->truncatedLine());
  EXPECT_TRUE(layout->needDrawText());
  EXPECT_FALSE(layout->needDrawAttachment());
  EXPECT_TRUE(layout->attachments().empty());
  EXPECT_EQ(layout->attachmentContentsSet()->count(), 0u);
  for (const auto& l : lines) EXPECT_FALSE(l->verticalRotateRange());
  // The layout copied the text: changing the caller's leaves it alone.
  t->replaceCharactersInRange(rt::Range{0, 4}, rt::String("Row"));
  EXPECT_TRUE(layout->text()->string().hasPrefix("Line 0"));
}

TEST(DRTextLayout, FailuresAndEmptyFrames) {
  auto t = layout_test::shortLines(2);
  auto c = DRTextContainer::containerWithSize({100, 100});
  EXPECT_FALSE(DRTextLayout::layoutWithContainer(nullptr, t));
  EXPECT_FALSE(DRTextLayout::layoutWithContainer(c, nullptr));
  EXPECT_FALSE(DRTextLayout::layoutWithContainer(c, t, rt::Range{5, t->length()}));
  EXPECT_FALSE(DRTextLayout::layoutWithContainer(c, t, rt::Range{t->length() + 1, 0}));

  // No lines: no rows, a zero bounding rect, and a size made of the far insets.
  const std::vector<std::pair<Ref<typeset::AttributedString>, gfx::Size>> cases = {
      {typeset::AttributedString::create(u""), {100, 100}},  // no text
      {t, {100, 100}},                                        // an empty range at the end
  };
  for (const auto& [text, size] : cases) {
    auto empty = DRTextLayout::layoutWithContainer(DRTextContainer::containerWithSize(size, {1, 2, 3, 4}), text,
                                                   rt::Range{text->length(), 0});
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->lines().empty());
    EXPECT_EQ(empty->rowCount(), 0u);
    EXPECT_TRUE(empty->lineRowsEdge().empty());
    EXPECT_TRUE(empty->lineRowsIndex().empty());
    EXPECT_EQ(empty->textBoundingRect(), gfx::RectZero);
    EXPECT_EQ(empty->textBoundingSize(), (gfx::Size{4, 3}));
    EXPECT_FALSE(empty->truncatedLine());
    EXPECT_FALSE(empty->needDrawText());
  }
}

TEST(DRTextLayout, AModifierThatLeavesNoLinesGivesAnEmptyLayout) {
  // With a row limit the text would be cut too: there is no last line to cut.
  for (uint64_t rows : {0u, 2u}) {
    SCOPED_TRACE(rows);
    auto c = DRTextContainer::containerWithSize({300, 500}, {1, 2, 3, 4});
    c->setLinePositionModifier(rt::make<DroppingModifier>());
    c->setMaximumNumberOfRows(rows);
    c->setTruncationType(DRTextTruncationTypeEnd);
    auto layout = DRTextLayout::layoutWithContainer(c, layout_test::shortLines(3));
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->lines().empty());
    EXPECT_EQ(layout->rowCount(), 0u);
    EXPECT_TRUE(layout->lineRowsEdge().empty());
    EXPECT_TRUE(layout->lineRowsIndex().empty());
    EXPECT_EQ(layout->textBoundingRect(), gfx::RectZero);
    EXPECT_EQ(layout->textBoundingSize(), (gfx::Size{4, 3}));
    EXPECT_FALSE(layout->truncatedLine());
    EXPECT_EQ(layout->visibleRange().length, 0u);
    EXPECT_FALSE(layout->needDrawText());
    // Queries find no line.
    EXPECT_EQ(layout->closestLineIndexForPoint({10, 10}), rt::NotFound);
    EXPECT_EQ(layout->lineIndexForRow(0), rt::NotFound);
    EXPECT_FALSE(layout->closestPositionToPoint({10, 10}));
  }
}

TEST(DRTextLayout, AnEmptyRangeRunsToTheEndOfTheText) {
  // Laid out from `start` to the end, the text does not fit: it is cut with a token, and a cut
  // at the start shows the end of the paragraph (the end of the text).
  auto t = layout_test::text(kLong, latin(14));
  const uint64_t n = t->length();
  for (uint64_t type : {DRTextTruncationTypeEnd, DRTextTruncationTypeStart}) {
    for (uint64_t start : {0u, 20u}) {
      SCOPED_TRACE(testing::Message() << "type " << type << " start " << start);
      auto c = DRTextContainer::containerWithSize({200, 40});
      c->setTruncationType(type);
      auto layout = DRTextLayout::layoutWithContainer(c, t, rt::Range{start, 0});
      ASSERT_TRUE(layout);
      ASSERT_FALSE(layout->lines().empty());
      EXPECT_EQ(layout->visibleRange().location, start);
      EXPECT_LT(layout->visibleRange().end(), n);
      const auto& cut = layout->truncatedLine();
      ASSERT_TRUE(cut);
      if (type == DRTextTruncationTypeStart) {
        const auto& runs = cut->CTLine()->glyphRuns();
        EXPECT_EQ(cut->textRangeForRange(runs.back()->stringRange()).end(), n);
      }
    }
  }
}

TEST(DRTextLayout, ACutLineRaisesTheFlagsOfWhatItShows) {
  // One paragraph in two rows. Cut at the start or in the middle, the last row shows the end
  // of the paragraph, past the visible range: its decorations and attachment must be drawn.
  auto t = layout_test::text(kLong, latin(14));
  const uint64_t n = t->length();
  const auto one = fd::Number::numberWithInt(1);
  // "... reading at home.": close to the end, where a cut in the middle still shows them.
  t->addAttribute(DRTextUnderlineKey, one, rt::Range{n - 10, 2});
  t->addAttribute(DRTextBorderKey, one, rt::Range{n - 8, 1});
  t->addAttribute(DRTextShadowKey, one, rt::Range{n - 7, 1});
  t->addAttribute(DRTextHighlightKey, one, rt::Range{n - 6, 1});
  const auto attachment = attachAt(*t, n - 3);
  struct Case {
    uint64_t type;
    bool showsTail;
  } cases[] = {{DRTextTruncationTypeStart, true}, {DRTextTruncationTypeMiddle, true}, {DRTextTruncationTypeEnd, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.type);
    auto c = DRTextContainer::containerWithSize({200, 1000});
    c->setMaximumNumberOfRows(2);
    c->setTruncationType(k.type);
    auto layout = DRTextLayout::layoutWithContainer(c, t);
    ASSERT_TRUE(layout);
    ASSERT_TRUE(layout->truncatedLine());
    ASSERT_LT(layout->visibleRange().end(), n - 10);
    EXPECT_EQ(layout->needDrawUnderline(), k.showsTail);
    EXPECT_EQ(layout->needDrawBorder(), k.showsTail);
    EXPECT_EQ(layout->needDrawShadow(), k.showsTail);
    EXPECT_EQ(layout->containsHighlight(), k.showsTail);
    EXPECT_EQ(layout->needDrawAttachment(), k.showsTail);
    if (!k.showsTail) {
      EXPECT_TRUE(layout->attachments().empty());
      continue;
    }
    // The attachment, at its place in the whole text and inside the cut line.
    ASSERT_EQ(layout->attachments().size(), 1u);
    EXPECT_EQ(layout->attachments()[0], attachment);
    EXPECT_EQ(layout->attachmentRanges()[0], (rt::Range{n - 3, 1}));
    const gfx::Rect box = layout->attachmentRects()[0];
    EXPECT_EQ(box.size, (gfx::Size{20, 16}));
    EXPECT_TRUE(gfx::RectContainsRect(gfx::RectInset(layout->truncatedLine()->bounds(), -kEps, -kEps), box));
  }
}

TEST(DRTextLayout, ACutLineGivesAttachmentRangesInTheText) {
  // Cut at the end, the kept second line starts at 7: its attachment keeps its own index.
  auto t = layout_test::shortLines(3);
  const uint64_t at = 10;  // "Line 1" from 7: the character after "Lin"
  attachAt(*t, at);
  auto c = DRTextContainer::containerWithSize({300, 500});
  c->setMaximumNumberOfRows(2);
  c->setTruncationType(DRTextTruncationTypeEnd);
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  ASSERT_TRUE(layout->truncatedLine());
  ASSERT_EQ(layout->lines().back()->range().location, 7u);
  ASSERT_EQ(layout->attachments().size(), 1u);
  EXPECT_EQ(layout->attachmentRanges()[0], (rt::Range{at, 1}));
}

TEST(DRTextLayout, RowLimitAndEveryTruncationType) {
  auto t = layout_test::text(kLong, latin(14));
  struct Case {
    uint64_t type;
    bool token;         // a truncated line is made
    int tokenPlace;     // -1 first run, 0 middle, 1 last run
  };
  for (Case k : {Case{0, false, 0}, Case{1, true, -1}, Case{2, true, 1}, Case{3, true, 0}, Case{7, true, 1}}) {
    SCOPED_TRACE(k.type);
    auto c = DRTextContainer::containerWithSize({200, 1000});
    c->setMaximumNumberOfRows(2);
    c->setTruncationType(k.type);
    auto layout = DRTextLayout::layoutWithContainer(c, t);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->lines().size(), 2u);
    EXPECT_EQ(layout->rowCount(), 2u);
    expectJoinedRowEdges(*layout, false);
    const auto& last = layout->lines().back();
    EXPECT_EQ(layout->visibleRange(), (rt::Range{0, last->range().end()}));
    // The bounding rect covers the kept rows only.
    EXPECT_TRUE(gfx::RectEqualToRect(layout->textBoundingRect(), unionOfLines(*layout)));
    ASSERT_EQ(static_cast<bool>(layout->truncatedLine()), k.token);
    if (!k.token) continue;
    const auto& cut = layout->truncatedLine();
    EXPECT_EQ(cut->index(), last->index());
    EXPECT_EQ(cut->row(), last->row());
    EXPECT_EQ(cut->position(), last->position());
    EXPECT_LE(cut->lineWidth(), last->width() + kEps);
    // The truncated line's own text is the last line's characters followed by the token when
    // cutting at the end; cutting at the start or in the middle it is everything from the last
    // line on, so the line ends with the end of the text and shows one token only.
    const uint64_t textLength = rt::String(kLong).length();
    const uint64_t tokenIndex = k.tokenPlace > 0 ? last->range().length : textLength - last->range().location;
    const auto& runs = cut->CTLine()->glyphRuns();
    ASSERT_GE(runs.size(), 2u);
    std::vector<size_t> tokens;
    for (size_t i = 0; i < runs.size(); ++i)
      if (runs[i]->stringRange().location == tokenIndex && runs[i]->stringRange().length == 1) tokens.push_back(i);
    ASSERT_EQ(tokens.size(), 1u);
    if (k.tokenPlace < 0) {
      EXPECT_EQ(tokens.front(), 0u);
    }
    if (k.tokenPlace > 0) {
      EXPECT_EQ(tokens.front(), runs.size() - 1);
    }
    if (k.tokenPlace == 0) {
      EXPECT_GT(tokens.front(), 0u);
      EXPECT_LT(tokens.front(), runs.size() - 1);
    }
    if (k.tokenPlace <= 0) {
      EXPECT_EQ(runs.back()->stringRange().end(), tokenIndex);
    }
  }
}

TEST(DRTextLayout, TruncationAtTheStartShowsTheEndOfTheParagraph) {
  // One row cut at the start: one leading token, then the end of the row's paragraph. When
  // the paragraph ends on that row the token goes before the row's own characters.
  const rt::String one = u"The district news is updated every day with pictures from the ground";
  struct Case {
    rt::String text;
    uint64_t token;  // index of the token in the truncated line's own text
    uint64_t end;    // end of the characters shown, in that text
  } cases[] = {{one, one.length(), one.length()},
               {u"The district news is updated every day\nwith pictures from the ground", 38, 38},
               {u"Short one\nwith pictures from the ground and more", 0, 10}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.end);
    auto c = DRTextContainer::containerWithSize({150, 1000});
    c->setMaximumNumberOfRows(1);
    c->setTruncationType(DRTextTruncationTypeStart);
    auto layout = DRTextLayout::layoutWithContainer(c, layout_test::text(k.text, latin(14)));
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->lines().size(), 1u);
    const auto& last = layout->lines().back();
    const auto& cut = layout->truncatedLine();
    ASSERT_TRUE(cut);
    EXPECT_LE(cut->lineWidth(), last->width() + kEps);
    const auto& runs = cut->CTLine()->glyphRuns();
    ASSERT_GE(runs.size(), 2u);
    EXPECT_EQ(runs.front()->stringRange(), (rt::Range{k.token, 1}));
    for (size_t i = 1; i < runs.size(); ++i) EXPECT_NE(runs[i]->stringRange().location, k.token);
    EXPECT_EQ(runs.back()->stringRange().end(), k.end);
  }
}

TEST(DRTextLayout, SubRangeThatFitsIsNotTruncated) {
  auto t = layout_test::text(u"aaaa bbbb cccc dddd ", latin(14));
  auto c = DRTextContainer::containerWithSize({400, 400});
  c->setTruncationType(DRTextTruncationTypeEnd);
  auto layout = DRTextLayout::layoutWithContainer(c, t, rt::Range{0, 10});
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->visibleRange(), (rt::Range{0, 10}));
  EXPECT_FALSE(layout->truncatedLine());

  // Text that does not fit its container height is still cut, with a token.
  auto tall = DRTextContainer::containerWithSize({200, 40});
  tall->setTruncationType(DRTextTruncationTypeEnd);
  auto cut = DRTextLayout::layoutWithContainer(tall, layout_test::text(kLong, latin(14)));
  ASSERT_TRUE(cut);
  EXPECT_LT(cut->visibleRange().length, rt::String(kLong).length());
  EXPECT_TRUE(cut->truncatedLine());
}

TEST(DRTextLayout, ExclusionPathSplitsRowsIntoPieces) {
  auto t = layout_test::text(kLong, latin(12));
  auto c = DRTextContainer::containerWithSize({300, 1000});
  c->setExclusionPaths({gfx::BezierPath::bezierPathWithRect(gfx::RectMake(120, 0, 60, 1000))});
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  const auto& lines = layout->lines();
  ASSERT_GE(lines.size(), 4u);
  // Pieces on either side of the exclusion share their row and baseline.
  size_t paired = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto& l = lines[i];
    EXPECT_TRUE(l->right() - l->trailingWhitespaceWidth() <= 120 + kEps || l->left() >= 180 - kEps) << i;
    if (i && lines[i - 1]->row() == l->row()) {
      ++paired;
      EXPECT_NEAR(lines[i - 1]->position().y, l->position().y, kEps);
      EXPECT_LE(lines[i - 1]->left(), 120);
      EXPECT_GE(l->left(), 180 - kEps);
    }
  }
  EXPECT_GE(paired, 2u);
  EXPECT_EQ(layout->rowCount(), lines.size() - paired);
  expectJoinedRowEdges(*layout, false);

  // A rectangular path and no exclusions: every line its own row.
  auto rectPath = DRTextContainer::containerWithPath(gfx::BezierPath::bezierPathWithRect(gfx::RectMake(0, 0, 300, 1000)));
  auto plain = DRTextLayout::layoutWithContainer(rectPath, t);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->rowCount(), plain->lines().size());
  for (size_t i = 0; i < plain->lines().size(); ++i) EXPECT_EQ(plain->lines()[i]->row(), i);
}

TEST(DRTextLayout, MultipleContainersContinueTheText) {
  auto t = layout_test::text(kLong, latin(14));
  const uint64_t n = t->length();
  std::vector<Ref<DRTextContainer>> containers;
  for (int i = 0; i < 6; ++i) containers.push_back(DRTextContainer::containerWithSize({200, 60}));
  auto layouts = DRTextLayout::layoutWithContainers(containers, t);
  ASSERT_TRUE(layouts);
  ASSERT_EQ(layouts->size(), 6u);
  uint64_t next = 0;
  size_t filled = 0;
  for (const auto& l : *layouts) {
    if (next < n) {
      EXPECT_EQ(l->visibleRange().location, next);
      EXPECT_GT(l->visibleRange().length, 0u);
      next = l->visibleRange().end();
      ++filled;
    } else {
      EXPECT_EQ(l->visibleRange(), (rt::Range{n, 0}));
      EXPECT_TRUE(l->lines().empty());
    }
  }
  EXPECT_EQ(next, n);
  EXPECT_GE(filled, 2u);
  EXPECT_LT(filled, 6u);

  EXPECT_TRUE(DRTextLayout::layoutWithContainers({}, t)->empty());
  EXPECT_FALSE(DRTextLayout::layoutWithContainers(containers, nullptr));
  EXPECT_FALSE(DRTextLayout::layoutWithContainers(containers, t, rt::Range{1, n}));
  EXPECT_FALSE(DRTextLayout::layoutWithContainers({containers[0], nullptr}, t));
}

TEST(DRTextLayout, DrawFlagsAndAttachmentsOfTheVisibleText) {
  auto t = layout_test::text(kLong, latin(14));
  const auto one = fd::Number::numberWithInt(1);
  t->addAttribute(DRTextHighlightKey, one, rt::Range{0, 3});
  t->addAttribute(DRTextUnderlineKey, one, rt::Range{4, 3});
  t->addAttribute(DRTextStrikethroughKey, one, rt::Range{10, 3});
  // An attachment box at index 8 of the first line.
  static const double kBox[3] = {12, 4, 20};
  typeset::RunDelegateCallbacks cb;
  cb.getAscent = [](void* p) { return static_cast<const double*>(p)[0]; };
  cb.getDescent = [](void* p) { return static_cast<const double*>(p)[1]; };
  cb.getWidth = [](void* p) { return static_cast<const double*>(p)[2]; };
  auto content = fd::StringObject::create(u"picture");
  t->replaceCharactersInRange(rt::Range{8, 1}, rt::String(u"\uFFFC"));
  t->addAttribute(typeset::CTRunDelegateAttributeName, typeset::RunDelegate::create(cb, const_cast<double*>(kBox)),
                  rt::Range{8, 1});
  t->addAttribute(DRTextAttachmentKey, DRTextAttachment::attachmentWithContent(content), rt::Range{8, 1});
  // Past the row limit: must not raise any flag.
  const uint64_t n = t->length();
  t->addAttribute(DRTextBorderKey, one, rt::Range{n - 5, 5});
  t->addAttribute(DRTextShadowKey, one, rt::Range{n - 5, 5});

  auto c = DRTextContainer::containerWithSize({200, 1000});
  c->setMaximumNumberOfRows(1);
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  EXPECT_TRUE(layout->needDrawText());
  EXPECT_TRUE(layout->containsHighlight());
  EXPECT_TRUE(layout->needDrawUnderline());
  EXPECT_TRUE(layout->needDrawStrikethrough());
  EXPECT_TRUE(layout->needDrawAttachment());
  EXPECT_FALSE(layout->needDrawBorder());
  EXPECT_FALSE(layout->needDrawShadow());
  EXPECT_FALSE(layout->needDrawBlockBorder());
  EXPECT_FALSE(layout->needDrawBackgroundBorder());
  EXPECT_FALSE(layout->needDrawInnerShadow());

  ASSERT_EQ(layout->attachments().size(), 1u);
  EXPECT_EQ(layout->attachmentRanges()[0], (rt::Range{8, 1}));
  const auto& line = layout->lines()[0];
  const double x = line->CTLine()->offsetForStringIndex(8);
  EXPECT_TRUE(gfx::RectEqualToRect(layout->attachmentRects()[0],
                                   gfx::RectMake(line->position().x + x, line->position().y - 12, 20, 16)));
  EXPECT_EQ(layout->attachmentContentsSet()->count(), 1u);
  EXPECT_TRUE(layout->attachmentContentsSet()->containsObject(content));
}

TEST(DRTextLayout, VerticalColumnsRunRightToLeft) {
  auto t = layout_test::text(u"区里的新闻\n每天更新\n读者可以切换", cjk(16));
  auto c = DRTextContainer::containerWithSize({300, 200}, {0, 0, 0, 10});
  c->setVerticalForm(true);
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  const auto& lines = layout->lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(layout->rowCount(), 3u);
  expectLinesFromFrame(*layout, gfx::RectMake(0, 0, 290, 200));
  // The first column hugs the right inset and starts at the top.
  EXPECT_NEAR(lines[0]->right(), 290, kEps);
  EXPECT_NEAR(lines[0]->position().y, 0, kEps);
  for (size_t i = 1; i < 3; ++i) EXPECT_LT(lines[i]->right(), lines[i - 1]->left() + kEps);
  for (const auto& l : lines) {
    EXPECT_NEAR(l->width(), l->ascent() + l->descent(), kEps);
    EXPECT_NEAR(l->height(), l->lineWidth(), kEps);
  }
  expectJoinedRowEdges(*layout, true);
  // Measured from the container's left: the text block mirrored.
  const gfx::Rect u = unionOfLines(*layout);
  EXPECT_NEAR(layout->textBoundingSize().width, 300 - u.origin.x + 0 - 0, kEps);
  EXPECT_NEAR(layout->textBoundingSize().height, u.origin.y + u.size.height, kEps);
  for (const auto& l : lines) ASSERT_TRUE(l->verticalRotateRange());
}

TEST(DRTextLayout, VerticalTruncationKeepsTheColumnLength) {
  auto t = layout_test::text(u"区里的新闻每天更新读者可以在频道之间切换也可以收藏文章区里的新闻每天更新", cjk(16));
  auto c = DRTextContainer::containerWithSize({300, 200});
  c->setVerticalForm(true);
  c->setMaximumNumberOfRows(1);
  c->setTruncationType(DRTextTruncationTypeEnd);
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 1u);
  const auto& cut = layout->truncatedLine();
  ASSERT_TRUE(cut);
  // Cut to the column's length, not to its thickness.
  EXPECT_GT(cut->lineWidth(), layout->lines()[0]->width() * 3);
  EXPECT_LE(cut->lineWidth(), layout->lines()[0]->height() + kEps);
  ASSERT_TRUE(cut->verticalRotateRange());
  // The ideographs lie on their side; the token (the last glyph) does not.
  const auto& plan = *cut->verticalRotateRange();
  ASSERT_FALSE(plan.empty());
  EXPECT_EQ(plan.front().front()->drawMode(), DRTextRunGlyphDrawModeVerticalRotate);
  EXPECT_EQ(plan.back().back()->drawMode(), DRTextRunGlyphDrawModeHorizontal);
}

// Layouts built on several threads from one container and one text while the owner keeps
// changing its container: each layout sees one consistent copy.
TEST(DRTextLayout, BuiltOnSeveralThreadsAtOnce) {
  auto t = layout_test::text(kLong, latin(14));
  auto c = DRTextContainer::containerWithSize({200, 1000});
  c->setTruncationType(DRTextTruncationTypeEnd);
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      for (int k = 0; k < 10; ++k) {
        auto layout = DRTextLayout::layoutWithContainer(c, t);
        if (!layout || layout->lines().empty()) {
          ++bad;
          continue;
        }
        const double width = layout->container()->size().width;
        for (const auto& l : layout->lines())
          if (l->right() - l->trailingWhitespaceWidth() > width + kEps) ++bad;
      }
    });
  std::thread owner([&] {
    for (int k = 0; !done; ++k) {
      c->setSize({k % 2 ? 150.0 : 250.0, 1000});
      c->setMaximumNumberOfRows(static_cast<uint64_t>(k % 3));
    }
  });
  for (auto& th : threads) th.join();
  done = true;
  owner.join();
  EXPECT_EQ(bad.load(), 0);
}

// A band across every column cuts each in two; both pieces keep the column's row.
TEST(DRTextLayout, VerticalColumnsAroundAnExclusion) {
  auto t = layout_test::text(u"区里的新闻每天更新读者可以在频道之间切换也可以收藏文章晚上还有天气交通和活动的消息全区的事都在这里",
                             layout_test::cjk(16));
  auto c = DRTextContainer::containerWithSize({200, 300});
  c->setVerticalForm(true);
  c->setExclusionPaths({gfx::BezierPath::bezierPathWithRect(gfx::RectMake(0, 120, 200, 60))});
  auto layout = DRTextLayout::layoutWithContainer(c, t);
  ASSERT_TRUE(layout);
  const auto& lines = layout->lines();
  ASSERT_GE(lines.size(), 4u);
  size_t paired = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto& l = lines[i];
    EXPECT_TRUE(l->bottom() <= 120 + kEps || l->top() >= 180 - kEps) << l->description().utf8();
    if (i && lines[i - 1]->row() == l->row()) {
      ++paired;
      EXPECT_NEAR(lines[i - 1]->position().x, l->position().x, kEps);
      EXPECT_LE(lines[i - 1]->bottom(), 120 + kEps);
      EXPECT_GE(l->top(), 180 - kEps);
    }
  }
  EXPECT_GE(paired, 2u);
  EXPECT_EQ(layout->rowCount(), lines.size() - paired);
  EXPECT_NEAR(lines[0]->right(), 200, kEps);
  expectJoinedRowEdges(*layout, true);
}
