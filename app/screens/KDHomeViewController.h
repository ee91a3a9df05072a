#pragma once
// The news tab's root: a channel bar over three fixed channels, one grouped table per channel
// headed by a picture carousel, 50 articles a page with pull-down to reload and pull-up to
// append, and a settings button at the top right. The first two carousels show the service's
// banners and a few pictured articles; the third shows activity channels and the way to all of
// them. Each channel's table has its own row list, so an answer for a channel no longer shown
// fills that channel's table and never another's.
#include <vector>

#include "app/models/KDAPPBannerModel.h"
#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppChannelParamsModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/shell/BaseViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/lists/TableView.h"
#include "widgets/carousel/WICycleScrollView.h"
#include "widgets/channels/CBCursor.h"
#include "widgets/channels/CBRootScrollViewProtocols.h"

namespace app {

class KDHomeViewController : public BaseViewController,
                             public ui::TableViewDataSource,
                             public ui::TableViewDelegate,
                             public widgets::CBRootScrollViewDelegate,
                             public widgets::WICycleScrollViewDelegate {
  RT_CLASS(KDHomeViewController, BaseViewController)
 public:
  static constexpr int64_t kPageSize = 50;
  /// Banners the first two carousels show at most, then pictured articles at most.
  static constexpr size_t kMaxBanners = 4;
  static constexpr size_t kMaxPicturedArticles = 3;
  static constexpr size_t kMaxActivities = 5;
  /// The bar and the tables come this long after the view, as the first request does.
  static constexpr double kStartDelay = 0.2;
  static constexpr double kRowHeight = 105;
  static inline const char* const kAllTopicsTitle = "全部专题";
  static inline const char* const kAllTopicsChannelId = "113";
  static inline const char* const kActivityParentId = "51";

  /// The channel id of page `index` (0 to 2), empty past them.
  static fd::String channelIdOfPage(size_t index);

  void init() {}
  void viewDidLoad() override;

  void initCBCursor();
  void createPageViews();
  void setTableViewHeadView1() { setTableViewHeadView(0); }
  void setTableViewHeadView2() { setTableViewHeadView(1); }
  void setTableViewHeadView3() { setTableViewHeadView(2); }
  void setRefreshHeadGroupbox(ui::TableView& table);
  void setRefreshFootGroupbox(ui::TableView& table);
  void refreshData();
  void pulldown();
  void pullUp();
  /// Picks the pictured articles of the carousels from `rows`, once.
  void getBanner(const std::vector<Ref<KDAPPListModel>>& rows);
  void getActivit();
  void getOurSearvicesBanner();
  void getAppboard();

  // ---- channel container and carousels
  void rootScrollViewDidSelectAtIndex(widgets::CBRootScrollView& rootScrollView, uint64_t index) override;
  void cycleScrollViewDidSelectItemAtIndex(widgets::WICycleScrollView& view, int64_t index) override;

  // ---- tables
  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;

  const std::vector<rt::String>& titles() const { return titles_; }
  void setTitles(std::vector<rt::String> titles) { titles_ = std::move(titles); }
  const std::vector<Ref<ui::TableView>>& pageViews() const { return pageViews_; }
  void setPageViews(std::vector<Ref<ui::TableView>> pageViews) { pageViews_ = std::move(pageViews); }

  // ---- state, for the tests and the tour
  bool isPullUp() const { return isPullUp_; }
  /// The rows of the channel shown.
  const std::vector<Ref<KDAPPListModel>>& modelArray() const { return rowsOfPage(currentIndex_); }
  /// The rows of channel page `index` (0 to 2); empty past them.
  const std::vector<Ref<KDAPPListModel>>& rowsOfPage(int64_t index) const;
  const std::vector<Ref<KDAPPListModel>>& bannerModelArray() const { return bannerModelArray_; }
  const std::vector<rt::String>& bannerImageArray() const { return bannerImageArray_; }
  const std::vector<rt::String>& bannerTitleArray() const { return bannerTitleArray_; }
  const std::vector<rt::String>& bannerpushArray() const { return bannerpushArray_; }
  const std::vector<Ref<KDAppchannelModel>>& activityArray() const { return activityArray_; }
  const std::vector<Ref<KDAPPBannerModel>>& ourBannerarray() const { return ourBannerarray_; }
  const std::vector<rt::String>& activetyImagearray() const { return activetyImagearray_; }
  const std::vector<rt::String>& activetytitlearray() const { return activetytitlearray_; }
  const Ref<KDAppChannelParamsModel>& paramsModel() const { return paramsModel_; }
  int64_t currentIndex() const { return currentIndex_; }
  const Ref<widgets::WICycleScrollView>& cycleScrollView1() const { return cycleScrollView1_; }
  const Ref<widgets::WICycleScrollView>& cycleScrollView2() const { return cycleScrollView2_; }
  const Ref<widgets::WICycleScrollView>& cycleScrollView3() const { return cycleScrollView3_; }
  const Ref<widgets::CBCursor>& cursor() const { return cursor_; }
  const Ref<ui::Button>& settingsButton() const { return settingsButton_; }
  const std::vector<Ref<ui::View>>& separators() const { return separators_; }

 private:
  void setTableViewHeadView(size_t page);
  /// One page of the current parameters from the article list or the board; answers go to
  /// `table`.
  void loadPage(bool fromBoard, const Ref<ui::TableView>& table);
  void pageArrived(const std::vector<Ref<KDAPPListModel>>& items, const Ref<ui::TableView>& table, bool fromBoard,
                   bool append);
  /// The page index of `table`, -1 when it is none of the channel tables.
  int64_t pageOfTable(const ui::TableView& table) const;
  std::vector<Ref<KDAPPListModel>>* rowsOf(const ui::TableView& table);
  /// The first banners, then the pictured articles chosen, into carousels 1 and 2.
  void fillBannerCarousels();
  void activitiesArrived(const std::vector<Ref<KDAppchannelModel>>& channels);
  void push(const Ref<ui::ViewController>& controller);
  void openArticle(const Ref<KDAPPListModel>& item);
  static void endRefreshing(ui::TableView& table, bool header);

  bool isPullUp_ = false;
  // One row list per channel page, in the order of the tables.
  std::vector<std::vector<Ref<KDAPPListModel>>> rows_;
  std::vector<Ref<KDAPPListModel>> bannerModelArray_;
  std::vector<rt::String> bannerImageArray_;
  std::vector<rt::String> bannerTitleArray_;
  std::vector<rt::String> bannerpushArray_;
  std::vector<Ref<KDAppchannelModel>> activityArray_;
  std::vector<Ref<KDAPPBannerModel>> ourBannerarray_;
  std::vector<rt::String> activetyImagearray_;
  std::vector<rt::String> activetytitlearray_;
  Ref<KDAppChannelParamsModel> paramsModel_;
  int64_t currentIndex_ = 0;
  Ref<widgets::WICycleScrollView> cycleScrollView1_, cycleScrollView2_, cycleScrollView3_;
  std::vector<rt::String> titles_;
  std::vector<Ref<ui::TableView>> pageViews_;
  Ref<widgets::CBCursor> cursor_;
  Ref<ui::Button> settingsButton_;
  std::vector<Ref<ui::View>> separators_;
};

}  // namespace app
