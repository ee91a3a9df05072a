#include <gtest/gtest.h>

#include <atomic>

#include "base/foundation/Object+DUDer.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"

namespace dutest {

// A class with registered methods of several shapes and an observable property.
class Calculator : public rt::Object {
  RT_CLASS(Calculator, rt::Object)
 public:
  void init() {}
  float mix(int64_t i, double d, float f, rt::Range r) {
    seen = {double(i), d, double(f), double(r.location), double(r.length)};
    return f * 2;
  }
  rt::Range span() { return {3, 4}; }
  void ping() { ++pings; }
  int64_t answer() { return 42; }
  rt::String greet() { return "base"; }
  rt::String shout() { return "LOUD"; }
  static int64_t version() { return 1; }
  static int64_t build() { return 2; }

  std::vector<double> seen;
  std::atomic<int> pings{0};
  Ref<fd::StringObject> title;
  Ref<fd::Array> items;
};

class LoudCalculator : public Calculator {
  RT_CLASS(LoudCalculator, Calculator)
};

RT_IMPLEMENT(Calculator) {
  c.method("mix:d:f:r:", &Calculator::mix);
  c.method("span", &Calculator::span);
  c.method("ping", &Calculator::ping);
  c.method("answer", &Calculator::answer);
  c.method("greet", &Calculator::greet);
  c.method("shout", &Calculator::shout);
  c.classMethod("version", &Calculator::version);
  c.classMethod("build", &Calculator::build);
  c.property("title", &Calculator::title);
  c.property("items", &Calculator::items);
}
RT_IMPLEMENT(LoudCalculator) {}

// An archiver and an unarchiver of an application's own: each counts what passes through it.
std::atomic<int> archivedObjects{0}, unarchivedRoots{0};

class CountingArchiver : public fd::KeyedArchiver {
  RT_CLASS(CountingArchiver, fd::KeyedArchiver)
 public:
  void encodeObject(const rt::Id& object, const rt::String& key) override {
    ++archivedObjects;
    fd::KeyedArchiver::encodeObject(object, key);
  }
};
RT_IMPLEMENT(CountingArchiver) {}

class CountingUnarchiver : public fd::KeyedUnarchiver {
  RT_CLASS(CountingUnarchiver, fd::KeyedUnarchiver)
 public:
  using fd::KeyedUnarchiver::init;
  rt::Id decodeObjectForKey(const rt::String& key) override {
    if (key == "root") ++unarchivedRoots;
    return fd::KeyedUnarchiver::decodeObjectForKey(key);
  }
};
RT_IMPLEMENT(CountingUnarchiver) {}

}  // namespace dutest

