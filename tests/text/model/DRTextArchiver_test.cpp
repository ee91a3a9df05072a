#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Image.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/runtime/Exception.h"
#include "text/model/DRTextArchiver.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextHighlight.h"
#include "text/model/DRTextRubyAnnotation.h"
#include "text/model/DRTextRunDelegate.h"
#include "text/model/DRTextShadow.h"
#include "tests/support/DeepTextArchive.h"

using namespace text;

namespace archiver_test {

// A codable class of no rich-text concern: archives holding it must not be decoded.
class ForeignThing : public rt::Object, public fd::Coding {
  RT_CLASS(ForeignThing, rt::Object)
 public:
  void encodeWithCoder(fd::KeyedArchiver& c) const override { c.encodeInt64(7, "seven"); }
  bool initWithCoder(fd::KeyedUnarchiver&) override {
    ++made;
    return true;
  }
  static inline int made = 0;
};
RT_IMPLEMENT(ForeignThing) {
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

// Writes "abc" with whatever runs a test gives it.
class LyingText : public typeset::AttributedString {
  RT_CLASS(LyingText, typeset::AttributedString)
 public:
  Ref<fd::Array> lengths, dictionaries;
  void encodeWithCoder(fd::KeyedArchiver& c) const override {
    c.encodeObject(fd::box(rt::String("abc")), "NSString");
    c.encodeObject(lengths, "NSRunLengths");
    c.encodeObject(dictionaries, "NSRunAttributes");
  }
};
RT_IMPLEMENT(LyingText) {}

class SpecialRunDelegate : public DRTextRunDelegate {
  RT_CLASS(SpecialRunDelegate, DRTextRunDelegate)
};
RT_IMPLEMENT(SpecialRunDelegate) {}

}  // namespace archiver_test

using archiver_test::ForeignThing;
using archiver_test::LyingText;
using archiver_test::SpecialRunDelegate;

namespace {

Ref<typeset::MutableAttributedString> richText() {
  auto s = typeset::MutableAttributedString::create(u"ab\uFFFC漢字 tail");
  auto red = gfx::Color::colorWithRed(1, 0, 0, 1);
  s->addAttribute(typeset::CTForegroundColorAttributeName, red->CGColor(), {0, 2});
  auto delegate = rt::make<DRTextRunDelegate>();
  delegate->setAscent(10.25);
  delegate->setDescent(2.5);
  delegate->setWidth(14);
  s->addAttribute(typeset::CTRunDelegateAttributeName, delegate->CTRunDelegate(), {2, 1});
  s->addAttribute(typeset::CTRubyAnnotationAttributeName, typeset::RubyAnnotation::create(u"かんじ"), {3, 2});
  s->addAttribute("bitmap", gfx::BitmapImage::createNative(5, 4), {6, 4});
  auto style = typeset::MutableParagraphStyle::create();
  style->setLineSpacing(3.5);
  s->addAttribute(typeset::ParagraphStyleAttributeName, style->copy(), {0, s->length()});
  return s;
}

}  // namespace

TEST(DRTextArchiver, AttributedStringWithTypesetterValuesRoundTrips) {
  auto s = richText();
  auto data = DRTextArchiver::archivedDataWithRootObject(s);
  ASSERT_TRUE(data);
  auto back = rt::as<typeset::AttributedString>(DRTextUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->string(), s->string());

  auto color = rt::as<gfx::Color>(back->attributeAtIndex(typeset::CTForegroundColorAttributeName, 1));
  ASSERT_TRUE(color);
  EXPECT_TRUE(color->isEqual(gfx::Color::colorWithRed(1, 0, 0, 1).get()));

  rt::Range range;
  auto ct = rt::as<typeset::RunDelegate>(back->attributeAtIndex(typeset::CTRunDelegateAttributeName, 2, &range));
  ASSERT_TRUE(ct);
  EXPECT_EQ(range.location, 2u);
  EXPECT_EQ(range.length, 1u);
  EXPECT_EQ(ct->ascent(), 10.25);
  EXPECT_EQ(ct->width(), 14);
  auto behind = DRTextRunDelegate::delegateOfCTRunDelegate(ct);
  ASSERT_TRUE(behind);
  EXPECT_EQ(behind->descent(), 2.5);

  auto ruby = rt::as<typeset::RubyAnnotation>(back->attributeAtIndex(typeset::CTRubyAnnotationAttributeName, 4));
  ASSERT_TRUE(ruby);
  EXPECT_EQ(ruby->textForPosition(typeset::RubyPosition::Before), rt::String(u"かんじ"));

  auto bitmap = rt::as<gfx::BitmapImage>(back->attributeAtIndex("bitmap", 7));
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width(), 5u);
  EXPECT_EQ(bitmap->height(), 4u);

