#include "platform/ui/controllers/NavigationBar.h"

#include <algorithm>
#include <cmath>

#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(NavigationBar) {
  c.property("barTintColor", &NavigationBar::barTintColor, &NavigationBar::setBarTintColor);
  c.property("translucent", &NavigationBar::isTranslucent, &NavigationBar::setTranslucent).getterName("isTranslucent");
  c.property("shadowImage", &NavigationBar::shadowImage, &NavigationBar::setShadowImage);
  c.property("titleTextAttributes", &NavigationBar::titleTextAttributes, &NavigationBar::setTitleTextAttributes);
  c.property("backIndicatorImage", &NavigationBar::backIndicatorImage, &NavigationBar::setBackIndicatorImage);
}

namespace {
constexpr double kMargin = 8;
constexpr double kShadowHeight = 0.5;
constexpr double kTitleFontSize = 17;
constexpr double kButtonFontSize = 17;

Ref<gfx::Color> defaultBarColor(bool translucent) { return gfx::Color::colorWithWhite(0.97, translucent ? 0.9 : 1); }

// Sizes a bar button to its image and title. The title is measured left-aligned: a centred
// label reports the whole unbounded width it was offered.
void fitButton(Button& button) {
  double width = 0, height = 0;
  if (auto image = button.currentImage()) {
    width += image->size().width;
    height = image->size().height;
  }
  if (auto title = button.currentTitle(); title.length()) {
    auto probe = rt::make<Label>();
    probe->setFont(button.titleLabel()->font());
    probe->setText(title);
    gfx::Size t = probe->sizeThatFits({0, 0});
    width += t.width;
    height = std::max(height, t.height);
  }
  button.setFrame({button.frame().origin, {std::ceil(width), std::ceil(height)}});
}
}  // namespace

void NavigationBar::init(gfx::Rect frame) {
  if (frame.size.height <= 0) frame.size.height = kHeight;
  View::init(frame);
  background_ = rt::make<View>();
  background_->setUserInteractionEnabled(false);
  backgroundImageView_ = rt::make<ImageView>();
  backgroundImageView_->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  background_->addSubview(backgroundImageView_);
  shadowView_ = rt::make<ImageView>();
  background_->addSubview(shadowView_);
  addSubview(background_);
  titleLabel_ = rt::make<Label>();
  titleLabel_->setTextAlignment(typeset::TextAlignment::Center);
  addSubview(titleLabel_);
  applyBackground();
}

NavigationBar::~NavigationBar() {
  for (auto& item : items_) item->setChangeHandler(nullptr);
}

// ---- items

void NavigationBar::watch(const Ref<NavigationItem>& item) {
  Weak<View> weak = std::static_pointer_cast<View>(self());
  item->setChangeHandler([weak] {
    if (auto bar = std::static_pointer_cast<NavigationBar>(weak.lock())) bar->itemsChanged();
  });
}

void NavigationBar::setItems(const std::vector<Ref<NavigationItem>>& items, bool animated) {
  (void)animated;
  for (auto& item : items_) item->setChangeHandler(nullptr);
  items_ = items;
  for (auto& item : items_) watch(item);
  itemsChanged();
}

void NavigationBar::pushNavigationItem(const Ref<NavigationItem>& item, bool animated) {
  (void)animated;
  if (!item) return;
  items_.push_back(item);
  watch(item);
  itemsChanged();
}

Ref<NavigationItem> NavigationBar::popNavigationItemAnimated(bool animated) {
  (void)animated;
  if (items_.empty()) return nullptr;
  auto top = items_.back();
  items_.pop_back();
  top->setChangeHandler(nullptr);
  itemsChanged();
  return top;
}

void NavigationBar::itemsChanged() {
  dirty_ = true;
  setNeedsLayout();
}

// ---- look

void NavigationBar::setBarTintColor(const Ref<gfx::Color>& color) {
  setAndNotify("barTintColor", barTintColor_, color);
  applyBackground();
}

void NavigationBar::setTranslucent(bool on) {
  setAndNotify("translucent", translucent_, on);
  applyBackground();
}

void NavigationBar::setBackgroundImage(const Ref<gfx::Image>& image, BarMetrics metrics) {
  if (image) backgrounds_[metrics] = image;
  else backgrounds_.erase(metrics);
  applyBackground();
}

Ref<gfx::Image> NavigationBar::backgroundImageForBarMetrics(BarMetrics metrics) const {
  auto it = backgrounds_.find(metrics);
  return it == backgrounds_.end() ? nullptr : it->second;
}

void NavigationBar::setShadowImage(const Ref<gfx::Image>& image) {
  setAndNotify("shadowImage", shadowImage_, image);
  applyBackground();
}

void NavigationBar::setTitleTextAttributes(const Ref<fd::Dictionary>& attributes) {
  setAndNotify("titleTextAttributes", titleAttributes_, attributes);
  itemsChanged();
}

void NavigationBar::setBackIndicatorImage(const Ref<gfx::Image>& image) {
  setAndNotify("backIndicatorImage", backIndicator_, image);
  itemsChanged();
}

void NavigationBar::applyBackground() {
  auto image = backgroundImageForBarMetrics(BarMetrics::Default);
  backgroundImageView_->setImage(image);
  background_->setBackgroundColor(image ? nullptr : barTintColor_ ? barTintColor_ : defaultBarColor(translucent_));
  // A custom shadow is only used together with a custom background, as on the platform.
  if (image && shadowImage_) {
    shadowView_->setImage(shadowImage_);
    shadowView_->setBackgroundColor(nullptr);
  } else {
    shadowView_->setImage(nullptr);
    shadowView_->setBackgroundColor(gfx::Color::colorWithWhite(0, 0.3));
  }
  setNeedsLayout();
}

