// The attribute value classes: every field through copy and through the rich-text archive,
// from one table of classes; then the factories and the highlight's setters.
#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Null.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Image.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/Shadow.h"
#include "text/model/DRTextArchiver.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBackedString.h"
#include "text/model/DRTextBinding.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"
#include "text/model/DRTextHighlight.h"
#include "text/model/DRTextShadow.h"

using namespace text;

namespace {

Ref<gfx::Color> rgb(double r, double g, double b, double a = 1) { return gfx::Color::colorWithRed(r, g, b, a); }

bool same(const rt::Object* a, const rt::Object* b) { return rt::equalObjects(a, b); }

Ref<DRTextShadow> shadowChain(int links) {
  Ref<DRTextShadow> head;
  for (int i = links; i > 0; --i) {
    auto s = DRTextShadow::shadowWithColor(rgb(0.1 * i, 0.2, 0.3), {1.25 * i, -0.75 * i}, 2.3 + i);
    s->setBlendMode(static_cast<gfx::BlendMode>(i + 1));
    s->setSubShadow(head);
    head = s;
  }
  return head;
}

// Shadows compare link by link, blend modes included.
::testing::AssertionResult sameShadow(const DRTextShadow* a, const DRTextShadow* b) {
  for (int link = 0; a || b; ++link, a = a->subShadow().get(), b = b->subShadow().get()) {
    if (!a || !b) return ::testing::AssertionFailure() << "chains differ in length at link " << link;
    if (a == b) return ::testing::AssertionFailure() << "link " << link << " is shared, not copied";
    if (!same(a->color().get(), b->color().get()) || a->offset() != b->offset() || a->radius() != b->radius() ||
        a->blendMode() != b->blendMode())
      return ::testing::AssertionFailure() << "link " << link << " differs";
  }
  return ::testing::AssertionSuccess();
}

struct ClassCase {
  const char* name;
  std::function<rt::Id()> make;  // an instance with every field set away from its default
  std::function<::testing::AssertionResult(const rt::Id& original, const rt::Id& other)> sameFields;
};

template <class T>
std::function<::testing::AssertionResult(const rt::Id&, const rt::Id&)> fields(
    std::function<::testing::AssertionResult(const T&, const T&)> compare) {
  return [compare](const rt::Id& a, const rt::Id& b) -> ::testing::AssertionResult {
    auto x = rt::as<T>(a);
    auto y = rt::as<T>(b);
    if (!x || !y) return ::testing::AssertionFailure() << "not of the class";
    if (x == y) return ::testing::AssertionFailure() << "the very same object";
    return compare(*x, *y);
  };
}

#define FIELD(cond) \
  if (!(cond)) return ::testing::AssertionFailure() << "field differs: " #cond

std::vector<ClassCase> classCases() {
  return {
      {"DRTextBackedString", [] { return DRTextBackedString::stringWithString(u"[smile] 😀"); },
       fields<DRTextBackedString>([](const auto& a, const auto& b) {
         FIELD(a.string() == b.string());
         return ::testing::AssertionSuccess();
       })},
      {"DRTextBinding", [] { return DRTextBinding::bindingWithDeleteConfirm(true); },
       fields<DRTextBinding>([](const auto& a, const auto& b) {
         FIELD(a.deleteConfirm() == b.deleteConfirm());
         return ::testing::AssertionSuccess();
       })},
      {"DRTextShadow", [] { return shadowChain(3); },
       fields<DRTextShadow>([](const auto& a, const auto& b) { return sameShadow(&a, &b); })},
      {"DRTextDecoration",
       [] {
         auto d = DRTextDecoration::decorationWithStyle(DRTextLineKindDouble | DRTextLineKindPatternDashDot,
                                                        fd::Number::numberWithDouble(1.7), rgb(1, 0, 0));
         d->setShadow(shadowChain(2));
         return d;
       },
       fields<DRTextDecoration>([](const auto& a, const auto& b) {
         FIELD(a.style() == b.style());
         FIELD(same(a.width().get(), b.width().get()));
         FIELD(same(a.color().get(), b.color().get()));
         FIELD(b.shadow());
         return sameShadow(a.shadow().get(), b.shadow().get());
       })},
      {"DRTextBorder",
       [] {
         auto border = DRTextBorder::borderWithLineStyle(DRTextLineKindThick | DRTextLineKindPatternDot, 1.3,
                                                         rgb(0, 1, 0));
         border->setLineJoin(gfx::LineJoin::Bevel);
         border->setInsets({-1.5, 2.25, 3, -4});
         border->setCornerRadius(3.3);
         border->setShadow(shadowChain(1));
         border->setFillColor(rgb(0, 0, 1, 0.5));
         return border;
       },
       fields<DRTextBorder>([](const auto& a, const auto& b) {
         FIELD(a.lineStyle() == b.lineStyle());
         FIELD(a.strokeWidth() == b.strokeWidth());
         FIELD(same(a.strokeColor().get(), b.strokeColor().get()));
         FIELD(a.lineJoin() == b.lineJoin());
         FIELD(a.insets() == b.insets());
         FIELD(a.cornerRadius() == b.cornerRadius());
         FIELD(same(a.fillColor().get(), b.fillColor().get()));
         FIELD(b.shadow());
         return sameShadow(a.shadow().get(), b.shadow().get());
       })},
      {"DRTextAttachment",
       [] {
         auto a = DRTextAttachment::attachmentWithContent(
             gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(3, 2), 2));
         a->setContentMode(7);
         a->setContentInsets({1, 2, 3, 4.5});
         a->setUserInfo(fd::Dictionary::withStrings({{"id", fd::box(42)}}));
         return a;
       },
       fields<DRTextAttachment>([](const auto& a, const auto& b) {
         auto ia = rt::as<gfx::Image>(a.content()), ib = rt::as<gfx::Image>(b.content());
         FIELD(ia && ib && ia->size() == ib->size() && ia->scale() == ib->scale());
         FIELD(a.contentMode() == b.contentMode());
         FIELD(a.contentInsets() == b.contentInsets());
         FIELD(same(a.userInfo().get(), b.userInfo().get()));
         return ::testing::AssertionSuccess();
       })},
      {"DRTextHighlight",
       [] {
         auto h = DRTextHighlight::highlightWithAttributes(
             fd::Dictionary::withStrings({{DRTextUnderlineKey, DRTextDecoration::decorationWithStyle(1)}}));
         h->setColor(rgb(0.5, 0.25, 1));
         h->setBackgroundBorder(DRTextBorder::borderWithFillColor(rgb(0.9, 0.9, 0.9), 2));
         h->setUserInfo(fd::Dictionary::withStrings({{"url", fd::box(rt::String("https://example.test/a"))}}));
         return h;
       },
       fields<DRTextHighlight>([](const auto& a, const auto& b) {
         FIELD(b.attributes() && a.attributes()->count() == b.attributes()->count());
         FIELD(b.attributes() != a.attributes());
         for (const char* key : {typeset::CTForegroundColorAttributeName, typeset::ForegroundColorAttributeName})
           FIELD(same(a.attributes()->objectForKey(key).get(), b.attributes()->objectForKey(key).get()));
         auto da = a.attributes()->template objectForKeyAs<DRTextDecoration>(DRTextUnderlineKey);
         auto db = b.attributes()->template objectForKeyAs<DRTextDecoration>(DRTextUnderlineKey);
         FIELD(da && db && da->style() == db->style());
         auto ba = a.attributes()->template objectForKeyAs<DRTextBorder>(DRTextBackgroundBorderKey);
         auto bb = b.attributes()->template objectForKeyAs<DRTextBorder>(DRTextBackgroundBorderKey);
         FIELD(ba && bb && ba->insets() == bb->insets() && same(ba->fillColor().get(), bb->fillColor().get()));
         FIELD(same(a.userInfo().get(), b.userInfo().get()));
         return ::testing::AssertionSuccess();
       })},
  };
}

}  // namespace

