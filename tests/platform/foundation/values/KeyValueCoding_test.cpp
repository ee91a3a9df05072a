// Key-value coding and observing end to end: the runtime's property access with the
// foundation layer's boxing of numbers, strings and structs, refusals, collections' coding.
#include <gtest/gtest.h>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/runtime/Class.h"

namespace kvctest {

struct Span {
  double lo, hi;
};

class Story : public rt::Object {
  RT_CLASS_NAMED(Story, rt::Object, "KVCStory")
 public:
  rt::String title;
  int64_t views = 0;
  int32_t rank = 0;
  bool pinned = false;
  double score = 0;
  float ratio = 0;
  char flag = 0;
  uint64_t big = 0;
  uint16_t small = 0;
  rt::Range range{};
  Span span{};
  rt::Ref<fd::Array> tags;
  rt::Id extra;
  const rt::Class* kind = nullptr;
  rt::Selector action;
};

RT_IMPLEMENT(Story) {
  c.property("title", &Story::title);
  c.property("views", &Story::views);
  c.property("rank", &Story::rank);
  c.property("pinned", &Story::pinned);
  c.property("score", &Story::score);
  c.property("ratio", &Story::ratio);
  c.property("flag", &Story::flag);
  c.property("big", &Story::big);
  c.property("small", &Story::small);
  c.property("range", &Story::range);
  c.property("span", &Story::span);
  c.property("tags", &Story::tags);
  c.property("extra", &Story::extra);
  c.property("kind", &Story::kind);
  c.property("action", &Story::action);
}

}  // namespace kvctest

template <> struct rt::StructEncoding<kvctest::Span> {
  static constexpr const char* value = "{Span=dd}";
};

using namespace fd;
using kvctest::Story;

namespace {

Ref<Story> sampleStory() {
  auto s = rt::make<Story>();
  s->title = "Harbour lights";
  s->views = 1234;
  s->rank = -3;
  s->pinned = true;
  s->score = 4.5;
  s->ratio = 0.25f;
  s->flag = 'y';
  s->big = 18446744073709551615ULL;
  s->small = 65535;
  s->range = Range{2, 7};
  s->span = kvctest::Span{1, 2};
  return s;
}

// Expects `f` to raise `name` with a reason containing `part`.
void expectRaise(const std::function<void()>& f, const char* name, const std::string& part) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected " << name;
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), name);
    EXPECT_NE(e.reason().utf8().find(part), std::string::npos) << e.reason();
  }
}

}  // namespace

