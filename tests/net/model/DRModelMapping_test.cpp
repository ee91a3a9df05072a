#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "net/model/DRModelValues.h"
#include "tests/net/model/ModelFixtures.h"

namespace net {
namespace {

using drtest::DRTAll;
using drtest::DRTAuthor;
using drtest::DRTMapped;

double since1970(const Ref<fd::Date>& d) { return d ? d->timeIntervalSinceReferenceDate() + fd::kTimeIntervalSince1970 : -1; }

TEST(DRNumberFromValue, WordsDecimalsIntegersAndNulls) {
  struct Case {
    rt::Id in;
    const char* out;  // description, or null for no number
  } cases[] = {
      {fd::box(String("yes")), "1"}, {fd::box(String("False")), "0"}, {fd::box(String("<null>")), nullptr},
      {fd::box(String("NIL")), nullptr}, {fd::box(String("12")), "12"}, {fd::box(String("2.5")), "2.5"},
      {fd::box(String("abc")), "0"}, {fd::box(String("1e999.")), nullptr}, {fd::Null::null(), nullptr},
      {nullptr, nullptr}, {fd::Number::numberWithInt(-5), "-5"}, {fd::Data::create(std::string_view("1")), nullptr},
  };
  for (const auto& c : cases) {
    auto n = DRNumberFromValue(c.in);
    if (!c.out) {
      EXPECT_FALSE(n);
    } else {
      ASSERT_TRUE(n);
      EXPECT_EQ(n->stringValue(), c.out);
    }
  }
}

TEST(DRDateFromString, EachLengthHasItsForm) {
  // 2015-01-15 00:00:00 UTC
  const double day = 1421280000;
  struct Case {
    const char* text;
    double seconds;  // -1: no date
  } cases[] = {
      {"2015-01-15", day},
      {"2015-01-15T12:30:05", day + 45005},
      {"2015-01-15 12:30:05", day + 45005},
      {"2015-01-15T12:30:05Z", day + 45005},
      {"2015-01-15T12:30:05+0800", day + 45005 - 8 * 3600},
      {"2015-01-15T12:30:05+08:00", day + 45005 - 8 * 3600},
      {"Thu Jan 15 12:30:05 +0800 2015", day + 45005 - 8 * 3600},
      {"2015-01-15x", -1},
      {"2015-01-15 12:30:05Z", -1},  // time part does not match: no date, not midnight
      {"not a date at all..", -1},
      {"", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(since1970(DRDateFromString(c.text)), c.seconds) << c.text;
}

TEST(DRDateFromString, WallTimesAreGMTWhateverTheDeviceZone) {
  // Summer dates under a zone with daylight saving: the library path must not shift them.
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  EXPECT_EQ(since1970(DRDateFromString("2015-07-15 12:00:00")), 1436961600);
  EXPECT_EQ(since1970(DRDateFromString("2015-07-15T12:00:00Z")), 1436961600);
  unsetenv("TZ");
  tzset();
}

TEST(DRModelFill, NumbersFromEveryShapeOfValue) {
  auto m = rt::make<DRTAll>();
  struct Case {
    const char* json;
    int32_t i32;
  } cases[] = {{R"({"i32":null})", 0}, {R"({"i32":"null"})", 0}, {R"({"i32":"letters"})", 0},
               {R"({"i32":"true"})", 1}, {R"({"i32":"Yes"})", 1}, {R"({"i32":-5})", -5}, {R"({"i32":"7.9"})", 7}};
  for (const auto& c : cases) {
    m->i32 = 99;
    ASSERT_TRUE(modelSetWithJSON(*m, fd::box(String(c.json))));
    EXPECT_EQ(m->i32, c.i32) << c.json;
  }
  ASSERT_TRUE(modelSetWithJSON(*m, fd::box(String(R"({"f":"1e999.0","d":"2.25","flag":"no","i8":300})"))));
  EXPECT_EQ(m->f, 0.0f);
  EXPECT_EQ(m->d, 2.25);
  EXPECT_FALSE(m->flag);
  EXPECT_EQ(m->i8, 44);  // narrowed as the setter's width does
  // Unsigned values above the signed range survive, from numbers and from decimal text.
  ASSERT_TRUE(modelSetWithJSON(*m, fd::box(String(R"({"u64":18446744073709551615})"))));
  EXPECT_EQ(m->u64, std::numeric_limits<uint64_t>::max());
  auto d = fd::Dictionary::withStrings({{"u64", fd::DecimalNumber::decimalNumberWithString("18446744073709551610")}});
  ASSERT_TRUE(modelSetWithDictionary(*m, d));
  EXPECT_EQ(m->u64, 18446744073709551610ull);
}

TEST(DRModelFill, FoundationKindsConvertOrStayUnchanged) {
  auto m = rt::make<DRTAll>();
  auto d = fd::Dictionary::withStrings({
      {"text", fd::Number::numberWithInt(3)},
      {"mutableText", fd::Data::create(std::string_view("\xe4\xb8\xad"))},
      {"number", fd::box(String("8"))},
      {"decimal", fd::box(String("1.50"))},
      {"data", fd::box(String("bytes"))},
      {"url", fd::box(String("  http://example.test/a \n"))},
      {"plainSet", fd::box(String("not a set"))},
      {"list", fd::box(String("not a list"))},
  });
  ASSERT_TRUE(modelSetWithDictionary(*m, d));
  EXPECT_EQ(m->text, "3");
  ASSERT_TRUE(m->mutableText);
  EXPECT_EQ(m->mutableText->string(), u"中");
  EXPECT_EQ(m->number->integerValue(), 8);
  EXPECT_EQ(m->decimal->stringValue(), "1.5");
  EXPECT_EQ(m->data->view(), "bytes");
  EXPECT_EQ(m->url->absoluteString(), "http://example.test/a");
  EXPECT_FALSE(m->plainSet);  // no source: nil
  EXPECT_FALSE(m->list);      // a string is not taken: unchanged

  ASSERT_TRUE(modelSetWithDictionary(*m, fd::Dictionary::withStrings({{"url", fd::box(String("   "))},
                                                                     {"text", fd::Null::null()}})));
  EXPECT_FALSE(m->url);
  EXPECT_EQ(m->text, "");
}

TEST(DRModelFill, ContainersOfModelsNestedModelsAndOtherKinds) {
  auto m = rt::make<DRTAll>();
  auto held = rt::make<DRTAuthor>();
  m->author = held;
  ASSERT_TRUE(modelSetWithJSON(*m, fd::box(String(R"({
    "authors": [{"name":"A"}, "skip", 3, {"name":"B","books":2}],
    "authorSet": "no set",
    "byName": {"x": {"name":"X"}, "y": 5},
    "author": {"name":"In place"},
    "kind": "NSArray",
    "action": "reload:"
  })"))));
  ASSERT_EQ(m->authors->count(), 2u);
  EXPECT_EQ(rt::as<DRTAuthor>(m->authors->objectAtIndex(1))->books, 2);
  ASSERT_TRUE(m->authorSet);
  EXPECT_EQ(m->authorSet->count(), 0u);
  EXPECT_EQ(m->byName->count(), 1u);
  EXPECT_EQ(m->author, held);
  EXPECT_EQ(held->name, "In place");
  EXPECT_EQ(m->kind, fd::Array::classObject());
  EXPECT_STREQ(m->action.name(), "reload:");

  m->author = nullptr;
  ASSERT_TRUE(modelSetWithJSON(*m, fd::box(String(R"({"author":{"name":"New"}})"))));
  ASSERT_TRUE(m->author);
  EXPECT_EQ(m->author->name, "New");

  // A struct takes only a value of its own encoding.
  gfx::Rect r{{1, 2}, {3, 4}};
  ASSERT_TRUE(modelSetWithDictionary(*m, fd::Dictionary::withStrings({{"frame", fd::ValueBox::valueWith(r)}})));
  EXPECT_EQ(m->frame.size.width, 3);
  ASSERT_TRUE(modelSetWithDictionary(*m, fd::Dictionary::withStrings({{"frame", fd::ValueBox::valueWith(gfx::Point{9, 9})}})));
  EXPECT_EQ(m->frame.size.width, 3);
}

TEST(DRModelFill, KeysKeyPathsHooksAndWrongInput) {
  auto m = rt::make<DRTMapped>();
  ASSERT_TRUE(modelSetWithJSON(*m, fd::box(String(
      R"({"id":"7","name":"Both","address":{"city":"Lu"},"hidden":"no","address.city":"literal"})"))));
  EXPECT_EQ(m->identifier, "7");
  EXPECT_EQ(m->title, "Both");
  EXPECT_EQ(m->alias, "Both");
  EXPECT_EQ(m->city, "Lu");  // the key-path walk comes after the literal key
  EXPECT_EQ(m->hidden, "");
  EXPECT_TRUE(m->transformed);

  auto other = rt::make<DRTMapped>();
  ASSERT_TRUE(modelSetWithJSON(*other, fd::box(String(R"({"address":"flat"})"))));
  EXPECT_EQ(other->city, "");

  EXPECT_FALSE(modelWithJSON(drtest::DRTEmpty::classObject(), fd::box(String(R"({"a":1})"))));
  EXPECT_FALSE(modelWithJSON<DRTMapped>(fd::box(String("[1,2]"))));
  EXPECT_FALSE(modelWithJSON<DRTMapped>(fd::box(String("{broken"))));
  EXPECT_FALSE(modelWithJSON<DRTMapped>(fd::Null::null()));

  auto list = modelArrayWithClass(DRTAuthor::classObject(), fd::box(String(R"([{"name":"a"},{"name":"b"},3])")));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->count(), 2u);
  EXPECT_FALSE(modelArrayWithClass(DRTAuthor::classObject(), fd::box(String(R"({"name":"a"})"))));
  auto byKey = modelDictionaryWithClass(DRTAuthor::classObject(), fd::box(String(R"({"k":{"name":"a"},"j":1})")));
  EXPECT_EQ(byKey->count(), 1u);
}

TEST(DRModelOutput, WritesKindsKeyPathsAndLeavesOutWhatIsNotJSON) {
  auto m = rt::make<DRTAll>();
  m->date = fd::Date::dateWithTimeIntervalSince1970(1421280000);
  m->url = fd::URL::URLWithString("http://example.test/x");
  m->data = fd::Data::create(std::string_view("left out"));
  m->f = std::numeric_limits<float>::infinity();
  m->kind = fd::Array::classObject();
  m->authors = fd::MutableArray::create({rt::make<DRTAuthor>()});
  auto out = rt::as<fd::Dictionary>(modelToJSONObject(m));
  ASSERT_TRUE(out);
  // Written in the device's zone with its offset, and read back as the same instant.
  String written = rt::as<fd::StringObject>(out->objectForKey("date"))->string();
  EXPECT_EQ(written.length(), 24u) << written;
  EXPECT_EQ(written.utf8().substr(0, 9), "2015-01-1") << written;
  EXPECT_EQ(since1970(DRDateFromString(written)), 1421280000);
  EXPECT_EQ(rt::as<fd::StringObject>(out->objectForKey("url"))->string(), "http://example.test/x");
  EXPECT_EQ(rt::as<fd::StringObject>(out->objectForKey("kind"))->string(), "NSArray");
  EXPECT_FALSE(out->objectForKey("data"));
  EXPECT_FALSE(out->objectForKey("f"));
  EXPECT_FALSE(out->objectForKey("author"));
  ASSERT_TRUE(rt::as<fd::Array>(out->objectForKey("authors")));
  EXPECT_TRUE(rt::as<fd::Dictionary>(rt::as<fd::Array>(out->objectForKey("authors"))->objectAtIndex(0)));

  EXPECT_FALSE(modelToJSONObject(fd::box(String("plain"))));
  EXPECT_FALSE(modelToJSONString(fd::box(String("plain"))));

  auto mapped = rt::make<DRTMapped>();
  mapped->city = "Lu";
  mapped->identifier = "9";
  auto text = modelToJSONString(mapped);
  ASSERT_TRUE(text);
  auto back = modelWithJSON<DRTMapped>(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->city, "Lu");
  EXPECT_EQ(back->identifier, "9");
  mapped->rejectOutput = true;
  EXPECT_FALSE(modelToJSONObject(mapped));
}

TEST(DRModelObject, CopyCodingHashAndEquality) {
  auto m = rt::make<DRTAll>();
  m->list = fd::Array::create({fd::box(String("x"))});
  m->f = std::numeric_limits<float>::infinity();
  m->frame = gfx::Rect{{1, 2}, {3, 4}};
  auto copy = rt::as<DRTAll>(modelCopy(*m));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->list, m->list);
  EXPECT_TRUE(std::isinf(copy->f));
  EXPECT_EQ(copy->frame.origin.y, 2);

  auto a = rt::make<drtest::DRTArchived>();
  a->title = "T";
  a->count = 4;
  a->ratio = 0.5;
  a->items = fd::Array::create({fd::box(String("i"))});
  a->point = fd::ValueBox::valueWith(gfx::Point{1, 1});
  a->frame = gfx::Rect{{5, 6}, {7, 8}};
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(a);
  ASSERT_TRUE(data);
  auto b = rt::as<drtest::DRTArchived>(fd::KeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->title, "T");
  EXPECT_EQ(b->count, 4);
  EXPECT_EQ(b->ratio, 0.5);
  EXPECT_EQ(b->items->count(), 1u);
  EXPECT_FALSE(b->point);
  EXPECT_EQ(b->frame.size.height, 8);

  auto x = rt::make<DRTAuthor>(), y = rt::make<DRTAuthor>();
  x->name = y->name = "same";
  EXPECT_EQ(modelHash(*x), modelHash(*y));
  EXPECT_TRUE(modelIsEqual(*x, y));
  y->books = 1;
  EXPECT_FALSE(modelIsEqual(*x, y));
  EXPECT_FALSE(modelIsEqual(*x, rt::make<DRTAll>()));
  auto empty = rt::make<drtest::DRTEmpty>();
  EXPECT_EQ(modelHash(*empty), reinterpret_cast<uintptr_t>(empty.get()));
}

}  // namespace
}  // namespace net
