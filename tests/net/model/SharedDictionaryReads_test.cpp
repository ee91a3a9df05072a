// A thread-safe dictionary written as JSON, as a property list and into a model while another
// thread adds and removes its keys: every output is one state of the dictionary, never the
// keys of one moment paired with the values of another.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "base/utility/DRThreadSafeDictionary.h"
#include "net/model/NSObject+DRModel.h"
#include "platform/foundation/Foundation.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"

namespace drtest {

// One property per key of the shared dictionary, so that the mapping walks the dictionary's
// entries rather than looking its own keys up.
class DRTSharedRecord : public rt::Object {
  RT_CLASS(DRTSharedRecord, rt::Object)
 public:
  int64_t k0 = 0, k1 = 0, k2 = 0, k3 = 0, k4 = 0, k5 = 0, k6 = 0, k7 = 0;
};

RT_IMPLEMENT(DRTSharedRecord) {
  c.property("k0", &DRTSharedRecord::k0);
  c.property("k1", &DRTSharedRecord::k1);
  c.property("k2", &DRTSharedRecord::k2);
  c.property("k3", &DRTSharedRecord::k3);
  c.property("k4", &DRTSharedRecord::k4);
  c.property("k5", &DRTSharedRecord::k5);
  c.property("k6", &DRTSharedRecord::k6);
  c.property("k7", &DRTSharedRecord::k7);
}

}  // namespace drtest

namespace net {
namespace {

using drtest::DRTSharedRecord;

constexpr int kKeys = 8;

fd::String keyName(int j) { return fd::String("k" + std::to_string(j)); }
int64_t valueOf(int j) { return 100 + j; }

// What is wrong with `read` as a state of the shared dictionary, or nothing. The writer keeps
// every key "kj" at 100 + j and removes at most one at a time.
std::optional<std::string> problemWith(const rt::Id& read) {
  auto d = rt::as<fd::Dictionary>(read);
  if (!d) return "not a dictionary";
  if (d->count() + 1 < kKeys || d->count() > kKeys) return "count " + std::to_string(d->count());
  for (int j = 0; j < kKeys; ++j) {
    rt::Id v = d->objectForKey(keyName(j));
    auto n = rt::as<fd::Number>(v);
    if (v && (!n || n->longLongValue() != valueOf(j))) return keyName(j).utf8() + " = " + v->description().utf8();
  }
  return std::nullopt;
}

std::optional<std::string> problemWith(const DRTSharedRecord& r) {
  const int64_t fields[kKeys] = {r.k0, r.k1, r.k2, r.k3, r.k4, r.k5, r.k6, r.k7};
  for (int j = 0; j < kKeys; ++j)
    if (fields[j] != 0 && fields[j] != valueOf(j)) return keyName(j).utf8() + " = " + std::to_string(fields[j]);
  return std::nullopt;
}

TEST(SharedDictionaryReads, JSONPropertyListAndModelEachSeeOneStateWhileAnotherThreadChangesKeys) {
  auto shared = base::DRThreadSafeDictionary::create();
  for (int j = 0; j < kKeys; ++j) shared->setObjectForKey(fd::Number::numberWithLongLong(valueOf(j)), keyName(j));

  // Taking a key out and putting it back moves it to the end, so that the entries of any two
  // moments differ in order, and mostly in count too.
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int j = 0; !done.load(std::memory_order_relaxed); j = (j + 1) % kKeys) {
      shared->removeObjectForKey(keyName(j));
      shared->setObjectForKey(fd::Number::numberWithLongLong(valueOf(j)), keyName(j));
    }
  });

  // About a second: the race needs many rounds, but the suite shares two cores in CI.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(900);
  std::string first;
  int rounds = 0;
  auto note = [&](const char* what, const std::optional<std::string>& problem) {
    if (problem && first.empty()) first = std::string(what) + ": " + *problem;
  };
  while (first.empty() && std::chrono::steady_clock::now() < until) {
    ++rounds;
    if (!fd::JSONSerialization::isValidJSONObject(shared)) note("JSON validity", "judged invalid");
    Ref<fd::Error> error;
    auto json = fd::JSONSerialization::dataWithJSONObject(shared, 0, &error);
    note("JSON", json ? problemWith(fd::JSONSerialization::JSONObjectWithData(json, 0, nullptr))
                      : std::optional<std::string>(error ? error->description().utf8() : "no data"));
    auto plist = fd::PropertyListSerialization::dataWithPropertyList(shared, fd::PropertyListBinaryFormat, 0, &error);
    note("property list",
         plist ? problemWith(fd::PropertyListSerialization::propertyListWithData(plist, 0, nullptr, nullptr))
               : std::optional<std::string>(error ? error->description().utf8() : "no data"));
    auto record = rt::as<DRTSharedRecord>(modelWithDictionary(DRTSharedRecord::classObject(), shared));
    note("model", record ? problemWith(*record) : std::optional<std::string>("no model"));
  }
  done = true;
  writer.join();

  EXPECT_EQ(first, "") << "after " << rounds << " rounds";
  EXPECT_GT(rounds, 10);
}

}  // namespace
}  // namespace net
