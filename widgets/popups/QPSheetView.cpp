#include "widgets/popups/QPSheetView.h"

#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/popups/Button+QPPopup.h"
#include "widgets/popups/Image+QPPopup.h"
#include "widgets/popups/QPSheetViewConfig.h"

namespace widgets {

RT_IMPLEMENT(QPSheetView) {}

void QPSheetView::init(const rt::String& title, std::vector<Ref<QPPopupItem>> items) {
  QPPopupView::init();
  const QPSheetViewConfig& config = *QPSheetViewConfig::globalConfig();
  const double pixel = 1 / ui::Screen::mainScreen()->scale();
  setType(PopupTypeSheet);
  actionItems = std::move(items);
  setBackgroundColor(config.splitColor);  // shows as the band above the cancel button

  const double width = ui::Screen::mainScreen()->bounds().size.width;
  lc_makeConstraints(*this, [&](LCConstraintMaker& make) { make.width.equalTo(fd::box(width)); });
  setContentCompressionResistancePriorityForAxis(1000, ui::LayoutConstraintAxis::Horizontal);
  setContentHuggingPriorityForAxis(50, ui::LayoutConstraintAxis::Vertical);

  auto me = rt::as<ui::View>(self());
  Ref<LCViewAttribute> anchor = lc_top(*this);
  if (title.length() > 0) {
    titleView = rt::make<ui::View>();
    addSubview(titleView);
    lc_makeConstraints(*titleView, [&](LCConstraintMaker& make) { make.left.right().top().equalTo(me); });
    titleView->setBackgroundColor(config.backgroundColor);
    titleLabel = rt::make<ui::Label>();
    titleView->addSubview(titleLabel);
    const double m = config.innerMargin;
    lc_makeConstraints(*titleLabel, [&](LCConstraintMaker& make) { make.edges.equalTo(titleView).insets({m, m, m, m}); });
    titleLabel->setTextColor(config.titleColor);
    titleLabel->setFont(typeset::Font::systemFontOfSize(config.titleFontSize));
    titleLabel->setTextAlignment(typeset::TextAlignment::Center);
    titleLabel->setNumberOfLines(0);
    titleLabel->setPreferredMaxLayoutWidth(width - 2 * m);
    titleLabel->setText(title);
    anchor = lc_bottom(*titleView);
  }

  buttonView = rt::make<ui::View>();
  addSubview(buttonView);
  lc_makeConstraints(*buttonView, [&](LCConstraintMaker& make) {
    make.left.right().equalTo(me);
    make.top.equalTo(anchor);
  });

  Weak<QPSheetView> weak = std::static_pointer_cast<QPSheetView>(self());
  Ref<ui::Button> first, previous;
  for (size_t i = 0; i < actionItems.size(); ++i) {
    const auto& it = actionItems[i];
    auto button = qp_buttonWithTarget(self(), [weak](ui::Control& sender, ui::Event*) {
      if (auto sheet = weak.lock()) sheet->actionButton(sender.tag());
    });
    buttonView->addSubview(button);
    button->setTag(static_cast<int64_t>(i));
    lc_makeConstraints(*button, [&](LCConstraintMaker& make) {
      make.left.equalTo(buttonView).offset(-pixel);
      make.right.equalTo(buttonView).offset(pixel);
      if (!first) {
        make.height.equalTo(fd::box(config.buttonHeight));
        make.top.equalTo(buttonView).offset(-pixel);
      } else {
        make.top.equalTo(lc_bottom(*previous)).offset(-pixel);
        make.height.equalTo(first);
      }
    });
    button->setBackgroundImage(qp_imageWithColor(config.backgroundColor), ui::ControlStateNormal);
    button->setBackgroundImage(qp_imageWithColor(config.backgroundColor), ui::ControlStateDisabled);
    button->setBackgroundImage(qp_imageWithColor(config.itemPressedColor), ui::ControlStateHighlighted);
    button->setTitle(it->title, ui::ControlStateNormal);
    button->setTitleColor(it->highlight  ? config.itemHighlightColor
                          : it->disabled ? config.itemDisableColor
                                         : config.itemNormalColor,
                          ui::ControlStateNormal);
    button->titleLabel()->setFont(typeset::Font::systemFontOfSize(config.buttonFontSize));
    button->layer()->setBorderWidth(pixel);
    button->layer()->setBorderColor(config.splitColor);
    button->setEnabled(!it->disabled);
    if (!first) first = button;
    previous = button;
  }
  if (previous)
    lc_updateConstraints(*previous, [&](LCConstraintMaker& make) { make.bottom.equalTo(buttonView).offset(pixel); });

  cancelButton = qp_buttonWithTarget(self(), [weak](ui::Control&, ui::Event*) {
    if (auto sheet = weak.lock()) sheet->actionCancel();
  });
  addSubview(cancelButton);
  lc_makeConstraints(*cancelButton, [&](LCConstraintMaker& make) {
    make.left.right().equalTo(buttonView);
    make.height.equalTo(fd::box(config.buttonHeight));
    make.top.equalTo(lc_bottom(*buttonView)).offset(8);
  });
  cancelButton->titleLabel()->setFont(typeset::Font::systemFontOfSize(config.buttonFontSize));
  cancelButton->setBackgroundImage(qp_imageWithColor(config.backgroundColor), ui::ControlStateNormal);
  cancelButton->setBackgroundImage(qp_imageWithColor(config.itemPressedColor), ui::ControlStateHighlighted);
  cancelButton->setTitle(config.defaultTextCancel, ui::ControlStateNormal);
  cancelButton->setTitleColor(config.itemNormalColor, ui::ControlStateNormal);
  lc_updateConstraints(*this, [&](LCConstraintMaker& make) { make.bottom.equalTo(lc_bottom(*cancelButton)); });
}

void QPSheetView::actionButton(int64_t tag) {
  if (tag < 0 || static_cast<size_t>(tag) >= actionItems.size()) return;
  if (actionItems[static_cast<size_t>(tag)]->disabled) return;  // however the tap reached us
  hide();
  if (auto& handler = actionItems[static_cast<size_t>(tag)]->handler) handler(tag);
}

}  // namespace widgets
