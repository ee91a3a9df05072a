#pragma once
// One page of the carousel: the picture filling the cell and an optional title bar along its
// bottom edge, hidden while it has no text.
#include "platform/typeset/Font.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/lists/CollectionViewCell.h"

namespace widgets {

class WICollectionViewCell : public ui::CollectionViewCell {
  RT_CLASS(WICollectionViewCell, ui::CollectionViewCell)
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);

  const Ref<ui::ImageView>& imageView() const { return imageView_; }
  const Ref<ui::Label>& titleLabel() const { return titleLabel_; }

  rt::String title() const { return title_; }
  /// Shown with three spaces before it; an empty title hides the bar.
  void setTitle(const rt::String& title);
  Ref<gfx::Color> titleLabelTextColor() const { return titleLabel_->textColor(); }
  void setTitleLabelTextColor(Ref<gfx::Color> color) { titleLabel_->setTextColor(std::move(color)); }
  Ref<typeset::Font> titleLabelTextFont() const { return titleLabel_->font(); }
  void setTitleLabelTextFont(Ref<typeset::Font> font) { titleLabel_->setFont(std::move(font)); }
  Ref<gfx::Color> titleLabelBackgroundColor() const { return titleLabel_->backgroundColor(); }
  void setTitleLabelBackgroundColor(Ref<gfx::Color> color) { titleLabel_->setBackgroundColor(std::move(color)); }
  double titleLabelHeight() const { return titleLabelHeight_; }
  void setTitleLabelHeight(double h) { titleLabelHeight_ = h; setNeedsLayout(); }
  bool hasConfigured() const { return hasConfigured_; }
  void setHasConfigured(bool on) { hasConfigured_ = on; }

  void layoutSubviews() override;

 private:
  void setupImageView();
  void setupTitleLabel();

  Ref<ui::ImageView> imageView_;
  Ref<ui::Label> titleLabel_;
  rt::String title_;
  double titleLabelHeight_ = 0;
  bool hasConfigured_ = false;
};

}  // namespace widgets
