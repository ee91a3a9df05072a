#include "platform/ui/input/detectors/DataDetector.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace ui;

namespace {

Ref<DataDetector> detector(uint64_t types) {
  auto d = DataDetector::dataDetectorWithTypes(types);
  d->setTimeZone(fd::TimeZone::timeZoneWithName("Asia/Shanghai"));
  // 2026-06-01 12:00 in Shanghai: dates without a year take 2026.
  d->setReferenceDate(fd::Date::dateWithTimeIntervalSince1970(1780286400));
  return d;
}

std::string matchedText(const rt::String& text, const DataDetectorMatch& m) { return text.substring(m.range).utf8(); }

/// Seconds since 1970 of a Shanghai wall-clock time.
double shanghai(int y, int mo, int d, int h = 0, int mi = 0) {
  using namespace std::chrono;
  auto days = sys_days{year{y} / month{unsigned(mo)} / day{unsigned(d)}}.time_since_epoch();
  return double(duration_cast<seconds>(days).count()) + h * 3600 + mi * 60 - 8 * 3600;
}

}  // namespace

TEST(DataDetector, RefusesMasksWithoutKnownTypes) {
  std::string error;
  EXPECT_FALSE(DataDetector::dataDetectorWithTypes(0, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(DataDetector::dataDetectorWithTypes(TextCheckingTypeLink | 1, &error));
  auto d = DataDetector::dataDetectorWithTypes(TextCheckingTypeLink | TextCheckingTypePhoneNumber);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->checkingTypes(), 32u + 2048u);
}

TEST(DataDetector, LinksAndNearMisses) {
  struct Case { const char* text; const char* match; const char* url; };
  const Case cases[] = {
      {"详见https://news.example.com/a?id=3。", "https://news.example.com/a?id=3", "https://news.example.com/a?id=3"},
      {"Visit www.example.org, then", "www.example.org", "http://www.example.org"},
      {"官网 kestrel.cn/news 更新", "kestrel.cn/news", "http://kestrel.cn/news"},
      {"mail editor@kestrel.com.cn today", "editor@kestrel.com.cn", "mailto:editor@kestrel.com.cn"},
      {"(see http://a.example.com/x_(y))", "http://a.example.com/x_(y)", "http://a.example.com/x_(y)"},
      {"version 1.2.3 shipped", nullptr, nullptr},
      {"file.txt and a.b", nullptr, nullptr},
      {"no@domain", nullptr, nullptr},
      {"http://", nullptr, nullptr},
      {"end with a dot.", nullptr, nullptr},
  };
  auto d = detector(TextCheckingTypeLink);
  for (const Case& c : cases) {
    rt::String text(c.text);
    auto all = d->matchesInString(text);
    if (!c.match) {
      EXPECT_TRUE(all.empty()) << c.text << " matched " << matchedText(text, all[0]);
      continue;
    }
    ASSERT_EQ(all.size(), 1u) << c.text;
    EXPECT_EQ(all[0].type, TextCheckingTypeLink);
    EXPECT_EQ(matchedText(text, all[0]), c.match);
    ASSERT_TRUE(all[0].url) << c.text;
    EXPECT_EQ(all[0].url->absoluteString().utf8(), c.url);
  }
}

TEST(DataDetector, PhoneNumbersAndNearMisses) {
  struct Case { const char* text; const char* match; };
  const Case cases[] = {
      {"热线13800138000咨询", "13800138000"},
      {"call 138-0013-8000 now", "138-0013-8000"},
      {"电话：010-12345678", "010-12345678"},
      {"(0571) 8888 6666", "(0571) 8888 6666"},
      {"Tel +86 138 0013 8000.", "+86 138 0013 8000"},
      {"London +44 20 7946 0958", "+44 20 7946 0958"},
      {"8613800138000", "8613800138000"},
      {"12345", nullptr},                     // too short
      {"2026-12-10", nullptr},                // a date
      {"ID 110101199003077777", nullptr},     // eighteen digits: an identity number
      {"12800138000", nullptr},               // mobile numbers start 13-19
      {"abc13800138000", nullptr},            // glued to a word
      {"+12 34", nullptr},
  };
  auto d = detector(TextCheckingTypePhoneNumber);
  for (const Case& c : cases) {
    rt::String text(c.text);
    auto all = d->matchesInString(text);
    if (!c.match) {
      EXPECT_TRUE(all.empty()) << c.text << " matched " << matchedText(text, all[0]);
      continue;
    }
    ASSERT_EQ(all.size(), 1u) << c.text;
    EXPECT_EQ(matchedText(text, all[0]), c.match);
    EXPECT_EQ(all[0].phoneNumber.utf8(), c.match);
  }
}

TEST(DataDetector, DatesAndNearMisses) {
  struct Case { const char* text; const char* match; double at; bool hasTime; };
  const Case cases[] = {
      {"定于2026年12月10日举行", "2026年12月10日", shanghai(2026, 12, 10), false},
      {"12月10日下午3点开会", "12月10日下午3点", shanghai(2026, 12, 10, 15), true},
      {"on Dec 10, 2026 at noon", "Dec 10, 2026", shanghai(2026, 12, 10), false},
      {"December 10th, 2026, 9:30 pm", "December 10th, 2026, 9:30 pm", shanghai(2026, 12, 10, 21, 30), true},
      {"10 Dec 2026", "10 Dec 2026", shanghai(2026, 12, 10), false},
      {"starts 2026-12-10 15:00.", "2026-12-10 15:00", shanghai(2026, 12, 10, 15), true},
      {"2026/1/5", "2026/1/5", shanghai(2026, 1, 5), false},
      {"2026年2月30日", nullptr, 0, false},   // no such day
      {"13月1日", nullptr, 0, false},
      {"2026-12/10", nullptr, 0, false},     // mixed separators
      {"v1.2026.12.10", nullptr, 0, false},
      {"Decimal 10, 2026", nullptr, 0, false},
  };
  auto d = detector(TextCheckingTypeDate);
  for (const Case& c : cases) {
    rt::String text(c.text);
    auto all = d->matchesInString(text);
    if (!c.match) {
      EXPECT_TRUE(all.empty()) << c.text << " matched " << matchedText(text, all[0]);
      continue;
    }
    ASSERT_EQ(all.size(), 1u) << c.text;
    EXPECT_EQ(matchedText(text, all[0]), c.match);
    ASSERT_TRUE(all[0].date);
    EXPECT_DOUBLE_EQ(all[0].date->timeIntervalSince1970(), c.at) << c.text;
    EXPECT_EQ(all[0].hasTime, c.hasTime) << c.text;
    ASSERT_TRUE(all[0].timeZone);
    EXPECT_EQ(all[0].timeZone->name(), rt::String("Asia/Shanghai"));
  }
}

TEST(DataDetector, AddressesAndNearMisses) {
  auto d = detector(TextCheckingTypeAddress);
  rt::String cn("公司位于北京市朝阳区建国路88号，欢迎来访");
  auto all = d->matchesInString(cn);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(matchedText(cn, all[0]), "北京市朝阳区建国路88号");
  EXPECT_EQ(all[0].addressComponents[rt::String(AddressCityKey)], rt::String("北京市"));
  EXPECT_EQ(all[0].addressComponents[rt::String(AddressDistrictKey)], rt::String("朝阳区"));
  EXPECT_EQ(all[0].addressComponents[rt::String(AddressStreetKey)], rt::String("建国路88号"));

  rt::String province("浙江省杭州市西湖区文三路100号");
  all = d->matchesInString(province);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].addressComponents[rt::String(AddressStateKey)], rt::String("浙江省"));
  EXPECT_EQ(all[0].addressComponents[rt::String(AddressCityKey)], rt::String("杭州市"));

  rt::String west("Send it to 1600 Amphitheatre Way, Mountain View, CA 94043 please");
  all = d->matchesInString(west);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(matchedText(west, all[0]), "1600 Amphitheatre Way, Mountain View, CA 94043");
  EXPECT_EQ(all[0].addressComponents[rt::String(AddressZIPKey)], rt::String("94043"));
  EXPECT_EQ(all[0].addressComponents[rt::String(AddressCityKey)], rt::String("Mountain View"));

  for (const char* miss : {"第88号选手", "建国路很长", "门牌88号", "I have 3 Big Dogs", "10 Downing"})
    EXPECT_TRUE(d->matchesInString(rt::String(miss)).empty()) << miss;
}

TEST(DataDetector, AllTypesTogetherInOrderWithoutOverlap) {
  auto d = detector(kDataDetectorAllTypes);
  rt::String text("12月10日下午3点在北京市朝阳区建国路88号，电话13800138000，详情见 https://k.example.com/2026-12-10 。");
  auto all = d->matchesInString(text);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].type, TextCheckingTypeDate);
  EXPECT_EQ(all[1].type, TextCheckingTypeAddress);
  EXPECT_EQ(all[2].type, TextCheckingTypePhoneNumber);
  EXPECT_EQ(all[3].type, TextCheckingTypeLink);  // the date inside the link is not found again
  // A range limits the search and offsets stay in the whole text's terms.
  auto part = d->matchesInString(text, {all[2].range.location - 2, 20});
  ASSERT_EQ(part.size(), 1u);
  EXPECT_EQ(part[0].range, all[2].range);
  int seen = 0;
  d->enumerateMatches(text, {0, text.length()}, [&](const DataDetectorMatch&, bool& stop) { stop = ++seen == 2; });
  EXPECT_EQ(seen, 2);
  EXPECT_TRUE(d->matchesInString(text, {9999, 5}).empty());
}
