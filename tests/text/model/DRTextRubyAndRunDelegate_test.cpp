#include <gtest/gtest.h>

#include "platform/foundation/text/StringObject.h"
#include "text/model/DRTextArchiver.h"
#include "text/model/DRTextRubyAnnotation.h"
#include "text/model/DRTextRunDelegate.h"

using namespace text;

namespace {
Ref<DRTextRubyAnnotation> fullRuby() {
  auto r = rt::make<DRTextRubyAnnotation>();
  r->setAlignment(static_cast<uint8_t>(typeset::RubyAlignment::DistributeSpace));
  r->setOverhang(static_cast<uint8_t>(typeset::RubyOverhang::End));
  r->setSizeFactor(0.37);
  r->setTextBefore(u"かんじ");
  r->setTextAfter(u"kanji");
  r->setTextInterCharacter(u"ㄏㄢˋ");
  r->setTextInline(u"(漢字)");
  return r;
}

void expectSameRuby(const DRTextRubyAnnotation& a, const DRTextRubyAnnotation& b) {
  EXPECT_EQ(a.alignment(), b.alignment());
  EXPECT_EQ(a.overhang(), b.overhang());
  EXPECT_EQ(a.sizeFactor(), b.sizeFactor());
  EXPECT_EQ(a.textBefore(), b.textBefore());
  EXPECT_EQ(a.textAfter(), b.textAfter());
  EXPECT_EQ(a.textInterCharacter(), b.textInterCharacter());
  EXPECT_EQ(a.textInline(), b.textInline());
}
}  // namespace

TEST(DRTextRubyAnnotation, DefaultsCopyAndArchive) {
  auto plain = rt::make<DRTextRubyAnnotation>();
  EXPECT_EQ(plain->alignment(), 0);
  EXPECT_EQ(plain->overhang(), 0);
  EXPECT_EQ(plain->sizeFactor(), 0.5);
  EXPECT_TRUE(plain->textBefore().isEmpty());
  // The unarchiver hands back the typesetter's annotation.
  auto plainBack = rt::as<typeset::RubyAnnotation>(
      DRTextUnarchiver::unarchiveObjectWithData(DRTextArchiver::archivedDataWithRootObject(plain)));
  ASSERT_TRUE(plainBack);
  EXPECT_EQ(plainBack->sizeFactor(), 0.5);

  auto ruby = fullRuby();
  auto copy = rt::as<DRTextRubyAnnotation>(ruby->copy());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, ruby);
  expectSameRuby(*ruby, *copy);
  // Compare through the conversion.
  auto data = DRTextArchiver::archivedDataWithRootObject(ruby);
  ASSERT_TRUE(data);
  auto ct = rt::as<typeset::RubyAnnotation>(DRTextUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(ct);
  expectSameRuby(*ruby, *DRTextRubyAnnotation::rubyWithCTRuby(ct));
}

TEST(DRTextRubyAnnotation, ConvertsBothWaysWithTheTypesetterAnnotation) {
  EXPECT_FALSE(DRTextRubyAnnotation::rubyWithCTRuby(nullptr));
  auto ruby = fullRuby();
  auto ct = ruby->CTRubyAnnotation();
  ASSERT_TRUE(ct);
  EXPECT_EQ(ct->alignment(), typeset::RubyAlignment::DistributeSpace);
  EXPECT_EQ(ct->overhang(), typeset::RubyOverhang::End);
  EXPECT_EQ(ct->sizeFactor(), 0.37);
  EXPECT_EQ(ct->textForPosition(typeset::RubyPosition::InterCharacter), rt::String(u"ㄏㄢˋ"));
  auto back = DRTextRubyAnnotation::rubyWithCTRuby(ct);
  expectSameRuby(*ruby, *back);
  EXPECT_NE(ruby->CTRubyAnnotation(), ct);  // a new one each time
}

TEST(DRTextRunDelegate, TypesetterDelegateAnswersFromAPrivateCopy) {
  auto d = rt::make<DRTextRunDelegate>();
  d->setAscent(12.3);
  d->setDescent(4.5);
  d->setWidth(20);
  auto ct = d->CTRunDelegate();
  ASSERT_TRUE(ct);
  EXPECT_EQ(ct->ascent(), 12.3);
  EXPECT_EQ(ct->descent(), 4.5);
  EXPECT_EQ(ct->width(), 20);
  d->setWidth(99);
  EXPECT_EQ(ct->width(), 20);
  auto owned = DRTextRunDelegate::delegateOfCTRunDelegate(ct);
  ASSERT_TRUE(owned);
  EXPECT_NE(owned, d);
  EXPECT_EQ(owned->ascent(), 12.3);
  // A delegate made elsewhere has no rich-text delegate behind it.
  EXPECT_FALSE(DRTextRunDelegate::delegateOfCTRunDelegate(typeset::RunDelegate::create({}, d.get())));
  // The copy lives exactly as long as the typesetter's delegate.
  Weak<DRTextRunDelegate> weakOwned = owned;
  owned.reset();
  ct.reset();
  EXPECT_TRUE(weakOwned.expired());
}

TEST(DRTextRunDelegate, CopyAndArchiveKeepEveryValueAtFullPrecision) {
  auto d = rt::make<DRTextRunDelegate>();
  d->setAscent(12.3);
  d->setDescent(0.1);
  d->setWidth(1.0 / 3);
  d->setUserInfo(fd::Dictionary::withStrings({{"name", fd::box(rt::String("emoji"))}}));
  auto copy = rt::as<DRTextRunDelegate>(d->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->userInfo(), d->userInfo());  // the same object
  EXPECT_EQ(copy->width(), d->width());

  auto ct = rt::as<typeset::RunDelegate>(
      DRTextUnarchiver::unarchiveObjectWithData(DRTextArchiver::archivedDataWithRootObject(d)));
  ASSERT_TRUE(ct);
  auto back = DRTextRunDelegate::delegateOfCTRunDelegate(ct);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->ascent(), 12.3);  // not rounded through single precision
  EXPECT_EQ(back->descent(), 0.1);
  EXPECT_EQ(back->width(), 1.0 / 3);
  EXPECT_TRUE(rt::equalObjects(back->userInfo().get(), d->userInfo().get()));
}
