#pragma once
// One item of a travel strip: a picture above a one-line title, showing either a channel or an
// article. The strip's section (from `IndexPath`) decides the large or the small geometry.
#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppchannelModel.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/CollectionViewCell.h"

namespace app {

class KDTourismCollectionViewCell : public ui::CollectionViewCell {
  RT_CLASS(KDTourismCollectionViewCell, ui::CollectionViewCell)
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);

  /// Setting one record clears the other: an item shows one thing.
  const Ref<KDAppchannelModel>& AppchannelModel() const { return channel_; }
  void setAppchannelModel(const Ref<KDAppchannelModel>& model);
  const Ref<KDAPPListModel>& APPListModel() const { return article_; }
  void setAPPListModel(const Ref<KDAPPListModel>& model);
  /// The table index path of the row that holds the strip; only its section is read.
  const Ref<fd::IndexPath>& IndexPath() const { return indexPath_; }
  void setIndexPath(const Ref<fd::IndexPath>& indexPath);

  void prepareForReuse() override;
  void layoutSubviews() override;

  /// An article picture's address: "/Uploads/Guanwang/" points into the web site.
  static fd::String pictureAddress(const fd::String& absUrl);

  const Ref<ui::ImageView>& icon() const { return icon_; }
  const Ref<ui::Label>& lable() const { return lable_; }

 private:
  void showRecord();

  Ref<ui::ImageView> icon_;
  Ref<ui::Label> lable_;
  Ref<KDAppchannelModel> channel_;
  Ref<KDAPPListModel> article_;
  Ref<fd::IndexPath> indexPath_;
};

}  // namespace app
