#include "widgets/channels/CBSortItemView.h"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/ui/view/ViewAnimation.h"
#include "platform/foundation/values/Dictionary.h"
#include "widgets/channels/CBNotificationNames.h"

namespace widgets {

RT_IMPLEMENT(CBSortItemView) {
  c.property("isScareing", &CBSortItemView::isScareing);
  c.property("isMoving", &CBSortItemView::isMoving);
}

namespace {

int64_t indexOf(const std::vector<rt::String>& keys, const rt::String& title) {
  auto it = std::find(keys.begin(), keys.end(), title);
  return it == keys.end() ? -1 : static_cast<int64_t>(it - keys.begin());
}

}  // namespace

void CBSortItemView::init() {
  ui::View::init();
  setup();
}

void CBSortItemView::setup() {
  Weak<CBSortItemView> weak = std::static_pointer_cast<CBSortItemView>(self());
  longPress_ = rt::make<ui::LongPressGestureRecognizer>(self(), [weak](ui::GestureRecognizer& g) {
    if (auto editor = weak.lock()) editor->longPress(g);
  });
  longPress_->setMinimumPressDuration(1.0);
  addGestureRecognizer(longPress_);
  tmpRect_ = oldItemFrame_;
}

// ---- titles

const Ref<CBItemManager>& CBSortItemView::itemManager() {
  if (!itemManager_) itemManager_ = rt::make<CBItemManager>();
  return itemManager_;
}

void CBSortItemView::post(const char* name, const rt::String& title) {
  Ref<fd::MutableDictionary> info;
  if (!title.isEmpty()) {
    info = fd::MutableDictionary::dictionaryWithCapacity(1);
    info->setObjectForKey(fd::StringObject::create(title), rt::String(CBNotificationTitleKey));
  }
  fd::NotificationCenter::defaultCenter()->post(rt::String(name), self(), info);
}

void CBSortItemView::setItemKeys(std::vector<rt::String> keys) {
  itemKeys_ = std::move(keys);
  if (!isSetItemkey_) {
    setupPositionViewsAndItemsWithKeys(itemKeys_);
    isSetItemkey_ = true;
  }
  setNeedsLayout();
}

const std::vector<rt::String>& CBSortItemView::tmpKeys() {
  if (!tmpKeysMade_) {
    tmpKeys_ = itemKeys_;
    tmpKeysMade_ = true;
  }
  return tmpKeys_;
}

void CBSortItemView::setupPositionViewsAndItemsWithKeys(const std::vector<rt::String>& keys) {
  setUserInteractionEnabled(true);
  for (size_t i = 0; i < keys.size(); ++i) {
    auto tile = rt::make<ui::View>();
    tile->setBackgroundColor(gfx::Color::colorWithWhite(0, 0.4));
    tile->layer()->setCornerRadius(5);
    positionViews_.push_back(tile);
    addSubview(tile);
  }
  Weak<CBSortItemView> weak = std::static_pointer_cast<CBSortItemView>(self());
  for (size_t i = 0; i < keys.size(); ++i) {
    auto button = rt::make<CBSortButton>();
    button->setTag(static_cast<int64_t>(i));
    button->addTarget(self(),
                      [weak](ui::Control& sender, ui::Event*) {
                        if (auto editor = weak.lock())
                          editor->itemClick(std::static_pointer_cast<CBSortButton>(sender.self()));
                      },
                      ui::ControlEventTouchUpInside);
    button->setTitle(keys[i], ui::ControlStateNormal);
    itemsDic_[keys[i]] = button;
    addSubview(button);
  }
}

void CBSortItemView::setSelectButtonTitle(const rt::String& title) {
  selectButtonTitle_ = title;
  for (auto& [key, button] : itemsDic_) button->setTitleColor(gfx::Color::whiteColor(), ui::ControlStateNormal);
  if (auto button = getSortButtonWithTitle(title)) button->setTitleColor(gfx::Color::redColor(), ui::ControlStateNormal);
}

Ref<CBSortButton> CBSortItemView::getSortButtonWithTitle(const rt::String& title) const {
  auto it = itemsDic_.find(title);
  return it == itemsDic_.end() ? nullptr : it->second;
}

Ref<CBSortButton> CBSortItemView::getSortButtonWithKeyIndex(int64_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= itemKeys_.size()) return nullptr;
  return getSortButtonWithTitle(itemKeys_[static_cast<size_t>(index)]);
}

