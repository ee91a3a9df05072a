// The audio-visual tab against the sample service: the two video lists paged to their ends
// and swapped by the channel bar, failures that must end the footer's loading, the network
// gate in front of the player, the radio page, the rows' layout, and the web video player
// playing a clip for real.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "app/cells/KDVideoCell.h"
#include "app/screens/KDVideoAndMusicViewController.h"
#include "app/screens/KDVideoWebPlayViewController.h"
#include "app/service/ServiceConfig.h"
#include "app/shell/QPNavigationController.h"
#include "net/http/NKNetworkReachabilityManager.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/system/Reachability.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/media/MediaPlayerView.h"
#include "platform/ui/view/Screen.h"
#include "tests/app/ContentServiceFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/popups/QPAlertView.h"
#include "widgets/popups/QPPopupWindow.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshFooter.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

namespace fs = std::filesystem;
using app::KDVideoAndMusicViewController;
using fd::RunLoopDriver;
using Status = net::NKNetworkReachabilityStatus;

Ref<widgets::QPAlertView> shownAlert(const Ref<ui::View>& view) {
  if (!view) return nullptr;
  if (auto alert = rt::as<widgets::QPAlertView>(view); alert && alert->visible()) return alert;
  for (const auto& sub : view->subviews())
    if (auto found = shownAlert(sub)) return found;
  return nullptr;
}

class VideoAndMusicTest : public apptest::ContentServiceTest {
 protected:
  void TearDown() override {
    if (auto alert = shownAlert(widgets::QPPopupWindow::sharedWindow())) alert->hide();
    RunLoopDriver::advance(1);
    net::NKNetworkReachabilityManager::sharedManager()->stopMonitoring();
    sys::Reachability::clearInjectedFlags();
    window->setRootViewController(nullptr);
    ui::Transaction::flush();
    if (namedRadio_) app::ServiceConfig::shared().setRadioURL("");  // follows the content host again
    apptest::ContentServiceTest::TearDown();
  }

