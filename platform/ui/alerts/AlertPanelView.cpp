#include "platform/ui/alerts/AlertPanelView.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/Color.h"

namespace ui {
namespace {

constexpr double kInset = 16;
constexpr double kHairline = 0.5;

Ref<gfx::Color> tint() { return gfx::Color::colorWithRed(0, 122 / 255.0, 1, 1); }

}  // namespace

RT_IMPLEMENT_PLATFORM(AlertPanelView) {}

void AlertPanelView::init(gfx::Rect frame) {
  View::init(frame);
  setBackgroundColor(gfx::Color::colorWithWhite(0, 0.4));
  panel_ = rt::make<View>();
  panel_->setBackgroundColor(gfx::Color::colorWithWhite(0.97, 1));
  panel_->layer()->setCornerRadius(13);
  panel_->layer()->setMasksToBounds(true);
  addSubview(panel_);
  title_ = rt::make<Label>();
  title_->setFont(typeset::Font::boldSystemFontOfSize(17));
  title_->setTextAlignment(typeset::TextAlignment::Center);
  title_->setNumberOfLines(0);
  message_ = rt::make<Label>();
  message_->setFont(typeset::Font::systemFontOfSize(13));
  message_->setTextAlignment(typeset::TextAlignment::Center);
  message_->setNumberOfLines(0);
  panel_->addSubview(title_);
  panel_->addSubview(message_);
}

void AlertPanelView::setContent(const rt::String& title, const rt::String& message,
                                std::vector<AlertPanelButton> buttons) {
  title_->setText(title);
  message_->setText(message);
  for (auto& b : buttons_) b->removeFromSuperview();
  for (auto& r : rules_) r->removeFromSuperview();
  buttons_.clear();
  rules_.clear();
  Weak<AlertPanelView> weak = std::static_pointer_cast<AlertPanelView>(self());
  for (size_t i = 0; i < buttons.size(); ++i) {
    auto button = Button::buttonWithType(ButtonType::Custom);
    button->setTitle(buttons[i].title, ControlStateNormal);
    button->setTitleColor(buttons[i].destructive ? gfx::Color::colorWithRed(1, 0.23, 0.19, 1) : tint(),
                          ControlStateNormal);
    button->titleLabel()->setFont(buttons[i].bold ? typeset::Font::boldSystemFontOfSize(17)
                                                  : typeset::Font::systemFontOfSize(17));
    button->addTarget(
        self(),
        [weak, i](Control&, Event*) {
          auto v = weak.lock();
          if (v && v->handler_) v->handler_(i);
        },
        ControlEventTouchUpInside);
    auto rule = rt::make<View>();
    rule->setBackgroundColor(gfx::Color::colorWithWhite(0.8, 1));
    panel_->addSubview(rule);
    panel_->addSubview(button);
    rules_.push_back(rule);
    buttons_.push_back(button);
  }
  setNeedsLayout();
}

void AlertPanelView::layoutSubviews() {
  const double textWidth = kPanelWidth - 2 * kInset;
  double y = 20;
  for (const auto& label : {title_, message_}) {
    if (label->text().isEmpty()) {
      label->setFrame(gfx::RectZero);
      continue;
    }
    gfx::Size s = label->sizeThatFits({textWidth, 10000});
    label->setFrame(gfx::RectMake(kInset, y, textWidth, std::ceil(s.height)));
    y += std::ceil(s.height) + 4;
  }
  y += 16;
  const bool sideBySide = buttons_.size() == 2;
  const size_t rows = sideBySide ? 1 : buttons_.size();
  for (size_t i = 0; i < buttons_.size(); ++i) {
    double w = sideBySide ? kPanelWidth / 2 : kPanelWidth;
    double x = sideBySide ? w * static_cast<double>(i) : 0;
    double top = y + (sideBySide ? 0 : kButtonHeight * static_cast<double>(i));
    buttons_[i]->setFrame(gfx::RectMake(x, top, w, kButtonHeight));
    // A hairline above each row, and between the two buttons of a row.
    if (sideBySide && i == 1) rules_[i]->setFrame(gfx::RectMake(x, top, kHairline, kButtonHeight));
    else rules_[i]->setFrame(gfx::RectMake(0, top, kPanelWidth, kHairline));
  }
  double height = y + kButtonHeight * static_cast<double>(rows);
  gfx::Rect b = bounds();
  double top = atBottom_ ? b.size.height - height - 8 : std::round((b.size.height - height) / 2);
  panel_->setFrame(gfx::RectMake(std::round((b.size.width - kPanelWidth) / 2), top, kPanelWidth, height));
}

}  // namespace ui
