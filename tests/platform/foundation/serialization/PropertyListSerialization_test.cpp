#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "platform/foundation/Foundation.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"

namespace fd {

namespace {

Ref<Dictionary> sample() {
  return Dictionary::withStrings({
      {"name", box(String("街道 <&> \"news\""))},
      {"count", Number::numberWithLongLong(-42)},
      {"big", Number::numberWithLongLong(std::numeric_limits<int64_t>::max())},
      {"ratio", Number::numberWithDouble(0.1)},
      {"on", Number::numberWithBool(true)},
      {"off", Number::numberWithBool(false)},
      {"when", Date::dateWithTimeIntervalSinceReferenceDate(123456789)},  // XML dates hold whole seconds
      {"blob", Data::create(std::string_view("\x00\x01\xff", 3))},
      {"list", Array::create({box(String("a")), Number::numberWithInt(1), Array::create(), Dictionary::create()})},
  });
}

Id readBack(const Ref<Data>& data, uint32_t options = PropertyListImmutable, PropertyListFormat* format = nullptr) {
  Ref<Error> error;
  Id value = PropertyListSerialization::propertyListWithData(data, options, format, &error);
  EXPECT_TRUE(value) << (error ? error->description().utf8() : "");
  return value;
}

class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() / ("kd-plist-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name, std::string_view bytes) const {
    std::string p = (path_ / name).string();
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace

TEST(PropertyListSerialization, RoundTripsInBothFormats) {
  for (PropertyListFormat format : {PropertyListXMLFormat, PropertyListBinaryFormat}) {
    SCOPED_TRACE(format);
    Ref<Error> error;
    Ref<Data> data = PropertyListSerialization::dataWithPropertyList(sample(), format, 0, &error);
    ASSERT_TRUE(data) << error->description();
    PropertyListFormat found = PropertyListOpenStepFormat;
    auto back = rt::as<Dictionary>(readBack(data, PropertyListImmutable, &found));
    ASSERT_TRUE(back);
    EXPECT_EQ(found, format);
    EXPECT_TRUE(back->isEqual(sample().get())) << back->description();
    EXPECT_TRUE(rt::as<Number>(back->objectForKey("on"))->isBool());
    EXPECT_TRUE(rt::as<Number>(back->objectForKey("ratio"))->isFloatingPoint());
    EXPECT_EQ(rt::as<Number>(back->objectForKey("count"))->integerValue(), -42);
    EXPECT_DOUBLE_EQ(rt::as<Date>(back->objectForKey("when"))->timeIntervalSinceReferenceDate(), 123456789);
  }
  // Dates before the reference date survive too, and binary lists keep fractions of a second.
  auto precise = Array::create({Date::dateWithTimeIntervalSinceReferenceDate(-86400 * 365),
                                Date::dateWithTimeIntervalSinceReferenceDate(1234.25)});
  Ref<Data> data = PropertyListSerialization::dataWithPropertyList(precise, PropertyListBinaryFormat, 0, nullptr);
  auto back = rt::as<Array>(readBack(data));
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->isEqual(precise.get())) << back->description();
}

TEST(PropertyListSerialization, FormatsAreTheRealOnes) {
  Ref<Data> xml = PropertyListSerialization::dataWithPropertyList(sample(), PropertyListXMLFormat, 0, nullptr);
  Ref<Data> binary = PropertyListSerialization::dataWithPropertyList(sample(), PropertyListBinaryFormat, 0, nullptr);
  ASSERT_TRUE(xml && binary);
  EXPECT_TRUE(xml->view().starts_with("<?xml"));
  EXPECT_NE(xml->view().find("<plist version=\"1.0\">"), std::string_view::npos);
  EXPECT_TRUE(binary->view().starts_with("bplist00"));
}

TEST(PropertyListSerialization, ReadsHandWrittenXML) {
  const char* text = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<array>
  <dict><key>title</key><string>首页</string><key>id</key><integer>7</integer></dict>
  <real>2.5</real>
  <true/>
  <date>2001-01-02T00:00:00Z</date>
  <data>aGVsbG8=</data>
</array>
</plist>)";
  auto list = rt::as<Array>(readBack(Data::create(std::string_view(text))));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->count(), 5u);
  auto item = rt::as<Dictionary>(list->objectAtIndex(0));
  EXPECT_EQ(item->objectForKey("title")->description(), String("首页"));
  EXPECT_EQ(rt::as<Number>(item->objectForKey("id"))->integerValue(), 7);
  EXPECT_DOUBLE_EQ(rt::as<Number>(list->objectAtIndex(1))->doubleValue(), 2.5);
  EXPECT_TRUE(rt::as<Number>(list->objectAtIndex(2))->isBool());
  EXPECT_DOUBLE_EQ(rt::as<Date>(list->objectAtIndex(3))->timeIntervalSinceReferenceDate(), 86400);
  EXPECT_EQ(rt::as<Data>(list->objectAtIndex(4))->view(), "hello");
}

TEST(PropertyListSerialization, MutabilityOptions) {
  Ref<Data> data = PropertyListSerialization::dataWithPropertyList(sample(), PropertyListBinaryFormat, 0, nullptr);
  struct Case {
    uint32_t options;
    bool containers, leaves;
  };
  const Case cases[] = {{PropertyListImmutable, false, false},
                        {PropertyListMutableContainers, true, false},
                        {PropertyListMutableContainersAndLeaves, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    auto root = rt::as<Dictionary>(readBack(data, c.options));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->isKindOfClass(MutableDictionary::classObject()), c.containers);
    EXPECT_EQ(root->objectForKey("list")->isKindOfClass(MutableArray::classObject()), c.containers);
    EXPECT_EQ(root->objectForKey("name")->isKindOfClass(MutableStringObject::classObject()), c.leaves);
    EXPECT_EQ(root->objectForKey("blob")->isKindOfClass(MutableData::classObject()), c.leaves);
  }
}