  /// The tab's root in its navigation controller, with the first list loaded.
  Ref<KDVideoAndMusicViewController> open() {
    // Other tests name radio pages of their own; this one is the sample service's.
    if (service) {
      namedRadio_ = true;
      app::ServiceConfig::shared().setRadioURL(service->baseURL() + "/web/radio.html");
    }
    auto screen = rt::make<KDVideoAndMusicViewController>();
    auto nav = rt::make<app::QPNavigationController>(std::static_pointer_cast<ui::ViewController>(screen));
    window->setRootViewController(nav);
    window->layoutIfNeeded();
    EXPECT_EQ(screen->cursor(), nullptr) << "the channel bar comes 0.2 s after the view";
    RunLoopDriver::advance(KDVideoAndMusicViewController::kChannelBarDelay);
    EXPECT_NE(screen->cursor(), nullptr);
    settle();
    return screen;
  }
  /// Refresh views start their load once their opening animation has run; then the request.
  void settle() {
    window->layoutIfNeeded();
    host.renderFrame();
    RunLoopDriver::advance(0.5);
    EXPECT_TRUE(finishRequest(60));
    for (int i = 0; i < 10; ++i) {
      RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  static Ref<widgets::KMRefreshFooter> attachedFooter(ui::TableView& table) {
    auto footer = widgets::km_footer(table);
    return footer && footer->superview() ? footer : nullptr;
  }
  bool namedRadio_ = false;  // the shared radio address was named here and is unnamed after
  /// The radio page of `screen`, shown and loaded.
  Ref<ui::WebView> showRadio(KDVideoAndMusicViewController& screen) {
    showPage(screen, 2);
    auto radio = screen.radioView();
    EXPECT_TRUE(RunLoopDriver::runUntil([&] { return !radio->isLoading(); }, 20));
    settle();
    return radio;
  }
  /// Taps the radio page's audio element; the player view it starts, if any. The element sits
  /// under the page's heading: taps go down the page until one answers.
  Ref<ui::MediaPlayerView> tapProgramme(ui::WebView& radio) {
    for (double y = 64 + 20; y < 64 + 300 && !radio.activeMediaView(); y += 10) host.tap({150, y});
    return radio.activeMediaView();
  }
  /// Taps the title of page `index` in the channel bar.
  void showPage(KDVideoAndMusicViewController& screen, int64_t index) {
    auto button = screen.cursor()->scrollNavBar()->getItemWithIndex(index);
    ASSERT_TRUE(button);
    screen.cursor()->scrollNavBar()->buttonClick(button);
    settle();
    RunLoopDriver::advance(1);
    settle();
  }
  void setStatus(uint32_t flags, Status expected) {
    sys::Reachability::injectFlags(flags);
    auto manager = net::NKNetworkReachabilityManager::sharedManager();
    manager->startMonitoring();
    ASSERT_TRUE(RunLoopDriver::runUntil([&] { return manager->networkReachabilityStatus() == expected; }, 10));
  }
  static void tapRow(KDVideoAndMusicViewController& screen, size_t table, int64_t row) {
    auto tv = screen.videoTable(table);
    screen.tableViewDidSelectRowAtIndexPath(*tv, fd::IndexPath::indexPathForRow(row, 0));
  }
  void shoot(const std::string& name) {
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      std::string error;
      window->layoutIfNeeded();
      EXPECT_TRUE(host.shoot((fs::path(artifacts) / name).string(), &error)) << error;
    }
  }

  ui::HeadlessHost host;
};

TEST_F(VideoAndMusicTest, TelevisionNewsPagesToItsEndAndTheFooterGoes) {
  const auto& videos = *startSampleService().catalog().videosOfCategory("1");
  ASSERT_EQ(videos.size(), 57u);
  auto screen = open();
  ASSERT_EQ(screen->pageViews().size(), 3u);
  EXPECT_EQ(screen->cursor()->titles(), (std::vector<rt::String>{"电视新闻", "专题视频", "907调频"}));
  EXPECT_EQ(screen->currentIndex(), 0);
  EXPECT_EQ(screen->paramsModel()->id.utf8(), "1");
  ASSERT_EQ(screen->modelArray().size(), 10u);
  EXPECT_EQ(screen->modelArray()[0]->id.utf8(), videos[0].id);
  EXPECT_EQ(screen->modelArray()[0]->httpStreamUrl.utf8().find(".f4m"), std::string::npos) << "rewritten";
  EXPECT_EQ(screen->paramsModel()->pageNo, 2);
  auto table = screen->videoTable(0);
  EXPECT_EQ(table->numberOfRowsInSection(0), 10);
  EXPECT_EQ(widgets::PHProgressHUD::sharedView()->superview() && widgets::PHProgressHUD::sharedView()->alpha() > 0,
            false) << "the loading display is gone";
  shoot("video-tab-news.png");

  for (size_t expected : {20u, 30u, 40u, 50u, 57u}) {
    auto footer = attachedFooter(*table);
    ASSERT_NE(footer, nullptr) << expected;
    footer->beginRefreshing();
    settle();
    ASSERT_EQ(screen->modelArray().size(), expected);
    EXPECT_EQ(screen->modelArray()[expected - 1]->id.utf8(), videos[expected - 1].id);
    EXPECT_TRUE(screen->isPullUp());
    if (auto now = attachedFooter(*table)) {
      EXPECT_FALSE(now->isRefreshing());
    }
  }
  EXPECT_EQ(attachedFooter(*table), nullptr) << "the last page takes the footer away";
  EXPECT_EQ(table->numberOfRowsInSection(0), 57);
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(VideoAndMusicTest, ChannelBarSwapsTheSharedListAndStartsEachCategoryAfresh) {
  const auto& catalog = startSampleService().catalog();
  auto screen = open();
  attachedFooter(*screen->videoTable(0))->beginRefreshing();
  settle();
  ASSERT_EQ(screen->modelArray().size(), 20u);

  showPage(*screen, 1);
  EXPECT_EQ(screen->currentIndex(), 1);
  EXPECT_EQ(screen->paramsModel()->id.utf8(), "8");
  ASSERT_EQ(screen->modelArray().size(), 10u);
  EXPECT_EQ(screen->modelArray()[0]->id.utf8(), (*catalog.videosOfCategory("8"))[0].id);
  EXPECT_FALSE(screen->isPullUp());
  EXPECT_NE(attachedFooter(*screen->videoTable(1)), nullptr);
  shoot("video-tab-features.png");

  // Back to the news: page 1 again, what was appended before is gone.
  showPage(*screen, 0);
  EXPECT_EQ(screen->currentIndex(), 0);
  ASSERT_EQ(screen->modelArray().size(), 10u);
  EXPECT_EQ(screen->modelArray()[0]->id.utf8(), (*catalog.videosOfCategory("1"))[0].id);
  EXPECT_EQ(screen->paramsModel()->pageNo, 2);

  // The radio page loads nothing into the list; its web page asked with a 30 s time-out.
  showPage(*screen, 2);
  EXPECT_EQ(screen->currentIndex(), 2);
  EXPECT_EQ(screen->modelArray().size(), 10u);
  auto radio = screen->radioView();
  ASSERT_TRUE(radio && radio->request());
  EXPECT_EQ(radio->request()->timeoutInterval(), KDVideoAndMusicViewController::kRadioTimeout);
  EXPECT_EQ(radio->request()->URL()->absoluteString(), app::ServiceConfig::shared().radioURL());
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(VideoAndMusicTest, ADragThatSpringsBackKeepsThePageAndASwipeThatRestsChangesIt) {
  const auto& catalog = startSampleService().catalog();
  const auto& news = *catalog.videosOfCategory("1");
  const auto& features = *catalog.videosOfCategory("8");
  auto screen = open();
  auto pages = screen->cursor()->rootScrollView();
  double W = pages->bounds().size.width;
  ASSERT_EQ(screen->modelArray().size(), 10u);
  auto rest = [&] {
    for (int i = 0; i < 30; ++i) {
      RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  };

  // A short slow drag shows the next page's edge and springs back: nothing changes.
  host.drag({300, 400}, {230, 400}, 0.6);
  rest();
  EXPECT_EQ(pages->contentOffset().x, 0);
  EXPECT_EQ(screen->currentIndex(), 0);
  EXPECT_EQ(screen->paramsModel()->id.utf8(), "1");
  ASSERT_EQ(screen->modelArray().size(), 10u);
  EXPECT_EQ(screen->modelArray()[0]->id.utf8(), news[0].id) << "page 0 still holds the news";
  EXPECT_TRUE(shownErrors().empty());

  // A swipe that comes to rest on the next page loads it, once it rests.
  host.drag({340, 400}, {40, 400}, 0.25);
  rest();
  settle();
  EXPECT_EQ(pages->contentOffset().x, W);
  EXPECT_EQ(screen->currentIndex(), 1);
  EXPECT_EQ(screen->paramsModel()->id.utf8(), "8");
  ASSERT_FALSE(screen->modelArray().empty());
  EXPECT_EQ(screen->modelArray()[0]->id.utf8(), features[0].id);
  EXPECT_EQ(screen->videoTable(1)->numberOfRowsInSection(0), static_cast<int64_t>(screen->modelArray().size()));
}

TEST_F(VideoAndMusicTest, APullUpBelongsToItsFootersTableAndTheRadioPageShowsNoLoading) {
  startSampleService();
  auto screen = open();
  auto first = screen->videoTable(0);
  auto footer = attachedFooter(*first);
  ASSERT_NE(footer, nullptr);
  showPage(*screen, 1);
  ASSERT_EQ(screen->currentIndex(), 1);
  size_t rows = screen->modelArray().size();
  std::string firstId = screen->modelArray()[0]->id.utf8();

  // The first table's footer, left behind, fires: it loads nothing into the page shown and
  // stops.
  footer->setState(widgets::KMRefreshComponentState::refreshing);
  ASSERT_TRUE(footer->refreshingBlock());
  footer->refreshingBlock()();
  settle();
  EXPECT_FALSE(footer->isRefreshing());
  EXPECT_FALSE(screen->isPullUp());
  EXPECT_EQ(screen->modelArray().size(), rows);
  EXPECT_EQ(screen->modelArray()[0]->id.utf8(), firstId);
  EXPECT_EQ(screen->paramsModel()->id.utf8(), "8");

  // The radio page is no video table: a refresh there shows no loading display.
  showPage(*screen, 2);
  widgets::PHProgressHUD::dismiss();
  RunLoopDriver::advance(1);
  auto hud = widgets::PHProgressHUD::sharedView();
  ASSERT_FALSE(hud->superview() && hud->alpha() > 0);
  screen->refreshData();
  RunLoopDriver::advance(0.5);
  EXPECT_FALSE(hud->superview() && hud->alpha() > 0);
}

TEST_F(VideoAndMusicTest, RadioPagePlaysTheProgrammeWhenTapped) {
  startSampleService();
  auto screen = open();
  auto radio = showRadio(*screen);
  shoot("video-tab-radio.png");
  EXPECT_EQ(radio->activeMediaView(), nullptr) << "nothing plays before a tap";
  auto media = tapProgramme(*radio);
  ASSERT_TRUE(media);
  EXPECT_EQ(media->player()->currentItem()->URL()->absoluteString().utf8(), service->baseURL() + "/media/radio/live.wav");
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return media->player()->status() != ui::MediaPlayerStatus::Unknown; }, 10));
  EXPECT_EQ(media->player()->status(), ui::MediaPlayerStatus::ReadyToPlay);
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return media->player()->currentItem()->duration().timescale != 0; }, 10));
  EXPECT_NEAR(ui::MediaTimeGetSeconds(media->player()->currentItem()->duration()), 20, 0.2);
  RunLoopDriver::advance(2);
  EXPECT_NEAR(ui::MediaTimeGetSeconds(media->player()->currentTime()), 2, 0.05);
  media->player()->pause();
}