TEST(KeyValueCoding, ScalarsBoxIntoNumbersOfTheirKind) {
  auto s = sampleStory();
  struct Case {
    const char* key;
    const char* type;
    const char* description;
    bool isBool;
  };
  const Case cases[] = {
      {"views", "q", "1234", false}, {"rank", "i", "-3", false},   {"pinned", "c", "1", true},
      {"score", "d", "4.5", false},  {"ratio", "f", "0.25", false}, {"flag", "c", "121", false},
      {"big", "Q", "18446744073709551615", false}, {"small", "S", "65535", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    auto n = rt::as<Number>(s->valueForKey(c.key));
    ASSERT_TRUE(n);
    EXPECT_EQ(n->objCType(), c.type);
    EXPECT_EQ(n->description(), c.description);
    EXPECT_EQ(n->isBool(), c.isBool);
  }
  EXPECT_EQ(stringValue(s->valueForKey("title")), "Harbour lights");
  auto r = rt::as<ValueBox>(s->valueForKey("range"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->objCType(), "{_NSRange=QQ}");
  EXPECT_EQ(r->rangeValue(), (Range{2, 7}));
  auto sp = rt::as<ValueBox>(s->valueForKey("span"));
  ASSERT_TRUE(sp);
  EXPECT_EQ(sp->objCType(), "{Span=dd}");
  EXPECT_FALSE(sp->isKindOfClass(Number::classObject()));
  EXPECT_EQ(s->valueForKey("tags"), nullptr);  // a nil object stays nil
}

TEST(KeyValueCoding, ClassesAndSelectorsAsValues) {
  auto s = sampleStory();
  s->kind = Array::classObject();
  s->action = rt::sel("reload:");
  EXPECT_EQ(s->valueForKey("kind").get(), Array::classObject());
  EXPECT_EQ(stringValue(s->valueForKey("action")), "reload:");
  s->setValueForKey(Dictionary::classObject()->self(), "kind");
  EXPECT_EQ(s->kind, Dictionary::classObject());
  s->setValueForKey(box("refresh"), "action");
  EXPECT_EQ(s->action, rt::sel("refresh"));
  EXPECT_THROW(s->setValueForKey(box(1), "kind"), rt::Exception);
}

TEST(KeyValueCoding, SettingUnboxesNumbersAcrossKinds) {
  auto s = rt::make<Story>();
  s->setValueForKey(box(3.9), "views");
  EXPECT_EQ(s->views, 3);
  s->setValueForKey(box(true), "rank");
  EXPECT_EQ(s->rank, 1);
  s->setValueForKey(box(0), "pinned");
  EXPECT_FALSE(s->pinned);
  s->setValueForKey(box(int64_t{7}), "pinned");
  EXPECT_TRUE(s->pinned);
  s->setValueForKey(box(2), "score");
  EXPECT_EQ(s->score, 2.0);
  s->setValueForKey(Number::numberWithUnsignedLongLong(18446744073709551615ULL), "big");
  EXPECT_EQ(s->big, 18446744073709551615ULL);
  s->setValueForKey(box("Night tram"), "title");
  EXPECT_EQ(s->title, "Night tram");
  s->setValueForKey(MutableStringObject::create("mutable"), "title");
  EXPECT_EQ(s->title, "mutable");
  s->setValueForKey(ValueBox::valueWithRange(Range{4, 1}), "range");
  EXPECT_EQ(s->range, (Range{4, 1}));
  s->setValueForKey(ValueBox::valueWith(kvctest::Span{-1, 1}), "span");
  EXPECT_EQ(s->span.lo, -1);
  auto tags = Array::create({box("a")});
  s->setValueForKey(tags, "tags");
  EXPECT_EQ(s->tags.get(), tags.get());
  auto date = Date::date();
  s->setValueForKey(date, "extra");  // untyped object properties take anything
  EXPECT_EQ(s->extra.get(), date.get());
  s->setValueForKeyPath(box(99), "views");
  EXPECT_EQ(s->valueForKeyPath("views")->description(), "99");
}

TEST(KeyValueCoding, RefusalsRaiseWithAReason) {
  auto s = sampleStory();
  auto dict = Dictionary::withStrings({{"a", box(1)}});
  struct Case {
    Id value;
    const char* key;
    const char* name;
    const char* reasonPart;
  };
  const Case cases[] = {
      {dict, "views", rt::InvalidArgumentException, "is not acceptable for the key views"},
      {box("12"), "rank", rt::InvalidArgumentException, "is not acceptable for the key rank"},
      {ValueBox::valueWithRange(Range{1, 1}), "span", rt::InvalidArgumentException, "span"},
      {box(1), "range", rt::InvalidArgumentException, "range"},
      {Array::create(), "pinned", rt::InvalidArgumentException, "pinned"},
      {nullptr, "views", rt::InvalidArgumentException, "views"},
      {Null::null(), "score", rt::InvalidArgumentException, "score"},
      {box(1), "nosuchkey", rt::UndefinedKeyException, "not key value coding-compliant for the key nosuchkey"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    expectRaise([&] { s->setValueForKey(c.value, c.key); }, c.name, c.reasonPart);
  }
  EXPECT_EQ(s->views, 1234);  // nothing was changed by a refused value
  EXPECT_EQ(s->span.hi, 2);
  expectRaise([&] { s->valueForKey("nosuchkey"); }, rt::UndefinedKeyException, "nosuchkey");
}

TEST(KeyValueCoding, Collections) {
  auto d = Dictionary::withStrings(
      {{"name", box("n")}, {"inner", Dictionary::withStrings({{"leaf", box(5)}})}, {"count", box("shadowed")}});
  EXPECT_EQ(stringValue(d->valueForKey("name")), "n");
  EXPECT_EQ(d->valueForKey("absent"), nullptr);
  EXPECT_EQ(d->valueForKeyPath("inner.leaf")->description(), "5");
  EXPECT_EQ(stringValue(d->valueForKey("count")), "shadowed");
  EXPECT_EQ(d->valueForKey("@count")->description(), "3");  // "@" reaches the dictionary itself

  auto m = MutableDictionary::create();
  m->setValueForKey(box(1), "a");
  EXPECT_EQ(m->objectForKey("a")->description(), "1");
  m->setValueForKey(nullptr, "a");
  EXPECT_EQ(m->count(), 0u);

  auto first = sampleStory(), second = rt::make<Story>();
  second->title = "Second";
  auto stories = Array::create({first, second});
  auto titles = rt::as<Array>(stories->valueForKey("title"));
  ASSERT_TRUE(titles);
  EXPECT_EQ(titles->componentsJoinedByString("|"), "Harbour lights|Second");
  auto tags = rt::as<Array>(stories->valueForKey("tags"));
  ASSERT_TRUE(tags);
  EXPECT_TRUE(Null::isNull(tags->objectAtIndex(0)));  // nil results become the null object
  EXPECT_EQ(stories->valueForKeyPath("@count")->description(), "2");
  stories->setValueForKey(box(8), "views");
  EXPECT_EQ(first->views, 8);
  EXPECT_EQ(second->views, 8);

  // Operators with a key path after them, as the array receives them whole.
  second->views = 20;
  second->score = 1.5;
  EXPECT_EQ(stories->valueForKey("@max.views")->description(), "20");
  EXPECT_EQ(stories->valueForKey("@min.views")->description(), "8");
  EXPECT_EQ(stories->valueForKeyPath("@sum.views")->description(), "28");
  EXPECT_EQ(stories->valueForKey("@avg.score")->description(), "3");
  auto again = Array::create({first, second, first});
  EXPECT_EQ(rt::as<Array>(again->valueForKey("@distinctUnionOfObjects.title"))->count(), 2u);
  EXPECT_EQ(rt::as<Array>(again->valueForKey("@unionOfObjects.title"))->count(), 3u);

  auto nested = Array::create({Array::create({box(1), box(2)}), Array::create({box(3)}), Array::create()});
  auto flat = rt::as<Array>(nested->valueForKeyPath("@unionOfArrays.self"));
  ASSERT_TRUE(flat);
  EXPECT_EQ(flat->componentsJoinedByString(","), "1,2,3");
  expectRaise([&] { Array::create({box(1)})->valueForKeyPath("@unionOfArrays.self"); }, rt::InvalidArgumentException,
              "unionOfArrays");
  expectRaise([&] { stories->valueForKey("@nosuchoperator"); }, rt::UndefinedKeyException, "nosuchoperator");
}

TEST(KeyValueCoding, ObservingSeesBoxedOldAndNewValues) {
  auto s = sampleStory();
  std::vector<std::pair<std::string, std::string>> changes;
  uint64_t token = s->observe("views", rt::KeyValueObservingOptionNew | rt::KeyValueObservingOptionOld,
                              [&](rt::Object*, const rt::KeyValueChange& c) {
                                changes.emplace_back(c.oldValue ? c.oldValue->description().utf8() : "nil",
                                                     c.newValue ? c.newValue->description().utf8() : "nil");
                              });
  s->setValueForKey(box(5), "views");
  s->setAndNotify("views", s->views, int64_t{6});
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0], (std::pair<std::string, std::string>{"1234", "5"}));
  EXPECT_EQ(changes[1], (std::pair<std::string, std::string>{"5", "6"}));
  s->removeObservation(token);

  rt::KeyValueChange last;
  token = s->observe("tags", rt::KeyValueObservingOptionNew | rt::KeyValueObservingOptionOld,
                     [&](rt::Object*, const rt::KeyValueChange& c) { last = c; });
  s->setValueForKey(Array::create(), "tags");
  EXPECT_TRUE(Null::isNull(last.oldValue));  // a missing old value is reported as the null object
  EXPECT_TRUE(last.newValue->isKindOfClass(Array::classObject()));
  s->removeObservation(token);
}

TEST(KeyValueCoding, BoxingHooksAndFormatting) {
  auto& b = rt::boxing();
  ASSERT_TRUE(b.box && b.unbox && b.boxString && b.unboxString && b.null);
  EXPECT_EQ(b.null().get(), Null::null().get());
  EXPECT_EQ(stringValue(b.box(rt::Value::ofCString("c text"))), "c text");
  int target = 0;
  auto p = rt::as<ValueBox>(b.box(rt::Value::ofPointer(&target)));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->objCType(), "^v");
  EXPECT_EQ(p->pointerValue(), &target);
  rt::Value v;
  EXPECT_TRUE(b.unbox(p, "^v", v));
  EXPECT_EQ(v.pointer(), &target);
  EXPECT_TRUE(b.unbox(box(2.5), "s", v));
  EXPECT_EQ(v.intValue(), 2);
  EXPECT_FALSE(b.unbox(box("2"), "q", v));
  EXPECT_FALSE(b.unbox(box(1), "{_NSRange=QQ}", v));
  EXPECT_FALSE(b.unbox(Null::null(), "d", v));
  String out;
  EXPECT_TRUE(b.unboxString(MutableStringObject::create("m"), out));
  EXPECT_EQ(out, "m");
  EXPECT_FALSE(b.unboxString(box(1), out));
  EXPECT_TRUE(Null::isNull(b.box(rt::Value())));

  EXPECT_EQ(String::format("@%@x", 2.0), "@2x");
  EXPECT_EQ(String::format("@%@x", 1.5), "@1.5x");
  EXPECT_EQ(String::format("%@ / %@", box(true), box(uint64_t{18446744073709551615ULL})), "1 / 18446744073709551615");
}
