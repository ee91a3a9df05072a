// Rows of the channel article list open what they hold: an article page, or for a web-page
// article its address in the web page screen; a pan from the left edge comes back.
#include <gtest/gtest.h>

#include "app/screens/KDActiveListViewController.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDWebViewController.h"
#include "app/shell/QPNavigationController.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/system/location/LocationManager.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "tests/app/ContentServiceFixture.h"
#include "tools/sample-service/service/Catalog.h"

namespace {

using fd::RunLoopDriver;

class ChannelRowTapTest : public apptest::ContentServiceTest {
 protected:
  void TearDown() override {
    window->setRootViewController(nullptr);
    ui::Transaction::flush();
    sys::LocationServices::shared()->reset();
    apptest::ContentServiceTest::TearDown();
  }
  void settle() {
    for (int i = 0; i < 20; ++i) {
      RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  /// Pumps until the request and the page under way are done.
  void load(const Ref<ui::WebView>& web) {
    host.renderFrame();
    RunLoopDriver::advance(1);
    EXPECT_TRUE(finishRequest(60));
    EXPECT_TRUE(RunLoopDriver::runUntil([&] { return !web->isLoading(); }, 30));
    settle();
  }
  /// Where row `row` is on the screen (the list may stand scrolled).
  static gfx::Point rowCentre(app::KDActiveListViewController& list, int64_t row) {
    auto& table = *list.contentView();
    table.layoutIfNeeded();
    auto r = table.convertRectToView(table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(row, 0)), nullptr);
    return {r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2};
  }
  void panBack() {
    host.drag({40, 300}, {220, 300}, 0.3);
    RunLoopDriver::advance(0.6);
    settle();
  }

  ui::HeadlessHost host;
};

TEST_F(ChannelRowTapTest, AnArticleRowOpensTheArticleAndAWebPageRowTheWebPageScreen) {
  const auto& catalog = startSampleService().catalog();
  const auto* news = catalog.articlesOfChannel("11623");
  ASSERT_NE(news, nullptr);
  ASSERT_EQ((*news)[5].docType, "30");  // the first web-page article of the channel
  ASSERT_EQ((*news)[0].docType, "20");

  auto channel = rt::make<app::KDAppchannelModel>();
  channel->trs_channel_id = "11623";
  channel->title = "禾岚新闻";
  auto list = rt::make<app::KDActiveListViewController>();
  list->setModel(channel);
  auto nav = rt::make<app::QPNavigationController>(std::static_pointer_cast<ui::ViewController>(list));
  window->setRootViewController(nav);
  window->layoutIfNeeded();
  host.renderFrame();
  RunLoopDriver::advance(1);
  ASSERT_TRUE(finishRequest(60));
  settle();
  ASSERT_EQ(list->modelArray().size(), 10u);

  // Row 0: the article page, date hidden, with the row's record.
  host.tap(rowCentre(*list, 0));
  RunLoopDriver::advance(0.6);
  ASSERT_EQ(nav->viewControllers().size(), 2u);
  auto article = std::dynamic_pointer_cast<app::KDArticleDetailViewController>(nav->topViewController());
  ASSERT_NE(article, nullptr);
  EXPECT_EQ(article->model(), list->modelArray()[0]);
  EXPECT_TRUE(article->isHiddenDate());
  EXPECT_FALSE(article->isShowAddress());
  load(article->kdWebView());
  std::string html = article->shownHTML().utf8();
  EXPECT_NE(html.find("<b>" + (*news)[0].docTitle + "</b></span><br><p></p>"), std::string::npos);
  EXPECT_EQ(html.find("#969696"), std::string::npos);

  panBack();
  ASSERT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(nav->view()->frame().origin.x, 0);

  // Row 5: its address in the web page screen, titled with the article's title.
  list->contentView()->setContentOffset({0, 300});
  host.renderFrame();
  host.tap(rowCentre(*list, 5));
  RunLoopDriver::advance(0.6);
  ASSERT_EQ(nav->viewControllers().size(), 2u);
  auto web = std::dynamic_pointer_cast<app::KDWebViewController>(nav->topViewController());
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->title().utf8(), (*news)[5].docTitle);
  ASSERT_NE(web->titleLabel(), nullptr);
  EXPECT_EQ(web->titleLabel()->text().utf8(), (*news)[5].docTitle) << "the bar shows the title";
  EXPECT_EQ(web->webUrl().utf8(), (*news)[5].docPubUrl);
  EXPECT_TRUE(RunLoopDriver::runUntil([&] { return !web->ixWebView()->isLoading(); }, 30));
  settle();
  EXPECT_EQ(web->ixWebView()->pageTitle().utf8(), (*news)[5].docTitle);
  EXPECT_FALSE(ui::Application::sharedApplication()->isNetworkActivityIndicatorVisible());

  panBack();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(nav->topViewController(), list);
  EXPECT_TRUE(shownErrors().empty());
}

}  // namespace
