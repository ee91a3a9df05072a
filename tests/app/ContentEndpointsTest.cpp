#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/service/KDRequest.h"
#include "app/service/ServiceConfig.h"
#include "tests/app/ContentServiceFixture.h"
#include "tools/sample-service/service/Catalog.h"

namespace apptest {
namespace {

using app::KDRequest;


Ref<app::KDAppChannelParamsModel> pageOf(const char* trsId, int64_t page, int64_t size) {
  auto params = rt::make<app::KDAppChannelParamsModel>();
  params->trs_id = trsId;
  params->page = page;
  params->page_size = size;
  return params;
}

TEST_F(ContentServiceTest, LoadingPagesChannelsAndBannersArriveAsRecords) {
  const auto& catalog = startSampleService().catalog();

  std::vector<Ref<app::KDAPPLoadingModel>> pages;
  KDRequest::getAppLoadingSuccess([&](const auto& r) { pages = r; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_EQ(pages.size(), catalog.loadingPages().size());
  ASSERT_FALSE(pages.empty());
  for (size_t i = 0; i < pages.size(); ++i) EXPECT_EQ(pages[i]->image.utf8(), catalog.loadingPages()[i].image);

  std::vector<Ref<app::KDAPPBannerModel>> pagesAsBanners;
  KDRequest::getApploadingSuccess([&](const auto& r) { pagesAsBanners = r; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_EQ(pagesAsBanners.size(), pages.size());
  EXPECT_EQ(pagesAsBanners[0]->image, pages[0]->image);

  std::vector<Ref<app::KDAppchannelModel>> channels;
  KDRequest::getAppchannelSuccess([&](const auto& r) { channels = r; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_EQ(channels.size(), catalog.channels().size());
  for (size_t i = 0; i < channels.size(); ++i) {
    const auto& expected = catalog.channels()[i];
    EXPECT_EQ(channels[i]->id.utf8(), expected.id);
    EXPECT_EQ(channels[i]->parent_id.utf8(), expected.parent_id);
    EXPECT_EQ(channels[i]->title.utf8(), expected.title);
    EXPECT_EQ(channels[i]->trs_channel_id.utf8(), expected.trs_channel_id);
    EXPECT_EQ(channels[i]->_has_child, expected.has_child) << expected.id;
  }

  std::vector<Ref<app::KDAPPBannerModel>> banners;
  KDRequest::getAppbannerSuccess([&](const auto& r) { banners = r; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_EQ(banners.size(), catalog.banners().size());
  for (size_t i = 0; i < banners.size(); ++i) {
    EXPECT_EQ(banners[i]->title.utf8(), catalog.banners()[i].title);
    EXPECT_EQ(banners[i]->url.utf8(), catalog.banners()[i].url);
  }
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(ContentServiceTest, ArticleListPagesThroughAChannel) {
  const auto& catalog = startSampleService().catalog();
  const auto* articles = catalog.articlesOfChannel("11623");
  ASSERT_TRUE(articles);
  const size_t total = articles->size();
  const size_t pageSize = 10;
  const size_t totalPages = (total + pageSize - 1) / pageSize;
  ASSERT_GT(total % pageSize, 0u) << "the last page should be a short one";

  for (size_t page : {size_t(1), totalPages}) {
    std::vector<std::string> order;
    Ref<app::KDPageInfo> info;
    std::vector<Ref<app::KDAPPListModel>> rows;
    KDRequest::getAppchannelList(
        pageOf("11623", int64_t(page), int64_t(pageSize)),
        [&](const Ref<app::KDPageInfo>& p) { order.push_back("page"), info = p; },
        [&](const auto& r) { order.push_back("success"), rows = r; },
        [&](const fd::String&) { order.push_back("failure"); });
    ASSERT_TRUE(finishRequest());
    EXPECT_EQ(order, (std::vector<std::string>{"page", "success"}));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->page.integerValue(), int64_t(page));
    EXPECT_EQ(info->total_page.integerValue(), int64_t(totalPages));
    EXPECT_EQ(info->total.integerValue(), int64_t(total));
    size_t expectedRows = page < totalPages ? pageSize : total % pageSize;
    ASSERT_EQ(rows.size(), expectedRows) << page;
    size_t withPictures = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
      const auto& expected = (*articles)[(page - 1) * pageSize + i];
      EXPECT_EQ(rows[i]->docId.utf8(), expected.docId);
      EXPECT_EQ(rows[i]->docTitle.utf8(), expected.docTitle);
      EXPECT_EQ(rows[i]->page, info) << "every row shares the answer's page record";
      if (expected.picAttach.empty()) {
        EXPECT_FALSE(rows[i]->picMode);
      } else {
        ++withPictures;
        ASSERT_TRUE(rows[i]->picMode);
        EXPECT_EQ(rows[i]->picMode->absUrl.utf8(), expected.picAttach[0].absUrl);
        EXPECT_EQ(rows[i]->picAttach->count(), expected.picAttach.size());
      }
    }
    EXPECT_GT(withPictures, 0u);
  }
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(ContentServiceTest, BoardPagesCarryNoTotalAndRowsNoPageRecord) {
  const auto& catalog = startSampleService().catalog();
  size_t total = catalog.articlesOfChannel("5661")->size();
  Ref<app::KDPageInfo> info;
  std::vector<Ref<app::KDAPPListModel>> rows;
  KDRequest::getAppboardList(
      pageOf("5661", 2, 20), [&](const auto& p) { info = p; }, [&](const auto& r) { rows = r; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->page, fd::String("2"));
  EXPECT_EQ(info->total_page.integerValue(), int64_t((total + 19) / 20));
  EXPECT_TRUE(info->total.isEmpty());
  ASSERT_EQ(rows.size(), std::min<size_t>(20, total - 20));
  for (const auto& row : rows) EXPECT_FALSE(row->page);
}

TEST_F(ContentServiceTest, AggregatedListsGiveOneGroupPerChannel) {
  const auto& catalog = startSampleService().catalog();
  std::vector<std::vector<Ref<app::KDAPPListModel>>> groups;
  KDRequest::getAppAppjuhe(
      "56@news_list@3|58@news_list@3|80@news_list@2", [&](const auto& g) { groups = g; }, nullptr);
  ASSERT_TRUE(finishRequest());
  const std::pair<const char*, size_t> expected[] = {{"56", 3}, {"58", 3}, {"80", 2}};
  ASSERT_EQ(groups.size(), std::size(expected));
  for (size_t g = 0; g < groups.size(); ++g) {
    const auto* channel = catalog.channelById(expected[g].first);
    ASSERT_TRUE(channel);
    const auto& articles = *catalog.articlesOfChannel(channel->trs_channel_id);
    ASSERT_EQ(groups[g].size(), expected[g].second);
    auto page = groups[g][0]->page;
    ASSERT_TRUE(page);
    EXPECT_EQ(page->total_page.integerValue(), int64_t(articles.size()));
    for (size_t i = 0; i < groups[g].size(); ++i) {
      EXPECT_EQ(groups[g][i]->docId.utf8(), articles[i].docId);
      EXPECT_EQ(groups[g][i]->page, page);
    }
  }
}

TEST_F(ContentServiceTest, ArticleDetailAndAboutPage) {
  const auto& catalog = startSampleService().catalog();
  const auto& article = (*catalog.articlesOfChannel("11623"))[3];
  Ref<app::KDAPPAticleDetailModel> detail;
  KDRequest::getAppArticleInfo(
      article.docId, [&](const auto& d) { detail = d; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_TRUE(detail);
  EXPECT_EQ(detail->docId.utf8(), article.docId);
  EXPECT_EQ(detail->docTitle.utf8(), article.docTitle);
  EXPECT_EQ(detail->docHtmlCon.utf8(), article.docHtmlCon);
  EXPECT_FALSE(detail->docHtmlCon.isEmpty());

  rt::Id about;
  KDRequest::getAboutusSuccess([&](const rt::Id& d) { about = d; }, nullptr);
  ASSERT_TRUE(finishRequest());
  ASSERT_TRUE(about);
  EXPECT_EQ(about->description().utf8(), catalog.about());

  // An unknown article is a refusal: its text reaches the failure block and the display.
  std::vector<std::string> failures;
  KDRequest::getAppArticleInfo("no-such-article", nullptr, [&](const fd::String& m) { failures.push_back(m.utf8()); });
  ASSERT_TRUE(finishRequest());
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_FALSE(failures[0].empty());
  EXPECT_EQ(shownErrors(), failures);
}

TEST_F(ContentServiceTest, VideoListRewritesStreamAddressesThenReportsThePage) {
  const auto& catalog = startSampleService().catalog();
  const auto& videos = *catalog.videosOfCategory("1");
  auto params = rt::make<app::KDVideoParamsModel>();
  params->id = "1";
  params->pageNo = 1;
  std::vector<std::string> order;
  std::vector<Ref<app::KDAPPVideoModel>> got;
  Ref<app::KDPageInfo> info;
  KDRequest::getVideoList(
      params, [&](const auto& p) { order.push_back("page"), info = p; },
      [&](const auto& v) { order.push_back("success"), got = v; }, nullptr);
  ASSERT_TRUE(finishRequest());
  EXPECT_EQ(order, (std::vector<std::string>{"success", "page"}));
  ASSERT_EQ(got.size(), 10u);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->page, fd::String("1"));
  EXPECT_EQ(info->total_page.integerValue(), int64_t((videos.size() + 9) / 10));

  // Each address form the service sends (longest endings first), and what the player gets.
  const std::pair<std::string, std::string> endings[] = {
      {"_200k.f4m", "_800k.mp4"}, {"_200K.F4M", "_200K.mp4"}, {"_800k.mp4", "_800k.mp4"},
      {"_200k.mp4", "_800k.mp4"}, {".f4m", ".mp4"},
  };
  std::set<std::string> formsSeen;
  for (size_t i = 0; i < got.size(); ++i) {
    const std::string& original = videos[i].httpStreamUrl;
    EXPECT_EQ(got[i]->id.utf8(), videos[i].id);
    if (original.empty()) {
      EXPECT_TRUE(got[i]->httpStreamUrl.isEmpty());
      formsSeen.insert("none");
      continue;
    }
    auto form = std::find_if(std::begin(endings), std::end(endings),
                             [&](const auto& e) { return original.ends_with(e.first); });
    ASSERT_NE(form, std::end(endings)) << original;
    std::string stem = original.substr(0, original.size() - form->first.size());
    EXPECT_EQ(got[i]->httpStreamUrl.utf8(), stem + form->second) << original;
    formsSeen.insert(form->first);
  }
  EXPECT_EQ(formsSeen.size(), std::size(endings) + 1) << "the page holds every address form";
}

TEST_F(ContentServiceTest, RefusalsReachTheFailureBlockAndTheDisplay) {
  sample::ServiceOptions options;
  options.failMode = sample::FailMode::Errors;
  startSampleService(options);

  std::vector<std::string> failures;
  auto failure = [&](const fd::String& m) { failures.push_back(m.utf8()); };
  bool succeeded = false;
  KDRequest::getAppchannelSuccess([&](const auto&) { succeeded = true; }, failure);
  ASSERT_TRUE(finishRequest());
  KDRequest::getAppchannelList(
      pageOf("11623", 1, 10), [&](const auto&) { succeeded = true; }, [&](const auto&) { succeeded = true; }, failure);
  ASSERT_TRUE(finishRequest());
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_FALSE(failures[0].empty());
  EXPECT_EQ(shownErrors(), failures);

  // The banner only tells its failure block; the about page tells no one.
  size_t shownBefore = appearances();
  KDRequest::getAppbannerSuccess([&](const auto&) { succeeded = true; }, failure);
  ASSERT_TRUE(finishRequest());
  EXPECT_EQ(failures.size(), 3u);
  KDRequest::getAboutusSuccess([&](const rt::Id&) { succeeded = true; }, failure);
  ASSERT_TRUE(finishRequest());
  EXPECT_EQ(failures.size(), 3u);
  EXPECT_EQ(appearances(), shownBefore);
  EXPECT_FALSE(succeeded);
}

TEST_F(ContentServiceTest, TransportFailuresShowTheNetworkError) {
  sample::ServiceOptions options;
  options.failMode = sample::FailMode::Malformed;
  startSampleService(options);

  std::vector<std::string> failures;
  KDRequest::getAppLoadingSuccess(nullptr, [&](const fd::String& m) { failures.push_back(m.utf8()); });
  ASSERT_TRUE(finishRequest());
  EXPECT_EQ(failures, std::vector<std::string>{kNetworkError});
  EXPECT_EQ(shownErrors(), std::vector<std::string>{kNetworkError});

  // The video list shows the error, then hands it to the failure block alone.
  bool called = false;
  Ref<fd::Error> videoError;
  auto params = rt::make<app::KDVideoParamsModel>();
  params->id = "8";
  params->pageNo = 1;
  KDRequest::getVideoList(
      params, [&](const auto&) { called = true; }, [&](const auto&) { called = true; },
      [&](const Ref<fd::Error>& error) { videoError = error; });
  ASSERT_TRUE(finishRequest());
  EXPECT_FALSE(called);
  EXPECT_TRUE(videoError);
  EXPECT_EQ(shownErrors(), (std::vector<std::string>{kNetworkError, kNetworkError}));

  // Nobody listening at all.
  int port = service->port();
  service->stop();
  app::ServiceConfig::shared().setContentHost("127.0.0.1:" + std::to_string(port));
  KDRequest::getAboutusSuccess([&](const rt::Id&) { called = true; },
                               [&](const fd::String& m) { failures.push_back(m.utf8()); });
  ASSERT_TRUE(finishRequest());
  EXPECT_FALSE(called);
  EXPECT_EQ(failures, (std::vector<std::string>{kNetworkError, kNetworkError}));
}

TEST_F(ContentServiceTest, ASkewedClockIsRefusedByTheService) {
  startSampleService();
  // The service allows 300 s of difference; an hour is refused in the envelope.
  clock->setNow(clock->now() - 3600);
  std::vector<std::string> failures;
  bool succeeded = false;
  KDRequest::getAppchannelSuccess([&](const auto&) { succeeded = true; },
                                  [&](const fd::String& m) { failures.push_back(m.utf8()); });
  ASSERT_TRUE(finishRequest());
  EXPECT_FALSE(succeeded);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0], kNetworkError);
  EXPECT_EQ(shownErrors(), failures);
}

}  // namespace
}  // namespace apptest
