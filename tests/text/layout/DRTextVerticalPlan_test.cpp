#include <gtest/gtest.h>

#include "platform/graphics/Color.h"
#include "tests/text/layout/LayoutSupport.h"
#include "text/layout/DRTextLayout.h"
#include "text/layout/DRTextTruncatedLine.h"
#include "text/layout/DRTextVerticalGlyphPlan.h"
#include "text/model/DRTextAttribute.h"

using namespace text;
using layout_test::cjk;
using layout_test::latin;

namespace {

struct Stretch {
  uint64_t location, length, mode;
  bool operator==(const Stretch&) const = default;
};

std::vector<Stretch> stretchesOf(const std::vector<Ref<DRTextRunGlyphRange>>& run) {
  std::vector<Stretch> out;
  for (const auto& r : run) out.push_back({r->glyphRangeInRun().location, r->glyphRangeInRun().length, r->drawMode()});
  return out;
}

// The plan of a one-column vertical layout of `s`.
Ref<DRTextLine> verticalLine(const Ref<typeset::AttributedString>& s) {
  auto c = DRTextContainer::containerWithSize({100, 1000});
  c->setVerticalForm(true);
  auto layout = DRTextLayout::layoutWithContainer(c, s);
  EXPECT_TRUE(layout && layout->lines().size() == 1);
  return layout && !layout->lines().empty() ? layout->lines()[0] : nullptr;
}

}  // namespace

TEST(DRTextVerticalPlan, CharacterSetsAsListed) {
  struct Case {
    char32_t c;
    bool rotate, move;
  };
  for (Case k : {Case{0x1100, true, false}, Case{0x3000, true, false}, Case{0x3001, true, true}, Case{0x3002, true, true},
                 Case{0x3007, true, false}, Case{0x3008, false, false}, Case{0x3011, false, false},
                 Case{0x3012, true, false}, Case{0x3013, true, false}, Case{0x3014, false, false},
                 Case{0x301F, false, false}, Case{0x3020, true, false}, Case{0x3E15, true, false},
                 Case{0x3E16, false, false}, Case{0x9FCC, true, false}, Case{0x9FCD, false, false},
                 Case{0xF8FE, false, false}, Case{0xF8FF, true, false}, Case{0xFF0C, true, true},
                 Case{0xFF0E, true, true}, Case{0xFFEF, true, false}, Case{0xFFF0, false, false},
                 Case{0x1F64F, true, false}, Case{0x1F650, false, false}, Case{0x1F6FF, true, false},
                 Case{0x1F700, false, false}, Case{'A', false, false}, Case{'1', false, false}}) {
    EXPECT_EQ(DRTextVerticalFormRotates(k.c), k.rotate) << std::hex << static_cast<uint32_t>(k.c);
    EXPECT_EQ(DRTextVerticalFormRotatesAndMoves(k.c), k.move) << std::hex << static_cast<uint32_t>(k.c);
  }
}

// The plan covers every run's glyphs in order with maximal stretches of one mode, and each
// glyph (one per character here) gets the mode of its character.
TEST(DRTextVerticalPlan, StretchesFollowTheCharacters) {
  struct Case {
    const char16_t* text;
    const char* modes;  // per character
    std::vector<Stretch> oneRun;  // the stretches when the text is one run
  };
  for (const Case& k : {Case{u"中文abc，", "110002", {{0, 2, 1}, {2, 3, 0}, {5, 1, 2}}},
                        Case{u"〈〉【】〔〕", "000000", {{0, 6, 0}}},
                        Case{u"、。あ", "221", {{0, 2, 2}, {2, 1, 1}}},
                        Case{u"ab", "00", {{0, 2, 0}}}}) {
    SCOPED_TRACE(rt::String(k.text).utf8());
    auto line = verticalLine(layout_test::text(k.text, cjk(16)));
    ASSERT_TRUE(line);
    ASSERT_TRUE(line->verticalRotateRange());
    const auto& plan = *line->verticalRotateRange();
    const auto& runs = line->CTLine()->glyphRuns();
    ASSERT_EQ(plan.size(), runs.size());
    std::string seen(rt::String(k.text).length(), '?');
    for (size_t r = 0; r < runs.size(); ++r) {
      const auto stretches = stretchesOf(plan[r]);
      uint64_t next = 0;
      for (size_t s = 0; s < stretches.size(); ++s) {
        EXPECT_EQ(stretches[s].location, next);
        EXPECT_GT(stretches[s].length, 0u);
        if (s) {
          EXPECT_NE(stretches[s].mode, stretches[s - 1].mode);
        }
        for (uint64_t g = stretches[s].location; g < stretches[s].location + stretches[s].length; ++g)
          seen[static_cast<size_t>(runs[r]->stringIndices()[g])] = static_cast<char>('0' + stretches[s].mode);
        next += stretches[s].length;
      }
      EXPECT_EQ(next, runs[r]->glyphCount());
    }
    EXPECT_EQ(seen, k.modes);
    if (runs.size() == 1) {
      EXPECT_EQ(stretchesOf(plan[0]), k.oneRun);
    }
  }
}

