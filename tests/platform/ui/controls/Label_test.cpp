#include "platform/ui/controls/Label.h"

#include <gtest/gtest.h>

#include "platform/graphics/Context.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/ui/controls/Button.h"

// A namespace of its own: test programs compile several files as one.
namespace label_test {

using namespace ui;

namespace {

struct Ink {
  size_t count = 0;
  size_t minX = SIZE_MAX, minY = SIZE_MAX, maxX = 0, maxY = 0;
};

Ink inkOf(gfx::Context& ctx) {
  Ink ink;
  for (size_t y = 0; y < ctx.height(); ++y)
    for (size_t x = 0; x < ctx.width(); ++x)
      if ((ctx.pixelAt(x, y) >> 24) > 0) {
        ++ink.count;
        ink.minX = std::min(ink.minX, x), ink.maxX = std::max(ink.maxX, x);
        ink.minY = std::min(ink.minY, y), ink.maxY = std::max(ink.maxY, y);
      }
  return ink;
}

Ref<Label> label(const char* text, gfx::Rect frame) {
  auto l = rt::make<Label>(frame);
  l->setText(rt::String(text));
  l->setFont(typeset::Font::systemFontOfSize(20));
  return l;
}

}  // namespace

TEST(Label, InkStaysInsideTheBounds) {
  for (const char* text : {"Hello, district", "本区新闻 今日要闻", "a much longer headline that will not fit at all"}) {
    auto root = rt::make<View>(gfx::RectMake(0, 0, 300, 100));
    auto l = label(text, gfx::RectMake(50, 30, 200, 40));
    l->setClipsToBounds(true);
    root->addSubview(l);
    auto ctx = gfx::Context::createForImage({300, 100}, false, 1);
    root->layer()->renderInContext(*ctx);
    Ink ink = inkOf(*ctx);
    ASSERT_GT(ink.count, 20u) << text;
    EXPECT_GE(ink.minX, 50u) << text;
    EXPECT_LT(ink.maxX, 250u) << text;
    EXPECT_GE(ink.minY, 30u) << text;
    EXPECT_LT(ink.maxY, 70u) << text;
  }
}

TEST(Label, TextIsCentredVertically) {
  auto l = label("Centre", gfx::RectMake(0, 0, 200, 100));
  auto ctx = gfx::Context::createForImage({200, 100}, false, 1);
  l->layer()->renderInContext(*ctx);
  Ink ink = inkOf(*ctx);
  ASSERT_GT(ink.count, 0u);
  double mid = (ink.minY + ink.maxY) / 2.0;
  EXPECT_NEAR(mid, 50, 8);
}

TEST(Label, SizeThatFitsGrowsWithLinesAndText) {
  auto one = label("short", gfx::RectZero);
  auto size1 = one->sizeThatFits({0, 0});
  EXPECT_GT(size1.width, 0);
  EXPECT_GT(size1.height, 0);
  EXPECT_EQ(one->intrinsicContentSize(), size1);
  auto longer = label("short and then some more words", gfx::RectZero);
  EXPECT_GT(longer->sizeThatFits({0, 0}).width, size1.width);
  // Wrapped to a narrow width: more lines when allowed, one when not.
  longer->setNumberOfLines(0);
  auto wrapped = longer->sizeThatFits({80, 0});
  EXPECT_LE(wrapped.width, 80);
  EXPECT_GT(wrapped.height, size1.height * 2);
  longer->setNumberOfLines(2);
  auto two = longer->sizeThatFits({80, 0});
  EXPECT_LT(two.height, wrapped.height);
  EXPECT_GT(two.height, size1.height);
  auto empty = label("", gfx::RectZero);
  EXPECT_EQ(empty->sizeThatFits({100, 100}), gfx::SizeMake(0, 0));
}

TEST(Label, SizeThatFitsIsTheTextsSizeWhateverTheAlignment) {
  using A = typeset::TextAlignment;
  const A alignments[] = {A::Left, A::Center, A::Right, A::Justified};
  const char* texts[] = {"Weather", "District council meets on Tuesday", "\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd"};
  const gfx::Size limits[] = {{0, 0}, {80, 0}};
  for (const char* text : texts) {
    for (gfx::Size limit : limits) {
      auto reference = label(text, {});
      gfx::Size natural = reference->sizeThatFits(limit);
      ASSERT_GT(natural.width, 0);
      ASSERT_LT(natural.width, 20.0 * std::string(text).size());  // the text, not the open box
      for (A a : alignments) {
        SCOPED_TRACE(::testing::Message() << text << " within " << limit.width << " aligned " << int(a));
        auto l = label(text, {});
        l->setTextAlignment(a);
        EXPECT_EQ(l->sizeThatFits(limit), natural);
        l->sizeToFit();
        EXPECT_EQ(l->bounds().size, l->sizeThatFits({0, 0}));
      }
    }
  }
}

TEST(Label, ButtonSizedToFitIsItsTitlePlusInsets) {
  using A = typeset::TextAlignment;
  const gfx::Size plain = label("Subscribe", {})->sizeThatFits({0, 0});
  for (A a : {A::Natural, A::Left, A::Center, A::Right}) {
    SCOPED_TRACE(int(a));
    auto b = Button::buttonWithType(ButtonType::Custom);
    b->setTitle(rt::String("Subscribe"), ControlStateNormal);
    b->titleLabel()->setFont(typeset::Font::systemFontOfSize(20));
    b->titleLabel()->setTextAlignment(a);
    b->setContentEdgeInsets({4, 10, 6, 12});
    b->sizeToFit();
    EXPECT_EQ(b->bounds().size.width, plain.width + 22);
    EXPECT_EQ(b->bounds().size.height, plain.height + 10);
  }
}

TEST(Label, AttributedTextKeepsItsOwnAttributes) {
  auto l = label("", gfx::RectMake(0, 0, 200, 40));
  auto s = typeset::MutableAttributedString::create(rt::String("red"));
  s->addAttribute(rt::String(typeset::ForegroundColorAttributeName), gfx::Color::redColor(), {0, 3});
  l->setAttributedText(s);
  EXPECT_EQ(l->text(), rt::String("red"));
  auto ctx = gfx::Context::createForImage({200, 40}, false, 1);
  l->layer()->renderInContext(*ctx);
  // Some fully inked pixel is pure red (premultiplied ARGB).
  bool red = false;
  for (size_t y = 0; y < 40 && !red; ++y)
    for (size_t x = 0; x < 200 && !red; ++x) red = ctx->pixelAt(x, y) == 0xFFFF0000u;
  EXPECT_TRUE(red);
  l->setText(rt::String("plain"));
  EXPECT_EQ(l->attributedText()->string(), rt::String("plain"));
}

TEST(Label, ALineTallerThanTheLabelIsCentredAndDrawsPastItUnlessClipped) {
  // 40 points of text in a 24-point label: a line box of about 47 points, centred.
  for (bool clips : {false, true}) {
    auto root = rt::make<View>(gfx::RectMake(0, 0, 300, 120));
    auto l = label("Yoga", gfx::RectMake(20, 48, 260, 24));
    l->setFont(typeset::Font::systemFontOfSize(40));
    l->setClipsToBounds(clips);
    root->addSubview(l);
    auto ctx = gfx::Context::createForImage({300, 120}, false, 1);
    root->layer()->renderInContext(*ctx);
    Ink ink = inkOf(*ctx);
    ASSERT_GT(ink.count, 50u);
    if (clips) {
      EXPECT_GE(ink.minY, 48u);
      EXPECT_LT(ink.maxY, 72u);
    } else {
      EXPECT_LT(ink.minY, 47u) << "the Y rises above the label";
      EXPECT_GT(ink.maxY, 78u) << "the g's descender hangs below it";
    }
  }
}

}  // namespace label_test
