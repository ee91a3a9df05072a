#include "widgets/channels/CBScrollNavBar.h"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/ViewAnimation.h"
#include "widgets/channels/CBNotificationNames.h"
#include "widgets/channels/CBSortItemView.h"
#include "widgets/channels/View+CBFrame.h"

namespace widgets {

RT_IMPLEMENT(CBScrollNavBar) {
  c.property("minFontSize", &CBScrollNavBar::minFontSize, &CBScrollNavBar::setMinFontSize);
  c.property("maxFontSize", &CBScrollNavBar::maxFontSize, &CBScrollNavBar::setMaxFontSize);
  c.property("itemW", &CBScrollNavBar::itemW);
}

namespace {

Ref<typeset::Font> boldFont(double size) { return typeset::Font::boldSystemFontOfSize(size); }

rt::String titleOf(const Ref<fd::Notification>& n) {
  auto info = n ? n->userInfo() : nullptr;
  auto s = info ? rt::as<fd::StringObject>(info->objectForKey(rt::String(CBNotificationTitleKey))) : nullptr;
  return s ? s->string() : rt::String();
}

}  // namespace

void CBScrollNavBar::init() {
  ui::ScrollView::init();
  setup();
}

CBScrollNavBar::~CBScrollNavBar() = default;  // the centre holds observers weakly

void CBScrollNavBar::setup() {
  setIsGraduallyChangColor(true);
  setIsGraduallyChangFont(true);
  setUserInteractionEnabled(true);
  setShowsHorizontalScrollIndicator(false);
}

void CBScrollNavBar::followEditor(const Ref<CBSortItemView>& editor) {
  auto center = fd::NotificationCenter::defaultCenter();
  center->removeObserver(self());
  if (!editor) return;
  Weak<CBScrollNavBar> weak = std::static_pointer_cast<CBScrollNavBar>(self());
  auto route = [weak](void (CBScrollNavBar::*handler)(const Ref<fd::Notification>&)) {
    return [weak, handler](const Ref<fd::Notification>& n) {
      if (auto bar = weak.lock()) ((*bar).*handler)(n);
    };
  };
  center->addObserver(self(), route(&CBScrollNavBar::updateTitles), rt::String(CBScrollNavBarUpdateNotification),
                      editor);
  center->addObserver(self(), route(&CBScrollNavBar::moveToSelectedItemAfterDelet),
                      rt::String(CBMoveToSelectedItemNotification), editor);
  center->addObserver(self(), route(&CBScrollNavBar::moveToTopAfterDelet), rt::String(CBMoveToTopNotification),
                      editor);
}

// ---- titles and pages

void CBScrollNavBar::setItemKeys(std::vector<rt::String> keys) {
  itemKeys_ = keys;
  tmpKeys_ = std::move(keys);
  if (itemsDic_.empty()) setupItems();
  setNeedsLayout();
}

void CBScrollNavBar::setupTmpPageViewDic() {
  for (size_t i = 0; i < tmpKeys_.size() && i < pageViews_.size(); ++i) tmpPageViewDic_[tmpKeys_[i]] = pageViews_[i];
}

void CBScrollNavBar::setRootScrollView(const Ref<CBRootScrollView>& rootScrollView) {
  rootScrollView_ = rootScrollView;
  if (!rootScrollView) return;
  rootScrollView->setDelegate(Weak<ui::ScrollViewDelegate>(std::static_pointer_cast<CBScrollNavBar>(self())));
  rootScrollView->setPageViews(pageViews_);
}

// ---- look

void CBScrollNavBar::setTitleNormalColor(const Ref<gfx::Color>& color) {
  titleNormalColor_ = color;
  for (auto& [title, item] : itemsDic_) item->setTitleColor(color, ui::ControlStateNormal);
  normal_ = ColorRGBAComponents(color);
}

void CBScrollNavBar::setTitleSelectedColor(const Ref<gfx::Color>& color) {
  titleSelectedColor_ = color;
  for (auto& [title, item] : itemsDic_) item->setTitleColor(color, ui::ControlStateSelected);
  selected_ = ColorRGBAComponents(color);
}

void CBScrollNavBar::setIsGraduallyChangColor(bool on) {
  graduallyColor_ = on;
  if (on) return;
  for (auto& [title, item] : itemsDic_) {
    item->setTitleColor(titleSelectedColor_, ui::ControlStateSelected);
    item->setTitleColor(titleNormalColor_, ui::ControlStateNormal);
  }
}

void CBScrollNavBar::setMinFontSize(int64_t size) {
  minFontSize_ = size;
  setItemsFontWithFontSize(static_cast<int64_t>(normalFontSize()));
}

void CBScrollNavBar::setMaxFontSize(int64_t size) { maxFontSize_ = size > 10 ? size : 21; }

void CBScrollNavBar::setItemsFontWithFontSize(int64_t size) {
  for (auto& [title, item] : itemsDic_) item->titleLabel()->setFont(boldFont(static_cast<double>(size)));
}

// ---- items

int64_t CBScrollNavBar::getIndexWithKey(const rt::String& key) const {
  auto it = std::find(itemKeys_.begin(), itemKeys_.end(), key);
  return it == itemKeys_.end() ? -1 : static_cast<int64_t>(it - itemKeys_.begin());
}

Ref<ui::Button> CBScrollNavBar::getItemWithIndex(int64_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= tmpKeys_.size()) return nullptr;
  auto it = itemsDic_.find(tmpKeys_[static_cast<size_t>(index)]);
  return it == itemsDic_.end() ? nullptr : it->second;
}

