#pragma once
// One gallery of the gallery screen: a heading with the gallery's title, its number of
// pictures and a "more" button that opens the album grid, above a strip of album covers that
// open the viewer while the network is reachable.
#include <vector>

#include "app/models/KDAPPListModel.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"
#include "platform/ui/lists/TableViewCell.h"

namespace app {

class KDShadowCell : public ui::TableViewCell,
                     public ui::CollectionViewDataSource,
                     public ui::CollectionViewDelegateFlowLayout {
  RT_CLASS(KDShadowCell, ui::TableViewCell)
 public:
  static constexpr const char* kOfflineMessage = "网络错误,稍后重试!";

  void init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier);

  /// Adds a gallery's albums and shows its title and picture count.
  void setdata(const std::vector<Ref<KDAPPListModel>>& group, const fd::String& title);
  /// The row's index path; its section picks the gallery channel.
  const Ref<fd::IndexPath>& indexPath() const { return indexPath_; }
  void setIndexPath(const Ref<fd::IndexPath>& indexPath) { indexPath_ = indexPath; }

  /// Opens the album grid of the row's gallery.
  void openMore();

  int64_t collectionViewNumberOfItemsInSection(ui::CollectionView& cv, int64_t section) override;
  Ref<ui::CollectionViewCell> collectionViewCellForItemAtIndexPath(ui::CollectionView& cv,
                                                                  const Ref<fd::IndexPath>& indexPath) override;
  void collectionViewDidSelectItemAtIndexPath(ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) override;
  std::optional<gfx::EdgeInsets> collectionViewLayoutInsetForSectionAtIndex(ui::CollectionView& cv,
                                                                          ui::CollectionViewLayout& layout,
                                                                          int64_t section) override;

  const std::vector<Ref<KDAPPListModel>>& modelarray() const { return modelarray_; }
  const Ref<ui::Label>& titleLable() const { return titleLable_; }
  const Ref<ui::Label>& countLable() const { return countLable_; }
  const Ref<ui::Button>& morebtn() const { return morebtn_; }
  const Ref<ui::CollectionView>& collectionview() const { return collectionview_; }

 private:
  Ref<ui::View> iconView_;
  Ref<ui::Label> titleLable_;
  Ref<ui::Label> countLable_;
  Ref<ui::Button> morebtn_;
  std::vector<Ref<KDAPPListModel>> modelarray_;
  Ref<ui::CollectionView> collectionview_;
  Ref<fd::IndexPath> indexPath_;
};

}  // namespace app
