#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "platform/foundation/Foundation.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/runtime/WeakProxy.h"
#include "tests/support/EmptyContainers.h"

namespace fd {

namespace {

// A model record with every kind of coded field.
class ArchTestNote : public Object, public Coding {
  RT_CLASS(ArchTestNote, Object)
 public:
  String title;
  int64_t views = 0;
  bool pinned = false;
  double score = 0;
  Range range{};
  Ref<ArchTestNote> next;
  Ref<Array> tags;

  void encodeWithCoder(KeyedArchiver& c) const override {
    c.encodeObject(box(title), "title");
    c.encodeInteger(views, "views");
    c.encodeBool(pinned, "pinned");
    c.encodeDouble(score, "score");
    c.encodeStruct(range, "range");
    c.encodeObject(next, "next");
    c.encodeObject(tags, "tags");
    c.encodeInt32(7, "$reserved-looking");
  }
  bool initWithCoder(KeyedUnarchiver& c) override {
    auto t = c.decodeObjectOfClass<StringObject>("title");
    title = t ? t->string() : String();
    views = c.decodeInteger("views");
    pinned = c.decodeBool("pinned");
    score = c.decodeDouble("score");
    c.decodeStruct("range", range);
    next = c.decodeObjectOfClass<ArchTestNote>("next");
    tags = c.decodeObjectOfClass<Array>("tags");
    return c.decodeInt32("$reserved-looking") == 7;
  }
};
RT_IMPLEMENT(ArchTestNote) {
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

// Codes itself but does not support secure coding; counts its instances.
class ArchTestPlain : public Object, public Coding {
  RT_CLASS(ArchTestPlain, Object)
 public:
  static inline int made = 0;
  ArchTestPlain() { ++made; }
  void encodeWithCoder(KeyedArchiver&) const override {}
  bool initWithCoder(KeyedUnarchiver&) override { return true; }
};
RT_IMPLEMENT(ArchTestPlain) { c.protocol("NSCoding"); }

// Immutable: built by a registered decoder from its coded values.
class ArchTestPoint : public Object, public Coding {
  RT_CLASS(ArchTestPoint, Object)
 public:
  void init() {}
  void init(double x, double y) { x_ = x, y_ = y; }
  double x() const { return x_; }
  double y() const { return y_; }
  void encodeWithCoder(KeyedArchiver& c) const override {
    c.encodeDouble(x_, "x");
    c.encodeDouble(y_, "y");
  }
  bool initWithCoder(KeyedUnarchiver&) override { return false; }

 private:
  double x_ = 0, y_ = 0;
};
RT_IMPLEMENT(ArchTestPoint) {
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

// Supports secure coding and counts its instances.
class ArchTestCounted : public Object, public Coding {
  RT_CLASS(ArchTestCounted, Object)
 public:
  static inline int made = 0;
  ArchTestCounted() { ++made; }
  void encodeWithCoder(KeyedArchiver&) const override {}
  bool initWithCoder(KeyedUnarchiver&) override { return true; }
};
RT_IMPLEMENT(ArchTestCounted) {
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

// Decodes members of its own choosing, naming their classes as a careful class does.
class ArchTestHolder : public Object, public Coding {
  RT_CLASS(ArchTestHolder, Object)
 public:
  Ref<ArchTestCounted> inner;
  Ref<Array> list;  // of counted objects
  void encodeWithCoder(KeyedArchiver& c) const override {
    c.encodeObject(inner, "inner");
    c.encodeObject(list, "list");
  }
  bool initWithCoder(KeyedUnarchiver& c) override {
    inner = c.decodeObjectOfClass<ArchTestCounted>("inner");
    list = rt::as<Array>(c.decodeObjectOfClasses({Array::classObject(), ArchTestCounted::classObject()}, "list"));
    return true;
  }
};
RT_IMPLEMENT(ArchTestHolder) {
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

class NoCoding : public Object {
  RT_CLASS(NoCoding, Object)
};
RT_IMPLEMENT(NoCoding) {}

Ref<ArchTestNote> note(const char* title, int64_t views) {
  auto n = rt::make<ArchTestNote>();
  n->title = title;
  n->views = views;
  n->pinned = views % 2;
  n->score = views / 4.0;
  n->range = Range{static_cast<uint64_t>(views), 3};
  n->tags = Array::create({box(String("社区")), Number::numberWithInt(static_cast<int>(views))});
  return n;
}

Ref<Data> archived(const Id& root, bool secure = true) {
  Ref<Error> error;
  Ref<Data> data = KeyedArchiver::archivedDataWithRootObject(root, secure, &error);
  EXPECT_TRUE(data) << (error ? error->description().utf8() : "");
  return data;
}

// Every value class: what a secure reader of arbitrary values names.
const std::vector<const Class*>& valueClasses() {
  static const std::vector<const Class*> classes = {
      StringObject::classObject(), Number::classObject(), Data::classObject(), Date::classObject(),
      URL::classObject(),          Null::classObject(),   Array::classObject(), Dictionary::classObject(),
      Set::classObject(),          IndexSet::classObject(), Error::classObject(), ValueBox::classObject()};
  return classes;
}

// What archives of notes hold: arrays of notes, their texts, numbers and ranges, and dates.
const std::vector<const Class*>& noteClasses() {
  static const std::vector<const Class*> classes = {Array::classObject(), ArchTestNote::classObject(),
                                                    StringObject::classObject(), Number::classObject(),
                                                    ValueBox::classObject(), Date::classObject()};
  return classes;
}

String debugOf(const Ref<Error>& e) {
  auto d = e ? stringValue(e->userInfo()->objectForKey(String(NSDebugDescriptionErrorKey))) : std::nullopt;
  return d ? *d : String();
}

}  // namespace

TEST(KeyedArchiving, ValueClassesRoundTrip) {
  auto base = URL::URLWithString("https://news.example.org/a/");
  auto mutableIndexes = MutableIndexSet::create();
  mutableIndexes->addIndexesInRange(Range{200, 100});
  mutableIndexes->addIndex(5);
  const std::pair<const char*, Id> cases[] = {
      {"string", box(String("街道 news 😀"))},
      {"empty string", box(String(""))},
      {"mutable string", MutableStringObject::create("edit")},
      {"integer", Number::numberWithInt(-12)},
      {"int64", Number::numberWithLongLong(std::numeric_limits<int64_t>::min())},
      {"unsigned", Number::numberWithUnsignedLongLong(std::numeric_limits<uint64_t>::max())},
      {"double", Number::numberWithDouble(0.1)},
      {"bool", Number::numberWithBool(true)},
      {"decimal", DecimalNumber::decimalNumberWithString("12.345")},
      {"data", Data::create(std::string_view("\0\1\2", 3))},
      {"mutable data", MutableData::create("abc", 3)},
      {"date", Date::dateWithTimeIntervalSinceReferenceDate(-1234.5678)},
      {"url", URL::URLWithString("http://a/b?c#d")},
      {"relative url", URL::URLWithString("x/y.html", base)},
      {"null", Null::null()},
      {"array", Array::create({box(String("a")), Number::numberWithInt(1), Array::create()})},
      {"mutable array", MutableArray::create({box(String("a"))})},
      {"dictionary", Dictionary::create({{box(String("k")), Number::numberWithInt(1)},
                                         {Number::numberWithInt(2), Dictionary::create()}})},
      {"mutable dictionary", MutableDictionary::create({{box(String("k")), Null::null()}})},
      {"set", Set::create({box(String("a")), box(String("b"))})},
      {"mutable set", MutableSet::create({Number::numberWithInt(3)})},
      {"index set", IndexSet::indexSetWithIndexesInRange(Range{200, 100})},
      {"mutable index set", mutableIndexes},
      {"error", Error::create("KDDomain", -7, Dictionary::withStrings({{NSLocalizedDescriptionKey, box(String("bad"))}}))},
      {"range value", ValueBox::valueWithRange(Range{3, 4})},
  };
  for (const auto& [name, value] : cases) {
    SCOPED_TRACE(name);
    Ref<Data> data = archived(value);
    ASSERT_TRUE(data);
    Id back = KeyedUnarchiver::unarchiveObjectWithData(data);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(value)) << back->description() << " vs " << value->description();
    EXPECT_EQ(back->getClass(), value->getClass()) << back->className();
    if (auto n = rt::as<Number>(value)) {
      auto m = rt::as<Number>(back);
      EXPECT_EQ(m->isBool(), n->isBool());
      EXPECT_EQ(m->isFloatingPoint(), n->isFloatingPoint());
    }
    Ref<Error> error;
    Id secure = KeyedUnarchiver::unarchivedObjectOfClasses(valueClasses(), data, &error);
    EXPECT_TRUE(secure && secure->isEqual(value)) << debugOf(error);
  }
}

TEST(KeyedArchiving, ModelObjectsNestAndStayShared) {
  auto first = note("first", 3);
  auto second = note("second", 8);
  first->next = second;
  auto list = Array::create({first, second, second});
  Ref<Error> error;
  auto back = rt::as<Array>(KeyedUnarchiver::unarchivedObjectOfClasses(noteClasses(), archived(list), &error));
  ASSERT_TRUE(back) << debugOf(error);
  ASSERT_EQ(back->count(), 3u);
  auto a = rt::as<ArchTestNote>(back->objectAtIndex(0));
  auto b = rt::as<ArchTestNote>(back->objectAtIndex(1));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(back->objectAtIndex(2).get(), b.get());
  EXPECT_EQ(a->next.get(), b.get());
  for (const auto& [made, original] : {std::pair{a, first}, std::pair{b, second}}) {
    EXPECT_EQ(made->title, original->title);
    EXPECT_EQ(made->views, original->views);
    EXPECT_EQ(made->pinned, original->pinned);
    EXPECT_EQ(made->score, original->score);
    EXPECT_EQ(made->range, original->range);
    EXPECT_TRUE(made->tags->isEqual(original->tags.get()));
  }
}

TEST(KeyedArchiving, CyclesComeBackAsCycles) {
  auto a = note("a", 1);
  auto b = note("b", 2);
  a->next = b;
  b->next = a;
  auto back = rt::as<ArchTestNote>(KeyedUnarchiver::unarchiveObjectWithData(archived(a)));
  ASSERT_TRUE(back && back->next);
  EXPECT_EQ(back->next->next.get(), back.get());
  EXPECT_EQ(back->next->title, String("b"));
  back->next->next = nullptr;
  b->next = nullptr;

  auto loop = MutableArray::create();
  loop->addObject(box(String("x")));
  loop->addObject(loop);
  auto again = rt::as<MutableArray>(KeyedUnarchiver::unarchiveObjectWithData(archived(loop)));
  ASSERT_TRUE(again);
  ASSERT_EQ(again->count(), 2u);
  EXPECT_EQ(again->objectAtIndex(1).get(), again.get());
  again->removeAllObjects();
  loop->removeAllObjects();
}

// Found by fuzzing: a set and an array that hold each other made describing the result
// recurse without end, and comparing two arrays that hold the same such set overflowed the
// stack. Cycles come back as cycles; the caller breaks them.
TEST(KeyedArchiving, ContainersHoldingEachOtherComeBackDescribedAndComparedOnce) {
  const std::string archives[] = {
      std::string(
          "\x62\x70\x6c\x69\x73\x74\x30\x30\xd4\x01\x03\x05\x09\x02\x04\x06\x0a\x57\x24\x66\x6f\x72\x6d\x61"
          "\x74\x5f\x10\x10\x6b\x64\x2e\x6b\x65\x79\x65\x64\x2d\x61\x72\x63\x68\x69\x76\x65\x58\x24\x76\x65"
          "\x72\x73\x69\x6f\x6e\x10\x01\x54\x24\x74\x6f\x70\xd1\x07\x08\x54\x72\x6f\x6f\x74\x80\x01\x58\x24"
          "\x6f\x62\x6a\x65\x63\x74\x73\xa9\x0b\x0c\x17\x18\x04\x21\x22\x20\x19\x55\x24\x6e\x75\x6c\x6c\xd3"
          "\x0d\x0f\x1b\x0e\x10\x14\x56\x24\x63\x6c\x61\x73\x73\x5c\x4e\x53\x4d\x75\x74\x61\x62\x6c\x65\x53"
          "\x65\x74\x54\x6b\x65\x79\x8d\x5d\xee\xed\x7f\xfd\x7f\xf3\x56\x76\x61\x6c\x75\x65\x73\xa2\x15\x16"
          "\x80\x04\x80\x08\x51\x61\x51\x62\xd2\x0d\x1b\x1a\x1c\x57\x4e\x53\x41\x72\x72\x61\x79\x55\x69\x74"
          "\x65\x6d\x73\xa3\x1d\x1e\x1f\x80\x05\x80\x01\x80\x07\x22\x40\x20\x00\x00\x09\x45\x62\x79\x74\x65"
          "\x73\x08\x11\x19\x2c\x35\x37\x3c\x3f\x44\x46\x4f\x59\x5f\x66\x6d\x7a\x7f\x82\x84\x86\x8d\x90\x92"
          "\x94\x96\x98\x9d\xa5\xab\xaf\xb1\xb3\xb5\xba\xbb\xff\xff\xff\x11\x00\x00\x01\x01\x00\x00\x00\x00"
          "\x00\x00\x00\x23\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xc1",
          260),
      std::string(
          "\x62\x70\x6c\x69\x73\x74\x30\x30\xd4\x01\x03\x05\x09\x02\x04\x06\x0a\x57\x24\x66\x6f\x72\x6d\x61"
          "\x74\x5f\x10\x10\x6b\x64\x2e\x6b\x65\x79\x65\x64\x2d\x61\x72\x63\x68\x69\x76\x65\x58\x24\x76\x65"
          "\x72\x73\x69\x6f\x6e\x10\x01\x54\x24\x74\x6f\x70\xd1\x07\x08\x54\x72\x6f\x6f\x74\x80\x01\x58\x24"
          "\x6f\x62\x6a\x65\x63\x74\x73\xa9\x0b\x0c\x17\x18\x19\x21\x22\x21\x19\x55\x2c\x6e\x75\x6c\x6c\xd3"
          "\x0d\x0f\x1b\x0e\x10\x1c\x56\x24\x63\x6c\x61\x73\x73\x5c\x4e\x53\x4d\x75\x74\x61\x62\x6c\x65\x53"
          "\x65\x74\x54\x6b\x65\x79\x8d\x5d\xee\xed\x7f\xfd\x7f\xf3\x56\x76\x61\x6c\x75\x65\x73\xa2\x15\x16"
          "\x80\x04\x80\x08\x51\x61\x51\x62\xd2\x0d\x1b\x1a\x1c\x57\x4e\x53\x41\x72\x72\x61\x79\x55\x69\x74"
          "\x65\x6d\x73\xa3\x1d\x1e\x1e\x80\x05\x80\x01\x80\x07\xc3\x40\x20\x00\x00\x09\x45\x62\x79\x74\x65"
          "\x73\x08\x11\x19\x2c\x35\x37\x3c\x3f\x44\x46\x4f\x59\x5f\x66\x6d\x7a\x7f\x82\x84\x86\x8d\x90\x92"
          "\x94\x96\x98\x9d\xa5\xab\xaf\xb1\xb3\x59\x5f\x66\x6d\x7a\x7f\x82\xab\xb3\xb5\x76\x01\x01\x00\x00"
          "\x00\x00\x00\x00\x00\x23\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xc1",
          262),
  };
  for (const std::string& bytes : archives) {
    Ref<Error> error;
    auto set = rt::as<MutableSet>(KeyedUnarchiver::unarchivedObjectOfClasses(
        {Dictionary::classObject(), Array::classObject(), Set::classObject(), StringObject::classObject(),
         Number::classObject(), Data::classObject()},
        Data::create(std::string_view(bytes)), &error));
    ASSERT_TRUE(set) << debugOf(error);
    String text = set->description();
    EXPECT_TRUE(text.contains("(...)")) << text;
    EXPECT_LT(text.length(), 400u) << text;
    EXPECT_TRUE(set->isEqual(set->mutableCopy().get()));
    testsupport::emptyMutableContainers(set);
  }
}

// Found by fuzzing: an archive refused after its mutable containers came to hold each other
// left them holding each other (a leak on every such archive).
TEST(KeyedArchiving, ARefusedArchiveLeavesNoContainersHoldingEachOther) {
  const std::string bytes(
      "\x62\x70\x6c\x69\x73\x74\x30\x30\xd4\x01\x03\x05\x09\x02\x04\x06\x0a\x57\x24\x66\x6f\x72\x6d\x61"
      "\x74\x5f\x10\x10\x6b\x64\x2e\x6b\x65\x79\x65\x64\x2d\x61\x72\x63\x68\x69\x76\x65\x58\x24\x76\x65"
      "\x72\x73\x69\x6f\x6e\x10\x01\x54\x24\x74\x6f\x70\xd1\x07\x08\x54\x72\x6f\x6f\x74\x80\x01\x58\x24"
      "\x6f\x62\x6a\x65\x63\x74\x73\xa9\x0b\x19\x21\x21\x18\x22\x0c\x17\x19\x55\x2c\x6e\x75\x6c\x6c\xd3"
      "\x0d\x0f\x1b\x0e\x10\x1c\x56\x24\x63\x6c\x61\x73\x73\x5c\x4e\x53\x4d\x75\x74\x61\x62\x6c\x65\x53"
      "\x65\x74\x54\x6b\x65\x79\x8d\x5d\xee\xed\x7f\xfd\x7f\xf3\x56\x76\x61\x6c\x75\x65\x33\xa2\x1d\x16"
      "\x80\x04\x80\x08\x51\x61\x51\x62\xd2\x0d\x1b\x1a\x14\x57\x4e\x53\x41\x72\x72\x61\x79\x55\x69\x74"
      "\x65\x6d\x73\xa3\x1d\x1e\x1f\x80\x06\x80\x05\x80\x07\xc3\x40\x20\x00\x00\x09\x44\x62\x79\x74\x65"
      "\x73\x08\x11\x19\x2c\x35\x37\x3c\x3f\x44\x46\x4f\x59\x5f\x66\x6d\x7a\x7f\x82\x84\x86\x8d\x90\x92"
      "\x94\x96\x98\x9d\xa5\xab\xaf\xb1\xb3\x59\x5f\x66\x6d\x7a\x7f\x82\x84\x98\x9d\xa5\xab\xb3\xb5\x76"
      "\x01\x01\x00\x00\x00\x00\x00\x00\x00\x23\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\xc1",
      266);
  Ref<Error> error;
  EXPECT_FALSE(KeyedUnarchiver::unarchivedObjectOfClasses(
      {Dictionary::classObject(), Array::classObject(), Set::classObject(), StringObject::classObject(),
         Number::classObject(), Data::classObject()},
      Data::create(std::string_view(bytes)), &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), CoderReadCorruptError) << debugOf(error);
  EXPECT_THROW(KeyedUnarchiver::unarchiveObjectWithData(Data::create(std::string_view(bytes))), rt::Exception);
}

TEST(KeyedArchiving, RegisteredDecoderBuildsImmutableObjects) {
  registerDecoder(ArchTestPoint::classObject(), [](KeyedUnarchiver& c) -> Id {
    return rt::make<ArchTestPoint>(c.decodeDouble("x"), c.decodeDouble("y"));
  });
  auto point = rt::make<ArchTestPoint>(1.5, -2.0);
  Ref<Error> error;
  auto back = rt::as<ArchTestPoint>(
      KeyedUnarchiver::unarchivedObjectOfClass(ArchTestPoint::classObject(), archived(point), &error));
  ASSERT_TRUE(back) << debugOf(error);
  EXPECT_EQ(back->x(), 1.5);
  EXPECT_EQ(back->y(), -2.0);
}

TEST(KeyedArchiving, SecureDecodingRefusesUnlistedClasses) {
  auto list = Array::create({note("n", 1)});
  Ref<Data> data = archived(list);
  Ref<Error> error;
  EXPECT_FALSE(KeyedUnarchiver::unarchivedObjectOfClass(Array::classObject(), data, &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->domain(), String(NSCocoaErrorDomain));
  EXPECT_EQ(error->code(), CoderReadCorruptError);
  EXPECT_TRUE(debugOf(error).contains("ArchTestNote")) << debugOf(error);

  // A class without secure coding is refused even when listed, before any instance is made.
  Ref<Data> plain = archived(rt::make<ArchTestPlain>(), false);
  int before = ArchTestPlain::made;
  error = nullptr;
  EXPECT_FALSE(KeyedUnarchiver::unarchivedObjectOfClass(ArchTestPlain::classObject(), plain, &error));
  EXPECT_TRUE(error);
  EXPECT_EQ(ArchTestPlain::made, before);
  EXPECT_TRUE(rt::as<ArchTestPlain>(KeyedUnarchiver::unarchiveObjectWithData(plain)));
  EXPECT_EQ(ArchTestPlain::made, before + 1);

  // The root's own class is checked too.
  error = nullptr;
  EXPECT_FALSE(KeyedUnarchiver::unarchivedObjectOfClass(Number::classObject(), archived(box(String("s"))), &error));
  ASSERT_TRUE(error);
  EXPECT_TRUE(debugOf(error).contains("class 'NSString'")) << debugOf(error);
}

TEST(KeyedArchiving, SecureDecodingHoldsEveryObjectToTheCallersClasses) {
  auto holding = [](Ref<ArchTestCounted> inner, Ref<Array> list) {
    auto h = rt::make<ArchTestHolder>();
    h->inner = std::move(inner);
    h->list = std::move(list);
    return h;
  };
  const Class* holder = ArchTestHolder::classObject();
  const Class* counted = ArchTestCounted::classObject();
  struct Case {
    const char* name;
    Id root;
    std::vector<const Class*> classes;
    bool decodes;
    int made;  // counted objects made while decoding
  };
  const Case cases[] = {
      {"a value inside a listed container", Array::create({box(String("s"))}), {Array::classObject()}, false, 0},
      {"the value listed too", Array::create({box(String("s"))}), {Array::classObject(), StringObject::classObject()},
       true, 0},
      {"a member a listed class names for itself", holding(rt::make<ArchTestCounted>(), nullptr), {holder}, false, 0},
      {"that member listed too", holding(rt::make<ArchTestCounted>(), nullptr), {holder, counted}, true, 1},
      {"members of a list a listed class names", holding(nullptr, Array::create({rt::make<ArchTestCounted>()})),
       {holder, Array::classObject()}, false, 0},
      {"those members listed too", holding(nullptr, Array::create({rt::make<ArchTestCounted>()})),
       {holder, Array::classObject(), counted}, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Ref<Data> data = archived(c.root);
    const int before = ArchTestCounted::made;
    Ref<Error> error;
    Id back = KeyedUnarchiver::unarchivedObjectOfClasses(c.classes, data, &error);
    EXPECT_EQ(back != nullptr, c.decodes) << debugOf(error);
    EXPECT_EQ(error != nullptr, !c.decodes);
    if (error) {
      EXPECT_TRUE(debugOf(error).contains("not allowed")) << debugOf(error);
    }
    EXPECT_EQ(ArchTestCounted::made - before, c.made);
  }

  // With no classes named, a secure reader takes no object at all.
  Ref<Error> error;
  auto u = KeyedUnarchiver::createForReadingFromData(archived(box(String("s"))), &error);
  ASSERT_TRUE(u) << debugOf(error);
  EXPECT_FALSE(u->decodeObjectForKey("root"));
  ASSERT_TRUE(u->error());
  EXPECT_TRUE(debugOf(u->error()).contains("class 'NSString'")) << debugOf(u->error());
}

TEST(KeyedArchiving, ArchivingRefusesWhatCannotBeCoded) {
  Ref<Error> error;
  EXPECT_FALSE(KeyedArchiver::archivedDataWithRootObject(rt::make<ArchTestPlain>(), true, &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), CoderInvalidValueError);
  error = nullptr;
  EXPECT_FALSE(KeyedArchiver::archivedDataWithRootObject(Array::create({rt::make<NoCoding>()}), false, &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), CoderInvalidValueError);
  EXPECT_THROW(KeyedArchiver::archivedDataWithRootObject(rt::make<NoCoding>()), rt::Exception);
}

TEST(KeyedArchiving, AProxyWhoseTargetIsGoneFailsTheArchive) {
  auto target = note("gone", 1);
  auto proxy = rt::WeakProxy::proxyWithTarget(target);
  target.reset();
  ASSERT_FALSE(proxy->getClass());
  for (const Id& root : {Id(proxy), Id(Array::create({box(String("kept")), proxy}))}) {
    for (bool secure : {false, true}) {
      SCOPED_TRACE(root->className().utf8() + (secure ? " secure" : ""));
      Ref<Error> error;
      EXPECT_FALSE(KeyedArchiver::archivedDataWithRootObject(root, secure, &error));
      ASSERT_TRUE(error);
      EXPECT_EQ(error->code(), CoderInvalidValueError);
      EXPECT_TRUE(debugOf(error).contains("target is gone")) << debugOf(error);
    }
    try {
      KeyedArchiver::archivedDataWithRootObject(root);
      ADD_FAILURE() << "no exception";
    } catch (const rt::Exception& e) {
      EXPECT_EQ(e.name(), String(rt::InvalidArgumentException));
    }
  }
}

TEST(KeyedArchiving, ScalarsUnderKeys) {
  auto archiver = rt::make<KeyedArchiver>(true);
  archiver->encodeInteger(-5, "integer");
  archiver->encodeInt32(std::numeric_limits<int32_t>::min(), "int32");
  archiver->encodeInt64(std::numeric_limits<int64_t>::max(), "int64");
  archiver->encodeBool(true, "bool");
  archiver->encodeDouble(2.25, "double");
  archiver->encodeFloat(0.5f, "float");
  archiver->encodeBytes("\x01\x02", 2, "bytes");
  archiver->encodeObject(nullptr, "nothing");
  archiver->finishEncoding();
  Ref<Error> error;
  auto u = KeyedUnarchiver::createForReadingFromData(archiver->encodedData(), &error);
  ASSERT_TRUE(u) << debugOf(error);
  EXPECT_EQ(u->decodeInteger("integer"), -5);
  EXPECT_EQ(u->decodeInt32("int32"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(u->decodeInt64("int64"), std::numeric_limits<int64_t>::max());
  EXPECT_TRUE(u->decodeBool("bool"));
  EXPECT_EQ(u->decodeDouble("double"), 2.25);
  EXPECT_EQ(u->decodeFloat("float"), 0.5f);
  EXPECT_EQ(u->decodeBytes("bytes"), (std::vector<uint8_t>{1, 2}));
  EXPECT_TRUE(u->containsValueForKey("nothing"));
  EXPECT_FALSE(u->decodeObjectForKey("nothing"));
  // Absent keys
  EXPECT_FALSE(u->containsValueForKey("absent"));
  EXPECT_EQ(u->decodeInteger("absent"), 0);
  EXPECT_FALSE(u->decodeBool("absent"));
  EXPECT_EQ(u->decodeDouble("absent"), 0.0);
  EXPECT_FALSE(u->decodeObjectForKey("absent"));
  EXPECT_TRUE(u->decodeBytes("absent").empty());
  EXPECT_FALSE(u->error());
  // A value that does not fit fails, and every later decode answers nothing.
  EXPECT_EQ(u->decodeInt32("int64"), 0);
  ASSERT_TRUE(u->error());
  EXPECT_EQ(u->decodeInteger("integer"), 0);
}

TEST(KeyedArchiving, FailurePolicyRaises) {
  Ref<Data> data = archived(box(String("s")));
  auto u = rt::make<KeyedUnarchiver>(data);
  ASSERT_TRUE(u);
  EXPECT_EQ(u->decodingFailurePolicy(), DecodingFailurePolicy::RaiseException);
  try {
    u->decodeObjectOfClass(Number::classObject(), "root");
    ADD_FAILURE() << "no exception";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), String(rt::InvalidUnarchiveOperationException));
  }
}

TEST(KeyedArchiving, MalformedDataRaisesOrErrs) {
  Ref<Data> good = archived(Array::create({note("n", 1), box(String("text")), Date::dateWithTimeIntervalSince1970(5)}));
  Ref<Data> notArchive = Data::create(std::string_view("bplist00"));
  std::vector<Ref<Data>> bad = {nullptr, Data::create(), Data::create(std::string_view("junk")),
                                Data::create(std::string_view("{\"root\": 1}")), notArchive};
  for (size_t cut = 8; cut < good->length(); cut += 13) bad.push_back(good->subdataWithRange(Range{0, cut}));
  for (size_t i = 0; i < bad.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_THROW(KeyedUnarchiver::unarchiveObjectWithData(bad[i]), rt::Exception);
    Ref<Error> error;
    EXPECT_FALSE(KeyedUnarchiver::unarchivedObjectOfClasses(noteClasses(), bad[i], &error));
    EXPECT_TRUE(error);
  }
  // Damaged bytes give an object, an exception or an error; never a crash.
  for (size_t at = 8; at < good->length(); ++at) {
    auto damaged = MutableData::create(good->bytes(), good->length());
    damaged->mutableBytes()[at] ^= 0x5A;
    try {
      KeyedUnarchiver::unarchiveObjectWithData(damaged);
    } catch (const rt::Exception&) {
    }
    Ref<Error> error;
    Id value = KeyedUnarchiver::unarchivedObjectOfClasses(noteClasses(), damaged, &error);
    EXPECT_TRUE(value || error) << at;
  }
}

namespace {

class Redactor : public Object, public KeyedArchiverDelegate, public KeyedUnarchiverDelegate {
  RT_CLASS(Redactor, Object)
 public:
  int encoded = 0;
  int decoded = 0;
  Id willEncodeObject(KeyedArchiver&, const Id& object) override {
    if (object->isEqual(box(String("secret")))) return box(String("redacted"));
    return object;
  }
  void didEncodeObject(KeyedArchiver&, const Id&) override { ++encoded; }
  Id didDecodeObject(KeyedUnarchiver&, const Id& object) override {
    ++decoded;
    if (auto n = rt::as<Number>(object)) return Number::numberWithLongLong(n->integerValue() * 10);
    return object;
  }
};
RT_IMPLEMENT(Redactor) {}

}  // namespace

TEST(KeyedArchiving, DelegatesSubstitute) {
  auto delegate = rt::make<Redactor>();
  auto archiver = rt::make<KeyedArchiver>(true);
  archiver->setDelegate(delegate);
  auto secret = box(String("secret"));
  archiver->encodeObject(Array::create({secret, Number::numberWithInt(4), secret}), "root");
  Ref<Data> data = archiver->encodedData();
  EXPECT_EQ(delegate->encoded, 3);  // the array, the string once, the number

  Ref<Error> error;
  auto u = KeyedUnarchiver::createForReadingFromData(data, &error);
  ASSERT_TRUE(u);
  u->setDelegate(delegate);
  auto back = rt::as<Array>(
      u->decodeObjectOfClasses({Array::classObject(), StringObject::classObject(), Number::classObject()}, "root"));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->objectAtIndex(0)->description(), String("redacted"));
  EXPECT_EQ(back->objectAtIndex(2).get(), back->objectAtIndex(0).get());
  EXPECT_EQ(rt::as<Number>(back->objectAtIndex(1))->integerValue(), 40);
  EXPECT_EQ(delegate->decoded, 3);
}

}  // namespace fd
