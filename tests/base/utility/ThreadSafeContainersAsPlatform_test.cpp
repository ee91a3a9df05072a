// The thread-safe containers held as the platform's plain containers: every operation still
// takes the lock, whatever type the caller holds them as.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "base/foundation/Array+DUDer.h"
#include "base/foundation/MutableArray+DUDer.h"
#include "base/utility/DRThreadSafeArray.h"
#include "base/utility/DRThreadSafeDictionary.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Number.h"
#include "platform/runtime/Exception.h"

namespace base {
namespace {

rt::Id num(int i) { return fd::Number::numberWithInt(i); }
rt::Id str(const std::string& s) { return fd::StringObject::create(String(s)); }

// Runs `write` on one thread and `other` on another, both `rounds` times, starting together.
void together(int rounds, const std::function<void(int)>& write, const std::function<void(int)>& other) {
  std::atomic<int> ready{0};
  auto run = [&](const std::function<void(int)>& f) {
    return std::thread([&, f] {
      ++ready;
      while (ready.load() < 2) std::this_thread::yield();
      for (int i = 0; i < rounds; ++i) f(i);
    });
  };
  std::thread a = run(write), b = run(other);
  a.join();
  b.join();
}

TEST(ThreadSafeArrayAsPlatformArray, TwoThreadsAddingThroughTheMutableArrayTypeKeepEveryObject) {
  auto safe = DRThreadSafeArray::create();
  fd::MutableArray& plain = *safe;
  together(10000, [&](int i) { plain.addObject(num(i)); }, [&](int i) { plain.addObject(num(-i)); });
  EXPECT_EQ(plain.count(), 20000u);
  EXPECT_EQ(safe->count(), 20000u);
}

// Each row: a reader called on the array held as a plain array while another thread changes it.
struct Reader {
  const char* name;
  std::function<void(const fd::Array&)> read;
};

TEST(ThreadSafeArrayAsPlatformArray, ReadersThroughThePlainTypeRaceNoWriter) {
  const std::vector<Reader> readers = {
      {"reversed", [](const fd::Array& a) { EXPECT_LE(a.reversed()->count(), 64u); }},
      {"objects", [](const fd::Array& a) { EXPECT_LE(a.objects().size(), 64u); }},
      {"iteration",
       [](const fd::Array& a) {
         size_t n = 0;
         for (const rt::Id& o : a) n += o ? 1 : 0;
         EXPECT_LE(n, 64u);
       }},
      {"lastObject", [](const fd::Array& a) { (void)a.lastObject(); }},
      {"sortedArrayUsingCompare", [](const fd::Array& a) { EXPECT_LE(a.sortedArrayUsingCompare()->count(), 64u); }},
      {"componentsJoinedByString", [](const fd::Array& a) { (void)a.componentsJoinedByString(","); }},
      {"valueForKey", [](const fd::Array& a) { (void)a.valueForKey("@sum.self"); }},
      {"mutableCopy", [](const fd::Array& a) { (void)a.mutableCopy(); }},
      {"randomObject", [](const fd::Array& a) { (void)base::randomObject(a); }},
  };
  for (const auto& reader : readers) {
    SCOPED_TRACE(reader.name);
    auto safe = DRThreadSafeArray::create();
    fd::MutableArray& plain = *safe;
    // Every reader also describes a plain array that holds the thread-safe one.
    auto holder = fd::Array::create({safe});
    together(
        3000,
        [&](int i) {
          plain.addObject(num(i));
          if (plain.count() > 32) plain.removeObjectsInRange({0, 16});
          if (i % 5 == 0) base::reverse(plain);
        },
        [&](int i) {
          reader.read(plain);
          if (i % 8 == 0) (void)holder->description();
        });
    EXPECT_LE(safe->count(), 64u);
  }
}

TEST(ThreadSafeArrayAsPlatformArray, QueueAdditionsThroughThePlainTypeAreEachOneOperation) {
  auto safe = DRThreadSafeArray::create();
  fd::MutableArray& plain = *safe;
  for (int i = 0; i < 20000; ++i) plain.addObject(num(i));
  std::atomic<int> popped{0};
  together(
      10000, [&](int) { popped += base::popFirstObject(plain) ? 1 : 0; },
      [&](int) { popped += base::popLastObject(plain) ? 1 : 0; });
  EXPECT_EQ(popped.load(), 20000);
  EXPECT_EQ(plain.count(), 0u);
}

TEST(ThreadSafeArrayAsPlatformArray, ItsStorageIsNotHandedOut) {
  auto safe = DRThreadSafeArray::create({num(1)});
  fd::MutableArray& plain = *safe;
  EXPECT_THROW(plain.storage(), rt::Exception);
  EXPECT_EQ(fd::MutableArray::create()->storage().size(), 0u);
}

TEST(ThreadSafeDictionaryAsPlatformDictionary, TwoThreadsSettingThroughTheMutableDictionaryTypeKeepEveryEntry) {
  auto safe = DRThreadSafeDictionary::create();
  fd::MutableDictionary& plain = *safe;
  together(
      5000, [&](int i) { plain.setObjectForKey(num(i), num(i)); },
      [&](int i) { plain.setObjectForKey(num(i), str("k" + std::to_string(i))); });
  EXPECT_EQ(plain.count(), 10000u);
  EXPECT_TRUE(plain.objectForKey(num(4999))->isEqual(num(4999)));
  EXPECT_TRUE(plain.objectForKey("k4999")->isEqual(num(4999)));
}

TEST(ThreadSafeDictionaryAsPlatformDictionary, ReadersThroughThePlainTypeRaceNoWriter) {
  auto safe = DRThreadSafeDictionary::create();
  fd::MutableDictionary& plain = *safe;
  auto holder = fd::Dictionary::withStrings({{"inner", safe}});
  together(
      3000,
      [&](int i) {
        plain.setObjectForKey(num(i), num(i % 40));
        if (i % 7 == 0) plain.removeObjectForKey(num(i % 40));
      },
      [&](int i) {
        size_t keys = 0;
        for (const rt::Id& k : plain.keys()) keys += k ? 1 : 0;
        EXPECT_LE(keys, 40u);
        EXPECT_LE(plain.allValues()->count(), 40u);
        (void)plain.objectForKey(num(i % 40));
        (void)plain.keysSortedByValueUsingComparator(fd::Array::naturalOrder);
        if (i % 8 == 0) (void)holder->description();
        if (i % 8 == 4) (void)fd::MutableDictionary::create()->isEqual(&plain);
      });
  EXPECT_LE(plain.count(), 40u);
}

fd::Ordering descendingBy(const rt::Id& a, const rt::Id& b, void* context) {
  ++*static_cast<int*>(context);
  return fd::Array::naturalOrder(b, a);
}

TEST(DRThreadSafeArray, FunctionSortsHintsAndLocaleDescriptions) {
  auto safe = DRThreadSafeArray::create({num(2), fd::Number::numberWithDouble(1.5), num(3)});
  int calls = 0;
  auto sorted = safe->sortedArrayUsingFunction(descendingBy, &calls);
  EXPECT_EQ(sorted->componentsJoinedByString(" ").utf8(), "3 2 1.5");
  EXPECT_GT(calls, 0);
  // A hint from another order only ever speeds the sort up.
  auto hint = safe->sortedArrayHint();
  ASSERT_TRUE(hint);
  safe->sortUsingFunction(descendingBy, &calls);
  EXPECT_EQ(safe->sortedArrayUsingFunction(descendingBy, &calls, hint)->componentsJoinedByString(" ").utf8(),
            "3 2 1.5");
  EXPECT_EQ(safe->componentsJoinedByString(" ").utf8(), "3 2 1.5");

  auto german = fd::Locale::localeWithLocaleIdentifier("de_DE");
  EXPECT_EQ(safe->descriptionWithLocale(german).utf8(), "(\n    3,\n    2,\n    \"1,5\"\n)");
  EXPECT_EQ(safe->descriptionWithLocale(nullptr), safe->description());
  auto dict = DRThreadSafeDictionary::create();
  dict->setObjectForKey(fd::Number::numberWithDouble(0.25), str("q"));
  EXPECT_EQ(dict->descriptionWithLocale(german, 1).utf8(), "    {\n        q = \"0,25\";\n    }");
}

TEST(DRThreadSafeArray, ReadsAFileURLAndGivesNullForOtherURLs) {
  auto dir = std::filesystem::temp_directory_path() / ("ts_array_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto path = dir / "list.plist";
  std::ofstream(path) << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><array><string>a</string><integer>7</integer></array></plist>)";
  auto read = DRThreadSafeArray::arrayWithContentsOfURL(fd::URL::fileURLWithPath(String(path.string())));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->componentsJoinedByString(",").utf8(), "a,7");
  EXPECT_FALSE(DRThreadSafeArray::arrayWithContentsOfURL(fd::URL::fileURLWithPath(String((dir / "none").string()))));
  EXPECT_FALSE(DRThreadSafeArray::arrayWithContentsOfURL(fd::URL::URLWithString("http://127.0.0.1:1/list.plist")));
  EXPECT_FALSE(DRThreadSafeArray::arrayWithContentsOfURL(nullptr));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace base
