#pragma once
// The row of the activity list: the channel's picture across the row under a light black veil,
// its title beneath in bold, and a thick grey line closing the row.
#include "app/models/KDAppchannelModel.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/TableViewCell.h"

namespace app {

class KDActivitCell : public ui::TableViewCell {
  RT_CLASS(KDActivitCell, ui::TableViewCell)
 public:
  void init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier);

  /// A different record is shown and laid out again; the same record changes nothing.
  void setModel(const Ref<KDAppchannelModel>& model);
  const Ref<KDAppchannelModel>& model() const { return model_; }

  /// The picture's size on a screen `screenWidth` wide; the row is 45 points taller.
  static gfx::Size pictureSize(double screenWidth);
  static double rowHeight(double screenWidth);

  const Ref<ui::ImageView>& icon() const { return icon_; }
  const Ref<ui::View>& blackView() const { return blackView_; }
  const Ref<ui::Label>& title() const { return title_; }
  const Ref<ui::View>& separatorView() const { return separatorView_; }

 private:
  void showModel();

  Ref<ui::ImageView> icon_;
  Ref<ui::View> blackView_;
  Ref<ui::Label> title_;
  Ref<ui::View> separatorView_;
  Ref<KDAppchannelModel> model_;
};

}  // namespace app
