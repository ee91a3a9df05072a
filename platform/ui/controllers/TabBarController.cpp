#include "platform/ui/controllers/TabBarController.h"

#include <algorithm>

#include "platform/runtime/Exception.h"
#include "platform/ui/view/Screen.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TabBarController) {
  c.property("selectedIndex", &TabBarController::selectedIndex, &TabBarController::setSelectedIndex);
}

TabBarController::~TabBarController() = default;

const Ref<TabBar>& TabBarController::tabBar() {
  if (!tabBar_) {
    tabBar_ = rt::make<TabBar>();
    Weak<rt::Object> weak = self();
    tabBar_->setSelectionHandler([weak](TabBarItem& item) {
      if (auto tabs = rt::as<TabBarController>(weak.lock())) tabs->tapped(item);
    });
    std::vector<Ref<TabBarItem>> items;
    for (auto& vc : tabs_) items.push_back(vc->tabBarItem());
    tabBar_->setItems(items);
    if (!tabs_.empty()) tabBar_->setSelectedItem(tabs_[selected_]->tabBarItem());
  }
  return tabBar_;
}

void TabBarController::loadView() {
  auto v = rt::make<View>(Screen::mainScreen()->bounds());
  setView(v);
  auto bar = tabBar();
  gfx::Size s = v->bounds().size;
  bar->setFrame({{0, s.height - TabBar::kHeight}, {s.width, TabBar::kHeight}});
  bar->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleTopMargin);
  v->addSubview(bar);
  if (auto vc = selectedViewController()) {
    auto cv = vc->view();
    cv->setFrame(childFrame(*vc));
    cv->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
    v->insertSubviewBelow(cv, bar.get());
  }
}

gfx::Rect TabBarController::childFrame(ViewController& vc) {
  gfx::Rect f = view()->bounds();
  if (!(vc.edgesForExtendedLayout() & RectEdgeBottom) && !tabBar()->isHidden())
    f.size.height = std::max(0.0, f.size.height - TabBar::kHeight);
  return f;
}

std::vector<Ref<ViewController>> TabBarController::childrenForAppearance() {
  std::vector<Ref<ViewController>> shown;
  if (auto vc = selectedViewController()) shown.push_back(vc);
  return shown;
}

void TabBarController::setViewControllers(const std::vector<Ref<ViewController>>& controllers, bool animated) {
  (void)animated;
  for (size_t i = 0; i < controllers.size(); ++i)
    if (!controllers[i] || std::count(controllers.begin(), controllers.end(), controllers[i]) > 1)
      rt::raise("NSInvalidArgumentException", "The view controllers of a tab bar controller must be distinct and non-nil.");
  auto old = selectedViewController();
  bool shown = isViewLoaded() && (appearanceState() == AppearanceState::Appeared ||
                                  appearanceState() == AppearanceState::Appearing);
  auto oldTabs = tabs_;
  tabs_ = controllers;
  // The selection stays on the same controller when it is still there.
  auto at = std::find(tabs_.begin(), tabs_.end(), old);
  selected_ = at == tabs_.end() ? 0 : static_cast<size_t>(at - tabs_.begin());
  auto now = selectedViewController();
  if (old && old != now && shown) old->beginAppearanceTransition(false, false);
  if (old && old != now && old->isViewLoaded() && isViewLoaded() && old->view()->superview() == view())
    old->view()->removeFromSuperview();
  if (old && old != now && shown) old->endAppearanceTransition();
  for (auto& vc : oldTabs)
    if (std::find(tabs_.begin(), tabs_.end(), vc) == tabs_.end()) {
      vc->willMoveToParentViewController(nullptr);
      vc->removeFromParentViewController();
    }
  for (auto& vc : tabs_) {
    if (vc->parentViewController().get() == this) continue;
    addChildViewController(vc);
    vc->didMoveToParentViewController(this);
  }
  if (tabBar_) {
    std::vector<Ref<TabBarItem>> items;
    for (auto& vc : tabs_) items.push_back(vc->tabBarItem());
    tabBar_->setItems(items);
    tabBar_->setSelectedItem(now ? now->tabBarItem() : nullptr);
  }
  if (now && now != old && isViewLoaded()) {
    auto cv = now->view();
    cv->setFrame(childFrame(*now));
    cv->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
    view()->insertSubviewBelow(cv, tabBar().get());
    if (shown) {
      now->beginAppearanceTransition(true, false);
      now->endAppearanceTransition();
    }
  }
}

void TabBarController::setSelectedIndex(int64_t index) {
  if (index < 0 || static_cast<size_t>(index) >= tabs_.size()) return;
  show(static_cast<size_t>(index));
}

void TabBarController::setSelectedViewController(const Ref<ViewController>& controller) {
  auto at = std::find(tabs_.begin(), tabs_.end(), controller);
  if (at == tabs_.end())
    rt::raise("NSRangeException",
              "Only a view controller in the tab bar controller's list of view controllers can be selected.");
  show(static_cast<size_t>(at - tabs_.begin()));
}

void TabBarController::show(size_t index) {
  if (index == selected_ || index >= tabs_.size()) return;
  auto from = tabs_[selected_], to = tabs_[index];
  selected_ = index;
  if (tabBar_) tabBar_->setSelectedItem(to->tabBarItem());
  if (!isViewLoaded()) return;
  bool shown = appearanceState() == AppearanceState::Appeared || appearanceState() == AppearanceState::Appearing;
  auto tv = to->view();
  tv->setFrame(childFrame(*to));
  tv->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  if (shown) {
    from->beginAppearanceTransition(false, false);
    to->beginAppearanceTransition(true, false);
  }
  if (from->isViewLoaded() && from->view()->superview() == view()) from->view()->removeFromSuperview();
  view()->insertSubviewBelow(tv, tabBar().get());
  if (shown) {
    from->endAppearanceTransition();
    to->endAppearanceTransition();
    setNeedsStatusBarAppearanceUpdate();
  }
}

void TabBarController::tapped(TabBarItem& item) {
  auto at = std::find_if(tabs_.begin(), tabs_.end(), [&](auto& vc) { return vc->tabBarItem().get() == &item; });
  if (at == tabs_.end()) return;
  auto vc = *at;
  auto d = delegate_.lock();
  if (d) {
    if (auto answer = d->shouldSelectViewController(*this, *vc); answer && !*answer) return;
  }
  show(static_cast<size_t>(at - tabs_.begin()));
  if (d) d->didSelectViewController(*this, *vc);
}

}  // namespace ui
