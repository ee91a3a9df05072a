#include <gtest/gtest.h>

#include "platform/foundation/text/StringObject.h"
#include "platform/typeset/RunDelegate.h"
#include "tests/text/layout/LayoutSupport.h"
#include "text/layout/DRTextLine.h"
#include "text/model/DRTextAttribute.h"

using namespace text;
using layout_test::kEps;
using layout_test::latin;

namespace {

struct Box {
  double ascent, descent, width;
};

Ref<typeset::RunDelegate> boxDelegate(const Box* box) {
  typeset::RunDelegateCallbacks cb;
  cb.getAscent = [](void* p) { return static_cast<const Box*>(p)->ascent; };
  cb.getDescent = [](void* p) { return static_cast<const Box*>(p)->descent; };
  cb.getWidth = [](void* p) { return static_cast<const Box*>(p)->width; };
  return typeset::RunDelegate::create(cb, const_cast<Box*>(box));
}

// "ab", an attachment box, "cd".
Ref<typeset::MutableAttributedString> textWithAttachment(const Box* box, const Ref<DRTextAttachment>& attachment) {
  auto t = layout_test::text(u"ab\uFFFCcd", latin(16));
  t->addAttribute(typeset::CTRunDelegateAttributeName, boxDelegate(box), rt::Range{2, 1});
  t->addAttribute(DRTextAttachmentKey, attachment, rt::Range{2, 1});
  return t;
}

}  // namespace

TEST(DRTextLine, BoundsFromMetricsInBothForms) {
  auto ct = typeset::Line::createWithAttributedString(*layout_test::text(u"Hello world", latin(16)));
  ASSERT_TRUE(ct);
  EXPECT_FALSE(DRTextLine::lineWithCTLine(nullptr, {0, 0}, false));
  double a, d, l;
  const double w = ct->typographicBounds(&a, &d, &l);
  const double f = ct->glyphRuns()[0]->positions()[0].x;

  auto h = DRTextLine::lineWithCTLine(ct, {10, 40}, false);
  EXPECT_EQ(h->range(), (rt::Range{0, 11}));
  EXPECT_NEAR(h->ascent(), a, kEps);
  EXPECT_NEAR(h->descent(), d, kEps);
  EXPECT_NEAR(h->lineWidth(), w, kEps);
  EXPECT_TRUE(gfx::RectEqualToRect(h->bounds(), gfx::RectMake(10 + f, 40 - a, w, a + d)));
  EXPECT_NEAR(h->top(), 40 - a, kEps);
  EXPECT_NEAR(h->bottom(), 40 + d, kEps);
  EXPECT_NEAR(h->left(), 10 + f, kEps);
  EXPECT_NEAR(h->right(), 10 + f + w, kEps);
  EXPECT_FALSE(h->verticalRotateRange());

  // A vertical line runs down from its position; its column spans d left to a right.
  auto v = DRTextLine::lineWithCTLine(ct, {200, 10}, true);
  EXPECT_TRUE(gfx::RectEqualToRect(v->bounds(), gfx::RectMake(200 - d, 10 + f, a + d, w)));

  // Moving recomputes the bounds.
  v->setPosition({100, 0});
  EXPECT_TRUE(gfx::RectEqualToRect(v->bounds(), gfx::RectMake(100 - d, f, a + d, w)));

  EXPECT_TRUE(h->description().hasPrefix("<DRTextLine: 0x"));
  EXPECT_NE(h->description().view().find(u"row:0 range:0,11 position:{10, 40}"), std::u16string_view::npos)
      << h->description().utf8();
}

TEST(DRTextLine, LineWithoutGlyphsStartsAtItsPosition) {
  auto ct = typeset::Line::createWithAttributedString(*typeset::AttributedString::create(u""));
  ASSERT_TRUE(ct);
  auto line = DRTextLine::lineWithCTLine(ct, {7, 9}, false);
  EXPECT_EQ(line->bounds().origin.x, 7);
  EXPECT_TRUE(line->attachments().empty());
}

TEST(DRTextLine, AttachmentsFollowTheLine) {
  static const Box box{20, 5, 30};
  auto attachment = DRTextAttachment::attachmentWithContent(fd::StringObject::create(u"pic"));
  auto ct = typeset::Line::createWithAttributedString(*textWithAttachment(&box, attachment));
  auto line = DRTextLine::lineWithCTLine(ct, {10, 50}, false);
  ASSERT_EQ(line->attachments().size(), 1u);
  EXPECT_EQ(line->attachments()[0].get(), attachment.get());
  EXPECT_EQ(line->attachmentRanges()[0], (rt::Range{2, 1}));
  const double x = ct->offsetForStringIndex(2);
  EXPECT_TRUE(gfx::RectEqualToRect(line->attachmentRects()[0], gfx::RectMake(10 + x, 50 - 20, 30, 25)))
      << gfx::StringFromRect(line->attachmentRects()[0]).utf8();
  line->setPosition({0, 100});
  EXPECT_TRUE(gfx::RectEqualToRect(line->attachmentRects()[0], gfx::RectMake(x, 100 - 20, 30, 25)));

  auto vertical = DRTextLine::lineWithCTLine(ct, {200, 10}, true);
  ASSERT_EQ(vertical->attachmentRects().size(), 1u);
  EXPECT_TRUE(gfx::RectEqualToRect(vertical->attachmentRects()[0], gfx::RectMake(200 - 5, 10 + x, 25, 30)));

  // A line without attachment runs has none.
  auto plain = DRTextLine::lineWithCTLine(typeset::Line::createWithAttributedString(*layout_test::text(u"abc", latin())),
                                          {0, 0}, false);
  EXPECT_TRUE(plain->attachments().empty());
  EXPECT_TRUE(plain->attachmentRanges().empty());
  EXPECT_TRUE(plain->attachmentRects().empty());
}
