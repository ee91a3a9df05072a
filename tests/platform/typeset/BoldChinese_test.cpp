// Bold Chinese is bold: from a CJK family with a real bold face, or emboldened when the face
// asked for has no such weight; quotation marks in Chinese text come from the Chinese face.
#include <gtest/gtest.h>

#include "platform/graphics/Context.h"
#include "platform/typeset/Line.h"
#include "platform/typeset/Run.h"
#include "platform/typeset/StringDrawing.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using namespace typeset_test;

namespace {

const rt::String kTitle(u"资讯视听游走云岫声");

// The summed coverage of what `font` draws of `s`, at 2 pixels per point.
double inkOf(const rt::String& s, const Ref<Font>& font) {
  auto ctx = gfx::Context::createForImage({240, 40}, false, 2);
  drawAtPoint(*text(s, font), *ctx, {4, 4});
  double ink = 0;
  for (size_t y = 0; y < ctx->height(); ++y)
    for (size_t x = 0; x < ctx->width(); ++x) ink += (ctx->pixelAt(x, y) >> 24) / 255.0;
  return ink;
}

Ref<Font> withWeight(const char* family, double size, uint32_t traits) {
  auto plain = FontDescriptor::create(rt::String(family), size);
  return Font::fontWithDescriptor(plain->fontDescriptorWithSymbolicTraits(traits), size);
}

}  // namespace

TEST(BoldChinese, BoldSystemTextInChineseHasABoldFace) {
  auto regular = Font::systemFontOfSize(17), bold = Font::boldSystemFontOfSize(17);
  auto line = Line::createWithAttributedString(*text(kTitle, bold));
  ASSERT_FALSE(line->glyphRuns().empty());
  const auto& face = line->glyphRuns()[0]->font()->face();
  EXPECT_GE(face->weightClass(), 700) << face->family();
  EXPECT_FALSE(face->isSyntheticBold()) << "a family with a real bold face is preferred";
  double ratio = inkOf(kTitle, bold) / inkOf(kTitle, regular);
  EXPECT_GE(ratio, 1.45);
}

TEST(BoldChinese, AFaceWithoutTheWeightIsEmboldened) {
  auto regular = withWeight("WenQuanYi Micro Hei", 17, 0);
  auto bold = withWeight("WenQuanYi Micro Hei", 17, FontTraitBold);
  ASSERT_TRUE(regular && bold);
  ASSERT_EQ(bold->familyName(), "WenQuanYi Micro Hei");
  EXPECT_FALSE(regular->face()->isSyntheticBold());
  EXPECT_TRUE(bold->face()->isSyntheticBold());
  EXPECT_TRUE(bold->symbolicTraits() & FontTraitBold);
  EXPECT_EQ(bold->face().get(), withWeight("WenQuanYi Micro Hei", 20, FontTraitBold)->face().get())
      << "one emboldened face serves every size";

  EXPECT_GE(inkOf(kTitle, bold) / inkOf(kTitle, regular), 1.3);
  // The thicker glyphs take more room, and their ink boxes say so.
  Glyph g = regular->glyphForCharacter(U'资');
  EXPECT_GT(bold->advanceForGlyph(g), regular->advanceForGlyph(g));
  EXPECT_GT(bold->boundingRectForGlyph(g).size.width, regular->boundingRectForGlyph(g).size.width);
  auto boldLine = Line::createWithAttributedString(*text(kTitle, bold));
  auto regularLine = Line::createWithAttributedString(*text(kTitle, regular));
  EXPECT_GT(boldLine->width(), regularLine->width());
}

TEST(BoldChinese, QuotationMarksTakeTheFaceOfTheSurroundingText) {
  struct Case {
    const char16_t* text;
    size_t quote;  // index of a quotation mark
    size_t han;    // index of an ideograph (SIZE_MAX: the mark stays in the Latin face)
  };
  const Case cases[] = {
      {u"他说“你好”。", 2, 3},
      {u"他说“你好”。", 5, 3},
      {u"“新闻”频道", 0, 1},
      {u"He said “hello” twice", 8, SIZE_MAX},
  };
  auto latinFont = latin(16);
  for (const auto& k : cases) {
    rt::String s(k.text);
    auto line = Line::createWithAttributedString(*text(s, latinFont));
    auto familyAt = [&](size_t index) -> std::string {
      for (const auto& run : line->glyphRuns()) {
        auto r = run->stringRange();
        if (index >= r.location && index < r.location + r.length) return run->font()->familyName().utf8();
      }
      return {};
    };
    std::string expected = k.han == SIZE_MAX ? "DejaVu Sans" : familyAt(k.han);
    EXPECT_EQ(familyAt(k.quote), expected) << rt::String(k.text).utf8() << " at " << k.quote;
  }
}
