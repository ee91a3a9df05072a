// The gallery screen, the album grid and the photo viewer against the sample service: three
// galleries with their counts, what "more" and a cover open (and that offline a cover opens
// nothing), the grid's count line, and the viewer's title and counter after every swipe.
#include <gtest/gtest.h>

#include "app/cells/KDPhotoCollectionViewCell.h"
#include "app/cells/KDShadowCell.h"
#include "app/cells/KDShadowCollectionViewCell.h"
#include "app/cells/KDTourismCollectionViewCell.h"
#include "app/screens/KDPhotoCollectionViewController.h"
#include "app/screens/KDShadowViewController.h"
#include "app/screens/KDphotoListViewController.h"
#include "app/service/ServiceConfig.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "tests/app/ScreenFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

using Status = net::NKNetworkReachabilityStatus;

class GalleryTest : public apptest::ScreenTest {
 protected:
  Ref<app::KDShadowViewController> openGallery() {
    auto gallery = rt::make<app::KDShadowViewController>();
    show(gallery);
    return gallery;
  }
  static Ref<app::KDShadowCell> row(app::KDShadowViewController& g, int64_t section) {
    auto& table = *g.contentView();
    table.scrollRectToVisible(table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, section)), false);
    table.layoutIfNeeded();
    return std::dynamic_pointer_cast<app::KDShadowCell>(
        table.cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, section)));
  }
  void tapAlbum(app::KDShadowCell& cell, int64_t item) {
    auto& strip = *cell.collectionview();
    tapIn(strip, strip.layoutAttributesForItemAtIndexPath(fd::IndexPath::indexPathForItem(item, 0))->frame());
  }
  Ref<app::KDPhotoCollectionViewController> openViewer(const std::string& trs, int64_t index) {
    auto viewer = rt::make<app::KDPhotoCollectionViewController>();
    viewer->setTrs_id(trs);
    viewer->setCurrentInteger(index);
    show(viewer);
    return viewer;
  }
  /// A finger swipe across the viewer; paging brings it to rest on the next page.
  void swipe(bool toNext) {
    double w = ui::Screen::mainScreen()->bounds().size.width;
    if (toNext) host.drag({w - 40, 300}, {40, 300}, 0.2);
    else host.drag({40, 300}, {w - 40, 300}, 0.2);
    for (int i = 0; i < 30; ++i) {
      fd::RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  static std::pair<std::string, std::string> labels(app::KDPhotoCollectionViewController& v) {
    return {v.textLable()->text().utf8(), v.countLable()->text().utf8()};
  }
};

TEST_F(GalleryTest, ShowsThreeGalleriesWithTheirCountsAndCovers) {
  const auto& catalog = startSampleService().catalog();
  auto gallery = openGallery();
  EXPECT_EQ(gallery->topBar().title->text().utf8(), "光影");
  ASSERT_EQ(gallery->modelArray().size(), 3u);
  EXPECT_FALSE(widgets::km_header(*gallery->contentView())->isRefreshing());
  double width = ui::Screen::mainScreen()->bounds().size.width;
  EXPECT_EQ(gallery->contentView()->rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)).size.height,
            (width - 40) / 3 + 60);

  const struct {
    const char* title;
    const char* trs;
    const char* count;
  } expected[] = {{"风貌", "11619", "共42张美图"}, {"风情", "11620", "共36张美图"}, {"风采", "11621", "共30张美图"}};
  for (int64_t s = 0; s < 3; ++s) {
    SCOPED_TRACE(s);
    auto cell = row(*gallery, s);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->titleLable()->text().utf8(), expected[s].title);
    EXPECT_EQ(cell->countLable()->text().utf8(), expected[s].count);
    ASSERT_EQ(cell->modelarray().size(), 3u);
    const auto& albums = *catalog.articlesOfChannel(expected[s].trs);
    EXPECT_EQ(cell->modelarray()[0]->docTitle.utf8(), albums[0].docTitle);
    auto cover = std::dynamic_pointer_cast<app::KDShadowCollectionViewCell>(
        cell->collectionview()->cellForItemAtIndexPath(fd::IndexPath::indexPathForItem(1, 0)));
    ASSERT_NE(cover, nullptr);
    // The caption is the description's first part, before "+".
    EXPECT_EQ(cover->lable()->text().utf8(), albums[1].docTitle);
    cover->layoutIfNeeded();
    EXPECT_EQ(cover->icon()->frame().size, (gfx::Size{(width - 40) / 3, (width - 40) / 4}));
  }
  gallery->contentView()->setContentOffset({0, 0});
  shoot("gallery.png");

  widgets::km_header(*gallery->contentView())->beginRefreshing();
  settle();
  EXPECT_EQ(gallery->modelArray().size(), 3u);
  EXPECT_EQ(row(*gallery, 0)->modelarray().size(), 3u);
  EXPECT_FALSE(widgets::km_header(*gallery->contentView())->isRefreshing());
}

