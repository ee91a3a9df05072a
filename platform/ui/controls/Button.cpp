#include "platform/ui/controls/Button.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ui {

RT_IMPLEMENT_PLATFORM(Button) {}

namespace {
constexpr double kButtonTitleFontSize = 15;
// How much an adjusted image dims when highlighted or disabled.
constexpr double kAdjustedImageAlpha = 0.5;
}  // namespace

void Button::init(gfx::Rect frame) {
  Control::init(frame);
  backgroundView_ = rt::make<ImageView>();
  imageView_ = rt::make<ImageView>();
  titleLabel_ = rt::make<Label>();
  titleLabel_->setFont(typeset::Font::systemFontOfSize(kButtonTitleFontSize));
  titleLabel_->setTextAlignment(typeset::TextAlignment::Center);
  backgroundView_->setContentMode(ViewContentMode::ScaleToFill);
  imageView_->setContentMode(ViewContentMode::Center);
  addSubview(backgroundView_);
  addSubview(imageView_);
  addSubview(titleLabel_);
  refresh();
}

Ref<Button> Button::buttonWithType(ButtonType type) {
  auto b = rt::make<Button>();
  b->type_ = type;
  b->refresh();
  return b;
}

template <class T> T Button::pick(const std::map<uint64_t, T>& table, uint64_t state) {
  if (auto it = table.find(state); it != table.end() && it->second) return it->second;
  // Highlighted while selected falls back to selected before normal.
  if (state & ControlStateSelected)
    if (auto it = table.find(ControlStateSelected); it != table.end() && it->second) return it->second;
  if (auto it = table.find(ControlStateNormal); it != table.end()) return it->second;
  return T();
}

void Button::setTitle(const rt::String& title, uint64_t state) {
  titles_[state] = title;
  refresh();
}

rt::String Button::titleForState(uint64_t state) const {
  if (auto it = titles_.find(state); it != titles_.end() && !it->second.isEmpty()) return it->second;
  if (auto it = titles_.find(ControlStateNormal); it != titles_.end()) return it->second;
  return rt::String();
}

void Button::setAttributedTitle(const Ref<typeset::AttributedString>& title, uint64_t state) {
  attributedTitles_[state] = title;
  refresh();
}

Ref<typeset::AttributedString> Button::attributedTitleForState(uint64_t state) const {
  return pick(attributedTitles_, state);
}

void Button::setTitleColor(const Ref<gfx::Color>& color, uint64_t state) {
  titleColors_[state] = color;
  refresh();
}

Ref<gfx::Color> Button::titleColorForState(uint64_t state) const {
  if (auto c = pick(titleColors_, state)) return c;
  return type_ == ButtonType::System ? tintColor() : gfx::Color::whiteColor();
}

void Button::setImage(const Ref<gfx::Image>& image, uint64_t state) {
  images_[state] = image;
  refresh();
}

Ref<gfx::Image> Button::imageForState(uint64_t state) const { return pick(images_, state); }

void Button::setBackgroundImage(const Ref<gfx::Image>& image, uint64_t state) {
  backgroundImages_[state] = image;
  refresh();
}

Ref<gfx::Image> Button::backgroundImageForState(uint64_t state) const { return pick(backgroundImages_, state); }

void Button::refresh() {
  invalidateIntrinsicContentSize();
  if (!titleLabel_) return;
  uint64_t s = state();
  if (auto attributed = attributedTitleForState(s)) {
    titleLabel_->setAttributedText(attributed);
  } else {
    titleLabel_->setText(titleForState(s));
    titleLabel_->setTextColor(titleColorForState(s));
  }
  auto image = imageForState(s);
  imageView_->setImage(image);
  auto background = backgroundImageForState(s);
  backgroundView_->setImage(background);
  // Adjusted only when the state has no image of its own.
  bool dim = (isHighlighted() && adjustsWhenHighlighted_ && !images_.count(ControlStateHighlighted)) ||
             (!isEnabled() && adjustsWhenDisabled_ && !images_.count(ControlStateDisabled));
  imageView_->setAlpha(dim ? kAdjustedImageAlpha : 1);
  setNeedsLayout();
}

gfx::Size Button::titleSize() const {
  if (titleLabel_->text().isEmpty()) return {0, 0};
  return titleLabel_->sizeThatFits({0, 0});
}

gfx::Size Button::imageSize() const {
  auto image = imageView_->image();
  return image ? image->size() : gfx::SizeZero;
}

gfx::Size Button::intrinsicContentSize() const {
  gfx::Size t = titleSize(), i = imageSize();
  double w = t.width + i.width + contentInsets_.left + contentInsets_.right;
  double h = std::max(t.height, i.height) + contentInsets_.top + contentInsets_.bottom;
  if (auto bg = backgroundImageForState(state())) {
    w = std::max(w, bg->size().width);
    h = std::max(h, bg->size().height);
  }
  return {w, h};
}

gfx::Size Button::sizeThatFits(gfx::Size) const { return intrinsicContentSize(); }

// Image then title, centred together in the content rectangle.
gfx::Rect Button::imageRectForContentRect(gfx::Rect rect) const {
  gfx::Size i = imageSize(), t = titleSize();
  double total = i.width + t.width;
  double x = rect.origin.x + (rect.size.width - total) / 2;
  double y = rect.origin.y + (rect.size.height - i.height) / 2;
  return gfx::EdgeInsetsInsetRect({{x, y}, i}, imageInsets_);
}

gfx::Rect Button::titleRectForContentRect(gfx::Rect rect) const {
  gfx::Size i = imageSize(), t = titleSize();
  double total = i.width + t.width;
  t.width = std::min(t.width, std::max(0.0, rect.size.width - i.width));
  double x = rect.origin.x + std::max(0.0, (rect.size.width - total) / 2) + i.width;
  double y = rect.origin.y + (rect.size.height - t.height) / 2;
  return gfx::EdgeInsetsInsetRect({{x, y}, t}, titleInsets_);
}

void Button::layoutSubviews() {
  gfx::Rect content = gfx::EdgeInsetsInsetRect(bounds(), contentInsets_);
  backgroundView_->setFrame(bounds());
  imageView_->setFrame(imageRectForContentRect(content));
  titleLabel_->setFrame(titleRectForContentRect(content));
}

}  // namespace ui
