#pragma once
// The travel tab's root: a banner carousel above five titled strips (overview, sights, food,
// navigation, humanities history), filled by three requests sent together: the banner
// channel's articles, the channel list and the sights-and-food aggregation. Pull-down repeats
// all three.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/shell/BaseViewController.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/TableView.h"
#include "widgets/carousel/WICycleScrollView.h"

namespace app {

class KDTourismViewController : public BaseViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public widgets::WICycleScrollViewDelegate {
  RT_CLASS(KDTourismViewController, BaseViewController)
 public:
  static constexpr int64_t kSections = 5;
  /// The banner channel and how many banners it shows.
  static constexpr const char* kBannerChannel = "11618";
  static constexpr int64_t kBannerCount = 5;
  static constexpr const char* kAggregation = "56@news_list@3|58@news_list@3";

  void init() {}
  void viewDidLoad() override;

  void setTableViewHeadView();
  void setRefreshHeadGroupbox(ui::TableView& table);
  void refreshData();
  void getBanner();
  /// Any banner opens the gallery.
  void cycleScrollViewDidSelectItemAtIndex(widgets::WICycleScrollView& view, int64_t index) override;

  /// The section's title ("概况", "景点", "美食", "导航", "人文历史").
  static fd::String sectionTitle(int64_t section);
  /// The section's items as the strip shows them.
  std::vector<rt::Id> sectionItems(int64_t section) const;

  std::optional<int64_t> numberOfSectionsInTableView(ui::TableView& tv) override;
  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;

  const std::vector<Ref<KDAppchannelModel>>& profileModelarray() const { return profileModelarray_; }
  const std::vector<Ref<KDAPPListModel>>& scenicModelarray() const { return scenicModelarray_; }
  const std::vector<Ref<KDAPPListModel>>& foodModelarray() const { return foodModelarray_; }
  const std::vector<Ref<KDAppchannelModel>>& lifeModelarray() const { return lifeModelarray_; }
  const std::vector<Ref<KDAppchannelModel>>& historyModelarray() const { return historyModelarray_; }
  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const Ref<widgets::WICycleScrollView>& cycleScrollView() const { return cycleScrollView_; }
  const Ref<ui::View>& titleBar() const { return titleBar_; }
  const Ref<ui::Label>& titleLabel() const { return titleLabel_; }

 private:
  void channelsArrived(const std::vector<Ref<KDAppchannelModel>>& channels);
  void groupsArrived(const std::vector<std::vector<Ref<KDAPPListModel>>>& groups);
  void endLoading();

  std::vector<Ref<KDAppchannelModel>> profileModelarray_;
  std::vector<Ref<KDAPPListModel>> scenicModelarray_;
  std::vector<Ref<KDAPPListModel>> foodModelarray_;
  std::vector<Ref<KDAppchannelModel>> lifeModelarray_;
  std::vector<Ref<KDAppchannelModel>> historyModelarray_;
  Ref<ui::TableView> contentView_;
  Ref<widgets::WICycleScrollView> cycleScrollView_;
  Ref<ui::View> titleBar_;
  Ref<ui::Label> titleLabel_;
};

}  // namespace app