// ---- content

Ref<View> NavigationBar::viewForItem(const Ref<BarButtonItem>& item) {
  if (!item) return nullptr;
  if (auto custom = item->customView()) return custom;
  auto button = Button::buttonWithType(ButtonType::System);
  if (item->image()) button->setImage(item->image(), ControlStateNormal);
  else button->setTitle(item->title(), ControlStateNormal);
  button->setTitleColor(item->tintColor() ? item->tintColor() : tintColor(), ControlStateNormal);
  button->titleLabel()->setFont(typeset::Font::systemFontOfSize(kButtonFontSize));
  button->setEnabled(item->isEnabled());
  Weak<rt::Object> weakItem = item;
  button->addTarget(nullptr, [weakItem](Control&, Event*) {
    if (auto i = rt::as<BarButtonItem>(weakItem.lock())) i->sendAction();
  }, ControlEventTouchUpInside);
  fitButton(*button);
  if (item->width() > 0) button->setFrame({button->frame().origin, {item->width(), button->frame().size.height}});
  return button;
}

void NavigationBar::rebuild() {
  dirty_ = false;
  for (auto* v : {&leftView_, &rightView_, &titleView_}) {
    if (*v && (*v)->superview().get() == this) (*v)->removeFromSuperview();
    v->reset();
  }
  if (backButton_) backButton_->removeFromSuperview();
  backButton_.reset();

  auto top = topItem();
  auto back = backItem();
  for (auto& item : {top ? top->leftBarButtonItem() : nullptr, top ? top->rightBarButtonItem() : nullptr})
    if (item) {
      Weak<View> weak = std::static_pointer_cast<View>(self());
      item->setChangeHandler([weak] {
        if (auto bar = std::static_pointer_cast<NavigationBar>(weak.lock())) bar->itemsChanged();
      });
    }
  if (top) {
    leftView_ = viewForItem(top->leftBarButtonItem());
    rightView_ = viewForItem(top->rightBarButtonItem());
    titleView_ = top->titleView();
  }
  if (top && back && !leftView_ && !top->hidesBackButton()) {
    backButton_ = Button::buttonWithType(ButtonType::System);
    auto backItem = back->backBarButtonItem();
    rt::String title = backItem ? backItem->title() : back->title();
    backButton_->setTitle(title.length() ? title : rt::String("Back"), ControlStateNormal);
    backButton_->setTitleColor(tintColor(), ControlStateNormal);
    backButton_->titleLabel()->setFont(typeset::Font::systemFontOfSize(kButtonFontSize));
    if (backIndicator_) backButton_->setImage(backIndicator_, ControlStateNormal);
    Weak<View> weak = std::static_pointer_cast<View>(self());
    backButton_->addTarget(nullptr, [weak](Control&, Event*) {
      auto bar = std::static_pointer_cast<NavigationBar>(weak.lock());
      if (bar && bar->backHandler_) bar->backHandler_();
    }, ControlEventTouchUpInside);
    fitButton(*backButton_);
    addSubview(backButton_);
  }
  for (auto& v : {leftView_, rightView_, titleView_})
    if (v) addSubview(v);

  auto font = titleAttributes_ ? rt::as<typeset::Font>(titleAttributes_->objectForKey(typeset::FontAttributeName)) : nullptr;
  auto color = titleAttributes_ ? rt::as<gfx::Color>(titleAttributes_->objectForKey(typeset::ForegroundColorAttributeName))
                                : nullptr;
  titleLabel_->setFont(font ? font : typeset::Font::boldSystemFontOfSize(kTitleFontSize));
  titleLabel_->setTextColor(color ? color : gfx::Color::blackColor());
  titleLabel_->setText(top && !titleView_ ? top->title() : rt::String());
  titleLabel_->setHidden(titleView_ != nullptr);
}

Ref<View> NavigationBar::leftView() const { return leftView_ ? leftView_ : backButton_; }

gfx::Size NavigationBar::sizeThatFits(gfx::Size size) const { return {size.width, kHeight}; }

void NavigationBar::layoutSubviews() {
  if (dirty_) rebuild();
  gfx::Rect b = bounds();
  // The background reaches up to the top of the window (under the status bar).
  double above = std::max(0.0, frame().origin.y);
  background_->setFrame({{0, -above}, {b.size.width, b.size.height + above}});
  shadowView_->setFrame({{0, b.size.height + above}, {b.size.width, kShadowHeight}});

  double left = kMargin, right = b.size.width - kMargin;
  auto place = [&](const Ref<View>& v, bool atLeft) {
    if (!v) return;
    gfx::Size s = v->frame().size;
    if (s.width <= 0 || s.height <= 0) s = v->sizeThatFits(b.size);
    s.height = std::min(s.height, b.size.height);
    double x = atLeft ? left : right - s.width;
    v->setFrame({{x, (b.size.height - s.height) / 2}, s});
    if (atLeft) left = x + s.width + kMargin;
    else right = x - kMargin;
  };
  place(leftView(), true);
  place(rightView_, false);
  // The title is centred on the bar, narrowed only as far as the side views demand.
  double half = std::max(0.0, std::min(b.size.width / 2 - left, right - b.size.width / 2));
  if (titleView_) {
    gfx::Size s = titleView_->frame().size;
    s.width = std::min(s.width, half * 2);
    s.height = std::min(s.height, b.size.height);
    titleView_->setFrame({{(b.size.width - s.width) / 2, (b.size.height - s.height) / 2}, s});
  }
  titleLabel_->setFrame({{b.size.width / 2 - half, 0}, {half * 2, b.size.height}});
}

}  // namespace ui
