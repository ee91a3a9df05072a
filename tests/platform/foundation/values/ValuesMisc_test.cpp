// String objects, the null object, dates, errors, UUIDs, random numbers and process facts.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "platform/dispatch/Clock.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/ManagedObject.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/files/ProcessInfo.h"
#include "platform/foundation/values/Random.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/UUID.h"

using namespace fd;

TEST(ValuesString, EqualityCopiesAndMutation) {
  auto s = box("héllo");
  EXPECT_EQ(s->description(), "héllo");
  EXPECT_EQ(s->length(), 5u);
  EXPECT_TRUE(s->isEqual(MutableStringObject::create("héllo")));
  EXPECT_EQ(s->hash(), MutableStringObject::create("héllo")->hash());
  EXPECT_FALSE(s->isEqual(box("hello")));
  EXPECT_EQ(s->copy().get(), s.get());
  Id m = s->mutableCopy();
  ASSERT_TRUE(m->isKindOfClass(MutableStringObject::classObject()));
  auto ms = rt::as<MutableStringObject>(m);
  ms->appendString(" world");
  ms->insertString(">", 0);
  ms->appendFormat(" %d%@", 42, box("!"));
  EXPECT_EQ(ms->string(), ">héllo world 42!");
  EXPECT_EQ(ms->replaceOccurrencesOfString("l", "L", 0, Range{0, ms->length()}), 3u);
  EXPECT_EQ(ms->string(), ">héLLo worLd 42!");
  ms->deleteCharactersInRange(Range{0, 1});
  ms->replaceCharactersInRange(Range{0, 5}, "Hi");
  EXPECT_EQ(ms->string(), "Hi worLd 42!");
  EXPECT_THROW(ms->insertString("x", 99), rt::Exception);
  EXPECT_THROW(ms->characterAtIndex(99), rt::Exception);
  Id frozen = ms->copy();
  EXPECT_TRUE(frozen->isMemberOfClass(StringObject::classObject()));
  ms->setString("");
  EXPECT_EQ(stringValue(frozen), "Hi worLd 42!");
  EXPECT_EQ(stringValue(box(1)), std::nullopt);
  EXPECT_EQ(stringValue(nullptr), std::nullopt);
  EXPECT_EQ(s->className(), "NSString");
  EXPECT_EQ(MutableStringObject::classObject()->superclass(), StringObject::classObject());
  EXPECT_EQ(box(" 42abc")->integerValue(), 42);
}

TEST(ValuesNull, SingletonAndDescription) {
  EXPECT_EQ(Null::null().get(), Null::null().get());
  EXPECT_EQ(Null::null()->description(), "<null>");
  EXPECT_EQ(Null::null()->copy().get(), Null::null().get());
  EXPECT_TRUE(Null::isNull(Null::null()));
  EXPECT_FALSE(Null::isNull(nullptr));
  EXPECT_EQ(rt::classFromString("NSNull"), Null::classObject());
  ASSERT_TRUE(rt::classFromString("NSManagedObject"));
  EXPECT_TRUE(rt::classFromString("NSManagedObject")->isPlatformClass());
}

