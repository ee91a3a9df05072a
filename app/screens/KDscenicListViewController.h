#pragma once
// The sights or the food list of the travel guide: the articles of one channel, ten a page,
// each with a picture, a badge and a place line; a row opens the article with its place shown.
// Pull-down reloads page 1, the footer (present while more pages remain) appends.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppChannelParamsModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/screens/KDPagedListLoader.h"
#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/lists/TableView.h"

namespace app {

class KDscenicListViewController : public BaseViewController,
                                   public ui::TableViewDataSource,
                                   public ui::TableViewDelegate {
  RT_CLASS(KDscenicListViewController, BaseViewController)
 public:
  static constexpr int64_t kPageSize = 10;

  void init() {}
  void viewDidLoad() override;

  void pulldown();
  void pullUp();
  void refreshData();
  void setRefreshHeadGroupbox(ui::TableView& table);
  void setRefreshFootGroupbox(ui::TableView& table);

  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;

  /// The channel to list and the title; set before the screen is pushed.
  const Ref<KDAppchannelModel>& model() const { return model_; }
  void setModel(const Ref<KDAppchannelModel>& model) { model_ = model; }

  const std::vector<Ref<KDAPPListModel>>& modelArray() const { return loader_->rows(); }
  const Ref<KDAppChannelParamsModel>& paramsModel() const { return loader_->paramsModel(); }
  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const KDTopBar& topBar() const { return topBar_; }

 private:
  Ref<KDAppchannelModel> model_;
  Ref<KDPagedListLoader> loader_ = rt::make<KDPagedListLoader>();
  Ref<ui::TableView> contentView_;
  KDTopBar topBar_;
};

}  // namespace app
