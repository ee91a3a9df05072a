#include "text/parsers/DRTextSimpleEmoticonParser.h"

#include <gtest/gtest.h>

#include "platform/graphics/ImageContext.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextBackedString.h"

namespace {

using rt::Range;
using text::DRTextSimpleEmoticonParser;

Ref<gfx::Image> smallPicture() {
  gfx::beginImageContextWithOptions({4, 4}, false, 1);
  gfx::currentContext()->setFillColor(gfx::Color::colorWithRed(1, 0.8, 0, 1));
  gfx::currentContext()->fillRect({{0, 0}, {4, 4}});
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

Ref<DRTextSimpleEmoticonParser> parserWith(std::vector<const char*> keys) {
  auto parser = rt::make<DRTextSimpleEmoticonParser>();
  DRTextSimpleEmoticonParser::Mapper mapper;
  for (const char* k : keys) mapper.emplace_back(rt::String(k), smallPicture());
  parser->setEmoticonMapper(std::move(mapper));
  return parser;
}

TEST(DRTextSimpleEmoticonParser, KeysAreEscapedAndReplacedByOneAttachmentCharacterEach) {
  auto parser = parserWith({":)", "[ok]"});
  ASSERT_TRUE(parser->regex());
  EXPECT_EQ(parser->regex()->pattern(), rt::String("(:\\)|\\[ok\\])"));

  auto text = typeset::MutableAttributedString::create(rt::String("a:)[ok]"));
  Range caret{7, 0};
  ASSERT_TRUE(parser->parseText(*text, &caret));
  ASSERT_EQ(text->length(), 3u);
  EXPECT_EQ(text->string().characterAtIndex(0), u'a');
  for (size_t i : {1, 2}) {
    EXPECT_EQ(text->string().characterAtIndex(i), u'\uFFFC');
    EXPECT_TRUE(rt::as<text::DRTextAttachment>(text->attributeAtIndex(text::DRTextAttachmentKey, i))) << i;
  }
  EXPECT_EQ(caret.location, 3u);
  EXPECT_EQ(caret.length, 0u);
  // Copying gives the keys back.
  auto plain = text::plainTextForRange(*text, Range{0, 3});
  ASSERT_TRUE(plain);
  EXPECT_EQ(*plain, rt::String("a:)[ok]"));
}

TEST(DRTextSimpleEmoticonParser, MatchesWithoutPicturesStayAndLaterOnesStillLand) {
  auto parser = rt::make<DRTextSimpleEmoticonParser>();
  parser->setEmoticonMapper({{rt::String(":x"), nullptr}, {rt::String(":)"), smallPicture()}});
  auto text = typeset::MutableAttributedString::create(rt::String(":x and :)"));
  Range selection{7, 2};  // exactly the key that is replaced
  ASSERT_TRUE(parser->parseText(*text, &selection));
  EXPECT_EQ(text->string().substring(0, 7), rt::String(":x and "));
  ASSERT_EQ(text->length(), 8u);
  EXPECT_EQ(text->string().characterAtIndex(7), u'\uFFFC');
  EXPECT_EQ(selection.location, 7u);
  EXPECT_EQ(selection.length, 1u);

  auto none = typeset::MutableAttributedString::create(rt::String("nothing here"));
  Range untouched{2, 3};
  EXPECT_FALSE(parser->parseText(*none, &untouched));
  EXPECT_EQ(untouched.location, 2u);
  EXPECT_EQ(untouched.length, 3u);
  EXPECT_FALSE(rt::make<DRTextSimpleEmoticonParser>()->parseText(*none, nullptr));
}

TEST(DRTextSimpleEmoticonParser, SelectionAfterAReplacement) {
  struct Case {
    Range replaced;
    size_t newLength;
    Range selection, expected;
  };
  const Case cases[] = {
      {{10, 3}, 1, {2, 4}, {2, 4}},   // after the selection
      {{0, 3}, 1, {5, 2}, {3, 2}},    // before: moves by c - b
      {{4, 3}, 1, {4, 3}, {4, 1}},    // exactly the selection
      {{3, 3}, 1, {2, 6}, {4, 0}},    // inside, other ends: caret after it
      {{2, 3}, 1, {2, 2}, {3, 0}},    // same start, longer than the selection
      {{2, 3}, 1, {2, 6}, {2, 4}},    // same start, shorter: the length shrinks
      {{5, 3}, 1, {2, 6}, {2, 4}},    // same end, shorter
      {{2, 3}, 3, {0, 1}, {0, 1}},    // same length: unchanged
  };
  for (const Case& c : cases) {
    Range r = DRTextSimpleEmoticonParser::selectionAfterReplacing(c.replaced, c.newLength, c.selection);
    EXPECT_EQ(r.location, c.expected.location) << c.replaced.location << "," << c.selection.location;
    EXPECT_EQ(r.length, c.expected.length) << c.replaced.location << "," << c.selection.location;
  }
}

}  // namespace