  auto style = rt::as<typeset::ParagraphStyle>(back->attributeAtIndex(typeset::ParagraphStyleAttributeName, 9));
  ASSERT_TRUE(style);
  EXPECT_EQ(style->lineSpacing(), 3.5);
  EXPECT_FALSE(back->attributeAtIndex(typeset::CTRunDelegateAttributeName, 3));
}

TEST(DRTextArchiver, ForeignClassesAreRefused) {
  ForeignThing::made = 0;
  struct Case {
    const char* name;
    rt::Id root;
  };
  auto inText = typeset::MutableAttributedString::create(u"abc");
  inText->addAttribute("x", rt::make<ForeignThing>(), {1, 1});
  auto inHighlight = DRTextHighlight::highlightWithAttributes(
      fd::Dictionary::withStrings({{"x", rt::make<ForeignThing>()}}));
  const Case cases[] = {
      {"root", rt::make<ForeignThing>()},
      {"attribute", inText},
      {"inside a highlight's attributes", inHighlight},
      {"inside a dictionary", fd::Dictionary::withStrings({{"x", rt::make<ForeignThing>()}})},
  };
  for (const auto& c : cases) {
    // The plain archiver writes it; the rich-text unarchiver will not make it.
    auto data = fd::KeyedArchiver::archivedDataWithRootObject(c.root);
    ASSERT_TRUE(data) << c.name;
    EXPECT_FALSE(DRTextUnarchiver::unarchiveObjectWithData(data)) << c.name;
  }
  EXPECT_EQ(ForeignThing::made, 0);
}

TEST(DRTextArchiver, ArchivesHoldingCyclesAreRefused) {
  // Containers made before their contents could hold themselves and never be freed; the leak
  // checker at exit sees any that were.
  auto selfHolding = fd::MutableDictionary::create();
  selfHolding->setObjectForKey(selfHolding, fd::box(rt::String("me")));
  auto outer = fd::MutableArray::create();
  auto inner = fd::MutableArray::create();
  inner->addObject(outer);
  outer->addObject(inner);
  auto inText = typeset::MutableAttributedString::create(u"abc");
  inText->addAttribute("loop", selfHolding, {0, 2});
  auto inDictionary = fd::Dictionary::withStrings({{"loop", outer}});
  const std::pair<const char*, rt::Id> cases[] = {
      {"attribute holding itself", inText}, {"arrays in a dictionary", inDictionary}, {"arrays at the top", outer}};
  for (const auto& [name, root] : cases) {
    auto data = fd::KeyedArchiver::archivedDataWithRootObject(root);
    ASSERT_TRUE(data) << name;
    EXPECT_FALSE(DRTextUnarchiver::unarchiveObjectWithData(data)) << name;
  }
  // The same values without the cycles still come back.
  auto plain = fd::MutableDictionary::create();
  plain->setObjectForKey(fd::MutableArray::create(), fd::box(rt::String("list")));
  auto back = rt::as<fd::Dictionary>(
      DRTextUnarchiver::unarchiveObjectWithData(fd::KeyedArchiver::archivedDataWithRootObject(plain)));
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->isEqual(plain));
  selfHolding->removeAllObjects();
  outer->removeAllObjects();
}

TEST(DRTextArchiver, EmptyAndDamagedInputGiveNil) {
  EXPECT_FALSE(DRTextArchiver::archivedDataWithRootObject(nullptr));
  EXPECT_FALSE(DRTextUnarchiver::unarchiveObjectWithData(nullptr));
  EXPECT_FALSE(DRTextUnarchiver::unarchiveObjectWithData(fd::Data::create()));
  EXPECT_FALSE(DRTextUnarchiver::unarchiveObjectWithData(fd::Data::create(std::string_view("not an archive"))));
  auto good = DRTextArchiver::archivedDataWithRootObject(richText());
  ASSERT_TRUE(good);
  std::vector<uint8_t> bytes(good->bytes(), good->bytes() + good->length());
  bytes.resize(bytes.size() / 2);
  EXPECT_FALSE(DRTextUnarchiver::unarchiveObjectWithData(fd::Data::create(std::move(bytes))));
  // A delegate made elsewhere cannot be archived: no data rather than an exception.
  auto foreign = typeset::MutableAttributedString::create(u"x");
  foreign->addAttribute(typeset::CTRunDelegateAttributeName, typeset::RunDelegate::create({}, nullptr), {0, 1});
  EXPECT_FALSE(DRTextArchiver::archivedDataWithRootObject(foreign));
}

