// Ruby set against its base: alignment, overhang, widening, the four positions, vertical
// bases; checked through the recorded glyph calls rather than pixels.
#include <gtest/gtest.h>

#include "platform/foundation/values/Number.h"
#include "platform/graphics/RecordingContext.h"
#include "platform/typeset/Line.h"
#include "platform/typeset/RubyLayout.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::cjk;
using typeset_test::text;

namespace {

struct Annotated {
  Ref<Line> line;
  Ref<Line> plain;
};

// `before` + base + `after` in a 20-point CJK font, the base annotated.
Annotated annotate(const Ref<RubyAnnotation>& ruby, const rt::String& base, const rt::String& before = "",
                   const rt::String& after = "", bool vertical = false) {
  auto f = cjk(20);
  rt::String all = before.stringByAppendingString(base).stringByAppendingString(after);
  auto s = MutableAttributedString::create(all, typeset_test::attrs(f));
  auto plain = MutableAttributedString::create(all, typeset_test::attrs(f));
  if (vertical) {
    s->addAttribute(VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1), Range{0, all.length()});
    plain->addAttribute(VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1), Range{0, all.length()});
  }
  s->addAttribute(CTRubyAnnotationAttributeName, ruby, Range{before.length(), base.length()});
  return {Line::createWithAttributedString(*s), Line::createWithAttributedString(*plain)};
}

// The glyph calls at the annotation's size: (text matrix tx, ty, first position x, last x).
std::vector<gfx::DrawCommand> rubyCalls(const Line& line, double size) {
  auto rec = gfx::RecordingContext::create({300, 100});
  line.draw(*rec);
  std::vector<gfx::DrawCommand> out;
  for (const auto& c : rec->commands())
    if (c.name == "showGlyphsAtPositions" && c.args[0] == size) out.push_back(c);
  return out;
}

rt::String kana(u"\u304B\u3093\u3058");  // three kana: 30 points at half of 20

}  // namespace

TEST(Ruby, AlignmentOverANarrowerAnnotation) {
  const double base = 40, ruby = 30;  // two ideographs; three annotation kana at 10 points
  struct Case {
    RubyAlignment align;
    double firstX, lastEnd;  // the annotation's first glyph start and last glyph end
  } cases[] = {
      {RubyAlignment::Start, 0, ruby},
      {RubyAlignment::End, base - ruby, base},
      {RubyAlignment::Center, (base - ruby) / 2, (base + ruby) / 2},
      {RubyAlignment::Auto, (base - ruby) / 2, (base + ruby) / 2},
      {RubyAlignment::DistributeLetter, 0, base},
      {RubyAlignment::DistributeSpace, (base - ruby) / 6, base - (base - ruby) / 6},
      {RubyAlignment::LineEdge, 0, ruby},  // at the line's start
  };
  for (const auto& c : cases) {
    auto r = RubyAnnotation::create(c.align, RubyOverhang::Auto, 0.5, {kana, "", "", ""});
    auto a = annotate(r, u"\u6F22\u5B57");
    EXPECT_NEAR(a.line->width(), base, 1e-6) << int(c.align);
    auto calls = rubyCalls(*a.line, 10);
    ASSERT_EQ(calls.size(), 1u) << int(c.align);
    const auto& call = calls[0];
    ASSERT_EQ(call.glyphs.size(), 3u);
    double x0 = call.args[6] + call.positions.front().x;
    double x1 = call.args[6] + call.positions.back().x + 10;
    EXPECT_NEAR(x0, c.firstX, 0.01) << int(c.align);
    EXPECT_NEAR(x1, c.lastEnd, 0.01) << int(c.align);
    // Above the base: the annotation's baseline clears the base font's ascent.
    EXPECT_GT(call.args[7], cjk(20)->ascent()) << int(c.align);
  }
}