// The radio's audio control, once tapped, draws what it does: a pause mark and the time while
// it plays, a play mark and the time it stopped at once a tap pauses it; a third tap goes on
// from there in the same player.
TEST_F(VideoAndMusicTest, RadioControlShowsPlayingAndTimeAndPausesOnASecondTap) {
  startSampleService();
  auto screen = open();
  auto radio = showRadio(*screen);
  auto media = tapProgramme(*radio);
  ASSERT_TRUE(media);
  auto player = media->player();
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return player->currentItem()->duration().timescale != 0; }, 10));
  RunLoopDriver::advance(2);
  gfx::Rect box = media->convertRectToView(media->bounds(), nullptr);
  ASSERT_EQ(box.size.height, 40);
  // The button sits at the left end of the bar, where the page drew its play mark.
  const gfx::Point button{box.origin.x + 22, box.origin.y + box.size.height / 2};

  auto& frame = host.compositor();
  const double scale = frame.scale();
  auto grey = [&](double x, double y) {
    uint32_t p = frame.pixelAt(static_cast<size_t>(x * scale), static_cast<size_t>(y * scale));
    return (((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff)) / 3;
  };
  auto darkShare = [&] {
    size_t dark = 0, all = 0;
    for (double y = box.origin.y + 0.5; y < gfx::RectGetMaxY(box); y += 1)
      for (double x = box.origin.x + 0.5; x < gfx::RectGetMaxX(box); x += 1, ++all) dark += grey(x, y) < 40;
    return static_cast<double>(dark) / static_cast<double>(all);
  };
  auto timeShown = [&]() -> std::string {
    std::function<std::string(const Ref<ui::View>&)> find = [&](const Ref<ui::View>& v) -> std::string {
      if (auto label = rt::as<ui::Label>(v)) return label->text().utf8();
      for (const auto& sub : v->subviews())
        if (auto text = find(sub); !text.empty()) return text;
      return "";
    };
    return find(media);
  };

  host.renderFrame();
  shoot("video-tab-radio-playing.png");
  EXPECT_LT(darkShare(), 0.3) << "the control is a black box";
  EXPECT_GT(player->rate(), 0);
  EXPECT_GT(grey(button.x, button.y), 200) << "a pause mark: light between its two bars";
  EXPECT_LT(grey(button.x - 3, button.y), 100) << "a pause mark: its left bar";
  EXPECT_EQ(timeShown(), "0:02 / 0:20");

  host.tap(button);
  RunLoopDriver::advance(2);
  host.renderFrame();
  shoot("video-tab-radio-paused.png");
  EXPECT_EQ(radio->activeMediaView(), media) << "the tap stays with the control";
  EXPECT_EQ(player->rate(), 0);
  EXPECT_NEAR(ui::MediaTimeGetSeconds(player->currentTime()), 2, 0.05);
  EXPECT_LT(grey(button.x, button.y), 100) << "a play mark: the triangle covers the middle";
  EXPECT_EQ(timeShown(), "0:02 / 0:20");
  EXPECT_LT(darkShare(), 0.3);

  host.tap(button);
  RunLoopDriver::advance(1);
  host.renderFrame();
  EXPECT_EQ(radio->activeMediaView(), media);
  EXPECT_GT(player->rate(), 0);
  EXPECT_NEAR(ui::MediaTimeGetSeconds(player->currentTime()), 3, 0.05);
  EXPECT_EQ(timeShown(), "0:03 / 0:20");
  EXPECT_GT(grey(button.x, button.y), 200);
  player->pause();
}

