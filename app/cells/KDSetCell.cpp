#include "app/cells/KDSetCell.h"

#include "app/categories/Color+Category.h"
#include "app/utilities/QPUitools.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDSetCell) {}

void KDSetCell::init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier) {
  ui::TableViewCell::init(style, reuseIdentifier);
  auto& cv = *contentView();
  titleLable_ = QPUitools::createLabelForSupeView(cv, 14, customTextBlackColor());
  contentlabel_ = QPUitools::createLabelForSupeView(cv, 14, customTextGreyColor());
  rightIcon_ = QPUitools::createImageViewForSupeView(cv, gfx::Image::imageNamed("right_icon_image"));

  // Installed once here: constraints declared again on every layout pass would pile up.
  auto root = contentView();
  widgets::lc_makeConstraints(*titleLable_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(root);
    make.left.equalTo(root).offset(25);
  });
  widgets::lc_makeConstraints(*contentlabel_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(root);
    make.right.equalTo(root).offset(-20);
  });
  widgets::lc_makeConstraints(*rightIcon_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(root);
    make.right.equalTo(root).offset(-10);
  });
}

void KDSetCell::setTitle(const fd::String& title) {
  title_ = title;
  setNeedsLayout();
}

void KDSetCell::setContent(const fd::String& content) {
  content_ = content;
  setNeedsLayout();
}

void KDSetCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  titleLable_->setText(title_);
  contentlabel_->setText(content_);
}

}  // namespace app
