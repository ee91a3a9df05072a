// The news tab's home screen against the sample service (or scripted answers where the sample
// data cannot show a case): channel pages and their paging, the carousels' contents, what every
// tap opens, and failures that must end every spinner.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/cells/KDHomeNewsCell.h"
#include "app/screens/KDActiveListViewController.h"
#include "app/screens/KDActivitListViewController.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDHomeViewController.h"
#include "app/screens/KDSetViewController.h"
#include "app/screens/KDWebViewController.h"
#include "app/service/ServiceConfig.h"
#include "app/shell/QPNavigationController.h"
#include "image/web/WIImageCache.h"
#include "image/web/WIWebImageManager.h"
#include "net/http/NKURLConnectionOperation.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "tests/app/ContentServiceFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "platform/ui/controls/PageControl.h"
#include "widgets/carousel/WICollectionViewCell.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshFooter.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

namespace fs = std::filesystem;
using app::KDHomeViewController;
using fd::RunLoopDriver;

class HomeScreenTest : public apptest::ContentServiceTest {
 protected:
  void SetUp() override {
    apptest::ContentServiceTest::SetUp();
    // The screen has several requests under way at once, and the activity indicator goes off
    // with the first that ends: the client's own operation notifications count them all.
    auto center = fd::NotificationCenter::defaultCenter();
    observers_.push_back(center->addObserverForName(fd::String(net::NKNetworkingOperationDidStartNotification), nullptr,
                                                    nullptr, [this](const Ref<fd::Notification>&) { ++started_; }));
    observers_.push_back(center->addObserverForName(fd::String(net::NKNetworkingOperationDidFinishNotification), nullptr,
                                                    nullptr, [this](const Ref<fd::Notification>&) { ++finished_; }));
  }
  void TearDown() override {
    for (const auto& token : observers_) fd::NotificationCenter::defaultCenter()->removeObserver(token);
    if (window) window->setRootViewController(nullptr);
    home.reset();
    nav.reset();
    ui::Transaction::flush();
    apptest::ContentServiceTest::TearDown();
  }