// A sound output that cannot be opened (one named in KD_AUDIO_OUTPUT with no device behind it):
// the control says the programme cannot play, and a tap starts nothing.
TEST_F(VideoAndMusicTest, RadioControlSaysWhenTheSoundCannotPlay) {
  struct Restore {
    std::optional<std::string> value;
    ~Restore() {
      if (value) setenv("KD_AUDIO_OUTPUT", value->c_str(), 1);
      else unsetenv("KD_AUDIO_OUTPUT");
    }
  } restore;
  if (const char* before = std::getenv("KD_AUDIO_OUTPUT")) restore.value = before;
  setenv("KD_AUDIO_OUTPUT", "no-such-output", 1);
  startSampleService();
  auto screen = open();
  auto radio = showRadio(*screen);
  auto media = tapProgramme(*radio);
  ASSERT_TRUE(media);
  auto player = media->player();
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return player->status() == ui::MediaPlayerStatus::Failed; }, 10));
  host.renderFrame();
  shoot("video-tab-radio-cannot-play.png");
  std::function<std::string(const Ref<ui::View>&)> shown = [&](const Ref<ui::View>& v) -> std::string {
    if (auto label = rt::as<ui::Label>(v)) return label->text().utf8();
    for (const auto& sub : v->subviews())
      if (auto text = shown(sub); !text.empty()) return text;
    return "";
  };
  EXPECT_EQ(shown(media), "Cannot play");
  gfx::Rect box = media->convertRectToView(media->bounds(), nullptr);
  host.tap({box.origin.x + 22, box.origin.y + box.size.height / 2});
  RunLoopDriver::advance(1);
  EXPECT_EQ(radio->activeMediaView(), media);
  EXPECT_EQ(player->status(), ui::MediaPlayerStatus::Failed);
  EXPECT_EQ(ui::MediaTimeGetSeconds(player->currentTime()), 0);
  EXPECT_EQ(shown(media), "Cannot play");
}

