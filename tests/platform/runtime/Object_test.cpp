#include <gtest/gtest.h>

#include "platform/runtime/Class.h"
#include "platform/runtime/Exception.h"
#include "tests/platform/runtime/RuntimeFixtures.h"

using namespace rttest;

namespace {

class Recorder : public rt::Object {
  RT_CLASS(Recorder, rt::Object)
 public:
  struct Entry {
    std::string key;
    rt::Id oldValue, newValue;
    bool prior;
    void* context;
  };
  std::vector<Entry> entries;
  void observeValueForKeyPath(const rt::String& keyPath, rt::Object*, const rt::KeyValueChange& change,
                              void* context) override {
    entries.push_back({keyPath.utf8(), change.oldValue, change.newValue, change.isPrior, context});
  }
};
RT_IMPLEMENT(Recorder) {}

}  // namespace

TEST(Object, AssociatedObjectPolicies) {
  static const char retainKey = 0, weakKey = 0, assignKey = 0;
  auto owner = rt::make<Widget>();
  rt::Weak<rt::Object> watched;
  {
    auto retained = rt::make<rt::Object>();
    auto weakOne = rt::make<rt::Object>();
    watched = retained;
    owner->setAssociatedObject(&retainKey, retained, rt::AssociationPolicy::RetainNonatomic);
    owner->setAssociatedObject(&weakKey, weakOne, rt::AssociationPolicy::Weak);
    owner->setAssociatedObject(&assignKey, weakOne, rt::AssociationPolicy::Assign);
    EXPECT_EQ(owner->associatedObject(&weakKey), weakOne);
  }
  EXPECT_FALSE(watched.expired()) << "retained by the association";
  EXPECT_EQ(owner->associatedObject(&weakKey), nullptr) << "weak associations read as null once gone";
  EXPECT_EQ(owner->associatedObject(&assignKey), nullptr) << "assign never hands out a dangling object";
  // A later set replaces the earlier value; setting null removes it.
  auto replacement = rt::make<rt::Object>();
  owner->setAssociatedObject(&retainKey, replacement, rt::AssociationPolicy::Retain);
  EXPECT_TRUE(watched.expired());
  owner->setAssociatedObject(&retainKey, nullptr, rt::AssociationPolicy::Retain);
  EXPECT_EQ(owner->associatedObject(&retainKey), nullptr);
  // Copy policy copies, and refuses objects that cannot copy.
  EXPECT_THROW(owner->setAssociatedObject(&retainKey, rt::make<Widget>(), rt::AssociationPolicy::CopyNonatomic),
               rt::Exception);
  // Released with the owner.
  auto held = rt::make<rt::Object>();
  watched = held;
  owner->setAssociatedObject(&retainKey, held, rt::AssociationPolicy::Retain);
  held.reset();
  EXPECT_FALSE(watched.expired());
  owner.reset();
  EXPECT_TRUE(watched.expired());
}

TEST(Object, KeyValueCodingOfObjectProperties) {
  auto w = rt::make<Widget>();
  auto payload = rt::make<rt::Object>();
  w->setValueForKey(payload, "payload");
  EXPECT_EQ(w->payload, payload);
  EXPECT_EQ(w->valueForKey("payload"), payload);
  auto child = rt::make<Widget>();
  child->payload = payload;
  w->setValueForKey(child, "child");
  EXPECT_EQ(w->valueForKeyPath("child.payload"), payload);
  w->setValueForKeyPath(nullptr, "child.payload");
  EXPECT_EQ(child->payload, nullptr);
  // A typed object property refuses an object of another class.
  EXPECT_THROW(w->setValueForKey(payload, "child"), rt::Exception);
  // Unknown keys raise with the platform's reason.
  for (const char* key : {"nothing", "attach"}) {
    try {
      w->setValueForKey(payload, key);
      FAIL() << key;
    } catch (const rt::Exception& e) {
      EXPECT_EQ(e.name(), "NSUnknownKeyException");
      EXPECT_NE(e.reason().utf8().find("not key value coding-compliant for the key " + std::string(key)), std::string::npos)
          << e.reason();
    }
  }
  EXPECT_THROW(w->valueForKey("nothing"), rt::Exception);
  // Read-only properties cannot be set by key.
  EXPECT_THROW(w->setValueForKey(payload, "doubled"), rt::Exception);
}

