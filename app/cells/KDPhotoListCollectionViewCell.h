#pragma once
// An album cover of the album grid: the album's first picture, half the screen wide.
#include "app/models/KDAPPListModel.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/lists/CollectionViewCell.h"

namespace app {

class KDPhotoListCollectionViewCell : public ui::CollectionViewCell {
  RT_CLASS(KDPhotoListCollectionViewCell, ui::CollectionViewCell)
 public:
  void init(gfx::Rect frame);

  const Ref<KDAPPListModel>& model() const { return model_; }
  void setModel(const Ref<KDAPPListModel>& model);

  const Ref<ui::ImageView>& icon() const { return icon_; }

 private:
  Ref<ui::ImageView> icon_;
  Ref<KDAPPListModel> model_;
};

}  // namespace app
