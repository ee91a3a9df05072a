#pragma once
// The article row of the content lists: title, optional abstract, date with a clock icon, and
// a picture on the right when the article has one. Whether rows show the abstract instead of
// the date is one switch for the whole class, read when a row lays itself out.
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

  static void setisShowContent(bool on);
  static bool isShowContent();

  /// Where a picture address is loaded from: the content host prefixed unless already there.
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
};

}  // namespace app