TEST(DRTextAttribute, KeysAndTokensHaveTheirTexts) {
  const char* texts[] = {"DRTextBackedString", "DRTextBinding",       "DRTextShadow",           "DRTextInnerShadow",
                         "DRTextUnderline",    "DRTextStrikethrough", "DRTextBorder",           "DRTextBackgroundBorder",
                         "DRTextBlockBorder",  "DRTextAttachment",    "DRTextHighlight",        "DRTextGlyphTransform"};
  for (size_t i = 0; i < DRTextAttributeKeys.size(); ++i) EXPECT_STREQ(DRTextAttributeKeys[i], texts[i]);
  EXPECT_EQ(rt::String(DRTextObjectReplacementString).length(), 1u);
  EXPECT_EQ(rt::String(DRTextObjectReplacementString).characterAtIndex(0), 0xFFFC);
  EXPECT_EQ(rt::String(DRTextEllipsisString).characterAtIndex(0), 0x2026);
  EXPECT_EQ(DRTextLineKindDouble | DRTextLineKindPatternCircleDot, 0x909);
}

TEST(DRTextAttribute, EveryClassKeepsEveryFieldThroughCopy) {
  for (const auto& c : classCases()) {
    rt::Id original = c.make();
    rt::Id copy = original->copy();
    ASSERT_TRUE(copy) << c.name;
    EXPECT_EQ(copy->getClass(), original->getClass()) << c.name;
    EXPECT_TRUE(c.sameFields(original, copy)) << c.name;
  }
}

