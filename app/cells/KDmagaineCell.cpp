#include "app/cells/KDmagaineCell.h"

#include "app/categories/Color+Category.h"
#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDmagaineCell) {}

void KDmagaineCell::init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier) {
  ui::TableViewCell::init(style, reuseIdentifier);
  auto& cv = *contentView();
  icon_ = QPUitools::createImageViewForSupeView(cv);
  icon_->setContentMode(ui::ViewContentMode::ScaleAspectFill);
  icon_->layer()->setMasksToBounds(true);
  title_ = QPUitools::createLabelForSupeView(cv, 18, customTextBlackColor());
  title_->setFont(typeset::Font::boldSystemFontOfSize(16));
  content_ = QPUitools::createLabelForSupeView(cv, 16, customContentColor());
  content_->setNumberOfLines(2);
  author_ = QPUitools::createLabelForSupeView(cv, 14, customTextGreyColor());
}

void KDmagaineCell::setModel(const Ref<KDAPPListModel>& model) {
  if (model == model_) return;
  model_ = model;
  auto root = contentView();
  bool pictured = model_ && model_->picMode;
  if (pictured) {
    image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(model_->picMode->absUrl),
                              gfx::Image::imageNamed("placeimage"));
  }
  widgets::lc_remakeConstraints(*icon_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.left.equalTo(root).offset(pictured ? 10 : 0);
    make.width.equalTo(fd::box(pictured ? 100.0 : 0.0));
    make.height.equalTo(fd::box(pictured ? 75.0 : 0.0));
  });
  widgets::lc_remakeConstraints(*title_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.left.equalTo(widgets::lc_right(*icon_)).offset(10);
    make.right.equalTo(root).offset(-10);
  });
  widgets::lc_remakeConstraints(*author_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*title_)).offset(2);
    make.right.equalTo(root).offset(-20);
  });
  widgets::lc_remakeConstraints(*content_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*author_)).offset(2);
    make.left.equalTo(widgets::lc_right(*icon_)).offset(10);
    make.right.equalTo(root).offset(-10);
  });
  setNeedsDisplay();
  setNeedsLayout();
}

void KDmagaineCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  if (!model_) return;
  title_->setText(model_->docTitle);
  content_->setText(model_->docAbstract);
  if (isHiddenDate_) {
    // An issue without an author keeps whatever the label held.
    if (!model_->docAuthor.isEmpty()) author_->setText(fd::String("--- ") + model_->docAuthor);
  } else {
    const auto& rel = model_->docRelTime;
    author_->setText(rel.length() > 10 ? rel.substringToIndex(10) : rel);
  }
}

}  // namespace app
