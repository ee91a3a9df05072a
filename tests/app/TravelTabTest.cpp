// The travel tab against the sample service: its five strips and banners, pull-down, what
// every kind of tap opens, and the answers the sample service never gives (banners without a
// picture, channels without an address, a single aggregated group, failures), from a
// scripted server.
#include <gtest/gtest.h>

#include "app/cells/KDTourismCell.h"
#include "app/cells/KDTourismCollectionViewCell.h"
#include "app/screens/KDActiveListViewController.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDHistoryListViewController.h"
#include "app/screens/KDTourismViewController.h"
#include "app/screens/KDWebViewController.h"
#include "app/screens/KDscenicListViewController.h"
#include "app/service/ServiceConfig.h"
#include "app/shell/KDTabBarController.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "tests/app/TravelFixture.h"
#include "app/screens/KDShadowViewController.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

using app::KDTourismCell;
using app::KDTourismCollectionViewCell;
using app::KDTourismViewController;

class TravelTabTest : public apptest::TravelTest {
 protected:
  /// Opens the tab and waits for its three answers: all strips and the banners filled (with
  /// `expectFailure`, only the first answer).
  Ref<KDTourismViewController> openTab(bool expectFailure = false) {
    auto tab = rt::make<KDTourismViewController>();
    Weak<KDTourismViewController> weak = tab;
    nav = show(tab, [weak, expectFailure] { return weak.lock() && loaded(*weak.lock(), expectFailure); });
    return tab;
  }
  static bool loaded(KDTourismViewController& tab, bool expectFailure) {
    if (!tab.contentView() || refreshing(tab)) return false;
    return expectFailure || (!tab.profileModelarray().empty() && !tab.scenicModelarray().empty() &&
                             !tab.cycleScrollView()->imageURLStringsGroup().empty());
  }
  void pullDown(KDTourismViewController& tab, bool expectFailure) {
    widgets::km_header(*tab.contentView())->beginRefreshing();
    Weak<KDTourismViewController> weak = std::static_pointer_cast<KDTourismViewController>(tab.self());
    settle([weak, expectFailure] { return weak.lock() && loaded(*weak.lock(), expectFailure); });
  }
  /// The row of `section`, scrolled into view.
  Ref<KDTourismCell> row(KDTourismViewController& tab, int64_t section) {
    auto path = fd::IndexPath::indexPathForRow(0, static_cast<uint64_t>(section));
    tab.contentView()->scrollToRowAtIndexPath(path, ui::TableViewScrollPosition::Top, false);
    window->layoutIfNeeded();
    host.renderFrame();
    return std::dynamic_pointer_cast<KDTourismCell>(tab.contentView()->cellForRowAtIndexPath(path));
  }
  Ref<KDTourismCollectionViewCell> item(KDTourismCell& r, int64_t index) {
    r.collectionview()->layoutIfNeeded();
    return std::dynamic_pointer_cast<KDTourismCollectionViewCell>(
        r.collectionview()->cellForItemAtIndexPath(fd::IndexPath::indexPathForItem(static_cast<uint64_t>(index), 0)));
  }
  /// Taps item `index` of the strip of `section` and answers the screen it pushed.
  Ref<ui::ViewController> tapItem(KDTourismViewController& tab, int64_t section, int64_t index) {
    auto r = row(tab, section);
    EXPECT_NE(r, nullptr);
    if (!r) return nullptr;
    auto cell = item(*r, index);
    EXPECT_NE(cell, nullptr);
    if (!cell) return nullptr;
    tapView(*cell);
    return pushed();
  }
  Ref<ui::ViewController> pushed() {
    auto stack = nav->viewControllers();
    return stack.size() == 2 ? stack.back() : nullptr;
  }
  static bool refreshing(KDTourismViewController& tab) { return widgets::km_header(*tab.contentView())->isRefreshing(); }

  Ref<app::QPNavigationController> nav;
};

std::vector<std::string> idsOf(const std::vector<Ref<app::KDAppchannelModel>>& channels) {
  std::vector<std::string> out;
  for (const auto& c : channels) out.push_back(c->id.utf8());
  return out;
}