TEST(DRTextAttribute, EveryClassKeepsEveryFieldThroughTheArchive) {
  for (const auto& c : classCases()) {
    rt::Id original = c.make();
    auto data = DRTextArchiver::archivedDataWithRootObject(original);
    ASSERT_TRUE(data) << c.name;
    rt::Id back = DRTextUnarchiver::unarchiveObjectWithData(data);
    ASSERT_TRUE(back) << c.name;
    EXPECT_EQ(back->getClass(), original->getClass()) << c.name;
    EXPECT_TRUE(c.sameFields(original, back)) << c.name;
  }
}

TEST(DRTextAttribute, DefaultsAndFactories) {
  auto border = rt::make<DRTextBorder>();
  EXPECT_EQ(border->lineStyle(), DRTextLineKindSingle);
  EXPECT_EQ(border->insets(), gfx::EdgeInsets{});
  auto fill = DRTextBorder::borderWithFillColor(rgb(1, 1, 0), 4);
  EXPECT_EQ(fill->insets(), (gfx::EdgeInsets{-2, 0, 0, -2}));
  EXPECT_EQ(fill->lineStyle(), DRTextLineKindSingle);
  EXPECT_EQ(fill->cornerRadius(), 4);

  EXPECT_EQ(rt::make<DRTextDecoration>()->style(), DRTextLineKindSingle);
  EXPECT_EQ(rt::make<DRTextShadow>()->blendMode(), gfx::BlendMode::Normal);
  EXPECT_EQ(rt::make<DRTextAttachment>()->contentMode(), 0);
}

TEST(DRTextAttribute, ShadowRadiusKeepsDoublePrecisionThroughTheArchive) {
  auto shadow = DRTextShadow::shadowWithColor(rgb(0, 0, 0), {0.1, 0.2}, 12.3);
  auto back = rt::as<DRTextShadow>(DRTextUnarchiver::unarchiveObjectWithData(DRTextArchiver::archivedDataWithRootObject(shadow)));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->radius(), 12.3);  // not the float nearest to it
  EXPECT_NE(back->radius(), static_cast<double>(12.3f));
}

TEST(DRTextAttribute, ShadowFromAndToThePlatformShadow) {
  EXPECT_FALSE(DRTextShadow::shadowWithNSShadow(nullptr));
  auto platform = typeset::Shadow::create({2, 3}, 4.5, rgb(0.2, 0.4, 0.6));
  auto shadow = DRTextShadow::shadowWithNSShadow(platform);
  ASSERT_TRUE(shadow);
  EXPECT_EQ(shadow->offset(), (gfx::Size{2, 3}));
  EXPECT_EQ(shadow->radius(), 4.5);
  EXPECT_TRUE(same(shadow->color().get(), platform->shadowColor().get()));
  auto colourless = DRTextShadow::shadowWithNSShadow(typeset::Shadow::create({1, 1}, 1, nullptr));
  ASSERT_TRUE(colourless);
  EXPECT_FALSE(colourless->color());

  auto back = shadow->nsShadow();
  EXPECT_TRUE(back->isEqual(platform.get()));
}

TEST(DRTextAttribute, ArchivedShadowCycleIsRefused) {
  // A chain that leads back to its head would never end for the drawing or for copies.
  auto a = shadowChain(2);
  a->subShadow()->setSubShadow(a);
  auto data = DRTextArchiver::archivedDataWithRootObject(a);
  a->subShadow()->setSubShadow(nullptr);  // lets the chain go
  ASSERT_TRUE(data);
  EXPECT_FALSE(DRTextUnarchiver::unarchiveObjectWithData(data));
}

