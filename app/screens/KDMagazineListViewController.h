#pragma once
// "禾岚风": the grid of every quarterly magazine issue (the channels under "81"), newest
// first, three covers a line; pull-down reloads, a cover opens the article list.
#include <vector>

#include "app/models/KDAppchannelModel.h"
#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"

namespace app {

class KDMagazineListViewController : public BaseViewController,
                                     public ui::CollectionViewDataSource,
                                     public ui::CollectionViewDelegateFlowLayout {
  RT_CLASS(KDMagazineListViewController, BaseViewController)
 public:
  void init() {}
  void viewDidLoad() override;

  void refreshData();
  void setRefreshHeadGroupbox();

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

  const std::vector<Ref<KDAppchannelModel>>& collectionModelarray() const { return collectionModelarray_; }
  const Ref<ui::CollectionView>& collectionView() const { return collectionView_; }
  const KDTopBar& topBar() const { return topBar_; }

  /// The channels of parent "81" in `channels`, last first.
  static std::vector<Ref<KDAppchannelModel>> quarterlies(const std::vector<Ref<KDAppchannelModel>>& channels);
  /// Width and height of one cover item on the main screen.
  static gfx::Size coverItemSize();

 private:
  void endRefreshing();

  Ref<ui::CollectionView> collectionView_;
  std::vector<Ref<KDAppchannelModel>> collectionModelarray_;
  KDTopBar topBar_;
};

}  // namespace app