  /// Shows the home screen in a navigation stack and waits for its first answers.
  void open(bool wait = true) {
    home = rt::make<KDHomeViewController>();
    nav = rt::make<app::QPNavigationController>(std::static_pointer_cast<ui::ViewController>(home));
    window->setRootViewController(nav);
    window->layoutIfNeeded();
    RunLoopDriver::advance(KDHomeViewController::kStartDelay + 0.05);
    host.renderFrame();
    if (wait) settle();
  }
  /// Lets layout and refresh animations run, then the requests under way end.
  void settle() {
    for (int i = 0; i < 5; ++i) {
      host.renderFrame();
      RunLoopDriver::advance(0.2);
    }
    EXPECT_TRUE(finishRequest(60));
    // Requests handed to the network thread but not started yet show up within moments.
    for (int quiet = 0; quiet < 3;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      RunLoopDriver::runUntilIdle();
      if (started_ == finished_ && !ui::Application::sharedApplication()->isNetworkActivityIndicatorVisible()) {
        ++quiet;
        continue;
      }
      quiet = 0;
      EXPECT_TRUE(RunLoopDriver::runUntil([&] { return started_ == finished_; }, 60));
      finishRequest(60);
    }
    finishRequest(1);  // notes an error the last answer showed
    for (int i = 0; i < 20; ++i) {
      RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  ui::TableView& table(size_t page) { return *home->pageViews().at(page); }
  static bool headerRefreshing(ui::TableView& t) { return widgets::km_header(t)->isRefreshing(); }
  static Ref<widgets::KMRefreshFooter> attachedFooter(ui::TableView& t) {
    auto footer = widgets::km_footer(t);
    return footer && footer->superview() ? footer : nullptr;
  }
  gfx::Point centerOf(const Ref<ui::View>& view) const {
    gfx::Rect b = view->bounds();
    return view->convertPointToView({gfx::RectGetMidX(b), gfx::RectGetMidY(b)}, window.get());
  }
  /// A real tap on channel title `index`.
  void selectChannel(int64_t index) {
    auto item = home->cursor()->scrollNavBar()->getItemWithIndex(index);
    ASSERT_NE(item, nullptr);
    host.tap(centerOf(item));
  }
  /// The controller the last push put on top; pops it again so the next tap starts at home.
  Ref<ui::ViewController> takePushed() {
    RunLoopDriver::advance(0.6);
    host.renderFrame();
    auto top = nav->topViewController();
    if (top == home) return nullptr;
    nav->popViewControllerAnimated(false);
    host.renderFrame();
    return top;
  }
  void shoot(const std::string& name) {
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      std::string error;
      window->layoutIfNeeded();
      EXPECT_TRUE(host.shoot((fs::path(artifacts) / name).string(), &error)) << error;
    }
  }
  static bool hudShown() {
    auto hud = widgets::PHProgressHUD::sharedView();
    return hud->superview() && hud->alpha() > 0;
  }

  /// Scripted answers: `rows` articles a page (pictured or not), `totalPages` pages, and the
  /// given banner count and channel list.
  void scriptService(int rows, int totalPages, bool pictured, int banners, const std::string& channels) {
    startScriptedServer();
    std::string list;
    for (int i = 0; i < rows; ++i) {
      if (i) list += ",";
      list += R"({"docId":")" + std::to_string(500 + i) + R"(","docTitle":"标题)" + std::to_string(i) +
              R"(","docType":"20","docRelTime":"2026-05-01 10:00:00")";
      if (pictured) list += R"(,"picAttach":[{"absUrl":"/pic/)" + std::to_string(i) + R"(.jpg"}])";
      list += "}";
    }
    script("App/article_list", R"({"status":200,"info":"ok","data":{"page":"1","total_page":")" +
                                   std::to_string(totalPages) + R"(","total":"99","list":[)" + list + "]}}");
    std::string bannerList;
    for (int i = 0; i < banners; ++i) {
      if (i) bannerList += ",";
      bannerList += R"({"id":")" + std::to_string(i) + R"(","title":"横幅)" + std::to_string(i) +
                    R"(","image":"/b/)" + std::to_string(i) + R"(.jpg","url":"http://example.invalid/)" +
                    std::to_string(i) + R"("})";
    }
    script("App/banner", R"({"status":200,"info":"ok","data":{"list":[)" + bannerList + "]}}");
    script("App/channel_list", R"({"status":200,"info":"ok","data":{"list":[)" + channels + "]}}");
  }
  static std::string channelJSON(const std::string& id, const std::string& parent) {
    return R"({"id":")" + id + R"(","parent_id":")" + parent + R"(","title":"频道)" + id + R"(","image":"/c/)" + id +
           R"(.png","trs_channel_id":"9)" + id + R"("})";
  }

  ui::HeadlessHost host;
  std::vector<rt::Id> observers_;
  size_t started_ = 0, finished_ = 0;
  Ref<KDHomeViewController> home;
  Ref<app::QPNavigationController> nav;
};