TEST(DRTextArchiver, AttributedStringRunsMustCoverTheText) {
  struct Case {
    const char* name;
    std::vector<rt::Id> lengths;
    size_t dictionaries;
  };
  const Case cases[] = {
      {"covering", {fd::box(1), fd::box(2)}, 2},
      {"longer than the text", {fd::box(5)}, 1},
      {"shorter than the text", {fd::box(2)}, 1},
      {"empty run", {fd::box(0), fd::box(3)}, 2},
      {"negative run", {fd::box(-1), fd::box(4)}, 2},
      {"fewer dictionaries", {fd::box(1), fd::box(2)}, 1},
      {"length not a number", {fd::box(rt::String("3"))}, 1},
  };
  for (const auto& c : cases) {
    auto lying = rt::make<LyingText>();
    lying->lengths = fd::Array::create(c.lengths);
    std::vector<rt::Id> dicts(c.dictionaries, fd::Dictionary::withStrings({{"k", fd::box(1)}}));
    lying->dictionaries = fd::Array::create(dicts);
    auto data = DRTextArchiver::archivedDataWithRootObject(lying);
    ASSERT_TRUE(data) << c.name;
    auto back = rt::as<typeset::AttributedString>(DRTextUnarchiver::unarchiveObjectWithData(data));
    if (std::string_view(c.name) == "covering") {
      ASSERT_TRUE(back);
      EXPECT_EQ(back->string(), rt::String("abc"));
      EXPECT_TRUE(back->attributeAtIndex("k", 2));
    } else {
      EXPECT_FALSE(back) << c.name;
    }
  }
}

TEST(DRTextArchiver, FilesRoundTripAndNilWritesNothing) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("drtextarchiver-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "text.archive").string();
  EXPECT_FALSE(DRTextArchiver::archiveRootObjectToFile(nullptr, rt::String(path)));
  EXPECT_FALSE(fs::exists(path));
  ASSERT_TRUE(DRTextArchiver::archiveRootObjectToFile(richText(), rt::String(path)));
  auto back = rt::as<typeset::AttributedString>(DRTextUnarchiver::unarchiveObjectWithFile(rt::String(path)));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->string(), richText()->string());
  EXPECT_FALSE(DRTextUnarchiver::unarchiveObjectWithFile(rt::String((dir / "missing").string())));
  fs::remove_all(dir);
}

TEST(DRTextArchiver, SubclassOfRunDelegateStaysAnObject) {
  auto special = rt::make<SpecialRunDelegate>();
  special->setWidth(8);
  auto back = DRTextUnarchiver::unarchiveObjectWithData(DRTextArchiver::archivedDataWithRootObject(special));
  auto kept = rt::as<SpecialRunDelegate>(back);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->width(), 8);
}

namespace {
constexpr size_t kSmallStack = size_t(1) << 20;
}

TEST(DRTextArchiver, ArchivesInsideArchivesShareOneDepthBudget) {
  using testsupport::deepHighlightArchive;
  // Each highlight's archive alone is shallow enough; together they are not. Decoded on a 1 MB
  // stack, as a pasteboard item might be on a worker thread: refused, never a crash.
  struct Case {
    const char* name;
    unsigned arrays, levels;
    bool decodes;
  };
  const Case cases[] = {
      {"arrays 95 deep", 95, 0, true},
      {"one highlight behind 40 arrays", 40, 1, true},
      {"three highlights behind 20 arrays each", 20, 3, true},
      {"eleven highlights behind an array each", 1, 11, true},
      {"six highlights behind 20 arrays each", 20, 6, false},
      {"twenty highlights behind an array each", 1, 20, false},
      {"arrays 150 deep", 150, 0, false},
      {"990 arrays, seven highlights deep", 990, 7, false},
  };
  for (const auto& c : cases) {
    auto data = deepHighlightArchive(c.arrays, c.levels);
    ASSERT_TRUE(data) << c.name;
    rt::Id back;
    ASSERT_TRUE(testsupport::runWithStack(kSmallStack, [&] { back = DRTextUnarchiver::unarchiveObjectWithData(data); }))
        << c.name;
    EXPECT_EQ(static_cast<bool>(back), c.decodes) << c.name;
  }
  // What came back is whole: the innermost highlight still holds the leaf.
  rt::Id back = DRTextUnarchiver::unarchiveObjectWithData(deepHighlightArchive(5, 3));
  for (int level = 0; level < 3; ++level) {
    for (int i = 0; i < 5; ++i) {
      auto array = rt::as<fd::Array>(back);
      ASSERT_TRUE(array && array->count() == 1u) << level << " " << i;
      back = array->objectAtIndex(0);
    }
    auto highlight = rt::as<DRTextHighlight>(back);
    ASSERT_TRUE(highlight && highlight->attributes()) << level;
    back = highlight->attributes()->objectForKey(fd::box(rt::String("k")));
  }
  for (int i = 0; i < 5; ++i) back = rt::as<fd::Array>(back)->objectAtIndex(0);
  ASSERT_TRUE(rt::as<fd::StringObject>(back));
  EXPECT_EQ(rt::as<fd::StringObject>(back)->string(), rt::String("leaf"));
}