TEST(Ruby, WiderAnnotationsWidenTheBaseUnlessTheyMayOverhang) {
  rt::String wide(u"\u304B\u304B\u304B\u304B\u304B\u304B");  // 60 points over a 20-point base
  struct Case {
    RubyOverhang overhang;
    bool neighbours;
    double baseAdvance;
  } cases[] = {
      {RubyOverhang::None, true, 60},
      {RubyOverhang::None, false, 60},
      {RubyOverhang::Auto, true, 50},   // half an annotation character over each neighbour
      {RubyOverhang::Auto, false, 60},  // nothing to overhang
      {RubyOverhang::Start, true, 55},
      {RubyOverhang::End, true, 55},
  };
  for (const auto& c : cases) {
    auto r = RubyAnnotation::create(RubyAlignment::Center, c.overhang, 0.5, {wide, "", "", ""});
    auto a = c.neighbours ? annotate(r, u"\u5B57", u"\u3042", u"\u3042") : annotate(r, u"\u5B57");
    double grown = a.line->width() - a.plain->width();
    EXPECT_NEAR(grown, c.baseAdvance - 20, 1e-6) << int(c.overhang) << " " << c.neighbours;
    // The base glyph stands in the middle of its widened room.
    for (const auto& run : a.line->glyphRuns())
      if (run->rubyAnnotation()) {
        double pen = c.neighbours ? 20 : 0;
        EXPECT_NEAR(run->positions()[0].x, pen + (c.baseAdvance - 20) / 2, 1e-6);
      }
  }
  // Distributed bases spread their clusters; the ends stay flush with the annotation.
  auto r = RubyAnnotation::create(RubyAlignment::DistributeLetter, RubyOverhang::None, 0.5, {wide, "", "", ""});
  auto a = annotate(r, u"\u6F22\u5B57");
  ASSERT_EQ(a.line->glyphRuns().size(), 1u);
  const auto& run = a.line->glyphRuns()[0];
  EXPECT_NEAR(run->positions()[0].x, 0, 1e-6);
  EXPECT_NEAR(run->positions()[1].x, 40, 1e-6);
  EXPECT_NEAR(a.line->width(), 60, 1e-6);
}

TEST(Ruby, FourPositionsAndVerticalBases) {
  auto f = cjk(20);
  double h = (f->ascent() + f->descent()) / 2;
  rt::String two(u"\u304B\u3093");
  struct Case {
    RubyPosition position;
    double ascentGain, descentGain, widthGain;
  } cases[] = {
      {RubyPosition::Before, h, 0, 0},
      {RubyPosition::After, 0, h, 0},
      {RubyPosition::InterCharacter, 0, 0, h},
      {RubyPosition::Inline, 0, 0, 20},
  };
  for (const auto& c : cases) {
    std::array<rt::String, RubyPositionCount> texts;
    texts[static_cast<size_t>(c.position)] = two;
    auto r = RubyAnnotation::create(RubyAlignment::Center, RubyOverhang::None, 0.5, texts);
    auto a = annotate(r, u"\u6F22\u5B57");
    EXPECT_NEAR(a.line->ascent() - a.plain->ascent(), c.ascentGain, 1e-6) << int(c.position);
    EXPECT_NEAR(a.line->descent() - a.plain->descent(), c.descentGain, 1e-6) << int(c.position);
    EXPECT_NEAR(a.line->width() - a.plain->width(), c.widthGain, 1e-6) << int(c.position);
    auto calls = rubyCalls(*a.line, 10);
    ASSERT_EQ(calls.size(), 1u) << int(c.position);
    double y = calls[0].args[7];
    switch (c.position) {
      case RubyPosition::Before: EXPECT_GT(y, f->ascent()); break;
      case RubyPosition::After: EXPECT_LT(y, -f->descent()); break;
      case RubyPosition::InterCharacter:
        // Upright in a column beside the base: the glyph call's space is turned.
        EXPECT_NEAR(calls[0].args[2], 0, 1e-9);
        break;
      case RubyPosition::Inline:
        EXPECT_NEAR(calls[0].args[6], 40, 1e-6);
        EXPECT_NEAR(y, 0, 1e-9);
        break;
    }
  }
  // Vertical bases get upright annotations; before is still the ascent side (the right of a
  // column) and grows the column.
  auto r = RubyAnnotation::create(kana);
  auto v = annotate(r, u"\u6F22\u5B57", "", "", true);
  ASSERT_TRUE(v.line->glyphRuns()[0]->isVertical());
  auto layout = RubyLayout::make(*r, v.line->glyphRuns()[0]->style());
  ASSERT_TRUE(layout && layout->line(RubyPosition::Before));
  EXPECT_TRUE(layout->line(RubyPosition::Before)->glyphRuns()[0]->isVertical());
  EXPECT_NEAR(v.line->ascent() - v.plain->ascent(), h, 1e-6);
  EXPECT_EQ(rubyCalls(*v.line, 10).size(), 1u);
}

