#pragma once
// The video row of the audio-visual tab: the picture across the full width under a light
// black veil with a play mark in its centre, the title and the date above it, and a 10-point
// grey band over the picture's lowest edge that parts one row from the next.
#include "app/models/KDAPPVideoModel.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/TableViewCell.h"

namespace app {

class KDVideoCell : public ui::TableViewCell {
  RT_CLASS(KDVideoCell, ui::TableViewCell)
 public:
  void init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier);

  /// A different record is shown and laid out again; the same record changes nothing.
  void setModel(const Ref<KDAPPVideoModel>& model);
  const Ref<KDAPPVideoModel>& model() const { return model_; }

  /// The picture's height for a row as wide as the screen: three fifths of the width.
  static double pictureHeight(double width) { return width / 5 * 3; }

  const Ref<ui::ImageView>& icon() const { return icon_; }
  const Ref<ui::View>& blackView() const { return blackView_; }
  const Ref<ui::ImageView>& playView() const { return playView_; }
  const Ref<ui::Label>& title() const { return title_; }
  const Ref<ui::Label>& time() const { return time_; }
  const Ref<ui::ImageView>& timeIcon() const { return timeIcon_; }
  const Ref<ui::View>& separatorView() const { return separatorView_; }

 private:
  void makeConstraints();

  Ref<ui::ImageView> icon_;
  Ref<ui::View> blackView_;
  Ref<ui::ImageView> playView_;
  Ref<ui::Label> title_;
  Ref<ui::Label> time_;
  Ref<ui::ImageView> timeIcon_;
  Ref<ui::View> separatorView_;
  Ref<KDAPPVideoModel> model_;
};

}  // namespace app