namespace base {
namespace {

using dutest::Calculator;

TEST(ObjectAdditions, PerformWithArgumentsDeliversValuesAndBoxesResults) {
  auto calc = rt::make<Calculator>();
  auto result = performSelectorWithArgs(calc, rt::sel("mix:d:f:r:"),
                                        {rt::Value::of<int64_t>(7), rt::Value::of(2.5), rt::Value::of(1.25f),
                                         rt::Value::of(rt::Range{5, 6})});
  EXPECT_EQ(calc->seen, (std::vector<double>{7, 2.5, 1.25, 5, 6}));
  auto number = rt::as<fd::Number>(result);
  ASSERT_NE(number, nullptr);
  EXPECT_FLOAT_EQ(number->floatValue(), 2.5f);
  auto span = rt::as<fd::ValueBox>(performSelectorWithArgs(calc, rt::sel("span"), {}));
  ASSERT_NE(span, nullptr);
  rt::Range r{};
  ASSERT_TRUE(span->getValue(&r, sizeof r));
  EXPECT_EQ(r.location, 3u);
  EXPECT_EQ(r.length, 4u);
  EXPECT_EQ(performSelectorWithArgs(calc, rt::sel("ping"), {}), nullptr);
  EXPECT_EQ(calc->pings, 1);
  EXPECT_THROW(performSelectorWithArgs(calc, rt::sel("fly"), {}), rt::Exception);
}

TEST(ObjectAdditions, DeferredPerforms) {
  fd::RunLoopDriver::useVirtualClock();
  auto calc = rt::make<Calculator>();
  performSelectorWithArgsAfterDelay(calc, rt::sel("ping"), {}, 0.5);
  fd::RunLoopDriver::advance(0.4);
  EXPECT_EQ(calc->pings, 0);
  fd::RunLoopDriver::advance(0.2);
  EXPECT_EQ(calc->pings, 1);
  EXPECT_EQ(performSelectorWithArgsOnMainThread(calc, rt::sel("answer"), {}, false), nullptr);
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(rt::as<fd::Number>(performSelectorWithArgsOnMainThread(calc, rt::sel("answer"), {}, true))->intValue(), 42);
  performSelectorWithArgsInBackground(calc, rt::sel("ping"), {});
  EXPECT_TRUE(fd::RunLoopDriver::runUntil([&] { return calc->pings.load() == 2; }, 10));
  fd::RunLoopDriver::reset();
}

TEST(ObjectAdditions, SwizzlingASubclassLeavesTheSuperclassAlone) {
  auto* loud = const_cast<rt::Class*>(dutest::LoudCalculator::classObject());
  EXPECT_FALSE(swizzleInstanceMethod(*loud, rt::sel("greet"), rt::sel("missing")));
  ASSERT_TRUE(swizzleInstanceMethod(*loud, rt::sel("greet"), rt::sel("shout")));
  auto said = [](const rt::Id& o) {
    rt::String text;
    o->performSelector(rt::sel("greet")).get(text);
    return text.utf8();
  };
  EXPECT_EQ(said(rt::make<dutest::LoudCalculator>()), "LOUD");
  EXPECT_EQ(said(rt::make<Calculator>()), "base");
  // Swapped back, the subclass greets as its superclass again.
  ASSERT_TRUE(swizzleInstanceMethod(*loud, rt::sel("greet"), rt::sel("shout")));
  EXPECT_EQ(said(rt::make<dutest::LoudCalculator>()), "base");

  auto* calcClass = Calculator::classObject();
  ASSERT_TRUE(swizzleClassMethod(*calcClass, rt::sel("version"), rt::sel("build")));
  EXPECT_EQ(calcClass->metaclass()->invoke(nullptr, rt::sel("version")).intValue(), 2);
  swizzleClassMethod(*calcClass, rt::sel("version"), rt::sel("build"));
  EXPECT_FALSE(swizzleClassMethod(*calcClass, rt::sel("version"), rt::sel("nothing")));
}

TEST(ObjectAdditions, AssociatedValuesAndDeepCopies) {
  auto calc = rt::make<Calculator>();
  static const char strongKey = 0, weakKey = 0;
  setAssociateValue(*calc, &strongKey, fd::StringObject::create("kept"));
  {
    auto temporary = fd::StringObject::create("gone soon");
    setAssociateWeakValue(*calc, &weakKey, temporary);
    EXPECT_EQ(getAssociatedValueForKey(*calc, &weakKey).get(), temporary.get());
  }
  EXPECT_EQ(getAssociatedValueForKey(*calc, &weakKey), nullptr);  // never a dangling reference
  EXPECT_EQ(rt::as<fd::StringObject>(getAssociatedValueForKey(*calc, &strongKey))->string(), "kept");
  removeAssociatedValues(*calc);
  EXPECT_EQ(getAssociatedValueForKey(*calc, &strongKey), nullptr);

  auto original = fd::MutableArray::create({fd::StringObject::create("a")});
  auto copy = rt::as<fd::Array>(deepCopy(original));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), original.get());
  EXPECT_TRUE(copy->isEqual(original.get()));
  std::vector<String> lines;
  fd::setLogSink([&](const String& m) { lines.push_back(m); });
  EXPECT_EQ(deepCopy(calc), nullptr);  // not archivable
  fd::setLogSink(nullptr);
  EXPECT_EQ(lines.size(), 1u);
}

