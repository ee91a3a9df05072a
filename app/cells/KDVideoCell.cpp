#include "app/cells/KDVideoCell.h"

#include "app/categories/Color+Category.h"
#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/typeset/Font.h"
#include "platform/ui/layout/LayoutTypes.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDVideoCell) {}

namespace {
constexpr double kPlayMarkSide = 42;
constexpr double kSeparatorHeight = 10;
}  // namespace

void KDVideoCell::init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier) {
  ui::TableViewCell::init(style, reuseIdentifier);
  auto& cv = *contentView();
  // In this order: each later view lies over the earlier ones.
  icon_ = QPUitools::createImageViewForSupeView(cv);
  icon_->setContentMode(ui::ViewContentMode::ScaleAspectFill);
  icon_->setClipsToBounds(true);
  blackView_ = QPUitools::createUIViewForSupeView(cv, gfx::Color::colorWithWhite(0, 0.2));
  playView_ = QPUitools::createImageViewForSupeView(cv, gfx::Image::imageNamed("play_icon"));
  title_ = QPUitools::createLabelForSupeView(cv, 16, customTextBlackColor());
  title_->setFont(typeset::Font::boldSystemFontOfSize(16));
  // Where the row is too narrow for both, the title is cut short, never the date.
  title_->setContentCompressionResistancePriorityForAxis(ui::LayoutPriorityDefaultHigh - 1,
                                                         ui::LayoutConstraintAxis::Horizontal);
  time_ = QPUitools::createLabelForSupeView(cv, 12, customTextGreyColor());
  timeIcon_ = QPUitools::createImageViewForSupeView(cv);
  timeIcon_->setImage(gfx::Image::imageNamed("time_icon"));
  separatorView_ = QPUitools::createUIViewForSupeView(cv, customLineGreyColor());
  makeConstraints();
}

// Made once: constraints added on every layout would pile up and conflict.
void KDVideoCell::makeConstraints() {
  using widgets::LCConstraintMaker;
  double w = ui::Screen::mainScreen()->bounds().size.width;
  auto picture = fd::ValueBox::valueWith(gfx::Size{w, pictureHeight(w)});
  auto root = contentView();
  widgets::lc_makeConstraints(*time_, [&](LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.right.equalTo(root).offset(-10);
  });
  widgets::lc_makeConstraints(*timeIcon_, [&](LCConstraintMaker& make) {
    make.right.equalTo(widgets::lc_left(*time_)).offset(-10);
    make.centerY.equalTo(time_);
  });
  widgets::lc_makeConstraints(*title_, [&](LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.left.equalTo(root).offset(20);
    make.right.lessThanOrEqualTo(widgets::lc_left(*timeIcon_)).offset(-10);
  });
  widgets::lc_makeConstraints(*icon_, [&](LCConstraintMaker& make) {
    make.bottom.equalTo(root);
    make.left.equalTo(root);
    make.size.equalTo(picture);
  });
  widgets::lc_makeConstraints(*blackView_, [&](LCConstraintMaker& make) {
    make.center.equalTo(icon_);
    make.size.equalTo(picture);
  });
  widgets::lc_makeConstraints(*playView_, [&](LCConstraintMaker& make) {
    make.center.equalTo(icon_);
    make.width.equalTo(fd::box(kPlayMarkSide));
    make.height.equalTo(fd::box(kPlayMarkSide));
  });
  widgets::lc_makeConstraints(*separatorView_, [&](LCConstraintMaker& make) {
    make.bottom.equalTo(root);
    make.left.equalTo(root);
    make.size.equalTo(fd::ValueBox::valueWith(gfx::Size{w, kSeparatorHeight}));
  });
}

void KDVideoCell::setModel(const Ref<KDAPPVideoModel>& model) {
  if (model == model_) return;
  model_ = model;
  if (model_) {
    // Texts and picture are set here rather than on every layout pass: the layout that
    // follows then already knows the labels' sizes, and a relayout starts no new download.
    image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(model_->image), gfx::Image::imageNamed("placeimage"));
    title_->setText(model_->title);
    // Shorter dates are shown whole.
    const auto& date = model_->date;
    time_->setText(date.length() > 10 ? date.substringToIndex(10) : date);
  }
  setNeedsDisplay();
  setNeedsLayout();
}

}  // namespace app