std::vector<std::string> docIdsOf(const std::vector<Ref<app::KDAPPListModel>>& articles) {
  std::vector<std::string> out;
  for (const auto& a : articles) out.push_back(a->docId.utf8());
  return out;
}

std::vector<std::string> firstDocIds(const std::vector<sample::Article>& articles, size_t n) {
  std::vector<std::string> out;
  for (size_t i = 0; i < n && i < articles.size(); ++i) out.push_back(articles[i].docId);
  return out;
}

TEST_F(TravelTabTest, LoadsBannersAndFiveStripsAndPullDownReplacesThem) {
  const auto& catalog = startSampleService().catalog();
  auto tab = openTab();
  EXPECT_EQ(tab->titleLabel()->text().utf8(), "游走");
  EXPECT_EQ(idsOf(tab->profileModelarray()), (std::vector<std::string>{"60", "61", "62", "63"}));
  EXPECT_EQ(idsOf(tab->lifeModelarray()), (std::vector<std::string>{"102", "103", "104", "105"}));
  EXPECT_EQ(idsOf(tab->historyModelarray()), (std::vector<std::string>{"65", "66", "67", "68"}));
  EXPECT_EQ(docIdsOf(tab->scenicModelarray()), firstDocIds(*catalog.articlesOfChannel("11616"), 3));
  EXPECT_EQ(docIdsOf(tab->foodModelarray()), firstDocIds(*catalog.articlesOfChannel("11617"), 3));
  std::vector<std::string> banners;
  for (size_t i = 0; i < 5; ++i) banners.push_back((*catalog.articlesOfChannel("11618"))[i].picAttach[0].absUrl);
  std::vector<std::string> shown;
  for (const auto& u : tab->cycleScrollView()->imageURLStringsGroup()) shown.push_back(u.utf8());
  EXPECT_EQ(shown, banners);
  EXPECT_FALSE(refreshing(*tab));
  EXPECT_TRUE(shownErrors().empty());

  // Five one-row sections; the large strips are the sights and food.
  double w = ui::Screen::mainScreen()->bounds().size.width;
  auto& table = *tab->contentView();
  ASSERT_EQ(table.numberOfSections(), 5);
  EXPECT_EQ(table.tableHeaderView()->frame().size, (gfx::Size{w, w / 2}));
  const char* titles[] = {"概况", "景点", "美食", "导航", "人文历史"};
  size_t counts[] = {4, 3, 3, 4, 4};
  for (int64_t s = 0; s < 5; ++s) {
    SCOPED_TRACE(s);
    bool large = s == 1 || s == 2;
    EXPECT_EQ(table.numberOfRowsInSection(s), 1);
    EXPECT_DOUBLE_EQ(table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, static_cast<uint64_t>(s))).size.height,
                     large ? (w - 40) / 3 + 60 : w / 3);
    auto r = row(*tab, s);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->titleLable()->text().utf8(), titles[s]);
    EXPECT_EQ(r->morebtn()->isHidden(), !large);
    EXPECT_EQ(r->collectionview()->numberOfItemsInSection(0), static_cast<int64_t>(counts[s]));
    EXPECT_EQ(r->collectionview()->frame(),
              large ? gfx::Rect({10, 30}, {w - 10, (w - 40) / 3 + 20}) : gfx::Rect({0, 30}, {w, (w - 40) / 3 + 20}));
    auto first = item(*r, 0);
    ASSERT_NE(first, nullptr);
    first->layoutIfNeeded();
    auto c = first->contentView()->bounds();
    auto icon = first->icon()->frame();
    if (large) {
      EXPECT_DOUBLE_EQ(icon.size.width, (w - 40) / 3);
      EXPECT_DOUBLE_EQ(icon.size.height, 0.75 * (w - 40) / 3);
      EXPECT_DOUBLE_EQ(icon.origin.y + icon.size.height / 2, c.size.height / 2 - 10);
      EXPECT_EQ(first->lable()->text().utf8(), first->APPListModel()->docTitle.utf8());
    } else {
      EXPECT_DOUBLE_EQ(icon.size.width, w / 5 * 3 / 5);
      EXPECT_DOUBLE_EQ(icon.origin.y + icon.size.height / 2, c.size.height / 2 - 40);
      EXPECT_EQ(first->lable()->text().utf8(), first->AppchannelModel()->title.utf8());
      EXPECT_LE(first->lable()->frame().size.width, w / 5 - 10);
    }
    EXPECT_DOUBLE_EQ(first->lable()->frame().origin.y, icon.origin.y + icon.size.height + 10);
  }
  table.setContentOffset({0, 0});
  shoot("travel-tab.png");

  // Pull-down loads everything again and replaces, never appends.
  pullDown(*tab, false);
  EXPECT_FALSE(refreshing(*tab));
  EXPECT_EQ(tab->profileModelarray().size(), 4u);
  EXPECT_EQ(tab->scenicModelarray().size(), 3u);
  EXPECT_EQ(tab->cycleScrollView()->imageURLStringsGroup().size(), 5u);
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(TravelTabTest, EveryKindOfTapPushesItsScreen) {
  startSampleService();
  auto tab = openTab();

  // The district profile opens its one article without a date.
  auto profile = std::dynamic_pointer_cast<app::KDArticleDetailViewController>(tapItem(*tab, 0, 0));
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(profile->docId().utf8(), "134100");
  EXPECT_TRUE(profile->isHiddenDate());
  back(*nav);

  // An overview channel without an address lists its articles with their abstracts.
  auto list = std::dynamic_pointer_cast<app::KDActiveListViewController>(tapItem(*tab, 0, 1));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->model(), tab->profileModelarray()[1]);
  EXPECT_TRUE(list->isShowContent());
  back(*nav);

  // Articles of the large strips show their place line.
  for (int64_t s : {1, 2}) {
    SCOPED_TRACE(s);
    auto article = std::dynamic_pointer_cast<app::KDArticleDetailViewController>(tapItem(*tab, s, 1));
    ASSERT_NE(article, nullptr);
    EXPECT_EQ(article->model(), (s == 1 ? tab->scenicModelarray() : tab->foodModelarray())[1]);
    EXPECT_TRUE(article->isShowAddress());
    EXPECT_FALSE(article->isHiddenDate());
    back(*nav);
  }

  // Navigation channels are web pages.
  auto web = std::dynamic_pointer_cast<app::KDWebViewController>(tapItem(*tab, 3, 0));
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->webUrl(), tab->lifeModelarray()[0]->url);
  EXPECT_FALSE(web->webUrl().isEmpty());
  EXPECT_EQ(web->webViwqTitle().utf8(), "导航");
  back(*nav);

  // The history channel opens the history list, the others of its row their article list.
  auto history = std::dynamic_pointer_cast<app::KDHistoryListViewController>(tapItem(*tab, 4, 0));
  ASSERT_NE(history, nullptr);
  EXPECT_EQ(history->model()->trs_channel_id.utf8(), "5380");
  back(*nav);
  auto legends = std::dynamic_pointer_cast<app::KDActiveListViewController>(tapItem(*tab, 4, 2));
  ASSERT_NE(legends, nullptr);
  EXPECT_EQ(legends->model(), tab->historyModelarray()[2]);
  back(*nav);

  // The more buttons open the sights and the food lists.
  for (int64_t s : {1, 2}) {
    SCOPED_TRACE(s);
    auto r = row(*tab, s);
    ASSERT_NE(r, nullptr);
    tapView(*r->morebtn());
    auto scenic = std::dynamic_pointer_cast<app::KDscenicListViewController>(pushed());
    ASSERT_NE(scenic, nullptr);
    EXPECT_EQ(scenic->model()->trs_channel_id.utf8(), s == 1 ? "11616" : "11617");
    EXPECT_EQ(scenic->model()->title.utf8(), s == 1 ? "景点" : "美食");
    // Pushed, the list loads its first page at once.
    settle([scenic] { return !scenic->modelArray().empty(); });
    EXPECT_EQ(scenic->modelArray().size(), 10u);
    back(*nav);
  }

  // A tap on an index the strip no longer holds opens nothing.
  auto r = row(*tab, 3);
  ASSERT_NE(r, nullptr);
  r->collectionViewDidSelectItemAtIndexPath(*r->collectionview(), fd::IndexPath::indexPathForItem(40, 0));
  EXPECT_EQ(nav->viewControllers().size(), 1u);

  // Whatever banner is tapped, the gallery opens.
  tab->contentView()->setContentOffset({0, 0}, false);
  window->layoutIfNeeded();
  host.renderFrame();
  tapView(*tab->cycleScrollView());
  EXPECT_NE(std::dynamic_pointer_cast<app::KDShadowViewController>(pushed()), nullptr);
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(TravelTabTest, ItemTableTestsTheChannelIdentifiersBeforeTheAddress) {
  auto channel = [](const char* trs, const char* url) {
    auto c = rt::make<app::KDAppchannelModel>();
    c->trs_channel_id = trs;
    c->url = url;
    return c;
  };
  // "11615" and "5380" win whatever the address says.
  auto profile = std::dynamic_pointer_cast<app::KDArticleDetailViewController>(
      KDTourismCell::screenForItem(channel("11615", "http://a/"), 4));
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(profile->docId().utf8(), "134100");
  EXPECT_NE(std::dynamic_pointer_cast<app::KDHistoryListViewController>(
                KDTourismCell::screenForItem(channel("5380", "http://a/"), 0)),
            nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<app::KDHistoryListViewController>(KDTourismCell::screenForItem(channel("5380", ""), 0)),
            nullptr);
  // An article of a small strip does not show its place line.
  auto article = std::dynamic_pointer_cast<app::KDArticleDetailViewController>(
      KDTourismCell::screenForItem(rt::make<app::KDAPPListModel>(), 0));
  ASSERT_NE(article, nullptr);
  EXPECT_FALSE(article->isShowAddress());
  // Neither a channel nor an article: nothing.
  EXPECT_EQ(KDTourismCell::screenForItem(rt::make<app::KDPageInfo>(), 1), nullptr);
  EXPECT_EQ(KDTourismCell::moreScreen(0), nullptr);
}

