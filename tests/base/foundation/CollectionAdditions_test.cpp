#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>

#include "base/foundation/Array+DUDer.h"
#include "base/foundation/Bundle+DUDer.h"
#include "base/foundation/KeyedUnarchiver+DUDer.h"
#include "base/foundation/MutableArray+DUDer.h"
#include "base/foundation/MutableDictionary+DUDer.h"
#include "base/foundation/NotificationCenter+DUDer.h"
#include "base/foundation/Number+DUDer.h"
#include "base/foundation/Timer+DUDer.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/threads/Thread.h"

namespace base {
namespace {

rt::Id s(const char* t) { return fd::StringObject::create(t); }
std::string joined(const fd::Array& a) {
  std::string out;
  for (const auto& o : a.objects()) out += rt::as<fd::StringObject>(o)->string().utf8();
  return out;
}

TEST(NumberAdditions, NumbersFromFreeText) {
  EXPECT_TRUE(numberWithString("  YES ")->boolValue());
  EXPECT_EQ(numberWithString("<NULL>"), nullptr);
  EXPECT_EQ(numberWithString("0x1F")->intValue(), 31);
  EXPECT_EQ(numberWithString("-0x1F")->intValue(), -31);
  EXPECT_EQ(numberWithString("12")->intValue(), 12);
  EXPECT_DOUBLE_EQ(numberWithString("3.5")->doubleValue(), 3.5);
  EXPECT_EQ(numberWithString("letters"), nullptr);
  EXPECT_EQ(numberWithString(""), nullptr);
}

TEST(ArrayAdditions, SafeAccessPlistAndJson) {
  auto a = fd::Array::create({s("x"), s("y")});
  EXPECT_EQ(objectOrNilAtIndex(*a, 2), nullptr);
  EXPECT_EQ(objectOrNilAtIndex(*a, 1).get(), a->objects()[1].get());
  EXPECT_EQ(randomObject(*fd::Array::create()), nullptr);
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) seen.insert(rt::as<fd::StringObject>(randomObject(*a))->string().utf8());
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(jsonStringEncoded(*a), String("[\"x\",\"y\"]"));
  auto back = arrayWithPlistString(plistString(*a));
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->isEqual(a.get()));
  EXPECT_TRUE(arrayWithPlistData(plistData(*a))->isEqual(a.get()));
  EXPECT_EQ(arrayWithPlistString(String("<plist><dict/></plist>")), nullptr);
  auto mutableBack = mutableArrayWithPlistData(plistData(*a));
  ASSERT_NE(mutableBack, nullptr);
  appendObject(*mutableBack, s("z"));
  EXPECT_EQ(joined(*mutableBack), "xyz");
}

TEST(ArrayAdditions, QueueAndBulkOperations) {
  auto a = fd::MutableArray::create();
  EXPECT_EQ(popFirstObject(*a), nullptr);
  EXPECT_EQ(popLastObject(*a), nullptr);
  removeFirstObject(*a);
  removeLastObject(*a);
  EXPECT_EQ(a->count(), 0u);
  appendObject(*a, s("c"));
  prependObjects(*a, fd::Array::create({s("a"), s("b")}));
  EXPECT_EQ(joined(*a), "abc");
  auto cd = fd::MutableArray::create({s("c"), s("d")});
  insertObjects(*cd, fd::Array::create({s("a"), s("b")}), 1);
  EXPECT_EQ(joined(*cd), "cabd");
  insertObjects(*cd, cd, 0);  // into itself
  EXPECT_EQ(joined(*cd), "cabdcabd");
  prependObject(*cd, s("-"));
  EXPECT_EQ(rt::as<fd::StringObject>(popFirstObject(*cd))->string(), "-");
  EXPECT_EQ(rt::as<fd::StringObject>(popLastObject(*cd))->string(), "d");
  appendObjects(*cd, nullptr);
  EXPECT_EQ(joined(*cd), "cabdcab");

  auto five = fd::MutableArray::create({s("1"), s("2"), s("3"), s("4"), s("5")});
  reverse(*five);
  EXPECT_EQ(joined(*five), "54321");
  auto one = fd::MutableArray::create({s("1")});
  shuffle(*one);
  EXPECT_EQ(joined(*one), "1");
  // Every order of three turns up; the elements are kept.
  std::set<std::string> orders;
  for (int i = 0; i < 300; ++i) {
    auto three = fd::MutableArray::create({s("a"), s("b"), s("c")});
    shuffle(*three);
    orders.insert(joined(*three));
  }
  EXPECT_EQ(orders.size(), 6u);
}