Ref<ui::Button> CBScrollNavBar::createItemWithTitle(const rt::String& title) {
  auto item = rt::make<ui::Button>();
  item->setTitle(title, ui::ControlStateNormal);
  item->setBackgroundColor(gfx::Color::clearColor());
  item->titleLabel()->setFont(boldFont(normalFontSize()));
  if (titleNormalColor_) item->setTitleColor(titleNormalColor_, ui::ControlStateNormal);
  if (titleSelectedColor_) item->setTitleColor(titleSelectedColor_, ui::ControlStateSelected);
  Weak<CBScrollNavBar> weak = std::static_pointer_cast<CBScrollNavBar>(self());
  item->addTarget(self(),
                  [weak](ui::Control& sender, ui::Event*) {
                    auto bar = weak.lock();
                    if (!bar) return;
                    bar->buttonClick(std::static_pointer_cast<ui::Button>(sender.self()));
                  },
                  ui::ControlEventTouchUpInside);
  addSubview(item);
  return item;
}

void CBScrollNavBar::setupItems() {
  if (tmpKeys_.empty()) return;
  for (size_t i = 0; i < tmpKeys_.size(); ++i) {
    auto item = createItemWithTitle(tmpKeys_[i]);
    itemsDic_[tmpKeys_[i]] = item;
    item->setTag(static_cast<int64_t>(i));
  }
  auto first = itemsDic_[tmpKeys_.front()];
  first->setSelected(true);
  first->titleLabel()->setFont(boldFont(maxFontSize_ == 0 ? 21 : static_cast<double>(maxFontSize_)));
  currectItem_ = first;
}

void CBScrollNavBar::layoutButtons() {
  size_t n = tmpKeys_.size();
  if (n == 0) return;
  double W = bounds().size.width, H = bounds().size.height;
  double count = static_cast<double>(n);
  setContentSize({count * kItemWidth, 0});
  double w = count * kItemWidth >= W ? kItemWidth : (W - (showSortButton_ ? H : 0)) / count;
  double y = itemHidden_ ? H : 0;
  for (size_t i = 0; i < n; ++i) {
    auto it = itemsDic_.find(tmpKeys_[i]);
    if (it == itemsDic_.end()) continue;  // a title added after the first ones has no item
    it->second->setTag(static_cast<int64_t>(i));
    it->second->setFrame(gfx::RectMake(static_cast<double>(i) * w, y, w, H));
  }
  itemW_ = w;
  if (!isLayoutitems_) {
    if (graduallyFont_) {
      addOffset();
    } else if (auto first = getItemWithIndex(0)) {
      first->titleLabel()->setFont(boldFont(maxFontSize_ < 1 ? 10 : static_cast<double>(maxFontSize_)));
    }
    isLayoutitems_ = true;
  }
}

void CBScrollNavBar::layoutSubviews() {
  ui::ScrollView::layoutSubviews();
  layoutButtons();
}

// ---- selection

void CBScrollNavBar::selectItem(const Ref<ui::Button>& button) {
  if (graduallyFont_) {
    auto current = currectItem_.lock();
    oldItem_ = current;
    if (current) current->setSelected(false);
    if (button) button->setSelected(true);
    currectItem_ = button;
  } else {
    clickButtonWhenNotGraduallyChangFont(button);
  }
}

