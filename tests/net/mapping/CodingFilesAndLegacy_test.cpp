// Archiving through the mapping, property-list files and bundle resources, and the older
// operation names with their error places.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "net/mapping/NSObject+KMKeyValueDeprecatedLegacy.h"
#include "net/mapping/NSObject+KMPropertyDeprecatedLegacy.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "tests/net/mapping/MappingModels.h"

// A namespace of its own: test programs compile several files as one.
namespace coding_files_and_legacy_test {

using namespace net;
using fd::String;
using kmtest::TMArchived;
using kmtest::TMUser;

namespace {

rt::Id json(std::string_view text) { return fd::JSONSerialization::JSONObjectWithBytes(text, 0, nullptr); }

/// A folder of its own under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    path_ = std::filesystem::temp_directory_path() / ("kmtest-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  String write(const std::string& name, const rt::Id& plist) {
    auto data = fd::PropertyListSerialization::dataWithPropertyList(plist, fd::PropertyListXMLFormat, 0, nullptr);
    std::ofstream(path_ / name, std::ios::binary).write(reinterpret_cast<const char*>(data->bytes()),
                                                        static_cast<std::streamsize>(data->length()));
    return String((path_ / name).string());
  }
  String path() const { return String(path_.string()); }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path path_;
};

String domainOf(const Ref<fd::Error>& e) { return e ? e->domain() : String("(none)"); }

}  // namespace

TEST(KMCoding, ArchivesAndRestoresProperties) {
  auto a = rt::make<TMArchived>();
  a->title = "kept";
  a->count = 42;
  a->flag = true;
  a->ratio = 0.25;
  a->items = fd::Array::create({fd::box(String("x")), fd::Number::numberWithInt(2)});
  a->skipped = "not archived";
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(a);
  ASSERT_TRUE(data);
  auto back = rt::as<TMArchived>(fd::KeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->title, "kept");
  EXPECT_EQ(back->count, 42);
  EXPECT_TRUE(back->flag);
  EXPECT_EQ(back->ratio, 0.25);
  ASSERT_TRUE(back->items);
  EXPECT_TRUE(back->items->isEqual(a->items));
  EXPECT_TRUE(back->skipped.isEmpty());
}

TEST(KMCoding, ReadsUnderscoredNamesAndSkipsWhatCannotBeSet) {
  auto archiver = rt::make<fd::KeyedArchiver>();
  archiver->encodeObject(fd::box(String("underscored")), "_title");
  archiver->encodeObject(fd::Number::numberWithInt(5), "title");  // the plain name comes first
  archiver->encodeObject(fd::box(String("old")), "_count");
  archiver->encodeObject(fd::box(String("from archive")), "skipped");
  auto unarchiver = rt::make<fd::KeyedUnarchiver>(archiver->encodedData());
  ASSERT_TRUE(unarchiver);
  auto target = rt::make<TMArchived>();
  target->count = 7;
  km_decode(*target, *unarchiver);
  EXPECT_TRUE(target->title.isEmpty());  // a number cannot become text: skipped
  EXPECT_EQ(target->count, 7);           // text cannot become an integer
  EXPECT_TRUE(target->skipped.isEmpty());
  EXPECT_EQ(km_error(TMArchived::classObject())->code(), 250);

  auto second = rt::make<fd::KeyedArchiver>();
  second->encodeObject(fd::box(String("underscored")), "_title");
  auto reader = rt::make<fd::KeyedUnarchiver>(second->encodedData());
  km_decode(*target, *reader);
  EXPECT_EQ(target->title, "underscored");
}

