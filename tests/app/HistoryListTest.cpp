// The history list against the sample service: one section per channel under "64" with its
// header and more button, rows that open their article without a date, and, from a scripted
// server, answers the sample service never gives (no such channel, fewer groups than
// channels, a failed reload) that must neither crash nor pair a header with another
// channel's rows.
#include <gtest/gtest.h>

#include "app/cells/KDHomeNewsCell.h"
#include "app/screens/KDActiveListViewController.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDHistoryListViewController.h"
#include "platform/foundation/values/IndexPath.h"
#include "tests/app/TravelFixture.h"
#include "tools/sample-service/service/Catalog.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

using app::KDHistoryListViewController;

class HistoryListTest : public apptest::TravelTest {
 protected:
  Ref<KDHistoryListViewController> open() {
    auto channel = rt::make<app::KDAppchannelModel>();
    channel->trs_channel_id = "5380";
    channel->title = "历史沿革";
    auto list = rt::make<KDHistoryListViewController>();
    list->setModel(channel);
    nav = show(list, idle(list));
    return list;
  }
  /// The channel list and the aggregation come one after the other: the activity indicator
  /// goes off between them, the pull-down only after both.
  static std::function<bool()> idle(const Ref<KDHistoryListViewController>& list) {
    Weak<KDHistoryListViewController> weak = list;
    return [weak] { return weak.lock() && !refreshing(*weak.lock()); };
  }
  void pullDown(const Ref<KDHistoryListViewController>& list) {
    widgets::km_header(*list->contentView())->beginRefreshing();
    settle(idle(list));
  }
  static bool refreshing(KDHistoryListViewController& l) { return widgets::km_header(*l.contentView())->isRefreshing(); }
  /// The title shown in the header of `section`, or "" when the header has none.
  static std::string headerTitle(KDHistoryListViewController& l, int64_t section) {
    auto header = l.tableViewViewForHeaderInSection(*l.contentView(), section).value_or(nullptr);
    if (!header) return "";
    for (const auto& v : header->subviews())
      if (auto label = std::dynamic_pointer_cast<ui::Label>(v)) return label->text().utf8();
    return "";
  }
  void scriptChannels(const std::string& items) {
    script("App/channel_list", R"({"status":200,"info":"ok","data":{"list":[)" + items + "]}}");
  }
  static std::string group(const std::string& id, int rows) {
    std::string list;
    for (int i = 0; i < rows; ++i)
      list += (i ? "," : "") + std::string(R"({"docId":")") + id + std::to_string(i) + R"(","docTitle":"文)" + id + R"("})";
    return R"({"channel_id":")" + id + R"(","news_list":{"total":")" + std::to_string(rows) + R"(","rows":[)" + list + "]}}";
  }

  Ref<app::QPNavigationController> nav;
};

TEST_F(HistoryListTest, ChannelInfoJoinsEveryChannelWithoutATrailingBar) {
  auto channel = [](const char* id) {
    auto c = rt::make<app::KDAppchannelModel>();
    c->id = id;
    return c;
  };
  EXPECT_EQ(KDHistoryListViewController::channelInfo({channel("70"), channel("71"), channel("72")}).utf8(),
            "70@news_list@3|71@news_list@3|72@news_list@3");
  EXPECT_EQ(KDHistoryListViewController::channelInfo({channel("9")}).utf8(), "9@news_list@3");
  EXPECT_EQ(KDHistoryListViewController::channelInfo({}).utf8(), "");
}

TEST_F(HistoryListTest, OneSectionPerChannelUnderItsHeaderAndEveryTapOpensItsScreen) {
  const auto& catalog = startSampleService().catalog();
  auto list = open();
  EXPECT_EQ(list->topBar().title->text().utf8(), "历史沿革");
  EXPECT_FALSE(refreshing(*list));
  auto& table = *list->contentView();
  ASSERT_EQ(table.numberOfSections(), 3);
  const char* ids[] = {"70", "71", "72"};
  for (int64_t s = 0; s < 3; ++s) {
    SCOPED_TRACE(s);
    const auto* channel = catalog.channelById(ids[s]);
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(list->channelmodelArray()[static_cast<size_t>(s)]->id.utf8(), ids[s]);
    EXPECT_EQ(headerTitle(*list, s), channel->title);
    EXPECT_EQ(table.numberOfRowsInSection(s), 3);
    const auto& articles = *catalog.articlesOfChannel(channel->trs_channel_id);
    EXPECT_EQ(list->modelArray()[static_cast<size_t>(s)][0]->docId.utf8(), articles[0].docId);
    EXPECT_EQ(table.rectForHeaderInSection(s).size.height, 44);
  }
  EXPECT_EQ(table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(0, 0)).size.height, 100);
  auto row = std::dynamic_pointer_cast<app::KDHomeNewsCell>(table.cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(1, 0)));
  ASSERT_NE(row, nullptr);
  row->layoutIfNeeded();
  EXPECT_FALSE(row->time()->isHidden());
  shoot("history-list.png");

  // A row opens its article without the date.
  tapView(*row);
  auto detail = std::dynamic_pointer_cast<app::KDArticleDetailViewController>(nav->topViewController());
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->model(), list->modelArray()[0][1]);
  EXPECT_TRUE(detail->isHiddenDate());
  back(*nav);

  // The more button of the second header opens that channel's whole list.
  auto header = table.headerViewForSection(1);
  ASSERT_NE(header, nullptr);
  Ref<ui::Button> more;
  for (const auto& v : header->subviews())
    if (auto b = std::dynamic_pointer_cast<ui::Button>(v)) more = b;
  ASSERT_NE(more, nullptr);
  tapView(*more);
  auto channelList = std::dynamic_pointer_cast<app::KDActiveListViewController>(nav->topViewController());
  ASSERT_NE(channelList, nullptr);
  EXPECT_EQ(channelList->model(), list->channelmodelArray()[1]);
  back(*nav);

  // Pull-down rebuilds the same sections.
  pullDown(list);
  EXPECT_FALSE(refreshing(*list));
  EXPECT_EQ(table.numberOfSections(), 3);
  EXPECT_EQ(headerTitle(*list, 2), catalog.channelById("72")->title);
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(HistoryListTest, WithoutChannelsUnderTheParentNothingIsAskedAndTheLoadEnds) {
  startScriptedServer();
  scriptChannels(R"({"id":"65","parent_id":"59","title":"历史沿革"},{"id":"70","parent_id":"7","title":"别处"})");
  auto list = open();
  EXPECT_FALSE(refreshing(*list));
  EXPECT_EQ(list->contentView()->numberOfSections(), 0);
  for (const auto& r : scripted->requests()) EXPECT_EQ(r.path.find("App/juhe"), std::string::npos) << r.path;
  EXPECT_TRUE(shownErrors().empty());
}