std::vector<Ref<CBSortButton>> CBSortItemView::buttonsInOrder() {
  std::vector<Ref<CBSortButton>> out;
  for (const auto& title : tmpKeys())
    if (auto button = getSortButtonWithTitle(title)) out.push_back(button);
  return out;
}

// ---- layout

gfx::Rect CBSortItemView::gridFrame(size_t index, double width) {
  double column = static_cast<double>(index % 4), row = static_cast<double>(index / 4);
  double gap = (width - 200) / 5;
  return gfx::RectMake(column * 50 + gap * (column + 1), 55 * row + 135, 50, 30);
}

void CBSortItemView::layoutSubviews() {
  double w = bounds().size.width;
  for (size_t k = 0; k < itemKeys_.size(); ++k) {
    gfx::Rect frame = gridFrame(k, w);
    if (auto button = getSortButtonWithTitle(itemKeys_[k])) button->setFrame(frame);
    if (k < positionViews_.size()) positionViews_[k]->setFrame(frame);
  }
}

// ---- delete mode

void CBSortItemView::itemsScare() {
  scareing_ = true;
  for (auto& [title, button] : itemsDic_) button->itemShakeWithItem();
}

void CBSortItemView::itemsStopScare() {
  scareing_ = false;
  for (auto& [title, button] : itemsDic_) button->itemStopWithItem();
}

void CBSortItemView::itemClick(const Ref<CBSortButton>& button) {
  if (!button) return;
  if (button->isScareing()) {
    layoutItemsAfterDeletItem(button);
  } else {
    button->itemlittleScare();
  }
}

void CBSortItemView::layoutItemsAfterDeletItem(const Ref<CBSortButton>& button) {
  tmpKeys();
  if (!button || tmpKeys_.size() <= 1) return;
  rt::String title = button->titleForState(ui::ControlStateNormal);
  int64_t d = indexOf(tmpKeys_, title);
  if (d < 0) return;
  auto n = static_cast<int64_t>(tmpKeys_.size());
  // The buttons after the gap close it one after another.
  for (int64_t k = d; k < n - 1; ++k) {
    Weak<CBSortButton> next = getSortButtonWithTitle(tmpKeys_[static_cast<size_t>(k + 1)]);
    Weak<ui::View> tile = static_cast<size_t>(k) < positionViews_.size() ? positionViews_[static_cast<size_t>(k)]
                                                                        : nullptr;
    dispatch::mainQueue()->after(static_cast<double>(k) * kDeleteStagger, [next, tile] {
      auto b = next.lock();
      auto t = tile.lock();
      if (!b || !t) return;
      gfx::Rect frame = t->frame();
      ui::ViewAnimation::animate(kMoveDuration, [b, frame] { b->setFrame(frame); });
    });
  }
  Ref<ui::View> lastTile = positionViews_.empty() ? nullptr : positionViews_.back();
  ui::ViewAnimation::animate(
      kMoveDuration,
      [button, lastTile] {
        button->setAlpha(0);
        if (lastTile) lastTile->setAlpha(0);
      },
      [button, lastTile](bool) {
        button->setHidden(true);
        if (lastTile) lastTile->setHidden(true);
      });
  tmpKeys_.erase(tmpKeys_.begin() + d);
  if (!positionViews_.empty()) positionViews_.pop_back();
  itemsDic_.erase(title);
  itemManager()->setItemTitles(tmpKeys_);
  post(CBScrollNavBarUpdateNotification, title);
  if (title == selectButtonTitle_) {
    post(CBMoveToTopNotification, title);
    if (!itemKeys_.empty()) setSelectButtonTitle(itemKeys_.front());
  } else {
    post(CBMoveToSelectedItemNotification, selectButtonTitle_);
  }
}

// ---- drag to reorder

