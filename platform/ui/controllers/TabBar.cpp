#include "platform/ui/controllers/TabBar.h"

#include <algorithm>
#include <cmath>

#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TabBar) {
  c.property("barTintColor", &TabBar::barTintColor, &TabBar::setBarTintColor);
  c.property("backgroundImage", &TabBar::backgroundImage, &TabBar::setBackgroundImage);
  c.property("translucent", &TabBar::isTranslucent, &TabBar::setTranslucent).getterName("isTranslucent");
}

namespace {
constexpr double kTabTitleFontSize = 10;
constexpr double kImageTop = 5;
constexpr double kImageSide = 25;
constexpr double kTitleBottom = 1;

// One tab: the item's image over its title.
class TabBarButton : public Control {
 public:
  void init(const Ref<TabBarItem>& item) {
    Control::init(gfx::RectZero);
    item_ = item;
    image_ = rt::make<ImageView>();
    image_->setContentMode(ViewContentMode::Center);
    image_->setUserInteractionEnabled(false);
    addSubview(image_);
    title_ = rt::make<Label>();
    title_->setTextAlignment(typeset::TextAlignment::Center);
    title_->setUserInteractionEnabled(false);
    addSubview(title_);
    refresh();
  }
  const Ref<TabBarItem>& item() const { return item_; }

  void refresh() {
    bool on = isSelected();
    auto image = on && item_->selectedImage() ? item_->selectedImage() : item_->image();
    image_->setImage(image);
    uint64_t state = on ? ControlStateSelected : ControlStateNormal;
    auto attrs = item_->effectiveTitleTextAttributes(state);
    auto font = attrs ? rt::as<typeset::Font>(attrs->objectForKey(typeset::FontAttributeName)) : nullptr;
    auto color = attrs ? rt::as<gfx::Color>(attrs->objectForKey(typeset::ForegroundColorAttributeName)) : nullptr;
    title_->setFont(font ? font : typeset::Font::systemFontOfSize(kTabTitleFontSize));
    title_->setTextColor(color ? color : on ? tintColor() : gfx::Color::colorWithWhite(0.57, 1));
    title_->setText(item_->title());
    setEnabled(item_->isEnabled());
    setNeedsLayout();
  }

  // The title is as tall as its font's line: under the image, at the bottom, or centred in
  // the bar when there is no image; then moved by the item's adjustment.
  void layoutSubviews() override {
    gfx::Rect b = bounds();
    bool hasTitle = item_->title().length() > 0;
    if (!hasTitle) {
      image_->setFrame(b);
      title_->setFrame(gfx::RectZero);
      return;
    }
    double titleHeight = std::ceil(title_->sizeThatFits({b.size.width, 0}).height);
    double titleTop = b.size.height - kTitleBottom - titleHeight;
    if (image_->image()) {
      image_->setFrame({{0, kImageTop}, {b.size.width, std::min(kImageSide, std::max(0.0, titleTop - kImageTop))}});
    } else {
      image_->setFrame(gfx::RectZero);
      titleTop = std::round((b.size.height - titleHeight) / 2);
    }
    gfx::Offset adjust = item_->titlePositionAdjustment();
    title_->setFrame({{adjust.horizontal, titleTop + adjust.vertical}, {b.size.width, titleHeight}});
  }

 protected:
  void stateDidChange() override {
    if (image_) refresh();
  }

 private:
  Ref<TabBarItem> item_;
  Ref<ImageView> image_;
  Ref<Label> title_;
};
}  // namespace

void TabBar::init(gfx::Rect frame) {
  if (frame.size.height <= 0) frame.size.height = kHeight;
  View::init(frame);
  backgroundView_ = rt::make<ImageView>();
  backgroundView_->setUserInteractionEnabled(false);
  addSubview(backgroundView_);
  shadowView_ = rt::make<View>();
  shadowView_->setUserInteractionEnabled(false);
  shadowView_->setBackgroundColor(gfx::Color::colorWithWhite(0, 0.3));
  addSubview(shadowView_);
  applyBackground();
}

TabBar::~TabBar() {
  for (auto& item : items_) item->setChangeHandler(nullptr);
}

void TabBar::setItems(const std::vector<Ref<TabBarItem>>& items, bool animated) {
  (void)animated;
  for (auto& item : items_) item->setChangeHandler(nullptr);
  for (auto& b : buttons_) b->removeFromSuperview();
  buttons_.clear();
  items_ = items;
  Weak<rt::Object> weak = self();
  for (auto& item : items_) {
    auto button = rt::make<TabBarButton>(item);
    Weak<rt::Object> weakItem = item;
    button->addTarget(nullptr, [weak, weakItem](Control&, Event*) {
      auto bar = rt::as<TabBar>(weak.lock());
      auto it = rt::as<TabBarItem>(weakItem.lock());
      if (bar && it && bar->onSelect_) bar->onSelect_(*it);
    }, ControlEventTouchUpInside);
    item->setChangeHandler([weak] {
      if (auto bar = rt::as<TabBar>(weak.lock())) bar->refreshButtons();
    });
    addSubview(button);
    buttons_.push_back(button);
  }
  if (std::find(items_.begin(), items_.end(), selected_) == items_.end()) selected_.reset();
  refreshButtons();
}

void TabBar::setSelectedItem(const Ref<TabBarItem>& item) {
  selected_ = std::find(items_.begin(), items_.end(), item) != items_.end() ? item : nullptr;
  refreshButtons();
}

void TabBar::refreshButtons() {
  for (auto& b : buttons_) {
    auto* button = static_cast<TabBarButton*>(b.get());
    if (button->isSelected() != (button->item() == selected_)) button->setSelected(button->item() == selected_);
    else button->refresh();
  }
  setNeedsLayout();
}

Ref<Control> TabBar::buttonAtIndex(size_t index) const { return index < buttons_.size() ? buttons_[index] : nullptr; }

void TabBar::setBarTintColor(const Ref<gfx::Color>& color) {
  setAndNotify("barTintColor", barTintColor_, color);
  applyBackground();
}

void TabBar::setBackgroundImage(const Ref<gfx::Image>& image) {
  setAndNotify("backgroundImage", backgroundImage_, image);
  applyBackground();
}

void TabBar::setTranslucent(bool on) {
  setAndNotify("translucent", translucent_, on);
  applyBackground();
}

void TabBar::applyBackground() {
  backgroundView_->setImage(backgroundImage_);
  backgroundView_->setBackgroundColor(backgroundImage_ ? nullptr
                                      : barTintColor_ ? barTintColor_
                                                      : gfx::Color::colorWithWhite(0.97, translucent_ ? 0.9 : 1));
}

gfx::Size TabBar::sizeThatFits(gfx::Size size) const { return {size.width, kHeight}; }

void TabBar::layoutSubviews() {
  gfx::Rect b = bounds();
  backgroundView_->setFrame(b);
  shadowView_->setFrame({{0, -0.5}, {b.size.width, 0.5}});
  if (buttons_.empty()) return;
  double w = b.size.width / static_cast<double>(buttons_.size());
  for (size_t i = 0; i < buttons_.size(); ++i)
    buttons_[i]->setFrame({{w * static_cast<double>(i), 0}, {w, b.size.height}});
}

}  // namespace ui