TEST(PropertyListSerialization, InvalidObjectsAreWriteErrors) {
  struct Case {
    const char* name;
    Id value;
    const char* why;
  };
  const Case cases[] = {
      {"null object", Array::create({Null::null()}), "'NSNull'"},
      {"url", Dictionary::withStrings({{"u", URL::URLWithString("http://a/")}}), "'NSURL'"},
      {"number key", Dictionary::create({{Number::numberWithInt(1), box(String("x"))}}), "non-string key"},
      {"wide unsigned", Array::create({Number::numberWithUnsignedLongLong(~0ull)}), "unsigned"},
      {"far date", Array::create({Date::distantFuture()}), "date out of range"},
      {"nil", nullptr, "'nil'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (PropertyListFormat format : {PropertyListXMLFormat, PropertyListBinaryFormat}) {
      Ref<Error> error;
      EXPECT_FALSE(PropertyListSerialization::dataWithPropertyList(c.value, format, 0, &error));
      ASSERT_TRUE(error);
      EXPECT_EQ(error->domain(), String(NSCocoaErrorDomain));
      EXPECT_EQ(error->code(), PropertyListWriteInvalidError);
      auto debug = stringValue(error->userInfo()->objectForKey(String(NSDebugDescriptionErrorKey)));
      EXPECT_TRUE(debug && debug->contains(String(c.why))) << (debug ? debug->utf8() : "");
      EXPECT_FALSE(PropertyListSerialization::propertyListIsValid(c.value, format));
    }
  }
  EXPECT_TRUE(PropertyListSerialization::propertyListIsValid(sample(), PropertyListXMLFormat));
  EXPECT_FALSE(PropertyListSerialization::propertyListIsValid(sample(), PropertyListOpenStepFormat));
  EXPECT_FALSE(PropertyListSerialization::dataWithPropertyList(sample(), PropertyListOpenStepFormat, 0, nullptr));
}

TEST(PropertyListSerialization, MalformedDataIsAReadError) {
  Ref<Data> binary = PropertyListSerialization::dataWithPropertyList(sample(), PropertyListBinaryFormat, 0, nullptr);
  Ref<Data> xml = PropertyListSerialization::dataWithPropertyList(sample(), PropertyListXMLFormat, 0, nullptr);
  std::vector<Ref<Data>> bad = {nullptr, Data::create(), Data::create(std::string_view("not a plist")),
                                Data::create(std::string_view("<plist><dict><key>a</key></plist>"))};
  for (size_t cut : {9, 20, 60, 120}) bad.push_back(binary->subdataWithRange(Range{0, cut}));
  for (size_t cut : {40, 200, 400}) bad.push_back(xml->subdataWithRange(Range{0, cut}));
  for (size_t i = 0; i < bad.size(); ++i) {
    SCOPED_TRACE(i);
    Ref<Error> error;
    EXPECT_FALSE(PropertyListSerialization::propertyListWithData(bad[i], 0, nullptr, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), String(NSCocoaErrorDomain));
    EXPECT_EQ(error->code(), PropertyListReadCorruptError);
  }
}

// Inputs the fuzzers found; each once crashed or hung the reader.
TEST(PropertyListSerialization, FuzzedInputsAreReadErrors) {
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"binary dictionary whose key is a number",
       std::string(
      "\x62\x70\x6c\x69\x73\x74\x30\x30\xd2\x01\x06\x02\x07\x69\x00\x00\x00\x04\x05\x10\x5b\x22\x00\x00"
      "\x00\x00\x00\x00\x00\x4c\x62\x79\x74\x65\x73\x08\x0d\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xfe"
      "\x0e\x00\x00\x00\x08\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x08\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x00\x00\x23",
           104)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Ref<Error> error;
    EXPECT_FALSE(PropertyListSerialization::propertyListWithData(Data::create(std::string_view(c.bytes)),
                                                                 PropertyListMutableContainers, nullptr, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), PropertyListReadCorruptError);
  }
}

TEST(PropertyListSerialization, FilesHoldDictionariesOrArrays) {
  TempDir dir;
  Ref<Data> dict = PropertyListSerialization::dataWithPropertyList(sample(), PropertyListXMLFormat, 0, nullptr);
  Ref<Data> list = PropertyListSerialization::dataWithPropertyList(Array::create({box(String("x"))}),
                                                                   PropertyListBinaryFormat, 0, nullptr);
  std::string dictPath = dir.file("d.plist", dict->view());
  std::string listPath = dir.file("a.plist", list->view());
  std::string junkPath = dir.file("junk.plist", "junk");
  auto d = dictionaryWithContentsOfFile(String(dictPath));
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->isEqual(sample().get()));
  auto a = arrayWithContentsOfFile(String(listPath));
  ASSERT_TRUE(a);
  EXPECT_EQ(a->count(), 1u);
  EXPECT_FALSE(dictionaryWithContentsOfFile(String(listPath)));
  EXPECT_FALSE(arrayWithContentsOfFile(String(dictPath)));
  EXPECT_FALSE(dictionaryWithContentsOfFile(String(junkPath)));
  EXPECT_FALSE(dictionaryWithContentsOfFile(String(dictPath + ".missing")));
}

}  // namespace fd