TEST_F(TravelTabTest, PicturesUnderTheOldUploadFolderComeFromTheWebSite) {
  auto& config = app::ServiceConfig::shared();
  rt::String contentHost = config.contentHost();
  config.setWebSiteHost("www.example.test");
  EXPECT_EQ(KDTourismCollectionViewCell::pictureAddress("/Uploads/Guanwang/2016/a.jpg").utf8(),
            "http://www.example.test/2016/a.jpg");
  EXPECT_EQ(KDTourismCollectionViewCell::pictureAddress("http://cdn.test/Uploads/Guanwang/b.png").utf8(),
            "http://cdn.testhttp://www.example.test/b.png");
  EXPECT_EQ(KDTourismCollectionViewCell::pictureAddress("http://cdn.test/other/c.png").utf8(), "http://cdn.test/other/c.png");
  config.setWebSiteHost("");
  config.setContentHost("http://127.0.0.1:9");
  EXPECT_EQ(KDTourismCollectionViewCell::pictureAddress("/Uploads/Guanwang/d.jpg").utf8(), "http://127.0.0.1:9/d.jpg");
  config.setContentHost(contentHost);
}

// Answers the sample service never gives: banners without a picture, a channel without an
// address, channels of other parents, and an aggregation with one group.
TEST_F(TravelTabTest, OddAnswersNeitherCrashNorShowWhatCannotBeShown) {
  startScriptedServer();
  script("App/channel_list", R"({"status":200,"info":"ok","data":{"list":[
      {"id":"60","parent_id":"55","title":"区情简介","trs_channel_id":"11615","url":""},
      {"id":"61","parent_id":"55","title":"没有地址","trs_channel_id":"11624"},
      {"id":"99","parent_id":"7","title":"别处","trs_channel_id":"1","url":""},
      {"id":"102","parent_id":"101","title":"游客中心","trs_channel_id":"11634","url":"http://127.0.0.1:9/web.html"}]}})");
  script("App/article_list", R"({"status":200,"info":"ok","data":{"page":"1","total_page":"1","total":"3","list":[
      {"docId":"1","docTitle":"无图","picAttach":[]},
      {"docId":"2","docTitle":"有图","picAttach":[{"absUrl":"http://127.0.0.1:9/b.jpg"}]},
      {"docId":"3","docTitle":"空地址","picAttach":[{"absUrl":""}]},
      {"docId":"4","docTitle":"缺地址","picAttach":[{"alt":"x"}]}]}})");
  script("App/juhe", R"({"status":200,"info":"ok","data":{"list":[
      {"channel_id":"56","news_list":{"total":"1","rows":[{"docId":"7","docTitle":"一处","picAttach":[]}]}}]}})");
  auto tab = openTab();
  std::vector<std::string> shown;
  for (const auto& u : tab->cycleScrollView()->imageURLStringsGroup()) shown.push_back(u.utf8());
  EXPECT_EQ(shown, std::vector<std::string>{"http://127.0.0.1:9/b.jpg"});
  EXPECT_EQ(idsOf(tab->profileModelarray()), (std::vector<std::string>{"60", "61"}));
  EXPECT_EQ(idsOf(tab->lifeModelarray()), std::vector<std::string>{"102"});
  EXPECT_TRUE(tab->historyModelarray().empty());
  EXPECT_EQ(tab->scenicModelarray().size(), 1u);
  EXPECT_TRUE(tab->foodModelarray().empty());
  EXPECT_FALSE(refreshing(*tab));

  // Empty rows keep their title and more button.
  for (int64_t s : {2, 4}) {
    auto r = row(*tab, s);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->titleLable()->text(), KDTourismViewController::sectionTitle(s));
    EXPECT_EQ(r->collectionview()->numberOfItemsInSection(0), 0);
    EXPECT_EQ(r->morebtn()->isHidden(), s == 4);
  }
  // A channel that sent no address lists its articles instead of opening a blank page.
  auto list = std::dynamic_pointer_cast<app::KDActiveListViewController>(tapItem(*tab, 0, 1));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->model()->title.utf8(), "没有地址");
}

