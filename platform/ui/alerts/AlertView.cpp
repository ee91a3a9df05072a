#include "platform/ui/alerts/AlertView.h"

#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(AlertView) {}

void AlertView::init(const rt::String& title, const rt::String& message, Weak<AlertViewDelegate> delegate,
                     const rt::String& cancelButtonTitle, const std::vector<rt::String>& otherButtonTitles) {
  View::init(gfx::RectZero);
  title_ = title;
  message_ = message;
  delegate_ = std::move(delegate);
  if (!cancelButtonTitle.isEmpty()) {
    cancelIndex_ = 0;
    titles_.push_back(cancelButtonTitle);
  }
  for (const auto& t : otherButtonTitles) titles_.push_back(t);
  panel_ = rt::make<AlertPanelView>(gfx::RectZero);
  Weak<AlertView> weak = std::static_pointer_cast<AlertView>(self());
  panel_->setTapHandler([weak](size_t shown) {
    if (auto a = weak.lock()) a->tapped(shown);
  });
  addSubview(panel_);
  refresh();
}

int64_t AlertView::addButtonWithTitle(const rt::String& title) {
  titles_.push_back(title);
  refresh();
  return numberOfButtons() - 1;
}

rt::String AlertView::buttonTitleAtIndex(int64_t index) const {
  if (index < 0 || index >= numberOfButtons())
    rt::raise("NSRangeException", rt::String::format("index %lld beyond bounds", static_cast<long long>(index)));
  return titles_[static_cast<size_t>(index)];
}

int64_t AlertView::firstOtherButtonIndex() const {
  int64_t first = cancelIndex_ == 0 ? 1 : 0;
  return first < numberOfButtons() ? first : -1;
}

std::vector<int64_t> AlertView::shownOrder() const {
  // Two buttons sit side by side with the cancel button on the left; in a column it comes last.
  std::vector<int64_t> order;
  for (int64_t i = 0; i < numberOfButtons(); ++i)
    if (i != cancelIndex_) order.push_back(i);
  if (cancelIndex_ >= 0) {
    if (numberOfButtons() == 2) order.insert(order.begin(), cancelIndex_);
    else order.push_back(cancelIndex_);
  }
  return order;
}

void AlertView::refresh() {
  if (!panel_) return;
  std::vector<AlertPanelButton> buttons;
  for (int64_t i : shownOrder()) buttons.push_back({titles_[static_cast<size_t>(i)], i == cancelIndex_, false});
  panel_->setContent(title_, message_, std::move(buttons));
}

void AlertView::layoutSubviews() { panel_->setFrame(bounds()); }

void AlertView::show() {
  if (window_) return;
  gfx::Rect screen = Screen::mainScreen()->bounds();
  setFrame(screen);
  previousKey_ = Application::sharedApplication()->keyWindow();
  window_ = rt::make<Window>(screen);
  window_->setWindowLevel(WindowLevelAlert);
  window_->addSubview(std::static_pointer_cast<View>(self()));
  keepAlive_ = std::static_pointer_cast<AlertView>(self());
  window_->makeKeyAndVisible();
}

void AlertView::tapped(size_t shownIndex) {
  auto order = shownOrder();
  if (shownIndex >= order.size() || !window_) return;
  int64_t index = order[shownIndex];
  auto self = keepAlive_;  // the delegate may drop its reference
  if (auto d = delegate_.lock()) d->alertViewClickedButtonAtIndex(*this, index);
  dismissWithClickedButtonIndex(index, true);
}

void AlertView::dismissWithClickedButtonIndex(int64_t index, bool) {
  if (!window_) return;
  auto self = keepAlive_;
  if (auto d = delegate_.lock()) d->alertViewWillDismissWithButtonIndex(*this, index);
  removeFromSuperview();
  window_->setHidden(true);
  window_ = nullptr;
  if (auto previous = previousKey_.lock()) previous->makeKeyWindow();
  if (auto d = delegate_.lock()) d->alertViewDidDismissWithButtonIndex(*this, index);
  keepAlive_ = nullptr;
}

}  // namespace ui
