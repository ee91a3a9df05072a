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

TEST(DataDetector, InternationalHostsQueriesMailtoAndNewerDomains) {
  struct Case { const char* text; const char* match; const char* url; };
  const Case cases[] = {
      {"详情可登录http://西湖文旅.中国查询", "http://西湖文旅.中国", "http://xn--7dv6e16xvl3a.xn--fiqs8s"},
      {"官网www.杭州旅游.中国，欢迎访问", "www.杭州旅游.中国", "http://www.xn--6rtv9okmb23n.xn--fiqs8s"},
      {"访问https://例子.测试/路径", "https://例子.测试/路径", "https://xn--fsqu00a.xn--0zwm56d/%E8%B7%AF%E5%BE%84"},
      {"see https://münchen.example.de/karte now", "https://münchen.example.de/karte", "https://xn--mnchen-3ya.example.de/karte"},
      {"搜索https://s.example.cn/s?q=西湖&page=2#top，然后", "https://s.example.cn/s?q=西湖&page=2#top",
       "https://s.example.cn/s?q=%E8%A5%BF%E6%B9%96&page=2#top"},
      {"mailto:hr@kestrel.com.cn", "mailto:hr@kestrel.com.cn", "mailto:hr@kestrel.com.cn"},
      {"攻略见www.zhejiang.travel。", "www.zhejiang.travel", "http://www.zhejiang.travel"},
      {"展厅hzmuseum.museum上线", "hzmuseum.museum", "http://hzmuseum.museum"},
      // Chinese text and punctuation around a link stay out of it; text before does not hide it.
      {"详见www.example.com了解", "www.example.com", "http://www.example.com"},
      {"据xinhuanet.com消息", "xinhuanet.com", "http://xinhuanet.com"},
      {"网址https://a.example.com/news看看", "https://a.example.com/news", "https://a.example.com/news"},
      {"（https://a.example.com/x）。", "https://a.example.com/x", "https://a.example.com/x"},
      {"官网https://a.example.com/cn/发布了新品", "https://a.example.com/cn/", "https://a.example.com/cn/"},
      {"见https://example.cn/路径/文件。", "https://example.cn/路径/文件",
       "https://example.cn/%E8%B7%AF%E5%BE%84/%E6%96%87%E4%BB%B6"},
      {"run setup.py first", nullptr, nullptr},            // a file, not a domain
      {"the morning.Today we", nullptr, nullptr},          // a sentence without its space
      {"西湖文旅.中国", nullptr, nullptr},                 // a Han host needs a scheme or www
      {"mailto:", nullptr, nullptr},
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
    EXPECT_EQ(matchedText(text, all[0]), c.match);
    ASSERT_TRUE(all[0].url) << c.text;
    EXPECT_EQ(all[0].url->absoluteString().utf8(), c.url);
  }
}