TEST_F(HomeScreenTest, FirstPageFillsTableAndCarouselsAndPullUpAppendsPageTwo) {
  const auto& catalog = startSampleService().catalog();
  const auto& news = *catalog.articlesOfChannel("11623");
  open();

  // Layout of the bar and the header.
  const double W = 375;
  EXPECT_EQ(home->cursor()->frame().origin, (gfx::Point{0, 0}));
  EXPECT_EQ(home->cursor()->frame().size.height, home->view()->bounds().size.height);
  EXPECT_EQ(home->cursor()->scrollNavBar()->frame(), gfx::RectMake(W / 8, 20, 3 * W / 4, 44));
  ASSERT_EQ(home->separators().size(), 2u);
  EXPECT_EQ(home->separators()[0]->frame(), gfx::RectMake(W / 3 + W / 16 - 4, 34, 1, 16));
  EXPECT_EQ(home->separators()[1]->frame(), gfx::RectMake(2 * W / 3 - W / 16 + 4, 34, 1, 16));
  gfx::Rect gear = home->settingsButton()->frame();
  EXPECT_EQ(gear.origin.y, 30);
  EXPECT_EQ(gfx::RectGetMaxX(gear), W - 15);
  EXPECT_EQ(home->cycleScrollView1()->frame(), gfx::RectMake(10, 10, W - 20, 2 * W / 5 + 30));
  EXPECT_EQ(table(0).tableHeaderView()->frame().size.height, 2 * W / 5 + 45);

  // Page 1 of the news channel: 50 rows, more pages, so a footer and the next page noted.
  ASSERT_EQ(home->modelArray().size(), 50u);
  EXPECT_EQ(home->modelArray()[0]->docTitle.utf8(), news[0].docTitle);
  EXPECT_EQ(table(0).numberOfRowsInSection(0), 50);
  EXPECT_EQ(table(0).rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)).size.height, 105);
  EXPECT_EQ(home->paramsModel()->trs_id.utf8(), "11623");
  EXPECT_EQ(home->paramsModel()->page, 2);
  EXPECT_EQ(home->paramsModel()->page_size, 50);
  EXPECT_NE(attachedFooter(table(0)), nullptr);
  EXPECT_FALSE(headerRefreshing(table(0)));
  EXPECT_FALSE(hudShown());

  // Six banners: four of them lead carousels 1 and 2, then the first three pictured articles.
  ASSERT_EQ(home->ourBannerarray().size(), 6u);
  ASSERT_EQ(home->bannerModelArray().size(), 3u);
  std::vector<std::string> expectedTargets;
  for (size_t i = 0; i < 4; ++i) expectedTargets.push_back(catalog.banners()[i].url);
  for (size_t i : {0u, 1u, 3u}) expectedTargets.push_back(news[i].docId);  // news row 2 has no picture
  std::vector<std::string> targets;
  for (const auto& t : home->bannerpushArray()) targets.push_back(t.utf8());
  EXPECT_EQ(targets, expectedTargets);
  EXPECT_EQ(home->bannerImageArray()[0].utf8(), catalog.banners()[0].image);
  EXPECT_EQ(home->bannerImageArray()[4].utf8(), news[0].picAttach[0].absUrl);
  EXPECT_EQ(home->bannerTitleArray()[6].utf8(), news[3].docTitle);
  for (const auto& carousel : {home->cycleScrollView1(), home->cycleScrollView2()}) {
    EXPECT_EQ(carousel->imageURLStringsGroup(), home->bannerImageArray());
    EXPECT_EQ(carousel->titlesGroup(), home->bannerTitleArray());
  }

  // The rows' pictures arrive through the image pipeline.
  auto cell = std::dynamic_pointer_cast<app::KDHomeNewsCell>(table(0).cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)));
  ASSERT_NE(cell, nullptr);
  auto placeholder = gfx::Image::imageNamed("placeimage");
  EXPECT_TRUE(RunLoopDriver::runUntil(
      [&] {
        auto image = cell->icon()->image();
        return image && image != placeholder;
      },
      20));
  host.renderFrame();
  shoot("home-news.png");

  // Pull-up: page 2 is appended; the carousels keep what they had.
  auto footer = attachedFooter(table(0));
  ASSERT_NE(footer, nullptr);
  footer->beginRefreshing();
  settle();
  ASSERT_EQ(home->modelArray().size(), 100u);
  EXPECT_EQ(home->modelArray()[50]->docTitle.utf8(), news[50].docTitle);
  EXPECT_EQ(table(0).numberOfRowsInSection(0), 100);
  EXPECT_EQ(home->paramsModel()->page, 3);
  EXPECT_EQ(home->bannerImageArray().size(), 7u);
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(HomeScreenTest, LastPageHasNoFooterAndBannersAreNotRepeatedByPagesWithoutPictures) {
  // One page without pictures, then three pages without pictures: the carousels hold the
  // four first banners once, however many pages come.
  for (int totalPages : {1, 3}) {
    SCOPED_TRACE(totalPages);
    scriptService(6, totalPages, false, 6, channelJSON("114", "51"));
    open();
    EXPECT_EQ(home->modelArray().size(), 6u);
    EXPECT_EQ(attachedFooter(table(0)) != nullptr, totalPages > 1);
    if (totalPages > 1) {
      attachedFooter(table(0))->beginRefreshing();
      settle();
      EXPECT_EQ(home->modelArray().size(), 12u);
      auto requests = scripted->requests();
      ASSERT_FALSE(requests.empty());
      std::string lastList;
      for (const auto& r : requests)
        if (r.path == "/api.php/App/article_list") lastList = r.body;
      EXPECT_NE(lastList.find("page=2"), std::string::npos) << lastList;
    }
    EXPECT_TRUE(home->bannerModelArray().empty());
    ASSERT_EQ(home->bannerImageArray().size(), 4u);
    EXPECT_EQ(home->bannerTitleArray().back().utf8(), "横幅3");
    EXPECT_EQ(home->cycleScrollView1()->imageURLStringsGroup().size(), 4u);
    EXPECT_FALSE(headerRefreshing(table(0)));
    window->setRootViewController(nullptr);
  }
}