TEST(ObjectAdditions, DeepCopiesThroughTheGivenArchiverAndUnarchiver) {
  using dutest::archivedObjects;
  using dutest::unarchivedRoots;
  archivedObjects = unarchivedRoots = 0;
  auto original = fd::MutableArray::create({fd::StringObject::create("a"), fd::StringObject::create("b")});
  auto copy = rt::as<fd::Array>(deepCopyWithArchiver(original, dutest::CountingArchiver::classObject(),
                                                     dutest::CountingUnarchiver::classObject()));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), original.get());
  EXPECT_TRUE(copy->isEqual(original.get()));
  EXPECT_EQ(archivedObjects.load(), 1);  // the root, through the given archiver
  EXPECT_EQ(unarchivedRoots.load(), 1);

  std::vector<String> lines;
  fd::setLogSink([&](const String& m) { lines.push_back(m); });
  // Classes that are no archiver or unarchiver, and an object that cannot be archived.
  EXPECT_EQ(deepCopyWithArchiver(original, fd::Array::classObject(), dutest::CountingUnarchiver::classObject()), nullptr);
  EXPECT_EQ(deepCopyWithArchiver(original, dutest::CountingArchiver::classObject(), nullptr), nullptr);
  EXPECT_EQ(deepCopyWithArchiver(rt::make<Calculator>(), dutest::CountingArchiver::classObject(),
                                 dutest::CountingUnarchiver::classObject()),
            nullptr);
  fd::setLogSink(nullptr);
  EXPECT_EQ(lines.size(), 3u);
}

TEST(ObjectAdditions, ManualRetainsKeepAnObjectUntilReleased) {
  auto object = fd::StringObject::create("counted");
  Weak<fd::StringObject> watch = object;
  EXPECT_EQ(arcDebugRetainCount(object), 1);
  EXPECT_EQ(arcDebugRetain(object), object);
  EXPECT_EQ(arcDebugRetain(object), object);
  EXPECT_EQ(arcDebugRetainCount(object), 3);  // its own reference and the two retains
  object.reset();
  ASSERT_FALSE(watch.expired()) << "retained, yet gone";
  rt::Id back = watch.lock();
  arcDebugRelease(back);
  EXPECT_FALSE(watch.expired());
  rt::Id handed = arcDebugAutorelease(back);  // the last retain: only the answer keeps it now
  back.reset();
  EXPECT_FALSE(watch.expired());
  handed.reset();
  EXPECT_TRUE(watch.expired());

  // A release with nothing retained does nothing.
  auto plain = fd::StringObject::create("plain");
  arcDebugRelease(plain);
  EXPECT_EQ(arcDebugRetainCount(plain), 1);
  EXPECT_EQ(arcDebugRetainCount(nullptr), 0);
}

TEST(ObjectAdditions, ObserverBlocks) {
  auto calc = rt::make<Calculator>();
  std::vector<std::string> calls;
  auto describe = [](const rt::Id& v) { return v ? rt::as<fd::StringObject>(v)->string().utf8() : std::string("nil"); };
  for (const char* who : {"first", "second"}) {
    addObserverBlockForKeyPath(*calc, "title", [&, who](rt::Object* o, const rt::Id& oldValue, const rt::Id& newValue) {
      EXPECT_EQ(o, calc.get());
      calls.push_back(std::string(who) + ":" + describe(oldValue) + "->" + describe(newValue));
    });
  }
  addObserverBlockForKeyPath(*calc, "", [&](rt::Object*, const rt::Id&, const rt::Id&) { ADD_FAILURE(); });
  calc->setValueForKey(fd::StringObject::create("A"), "title");
  calc->setValueForKey(nullptr, "title");
  EXPECT_EQ(calls, (std::vector<std::string>{"first:nil->A", "second:nil->A", "first:A->nil", "second:A->nil"}));

  int itemCalls = 0;
  addObserverBlockForKeyPath(*calc, "items", [&](rt::Object*, const rt::Id&, const rt::Id&) { ++itemCalls; });
  calc->setValueForKey(fd::MutableArray::create(), "items");
  EXPECT_EQ(itemCalls, 1);

  calls.clear();
  removeObserverBlocksForKeyPath(*calc, "title");
  removeObserverBlocksForKeyPath(*calc, "title");
  calc->setValueForKey(fd::StringObject::create("B"), "title");
  EXPECT_TRUE(calls.empty());
  removeObserverBlocks(*calc);
  calc->setValueForKey(fd::MutableArray::create(), "items");
  EXPECT_EQ(itemCalls, 1);
  EXPECT_FALSE(calc->hasObservers());
}

}  // namespace
}  // namespace base