void CBScrollNavBar::buttonClick(const Ref<ui::Button>& button) {
  selectItem(button);
  int64_t tag = button ? button->tag() : 0;
  buttonMoveAnimationWithIndex(tag);
  if (auto pages = rootScrollView_.lock())
    pages->setContentOffset({static_cast<double>(tag) * pages->bounds().size.width, 0}, true);
}

void CBScrollNavBar::clickButtonWhenNotGraduallyChangFont(const Ref<ui::Button>& button) {
  auto current = currectItem_.lock();
  oldItem_ = current;
  if (current) {
    current->titleLabel()->setFont(boldFont(normalFontSize()));
    current->setSelected(false);
  }
  if (button) {
    button->setSelected(true);
    button->titleLabel()->setFont(boldFont(maxFontSize_ == 0 ? 10 : static_cast<double>(maxFontSize_)));
  }
  currectItem_ = button;
}

void CBScrollNavBar::setSelectItemWithIndex(int64_t index) {
  selectItem(getItemWithIndex(index));
  buttonMoveAnimationWithIndex(index);
}

void CBScrollNavBar::buttonMoveAnimationWithIndex(int64_t index) {
  auto n = static_cast<int64_t>(tmpKeys_.size());
  double W = bounds().size.width;
  double x = 0;
  if (static_cast<double>(n) * itemW_ > W && index > 2) {
    if (index > n - 4) {
      x = contentSize().width - W;
    } else if (auto item = getItemWithIndex(index)) {
      x = item->center().x - center().x;
    }
  }
  setContentOffset({x, 0}, true);
}

// ---- blending

void CBScrollNavBar::setupNormalFontSizeItem() {
  for (const auto& weak : {firstButton_, secButton_})
    if (auto item = weak.lock()) {
      item->titleLabel()->setFont(boldFont(normalFontSize()));
      item->setTitleColor(titleNormalColor_, ui::ControlStateNormal);
    }
}

void CBScrollNavBar::setItemFontSizeWithFrontItem(const Ref<ui::Button>& front, const Ref<ui::Button>& back,
                                                  double p) {
  double lo = minFontSize_ != 0 ? static_cast<double>(minFontSize_) : 16;
  double span = maxFontSize_ != 0 ? static_cast<double>(maxFontSize_) - lo : 5;
  if (front) front->titleLabel()->setFont(boldFont(lo + (1 - p) * span));
  if (back) back->titleLabel()->setFont(boldFont(lo + p * span));
}

void CBScrollNavBar::setItemFontColorWithFrontItem(const Ref<ui::Button>& front, const Ref<ui::Button>& back,
                                                   double p) {
  auto blend = [&](double share) {
    return gfx::Color::colorWithRed(normal_.red + share * (selected_.red - normal_.red),
                                    normal_.green + share * (selected_.green - normal_.green),
                                    normal_.blue + share * (selected_.blue - normal_.blue), 1);
  };
  if (front) front->setTitleColor(blend(1 - p), ui::ControlStateNormal);
  if (back) back->setTitleColor(blend(p), ui::ControlStateNormal);
}

void CBScrollNavBar::changeButtonFontWithOffset(double offsetX, double width) {
  setupNormalFontSizeItem();
  auto n = static_cast<int64_t>(tmpKeys_.size());
  // Without pages or titles there is nothing to blend; a bounce past either end holds the
  // end title at its full size instead of running past the sizes and colours given.
  if (width <= 0 || n == 0) return;
  auto index = static_cast<int64_t>(offsetX / width);
  double p = std::fmod(offsetX, width) / width;
  if (index < 0 || offsetX < 0) {
    index = 0;
    p = 0;
  } else if (index >= n) {
    index = n - 1;
    p = 0;
  }
  currctIndex_ = index;
  auto front = getItemWithIndex(index);
  auto back = index + 1 < n ? getItemWithIndex(index + 1) : nullptr;
  firstButton_ = front;
  secButton_ = back;
  if (graduallyFont_) setItemFontSizeWithFrontItem(front, back, p);
  if (graduallyColor_) setItemFontColorWithFrontItem(front, back, p);
}

