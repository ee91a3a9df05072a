#include "widgets/popups/QPAlertView.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/popups/Button+QPPopup.h"
#include "widgets/popups/Image+QPPopup.h"
#include "widgets/popups/QPAlertViewConfig.h"
#include "widgets/popups/String+QPPopup.h"

namespace widgets {

RT_IMPLEMENT(QPAlertView) {}

namespace {
Ref<QPPopupItem> item(const rt::String& title) {
  auto i = rt::make<QPPopupItem>();
  i->title = title;
  i->highlight = true;
  return i;
}
}  // namespace

void QPAlertView::initWithInputTitle(const rt::String& title, const rt::String& detail,
                                     const rt::String& placeholder, PopupInputHandler handler) {
  auto& config = *QPAlertViewConfig::globalConfig();
  init(title, detail, {item(config.defaultTextCancel), item(config.defaultTextConfirm)}, placeholder,
       std::move(handler));
}

void QPAlertView::initWithConfirmTitle(const rt::String& title, const rt::String& detail) {
  init(title, detail, {item(QPAlertViewConfig::globalConfig()->defaultTextOK)});
}

Ref<QPAlertView> QPAlertView::alertWithInputTitle(const rt::String& title, const rt::String& detail,
                                                  const rt::String& placeholder, PopupInputHandler handler) {
  auto alert = std::make_shared<QPAlertView>();
  alert->initWithInputTitle(title, detail, placeholder, std::move(handler));
  return alert;
}

Ref<QPAlertView> QPAlertView::alertWithConfirmTitle(const rt::String& title, const rt::String& detail) {
  auto alert = std::make_shared<QPAlertView>();
  alert->initWithConfirmTitle(title, detail);
  return alert;
}

void QPAlertView::init(const rt::String& title, const rt::String& detail, std::vector<Ref<QPPopupItem>> items) {
  init(title, detail, std::move(items), rt::String(), nullptr);
}

void QPAlertView::init(const rt::String& title, const rt::String& detail, std::vector<Ref<QPPopupItem>> items,
                       const rt::String& inputPlaceholder, PopupInputHandler handler) {
  QPPopupView::init();
  const QPAlertViewConfig& config = *QPAlertViewConfig::globalConfig();
  const double pixel = 1 / ui::Screen::mainScreen()->scale();
  const double margin = config.innerMargin;

  setType(PopupTypeAlert);
  withKeyboard = static_cast<bool>(handler);
  inputHandler = std::move(handler);
  actionItems = std::move(items);

  layer()->setCornerRadius(config.cornerRadius);
  setClipsToBounds(true);
  setBackgroundColor(config.backgroundColor);
  layer()->setBorderWidth(pixel);
  layer()->setBorderColor(config.splitColor);

  lc_makeConstraints(*this, [&](LCConstraintMaker& make) { make.width.equalTo(fd::box(config.width)); });
  setContentCompressionResistancePriorityForAxis(1000, ui::LayoutConstraintAxis::Horizontal);
  setContentHuggingPriorityForAxis(50, ui::LayoutConstraintAxis::Vertical);

  auto me = rt::as<ui::View>(self());
  Ref<LCViewAttribute> anchor = lc_top(*this);
  auto addLabel = [&](const rt::String& text, double gap, Ref<typeset::Font> font, Ref<gfx::Color> color) {
    auto label = rt::make<ui::Label>();
    addSubview(label);
    lc_makeConstraints(*label, [&](LCConstraintMaker& make) {
      make.top.equalTo(anchor).offset(gap);
      make.left.equalTo(me).offset(margin);
      make.right.equalTo(me).offset(-margin);
    });
    label->setTextColor(std::move(color));
    label->setTextAlignment(typeset::TextAlignment::Center);
    label->setFont(std::move(font));
    label->setNumberOfLines(0);
    label->setPreferredMaxLayoutWidth(config.width - 2 * margin);
    label->setBackgroundColor(backgroundColor());
    label->setText(text);
    anchor = lc_bottom(*label);
    return label;
  };
  if (title.length() > 0)
    titleLabel = addLabel(title, margin, typeset::Font::boldSystemFontOfSize(config.titleFontSize), config.titleColor);
  if (detail.length() > 0)
    detailLabel = addLabel(detail, 5, typeset::Font::systemFontOfSize(config.detailFontSize), config.detailColor);

  if (inputHandler) {
    inputView = rt::make<ui::TextField>();
    addSubview(inputView);
    lc_makeConstraints(*inputView, [&](LCConstraintMaker& make) {
      make.top.equalTo(anchor).offset(10);
      make.left.equalTo(me).offset(margin);
      make.right.equalTo(me).offset(-margin);
      make.height.equalTo(fd::box(40));
    });
    inputView->setBackgroundColor(backgroundColor());
    inputView->layer()->setBorderWidth(pixel);
    inputView->layer()->setBorderColor(config.splitColor);
    inputView->setLeftView(rt::make<ui::View>(gfx::RectMake(0, 0, 5, 5)));
    inputView->setLeftViewMode(ui::TextFieldViewMode::Always);
    inputView->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    inputView->setPlaceholder(inputPlaceholder);
    anchor = lc_bottom(*inputView);
  }

  buttonView = rt::make<ui::View>();
  addSubview(buttonView);
  lc_makeConstraints(*buttonView, [&](LCConstraintMaker& make) {
    make.top.equalTo(anchor).offset(margin);
    make.left.right().equalTo(me);
  });

  const size_t n = actionItems.size();
  const bool row = n <= 2;
  Weak<QPAlertView> weak = std::static_pointer_cast<QPAlertView>(self());
  Ref<ui::Button> first, previous;
  for (size_t i = 0; i < n; ++i) {
    const auto& it = actionItems[i];
    auto button = qp_buttonWithTarget(self(), [weak](ui::Control& sender, ui::Event*) {
      if (auto alert = weak.lock()) alert->actionButton(sender.tag());
    });
    buttonView->addSubview(button);
    button->setTag(static_cast<int64_t>(i));
    lc_makeConstraints(*button, [&](LCConstraintMaker& make) {
      make.height.equalTo(fd::box(config.buttonHeight));
      if (row) {
        make.top.bottom().equalTo(buttonView);
        if (!previous) make.left.equalTo(buttonView).offset(-pixel);
        else make.left.equalTo(lc_right(*previous)).offset(-pixel);
      } else {
        make.left.right().equalTo(buttonView);
        if (!previous) make.top.equalTo(buttonView).offset(-pixel);
        else make.top.equalTo(lc_bottom(*previous)).offset(-pixel);
      }
      if (first) make.width.equalTo(first);
    });
    button->setBackgroundImage(qp_imageWithColor(backgroundColor()), ui::ControlStateNormal);
    button->setBackgroundImage(qp_imageWithColor(config.itemPressedColor), ui::ControlStateHighlighted);
    button->setTitle(it->title, ui::ControlStateNormal);
    button->setTitleColor(it->highlight ? config.itemHighlightColor : config.itemNormalColor, ui::ControlStateNormal);
    button->layer()->setBorderWidth(pixel);
    button->layer()->setBorderColor(config.splitColor);
    button->titleLabel()->setFont(i + 1 == n ? typeset::Font::boldSystemFontOfSize(config.buttonFontSize)
                                             : typeset::Font::systemFontOfSize(config.buttonFontSize));
    if (!first) first = button;
    previous = button;
  }
  if (previous) {
    lc_updateConstraints(*previous, [&](LCConstraintMaker& make) {
      if (row) make.right.equalTo(buttonView).offset(pixel);
      else make.bottom.equalTo(buttonView).offset(pixel);
    });
  }
  lc_updateConstraints(*this, [&](LCConstraintMaker& make) { make.bottom.equalTo(buttonView); });

  fd::NotificationCenter::defaultCenter()->addObserver(
      self(), [weak](const Ref<fd::Notification>& n) { if (auto alert = weak.lock()) alert->notifyTextChange(n); },
      rt::String(ui::UITextFieldTextDidChangeNotification), nullptr);
  // The centre holds the alert weakly, so a gone alert is dropped without an explicit removal.
}

void QPAlertView::actionButton(int64_t tag) {
  if (tag < 0 || static_cast<size_t>(tag) >= actionItems.size()) return;
  auto it = actionItems[static_cast<size_t>(tag)];
  if (it->disabled) return;
  const bool holdBack = withKeyboard && tag == 1 && inputView && inputView->text().length() == 0;
  if (!holdBack) hide();
  if (inputHandler && tag > 0) {
    inputHandler(inputView ? inputView->text() : rt::String());
  } else if (it->handler) {
    it->handler(tag);
  }
}

void QPAlertView::notifyTextChange(const Ref<fd::Notification>& notification) {
  if (maxInputLength == 0 || !inputView || notification->object() != inputView) return;
  if (inputView->markedTextRange()) return;  // a composition is under way
  if (inputView->text().length() > maxInputLength)
    inputView->setText(qp_truncateByCharLength(inputView->text(), maxInputLength));
}

void QPAlertView::showKeyboard() {
  if (inputView) inputView->becomeFirstResponder();
}

void QPAlertView::hideKeyboard() {
  if (inputView) inputView->resignFirstResponder();
}

}  // namespace widgets
