#pragma once
// A magazine issue's cover with its title beneath, sized to a third of the screen's width.
#include "app/models/KDAppchannelModel.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/CollectionViewCell.h"

namespace app {

class KDmagaineCollectionViewCell : public ui::CollectionViewCell {
  RT_CLASS(KDmagaineCollectionViewCell, ui::CollectionViewCell)
 public:
  void init(gfx::Rect frame);

  /// Shows the cover and title; the record is not kept.
  void setModel(const Ref<KDAppchannelModel>& model);

  const Ref<ui::ImageView>& icon() const { return icon_; }
  const Ref<ui::Label>& lable() const { return lable_; }

 private:
  Ref<ui::ImageView> icon_;
  Ref<ui::Label> lable_;
};

}  // namespace app
