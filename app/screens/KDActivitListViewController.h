#pragma once
// Every activity channel (parent "51") as a large picture row under the title "全部专题"; a row
// opens that channel's article list. One page: pull-down loads the channel list again.
#include <vector>

#include "app/models/KDAppchannelModel.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/lists/TableView.h"

namespace app {

class KDActivitListViewController : public ui::ViewController,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate {
  RT_CLASS(KDActivitListViewController, ui::ViewController)
 public:
  static inline const char* const kTitle = "全部专题";
  static inline const char* const kActivityParentId = "51";

  void init() {}
  void viewDidLoad() override;

  void setRefreshHeadGroupbox(ui::TableView& table);
  void refreshData();

  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;

  const std::vector<Ref<KDAppchannelModel>>& modelArray() const { return modelArray_; }
  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const KDTopBar& topBar() const { return topBar_; }

 private:
  void endRefreshing();

  std::vector<Ref<KDAppchannelModel>> modelArray_;
  Ref<ui::TableView> contentView_;
  KDTopBar topBar_;
};

}  // namespace app