void CBScrollNavBar::addOffset() {
  auto pages = rootScrollView_.lock();
  if (!pages) return;
  pages->setContentOffset({1, 0});
  pages->setContentOffset({0, 0});
}

// ---- following the editor

void CBScrollNavBar::hiddenAllItems() {
  if (!isHiddenAllItem_) {
    setupTmpPageViewDic();
    isHiddenAllItem_ = true;
  }
  Weak<CBScrollNavBar> weak = std::static_pointer_cast<CBScrollNavBar>(self());
  for (size_t i = 0; i < tmpKeys_.size(); ++i) {
    Weak<ui::Button> item = getItemWithIndex(static_cast<int64_t>(i));
    dispatch::mainQueue()->after(static_cast<double>(i) * 0.05, [weak, item] {
      auto bar = weak.lock();
      auto button = item.lock();
      if (!bar || !button) return;
      double y = 2 * bar->bounds().size.height;
      ui::ViewAnimation::animateWithSpring(0.8, 0, 0.4, 0.5, ui::ViewAnimationOptionBeginFromCurrentState,
                                           [button, y] { cbframe::setY(*button, y); }, nullptr);
    });
  }
}

void CBScrollNavBar::showAllItems() {
  for (size_t i = 0; i < tmpKeys_.size(); ++i) {
    Weak<ui::Button> item = getItemWithIndex(static_cast<int64_t>(i));
    dispatch::mainQueue()->after(static_cast<double>(i) * 0.1, [item] {
      auto button = item.lock();
      if (!button) return;
      ui::ViewAnimation::animateWithSpring(0.8, 0, 0.4, 0.5, ui::ViewAnimationOptionBeginFromCurrentState,
                                           [button] { cbframe::setY(*button, 0); }, nullptr);
    });
  }
}

void CBScrollNavBar::updatePageView(const Ref<fd::Notification>& notification) {
  // The editor can change titles before the bar has hidden them once; the pages must still
  // follow.
  if (!isHiddenAllItem_ && tmpPageViewDic_.empty()) setupTmpPageViewDic();
  rt::String deleted = titleOf(notification);
  if (!deleted.isEmpty()) {
    auto it = tmpPageViewDic_.find(deleted);
    if (it != tmpPageViewDic_.end()) {
      it->second->setHidden(true);
      tmpPageViewDic_.erase(it);
    }
  }
  auto pages = rootScrollView_.lock();
  if (!pages) return;
  pages->setContentSize({static_cast<double>(tmpKeys_.size()) * pages->bounds().size.width, 0});
  std::vector<Ref<ui::View>> ordered;
  for (const auto& title : tmpKeys_) {
    auto it = tmpPageViewDic_.find(title);
    if (it != tmpPageViewDic_.end()) ordered.push_back(it->second);
  }
  pages->setPageViews(std::move(ordered));
  pages->reloadPageViews();
}

void CBScrollNavBar::updateTitles(const Ref<fd::Notification>& notification) {
  updatePageView(notification);
  layoutButtons();
}

void CBScrollNavBar::moveToSelectedItemAfterDelet(const Ref<fd::Notification>& notification) {
  auto it = itemsDic_.find(titleOf(notification));
  buttonClick(it == itemsDic_.end() ? nullptr : it->second);
}

void CBScrollNavBar::moveToTopAfterDelet(const Ref<fd::Notification>&) {
  Weak<CBScrollNavBar> weak = std::static_pointer_cast<CBScrollNavBar>(self());
  dispatch::mainQueue()->after(0.03, [weak] {
    if (auto bar = weak.lock()) bar->buttonClick(bar->getItemWithIndex(0));
  });
}

// ---- the page container's scrolling

void CBScrollNavBar::scrollViewDidScroll(ui::ScrollView& s) {
  changeButtonFontWithOffset(s.contentOffset().x, s.bounds().size.width);
}

void CBScrollNavBar::scrollViewWillEndDragging(ui::ScrollView& s, gfx::Point, gfx::Point* targetContentOffset) {
  double w = static_cast<const ui::View&>(s).frame().size.width;
  if (w <= 0 || !targetContentOffset || tmpKeys_.empty()) return;
  auto index = static_cast<int64_t>(targetContentOffset->x / w);
  setSelectItemWithIndex(std::clamp<int64_t>(index, 0, static_cast<int64_t>(tmpKeys_.size()) - 1));
}

}  // namespace widgets
