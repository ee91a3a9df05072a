#include <gtest/gtest.h>

#include <set>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "tests/tools/ServiceClient.h"

namespace sampletest {
namespace {

class SampleServiceContent : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { service_ = new RunningService(); }
  static void TearDownTestSuite() {
    delete service_;
    service_ = nullptr;
  }
  static RunningService& service() { return *service_; }

  /// The "data" of a successful answer.
  static Ref<fd::Dictionary> data(const std::string& endpoint, const std::map<std::string, std::string>& form = {}) {
    auto answer = service().envelope(endpoint, form);
    EXPECT_EQ(integerAt(answer, "status"), 200) << endpoint;
    return objectAt(answer, "data");
  }

  static RunningService* service_;
};

RunningService* SampleServiceContent::service_ = nullptr;

struct ListCase {
  const char* endpoint;
  std::vector<const char*> stringKeys;
};

TEST_F(SampleServiceContent, UnpagedListsCarryTheRecordFields) {
  const ListCase cases[] = {
      {"App/loading", {"image"}},
      {"App/channel_list",
       {"id", "parent_id", "url", "order_id", "_grade", "title", "_prefix", "trs_channel_id", "image_id", "image",
        "create_time", "des"}},
      {"App/banner",
       {"end_time", "order_id", "id", "parent_id", "image_id", "title", "start_time", "image", "create_time", "url"}},
  };
  for (const auto& c : cases) {
    auto list = arrayAt(data(c.endpoint), "list");
    ASSERT_GT(list->count(), 0u) << c.endpoint;
    for (size_t i = 0; i < list->count(); ++i) {
      auto item = objectIn(list, i);
      for (const char* key : c.stringKeys) {
        EXPECT_TRUE(item->objectForKeyAs<fd::StringObject>(key)) << c.endpoint << " item " << i << " " << key;
      }
    }
  }
  auto channel = objectIn(arrayAt(data("App/channel_list"), "list"), 0);
  auto hasChild = channel->objectForKeyAs<fd::Number>("_has_child");
  ASSERT_TRUE(hasChild);
  EXPECT_TRUE(hasChild->isBool());
}

TEST_F(SampleServiceContent, ChannelTreeHoldsWhatTheScreensPickFrom) {
  auto list = arrayAt(data("App/channel_list"), "list");
  std::map<std::string, std::vector<Ref<fd::Dictionary>>> byParent;
  std::set<std::string> ids, trsIds;
  for (size_t i = 0; i < list->count(); ++i) {
    auto c = objectIn(list, i);
    byParent[stringAt(c, "parent_id")].push_back(c);
    EXPECT_TRUE(ids.insert(stringAt(c, "id")).second) << "duplicate id " << stringAt(c, "id");
    trsIds.insert(stringAt(c, "trs_channel_id"));
  }
  // More activities than the home carousel shows, so that its limit matters.
  EXPECT_GT(byParent["51"].size(), 5u);
  for (const char* parent : {"55", "59", "64", "81", "101"}) EXPECT_FALSE(byParent[parent].empty()) << parent;
  for (const char* id : {"113", "56", "58", "78", "79", "80"}) EXPECT_TRUE(ids.count(id)) << id;
  for (const char* trs : {"11623", "5661", "5670", "11615", "11616", "11617", "11618", "11619", "11620", "11621",
                          "11651", "5380"}) {
    EXPECT_TRUE(trsIds.count(trs)) << trs;
  }
  for (const auto& c : byParent["101"]) EXPECT_EQ(stringAt(c, "url").rfind("http://", 0), 0u);
  for (const auto& c : byParent["51"]) EXPECT_EQ(stringAt(c, "url"), "");
}

TEST_F(SampleServiceContent, ArticleListPagesCoverTheChannelOnce) {
  for (const char* trs : {"5670", "11616"}) {
    std::set<std::string> seen;
    int64_t total = -1, pages = -1;
    for (int64_t page = 1; pages < 0 || page <= pages; ++page) {
      auto d = data("App/article_list", {{"trs_id", trs}, {"page", std::to_string(page)}, {"page_size", "10"}});
      EXPECT_EQ(stringAt(d, "page"), std::to_string(page));
      total = std::stoll(stringAt(d, "total"));
      pages = std::stoll(stringAt(d, "total_page"));
      auto items = arrayAt(d, "list");
      EXPECT_EQ(items->count(), static_cast<size_t>(std::min<int64_t>(10, total - (page - 1) * 10)));
      for (size_t i = 0; i < items->count(); ++i) {
        auto item = objectIn(items, i);
        EXPECT_TRUE(seen.insert(stringAt(item, "docId")).second);
        EXPECT_FALSE(stringAt(item, "docTitle").empty());
        EXPECT_TRUE(item->objectForKeyAs<fd::Array>("picAttach"));
      }
      ASSERT_LT(page, 1000) << "paging does not end";
    }
    EXPECT_EQ(pages, (total + 9) / 10) << trs;
    EXPECT_EQ(static_cast<int64_t>(seen.size()), total) << trs;
  }
}

TEST_F(SampleServiceContent, HomeChannelHasHundredsOfArticlesWithPictures) {
  auto d = data("App/article_list", {{"trs_id", "11623"}, {"page", "1"}, {"page_size", "50"}});
  EXPECT_GE(std::stoll(stringAt(d, "total")), 200);
  auto items = arrayAt(d, "list");
  ASSERT_EQ(items->count(), 50u);
  size_t pictured = 0, webPages = 0;
  for (size_t i = 0; i < items->count(); ++i) {
    auto item = objectIn(items, i);
    auto pictures = arrayAt(item, "picAttach");
    if (pictures->count() > 0) {
      ++pictured;
      EXPECT_EQ(stringAt(objectIn(pictures, 0), "absUrl").rfind(service().server().baseURL() + "/pictures/", 0), 0u);
    }
    if (stringAt(item, "docType") == "30") ++webPages;
  }
  EXPECT_GT(pictured, 0u);
  EXPECT_LT(pictured, 50u);
  EXPECT_GT(webPages, 0u);
}

TEST_F(SampleServiceContent, PagingEdges) {
  struct Case {
    std::map<std::string, std::string> form;
    size_t items;
    const char* page;
  };
  // 5670 holds 64 articles.
  const Case cases[] = {
      {{{"trs_id", "5670"}, {"page", "7"}, {"page_size", "10"}}, 4, "7"},
      {{{"trs_id", "5670"}, {"page", "8"}, {"page_size", "10"}}, 0, "8"},
      {{{"trs_id", "5670"}, {"page", "0"}, {"page_size", "0"}}, 10, "1"},  // unset fields fall back
      {{{"trs_id", "5670"}}, 10, "1"},
      {{{"trs_id", "5670"}, {"page", "x"}, {"page_size", "1000"}}, 64, "1"},
      {{{"trs_id", "5670"}, {"page", "99999999999999999999"}}, 10, "1"},
      {{{"trs_id", "5670"}, {"page", "5000000"}}, 0, "1000000"},
  };
  for (const auto& c : cases) {
    auto d = data("App/article_list", c.form);
    EXPECT_EQ(arrayAt(d, "list")->count(), c.items);
    EXPECT_EQ(stringAt(d, "page"), c.page);
  }
}

TEST_F(SampleServiceContent, BoardPagesWithoutTotal) {
  auto d = data("App/board", {{"trs_id", "5661"}, {"page", "2"}, {"page_size", "20"}});
  EXPECT_EQ(arrayAt(d, "list")->count(), 20u);
  EXPECT_EQ(stringAt(d, "page"), "2");
  EXPECT_FALSE(stringAt(d, "total_page").empty());
  EXPECT_FALSE(d->objectForKey("total"));
}

TEST_F(SampleServiceContent, AggregatedListsFollowTheEntries) {
  auto groups = arrayAt(data("App/juhe", {{"channel_info", "56@news_list@3|58@news_list@3|999@news_list@3"}}), "list");
  ASSERT_EQ(groups->count(), 3u);
  for (size_t g = 0; g < 2; ++g) {
    auto news = objectAt(objectIn(groups, g), "news_list");
    EXPECT_EQ(arrayAt(news, "rows")->count(), 3u);
    EXPECT_EQ(stringAt(news, "total"), "25");
  }
  auto unknown = objectAt(objectIn(groups, 2), "news_list");
  EXPECT_EQ(arrayAt(unknown, "rows")->count(), 0u);
  EXPECT_EQ(stringAt(unknown, "total"), "0");

  // The galleries' groups report each channel's whole picture count.
  auto galleries = arrayAt(data("App/juhe", {{"channel_info", "78@news_list@3|79@news_list@3|80@news_list@3"}}), "list");
  ASSERT_EQ(galleries->count(), 3u);
  for (size_t g = 0; g < 3; ++g) {
    auto rows = arrayAt(objectAt(objectIn(galleries, g), "news_list"), "rows");
    ASSERT_EQ(rows->count(), 3u);
    auto picture = objectIn(arrayAt(objectIn(rows, 0), "picAttach"), 0);
    EXPECT_NE(stringAt(picture, "desc").find('+'), std::string::npos);
  }
}

TEST_F(SampleServiceContent, ArticleDetailIsTheListedArticle) {
  auto item = objectIn(arrayAt(data("App/article_list", {{"trs_id", "11623"}}), "list"), 0);
  auto detail = data("App/article_info", {{"id", stringAt(item, "docId")}});
  for (const char* key : {"docId", "docTitle", "docRelTime", "docAuthor", "docPubUrl", "docType"}) {
    EXPECT_EQ(stringAt(detail, key), stringAt(item, key)) << key;
  }
  for (const char* key : {"chnlId", "chnlName", "docKeyWords", "docAbstract", "subTitle"}) {
    EXPECT_TRUE(detail->objectForKeyAs<fd::StringObject>(key)) << key;
  }
  auto html = stringAt(detail, "docHtmlCon");
  EXPECT_NE(html.find("<body>"), std::string::npos);
  EXPECT_NE(html.find("font-size: 32px;"), std::string::npos);
  EXPECT_EQ(stringAt(detail, "chnlId"), "11623");
  // The overview channel opens this article directly.
  EXPECT_FALSE(stringAt(data("App/article_info", {{"id", "134100"}}), "docTitle").empty());
}

TEST_F(SampleServiceContent, AboutIsText) {
  auto answer = service().envelope("App/about_us");
  EXPECT_EQ(integerAt(answer, "status"), 200);
  EXPECT_FALSE(stringAt(answer, "data").empty());
}

TEST_F(SampleServiceContent, BadParametersAreRefusedInTheEnvelope) {
  const std::pair<const char*, std::map<std::string, std::string>> cases[] = {
      {"App/article_list", {}},
      {"App/article_list", {{"trs_id", "424242"}}},
      {"App/board", {{"trs_id", ""}}},
      {"App/juhe", {}},
      {"App/juhe", {{"channel_info", "56@news_list@3|"}}},
      {"App/juhe", {{"channel_info", "56@rows@3"}}},
      {"App/juhe", {{"channel_info", "56@news_list@0"}}},
      {"App/article_info", {}},
      {"App/article_info", {{"id", "1"}}},
  };
  for (const auto& [endpoint, form] : cases) {
    auto answer = service().envelope(endpoint, form);
    EXPECT_NE(integerAt(answer, "status"), 200) << endpoint;
    EXPECT_FALSE(stringAt(answer, "info").empty()) << endpoint;
  }
}

TEST_F(SampleServiceContent, UnknownEndpointIsNotFound) {
  auto result = service().post("App/nothing");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 404);
  EXPECT_NE(integerAt(parseObject(result->body), "status"), 200);
}

