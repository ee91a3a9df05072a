// The typed getters and setters, walked through the same tables that generate them: every
// row is set and read back at index 0, in the middle and at the end (the index rule), over a
// part of the string, removed again, and read on an empty string.
#include <gtest/gtest.h>

#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextRubyAnnotation.h"
#include "text/model/DRTextRunDelegate.h"
#include "text/model/MutableAttributedString+DRText.h"

using namespace text;
using typeset::AttributedString;
using typeset::MutableAttributedString;

namespace {

// One value per stored class, made once so that identity can be checked.
template <class T> Ref<T> sampleObject();
template <> Ref<typeset::Font> sampleObject() { static auto v = typeset::Font::systemFontOfSize(13); return v; }
template <> Ref<fd::Number> sampleObject() { static auto v = fd::Number::numberWithDouble(1.5); return v; }
template <> Ref<gfx::Color> sampleObject() { static auto v = gfx::Color::colorWithRed(0.2, 0.4, 0.6, 1); return v; }
template <> Ref<typeset::Shadow> sampleObject() { static auto v = typeset::Shadow::create({1, 2}, 3); return v; }
template <> Ref<fd::StringObject> sampleObject() { static auto v = fd::box(rt::String("zh-Hans")); return v; }
template <> Ref<fd::Array> sampleObject() { static auto v = fd::Array::create({fd::box(1)}); return v; }
template <> Ref<fd::Dictionary> sampleObject() {
  static auto v = fd::Dictionary::withStrings({{"k", fd::box(1)}});
  return v;
}
template <> Ref<rt::Object> sampleObject() { static rt::Id v = fd::box(rt::String("opaque")); return v; }
template <> Ref<DRTextShadow> sampleObject() { static auto v = rt::make<DRTextShadow>(); return v; }
template <> Ref<DRTextDecoration> sampleObject() { static auto v = rt::make<DRTextDecoration>(); return v; }
template <> Ref<DRTextBorder> sampleObject() { static auto v = rt::make<DRTextBorder>(); return v; }
template <> Ref<DRTextBackedString> sampleObject() {
  static auto v = DRTextBackedString::stringWithString(u":)");
  return v;
}
template <> Ref<DRTextBinding> sampleObject() { static auto v = DRTextBinding::bindingWithDeleteConfirm(true); return v; }
template <> Ref<DRTextAttachment> sampleObject() { static auto v = rt::make<DRTextAttachment>(); return v; }
template <> Ref<DRTextHighlight> sampleObject() { static auto v = rt::make<DRTextHighlight>(); return v; }
template <> Ref<typeset::RunDelegate> sampleObject() {
  static auto v = rt::make<DRTextRunDelegate>()->CTRunDelegate();
  return v;
}
template <> Ref<typeset::RubyAnnotation> sampleObject() {
  static auto v = typeset::RubyAnnotation::create(u"ruby");
  return v;
}
template <> Ref<typeset::ParagraphStyle> sampleObject() {
  static Ref<typeset::ParagraphStyle> v = [] {
    auto s = typeset::MutableParagraphStyle::create();
    s->setLineSpacing(9);
    return rt::as<typeset::ParagraphStyle>(s->copy());
  }();
  return v;
}

// What each codec stores, what its "nothing" is, and how a read value is checked.
template <class Codec> struct Sample;
template <class T> struct Sample<codec::Object<T>> {
  static Ref<T> value() { return sampleObject<T>(); }
  static Ref<T> none() { return nullptr; }
  static bool same(const Ref<T>& read) { return read == value(); }
  static bool isNone(const Ref<T>& read) { return !read; }
  static bool stored(const rt::Id& raw) { return raw == value(); }
};
template <> struct Sample<codec::ColorPair> : Sample<codec::Object<gfx::Color>> {};
template <> struct Sample<codec::Paragraph> : Sample<codec::Object<typeset::ParagraphStyle>> {};
template <> struct Sample<codec::IntegerStyle> {
  static int64_t value() { return 2; }
  static int64_t none() { return 0; }
  static bool same(int64_t read) { return read == 2; }
  static bool isNone(int64_t read) { return read == 0; }
  static bool stored(const rt::Id& raw) { return rt::as<fd::Number>(raw) && rt::as<fd::Number>(raw)->intValue() == 2; }
};
template <> struct Sample<codec::Flag> {
  static bool value() { return true; }
  static bool none() { return false; }
  static bool same(bool read) { return read; }
  static bool isNone(bool read) { return !read; }
  static bool stored(const rt::Id& raw) { return rt::as<fd::Number>(raw) && rt::as<fd::Number>(raw)->boolValue(); }
};
template <> struct Sample<codec::NonZeroNumber> {
  static Ref<fd::Number> value() { return sampleObject<fd::Number>(); }
  static Ref<fd::Number> none() { return fd::Number::numberWithInt(0); }  // zero removes
  static bool stored(const rt::Id& raw) { return raw == value(); }
};
template <> struct Sample<codec::Transform> {
  static gfx::AffineTransform value() { return gfx::AffineTransformMakeScale(2, 0.5); }
  static gfx::AffineTransform none() { return gfx::AffineTransformIdentity; }
  static bool same(const gfx::AffineTransform& read) { return read == value(); }
  static bool isNone(const gfx::AffineTransform& read) { return read == gfx::AffineTransformIdentity; }
  static bool stored(const rt::Id& raw) {
    gfx::AffineTransform t;
    auto box = rt::as<fd::ValueBox>(raw);
    return box && box->get(t) && t == value();
  }
};
template <> struct Sample<codec::Ruby> {
  static Ref<DRTextRubyAnnotation> value() {
    static auto v = [] {
      auto r = rt::make<DRTextRubyAnnotation>();
      r->setTextBefore(u"かな");
      return r;
    }();
    return v;
  }
  static Ref<DRTextRubyAnnotation> none() { return nullptr; }
  static bool stored(const rt::Id& raw) {
    auto ct = rt::as<typeset::RubyAnnotation>(raw);
    return ct && ct->textForPosition(typeset::RubyPosition::Before) == rt::String(u"かな");
  }
};

struct CharacterRow {
  const char* name;
  const char* key;
  std::function<void(MutableAttributedString&, rt::Range)> setRange;
  std::function<void(MutableAttributedString&)> setWhole;
  std::function<void(MutableAttributedString&, rt::Range)> clearRange;
  std::function<bool(const AttributedString&, size_t)> holdsAt;
  std::function<bool(const AttributedString&, size_t)> noneAt;
  std::function<bool(const AttributedString&)> holdsWhole;
  std::function<bool(const rt::Id&)> stored;
};

#define DR_TEXT_TEST_ROW(name, Name, Codec, key, key2)                                                       \
  CharacterRow{#name,                                                                                         \
               key,                                                                                           \
               [](MutableAttributedString& s, rt::Range r) { set##Name(s, Sample<Codec>::value(), r); },      \
               [](MutableAttributedString& s) { set##Name(s, Sample<Codec>::value()); },                      \
               [](MutableAttributedString& s, rt::Range r) { set##Name(s, Sample<Codec>::none(), r); },       \
               [](const AttributedString& s, size_t i) { return Sample<Codec>::same(name##AtIndex(s, i)); },  \
               [](const AttributedString& s, size_t i) { return Sample<Codec>::isNone(name##AtIndex(s, i)); }, \
               [](const AttributedString& s) { return Sample<Codec>::same(name(s)); },                        \
               [](const rt::Id& raw) { return Sample<Codec>::stored(raw); }},
const std::vector<CharacterRow> kCharacterRows = {DR_TEXT_CHARACTER_ATTRIBUTES(DR_TEXT_TEST_ROW)};
#undef DR_TEXT_TEST_ROW

struct RangeRow {
  const char* name;
  const char* key;
  std::function<void(MutableAttributedString&, rt::Range)> set;
  std::function<void(MutableAttributedString&, rt::Range)> clear;
  std::function<bool(const rt::Id&)> stored;
};
#define DR_TEXT_TEST_RANGE_ROW(Name, Codec, key)                                                             \
  RangeRow{#Name, key, [](MutableAttributedString& s, rt::Range r) { set##Name(s, Sample<Codec>::value(), r); }, \
           [](MutableAttributedString& s, rt::Range r) { set##Name(s, Sample<Codec>::none(), r); },           \
           [](const rt::Id& raw) { return Sample<Codec>::stored(raw); }},
const std::vector<RangeRow> kRangeRows = {DR_TEXT_RANGE_ATTRIBUTES(DR_TEXT_TEST_RANGE_ROW)};
#undef DR_TEXT_TEST_RANGE_ROW

}  // namespace

TEST(AttributedStringDRTextTable, CharacterAttributesFollowTheIndexRule) {
  ASSERT_EQ(kCharacterRows.size(), 27u);
  for (const auto& row : kCharacterRows) {
    auto s = MutableAttributedString::create(u"abcdefgh");
    row.setWhole(*s);
    for (size_t i : {size_t(0), size_t(4), s->length()}) EXPECT_TRUE(row.holdsAt(*s, i)) << row.name << " at " << i;
    EXPECT_TRUE(row.holdsWhole(*s)) << row.name;
    EXPECT_TRUE(row.stored(s->attributeAtIndex(row.key, 7))) << row.name;
    EXPECT_THROW(row.holdsAt(*s, s->length() + 1), rt::Exception) << row.name;

    auto part = MutableAttributedString::create(u"abcdefgh");
    row.setRange(*part, {2, 3});
    EXPECT_TRUE(row.noneAt(*part, 0)) << row.name;
    EXPECT_TRUE(row.holdsAt(*part, 2)) << row.name;
    EXPECT_TRUE(row.holdsAt(*part, 4)) << row.name;
    EXPECT_TRUE(row.noneAt(*part, 5)) << row.name;
    EXPECT_TRUE(row.noneAt(*part, part->length())) << row.name;
    row.clearRange(*part, {0, part->length()});
    EXPECT_TRUE(row.noneAt(*part, 3)) << row.name << " not removed";
    EXPECT_FALSE(part->attributeAtIndex(row.key, 3)) << row.name;

    auto empty = MutableAttributedString::create();
    row.setWhole(*empty);  // nothing to set, nothing raised
    EXPECT_TRUE(row.noneAt(*empty, 0)) << row.name;
  }
}

TEST(AttributedStringDRTextTable, RangeOnlySettersStoreAndRemove) {
  ASSERT_EQ(kRangeRows.size(), 16u);
  for (const auto& row : kRangeRows) {
    auto s = MutableAttributedString::create(u"abcdef");
    row.set(*s, {1, 2});
    EXPECT_FALSE(s->attributeAtIndex(row.key, 0)) << row.name;
    EXPECT_TRUE(row.stored(s->attributeAtIndex(row.key, 1))) << row.name;
    EXPECT_TRUE(row.stored(attributeAtIndex(*s, row.key, 2))) << row.name;
    EXPECT_FALSE(s->attributeAtIndex(row.key, 3)) << row.name;
    row.clear(*s, {0, 6});
    EXPECT_FALSE(s->attributeAtIndex(row.key, 1)) << row.name << " not removed";
  }
}

namespace {

struct FieldRow {
  const char* name;
  std::function<void(MutableAttributedString&, rt::Range)> setRange;
  std::function<void(MutableAttributedString&)> setWhole;
  std::function<bool(const AttributedString&, size_t)> holdsAt;
  std::function<bool(const AttributedString&)> holdsWhole;
  std::function<bool(const AttributedString&, size_t)> isDefaultAt;
};

template <class T> T fieldSample();
template <> double fieldSample() { return 7.25; }
template <> float fieldSample() { return 0.75f; }
template <> typeset::TextAlignment fieldSample() { return typeset::TextAlignment::Center; }
template <> typeset::WritingDirection fieldSample() { return typeset::WritingDirection::RightToLeft; }
template <> typeset::LineBreakMode fieldSample() { return typeset::LineBreakMode::ByCharWrapping; }
template <> std::vector<Ref<typeset::TextTab>> fieldSample() {
  static std::vector<Ref<typeset::TextTab>> tabs = {typeset::TextTab::create(typeset::TextAlignment::Right, 44)};
  return tabs;
}

#define DR_TEXT_TEST_FIELD_ROW(name, Name, Type)                                                             \
  FieldRow{#name, [](MutableAttributedString& s, rt::Range r) { set##Name(s, fieldSample<Type>(), r); },    \
           [](MutableAttributedString& s) { set##Name(s, fieldSample<Type>()); },                           \
           [](const AttributedString& s, size_t i) { return name##AtIndex(s, i) == fieldSample<Type>(); },   \
           [](const AttributedString& s) { return name(s) == fieldSample<Type>(); },                        \
           [](const AttributedString& s, size_t i) {                                                         \
             return name##AtIndex(s, i) == typeset::ParagraphStyle::defaultParagraphStyle()->name();         \
           }},
const std::vector<FieldRow> kFieldRows = {DR_TEXT_PARAGRAPH_FIELDS(DR_TEXT_TEST_FIELD_ROW)};
#undef DR_TEXT_TEST_FIELD_ROW

}  // namespace

TEST(AttributedStringDRTextTable, ParagraphFieldsFollowTheIndexRule) {
  ASSERT_EQ(kFieldRows.size(), 15u);
  for (const auto& row : kFieldRows) {
    auto s = MutableAttributedString::create(u"one\ntwo");
    EXPECT_TRUE(row.isDefaultAt(*s, 0)) << row.name;
    row.setWhole(*s);
    for (size_t i : {size_t(0), size_t(3), s->length()}) EXPECT_TRUE(row.holdsAt(*s, i)) << row.name << " at " << i;
    EXPECT_TRUE(row.holdsWhole(*s)) << row.name;

    auto part = MutableAttributedString::create(u"one\ntwo");
    row.setRange(*part, {4, 3});
    EXPECT_TRUE(row.isDefaultAt(*part, 0)) << row.name;
    EXPECT_TRUE(row.holdsAt(*part, 4)) << row.name;
    EXPECT_TRUE(row.holdsAt(*part, part->length())) << row.name;

    auto empty = MutableAttributedString::create();
    row.setWhole(*empty);
    EXPECT_TRUE(row.isDefaultAt(*empty, 0)) << row.name;
  }
}

TEST(AttributedStringDRTextTable, ParagraphFieldSettersNeverEditASharedStyle) {
  auto shared = typeset::MutableParagraphStyle::create();
  shared->setLineSpacing(2);
  auto a = MutableAttributedString::create(u"first");
  auto b = MutableAttributedString::create(u"second");
  a->addAttribute(typeset::ParagraphStyleAttributeName, shared, {0, a->length()});
  b->addAttribute(typeset::ParagraphStyleAttributeName, shared, {0, b->length()});
  for (const auto& row : kFieldRows) {
    row.setRange(*a, {0, 2});
    EXPECT_FALSE(row.holdsAt(*b, 0)) << row.name << " reached the other string";
  }
  EXPECT_EQ(shared->lineSpacing(), 2);
  EXPECT_EQ(b->attributeAtIndex(typeset::ParagraphStyleAttributeName, 0), shared);
  EXPECT_EQ(a->attributeAtIndex(typeset::ParagraphStyleAttributeName, 3), shared);  // outside the range
  EXPECT_NE(a->attributeAtIndex(typeset::ParagraphStyleAttributeName, 0), shared);

  // A value the style already has leaves the very same style in place; none stored for a
  // value the default already has.
  setLineSpacing(*b, 2.0);
  EXPECT_EQ(b->attributeAtIndex(typeset::ParagraphStyleAttributeName, 0), shared);
  auto plain = MutableAttributedString::create(u"plain");
  setLineSpacing(*plain, typeset::ParagraphStyle::defaultParagraphStyle()->lineSpacing());
  EXPECT_FALSE(plain->attributeAtIndex(typeset::ParagraphStyleAttributeName, 0));
  setLineSpacing(*plain, 4.0);
  auto stored = rt::as<typeset::ParagraphStyle>(plain->attributeAtIndex(typeset::ParagraphStyleAttributeName, 0));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->lineSpacing(), 4);
  EXPECT_NE(stored, typeset::ParagraphStyle::defaultParagraphStyle());
}
