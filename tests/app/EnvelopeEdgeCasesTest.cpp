#include <gtest/gtest.h>

#include "app/service/KDRequest.h"
#include "tests/app/ContentServiceFixture.h"

namespace apptest {
namespace {

using app::KDRequest;

constexpr const char* kNoData = "数据获取失败!";

const char* kItem =
    R"({"docId":"7","docTitle":"标题","picAttach":[{"absUrl":"http://127.0.0.1/a.jpg"},{"absUrl":"b"}]})";

/// What one paged-list call did.
struct PagedOutcome {
  std::vector<std::string> calls;
  Ref<app::KDPageInfo> page;
  std::vector<Ref<app::KDAPPListModel>> rows;
};

Ref<app::KDAppChannelParamsModel> firstPage() {
  auto params = rt::make<app::KDAppChannelParamsModel>();
  params->trs_id = "11623";
  params->page = 1;
  params->page_size = 10;
  return params;
}

class EnvelopeTest : public ContentServiceTest {
 protected:
  PagedOutcome articleList(const std::string& answer) {
    startScriptedServer();
    script("App/article_list", answer);
    PagedOutcome out;
    KDRequest::getAppchannelList(
        firstPage(), [&](const auto& p) { out.calls.push_back("page"), out.page = p; },
        [&](const auto& r) { out.calls.push_back("success"), out.rows = r; },
        [&](const fd::String& m) { out.calls.push_back("failure:" + m.utf8()); });
    EXPECT_TRUE(finishRequest());
    return out;
  }
};

TEST_F(EnvelopeTest, ArticleListAnswersAndWhatTheyCall) {
  struct Case {
    const char* name;
    std::string answer;
    std::vector<std::string> calls;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {"ten rows",
       R"({"status":200,"data":{"page":1,"total_page":3,"total":"25","list":[)" +
           [] {
             std::string items;
             for (int i = 0; i < 10; ++i) items += std::string(i ? "," : "") + kItem;
             return items;
           }() +
           "]}}",
       {"page", "success"},
       {}},
      {"empty list", R"({"status":200,"data":{"page":"1","total_page":"1","list":[]}})", {"page", "failure:网络错误,稍后再试!"}, {kNetworkError}},
      {"missing list", R"({"status":200,"data":{"page":"1"}})", {"page", "failure:网络错误,稍后再试!"}, {kNetworkError}},
      {"list of non-objects", R"({"status":200,"data":{"list":[1,"x",null]}})", {"page", "failure:网络错误,稍后再试!"}, {kNetworkError}},
      {"list is not an array", R"({"status":200,"data":{"list":{"docId":"1"}}})", {"page", "failure:网络错误,稍后再试!"}, {kNetworkError}},
      {"null list", R"({"status":200,"data":{"page":"1","list":null}})", {"failure:数据获取失败!"}, {kNoData}},
      {"status as text",
       R"({"status":"200","info":"状态异常","data":{"list":[]}})",
       {"failure:状态异常"},
       {"状态异常"}},
      {"status refused", R"({"status":403,"info":"签名错误"})", {"failure:签名错误"}, {"签名错误"}},
      {"status missing", R"({"info":"无状态"})", {"failure:无状态"}, {"无状态"}},
      {"not an object", R"([1,2,3])", {"failure:"}, {""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    size_t shownBefore = shownErrors().size();
    auto out = articleList(c.answer);
    EXPECT_EQ(out.calls, c.calls);
    auto all = shownErrors();
    std::vector<std::string> shown(all.begin() + shownBefore, all.end());
    EXPECT_EQ(shown, c.shown);
  }
}

TEST_F(EnvelopeTest, PageRecordKeepsTheAnswersValuesAndRowsShareIt) {
  std::string answer = std::string(R"({"status":200,"data":{"page":1,"total_page":"3","total":25,"list":[)") + kItem +
                       "," + kItem + "]}}";
  auto out = articleList(answer);
  ASSERT_TRUE(out.page);
  EXPECT_EQ(out.page->page, fd::String("1"));
  EXPECT_EQ(out.page->total_page, fd::String("3"));
  EXPECT_EQ(out.page->total, fd::String("25"));
  ASSERT_EQ(out.rows.size(), 2u);
  for (const auto& row : out.rows) {
    EXPECT_EQ(row->page, out.page);
    ASSERT_TRUE(row->picMode);
    EXPECT_EQ(row->picMode->absUrl, fd::String("http://127.0.0.1/a.jpg"));
  }
}

TEST_F(EnvelopeTest, AggregatedGroupsWithAndWithoutTotals) {
  startScriptedServer();
  script("App/juhe", std::string(R"({"status":200,"data":{"list":[)") + R"({"news_list":{"total":"12","rows":[)" +
                         kItem + "," + kItem + "]}}," + R"({"news_list":{"rows":[)" + kItem + "]}}," +
                         R"({"news_list":{"total":4,"rows":[]}},)" + R"("not a group"]}})");
  std::vector<std::vector<Ref<app::KDAPPListModel>>> groups;
  KDRequest::getAppAppjuhe(
      "1@news_list@3|2@news_list@3|3@news_list@3", [&](const auto& g) { groups = g; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_EQ(groups.size(), 3u);
  ASSERT_EQ(groups[0].size(), 2u);
  EXPECT_EQ(groups[0][0]->page->total_page, fd::String("12"));
  EXPECT_EQ(groups[0][0]->page, groups[0][1]->page);
  ASSERT_EQ(groups[1].size(), 1u);
  ASSERT_TRUE(groups[1][0]->page);
  EXPECT_TRUE(groups[1][0]->page->total_page.isEmpty());
  EXPECT_TRUE(groups[2].empty());
  auto body = scripted->requests().back().body;
  EXPECT_NE(body.find("channel_info=1%40news_list%403%7C2%40news_list%403"), std::string::npos) << body;

  // Without a list there are no groups, and that is still a success.
  script("App/juhe", R"({"status":200,"data":{}})");
  bool called = false;
  KDRequest::getAppAppjuhe(
      "1@news_list@3", [&](const auto& g) { called = g.empty(); }, nullptr);
  ASSERT_TRUE(finishRequest());
  EXPECT_TRUE(called);
}

TEST_F(EnvelopeTest, ListsWithoutItems) {
  startScriptedServer();
  // The welcome pages and the channels succeed with nothing; the banner calls nothing.
  script("App/loading", R"({"status":200,"data":{}})");
  script("App/channel_list", R"({"status":200,"data":{"list":[]}})");
  script("App/banner", R"({"status":200,"data":{"list":[]}})");
  std::vector<std::string> calls;
  KDRequest::getAppLoadingSuccess([&](const auto& r) { calls.push_back("loading " + std::to_string(r.size())); },
                                  [&](const auto&) { calls.push_back("failure"); });
  ASSERT_TRUE(finishRequest());
  KDRequest::getAppchannelSuccess([&](const auto& r) { calls.push_back("channels " + std::to_string(r.size())); },
                                  [&](const auto&) { calls.push_back("failure"); });
  ASSERT_TRUE(finishRequest());
  KDRequest::getAppbannerSuccess([&](const auto&) { calls.push_back("banner"); },
                                 [&](const auto&) { calls.push_back("failure"); });
  ASSERT_TRUE(finishRequest());
  EXPECT_EQ(calls, (std::vector<std::string>{"loading 0", "channels 0"}));
  EXPECT_EQ(appearances(), 0u);
}

TEST_F(EnvelopeTest, VideoListAnswerIsReadWithoutAnEnvelope) {
  startScriptedServer();
  testsupport::Reply reply;
  reply.contentType = "text/html";
  reply.body =
      R"({"rows":[{"id":"1","httpStreamUrl":"http://v/a_200k.f4m"},{"id":"2","httpStreamUrl":"http://v/B_200K.F4M"},)"
      R"({"id":"3","httpStreamUrl":"http://v/c_200K.mp4"},{"id":"4"},"skip"],"page":{"currPage":2,"totalPage":"7"}})";
  scripted->route("/mas/front/appList.jsp", reply);
  auto params = rt::make<app::KDVideoParamsModel>();
  params->id = "1";
  params->pageNo = 2;
  std::vector<Ref<app::KDAPPVideoModel>> videos;
  Ref<app::KDPageInfo> page;
  KDRequest::getVideoList(
      params, [&](const auto& p) { page = p; }, [&](const auto& v) { videos = v; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_EQ(videos.size(), 4u);
  EXPECT_EQ(videos[0]->httpStreamUrl, fd::String("http://v/a_800k.mp4"));
  EXPECT_EQ(videos[1]->httpStreamUrl, fd::String("http://v/B_200K.mp4"));
  EXPECT_EQ(videos[2]->httpStreamUrl, fd::String("http://v/c_200K.mp4"));
  EXPECT_TRUE(videos[3]->httpStreamUrl.isEmpty());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->page, fd::String("2"));
  EXPECT_EQ(page->total_page, fd::String("7"));
}

TEST(StreamAddressRewrite, CaseRulesOfBothReplacements) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://h/x_200k.f4m", "http://h/x_800k.mp4"},
      {"http://h/x_200K.F4M", "http://h/x_200K.mp4"},
      {"http://h/x.F4m", "http://h/x.mp4"},
      {"http://h/x_200k.mp4?y=_200K.", "http://h/x_800k.mp4?y=_800k."},
      {"http://h/x_200K.mp4", "http://h/x_200K.mp4"},
      {"http://h/x.f4m.f4m", "http://h/x.mp4.mp4"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(KDRequest::rewrittenStreamURL(in), fd::String(out)) << in;
}

}  // namespace
}  // namespace apptest