TEST_F(HomeScreenTest, SwitchingChannelWhileAPageIsUnderWayFillsEachTableWithItsOwnChannel) {
  sample::ServiceOptions options;
  options.latencyMilliseconds = 500;
  const auto& catalog = startSampleService(options).catalog();
  const auto& news = *catalog.articlesOfChannel("11623");
  const auto& notices = *catalog.articlesOfChannel("5661");
  ASSERT_NE(news[0].docTitle, notices[0].docTitle);
  open(false);
  ASSERT_TRUE(ui::Application::sharedApplication()->isNetworkActivityIndicatorVisible());
  EXPECT_EQ(table(0).numberOfRowsInSection(0), 0);
  selectChannel(1);
  for (int i = 0; i < 10; ++i) {
    RunLoopDriver::advance(0.1);
    host.renderFrame();
  }
  EXPECT_EQ(home->currentIndex(), 1);
  EXPECT_EQ(home->paramsModel()->trs_id.utf8(), "5661");
  settle();
  // Each answer fills the table it was asked for, with that channel's articles, whichever
  // came last.
  EXPECT_EQ(table(0).numberOfRowsInSection(0), 50);
  EXPECT_EQ(table(1).numberOfRowsInSection(0), 50);
  ASSERT_EQ(home->rowsOfPage(0).size(), 50u);
  ASSERT_EQ(home->rowsOfPage(1).size(), 50u);
  EXPECT_EQ(home->rowsOfPage(0)[0]->docTitle.utf8(), news[0].docTitle);
  EXPECT_EQ(home->rowsOfPage(1)[0]->docTitle.utf8(), notices[0].docTitle);
  ASSERT_EQ(home->modelArray().size(), 50u);
  EXPECT_EQ(home->modelArray()[0]->docTitle.utf8(), notices[0].docTitle) << "the channel shown";
  EXPECT_EQ(home->paramsModel()->trs_id.utf8(), "5661");
  auto row = std::dynamic_pointer_cast<app::KDHomeNewsCell>(
      home->tableViewCellForRowAtIndexPath(table(0), fd::IndexPath::indexPathForRow(0, 0)));
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->model()->docTitle.utf8(), news[0].docTitle);
  // A row of the first table opens the first channel's article.
  home->tableViewDidSelectRowAtIndexPath(table(0), fd::IndexPath::indexPathForRow(0, 0));
  auto detail = rt::as<app::KDArticleDetailViewController>(takePushed());
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->model()->docId.utf8(), news[0].docId);
  EXPECT_FALSE(headerRefreshing(table(0)));
  EXPECT_FALSE(headerRefreshing(table(1)));
  EXPECT_FALSE(hudShown());
  shoot("home-notices.png");
}