TEST(Ruby, EmptyTextsAndHostileBases) {
  auto none = RubyAnnotation::create(RubyAlignment::Auto, RubyOverhang::Auto, 0.5, {"", "", "", ""});
  auto a = annotate(none, u"\u6F22");
  EXPECT_NEAR(a.line->width(), a.plain->width(), 1e-9);
  EXPECT_NEAR(a.line->ascent(), a.plain->ascent(), 1e-9);
  EXPECT_TRUE(rubyCalls(*a.line, 10).empty());
  // An annotation over nothing but a lone surrogate, at a huge size factor.
  auto huge = RubyAnnotation::create(RubyAlignment::DistributeSpace, RubyOverhang::Auto, 1e4, {kana, kana, kana, kana});
  auto b = annotate(huge, rt::String(std::u16string_view(u"\xD800", 1)));
  EXPECT_GT(b.line->width(), 0);
  EXPECT_EQ(rubyCalls(*b.line, 20 * 1e4).size(), 4u);
}

TEST(Ruby, LineEdgeAlignmentFollowsWhereTheBaseStands) {
  const double ruby = 30;  // three annotation kana over two ideographs, 40 points
  struct Case {
    const char16_t* before;
    const char16_t* after;
    double firstX;  // relative to the base's start
  } cases[] = {
      {u"", u"", 0},                          // alone: the start edge wins
      {u"", u"\u3042", 0},                    // at the start
      {u"\u3042", u"", 40 - ruby},            // at the end
      {u"\u3042", u" ", 40 - ruby},           // at the end, only white space after it
      {u"\u3042", u"\u3042", (40 - ruby) / 2},  // inside the line: centred
  };
  auto r = RubyAnnotation::create(RubyAlignment::LineEdge, RubyOverhang::None, 0.5, {kana, "", "", ""});
  for (const auto& c : cases) {
    rt::String before(c.before), after(c.after);
    auto a = annotate(r, u"\u6F22\u5B57", before, after);
    auto calls = rubyCalls(*a.line, 10);
    ASSERT_EQ(calls.size(), 1u);
    double x0 = calls[0].args[6] + calls[0].positions.front().x - 20 * static_cast<double>(before.length());
    EXPECT_NEAR(x0, c.firstX, 0.01) << before.length() << " " << after.length();
  }
}

TEST(Ruby, ScaleToFitCondensesTheAnnotationInsteadOfWideningTheBase) {
  auto f = cjk(20);
  double h = (f->ascent() + f->descent()) / 2;
  rt::String wide(u"\u304B\u304B\u304B\u304B\u304B\u304B");  // 60 points at half size
  struct Case {
    rt::String text;
    bool scaleToFit;
    double size, baseAdvance;  // the annotation's point size, the base's advance
  } cases[] = {
      {wide, true, 10.0 / 3, 20},  // condensed to the base's 20 points
      {wide, false, 10, 60},       // the base widened instead
      {u"\u304B", true, 10, 20},   // narrower: left at its size
  };
  for (const auto& c : cases) {
    auto r = RubyAnnotation::create(RubyAlignment::Center, RubyOverhang::None, 0.5, {c.text, "", "", ""}, c.scaleToFit);
    auto a = annotate(r, u"\u5B57");
    EXPECT_NEAR(a.line->width(), c.baseAdvance, 1e-6) << c.scaleToFit;
    // The room above shrinks with the annotation.
    EXPECT_NEAR(a.line->ascent() - a.plain->ascent(), h * c.size / 10, 1e-6) << c.scaleToFit;
    auto rec = gfx::RecordingContext::create({300, 100});
    a.line->draw(*rec);
    const gfx::DrawCommand* call = nullptr;
    for (const auto& cmd : rec->commands())
      if (cmd.name == "showGlyphsAtPositions" && cmd.args[0] < 19) call = &cmd;
    ASSERT_NE(call, nullptr);
    EXPECT_NEAR(call->args[0], c.size, 1e-6) << c.scaleToFit;
    double x0 = call->args[6] + call->positions.front().x;
    double x1 = call->args[6] + call->positions.back().x + c.size;
    EXPECT_GE(x0, (c.baseAdvance - c.text.length() * c.size) / 2 - 0.01);
    EXPECT_NEAR(x1 - x0, c.text.length() * c.size, 0.01);
    EXPECT_LE(x1, c.baseAdvance + 0.01) << c.scaleToFit;
  }
  // Equal settings only with the same choice.
  auto a = RubyAnnotation::create(RubyAlignment::Auto, RubyOverhang::Auto, 0.5, {kana, "", "", ""}, true);
  auto b = RubyAnnotation::create(RubyAlignment::Auto, RubyOverhang::Auto, 0.5, {kana, "", "", ""});
  EXPECT_TRUE(a->scalesToFit());
  EXPECT_FALSE(b->scalesToFit());
  EXPECT_FALSE(a->isEqual(b.get()));
}