TEST_F(HistoryListTest, HeadersStayWithTheirGroupsWhateverTheAnswers) {
  startScriptedServer();
  scriptChannels(R"({"id":"70","parent_id":"64","title":"甲"},{"id":"71","parent_id":"64","title":"乙"},)"
                 R"({"id":"72","parent_id":"64","title":"丙"})");
  // Two groups for three channels: only the pairs are shown, and an empty group keeps its
  // header.
  script("App/juhe", R"({"status":200,"info":"ok","data":{"list":[)" + group("70", 2) + "," + group("71", 0) + "]}}");
  auto list = open();
  auto& table = *list->contentView();
  ASSERT_EQ(table.numberOfSections(), 2);
  EXPECT_EQ(headerTitle(*list, 0), "甲");
  EXPECT_EQ(headerTitle(*list, 1), "乙");
  EXPECT_EQ(table.numberOfRowsInSection(1), 0);
  // Indexes from outside the pairs answer empty rather than reading past a list.
  EXPECT_EQ(list->tableViewNumberOfRowsInSection(table, 7), 0);
  EXPECT_EQ(headerTitle(*list, 5), "");
  list->tableViewDidSelectRowAtIndexPath(table, fd::IndexPath::indexPathForRow(4, 0));
  EXPECT_EQ(nav->viewControllers().size(), 1u);

  // A reload whose aggregation fails ends the pull-down and keeps the pairs it had.
  script("App/juhe", R"({"status":500,"info":"服务器繁忙"})");
  pullDown(list);
  EXPECT_FALSE(refreshing(*list));
  ASSERT_EQ(table.numberOfSections(), 2);
  EXPECT_EQ(headerTitle(*list, 0), "甲");
  EXPECT_EQ(table.numberOfRowsInSection(0), 2);
  // The client's message was the last thing the progress display showed.
  EXPECT_EQ(widgets::PHProgressHUD::sharedView()->stringLabel()->text().utf8(), "服务器繁忙");

  // So does a failed channel list.
  script("App/channel_list", R"({"status":500,"info":"栏目获取失败"})");
  pullDown(list);
  EXPECT_FALSE(refreshing(*list));
  EXPECT_EQ(table.numberOfSections(), 2);
}

TEST_F(HistoryListTest, AFailingServiceEndsThePullDown) {
  for (auto mode : {sample::FailMode::Errors, sample::FailMode::Malformed}) {
    SCOPED_TRACE(static_cast<int>(mode));
    sample::ServiceOptions options;
    options.failMode = mode;
    startSampleService(options);
    auto list = open();
    EXPECT_FALSE(refreshing(*list));
    EXPECT_EQ(list->contentView()->numberOfSections(), 0);
    EXPECT_FALSE(shownErrors().empty());
    window->setRootViewController(nullptr);
  }
}

}  // namespace
