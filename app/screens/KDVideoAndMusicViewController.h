#pragma once
// The audio-visual tab: a channel bar over three pages, two paged video lists (television
// news, feature videos) sharing one list of rows, and the radio programme's web page. A
// tapped video opens the web video player once the network kind allows it.
#include <vector>

#include "app/models/KDAPPVideoModel.h"
#include "app/models/KDVideoParamsModel.h"
#include "app/shell/BaseViewController.h"
#include "platform/ui/lists/TableView.h"
#include "platform/ui/web/WebView.h"
#include "widgets/channels/CBCursor.h"
#include "widgets/channels/CBRootScrollViewProtocols.h"

namespace app {

class KDVideoAndMusicViewController : public BaseViewController,
                                      public ui::TableViewDataSource,
                                      public ui::TableViewDelegate,
                                      public widgets::CBRootScrollViewDelegate {
  RT_CLASS(KDVideoAndMusicViewController, BaseViewController)
 public:
  /// Seconds between the view's load and the channel bar's.
  static constexpr double kChannelBarDelay = 0.2;
  /// The radio page's load time-out.
  static constexpr double kRadioTimeout = 30;
  static constexpr const char* kNoNetworkMessage = "当前网络错误,请重试!";

  void init() {}
  void viewDidLoad() override;

  void initCBCursor();
  void createPageViews();
  void refreshData();
  /// The pull-up of `table`'s footer: the next page into that table.
  void pullUp(const Ref<ui::TableView>& table);
  void setRefreshGroupbox(ui::TableView& table);
  /// How often a swipe under way is looked at until the pages come to rest.
  static constexpr double kRestCheckInterval = 0.05;

  void rootScrollViewDidSelectAtIndex(widgets::CBRootScrollView& rootScrollView, uint64_t index) override;

  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;

  const std::vector<Ref<KDAPPVideoModel>>& modelArray() const { return modelArray_; }
  int64_t currentIndex() const { return currentIndex_; }
  bool isPullUp() const { return isPullUp_; }
  const Ref<KDVideoParamsModel>& paramsModel() const { return paramsModel_; }
  const std::vector<Ref<ui::View>>& pageViews() const { return pageViews_; }
  /// Null until the bar is built.
  const Ref<widgets::CBCursor>& cursor() const { return cursor_; }
  /// The video table of page 0 or 1; null for any other index or before the pages exist.
  Ref<ui::TableView> videoTable(size_t index) const;
  Ref<ui::WebView> radioView() const;

 private:
  void loaded(const Ref<ui::TableView>& table, const std::vector<Ref<KDAPPVideoModel>>& items);
  /// Makes page `index` the current one and loads it when it is a video page.
  void showPage(size_t index);
  void load(const Ref<ui::TableView>& table);
  /// Until the pages rest, then shows the page they rest on if it is another.
  void waitForRest();
  void endLoading(const Ref<ui::TableView>& table);

  std::vector<Ref<KDAPPVideoModel>> modelArray_;
  int64_t currentIndex_ = 0;
  bool isPullUp_ = false;
  Ref<KDVideoParamsModel> paramsModel_;
  std::vector<Ref<ui::View>> pageViews_;
  Ref<widgets::CBCursor> cursor_;
  // Bumped by every request; an answer to an older one would put one category's rows under
  // the other's title, so it is dropped.
  uint64_t generation_ = 0;
  bool waitingForRest_ = false;
};

}  // namespace app