TEST(KMFiles, ObjectsFromPropertyListFilesAndResources) {
  TempFolder folder;
  String userFile = folder.write("user.plist", json(R"({"name":"Ada","age":36})"));
  String listFile = folder.write("users", json(R"([{"name":"a"},{"name":"b"}])"));

  auto u = rt::as<TMUser>(km_objectWithFile(TMUser::classObject(), userFile));
  ASSERT_TRUE(u);
  EXPECT_EQ(u->age, 36);
  auto list = km_objectArrayWithFile(TMUser::classObject(), listFile);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->count(), 2u);
  // A file holding the wrong kind, or none at all.
  EXPECT_EQ(km_objectWithFile(TMUser::classObject(), listFile), nullptr);
  EXPECT_EQ(domainOf(km_error(TMUser::classObject())), "keyValues参数不是一个字典");
  EXPECT_EQ(km_objectArrayWithFile(TMUser::classObject(), folder.path() + "/missing"), nullptr);
  EXPECT_EQ(domainOf(km_error(TMUser::classObject())), "keyValuesArray参数不是一个数组");

  fd::Bundle::setMainBundle(fd::Bundle::bundleWithPath(folder.path()));
  auto fromResource = rt::as<TMUser>(km_objectWithFilename(TMUser::classObject(), String("user.plist")));
  auto listFromResource = km_objectArrayWithFilename(TMUser::classObject(), String("users"));
  auto missing = km_objectWithFilename(TMUser::classObject(), String("nothing.plist"));
  String missingDomain = domainOf(km_error(TMUser::classObject()));
  fd::Bundle::setMainBundle(nullptr);
  ASSERT_TRUE(fromResource);
  EXPECT_EQ(fromResource->name, "Ada");
  ASSERT_TRUE(listFromResource);
  EXPECT_EQ(listFromResource->count(), 2u);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(missingDomain, "file参数为nil");

  struct Case {
    std::function<bool()> call;
    const char* domain;
  };
  const Case errors[] = {
      {[] { return !km_objectWithFilename(TMUser::classObject(), std::nullopt); }, "filename参数为nil"},
      {[] { return !km_objectArrayWithFilename(TMUser::classObject(), std::nullopt); }, "filename参数为nil"},
      {[] { return !km_objectWithFile(TMUser::classObject(), std::nullopt); }, "file参数为nil"},
      {[] { return !km_objectArrayWithFile(TMUser::classObject(), std::nullopt); }, "file参数为nil"},
  };
  for (const Case& c : errors) {
    EXPECT_TRUE(c.call());
    EXPECT_EQ(domainOf(km_error(TMUser::classObject())), c.domain);
  }
}

TEST(OlderNames, ErrorPlacesGetTheLastError) {
  auto u = rt::make<TMUser>();
  u->name = "kept";
  Ref<fd::Error> error;
  EXPECT_EQ(&setKeyValues(*u, fd::box(String("not json")), &error), u.get());
  EXPECT_EQ(u->name, "kept");
  EXPECT_EQ(domainOf(error), "keyValues参数不是一个字典");

  auto made = rt::as<TMUser>(objectWithKeyValues(TMUser::classObject(), json(R"({"name":"n"})"), &error));
  ASSERT_TRUE(made);
  EXPECT_EQ(error, nullptr);
  EXPECT_EQ(domainOf([&] {
              keyValues(*fd::box(String("platform")), &error);
              return error;
            }()),
            "不是自定义的模型类");
  EXPECT_EQ(keyValuesArrayWithObjectArray(TMUser::classObject(), json(R"({"a":1})"), &error), nullptr);
  EXPECT_EQ(domainOf(error), "objectArray参数不是一个数组");
  EXPECT_EQ(objectArrayWithKeyValuesArray(TMUser::classObject(), json(R"({"a":1})"), &error), nullptr);
  EXPECT_EQ(domainOf(error), "keyValuesArray参数不是一个数组");
  EXPECT_EQ(objectWithFile(TMUser::classObject(), std::nullopt, &error), nullptr);
  EXPECT_EQ(domainOf(error), "file参数为nil");

  // Without a place the forms still work and write nothing.
  EXPECT_EQ(objectWithKeyValues(TMUser::classObject(), fd::box(String("[]")), static_cast<Ref<fd::Error>*>(nullptr)), nullptr);
  EXPECT_EQ(domainOf(km_error(TMUser::classObject())), "keyValues参数不是一个字典");
}

TEST(OlderNames, SameResultsAsCurrentOnes) {
  auto u = rt::as<TMUser>(objectWithKeyValues(TMUser::classObject(), json(R"({"name":"Ada","age":"36"})")));
  ASSERT_TRUE(u);
  EXPECT_EQ(u->age, 36);
  EXPECT_TRUE(keyValues(*u)->isEqual(km_keyValues(*u)));
  EXPECT_EQ(JSONString(*u), km_JSONString(*u));
  EXPECT_TRUE(JSONData(*u)->isEqual(km_JSONData(*u)));
  EXPECT_TRUE(JSONObject(*u)->isEqual(km_JSONObject(*u)));
  std::vector<std::string> seen;
  enumerateProperties(kmtest::TMChapter::classObject(), [&](const Ref<KMProperty>& p, bool&) { seen.push_back(p->name().utf8()); });
  EXPECT_EQ(seen, (std::vector<std::string>{"title", "pages"}));
}

}  // namespace coding_files_and_legacy_test
