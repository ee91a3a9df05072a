#pragma once
// "光影", the photo gallery screen: one row per gallery (风貌, 风情, 风采), each a heading with a
// "more" button and a strip of its newest albums. Pull-down reloads all three at once.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/lists/TableView.h"

namespace app {

class KDShadowViewController : public BaseViewController,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate {
  RT_CLASS(KDShadowViewController, BaseViewController)
 public:
  /// Three albums of each gallery, by the galleries' own channel identifiers.
  static constexpr const char* kChannelInfo = "78@news_list@3|79@news_list@3|80@news_list@3";

  void init() {}
  void viewDidLoad() override;
  void refreshData();
  void setRefreshHeadGroupbox(ui::TableView& table);

  std::optional<int64_t> numberOfSectionsInTableView(ui::TableView& tv) override;
  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;

  const std::vector<std::vector<Ref<KDAPPListModel>>>& modelArray() const { return modelArray_; }
  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const KDTopBar& topBar() const { return topBar_; }

 private:
  void endRefreshing();

  std::vector<std::vector<Ref<KDAPPListModel>>> modelArray_;
  Ref<ui::TableView> contentView_;
  KDTopBar topBar_;
};

}  // namespace app