TEST(DRTextVerticalPlan, ColourGlyphRunsAreRotatedWhole) {
  auto emoji = typeset::Font::fontWithName("Noto Color Emoji", 16);
  ASSERT_TRUE(emoji);
  auto line = verticalLine(layout_test::text(u"12\U0001F600", emoji));
  ASSERT_TRUE(line && line->verticalRotateRange());
  const auto& runs = line->CTLine()->glyphRuns();
  const auto& plan = *line->verticalRotateRange();
  ASSERT_EQ(plan.size(), runs.size());
  size_t glyphs = 0;
  for (size_t r = 0; r < runs.size(); ++r) {
    ASSERT_TRUE(runs[r]->font()->symbolicTraits() & typeset::FontTraitColorGlyphs);
    EXPECT_EQ(stretchesOf(plan[r]), (std::vector<Stretch>{{0, runs[r]->glyphCount(), 1}}));
    glyphs += runs[r]->glyphCount();
  }
  EXPECT_EQ(glyphs, 3u);
}

TEST(DRTextVerticalPlan, DefaultTokenTakesTheLastRunsLook) {
  auto t = layout_test::text(u"News ", latin(16));
  t->appendAttributedString(*typeset::AttributedString::create(
      u"today", fd::Dictionary::withStrings({{typeset::FontAttributeName, latin(20)},
                                            {typeset::ForegroundColorAttributeName, gfx::Color::redColor()}})));
  auto line = DRTextLine::lineWithCTLine(typeset::Line::createWithAttributedString(*t), {0, 0}, false);
  auto token = DRTextDefaultTruncationToken(*line);
  ASSERT_TRUE(token);
  EXPECT_EQ(token->string(), rt::String(DRTextEllipsisString));
  auto font = rt::as<typeset::Font>(token->attributeAtIndex(typeset::FontAttributeName, 0));
  ASSERT_TRUE(font);
  EXPECT_DOUBLE_EQ(font->pointSize(), 18);
  EXPECT_TRUE(font->isEqual(typeset::Font::systemFontOfSize(18).get()));
  EXPECT_TRUE(rt::equalObjects(token->attributeAtIndex(typeset::ForegroundColorAttributeName, 0).get(),
                               gfx::Color::redColor().get()));

  // A last run that is an attachment gives its look but not its attachment.
  auto withAttachment = layout_test::text(u"ab\uFFFC", latin(10));
  withAttachment->addAttribute(DRTextAttachmentKey, DRTextAttachment::attachmentWithContent(nullptr), rt::Range{2, 1});
  auto l2 = DRTextLine::lineWithCTLine(typeset::Line::createWithAttributedString(*withAttachment), {0, 0}, false);
  auto token2 = DRTextDefaultTruncationToken(*l2);
  EXPECT_FALSE(token2->attributeAtIndex(DRTextAttachmentKey, 0));
  EXPECT_DOUBLE_EQ(rt::as<typeset::Font>(token2->attributeAtIndex(typeset::FontAttributeName, 0))->pointSize(), 9);

  // A line without runs gives a bare token.
  auto empty = DRTextLine::lineWithCTLine(typeset::Line::createWithAttributedString(*typeset::AttributedString::create(u"")),
                                          {0, 0}, false);
  auto token3 = DRTextDefaultTruncationToken(*empty);
  EXPECT_EQ(token3->string(), rt::String(DRTextEllipsisString));
  EXPECT_EQ(token3->attributesAtIndex(0)->count(), 0u);
}

TEST(DRTextVerticalPlan, HorizontalLayoutsHaveNoPlan) {
  auto layout = DRTextLayout::layoutWithContainerSize({300, 300}, layout_test::text(u"中文abc，\n次の行", cjk(16)));
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 2u);
  for (const auto& l : layout->lines()) EXPECT_FALSE(l->verticalRotateRange());
}
