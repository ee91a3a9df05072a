// The reading and writing additions beyond the typed accessors.
#include <gtest/gtest.h>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Image.h"
#include "platform/foundation/values/Null.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextRunDelegate.h"
#include "text/model/MutableAttributedString+DRText.h"

using namespace text;
using typeset::AttributedString;
using typeset::MutableAttributedString;

namespace {
Ref<gfx::Color> red() { return gfx::Color::colorWithRed(1, 0, 0, 1); }
Ref<gfx::Image> smallImage() { return gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(4, 4)); }

Ref<DRTextRunDelegate> delegateAt(const AttributedString& s, size_t index) {
  return DRTextRunDelegate::delegateOfCTRunDelegate(s.attributeAtIndex(typeset::CTRunDelegateAttributeName, index));
}
}  // namespace

TEST(AttributedStringDRText, EmptyStringsAnswerNothing) {
  auto empty = MutableAttributedString::create();
  EXPECT_FALSE(attributes(*empty));
  EXPECT_FALSE(attributesAtIndex(*empty, 0));
  EXPECT_FALSE(attributeAtIndex(*empty, typeset::FontAttributeName, 0));
  EXPECT_FALSE(font(*empty));
  EXPECT_TRUE(isSharedAttributesInAllRange(*empty));
  EXPECT_TRUE(canDrawWithUIKit(*empty));
  auto s = MutableAttributedString::create(u"ab");
  setFont(*s, typeset::Font::systemFontOfSize(9), {1, 1});
  EXPECT_FALSE(attributeAtIndex(*s, rt::String(), 1));  // no name
  EXPECT_EQ(attributesAtIndex(*s, 2)->count(), 1u);     // the last character's
}

TEST(AttributedStringDRText, ColourFallsBackToTheTypesetterKey) {
  auto s = MutableAttributedString::create(u"abc");
  s->addAttribute(typeset::CTForegroundColorAttributeName, red()->CGColor(), {0, 3});
  auto c = colorAtIndex(*s, 1);
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->isEqual(red().get()));
  s->addAttribute(typeset::CTForegroundColorAttributeName, fd::box(3), {0, 3});
  EXPECT_FALSE(colorAtIndex(*s, 1));  // neither kind of colour
}

TEST(AttributedStringDRText, GenericSetterRemovesOnNullAndIgnoresNoName) {
  auto s = MutableAttributedString::create(u"abc");
  setAttribute(*s, "k", fd::box(1));
  EXPECT_TRUE(s->attributeAtIndex("k", 2));
  setAttribute(*s, "", fd::box(2));
  EXPECT_EQ(s->attributesAtIndex(0)->count(), 1u);
  setAttribute(*s, "k", fd::Null::null(), {0, 1});
  EXPECT_FALSE(s->attributeAtIndex("k", 0));
  EXPECT_TRUE(s->attributeAtIndex("k", 1));
  setAttribute(*s, "k", nullptr);
  EXPECT_FALSE(s->attributeAtIndex("k", 1));

  setAttributes(*s, fd::Dictionary::withStrings({{"a", fd::box(1)}, {"b", fd::Null::null()}}));
  EXPECT_EQ(s->attributesAtIndex(1)->count(), 1u);
  removeAttributesInRange(*s, {0, 2});
  EXPECT_EQ(s->attributesAtIndex(0)->count(), 0u);
  EXPECT_TRUE(s->attributeAtIndex("a", 2));
}

TEST(AttributedStringDRText, PlainTextPutsBackedStringsBack) {
  auto s = MutableAttributedString::create(u"a\uFFFCb");
  setTextBackedString(*s, DRTextBackedString::stringWithString(u"[smile]"), {1, 1});
  auto text = plainTextForRange(*s, rangeOfAll(*s));
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, rt::String(u"a[smile]b"));
  EXPECT_EQ(text->length(), 9u);
  EXPECT_EQ(*plainTextForRange(*s, {1, 2}), rt::String(u"[smile]b"));
  EXPECT_FALSE(plainTextForRange(*s, {rt::NotFound, 1}));
  EXPECT_FALSE(plainTextForRange(*s, {0, rt::NotFound}));
  auto none = plainTextForRange(*s, {1, 0});
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->isEmpty());
}