TEST(DictionaryAdditions, PopOperationsAndMutablePlists) {
  auto d = fd::MutableDictionary::create();
  d->setObjectForKey(s("1"), String("a"));
  d->setObjectForKey(s("2"), String("b"));
  d->setObjectForKey(s("3"), String("c"));
  EXPECT_EQ(popObjectForKey(*d, nullptr), nullptr);
  EXPECT_EQ(rt::as<fd::StringObject>(popObjectForKey(*d, s("a")))->string(), "1");
  EXPECT_EQ(d->count(), 2u);
  auto moved = popEntriesForKeys(*d, {s("b"), s("missing")});
  EXPECT_EQ(moved->count(), 1u);
  EXPECT_EQ(d->count(), 1u);
  EXPECT_EQ(rt::as<fd::MutableDictionary>(moved), nullptr);
  auto plist = mutableDictionaryWithPlistString(String(
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k</key><string>v</string></dict></plist>"));
  ASSERT_NE(plist, nullptr);
  plist->setObjectForKey(s("w"), String("k2"));
  EXPECT_EQ(plist->count(), 2u);
  EXPECT_EQ(mutableDictionaryWithPlistString(std::nullopt), nullptr);
}

TEST(UnarchiverAdditions, ExceptionsComeBackInsteadOfRaising) {
  auto archive = fd::KeyedArchiver::archivedDataWithRootObject(s("kept"));
  std::optional<rt::Exception> exception;
  auto value = unarchiveObjectWithData(archive, &exception);
  ASSERT_NE(value, nullptr);
  EXPECT_FALSE(exception);
  auto broken = fd::Data::create(std::string_view("bplist00 definitely not an archive"));
  EXPECT_EQ(unarchiveObjectWithData(broken, &exception), nullptr);
  ASSERT_TRUE(exception) << "the failure was not handed back";
  EXPECT_EQ(exception->name(), rt::InvalidArgumentException);
  EXPECT_NE(exception->reason().utf8().find("NSKeyedUnarchiver"), std::string::npos) << exception->reason().utf8();
  EXPECT_EQ(unarchiveObjectWithData(broken), nullptr);
  // A later success clears what an earlier failure left.
  ASSERT_NE(unarchiveObjectWithData(archive, &exception), nullptr);
  EXPECT_FALSE(exception);
  EXPECT_EQ(unarchiveObjectWithData(broken, &exception), nullptr);
  ASSERT_TRUE(exception);
  EXPECT_EQ(unarchiveObjectWithFile("/nonexistent/archive", &exception), nullptr);
  EXPECT_FALSE(exception);
}

class MainThreadAdditions : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override { fd::RunLoopDriver::reset(); }
};

TEST_F(MainThreadAdditions, NotificationsFromWorkersArriveOnTheMainThreadOfTheirCenter) {
  auto center = rt::make<fd::NotificationCenter>();
  std::vector<std::string> got;
  std::atomic<int> offMain{0};
  auto observer = fd::StringObject::create("observer");
  center->addObserver(observer, [&](const Ref<fd::Notification>& n) {
    if (!fd::Thread::isMainThread()) ++offMain;
    got.push_back(n->name().utf8());
  }, std::nullopt, nullptr);
  postNotificationOnMainThreadWithName(*center, "now", nullptr);
  EXPECT_EQ(got, std::vector<std::string>{"now"});
  std::atomic<int> stage{0};
  fd::Thread::detachNewThread([&] {
    postNotificationOnMainThreadWithName(*center, "later", nullptr);
    stage = 1;  // returned without waiting for the main thread
    postNotificationOnMainThread(*center, fd::Notification::create("waited"), true);
    stage = 2;
  });
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return stage.load() == 2; }, 10));
  EXPECT_EQ(got, (std::vector<std::string>{"now", "later", "waited"}));
  EXPECT_EQ(offMain.load(), 0);
  center->removeObserver(observer);
}

TEST_F(MainThreadAdditions, BlockTimersPassThemselves) {
  int fired = 0;
  auto timer = scheduledTimerWithTimeInterval(0.1, [&](fd::Timer& t) {
    if (++fired == 3) t.invalidate();
  }, true);
  fd::RunLoopDriver::advance(1.0);
  EXPECT_EQ(fired, 3);
  EXPECT_FALSE(timer->isValid());
  int once = 0;
  auto unscheduled = timerWithTimeInterval(0.1, [&](fd::Timer&) { ++once; }, false);
  fd::RunLoopDriver::advance(0.5);
  EXPECT_EQ(once, 0);
  unscheduled->fire();
  EXPECT_EQ(once, 1);
}

TEST(BundleAdditions, ScaledResourcesBestScaleFirst) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("drbundle-" + std::to_string(::getpid()));
  fs::create_directories(dir / "sub");
  for (const char* f : {"icon@2x.png", "icon@3x.png", "only@3x.png", "plain.png", "sub/icon@3x.png", "pic@2x.jpg"})
    std::ofstream(dir / f) << "x";
  auto bundle = fd::Bundle::bundleWithPath(String(dir.string()));
  ASSERT_NE(bundle, nullptr);
  EXPECT_EQ(preferredScales(), (std::vector<double>{2, 3, 1}));  // the default screen is 2x
  auto ends = [](const std::optional<String>& p, const char* tail) { return p && p->hasSuffix(tail); };
  EXPECT_TRUE(ends(pathForScaledResource(*bundle, "icon", "png"), "/icon@2x.png"));
  EXPECT_TRUE(ends(pathForScaledResource(*bundle, "only", "png"), "/only@3x.png"));
  EXPECT_TRUE(ends(pathForScaledResource(*bundle, "plain", "png"), "/plain.png"));
  EXPECT_TRUE(ends(pathForScaledResource(*bundle, "pic.jpg", ""), "/pic@2x.jpg"));
  EXPECT_TRUE(ends(pathForScaledResource(*bundle, "icon", "png", "sub"), "/sub/icon@3x.png"));
  EXPECT_FALSE(pathForScaledResource(*bundle, "", "png"));
  EXPECT_FALSE(pathForScaledResource(*bundle, "missing", "png"));
  EXPECT_EQ(pathForScaledResource(*bundle, "sub/", "png"), bundle->pathForResource("sub/", "png"));
  EXPECT_TRUE(ends(pathForScaledResourceInBundlePath("icon", "png", String(dir.string())), "/icon@2x.png"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace base