TEST_F(HomeScreenTest, BannerTargetsWithASchemeOpenTheWebPageAndOthersTheArticle) {
  startScriptedServer();
  script("App/article_list", R"({"status":200,"info":"ok","data":{"page":"1","total_page":"1","total":"1","list":[)"
                             R"({"docId":"500","docTitle":"标题","docType":"20","picAttach":[{"absUrl":"/pic/0.jpg"}]}]}})");
  script("App/banner", R"({"status":200,"info":"ok","data":{"list":[)"
                       R"({"id":"0","title":"安全横幅","image":"/b/0.jpg","url":"https://example.invalid/0"},)"
                       R"({"id":"1","title":"文章横幅","image":"https://cdn.example.invalid/b/1.jpg","url":"7001"},)"
                       R"({"id":"2","title":"普通横幅","image":"b/2.jpg","url":"http://example.invalid/2"}]}})");
  script("App/channel_list", R"({"status":200,"info":"ok","data":{"list":[]}})");
  open();
  std::string host = app::ServiceConfig::shared().contentHost().utf8();
  // The carousels load bare paths from the content host and full addresses as they are.
  ASSERT_EQ(home->bannerImageArray().size(), 4u);
  EXPECT_EQ(home->bannerImageArray()[0].utf8(), host + "/b/0.jpg");
  EXPECT_EQ(home->bannerImageArray()[1].utf8(), "https://cdn.example.invalid/b/1.jpg");
  EXPECT_EQ(home->bannerImageArray()[2].utf8(), host + "/b/2.jpg");
  EXPECT_EQ(home->bannerImageArray()[3].utf8(), host + "/pic/0.jpg");
  EXPECT_EQ(home->cycleScrollView1()->imageURLStringsGroup()[0].utf8(), host + "/b/0.jpg");

  struct Case {
    int64_t index;
    const char* web;  // the address the web page screen opens, null: the article page
    const char* docId;
  } cases[] = {{0, "https://example.invalid/0", nullptr}, {1, nullptr, "7001"}, {2, "http://example.invalid/2", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    home->cycleScrollViewDidSelectItemAtIndex(*home->cycleScrollView1(), c.index);
    auto pushed = takePushed();
    if (c.web) {
      auto web = rt::as<app::KDWebViewController>(pushed);
      ASSERT_NE(web, nullptr);
      EXPECT_EQ(web->webUrl().utf8(), c.web);
    } else {
      auto detail = rt::as<app::KDArticleDetailViewController>(pushed);
      ASSERT_NE(detail, nullptr);
      EXPECT_EQ(detail->model()->docId.utf8(), c.docId);
    }
  }
}

TEST_F(HomeScreenTest, ActivitiesPageShowsFiveActivitiesAndAllTopicsAndPullDownReloadsBoth) {
  const auto& catalog = startSampleService().catalog();
  open();
  // On its way the container passes page 1, which loads too: which answer the shared row
  // list holds last is up to the network, so the rows are checked after the pull-down.
  selectChannel(2);
  settle();
  ASSERT_EQ(home->currentIndex(), 2);
  EXPECT_EQ(table(2).numberOfRowsInSection(0), 50);

  // Seven channels of parent "51": the first five in order, then the entry for all of them.
  std::vector<std::string> expected;
  for (const auto& c : catalog.channels())
    if (c.parent_id == "51" && expected.size() < 5) expected.push_back(c.title);
  expected.push_back("全部专题");
  std::vector<std::string> titles;
  for (const auto& t : home->activetytitlearray()) titles.push_back(t.utf8());
  EXPECT_EQ(titles, expected);
  ASSERT_EQ(home->activityArray().size(), 5u);
  EXPECT_EQ(home->activetyImagearray().back().utf8(), catalog.channelById("113")->image);
  EXPECT_EQ(home->cycleScrollView3()->imageURLStringsGroup(), home->activetyImagearray());
  EXPECT_EQ(home->cycleScrollView3()->titlesGroup(), home->activetytitlearray());
  shoot("home-activities.png");

  // Pull-down asks for the channels and page 1 of the activities again.
  auto channelLoads = [&] {
    size_t n = 0;
    for (const auto& line : logLines()) n += line.find("getAppchannelSuccess") != std::string::npos;
    return n;
  };
  size_t before = channelLoads();
  home->paramsModel()->page = 2;
  widgets::km_header(table(2))->beginRefreshing();
  settle();
  EXPECT_EQ(channelLoads(), before + 1);
  EXPECT_EQ(home->paramsModel()->trs_id.utf8(), "5670");
  EXPECT_EQ(home->paramsModel()->page, 2);  // page 1 answered, page 2 next
  const auto& activities = *catalog.articlesOfChannel("5670");
  ASSERT_EQ(home->modelArray().size(), 50u);
  EXPECT_EQ(home->modelArray()[0]->docTitle.utf8(), activities[0].docTitle);
  EXPECT_EQ(home->activityArray().size(), 5u);
  EXPECT_FALSE(headerRefreshing(table(2)));
}

TEST_F(HomeScreenTest, AllTopicsEntryOnlyWithChannel113) {
  std::string seven;
  for (int i = 0; i < 7; ++i) seven += channelJSON(std::to_string(200 + i), "51") + ",";
  for (bool with113 : {true, false}) {
    SCOPED_TRACE(with113);
    scriptService(3, 1, true, 1, seven + channelJSON(with113 ? "113" : "112", "0"));
    open();
    home->getActivit();
    ASSERT_TRUE(finishRequest(30));
    EXPECT_EQ(home->activityArray().size(), 5u);
    EXPECT_EQ(home->activityArray()[4]->id.utf8(), "204");
    EXPECT_EQ(home->activetytitlearray().size(), with113 ? 6u : 5u);
    EXPECT_EQ(home->activetytitlearray().back().utf8(), with113 ? "全部专题" : "频道204");
    // The carousel always shows what its taps read.
    EXPECT_EQ(home->cycleScrollView3()->titlesGroup(), home->activetytitlearray());
    window->setRootViewController(nullptr);
  }
}

TEST_F(HomeScreenTest, TapsOpenTheRightScreenWithItsProperties) {
  const auto& catalog = startSampleService().catalog();
  const auto& news = *catalog.articlesOfChannel("11623");
  open();
  home->getActivit();
  ASSERT_TRUE(finishRequest(30));
  auto& c1 = *home->cycleScrollView1();
  auto& c3 = *home->cycleScrollView3();

  // Banner 0 is a web address, banner 1 an article id.
  ASSERT_NE(catalog.banners()[0].url.find("http:"), std::string::npos);
  home->cycleScrollViewDidSelectItemAtIndex(c1, 0);
  auto web = rt::as<app::KDWebViewController>(takePushed());
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->webUrl().utf8(), catalog.banners()[0].url);
  EXPECT_EQ(web->title().utf8(), catalog.banners()[0].title);

  home->cycleScrollViewDidSelectItemAtIndex(*home->cycleScrollView2(), 1);
  auto detail = rt::as<app::KDArticleDetailViewController>(takePushed());
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->model()->docId.utf8(), catalog.banners()[1].url);
  EXPECT_EQ(detail->model()->docTitle.utf8(), catalog.banners()[1].title);

  // A pictured article in the carousel opens by its id.
  home->cycleScrollViewDidSelectItemAtIndex(c1, 4);
  detail = rt::as<app::KDArticleDetailViewController>(takePushed());
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->model()->docId.utf8(), news[0].docId);

  // Carousel 3: an activity channel, then the entry for all of them.
  home->cycleScrollViewDidSelectItemAtIndex(c3, 0);
  auto channel = rt::as<app::KDActiveListViewController>(takePushed());
  ASSERT_NE(channel, nullptr);
  EXPECT_EQ(channel->model(), home->activityArray()[0]);
  home->cycleScrollViewDidSelectItemAtIndex(c3, 5);
  settle();
  auto all = rt::as<app::KDActivitListViewController>(nav->topViewController());
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->modelArray().size(), 7u);  // loads as soon as it is shown
  EXPECT_EQ(all->contentView()->numberOfRowsInSection(0), 7);
  EXPECT_EQ(takePushed(), all);

  // Indexes past the lists (a carousel showing more than the lists hold) open nothing.
  for (int64_t index : {-1, 7, 99}) {
    home->cycleScrollViewDidSelectItemAtIndex(c1, index);
    home->cycleScrollViewDidSelectItemAtIndex(c3, index);
    EXPECT_EQ(takePushed(), nullptr) << index;
  }

  // Rows: a web-page article opens the web screen, any other the article page.
  ASSERT_EQ(news[5].docType, "30");
  home->tableViewDidSelectRowAtIndexPath(table(0), fd::IndexPath::indexPathForRow(5, 0));
  web = rt::as<app::KDWebViewController>(takePushed());
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->webUrl().utf8(), news[5].docPubUrl);
  EXPECT_EQ(web->title().utf8(), news[5].docTitle);
  ASSERT_NE(web->titleLabel(), nullptr);
  EXPECT_EQ(web->titleLabel()->text().utf8(), news[5].docTitle) << "the bar shows the title";
  home->tableViewDidSelectRowAtIndexPath(table(0), fd::IndexPath::indexPathForRow(500, 0));
  EXPECT_EQ(takePushed(), nullptr);

  // Real taps: a row, then the settings button.
  table(0).layoutIfNeeded();
  auto row = table(0).cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0));
  ASSERT_NE(row, nullptr);
  host.tap(centerOf(row));
  detail = rt::as<app::KDArticleDetailViewController>(takePushed());
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->model(), home->modelArray()[0]);
  host.tap(centerOf(home->settingsButton()));
  EXPECT_NE(rt::as<app::KDSetViewController>(takePushed()), nullptr);
}

