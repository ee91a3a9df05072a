#include <gtest/gtest.h>

#include "platform/foundation/values/Number.h"
#include "platform/typeset/Framesetter.h"
#include "platform/typeset/RubyAnnotation.h"
#include "platform/typeset/RunDelegate.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::cjk;
using typeset_test::latin;
using typeset_test::text;

namespace {

struct Box {
  double ascent, descent, width;
  int* released;
};

RunDelegateCallbacks boxCallbacks() {
  RunDelegateCallbacks cb;
  cb.getAscent = [](void* r) { return static_cast<Box*>(r)->ascent; };
  cb.getDescent = [](void* r) { return static_cast<Box*>(r)->descent; };
  cb.getWidth = [](void* r) { return static_cast<Box*>(r)->width; };
  cb.dealloc = [](void* r) { ++*static_cast<Box*>(r)->released; };
  return cb;
}

}  // namespace

TEST(RunDelegate, ReservesItsSpaceInTheLine) {
  int released = 0;
  Box box{40, 10, 30, &released};
  {
    auto f = latin(16);
    auto delegate = RunDelegate::create(boxCallbacks(), &box);
    ASSERT_TRUE(delegate);
    EXPECT_EQ(delegate->refCon(), &box);
    auto s = MutableAttributedString::create(u"ab\uFFFCcd", typeset_test::attrs(f));
    s->addAttribute(CTRunDelegateAttributeName, delegate, Range{2, 1});
    auto with = Line::createWithAttributedString(*s);
    auto without = Line::createWithAttributedString(*text("abcd", f));
    EXPECT_NEAR(with->width(), without->width() + 30, 1e-6);
    EXPECT_NEAR(with->ascent(), 40, 1e-9);
    EXPECT_NEAR(with->descent(), std::max(10.0, f->descent()), 1e-9);
    ASSERT_EQ(with->glyphRuns().size(), 3u);
    const auto& placeholder = with->glyphRuns()[1];
    EXPECT_EQ(placeholder->delegate(), delegate);
    EXPECT_EQ(placeholder->stringRange(), (Range{2, 1}));
    EXPECT_NEAR(placeholder->width(), 30, 1e-9);
    EXPECT_NEAR(with->offsetForStringIndex(3) - with->offsetForStringIndex(2), 30, 1e-9);
    EXPECT_EQ(released, 0);
  }
  EXPECT_EQ(released, 1);  // the last reference gone, the reference constant is released

  RunDelegateCallbacks v2 = boxCallbacks();
  v2.version = 2;
  EXPECT_FALSE(RunDelegate::create(v2, &box));
}

TEST(VerticalText, ChineseColumnsRunDownRightToLeft) {
  auto f = cjk(20);
  auto s = MutableAttributedString::create(u"新闻快讯今日", typeset_test::attrs(f));
  s->addAttribute(VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1), Range{0, s->length()});
  auto line = Line::createWithAttributedString(*s);
  ASSERT_EQ(line->glyphRuns().size(), 1u);
  const auto& run = line->glyphRuns()[0];
  EXPECT_TRUE(run->isVertical());
  for (const auto& adv : run->advances()) EXPECT_NEAR(adv.width, 20, 2);  // one em per ideograph down the column

  // Three characters per column, columns from the right edge leftwards.
  auto fs = Framesetter::create(*s);
  auto attrs = fd::Dictionary::withStrings({{FrameProgressionAttributeName, fd::Number::numberWithInt(1)}});
  auto frame = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(gfx::RectMake(0, 0, 100, 65)), attrs);
  ASSERT_EQ(frame->lines().size(), 2u);
  auto o = frame->lineOrigins();
  EXPECT_GT(o[0].x, o[1].x);
  EXPECT_NEAR(o[0].x, 100 - frame->lines()[0]->ascent(), 1e-6);
  EXPECT_NEAR(o[0].y, 65, 1e-6);
  EXPECT_EQ(frame->lines()[0]->stringRange(), (Range{0, 3}));

  // Drawn, the first column's ink stays in the right-hand column.
  auto ctx = gfx::Context::createBitmap(nullptr, 100, 65, 8, 0, gfx::ColorSpace::deviceRGB(), 0x2002);
  ctx->setRGBFillColor(0, 0, 0, 1);
  frame->draw(*ctx);
  int right = 0, left = 0, outside = 0;
  for (size_t y = 0; y < 65; ++y)
    for (size_t x = 0; x < 100; ++x) {
      if ((ctx->pixelAt(x, y) >> 24) == 0) continue;
      double colLeft0 = o[0].x - frame->lines()[0]->descent();
      double colLeft1 = o[1].x - frame->lines()[1]->descent();
      if (x + 1 >= colLeft0) ++right;
      else if (x + 1 >= colLeft1 && x <= o[1].x + frame->lines()[1]->ascent() + 1) ++left;
      else ++outside;
    }
  EXPECT_GT(right, 100);
  EXPECT_GT(left, 100);
  EXPECT_EQ(outside, 0);
}

TEST(RubyAnnotation, DefaultsAndRoomAboveTheBase) {
  auto ruby = RubyAnnotation::create(u"xīnwén");
  EXPECT_EQ(ruby->alignment(), RubyAlignment::Auto);
  EXPECT_EQ(ruby->overhang(), RubyOverhang::Auto);
  EXPECT_EQ(ruby->sizeFactor(), 0.5);
  EXPECT_EQ(ruby->textForPosition(RubyPosition::Before), u"xīnwén");
  EXPECT_TRUE(ruby->textForPosition(RubyPosition::After).isEmpty());
  auto custom = RubyAnnotation::create(RubyAlignment::Center, RubyOverhang::None, 0, {"a", "b", "c", "d"});
  EXPECT_EQ(custom->sizeFactor(), 0.5);
  EXPECT_EQ(custom->textForPosition(RubyPosition::Inline), "d");

  auto f = cjk(20);
  auto plain = Line::createWithAttributedString(*text(u"新闻", f));
  auto s = MutableAttributedString::create(u"新闻", typeset_test::attrs(f));
  s->addAttribute(CTRubyAnnotationAttributeName, ruby, Range{0, 2});
  auto annotated = Line::createWithAttributedString(*s);
  EXPECT_NEAR(annotated->ascent(), plain->ascent() + (f->ascent() + f->descent()) / 2, 1e-6);
  EXPECT_EQ(annotated->glyphRuns()[0]->rubyAnnotation(), ruby);

  // The annotation's ink is drawn above the base's.
  auto ctx = gfx::Context::createBitmap(nullptr, 80, 60, 8, 0, gfx::ColorSpace::deviceRGB(), 0x2002);
  ctx->setRGBFillColor(0, 0, 0, 1);
  annotated->draw(*ctx, {5, 15});
  int above = 0;
  for (size_t y = 0; y < 60; ++y)
    for (size_t x = 0; x < 80; ++x)
      if ((ctx->pixelAt(x, y) >> 24) && 60.0 - y > 15 + f->ascent()) ++above;
  EXPECT_GT(above, 10);
}
