#pragma once
// The articles of one channel, ten a page, under a bar with a back button and the channel's
// title: pull-down reloads page 1, the footer (present while more pages remain) appends; a row
// opens its article, or its web page when the article is one.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppChannelParamsModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/screens/KDPagedListLoader.h"
#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/lists/TableView.h"

namespace app {

class KDActiveListViewController : public BaseViewController,
                                   public ui::TableViewDataSource,
                                   public ui::TableViewDelegate {
  RT_CLASS(KDActiveListViewController, BaseViewController)
 public:
  static constexpr int64_t kPageSize = 10;

  void init() {}
  void viewDidLoad() override;

  void refreshData();
  void pulldown();
  void pullUp();
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

  /// The channel; set before the screen is pushed.
  const Ref<KDAppchannelModel>& model() const { return model_; }
  void setModel(const Ref<KDAppchannelModel>& model) { model_ = model; }
  /// Rows show the abstract instead of the date; set before the screen is pushed.
  bool isShowContent() const { return isShowContent_; }
  void setIsShowContent(bool on) { isShowContent_ = on; }

  const std::vector<Ref<KDAPPListModel>>& modelArray() const { return loader_->rows(); }
  const Ref<KDAppChannelParamsModel>& paramsModel() const { return loader_->paramsModel(); }
  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const KDTopBar& topBar() const { return topBar_; }

 private:
  Ref<KDPagedListLoader> loader_ = rt::make<KDPagedListLoader>();
  Ref<ui::TableView> contentView_;
  KDTopBar topBar_;
  Ref<KDAppchannelModel> model_;
  bool isShowContent_ = false;
};

}  // namespace app
