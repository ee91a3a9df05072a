#include <gtest/gtest.h>

#include "platform/foundation/values/Number.h"
#include "platform/runtime/Exception.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;

namespace {

Ref<fd::Number> num(int v) { return fd::Number::numberWithInt(v); }

// "aaabbbccc" with kern 1 on [0,3), 2 on [3,6), none after.
Ref<MutableAttributedString> sample() {
  auto s = MutableAttributedString::create("aaabbbccc");
  s->addAttribute(KernAttributeName, num(1), Range{0, 3});
  s->addAttribute(KernAttributeName, num(2), Range{3, 3});
  return s;
}

}  // namespace

TEST(AttributedString, RunsAndEffectiveRanges) {
  auto s = sample();
  EXPECT_EQ(s->runCount(), 3u);
  Range r;
  EXPECT_TRUE(s->attributeAtIndex(KernAttributeName, 4, &r)->isEqual(num(2)));
  EXPECT_EQ(r, (Range{3, 3}));
  EXPECT_FALSE(s->attributeAtIndex(KernAttributeName, 7, &r));
  EXPECT_EQ(r, (Range{6, 3}));
  // Same value on neighbours merges into one run.
  s->addAttribute(KernAttributeName, num(1), Range{3, 3});
  EXPECT_EQ(s->runCount(), 2u);
  s->attributesAtIndex(1, &r);
  EXPECT_EQ(r, (Range{0, 6}));
  EXPECT_THROW(s->attributesAtIndex(9, nullptr), rt::Exception);
  EXPECT_THROW(s->addAttribute(KernAttributeName, num(1), Range{8, 2}), rt::Exception);
}

TEST(AttributedString, LongestEffectiveRangeOverEqualDictionaries) {
  auto s = sample();
  // A second attribute splits the runs, yet the kern attribute spans them.
  s->addAttribute(LigatureAttributeName, num(0), Range{1, 1});
  Range r;
  EXPECT_TRUE(s->attributeAtIndex(KernAttributeName, 2, &r, Range{0, 9})->isEqual(num(1)));
  EXPECT_EQ(r, (Range{0, 3}));
  s->attributeAtIndex(KernAttributeName, 2, &r, Range{2, 5});
  EXPECT_EQ(r, (Range{2, 1}));
  s->attributesAtIndex(0, &r, Range{0, 9});
  EXPECT_EQ(r, (Range{0, 1}));
}

TEST(AttributedString, EnumerationOptions) {
  auto s = sample();
  s->addAttribute(LigatureAttributeName, num(0), Range{0, 9});
  std::vector<Range> seen;
  s->enumerateAttribute(KernAttributeName, Range{1, 7}, 0, [&](const Id&, Range r, bool&) { seen.push_back(r); });
  EXPECT_EQ(seen, (std::vector<Range>{{1, 2}, {3, 3}, {6, 2}}));
  seen.clear();
  s->enumerateAttributes(Range{0, 9}, AttributedStringEnumerationReverse,
                         [&](const AttributedString::Attributes&, Range r, bool& stop) {
                           seen.push_back(r);
                           stop = seen.size() == 2;
                         });
  EXPECT_EQ(seen, (std::vector<Range>{{6, 3}, {3, 3}}));
}

TEST(AttributedString, ReplacementInheritsNeighbourAttributes) {
  struct Case {
    Range range;
    const char* with;
    const char* expect;
    size_t probe;
    int kern;  // 0: none
  } cases[] = {
      {{3, 0}, "XY", "aaaXYbbbccc", 3, 1},   // insertion takes the character before
      {{0, 0}, "XY", "XYaaabbbccc", 0, 1},   // at the start, the one after
      {{3, 3}, "Z", "aaaZccc", 3, 2},        // replacement, the first replaced
      {{9, 0}, "!", "aaabbbccc!", 9, 0},     // at the end, the last one
      {{2, 5}, "", "aacc", 2, 0},            // deletion
  };
  for (const auto& c : cases) {
    auto s = sample();
    s->replaceCharactersInRange(c.range, c.with);
    EXPECT_EQ(s->string(), c.expect);
    auto k = s->attributeAtIndex(KernAttributeName, c.probe);
    if (c.kern)
      EXPECT_TRUE(k && k->isEqual(num(c.kern))) << c.expect;
    else
      EXPECT_FALSE(k) << c.expect;
  }
  auto s = sample();
  s->deleteCharactersInRange(Range{0, 9});
  EXPECT_EQ(s->length(), 0u);
  EXPECT_EQ(s->runCount(), 0u);
  s->appendAttributedString(*sample());
  EXPECT_TRUE(s->isEqualToAttributedString(*sample()));
}

TEST(AttributedString, EqualityIgnoresRunSplitsAndCopies) {
  auto a = sample();
  auto b = MutableAttributedString::create("aaabbbccc");
  b->addAttribute(KernAttributeName, num(1), Range{0, 1});
  b->addAttribute(KernAttributeName, num(1), Range{1, 2});
  b->addAttribute(KernAttributeName, num(2), Range{3, 3});
  EXPECT_TRUE(a->isEqual(b.get()));
  b->removeAttribute(KernAttributeName, Range{4, 1});
  EXPECT_FALSE(a->isEqual(b.get()));

  auto sub = a->attributedSubstringFromRange(Range{2, 5});
  EXPECT_EQ(sub->string(), "abbbc");
  Range r;
  EXPECT_TRUE(sub->attributeAtIndex(KernAttributeName, 1, &r)->isEqual(num(2)));
  EXPECT_EQ(r, (Range{1, 3}));

  auto frozen = rt::as<AttributedString>(a->copy());
  auto thawed = rt::as<MutableAttributedString>(frozen->mutableCopy());
  ASSERT_TRUE(frozen && thawed);
  EXPECT_FALSE(rt::as<MutableAttributedString>(frozen));
  thawed->setAttributes(nullptr, Range{0, 9});
  EXPECT_TRUE(frozen->isEqual(a.get()));
  EXPECT_EQ(thawed->runCount(), 1u);
  EXPECT_EQ(thawed->attributesAtIndex(0)->count(), 0u);
  EXPECT_EQ(std::string(AttributedString::classObject()->cName()), "NSAttributedString");
  EXPECT_TRUE(thawed->isKindOfClass(AttributedString::classObject()));
}
