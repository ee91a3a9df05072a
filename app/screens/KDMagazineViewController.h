#pragma once
// "云岫声", the root of the fourth tab: the supplement's three newest articles, then a strip of
// the quarterly magazines' covers. "More" buttons open the supplement's full list and the grid
// of all issues; a cover opens its issue, a row its article. Pull-down reloads both lists.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"
#include "platform/ui/lists/TableView.h"

namespace app {

class KDMagazineViewController : public BaseViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate,
                                 public ui::CollectionViewDataSource,
                                 public ui::CollectionViewDelegateFlowLayout {
  RT_CLASS(KDMagazineViewController, BaseViewController)
 public:
  static constexpr const char* kSupplementChannel = "11651";
  static constexpr int64_t kNewestCount = 3;

  void init() {}
  void viewDidLoad() override;

  void refreshData();
  void setRefreshHeadGroupbox(ui::TableView& table);
  void setTableViewFootView();

  // The article table.
  int64_t tableViewNumberOfRowsInSection(ui::TableView& tv, int64_t section) override;
  Ref<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                        const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                         const Ref<fd::IndexPath>& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, int64_t section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, int64_t section) override;
  std::optional<Ref<ui::View>> tableViewViewForHeaderInSection(ui::TableView& tv, int64_t section) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const Ref<fd::IndexPath>& indexPath) override;

  // The cover strip.
  int64_t collectionViewNumberOfItemsInSection(ui::CollectionView& cv, int64_t section) override;
  Ref<ui::CollectionViewCell> collectionViewCellForItemAtIndexPath(ui::CollectionView& cv,
                                                                  const Ref<fd::IndexPath>& indexPath) override;
  void collectionViewDidSelectItemAtIndexPath(ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<gfx::Size> collectionViewLayoutSizeForItemAtIndexPath(ui::CollectionView& cv,
                                                                     ui::CollectionViewLayout& layout,
                                                                     const Ref<fd::IndexPath>& indexPath) override;
  std::optional<gfx::EdgeInsets> collectionViewLayoutInsetForSectionAtIndex(ui::CollectionView& cv,
                                                                          ui::CollectionViewLayout& layout,
                                                                          int64_t section) override;

  const std::vector<Ref<KDAPPListModel>>& modelArray() const { return modelArray_; }
  const std::vector<Ref<KDAppchannelModel>>& collectionModelarray() const { return collectionModelarray_; }
  const Ref<ui::TableView>& contentView() const { return contentView_; }
  const Ref<ui::CollectionView>& collectionView() const { return collectionView_; }
  const Ref<ui::Label>& titleLabel() const { return title_; }
  /// The quarterlies' "more" button in the footer.
  const Ref<ui::Button>& footerMoreButton() const { return footerMore_; }
  /// The supplement's "more" button of the last section header built (null before).
  const Ref<ui::Button>& headerMoreButton() const { return headerMore_; }

  /// Opens the supplement's full article list.
  void openSupplement();
  /// Opens the grid of all quarterly issues.
  void openQuarterlies();

 private:
  void push(const Ref<ui::ViewController>& next);

  std::vector<Ref<KDAPPListModel>> modelArray_;
  std::vector<Ref<KDAppchannelModel>> collectionModelarray_;
  Ref<ui::TableView> contentView_;
  Ref<ui::CollectionView> collectionView_;
  Ref<ui::View> topBar_;
  Ref<ui::Label> title_;
  Ref<ui::Button> footerMore_;
  Ref<ui::Button> headerMore_;
};

}  // namespace app