TEST_F(GalleryTest, MoreOpensTheGridAndACoverTheViewerOnlyWhileReachable) {
  startSampleService();
  auto gallery = openGallery();

  // Unknown (no monitor has reported) or reachable, as an earlier test in this process left it:
  // a cover opens the viewer.
  EXPECT_NE(net::NKNetworkReachabilityManager::sharedManager()->networkReachabilityStatus(), Status::NotReachable);
  tapAlbum(*row(*gallery, 1), 2);
  auto viewer = top<app::KDPhotoCollectionViewController>();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->trs_id().utf8(), "11620");
  EXPECT_EQ(viewer->currentInteger(), 2);
  popToRoot();

  tapView(*row(*gallery, 2)->morebtn());
  auto grid = top<app::KDphotoListViewController>();
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->trs_id().utf8(), "11621");
  ASSERT_NE(grid->IndexPath(), nullptr);
  EXPECT_EQ(grid->IndexPath()->section(), 2u);
  popToRoot();

  // Offline: a cover shows the error and stays; "more" still opens the grid.
  reachability(0, Status::NotReachable);
  tapAlbum(*row(*gallery, 0), 0);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  ASSERT_FALSE(shownErrors().empty());
  EXPECT_EQ(shownErrors().back(), "网络错误,稍后重试!");
  tapView(*row(*gallery, 0)->morebtn());
  ASSERT_NE(top<app::KDphotoListViewController>(), nullptr);
  EXPECT_EQ(top<app::KDphotoListViewController>()->trs_id().utf8(), "11619");
}

TEST_F(GalleryTest, FewerGroupsThanSectionsLeaveTheRestEmptyAndAFailureEndsThePullDown) {
  startScriptedServer();
  script("App/juhe",
         R"({"status":200,"data":{"list":[{"channel_id":"78","news_list":{"total":"5","rows":[)"
         R"({"docId":"1","docTitle":"一","picAttach":[{"absUrl":"/Uploads/Guanwang/a.jpg","desc":"山+水"}]}]}}]}})");
  auto gallery = openGallery();
  ASSERT_EQ(gallery->modelArray().size(), 1u);
  auto first = row(*gallery, 0);
  EXPECT_EQ(first->countLable()->text().utf8(), "共5张美图");
  EXPECT_EQ(first->modelarray().size(), 1u);
  for (int64_t s : {1, 2}) {
    auto empty = row(*gallery, s);
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->modelarray().empty());
    EXPECT_TRUE(empty->titleLable()->text().isEmpty());
  }

  script("App/juhe", R"({"status":500,"info":"服务器繁忙"})");
  widgets::km_header(*gallery->contentView())->beginRefreshing();
  settle();
  EXPECT_FALSE(widgets::km_header(*gallery->contentView())->isRefreshing());
  EXPECT_EQ(gallery->modelArray().size(), 1u);
}

TEST_F(GalleryTest, CaptionsAndPictureAddresses) {
  startSampleService();
  EXPECT_EQ(app::KDShadowCollectionViewCell::captionOf("山水+林木").utf8(), "山水");
  EXPECT_EQ(app::KDShadowCollectionViewCell::captionOf("山水").utf8(), "山水");
  EXPECT_EQ(app::KDShadowCollectionViewCell::captionOf("+林木").utf8(), "");
  std::string host = app::ServiceConfig::shared().contentHost().utf8();
  EXPECT_EQ(app::KDShadowCollectionViewCell::pictureAddress("/Uploads/Guanwang/2016/a.jpg").utf8(),
            host + "/2016/a.jpg");
  EXPECT_EQ(app::KDShadowCollectionViewCell::pictureAddress("http://x/p.jpg").utf8(), "http://x/p.jpg");
}

TEST_F(GalleryTest, TheOldUploadFolderResolvesToTheWebSiteAsOnTheTravelTab) {
  startSampleService();
  auto& config = app::ServiceConfig::shared();
  config.setWebSiteHost("www.example.test");
  std::string gallery = app::KDShadowCollectionViewCell::pictureAddress("/Uploads/Guanwang/2016/a.jpg").utf8();
  std::string travel = app::KDTourismCollectionViewCell::pictureAddress("/Uploads/Guanwang/2016/a.jpg").utf8();
  config.setWebSiteHost("");
  EXPECT_EQ(gallery, "http://www.example.test/2016/a.jpg");
  EXPECT_EQ(gallery, travel);
}

