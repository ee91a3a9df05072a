#pragma once
// A row of the sights and food lists: picture, bold title with a badge at the right (the
// record's author field, hidden when empty), and the place line with its pin (hidden when the
// record has no sub-title).
#include "app/models/KDAPPListModel.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/TableViewCell.h"

namespace app {

class KDScenicCell : public ui::TableViewCell {
  RT_CLASS(KDScenicCell, ui::TableViewCell)
 public:
  void init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier);

  /// A different record marks the row for display and layout; the same record changes nothing.
  void setModel(const Ref<KDAPPListModel>& model);
  const Ref<KDAPPListModel>& model() const { return model_; }
  void layoutSubviews() override;

  const Ref<ui::ImageView>& icon() const { return icon_; }
  const Ref<ui::Label>& title() const { return title_; }
  const Ref<ui::ImageView>& locationicon() const { return locationicon_; }
  const Ref<ui::Label>& locationLable() const { return locationLable_; }
  const Ref<ui::Label>& content() const { return content_; }
  const Ref<ui::Label>& starlable() const { return starlable_; }

 private:
  Ref<ui::ImageView> icon_;
  Ref<ui::Label> title_;
  Ref<ui::ImageView> locationicon_;
  Ref<ui::Label> locationLable_;
  Ref<ui::Label> content_;
  Ref<ui::Label> starlable_;
  Ref<KDAPPListModel> model_;
  Ref<KDAPPListModel> shown_;  // the record whose picture was last asked for
};

}  // namespace app
