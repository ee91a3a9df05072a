#pragma once
// The articles of one magazine issue (or of the supplement), ten a page, under a bar with a
// back button and the channel's title: pull-down reloads page 1, the footer (present while
// more pages remain) appends, a row opens the article.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppChannelParamsModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/screens/KDPagedListLoader.h"
#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/lists/TableView.h"

namespace app {

class KDmagazineArticListViewController : public BaseViewController,
                                          public ui::TableViewDataSource,
                                          public ui::TableViewDelegate {
  RT_CLASS(KDmagazineArticListViewController, BaseViewController)
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
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) override;

  /// The channel: its title heads the screen, its trs identifier is listed. Set before the
  /// screen is pushed.
  const Ref<KDAppchannelModel>& model() const { return model_; }
  void setModel(const Ref<KDAppchannelModel>& model) { model_ = model; }
  /// Handed to the article page of a tapped row; set for magazine issues.
  bool isHiddenDate() const { return isHiddenDate_; }
  void setIsHiddenDate(bool on) { isHiddenDate_ = on; }

  const std::vector<Ref<KDAPPListModel>>& modelArray() const { return loader_->rows(); }
  const Ref<KDAppChannelParamsModel>& paramsModel() const { return loader_->paramsModel(); }
  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const KDTopBar& topBar() const { return topBar_; }

 private:
  Ref<KDPagedListLoader> loader_ = rt::make<KDPagedListLoader>();
  Ref<ui::TableView> contentView_;
  KDTopBar topBar_;
  Ref<KDAppchannelModel> model_;
  bool isHiddenDate_ = false;
};

}  // namespace app