TEST(DataDetector, ServiceFullWidthAndPrefixedPhoneNumbers) {
  struct Case { const char* text; const char* match; };
  const Case cases[] = {
      {"客服热线400-820-8820。", "400-820-8820"},
      {"拨打4008201234咨询", "4008201234"},
      {"座机拨打800-810-1234", "800-810-1234"},
      {"手机１３８１２３４５６７８", "１３８１２３４５６７８"},
      {"电话0571－88881234", "0571－88881234"},
      {"请拨0086-571-87654321", "0086-571-87654321"},
      {"来电008613912345678", "008613912345678"},
      {"市民热线12345受理", "12345"},
      {"服务热线0571-96345全天", "0571-96345"},
      {"上涨0.13812345678个百分点", nullptr},  // a decimal
      {"4008201234.5", nullptr},
      {"发票号码为044031900111", nullptr},      // labelled as an invoice
      {"共有12345人参加", nullptr},              // a short number nobody calls
      {"400-820-882", nullptr},
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

TEST(DataDetector, DatesWithoutYearsInNumeralsRelativeAndWithWeekdaysTimesAndZones) {
  // The reference day is Monday 2026-06-01.
  struct Case { const char* text; const char* match; double at; bool hasTime; };
  const Case cases[] = {
      {"vote on March 12, officials said", "March 12", shanghai(2026, 3, 12), false},
      {"opens July 1.", "July 1", shanghai(2026, 7, 1), false},
      {"报名截止三月十二日。", "三月十二日", shanghai(2026, 3, 12), false},
      {"二〇二六年三月十二日，活动举行", "二〇二六年三月十二日", shanghai(2026, 3, 12), false},
      {"十二月三十一日下午三点半", "十二月三十一日下午三点半", shanghai(2026, 12, 31, 15, 30), true},
      {"会议明天上午9点召开", "明天上午9点", shanghai(2026, 6, 2, 9), true},
      {"今天下午3点开始", "今天下午3点", shanghai(2026, 6, 1, 15), true},
      {"昨天下午，一场暴雨", "昨天下午", shanghai(2026, 5, 31), false},
      {"下周三公布", "下周三", shanghai(2026, 6, 10), false},
      {"本周五晚", "本周五", shanghai(2026, 6, 5), false},
      {"meet next Friday, she said", "next Friday", shanghai(2026, 6, 12), false},
      {"resume tomorrow at 9 a.m.", "tomorrow at 9 a.m.", shanghai(2026, 6, 2, 9), true},
      {"set for Thursday, March 12, 2026 at 3:00 PM at the hall", "Thursday, March 12, 2026 at 3:00 PM",
       shanghai(2026, 3, 12, 15), true},
      {"moved to March 20 at 2 pm.", "March 20 at 2 pm", shanghai(2026, 3, 20, 14), true},
      {"3月21日（周六）下午3点比赛", "3月21日（周六）下午3点", shanghai(2026, 3, 21, 15), true},
      {"定档3月30日晚8点，每晚", "3月30日晚8点", shanghai(2026, 3, 30, 20), true},
      {"3月12日早些时候", "3月12日", shanghai(2026, 3, 12), false},
      {"lands 2026-03-12T09:30:00+08:00.", "2026-03-12T09:30:00+08:00", shanghai(2026, 3, 12, 9, 30), true},
      {"at 2026-03-12 15:00 UTC today", "2026-03-12 15:00 UTC", shanghai(2026, 3, 12, 23), true},
      {"每周三下午开放", nullptr, 0, false},
      {"今天是个好日子", nullptr, 0, false},
      {"you may 5 times", nullptr, 0, false},
      {"March 32", nullptr, 0, false},
      {"二月三十日", nullptr, 0, false},
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
  }
  // An ISO date's own zone is the match's zone.
  rt::String iso("2026-03-12T09:30:00-05:00");
  auto zoned = d->matchesInString(iso);
  ASSERT_EQ(zoned.size(), 1u);
  ASSERT_TRUE(zoned[0].timeZone);
  EXPECT_EQ(zoned[0].timeZone->secondsFromGMT(), -5 * 3600);
  EXPECT_DOUBLE_EQ(zoned[0].date->timeIntervalSince1970(), shanghai(2026, 3, 12, 22, 30));
}

TEST(DataDetector, StreetsWithoutDistrictsAndMoreStreetKinds) {
  struct Case { const char* text; const char* match; };
  const Case cases[] = {
      {"新店位于文三路138号，毗邻", "文三路138号"},
      {"途经湖滨路3号、龙翔桥", "湖滨路3号"},
      {"沿着中山北路56号往前", "中山北路56号"},
      {"moved to 100 Cambridge Parkway, Cambridge, MA 02142 last year", "100 Cambridge Parkway, Cambridge, MA 02142"},
      {"at 1600 Pennsylvania Avenue NW, Washington, DC 20500.", "1600 Pennsylvania Avenue NW, Washington, DC 20500"},
      {"the store at 350 5th Avenue, New York, NY 10118 will", "350 5th Avenue, New York, NY 10118"},
      {"is at 900 Industrial Way, Suite 200.", "900 Industrial Way, Suite 200"},
      {"地铁3号线年底开通", nullptr},
      {"138号选手表现出色", nullptr},
      {"今天是3月12号", nullptr},
      {"他家住在5号楼", nullptr},
  };
  auto d = detector(TextCheckingTypeAddress);
  for (const Case& c : cases) {
    rt::String text(c.text);
    auto all = d->matchesInString(text);
    if (!c.match) {
      EXPECT_TRUE(all.empty()) << c.text << " matched " << matchedText(text, all[0]);
      continue;
    }
    ASSERT_EQ(all.size(), 1u) << c.text;
    EXPECT_EQ(matchedText(text, all[0]), c.match);
  }
  auto bare = d->matchesInString(rt::String("新店位于文三路138号"));
  ASSERT_EQ(bare.size(), 1u);
  EXPECT_EQ(bare[0].addressComponents[rt::String(AddressStreetKey)], rt::String("文三路138号"));
  EXPECT_EQ(bare[0].addressComponents.count(rt::String(AddressDistrictKey)), 0u);
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