TEST_F(TravelTabTest, FailuresEndThePullDownAndKeepTheEarlierLists) {
  for (auto mode : {sample::FailMode::Errors, sample::FailMode::Malformed}) {
    SCOPED_TRACE(static_cast<int>(mode));
    sample::ServiceOptions options;
    options.failMode = mode;
    startSampleService(options);
    auto tab = openTab(true);
    EXPECT_TRUE(tab->profileModelarray().empty());
    EXPECT_FALSE(shownErrors().empty());
    pullDown(*tab, true);
    EXPECT_FALSE(refreshing(*tab));
    EXPECT_EQ(tab->contentView()->numberOfSections(), 5);
    window->setRootViewController(nullptr);
  }

  // Loaded once, then the service goes away: the pull-down ends, the strips stay.
  startSampleService();
  auto tab = openTab();
  ASSERT_EQ(tab->scenicModelarray().size(), 3u);
  size_t errorsBefore = shownErrors().size();
  service->stop();
  pullDown(*tab, true);
  EXPECT_FALSE(refreshing(*tab));
  EXPECT_EQ(tab->scenicModelarray().size(), 3u);
  EXPECT_EQ(tab->profileModelarray().size(), 4u);
  EXPECT_GT(shownErrors().size(), errorsBefore);
}

TEST_F(TravelTabTest, TheThirdTabOpensOnTheTravelScreen) {
  auto tabs = rt::make<app::KDTabBarController>();
  (void)tabs->view();
  ASSERT_EQ(tabs->viewControllers().size(), 4u);
  auto travelNav = std::dynamic_pointer_cast<ui::NavigationController>(tabs->viewControllers()[2]);
  ASSERT_NE(travelNav, nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<KDTourismViewController>(travelNav->topViewController()), nullptr);
}

}  // namespace

