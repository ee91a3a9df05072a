#pragma once
// A magazine article row: picture on the left, bold title, author (or the date) and a
// two-line abstract.
#include "app/models/KDAPPListModel.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/TableViewCell.h"

namespace app {

class KDmagaineCell : public ui::TableViewCell {
  RT_CLASS(KDmagaineCell, ui::TableViewCell)
 public:
  void init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier);

  /// A different record is shown and laid out again; the same record changes nothing.
  void setModel(const Ref<KDAPPListModel>& model);
  const Ref<KDAPPListModel>& model() const { return model_; }
  /// Magazine issues name the author instead of the date.
  bool isHiddenDate() const { return isHiddenDate_; }
  void setIsHiddenDate(bool on) { isHiddenDate_ = on; }

  void layoutSubviews() override;

  const Ref<ui::ImageView>& icon() const { return icon_; }
  const Ref<ui::Label>& title() const { return title_; }
  const Ref<ui::Label>& content() const { return content_; }
  const Ref<ui::Label>& author() const { return author_; }

 private:
  Ref<ui::ImageView> icon_;
  Ref<ui::Label> title_;
  Ref<ui::Label> content_;
  Ref<ui::Label> author_;
  Ref<KDAPPListModel> model_;
  bool isHiddenDate_ = false;
};

}  // namespace app