TEST(Object, ObservingAutomaticManualPriorAndDependent) {
  auto g = rt::make<Gadget>();
  auto rec = rt::make<Recorder>();
  int ctx = 0;
  g->addObserver(rec.get(), "payload", rt::KeyValueObservingOptionNew | rt::KeyValueObservingOptionOld |
                                           rt::KeyValueObservingOptionPrior, &ctx);
  auto first = rt::make<rt::Object>();
  g->setValueForKey(first, "payload");
  ASSERT_EQ(rec->entries.size(), 2u);
  EXPECT_TRUE(rec->entries[0].prior);
  EXPECT_FALSE(rec->entries[1].prior);
  EXPECT_EQ(rec->entries[1].newValue, first);
  EXPECT_EQ(rec->entries[1].context, &ctx);
  // Typed setters notify through setAndNotify.
  auto second = rt::make<rt::Object>();
  g->setAndNotify("payload", g->payload, second);
  ASSERT_EQ(rec->entries.size(), 4u);
  EXPECT_EQ(rec->entries[3].oldValue, first);
  EXPECT_EQ(rec->entries[3].newValue, second);

  // Manual keys notify only on explicit will/did; a did without a will reports nothing.
  g->addObserver(rec.get(), "manual", rt::KeyValueObservingOptionNew);
  rec->entries.clear();
  g->setValueForKey(first, "manual");
  EXPECT_TRUE(rec->entries.empty());
  g->didChangeValueForKey("manual");
  EXPECT_TRUE(rec->entries.empty());
  g->willChangeValueForKey("manual");
  g->manual = second;
  g->didChangeValueForKey("manual");
  ASSERT_EQ(rec->entries.size(), 1u);
  EXPECT_EQ(rec->entries[0].newValue, second);

  // Dependent keys: "summary" changes whenever "count" does.
  g->addObserver(rec.get(), "summary", rt::KeyValueObservingOptionNew);
  rec->entries.clear();
  g->willChangeValueForKey("count");
  g->count = 3;
  g->didChangeValueForKey("count");
  ASSERT_EQ(rec->entries.size(), 1u);
  EXPECT_EQ(rec->entries[0].key, "summary");

  // Removal stops delivery; a gone observer is skipped, never called.
  g->removeObserver(rec.get(), "payload", &ctx);
  g->removeObserver(rec.get(), "manual");
  rec->entries.clear();
  g->setValueForKey(first, "payload");
  EXPECT_TRUE(rec->entries.empty());
  rec.reset();
  g->willChangeValueForKey("count");
  g->didChangeValueForKey("count");
}

TEST(Object, BlockObservationAndInitial) {
  auto w = rt::make<Widget>();
  auto value = rt::make<rt::Object>();
  w->payload = value;
  std::vector<rt::Id> seen;
  uint64_t token = w->observe("payload", rt::KeyValueObservingOptionNew | rt::KeyValueObservingOptionInitial,
                              [&](rt::Object* o, const rt::KeyValueChange& c) {
                                EXPECT_EQ(o, w.get());
                                seen.push_back(c.newValue);
                              });
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], value);
  w->setValueForKey(nullptr, "payload");
  ASSERT_EQ(seen.size(), 2u);
  w->removeObservation(token);
  w->setValueForKey(value, "payload");
  EXPECT_EQ(seen.size(), 2u);
}

TEST(Object, UnhandledObservationRaises) {
  auto w = rt::make<Widget>();
  auto plain = rt::make<Widget>();
  w->addObserver(plain.get(), "payload", rt::KeyValueObservingOptionNew);
  EXPECT_THROW(w->setValueForKey(plain, "payload"), rt::Exception);
}
