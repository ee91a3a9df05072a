#pragma once
// The album grid of one photo gallery: a bar with a back button, the gallery's title and its
// number of pictures, above two columns of album covers; a cover opens the viewer there.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "app/shell/BaseViewController.h"
#include "app/shell/KDTopBar.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"

namespace app {

class KDphotoListViewController : public BaseViewController,
                                  public ui::CollectionViewDataSource,
                                  public ui::CollectionViewDelegateFlowLayout {
  RT_CLASS(KDphotoListViewController, BaseViewController)
 public:
  void init() {}
  void viewDidLoad() override;
  void refreshData();

  int64_t collectionViewNumberOfItemsInSection(ui::CollectionView& cv, int64_t section) override;
  Ref<ui::CollectionViewCell> collectionViewCellForItemAtIndexPath(ui::CollectionView& cv,
                                                                  const Ref<fd::IndexPath>& indexPath) override;
  void collectionViewDidSelectItemAtIndexPath(ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<gfx::EdgeInsets> collectionViewLayoutInsetForSectionAtIndex(ui::CollectionView& cv,
                                                                          ui::CollectionViewLayout& layout,
                                                                          int64_t section) override;

  /// The channel whose albums are listed; set before the screen is pushed.
  const fd::String& trs_id() const { return trs_id_; }
  void setTrs_id(const fd::String& trs) { trs_id_ = trs; }
  /// The gallery screen's row: its section picks the title and the viewer's channel.
  const Ref<fd::IndexPath>& IndexPath() const { return indexPath_; }
  void setIndexPath(const Ref<fd::IndexPath>& indexPath) { indexPath_ = indexPath; }

  const std::vector<Ref<KDAPPListModel>>& modelArray() const { return modelArray_; }
  const Ref<ui::CollectionView>& collectionview() const { return collectionview_; }
  const KDTopBar& topBar() const { return topBar_; }
  /// The line with the number of pictures.
  const Ref<ui::Label>& countLabel() const { return title_; }

 private:
  fd::String trs_id_;
  Ref<fd::IndexPath> indexPath_;
  KDTopBar topBar_;
  Ref<ui::Label> title_;
  std::vector<Ref<KDAPPListModel>> modelArray_;
  Ref<ui::CollectionView> collectionview_;
};

}  // namespace app
