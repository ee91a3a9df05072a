#pragma once
// A row of the settings lists: a title on the left, an optional grey value and a chevron on
// the right.
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/TableViewCell.h"

namespace app {

class KDSetCell : public ui::TableViewCell {
  RT_CLASS(KDSetCell, ui::TableViewCell)
 public:
  void init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier);
  void layoutSubviews() override;

  const fd::String& title() const { return title_; }
  void setTitle(const fd::String& title);
  const fd::String& content() const { return content_; }
  void setContent(const fd::String& content);

  const Ref<ui::Label>& titleLable() const { return titleLable_; }
  const Ref<ui::Label>& contentlabel() const { return contentlabel_; }
  const Ref<ui::ImageView>& rightIcon() const { return rightIcon_; }

 private:
  Ref<ui::Label> titleLable_;
  Ref<ui::Label> contentlabel_;
  Ref<ui::ImageView> rightIcon_;
  fd::String title_;
  fd::String content_;
};

}  // namespace app