TEST_F(GalleryTest, TheGridCountsTheChannelAndOpensTheViewerOfItsSection) {
  const auto& catalog = startSampleService().catalog();
  auto grid = rt::make<app::KDphotoListViewController>();
  grid->setIndexPath(fd::IndexPath::indexPathForRow(0, 1));
  grid->setTrs_id("11619");  // deliberately not the section's channel
  show(grid);
  EXPECT_EQ(grid->topBar().title->text().utf8(), "风情");
  EXPECT_EQ(grid->countLabel()->text().utf8(), "共42张美图");  // the total, not the ten shown
  ASSERT_EQ(grid->modelArray().size(), 10u);
  EXPECT_EQ(grid->modelArray()[0]->docTitle.utf8(), (*catalog.articlesOfChannel("11619"))[0].docTitle);
  auto& cv = *grid->collectionview();
  double width = ui::Screen::mainScreen()->bounds().size.width;
  auto second = cv.layoutAttributesForItemAtIndexPath(fd::IndexPath::indexPathForItem(1, 0));
  EXPECT_EQ(second->frame().size, (gfx::Size{(width - 5) / 2, (width - 5) / 3 + 5}));
  shoot("photo-grid.png");

  tapIn(cv, cv.layoutAttributesForItemAtIndexPath(fd::IndexPath::indexPathForItem(3, 0))->frame());
  auto viewer = top<app::KDPhotoCollectionViewController>();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->trs_id().utf8(), "11620");
  EXPECT_EQ(viewer->currentInteger(), 3);
}

TEST_F(GalleryTest, TheViewerCounterAndTitleFollowEverySwipe) {
  const auto& catalog = startSampleService().catalog();
  const auto& albums = *catalog.articlesOfChannel("11620");
  auto viewer = openViewer("11620", 2);
  double width = ui::Screen::mainScreen()->bounds().size.width;
  ASSERT_EQ(viewer->modelArray().size(), 10u);
  EXPECT_EQ(viewer->PhotoCollectionView()->contentOffset().x, 2 * width);
  EXPECT_EQ(labels(*viewer), std::make_pair(albums[2].docTitle, std::string("3 / 10")));
  shoot("photo-viewer.png");

  const struct {
    bool next;
    size_t index;
  } swipes[] = {{true, 3}, {true, 4}, {false, 3}, {false, 2}, {false, 1}, {false, 0}, {false, 0}};
  for (const auto& s : swipes) {
    swipe(s.next);
    SCOPED_TRACE(s.index);
    EXPECT_EQ(viewer->PhotoCollectionView()->contentOffset().x, static_cast<double>(s.index) * width);
    EXPECT_EQ(viewer->currentselect(), static_cast<int64_t>(s.index));
    EXPECT_EQ(labels(*viewer), std::make_pair(albums[s.index].docTitle, std::to_string(s.index + 1) + " / 10"));
  }

  // Offline, the picture moves but title and counter stay.
  reachability(0, Status::NotReachable);
  swipe(true);
  EXPECT_EQ(viewer->PhotoCollectionView()->contentOffset().x, width);
  EXPECT_EQ(labels(*viewer), std::make_pair(albums[0].docTitle, std::string("1 / 10")));
  // Back online over Wi-Fi, the next swipe catches up.
  reachability(sys::kReachabilityFlagsReachable, Status::ReachableViaWiFi);
  swipe(true);
  EXPECT_EQ(labels(*viewer), std::make_pair(albums[2].docTitle, std::string("3 / 10")));
}

TEST_F(GalleryTest, TheViewerOpensTheFirstAlbumForAnIndexPastTheList) {
  const auto& catalog = startSampleService().catalog();
  for (int64_t index : {10, 25, -1}) {
    SCOPED_TRACE(index);
    auto viewer = openViewer("11619", index);
    ASSERT_EQ(viewer->modelArray().size(), 10u);
    EXPECT_EQ(viewer->PhotoCollectionView()->contentOffset().x, 0);
    EXPECT_EQ(labels(*viewer), std::make_pair((*catalog.articlesOfChannel("11619"))[0].docTitle, std::string("1 / 10")));
    window->setRootViewController(nullptr);
  }
}

TEST_F(GalleryTest, ATapOnThePictureLeavesTheViewer) {
  startSampleService();
  auto grid = rt::make<app::KDphotoListViewController>();
  grid->setIndexPath(fd::IndexPath::indexPathForRow(0, 0));
  grid->setTrs_id("11619");
  show(grid);
  auto& cv = *grid->collectionview();
  tapIn(cv, cv.layoutAttributesForItemAtIndexPath(fd::IndexPath::indexPathForItem(0, 0))->frame());
  auto viewer = top<app::KDPhotoCollectionViewController>();
  ASSERT_NE(viewer, nullptr);
  auto page = std::dynamic_pointer_cast<app::KDPhotoCollectionViewCell>(
      viewer->PhotoCollectionView()->cellForItemAtIndexPath(fd::IndexPath::indexPathForItem(0, 0)));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->ListModel(), viewer->modelArray()[0]);
  tapView(*page->icon());
  EXPECT_EQ(nav->topViewController(), grid);
}

}  // namespace