TEST_F(VideoAndMusicTest, FailedListsEndTheFooterAndLeaveTheRowsAlone) {
  for (auto mode : {sample::FailMode::Errors, sample::FailMode::Malformed}) {
    SCOPED_TRACE(static_cast<int>(mode));
    sample::ServiceOptions options;
    options.failMode = mode;
    startSampleService(options);
    size_t before = shownErrors().size();
    auto screen = open();
    EXPECT_TRUE(screen->modelArray().empty());
    ASSERT_EQ(shownErrors().size(), before + 1);
    EXPECT_EQ(shownErrors().back(), "网络错误,稍后再试!");
    window->setRootViewController(nullptr);
    ui::Transaction::flush();
    service->stop();
  }

  // A pull-up that fails keeps the rows and leaves an idle footer that can try again.
  startSampleService();
  auto screen = open();
  ASSERT_EQ(screen->modelArray().size(), 10u);
  auto table = screen->videoTable(0);
  service->stop();
  auto footer = attachedFooter(*table);
  ASSERT_NE(footer, nullptr);
  footer->beginRefreshing();
  settle();
  EXPECT_EQ(screen->modelArray().size(), 10u);
  EXPECT_FALSE(footer->isRefreshing());
  EXPECT_EQ(attachedFooter(*table), footer);
  EXPECT_EQ(shownErrors().back(), "网络错误,稍后再试!");
}