TEST_F(HomeScreenTest, FailingServiceEndsEveryRefreshAndShowsTheClientsMessage) {
  for (auto mode : {sample::FailMode::Errors, sample::FailMode::Malformed}) {
    SCOPED_TRACE(static_cast<int>(mode));
    sample::ServiceOptions options;
    options.failMode = mode;
    startSampleService(options);
    size_t before = shownErrors().size();
    open();
    EXPECT_TRUE(home->modelArray().empty());
    EXPECT_TRUE(home->bannerImageArray().empty());
    EXPECT_FALSE(headerRefreshing(table(0)));
    EXPECT_GT(shownErrors().size(), before);
    // A pull-down that fails as well ends its header too.
    widgets::km_header(table(0))->beginRefreshing();
    settle();
    EXPECT_FALSE(headerRefreshing(table(0)));
    window->setRootViewController(nullptr);
    service->stop();
  }
}

TEST_F(HomeScreenTest, FailingPullUpEndsTheFooter) {
  scriptService(5, 3, true, 2, channelJSON("114", "51"));
  open();
  auto footer = attachedFooter(table(0));
  ASSERT_NE(footer, nullptr);
  script("App/article_list", R"({"status":404,"info":"没有更多了"})");
  footer->beginRefreshing();
  settle();
  EXPECT_FALSE(footer->isRefreshing());
  EXPECT_EQ(home->modelArray().size(), 5u);
  ASSERT_FALSE(shownErrors().empty());
  EXPECT_EQ(shownErrors().back(), "没有更多了");
  EXPECT_FALSE(hudShown());
}

}  // namespace

