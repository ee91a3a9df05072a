#include "app/screens/KDAboutUsViewController.h"

#include <algorithm>

#include "app/categories/Color+Category.h"
#include "app/service/KDRequest.h"
#include "app/utilities/QPUitools.h"
#include "platform/foundation/values/Null.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDAboutUsViewController) {}

void KDAboutUsViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, "关于我们", true);

  contentView_ = rt::make<ui::ScrollView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}});
  view()->addSubview(contentView_);
  iconView_ = QPUitools::createImageViewForSupeView(*contentView_, gfx::Image::imageNamed("Icon@3x"));
  content_ = QPUitools::createLabelForSupeView(*contentView_, 14, customTextBlackColor());
  content_->setNumberOfLines(0);
  content_->setTextAlignment(typeset::TextAlignment::Center);

  // The scroll view's content is sized from the label in fitContent: pinning the label's
  // bottom to the scroll view would squeeze a long text into the visible height instead.
  auto scroll = contentView_;
  auto root = view();
  auto icon = iconView_;
  widgets::lc_makeConstraints(*iconView_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(scroll).offset(20);
    make.centerX.equalTo(scroll);
  });
  widgets::lc_makeConstraints(*content_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*icon)).offset(10);
    make.left.equalTo(scroll).offset(10);
    make.right.equalTo(root).offset(-10);
  });
  getAbontUs();
}

void KDAboutUsViewController::viewDidLayoutSubviews() {
  BaseViewController::viewDidLayoutSubviews();
  fitContent();
}

fd::String KDAboutUsViewController::aboutText(const rt::Id& data) {
  // An answer without a text shows the version line alone rather than a null's description.
  fd::String body = data && !fd::Null::isNull(data) ? data->description() : fd::String();
  return fd::String::format("%@ \n\n %@", body, fd::String(kVersionLine));
}

void KDAboutUsViewController::getAbontUs() {
  Weak<KDAboutUsViewController> weak = std::static_pointer_cast<KDAboutUsViewController>(self());
  KDRequest::getAboutusSuccess(
      [weak](const rt::Id& data) {
        if (auto me = weak.lock()) me->showText(aboutText(data));
      },
      [](const fd::String&) {});
}

void KDAboutUsViewController::showText(const fd::String& text) {
  auto style = typeset::MutableParagraphStyle::create();
  style->setLineSpacing(15);
  style->setAlignment(typeset::TextAlignment::Center);
  auto attributed = typeset::MutableAttributedString::create(text);
  attributed->addAttribute(typeset::ParagraphStyleAttributeName, style, {0, attributed->length()});
  content_->setAttributedText(attributed);
  view()->setNeedsLayout();
  view()->layoutIfNeeded();
  fitContent();
}

void KDAboutUsViewController::fitContent() {
  if (!contentView_ || !content_) return;
  double width = contentView_->bounds().size.width;
  double bottom = content_->frame().origin.y + content_->frame().size.height + 10;
  contentView_->setContentSize({width, std::max(bottom, 0.0)});
}

}  // namespace app
