#pragma once
// One page of the gallery viewer: the album's picture fitted on black; a tap on it leaves the
// viewer.
#include "app/models/KDAPPListModel.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/lists/CollectionViewCell.h"

namespace app {

class KDPhotoCollectionViewCell : public ui::CollectionViewCell {
  RT_CLASS(KDPhotoCollectionViewCell, ui::CollectionViewCell)
 public:
  void init(gfx::Rect frame);

  const Ref<KDAPPListModel>& ListModel() const { return listModel_; }
  /// A different record is shown; the same record changes nothing.
  void setListModel(const Ref<KDAPPListModel>& model);
  int64_t currentCount() const { return currentCount_; }
  void setCurrentCount(int64_t n) { currentCount_ = n; }
  int64_t totalCount() const { return totalCount_; }
  void setTotalCount(int64_t n) { totalCount_ = n; }

  /// Pops the navigation stack of the controller showing the cell.
  void tapGestureRecognizerAction();

  const Ref<ui::ImageView>& icon() const { return icon_; }

 private:
  Ref<ui::ImageView> icon_;
  Ref<KDAPPListModel> listModel_;
  int64_t currentCount_ = 0;
  int64_t totalCount_ = 0;
};

}  // namespace app