void CBSortItemView::longPress(ui::GestureRecognizer& recognizer) {
  if (scareing_) return;
  gfx::Point location = recognizer.locationInView(recognizer.view().get());
  switch (recognizer.state()) {
    case ui::GestureRecognizerState::Began: {
      // A press on no button drags nothing (not the button dragged last time).
      selectButton_.reset();
      for (const auto& button : buttonsInOrder()) {
        if (!gfx::RectContainsPoint(button->frame(), location)) continue;
        button->itemShake();
        selectButton_ = button;
        oldItemFrame_ = button->frame();
        tmpRect_ = oldItemFrame_;
        ui::ViewAnimation::animate(kMoveDuration, [button, location] { button->setCenter(location); });
        break;
      }
      break;
    }
    case ui::GestureRecognizerState::Changed: {
      auto dragged = selectButton_.lock();
      if (!dragged) {
        tmpRect_ = oldItemFrame_;
        return;
      }
      dragged->setCenter(location);
      if (moving_) return;
      for (const auto& button : buttonsInOrder()) {
        otherButton_ = button;
        if (button != dragged && gfx::RectContainsPoint(dragged->frame(), button->center())) {
          moving_ = true;
          int64_t i = indexOf(tmpKeys_, dragged->titleForState(ui::ControlStateNormal));
          int64_t j = indexOf(tmpKeys_, button->titleForState(ui::ControlStateNormal));
          tmpRect_ = button->frame();
          animationBetweenSelectItemIndex(i, j);
          oldItemFrame_ = tmpRect_;
          break;
        }
        tmpRect_ = oldItemFrame_;
      }
      break;
    }
    case ui::GestureRecognizerState::Ended:
    case ui::GestureRecognizerState::Cancelled:  // a lost touch must not leave a button mid-air
      finishDrag();
      break;
    default:
      break;
  }
}

void CBSortItemView::finishDrag() {
  auto dragged = selectButton_.lock();
  if (!dragged) return;
  gfx::Rect place = tmpRect_;
  ui::ViewAnimation::animate(kMoveDuration, [dragged, place] { dragged->setFrame(place); });
  dragged->itemStop();
  auto manager = itemManager();
  manager->setItemTitles(tmpKeys());
  manager->printTitles();
  post(CBScrollNavBarUpdateNotification, rt::String());
  post(CBMoveToSelectedItemNotification, selectButtonTitle_);
}

void CBSortItemView::animationBetweenSelectItemIndex(int64_t i, int64_t j) {
  tmpKeys();
  auto n = static_cast<int64_t>(tmpKeys_.size());
  if (i < 0 || j < 0 || i >= n || j >= n || i == j) {
    moving_ = false;
    return;
  }
  Weak<CBSortItemView> weak = std::static_pointer_cast<CBSortItemView>(self());
  auto clearMoving = [weak](bool) {
    if (auto editor = weak.lock()) editor->moving_ = false;
  };
  auto tileFrame = [this](int64_t k) {
    return static_cast<size_t>(k) < positionViews_.size() ? positionViews_[static_cast<size_t>(k)]->frame()
                                                         : gridFrame(static_cast<size_t>(k), bounds().size.width);
  };
  auto move = [](const Ref<CBSortButton>& button, gfx::Rect frame, ui::ViewAnimation::Completion done) {
    ui::ViewAnimation::animate(kMoveDuration, [button, frame] {
      if (button) button->setFrame(frame);
    }, std::move(done));
  };
  if (i < j) {
    for (int64_t k = i + 1; k <= j; ++k)
      move(getSortButtonWithTitle(tmpKeys_[static_cast<size_t>(k)]), tileFrame(k - 1),
           k == j ? ui::ViewAnimation::Completion(clearMoving) : nullptr);
  } else {
    for (int64_t k = j; k < i; ++k) fd::NSLog("%@", tmpKeys_[static_cast<size_t>(k)]);
    for (int64_t k = i - 1; k >= j; --k)
      move(getSortButtonWithTitle(tmpKeys_[static_cast<size_t>(k)]), tileFrame(k + 1),
           k == j ? ui::ViewAnimation::Completion(clearMoving) : nullptr);
  }
  rt::String dragged = tmpKeys_[static_cast<size_t>(i)];
  tmpKeys_.erase(tmpKeys_.begin() + i);
  tmpKeys_.insert(tmpKeys_.begin() + j, dragged);
}

}  // namespace widgets