TEST_F(HomeScreenTest, ASidewaysDragOverTheCarouselTurnsItAndKeepsTheChannel) {
  startSampleService();
  open();
  auto carousel = home->cycleScrollView1();
  auto pages = home->cursor()->rootScrollView();
  double W = carousel->bounds().size.width;
  double startX = carousel->mainView()->contentOffset().x;
  carousel->setAutoScroll(false);  // only the drag turns it
  // The page on screen, its title and its dot are one picture's.
  auto shown = [&]() -> std::pair<int64_t, rt::String> {
    auto cv = carousel->mainView();
    auto item = static_cast<int64_t>(std::lround(cv->contentOffset().x / W));
    auto cell = rt::as<widgets::WICollectionViewCell>(cv->cellForItemAtIndexPath(fd::IndexPath::indexPathForItem(item, 0)));
    return {item, cell ? cell->title() : rt::String("<no cell>")};
  };
  auto dot = [&] { return rt::as<ui::PageControl>(carousel->pageControl())->currentPage(); };
  size_t count = home->bannerTitleArray().size();
  ASSERT_EQ(count, 7u);
  auto [item, title] = shown();
  EXPECT_EQ(static_cast<size_t>(item) % count, 0u);
  EXPECT_EQ(dot(), 0);
  EXPECT_EQ(title, home->bannerTitleArray()[0]);
  gfx::Point middle = centerOf(carousel);
  host.drag({middle.x + 120, middle.y}, {middle.x - 120, middle.y}, 0.3);
  for (int i = 0; i < 30; ++i) {
    RunLoopDriver::advance(0.1);
    host.renderFrame();
  }
  EXPECT_DOUBLE_EQ(carousel->mainView()->contentOffset().x, startX + W);
  EXPECT_EQ(pages->contentOffset().x, 0);
  EXPECT_EQ(home->currentIndex(), 0);
  std::tie(item, title) = shown();
  EXPECT_EQ(dot(), 1);
  EXPECT_EQ(title, home->bannerTitleArray()[1]);

  // Beside the carousel, over the rows, the same drag still turns the channel.
  gfx::Point row = centerOf(table(0).cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)));
  host.drag({row.x + 120, row.y}, {row.x - 120, row.y}, 0.3);
  for (int i = 0; i < 30; ++i) {
    RunLoopDriver::advance(0.1);
    host.renderFrame();
  }
  EXPECT_EQ(pages->contentOffset().x, pages->bounds().size.width);
  EXPECT_EQ(home->currentIndex(), 1);
  EXPECT_DOUBLE_EQ(carousel->mainView()->contentOffset().x, startX + W);
}

TEST_F(HomeScreenTest, ScrollingTheSameListAgainAddsNothingToThePictureCache) {
  // The rows' pictures are kept by address: a second pass over the same rows finds every one
  // of them, so the memory cache holds what it held (a new server address for each pass, as
  // the scroll benchmark once had, is what makes it grow).
  startSampleService();
  open();
  auto images = image::WIWebImageManager::sharedManager();
  images->imageCache()->clearMemory();
  auto memory = images->imageCache()->memCache();
  auto& t = table(0);
  auto pass = [&] {
    const double end = t.contentSize().height - t.bounds().size.height;
    for (double y = 0;; y = std::min(end, y + 300)) {
      t.setContentOffset({0, y});
      host.renderFrame();
      EXPECT_TRUE(RunLoopDriver::runUntil([&] { return !images->isRunning(); }, 30));
      RunLoopDriver::runUntilIdle();
      if (y >= end) break;
    }
    t.setContentOffset({0, 0});
    host.renderFrame();
    return memory->count();
  };
  const size_t first = pass();
  EXPECT_GT(first, 10u);
  EXPECT_EQ(pass(), first);
  EXPECT_EQ(pass(), first);
  images->imageCache()->clearMemory();
}
