#pragma once
// The humanities history screen: one section per channel under "64", each under a header with
// the channel's title and a more button to its full list, all filled by one aggregated
// request. A section's header and rows always come from the same answer pair: the channels
// and their groups are replaced together, so a reload never pairs a header with another
// channel's rows.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/lists/TableView.h"

namespace app {

class KDHistoryListViewController : public BaseViewController,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate {
  RT_CLASS(KDHistoryListViewController, BaseViewController)
 public:
  static constexpr const char* kParentChannel = "64";

  void init() {}
  void viewDidLoad() override;

  void pulldown();
  void refreshData();
  /// Asks for the articles of `channels`; with none there is nothing to ask for and the
  /// screen shows no sections.
  void refreshHistoryData(const std::vector<Ref<KDAppchannelModel>>& channels);
  void setRefreshHeadGroupbox(ui::TableView& table);

  /// "ID@news_list@3|ID@news_list@3..." for `channels`; empty for none.
  static fd::String channelInfo(const std::vector<Ref<KDAppchannelModel>>& channels);

  std::optional<int64_t> numberOfSectionsInTableView(ui::TableView& tv) override;
  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;
  std::optional<Ref<ui::View>> tableViewViewForHeaderInSection(ui::TableView& tv, int64_t section) override;

  /// The channel that opened the screen; its title is the screen's. Set before pushing.
  const Ref<KDAppchannelModel>& model() const { return model_; }
  void setModel(const Ref<KDAppchannelModel>& model) { model_ = model; }

  const std::vector<Ref<KDAppchannelModel>>& channelmodelArray() const { return channelmodelArray_; }
  const std::vector<std::vector<Ref<KDAPPListModel>>>& modelArray() const { return modelArray_; }
  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const KDTopBar& topBar() const { return topBar_; }

 private:
  void loaded(std::vector<Ref<KDAppchannelModel>> channels, std::vector<std::vector<Ref<KDAPPListModel>>> groups);
  void endLoading();
  const std::vector<Ref<KDAPPListModel>>* group(int64_t section) const;

  Ref<KDAppchannelModel> model_;
  std::vector<Ref<KDAppchannelModel>> channelmodelArray_;
  std::vector<std::vector<Ref<KDAPPListModel>>> modelArray_;
  Ref<ui::TableView> contentView_;
  KDTopBar topBar_;
};

}  // namespace app