TEST_F(VideoAndMusicTest, NetworkKindDecidesWhetherATapPlays) {
  startSampleService();
  auto screen = open();
  const std::string stream = screen->modelArray()[2]->httpStreamUrl.utf8();

  // Not reachable: the message, no player.
  setStatus(0, Status::NotReachable);
  tapRow(*screen, 0, 2);
  EXPECT_EQ(screen->presentedViewController(), nullptr);
  auto hud = widgets::PHProgressHUD::sharedView();
  EXPECT_EQ(hud->stringLabel()->text().utf8(), KDVideoAndMusicViewController::kNoNetworkMessage);
  EXPECT_EQ(shownAlert(widgets::QPPopupWindow::sharedWindow()), nullptr);

  // The mobile network asks first: "取消" leaves the screen as it was, "确定" plays.
  setStatus(sys::kReachabilityFlagsReachable | sys::kReachabilityFlagsIsWWAN, Status::ReachableViaWWAN);
  for (int64_t choice : {1, 0}) {
    SCOPED_TRACE(choice);
    tapRow(*screen, 0, 2);
    RunLoopDriver::advance(0.5);
    auto alert = shownAlert(widgets::QPPopupWindow::sharedWindow());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->titleLabel->text().utf8(), "提示");
    EXPECT_EQ(alert->detailLabel->text().utf8(), "您当前使用非wifi环境,继续播放?");
    ASSERT_EQ(alert->actionItems.size(), 2u);
    EXPECT_EQ(alert->actionItems[0]->title.utf8(), "确定");
    EXPECT_EQ(alert->actionItems[1]->title.utf8(), "取消");
    if (choice == 1) shoot("video-tab-question.png");
    alert->actionButton(choice);
    RunLoopDriver::advance(1);
    EXPECT_FALSE(alert->visible());
  }
  auto player = rt::as<app::KDVideoWebPlayViewController>(screen->presentedViewController());
  ASSERT_TRUE(player);
  EXPECT_EQ(player->videoUrl().utf8(), stream);
  screen->dismissViewControllerAnimated(false);
  RunLoopDriver::advance(1);

  // Wi-Fi plays at once, with the row's address.
  setStatus(sys::kReachabilityFlagsReachable, Status::ReachableViaWiFi);
  tapRow(*screen, 0, 2);
  RunLoopDriver::advance(1);
  EXPECT_EQ(shownAlert(widgets::QPPopupWindow::sharedWindow()), nullptr);
  player = rt::as<app::KDVideoWebPlayViewController>(screen->presentedViewController());
  ASSERT_TRUE(player);
  EXPECT_EQ(player->videoUrl().utf8(), stream);
  screen->dismissViewControllerAnimated(false);
  RunLoopDriver::advance(1);

  // A row the shared list no longer has (the other table still showing more) opens nothing.
  tapRow(*screen, 1, 15);
  RunLoopDriver::advance(1);
  EXPECT_EQ(screen->presentedViewController(), nullptr);
}