TEST(ValuesDate, IntervalsAndDescriptions) {
  struct Case {
    double since1970;
    const char* text;
  };
  const Case cases[] = {
      {978307200, "2001-01-01 00:00:00 +0000"},
      {0, "1970-01-01 00:00:00 +0000"},
      {-1, "1969-12-31 23:59:59 +0000"},
      {951782400.5, "2000-02-29 00:00:00 +0000"},
      {1700000000, "2023-11-14 22:13:20 +0000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto d = Date::dateWithTimeIntervalSince1970(c.since1970);
    EXPECT_EQ(d->description(), c.text);
    EXPECT_DOUBLE_EQ(d->timeIntervalSince1970(), c.since1970);
    EXPECT_DOUBLE_EQ(d->timeIntervalSinceReferenceDate(), c.since1970 - 978307200);
  }
  // 0001-01-01 in the Julian calendar; printed in the proleptic Gregorian one with era years.
  EXPECT_EQ(Date::distantPast()->description(), "0001-12-30 00:00:00 +0000");
  EXPECT_EQ(Date::distantFuture()->description(), "4001-01-01 00:00:00 +0000");
  EXPECT_EQ(Date::dateWithTimeIntervalSinceReferenceDate(0)->description(), "2001-01-01 00:00:00 +0000");
}

TEST(ValuesDate, CompareEqualityAndTheProcessClock) {
  auto a = Date::dateWithTimeIntervalSince1970(100);
  auto b = a->dateByAddingTimeInterval(5);
  EXPECT_EQ(a->compare(*b), Ordering::Ascending);
  EXPECT_EQ(b->compare(*a), Ordering::Descending);
  EXPECT_EQ(a->earlierDate(b).get(), a.get());
  EXPECT_EQ(a->laterDate(b).get(), b.get());
  EXPECT_DOUBLE_EQ(b->timeIntervalSinceDate(*a), 5);
  EXPECT_TRUE(a->isEqual(Date::dateWithTimeIntervalSinceReferenceDate(100 - 978307200)));
  EXPECT_EQ(a->hash(), Date::dateWithTimeIntervalSince1970(100)->hash());
  EXPECT_FALSE(a->isEqual(b));
  EXPECT_EQ(a->copy().get(), a.get());

  auto clock = std::make_shared<dispatch::VirtualClock>(1000.0, 50.0);
  dispatch::setClock(clock);
  EXPECT_DOUBLE_EQ(Date::date()->timeIntervalSince1970(), 1000.0);
  clock->advance(2.5);
  EXPECT_DOUBLE_EQ(Date::date()->timeIntervalSince1970(), 1002.5);
  EXPECT_DOUBLE_EQ(Date::dateWithTimeIntervalSinceNow(10)->timeIntervalSinceNow(), 10.0);
  EXPECT_DOUBLE_EQ(ProcessInfo::processInfo()->systemUptime(), 52.5);
  dispatch::setClock(nullptr);
  EXPECT_GT(Date::date()->timeIntervalSince1970(), 1.6e9);
}

TEST(ValuesError, DescriptionsAndLocalizedTexts) {
  auto plain = Error::create(NSURLErrorDomain, -1001);
  EXPECT_EQ(plain->localizedDescription(), "The operation couldn’t be completed. (NSURLErrorDomain error -1001.)");
  EXPECT_EQ(plain->description(), "Error Domain=NSURLErrorDomain Code=-1001 \"(null)\"");
  EXPECT_EQ(plain->userInfo()->count(), 0u);
  EXPECT_EQ(plain->localizedFailureReason(), std::nullopt);

  auto info = MutableDictionary::create();
  info->setObjectForKey(box("Not found"), NSLocalizedDescriptionKey);
  info->setObjectForKey(box("The page is gone"), NSLocalizedFailureReasonErrorKey);
  info->setObjectForKey(box("Try later"), NSLocalizedRecoverySuggestionErrorKey);
  info->setObjectForKey(URL::URLWithString("http://a/b"), NSURLErrorFailingURLErrorKey);
  info->setObjectForKey(plain, NSUnderlyingErrorKey);
  auto e = Error::create("com.kestrum.durar.webimage", 404, info);
  info->removeAllObjects();  // the error keeps its own copy
  EXPECT_EQ(e->domain(), "com.kestrum.durar.webimage");
  EXPECT_EQ(e->code(), 404);
  EXPECT_EQ(e->localizedDescription(), "Not found");
  EXPECT_EQ(e->localizedFailureReason(), "The page is gone");
  EXPECT_EQ(e->localizedRecoverySuggestion(), "Try later");
  EXPECT_EQ(e->underlyingError().get(), plain.get());
  EXPECT_EQ(e->description(),
            "Error Domain=com.kestrum.durar.webimage Code=404 \"Not found\" UserInfo={NSLocalizedDescription=Not found, "
            "NSLocalizedFailureReason=The page is gone, NSLocalizedRecoverySuggestion=Try later, "
            "NSErrorFailingURLKey=http://a/b, NSUnderlyingError=Error Domain=NSURLErrorDomain Code=-1001 \"(null)\"}");

  auto message = Error::create("the message text", 250);
  EXPECT_EQ(message->domain(), "the message text");
  EXPECT_TRUE(message->isEqual(Error::create("the message text", 250, Dictionary::create())));
  EXPECT_FALSE(message->isEqual(Error::create("the message text", 251)));
  EXPECT_EQ(Error::withDescription(NSCocoaErrorDomain, 3840, "bad")->localizedDescription(), "bad");
  Ref<Error> out;
  setError(&out, message);
  EXPECT_EQ(out.get(), message.get());
  setError(nullptr, message);  // no out-parameter: nothing happens
  EXPECT_STREQ(NSURLErrorFailingURLStringErrorKey, "NSErrorFailingURLStringKey");
}

TEST(ValuesUUID, FormatParsingAndUniqueness) {
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    String s = UUID::create()->UUIDString();
    ASSERT_EQ(s.length(), 36u);
    for (size_t j = 0; j < 36; ++j) {
      char16_t c = s[j];
      if (j == 8 || j == 13 || j == 18 || j == 23) EXPECT_EQ(c, u'-');
      else EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) << s;
    }
    EXPECT_EQ(s[14], u'4');  // version 4
    seen.insert(s.utf8());
  }
  EXPECT_EQ(seen.size(), 100u);
  auto parsed = UUID::createWithString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->UUIDString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
  EXPECT_TRUE(parsed->isEqual(UUID::createWithString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F")));
  for (const char* bad : {"", "E621E1F8C36C495A93FC0C247A3E6E5F", "E621E1F8-C36C-495A-93FC-0C247A3E6E5G",
                          "E621E1F8-C36C-495A-93FC+0C247A3E6E5F", "E621E1F8-C36C-495A-93FC-0C247A3E6E5F0"}) {
    EXPECT_EQ(UUID::createWithString(bad), nullptr) << bad;
  }
}

TEST(ValuesRandom, RangesAndSpread) {
  std::vector<int> buckets(120, 0);
  for (int i = 0; i < 24000; ++i) {
    uint32_t v = fd::arc4random_uniform(120);
    ASSERT_LT(v, 120u);
    ++buckets[v];
  }
  for (int n : buckets) EXPECT_GT(n, 100);  // expected 200 each; far from empty
  EXPECT_EQ(fd::arc4random_uniform(0), 0u);
  EXPECT_EQ(fd::arc4random_uniform(1), 0u);
  uint32_t ored = 0;
  for (int i = 0; i < 64; ++i) ored |= fd::arc4random();
  EXPECT_EQ(ored >> 31, 1u);  // all 32 bits are reached
  for (int i = 0; i < 1000; ++i) {
    double d = randomDouble();
    ASSERT_GE(d, 0.0);
    ASSERT_LT(d, 1.0);
  }
  uint8_t buf[33] = {};
  fd::arc4random_buf(buf, sizeof buf);
  EXPECT_NE(std::vector<uint8_t>(buf, buf + 33), std::vector<uint8_t>(33, 0));
}

TEST(ValuesProcessInfo, Facts) {
  const auto& p = ProcessInfo::processInfo();
  EXPECT_EQ(p.get(), ProcessInfo::processInfo().get());
  EXPECT_GE(p->activeProcessorCount(), 1u);
  EXPECT_GT(p->physicalMemory(), 1u << 20);
  EXPECT_GT(p->operatingSystemVersion().majorVersion, 0);
  EXPECT_TRUE(p->isOperatingSystemAtLeastVersion({1, 0, 0}));
  EXPECT_FALSE(p->isOperatingSystemAtLeastVersion({1000, 0, 0}));
  EXPECT_TRUE(p->operatingSystemVersionString().hasPrefix("Version "));
  EXPECT_GT(p->processIdentifier(), 0);
  ASSERT_GE(p->arguments()->count(), 1u);
  EXPECT_EQ(p->processName(), "test_platform_foundation");
  setenv("KD_VALUES_TEST", "yes", 1);
  EXPECT_EQ(stringValue(p->environment()->objectForKey("KD_VALUES_TEST")), "yes");
  String g1 = p->globallyUniqueString(), g2 = p->globallyUniqueString();
  EXPECT_NE(g1, g2);
  EXPECT_TRUE(g1.contains(String::format("-%d-", p->processIdentifier())));
}
