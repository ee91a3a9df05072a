#include "widgets/refresh/KMRefreshFooter.h"

#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/lists/TableView.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshFooter) {
  c.property("ignoredScrollViewContentInsetBottom", &KMRefreshFooter::ignoredScrollViewContentInsetBottom,
             &KMRefreshFooter::setIgnoredScrollViewContentInsetBottom);
  c.property("automaticallyHidden", &KMRefreshFooter::isAutomaticallyHidden, &KMRefreshFooter::setAutomaticallyHidden)
      .getterName("isAutomaticallyHidden");
}

namespace {
// The footer whose block a list holds: the block names its footer so that only that footer
// takes it away again.
const char kBlockOwnerKey = 'o';
}  // namespace

void KMRefreshFooter::prepare() {
  KMRefreshComponent::prepare();
  setKm_h(*this, KMRefreshFooterHeight);
  setAutomaticallyHidden(true);
}

bool KMRefreshFooter::isAttached() const {
  auto scroll = scrollView();
  return scroll && superview() == scroll;
}

void KMRefreshFooter::willMoveToSuperview(ui::View* newSuperview) {
  auto left = scrollView();
  KMRefreshComponent::willMoveToSuperview(newSuperview);
  if (!newSuperview) {
    // Leaving: a block left behind would hide and show this footer on later reloads and take
    // its height from the list's inset a second time.
    if (left && left->associatedObject(&kBlockOwnerKey).get() == this) {
      setKm_reloadDataBlock(*left, nullptr);
      left->setAssociatedObject(&kBlockOwnerKey, nullptr, rt::AssociationPolicy::Weak);
    }
    return;
  }
  auto scroll = scrollView();
  if (!scroll || scroll.get() != newSuperview) return;
  if (!dynamic_cast<ui::TableView*>(scroll.get()) && !dynamic_cast<ui::CollectionView*>(scroll.get())) return;
  Weak<KMRefreshFooter> weak = std::static_pointer_cast<KMRefreshFooter>(self());
  setKm_reloadDataBlock(*scroll, [weak](int64_t totalDataCount) {
    auto footer = weak.lock();
    if (!footer || !footer->isAutomaticallyHidden()) return;
    footer->setHidden(totalDataCount == 0);
  });
  scroll->setAssociatedObject(&kBlockOwnerKey, self(), rt::AssociationPolicy::Weak);
}

}  // namespace widgets