TEST(AttributedStringDRText, ArchiveShortcutsRoundTrip) {
  auto s = MutableAttributedString::create(u"rich");
  setColor(*s, red());
  setTextUnderline(*s, DRTextDecoration::decorationWithStyle(DRTextLineKindDouble), {1, 2});
  auto data = archiveToData(*s);
  ASSERT_TRUE(data);
  auto back = unarchiveFromData(data);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->string(), s->string());
  ASSERT_TRUE(textUnderlineAtIndex(*back, 2));
  EXPECT_EQ(textUnderlineAtIndex(*back, 2)->style(), DRTextLineKindDouble);
  EXPECT_TRUE(colorAtIndex(*back, 0)->isEqual(red().get()));
  EXPECT_FALSE(unarchiveFromData(fd::Data::create(std::string_view("plain"))));
}

TEST(AttributedStringDRText, AttachmentStrings) {
  auto image = smallImage();
  auto s = attachmentStringWithContent(image, 2, 30, 12, 4);
  ASSERT_EQ(s->length(), 1u);
  EXPECT_EQ(s->string().characterAtIndex(0), 0xFFFC);
  auto attachment = rt::as<DRTextAttachment>(s->attributeAtIndex(DRTextAttachmentKey, 0));
  ASSERT_TRUE(attachment);
  EXPECT_EQ(attachment->content(), image);
  EXPECT_EQ(attachment->contentMode(), 2);
  auto delegate = delegateAt(*s, 0);
  ASSERT_TRUE(delegate);
  EXPECT_EQ(delegate->width(), 30);
  EXPECT_EQ(delegate->ascent(), 12);
  EXPECT_EQ(delegate->descent(), 4);
  EXPECT_FALSE(canDrawWithUIKit(*s));
}

TEST(AttributedStringDRText, FontAlignedAttachmentMetrics) {
  auto font = typeset::Font::systemFontOfSize(20);
  const double a = font->ascender(), d = font->descender(), h = 20;
  struct Case {
    int64_t alignment;
    double ascent, descent;
  };
  const double centreAscent = h / 2 + (a - (a - d) / 2);
  const Case cases[] = {
      {0, a, std::max(0.0, h - a)},
      {1, centreAscent, std::max(0.0, h - centreAscent)},
      {2, std::max(0.0, h + d), -d},
      {7, h, 0},
  };
  for (const auto& c : cases) {
    auto s = attachmentStringWithContent(smallImage(), 0, gfx::Size{16, h}, font, c.alignment);
    auto delegate = delegateAt(*s, 0);
    ASSERT_TRUE(delegate) << c.alignment;
    EXPECT_DOUBLE_EQ(delegate->ascent(), c.ascent) << c.alignment;
    EXPECT_DOUBLE_EQ(delegate->descent(), c.descent) << c.alignment;
    EXPECT_EQ(delegate->width(), 16) << c.alignment;
  }
  EXPECT_GT(a, 0);
  EXPECT_LT(d, 0);
}

TEST(AttributedStringDRText, EmojiAttachmentBands) {
  EXPECT_FALSE(attachmentStringWithEmojiImage(nullptr, 16));
  EXPECT_FALSE(attachmentStringWithEmojiImage(smallImage(), 0));
  EXPECT_FALSE(attachmentStringWithEmojiImage(smallImage(), -3));
  struct Case {
    double size, ascent, descent, width;
  };
  const Case cases[] = {
      {12, 15, 4.6875, 16.5}, {16, 20, 6.25, 21.5}, {24, 24, 7.5, 25.5}, {24.5, 24.5, 7.65625, 26},
  };
  for (const auto& c : cases) {
    auto s = attachmentStringWithEmojiImage(smallImage(), c.size);
    ASSERT_TRUE(s) << c.size;
    auto delegate = delegateAt(*s, 0);
    ASSERT_TRUE(delegate) << c.size;
    EXPECT_DOUBLE_EQ(delegate->ascent(), c.ascent) << c.size;
    EXPECT_DOUBLE_EQ(delegate->descent(), c.descent) << c.size;
    EXPECT_DOUBLE_EQ(delegate->width(), c.width) << c.size;
    auto attachment = rt::as<DRTextAttachment>(s->attributeAtIndex(DRTextAttachmentKey, 0));
    ASSERT_TRUE(attachment) << c.size;
    EXPECT_EQ(attachment->contentMode(), 1);
    EXPECT_TRUE(rt::as<gfx::Image>(attachment->content())) << c.size;
    EXPECT_EQ(attachment->contentInsets().left, 0.75);
  }
}

