#include <gtest/gtest.h>

#include <set>

#include "platform/foundation/text/StringObject.h"
#include "tests/tools/ServiceClient.h"

namespace sampletest {
namespace {

TEST(SampleServiceVideoList, PagesCoverTheCategoryOnce) {
  RunningService service;
  for (const char* category : {"1", "8"}) {
    std::set<std::string> seen;
    int64_t pages = -1, total = -1;
    for (int64_t page = 1; pages < 0 || page <= pages; ++page) {
      auto answer = service.videoPage(std::string("id=") + category + "&pageNo=" + std::to_string(page));
      auto info = objectAt(answer, "page");
      EXPECT_EQ(integerAt(info, "currPage"), page);
      pages = integerAt(info, "totalPage");
      total = integerAt(info, "totalCount");
      auto rows = arrayAt(answer, "rows");
      EXPECT_EQ(static_cast<int64_t>(rows->count()), std::min<int64_t>(10, total - (page - 1) * 10));
      for (size_t i = 0; i < rows->count(); ++i) {
        auto video = objectIn(rows, i);
        EXPECT_TRUE(seen.insert(stringAt(video, "id")).second);
        for (const char* key : {"title", "image", "date", "href", "fileName", "player"}) {
          EXPECT_FALSE(stringAt(video, key).empty()) << key;
        }
      }
      ASSERT_LT(page, 1000);
    }
    EXPECT_EQ(pages, (total + 9) / 10);
    EXPECT_EQ(static_cast<int64_t>(seen.size()), total);
    EXPECT_GT(total, 10) << "a category spans several pages";
  }
}

TEST(SampleServiceVideoList, StreamAddressesComeInTheFormsClientsRewrite) {
  RunningService service;
  std::set<std::string> endings;
  size_t withoutStream = 0;
  for (int page = 1; page <= 6; ++page) {
    auto rows = arrayAt(service.videoPage("id=1&pageNo=" + std::to_string(page)), "rows");
    for (size_t i = 0; i < rows->count(); ++i) {
      auto stream = objectIn(rows, i)->objectForKeyAs<fd::StringObject>("httpStreamUrl");
      if (!stream) {
        ++withoutStream;
        continue;
      }
      auto url = stream->string().utf8();
      EXPECT_EQ(url.rfind("http://", 0), 0u);
      endings.insert(url.substr(url.rfind('_') == std::string::npos ? 0 : url.rfind('_')));
    }
  }
  for (const char* ending : {"_200k.f4m", "_200K.F4M", "_800k.mp4"}) EXPECT_TRUE(endings.count(ending)) << ending;
  EXPECT_GT(withoutStream, 0u);
}

TEST(SampleServiceVideoList, OddRequestsGiveEmptyOrFirstPages) {
  RunningService service;
  struct Case {
    const char* query;
    size_t rows;
    int64_t page;
  };
  const Case cases[] = {
      {"id=77&pageNo=1", 0, 1},
      {"pageNo=1", 0, 1},
      {"id=1", 10, 1},
      {"id=1&pageNo=abc", 10, 1},
      {"id=1&pageNo=999", 0, 999},
  };
  for (const auto& c : cases) {
    auto answer = service.videoPage(c.query);
    EXPECT_EQ(arrayAt(answer, "rows")->count(), c.rows) << c.query;
    EXPECT_EQ(integerAt(objectAt(answer, "page"), "currPage"), c.page) << c.query;
  }
}

}  // namespace
}  // namespace sampletest