TEST_F(SampleServiceContent, EveryChannelAnswersItsArticleList) {
  auto list = arrayAt(data("App/channel_list"), "list");
  for (size_t i = 0; i < list->count(); ++i) {
    auto trs = stringAt(objectIn(list, i), "trs_channel_id");
    auto answer = service().envelope("App/article_list", {{"trs_id", trs}});
    EXPECT_EQ(integerAt(answer, "status"), 200) << trs;
  }
}

TEST_F(SampleServiceContent, WebPagesBehindTheAddresses) {
  auto item = objectIn(arrayAt(data("App/article_list", {{"trs_id", "11623"}}), "list"), 0);
  auto base = service().server().baseURL();
  auto path = stringAt(item, "docPubUrl").substr(base.size());
  auto page = service().client().Get(path.c_str());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_EQ(page->get_header_value("Content-Type").rfind("text/html", 0), 0u);
  EXPECT_NE(page->body.find(stringAt(item, "docTitle")), std::string::npos);
  auto radio = service().client().Get("/web/radio.html");
  ASSERT_TRUE(radio);
  EXPECT_EQ(radio->status, 200);
  EXPECT_NE(radio->body.find("907调频"), std::string::npos);
  for (const char* missing : {"/web/article/1.html", "/web/channel/11.html", "/web/nothing"}) {
    auto r = service().client().Get(missing);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404) << missing;
  }
}

}  // namespace
}  // namespace sampletest