TEST(DRTextAttribute, HighlightSettersWriteBothKeyFamiliesAndNullForRemoval) {
  auto h = rt::make<DRTextHighlight>();
  EXPECT_FALSE(h->attributes());
  h->setColor(nullptr);
  ASSERT_TRUE(h->attributes());
  EXPECT_TRUE(fd::Null::isNull(h->attributes()->objectForKey(typeset::CTForegroundColorAttributeName)));
  EXPECT_TRUE(fd::Null::isNull(h->attributes()->objectForKey(typeset::ForegroundColorAttributeName)));
  h->setTextAttribute("custom", nullptr);
  EXPECT_TRUE(fd::Null::isNull(h->attributes()->objectForKey("custom")));
  h->setShadow(nullptr);
  EXPECT_TRUE(fd::Null::isNull(h->attributes()->objectForKey(DRTextShadowKey)));

  auto red = rgb(1, 0, 0);
  h->setColor(red);
  EXPECT_TRUE(same(h->attributes()->objectForKey(typeset::ForegroundColorAttributeName).get(), red.get()));
  EXPECT_TRUE(same(h->attributes()->objectForKey(typeset::CTForegroundColorAttributeName).get(), red.get()));
  h->setStrokeWidth(fd::Number::numberWithDouble(-2));
  EXPECT_EQ(h->attributes()->objectForKeyAs<fd::Number>(typeset::CTStrokeWidthAttributeName)->doubleValue(), -2);

  struct Setter {
    const char* key;
    std::function<void(DRTextHighlight&, const rt::Id&)> set;
  };
  auto decoration = DRTextDecoration::decorationWithStyle(1);
  auto border = DRTextBorder::borderWithFillColor(red, 1);
  auto shadow = shadowChain(1);
  auto attachment = DRTextAttachment::attachmentWithContent(nullptr);
  const Setter setters[] = {
      {DRTextShadowKey, [&](auto& x, auto&) { x.setShadow(shadow); }},
      {DRTextInnerShadowKey, [&](auto& x, auto&) { x.setInnerShadow(shadow); }},
      {DRTextUnderlineKey, [&](auto& x, auto&) { x.setUnderline(decoration); }},
      {DRTextStrikethroughKey, [&](auto& x, auto&) { x.setStrikethrough(decoration); }},
      {DRTextBackgroundBorderKey, [&](auto& x, auto&) { x.setBackgroundBorder(border); }},
      {DRTextBorderKey, [&](auto& x, auto&) { x.setBorder(border); }},
      {DRTextAttachmentKey, [&](auto& x, auto&) { x.setAttachment(attachment); }},
  };
  for (const auto& s : setters) {
    auto fresh = rt::make<DRTextHighlight>();
    s.set(*fresh, nullptr);
    ASSERT_TRUE(fresh->attributes()) << s.key;
    EXPECT_EQ(fresh->attributes()->count(), 1u) << s.key;
    EXPECT_TRUE(fresh->attributes()->objectForKey(s.key)) << s.key;
    EXPECT_FALSE(fd::Null::isNull(fresh->attributes()->objectForKey(s.key))) << s.key;
  }
}

TEST(DRTextAttribute, HighlightKeepsItsOwnMutableAttributes) {
  auto given = fd::Dictionary::withStrings({{"a", fd::box(1)}});
  auto h = DRTextHighlight::highlightWithAttributes(given);
  h->setFont(typeset::Font::systemFontOfSize(14));
  EXPECT_EQ(given->count(), 1u);  // the caller's dictionary is not touched
  ASSERT_EQ(h->attributes()->count(), 2u);
  EXPECT_TRUE(h->attributes()->objectForKey("a"));
  auto font = h->attributes()->objectForKeyAs<typeset::Font>(typeset::CTFontAttributeName);
  ASSERT_TRUE(font);
  EXPECT_EQ(font->pointSize(), 14);
  h->setFont(nullptr);
  EXPECT_TRUE(fd::Null::isNull(h->attributes()->objectForKey(typeset::CTFontAttributeName)));
}

TEST(DRTextAttribute, HighlightCopyKeepsAttributesAndUserInfoButNotActions) {
  auto h = DRTextHighlight::highlightWithAttributes(fd::Dictionary::withStrings({{"k", fd::box(2)}}));
  h->setUserInfo(fd::Dictionary::withStrings({{"u", fd::box(3)}}));
  int taps = 0;
  h->setTapAction([&](const rt::Id&, const Ref<typeset::AttributedString>&, rt::Range, gfx::Rect) { ++taps; });
  h->setLongPressAction([&](const rt::Id&, const Ref<typeset::AttributedString>&, rt::Range, gfx::Rect) { ++taps; });
  auto copy = rt::as<DRTextHighlight>(h->copy());
  ASSERT_TRUE(copy);
  EXPECT_FALSE(copy->tapAction());
  EXPECT_FALSE(copy->longPressAction());
  EXPECT_TRUE(h->tapAction());
  EXPECT_TRUE(same(copy->userInfo().get(), h->userInfo().get()));
  copy->setTextAttribute("k", fd::box(9));
  EXPECT_EQ(h->attributes()->objectForKeyAs<fd::Number>("k")->intValue(), 2);  // not shared
}