TEST(DRTextArchiver, AShadowChainWithinTheBudgetDecodesOnASmallStack) {
  // Value objects nest through their coders, the costliest way down.
  auto chain = [](int links) {
    Ref<DRTextShadow> shadow;
    for (int i = 0; i < links; ++i) {
      auto link = DRTextShadow::shadowWithColor(gfx::Color::blackColor(), {1, 1}, i);
      link->setSubShadow(shadow);
      shadow = link;
    }
    return shadow;
  };
  auto within = DRTextArchiver::archivedDataWithRootObject(chain(95));
  ASSERT_TRUE(within);
  EXPECT_FALSE(DRTextArchiver::archivedDataWithRootObject(chain(120)));
  Ref<DRTextShadow> back;
  ASSERT_TRUE(testsupport::runWithStack(kSmallStack, [&] {
    back = rt::as<DRTextShadow>(DRTextUnarchiver::unarchiveObjectWithData(within));
  }));
  int links = 0;
  for (auto s = back; s; s = s->subShadow()) ++links;
  EXPECT_EQ(links, 95);
}

TEST(DRTextArchiver, WritingSharesTheBudgetToo) {
  // Highlights one inside the other's attributes: a few archive, many do not (the archive
  // could not be read back).
  auto nest = [](int levels) {
    rt::Id inner = fd::box(rt::String("leaf"));
    for (int i = 0; i < levels; ++i)
      inner = DRTextHighlight::highlightWithAttributes(fd::Dictionary::withStrings({{"k", inner}}));
    return inner;
  };
  Ref<fd::Data> few, many;
  ASSERT_TRUE(testsupport::runWithStack(kSmallStack, [&] {
    few = DRTextArchiver::archivedDataWithRootObject(nest(5));
    many = DRTextArchiver::archivedDataWithRootObject(nest(60));
  }));
  ASSERT_TRUE(few);
  EXPECT_TRUE(rt::as<DRTextHighlight>(DRTextUnarchiver::unarchiveObjectWithData(few)));
  EXPECT_FALSE(many);
}

TEST(DRTextArchiver, HighlightsHoldingThemselvesAreRefused) {
  auto self = DRTextHighlight::highlightWithAttributes(nullptr);
  self->setTextAttribute("me", self);
  auto first = DRTextHighlight::highlightWithAttributes(nullptr);
  auto second = DRTextHighlight::highlightWithAttributes(nullptr);
  first->setTextAttribute("next", second);
  second->setTextAttribute("back", fd::Array::create(std::vector<rt::Id>{first}));
  auto inText = typeset::MutableAttributedString::create(u"abc");
  inText->addAttribute(DRTextHighlightKey, self, {0, 2});
  const std::pair<const char*, rt::Id> cases[] = {
      {"highlight holding itself", self}, {"two highlights holding each other", first}, {"in a text", inText}};
  for (const auto& [name, root] : cases) {
    EXPECT_FALSE(DRTextArchiver::archivedDataWithRootObject(root)) << name;
    // The plain archiver refuses it too, with an error rather than without end.
    Ref<fd::Error> error;
    EXPECT_FALSE(fd::KeyedArchiver::archivedDataWithRootObject(root, false, &error)) << name;
    EXPECT_TRUE(error) << name;
  }
  // The same highlight without the cycle archives.
  auto plain = DRTextHighlight::highlightWithAttributes(fd::Dictionary::withStrings({{"k", fd::box(1)}}));
  plain->setTextAttribute("other", DRTextHighlight::highlightWithAttributes(nullptr));
  EXPECT_TRUE(DRTextArchiver::archivedDataWithRootObject(plain));
  self->setAttributes(nullptr);
  first->setAttributes(nullptr);
}

TEST(DRTextArchiver, HighlightAttributesThatCannotBeArchivedFailTheWhole) {
  // Dropping them would paste a highlight that shows nothing.
  auto highlight = DRTextHighlight::highlightWithAttributes(nullptr);
  highlight->setTextAttribute(typeset::CTRunDelegateAttributeName, typeset::RunDelegate::create({}, nullptr));
  auto text = typeset::MutableAttributedString::create(u"abc");
  text->addAttribute(DRTextHighlightKey, highlight, {0, 3});
  EXPECT_FALSE(DRTextArchiver::archivedDataWithRootObject(text));
}
