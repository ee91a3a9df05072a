#include "text/parsers/DRTextSimpleEmoticonParser.h"

#include <gtest/gtest.h>

#include "platform/foundation/values/Number.h"
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

TEST(DRTextSimpleEmoticonParser, AttachmentsKeepTheKeysAttributesButTheDiscontinuousOnes) {
  auto parser = parserWith({":)"});
  auto text = typeset::MutableAttributedString::create(rt::String("ab:)cd:)e"));
  auto red = gfx::Color::colorWithRed(1, 0, 0, 1), blue = gfx::Color::colorWithRed(0, 0, 1, 1);
  text->addAttribute(typeset::ForegroundColorAttributeName, red, Range{0, 3});
  text->addAttribute(typeset::ForegroundColorAttributeName, blue, Range{3, 6});
  text->addAttribute(typeset::FontAttributeName, typeset::Font::systemFontOfSize(20), Range{6, 2});
  // A binding over the first key is discontinuous: the picture does not carry it on.
  text->addAttribute(text::DRTextBindingKey, fd::Number::numberWithInt(1), Range{2, 2});
  Range selection{1, 7};  // from inside "ab" to inside the second key, the first key within
  ASSERT_TRUE(parser->parseText(*text, &selection));
  ASSERT_EQ(text->string(), rt::String(u"ab\uFFFCcd\uFFFCe"));
  auto colorAt = [&](size_t i) { return rt::as<gfx::Color>(text->attributeAtIndex(typeset::ForegroundColorAttributeName, i)); };
  for (size_t i : {0, 1, 2}) EXPECT_TRUE(colorAt(i)->isEqual(red.get())) << i;
  for (size_t i : {3, 4, 5, 6}) EXPECT_TRUE(colorAt(i)->isEqual(blue.get())) << i;
  EXPECT_EQ(text->attributeAtIndex(text::DRTextBindingKey, 2), nullptr);
  EXPECT_EQ(text->attributeAtIndex(text::DRTextAttachmentKey, 3), nullptr);
  auto first = rt::as<text::DRTextAttachment>(text->attributeAtIndex(text::DRTextAttachmentKey, 2));
  auto second = rt::as<text::DRTextAttachment>(text->attributeAtIndex(text::DRTextAttachmentKey, 5));
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  // Each picture reserves its room in the line.
  for (size_t i : {2, 5}) EXPECT_NE(text->attributeAtIndex(typeset::CTRunDelegateAttributeName, i), nullptr) << i;
  // A key inside the selection, touching neither end, leaves a caret after its picture; the
  // second key then lies after that caret.
  EXPECT_EQ(selection.location, 3u);
  EXPECT_EQ(selection.length, 0u);
}

TEST(DRTextSimpleEmoticonParser, ManyKeysInALongText) {
  auto parser = parserWith({":)", ":("});
  std::string plain;
  for (int i = 0; i < 5000; i++) plain += i % 3 ? "a:)" : "b:(";
  auto text = typeset::MutableAttributedString::create(rt::String(plain));
  Range caret{plain.size(), 0};
  ASSERT_TRUE(parser->parseText(*text, &caret));
  EXPECT_EQ(text->length(), 10000u);
  EXPECT_EQ(caret.location, 10000u);
  EXPECT_EQ(text->string().characterAtIndex(9999), u'\uFFFC');
  auto back = text::plainTextForRange(*text, Range{0, text->length()});
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, rt::String(plain));
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