TEST_F(VideoAndMusicTest, RowsLayThePictureUnderTheTitleAndDate) {
  startSampleService();
  auto screen = open();
  auto table = screen->videoTable(0);
  table->layoutIfNeeded();
  const double w = ui::Screen::mainScreen()->bounds().size.width;
  EXPECT_DOUBLE_EQ(table->rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)).size.height,
                   (w - 10) / 5 * 3 + 45);
  auto cell = rt::as<app::KDVideoCell>(table->cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)));
  ASSERT_TRUE(cell);
  cell->layoutIfNeeded();
  const double bottom = cell->contentView()->bounds().size.height;
  gfx::Rect icon = cell->icon()->frame();
  EXPECT_EQ(icon.size, (gfx::Size{w, w / 5 * 3}));
  EXPECT_DOUBLE_EQ(icon.origin.y + icon.size.height, bottom);
  EXPECT_EQ(cell->blackView()->frame(), icon);
  gfx::Rect play = cell->playView()->frame();
  EXPECT_EQ(play.size, (gfx::Size{42, 42}));
  EXPECT_DOUBLE_EQ(play.origin.y + 21, icon.origin.y + icon.size.height / 2);
  EXPECT_EQ(cell->separatorView()->frame(), (gfx::Rect{{0, bottom - 10}, {w, 10}}));
  EXPECT_DOUBLE_EQ(cell->time()->frame().origin.y, 10);
  EXPECT_DOUBLE_EQ(cell->time()->frame().origin.x + cell->time()->frame().size.width, w - 10);
  EXPECT_LE(cell->title()->frame().origin.x + cell->title()->frame().size.width,
            cell->timeIcon()->frame().origin.x - 10 + 1e-9);
  EXPECT_EQ(cell->title()->text(), screen->modelArray()[0]->title);
  EXPECT_EQ(cell->time()->text().utf8(), screen->modelArray()[0]->date.substringToIndex(10).utf8());

  // Dates shorter than ten characters are shown whole; the same record changes nothing.
  auto record = rt::make<app::KDAPPVideoModel>();
  record->date = "2016-3-1";
  record->title = "短";
  auto lone = rt::make<app::KDVideoCell>(ui::TableViewCellStyle::Default, rt::String("Identifier"));
  lone->setFrame({{0, 0}, {w, 300}});
  lone->setModel(record);
  lone->layoutIfNeeded();
  EXPECT_EQ(lone->time()->text().utf8(), "2016-3-1");
  EXPECT_TRUE(lone->icon()->image()) << "no picture: the placeholder";
}

// However long the title, the date and its clock are shown whole beside it and the title is
// cut short, in a row of its own and in the list's rows, which the table reuses.
TEST_F(VideoAndMusicTest, ALongTitleGivesWayToTheDate) {
  const double w = ui::Screen::mainScreen()->bounds().size.width;
  auto showsDateWhole = [w](app::KDVideoCell& cell, const std::string& what) {
    gfx::Rect time = cell.time()->frame(), clock = cell.timeIcon()->frame(), title = cell.title()->frame();
    EXPECT_GE(time.size.width, cell.time()->intrinsicContentSize().width - 1e-9) << what;
    EXPECT_GE(time.origin.x, 0) << what;
    EXPECT_LE(time.origin.x + time.size.width, w + 1e-9) << what;
    EXPECT_EQ(clock.size, cell.timeIcon()->intrinsicContentSize()) << what;
    EXPECT_DOUBLE_EQ(clock.origin.x + clock.size.width, time.origin.x - 10) << what;
    EXPECT_DOUBLE_EQ(title.origin.x, 20) << what;
    EXPECT_LE(title.origin.x + title.size.width, clock.origin.x - 10 + 1e-9) << what;
    return title.size.width;
  };

  struct Case {
    const char* title;
    const char* date;
    bool cut;  // the title does not fit beside the date
  } cases[] = {
      {"短", "2016-3-1", false},
      {"禾岚新闻联播：城东菜市场改造完工，早市摊位今起恢复营业并延长开放时间", "2026-12-11 08:30:00", true},
      {"A feature about the district's night market, its stalls and the people who run them",
       "2026-12-11", true},
  };
  for (const auto& c : cases) {
    auto record = rt::make<app::KDAPPVideoModel>();
    record->title = c.title;
    record->date = c.date;
    auto cell = rt::make<app::KDVideoCell>(ui::TableViewCellStyle::Default, rt::String("Identifier"));
    cell->setFrame({{0, 0}, {w, (w - 10) / 5 * 3 + 45}});
    cell->setModel(record);
    cell->layoutIfNeeded();
    double titleWidth = showsDateWhole(*cell, c.title);
    double wanted = cell->title()->intrinsicContentSize().width;
    if (c.cut) EXPECT_LT(titleWidth, wanted - 1) << c.title;
    else EXPECT_DOUBLE_EQ(titleWidth, wanted) << c.title;
  }

  // The list's own rows, their titles long.
  startSampleService();
  auto screen = open();
  auto table = screen->videoTable(0);
  table->layoutIfNeeded();
  int rows = 0;
  for (const auto& visible : table->visibleCells()) {
    auto cell = rt::as<app::KDVideoCell>(visible);
    ASSERT_TRUE(cell);
    cell->layoutIfNeeded();
    showsDateWhole(*cell, "row " + std::to_string(rows++) + ": " + cell->title()->text().utf8());
  }
  EXPECT_GE(rows, 2);
}

