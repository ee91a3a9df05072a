#pragma once
// The article row of the content lists: title, optional abstract, date with a clock icon, and
// a picture on the right when the article has one. Whether a row shows the abstract instead of
// the date is the row's own switch, set by the list that made it.
#include "app/models/KDAPPListModel.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/TableViewCell.h"

namespace app {

class KDHomeNewsCell : public ui::TableViewCell {
  RT_CLASS(KDHomeNewsCell, ui::TableViewCell)
 public:
  void init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier);

  /// A different record is shown and laid out again; the same record changes nothing.
  void setModel(const Ref<KDAPPListModel>& model);
  const Ref<KDAPPListModel>& model() const { return model_; }
  void layoutSubviews() override;

  void setisShowContent(bool on);
  bool isShowContent() const { return showContent_; }

  /// Where a picture address is loaded from: a path (no scheme) is put under the content host;
  /// an address with a scheme is used as it is, whatever its host.
  static fd::String pictureAddress(const fd::String& absUrl);

  const Ref<ui::ImageView>& icon() const { return icon_; }
  const Ref<ui::Label>& title() const { return title_; }
  const Ref<ui::Label>& time() const { return time_; }
  const Ref<ui::ImageView>& timeIcon() const { return timeIcon_; }
  const Ref<ui::Label>& content() const { return content_; }

 private:
  void showModel();

  Ref<ui::ImageView> icon_;
  Ref<ui::Label> title_;
  Ref<ui::Label> time_;
  Ref<ui::ImageView> timeIcon_;
  Ref<ui::Label> content_;
  Ref<KDAPPListModel> model_;
  bool showContent_ = false;
};

}  // namespace app
