#include <gtest/gtest.h>

#include <thread>

#include "platform/typeset/ShapedText.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;

namespace {

// Mixed Chinese and Latin in two fonts, `length` units long; `seed` varies the sentences.
Ref<AttributedString> mixedText(size_t length, int seed) {
  const rt::String pieces[] = {rt::String(u"区政府今天宣布新的公共交通计划，"), rt::String(u"The district opened a new library. "),
                               rt::String(u"市民可以在网上预约。"), rt::String(u"Buses run every ten minutes.\n")};
  rt::String s;
  for (size_t i = static_cast<size_t>(seed); s.length() < length; ++i) s += pieces[i % std::size(pieces)];
  auto text = MutableAttributedString::create(s.substring(0, length), typeset_test::attrs(typeset_test::latin(15)));
  for (size_t at = 0; at + 40 < length; at += 97) text->addAttribute(FontAttributeName, typeset_test::cjk(16), Range{at, 40});
  return text;
}

void expectSame(const ShapedText& a, const ShapedText& b) {
  ASSERT_EQ(a.glyphs.size(), b.glyphs.size());
  for (size_t i = 0; i < a.glyphs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a.glyphs[i].glyph, b.glyphs[i].glyph);
    EXPECT_EQ(a.glyphs[i].cluster, b.glyphs[i].cluster);
    EXPECT_EQ(a.glyphs[i].advance, b.glyphs[i].advance);
    EXPECT_EQ(a.glyphs[i].xOffset, b.glyphs[i].xOffset);
    EXPECT_EQ(a.glyphs[i].yOffset, b.glyphs[i].yOffset);
  }
  EXPECT_EQ(a.advances, b.advances);
  EXPECT_EQ(a.levels, b.levels);
  EXPECT_EQ(a.paragraphLevels, b.paragraphLevels);
  ASSERT_EQ(a.items.size(), b.items.size());
  for (size_t i = 0; i < a.items.size(); ++i) {
    EXPECT_EQ(a.items[i].glyphStart, b.items[i].glyphStart);
    EXPECT_EQ(a.items[i].glyphEnd, b.items[i].glyphEnd);
    EXPECT_EQ(a.items[i].start, b.items[i].start);
    EXPECT_EQ(a.items[i].font->face(), b.items[i].font->face());
  }
}

}  // namespace

// A text shaped on a thread that has just released another keeps none of the other's glyphs
// or advances: it matches the same text shaped on a thread that released nothing.
TEST(ShapedTextReuse, TextShapedAfterAReleasedOneMatchesAFreshThread) {
  struct Case {
    size_t released, shaped;
  };
  const Case cases[] = {{30000, 12000}, {12000, 30000}, {20000, 20000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.released << " then " << c.shaped);
    auto text = mixedText(c.shaped, 1);
    std::shared_ptr<const ShapedText> fresh;
    std::thread([&] { fresh = ShapedText::build(*text); }).join();
    {
      auto released = ShapedText::build(*mixedText(c.released, 0));
    }
    auto again = ShapedText::build(*text);
    expectSame(*again, *fresh);
  }
}