TEST_F(VideoAndMusicTest, WebPlayerPlaysTheStreamOnATapAndGoesBack) {
  startSampleService();
  auto screen = open();
  setStatus(sys::kReachabilityFlagsReachable, Status::ReachableViaWiFi);
  tapRow(*screen, 0, 2);
  RunLoopDriver::advance(1);
  auto player = rt::as<app::KDVideoWebPlayViewController>(screen->presentedViewController());
  ASSERT_TRUE(player);
  auto web = player->ixWebView();
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return !web->isLoading(); }, 20));
  RunLoopDriver::runUntilIdle();
  EXPECT_EQ(web->frame(), (gfx::Rect{{0, 64}, {375, 667 - 64}}));
  EXPECT_TRUE(web->mediaPlaybackRequiresUserAction());
  EXPECT_EQ(web->activeMediaView(), nullptr) << "playback waits for the user";
  EXPECT_EQ(web->request()->URL()->absoluteString(), player->videoUrl());
  // Every navigation is allowed.
  EXPECT_EQ(player->webViewShouldStartLoadWithRequest(*web, web->request(), ui::WebViewNavigationType::LinkClicked),
            std::optional<bool>(true));

  host.tap({187, 64 + 100});
  auto media = web->activeMediaView();
  ASSERT_TRUE(media);
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return media->playerLayer()->isReadyForDisplay(); }, 10));
  EXPECT_EQ(media->player()->status(), ui::MediaPlayerStatus::ReadyToPlay);
  EXPECT_GT(media->player()->rate(), 0);
  RunLoopDriver::advance(1);
  EXPECT_NEAR(ui::MediaTimeGetSeconds(media->player()->currentTime()), 1, 0.05);
  host.renderFrame();
  shoot("video-web-player.png");
  media->player()->pause();

  player->backButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  RunLoopDriver::advance(1);
  EXPECT_EQ(screen->presentedViewController(), nullptr);
}

TEST_F(VideoAndMusicTest, WebPlayerWithABadAddressStaysBlackAndGoesBack) {
  startSampleService();
  auto root = rt::make<ui::ViewController>();
  window->setRootViewController(root);
  for (const char* address : {"", "http://127.0.0.1:1/none.mp4"}) {
    SCOPED_TRACE(address);
    auto player = rt::make<app::KDVideoWebPlayViewController>();
    player->setVideoUrl(address);
    root->presentViewController(player, false);
    RunLoopDriver::runUntil([&] { return !player->ixWebView()->isLoading(); }, 20);
    RunLoopDriver::runUntilIdle();
    EXPECT_FALSE(player->ixWebView()->isLoading());
    EXPECT_EQ(player->ixWebView()->activeMediaView(), nullptr);
    EXPECT_FALSE(ui::Application::sharedApplication()->isNetworkActivityIndicatorVisible());
    player->backButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    RunLoopDriver::advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
  }
}

TEST_F(VideoAndMusicTest, AnEmptyFirstPageEmptiesTheListAndTakesTheFooterAway) {
  startSampleService();
  auto screen = open();
  ASSERT_EQ(screen->modelArray().size(), 10u);
  auto table = screen->videoTable(0);
  ASSERT_NE(attachedFooter(*table), nullptr);

  startScriptedServer();
  testsupport::Reply empty;
  empty.contentType = "application/json";
  empty.body = R"({"rows":[],"page":{"currPage":1,"totalPage":0,"pageSize":10}})";
  scripted->route("/mas/front/appList.jsp", empty);
  // The news page shown again: category "1" from page 1.
  screen->rootScrollViewDidSelectAtIndex(*screen->cursor()->rootScrollView(), 0);
  settle();
  EXPECT_TRUE(screen->modelArray().empty());
  EXPECT_EQ(table->numberOfRowsInSection(0), 0);
  EXPECT_EQ(attachedFooter(*table), nullptr);
  auto hud = widgets::PHProgressHUD::sharedView();
  EXPECT_FALSE(hud->superview() && hud->alpha() > 0) << "the loading display is dismissed";
  EXPECT_TRUE(shownErrors().empty());
  ASSERT_EQ(scripted->requestCount(), 1u);
}

}  // namespace
