#pragma once
// An album cover of the gallery screen's strips: the album's first picture and the caption
// from its description.
#include "app/models/KDAPPListModel.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/CollectionViewCell.h"

namespace app {

class KDShadowCollectionViewCell : public ui::CollectionViewCell {
  RT_CLASS(KDShadowCollectionViewCell, ui::CollectionViewCell)
 public:
  void init(gfx::Rect frame);

  const Ref<KDAPPListModel>& model() const { return model_; }
  void setModel(const Ref<KDAPPListModel>& model);

  /// The caption of a picture description: what comes before the first "+".
  static fd::String captionOf(const fd::String& desc);
  /// The address a picture loads from: the site's upload folder stands for the site's root.
  static fd::String pictureAddress(const fd::String& absUrl);

  const Ref<ui::ImageView>& icon() const { return icon_; }
  const Ref<ui::Label>& lable() const { return lable_; }

 private:
  Ref<ui::ImageView> icon_;
  Ref<ui::Label> lable_;
  Ref<KDAPPListModel> model_;
};

}  // namespace app
