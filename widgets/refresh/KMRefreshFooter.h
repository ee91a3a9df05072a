#pragma once
// The base of every footer: its height, factories, the no-more-data state and hiding itself
// while the table or collection view it belongs to is empty. A footer installs the list's
// reload-data block while attached and takes it away when it leaves, so that a footer that
// was removed never acts on the list again.
#include "widgets/refresh/KMRefreshComponent.h"

namespace widgets {

class KMRefreshFooter : public KMRefreshComponent {
  RT_CLASS(KMRefreshFooter, KMRefreshComponent)
 public:
  template <class T = KMRefreshFooter> static Ref<T> footerWithRefreshingBlock(RefreshingBlock block) {
    auto footer = rt::make<T>();
    footer->setRefreshingBlock(std::move(block));
    return footer;
  }
  template <class T = KMRefreshFooter>
  static Ref<T> footerWithRefreshingTarget(const Ref<rt::Object>& target, rt::Selector action) {
    auto footer = rt::make<T>();
    footer->setRefreshingTarget(target, action);
    return footer;
  }

  double ignoredScrollViewContentInsetBottom() const { return ignoredScrollViewContentInsetBottom_; }
  void setIgnoredScrollViewContentInsetBottom(double v) { ignoredScrollViewContentInsetBottom_ = v; }
  bool isAutomaticallyHidden() const { return automaticallyHidden_; }
  void setAutomaticallyHidden(bool on) { automaticallyHidden_ = on; }

  void endRefreshingWithNoMoreData() { setState(KMRefreshComponentState::noMoreData); }
  virtual void noticeNoMoreData() { endRefreshingWithNoMoreData(); }
  void resetNoMoreData() { setState(KMRefreshComponentState::idle); }

  void willMoveToSuperview(ui::View* newSuperview) override;

 protected:
  void prepare() override;
  /// True while the footer is a subview of the scroll view it names.
  bool isAttached() const;

 private:
  double ignoredScrollViewContentInsetBottom_ = 0;
  bool automaticallyHidden_ = true;
};

}  // namespace widgets