TEST(AttributedStringDRText, SharedAttributesAndDrawability) {
  auto s = MutableAttributedString::create(u"abcdef");
  setFont(*s, typeset::Font::systemFontOfSize(12));
  EXPECT_TRUE(isSharedAttributesInAllRange(*s));
  setKern(*s, fd::Number::numberWithDouble(1), {3, 3});
  EXPECT_FALSE(isSharedAttributesInAllRange(*s));

  auto binding = MutableAttributedString::create(u"bound");
  setTextBinding(*binding, DRTextBinding::bindingWithDeleteConfirm(true), {0, 5});
  EXPECT_TRUE(canDrawWithUIKit(*binding));
  auto border = MutableAttributedString::create(u"boxed");
  setTextBorder(*border, rt::make<DRTextBorder>(), {1, 1});
  EXPECT_FALSE(canDrawWithUIKit(*border));
  auto ctOnly = MutableAttributedString::create(u"ct");
  ctOnly->addAttribute(typeset::CTForegroundColorAttributeName, red(), {0, 2});
  EXPECT_FALSE(canDrawWithUIKit(*ctOnly));
  setColor(*ctOnly, red());  // both keys
  EXPECT_TRUE(canDrawWithUIKit(*ctOnly));
}

TEST(AttributedStringDRText, InsertedTextDropsDiscontinuousAttributes) {
  auto s = attachmentStringWithContent(smallImage(), 0, 10, 10, 0);
  setTextBackedString(*s, DRTextBackedString::stringWithString(u"[img]"), {0, 1});
  setAttachment(*s, fd::box(1), {0, 1});
  auto font = typeset::Font::systemFontOfSize(15);
  setFont(*s, font);
  setColor(*s, red());
  appendString(*s, u"xy");
  insertString(*s, u"z", 0);
  ASSERT_EQ(s->length(), 4u);
  for (size_t i : {size_t(0), size_t(2), size_t(3)}) {
    for (const auto& key : allDiscontinuousAttributeKeys()) EXPECT_FALSE(s->attributeAtIndex(key, i)) << i;
    EXPECT_EQ(fontAtIndex(*s, i), font) << i;
    EXPECT_TRUE(colorAtIndex(*s, i)) << i;
  }
  EXPECT_TRUE(s->attributeAtIndex(DRTextAttachmentKey, 1));
  EXPECT_TRUE(s->attributeAtIndex(typeset::CTRunDelegateAttributeName, 1));
  EXPECT_EQ(allDiscontinuousAttributeKeys().size(), 7u);
}

TEST(AttributedStringDRText, JoinedFamilyEmojiGetTheClearColour) {
  auto short7 = MutableAttributedString::create(u"a\u200Dbcdef");
  ASSERT_EQ(short7->length(), 7u);
  setClearColorToJoinedEmoji(*short7);
  EXPECT_FALSE(color(*short7));

  const rt::String family(u"👨‍👩‍👧‍👦");
  auto s = MutableAttributedString::create(rt::String(u"hi ") + family + rt::String(u" 👨 x"));
  setClearColorToJoinedEmoji(*s);
  EXPECT_FALSE(colorAtIndex(*s, 2));
  for (size_t i = 3; i < 3 + family.length(); ++i) {
    auto c = colorAtIndex(*s, i);
    ASSERT_TRUE(c) << i;
    EXPECT_TRUE(c->isEqual(gfx::Color::clearColor().get())) << i;
    EXPECT_TRUE(s->attributeAtIndex(typeset::CTForegroundColorAttributeName, i)) << i;
  }
  EXPECT_FALSE(colorAtIndex(*s, 3 + family.length()));
  EXPECT_FALSE(colorAtIndex(*s, 4 + family.length()));  // a lone man is no family
}
