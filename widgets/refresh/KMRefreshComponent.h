#pragma once
// The base of every pull-to-refresh header and footer: a strip view that, once added to a scroll
// view, observes its content offset, content size and pan state, keeps the refresh state and
// delivers the refreshing callback (always later, from the main queue). Main thread only.
// The scroll view owns the component as a subview; the component only names it weakly.
#include <functional>

#include "platform/runtime/Object.h"
#include "platform/ui/input/PanGestureRecognizer.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/view/View.h"
#include "widgets/refresh/KMRefreshConst.h"

namespace widgets {

class KMRefreshComponent : public ui::View {
  RT_CLASS(KMRefreshComponent, ui::View)
 public:
  using RefreshingBlock = std::function<void()>;

  void init() { init(gfx::RectZero); }
  /// The platform's initialiser, then `prepare`, then state `idle`.
  void init(gfx::Rect frame);
  ~KMRefreshComponent() override;

  const RefreshingBlock& refreshingBlock() const { return refreshingBlock_; }
  void setRefreshingBlock(RefreshingBlock block) { refreshingBlock_ = std::move(block); }
  Ref<rt::Object> refreshingTarget() const { return refreshingTarget_.lock(); }
  void setRefreshingTarget(const Ref<rt::Object>& target) { refreshingTarget_ = target; }
  rt::Selector refreshingAction() const { return refreshingAction_; }
  void setRefreshingAction(rt::Selector action) { refreshingAction_ = action; }
  /// The action is sent with the component as its one argument.
  void setRefreshingTarget(const Ref<rt::Object>& target, rt::Selector action);

  KMRefreshComponentState state() const { return state_; }
  /// Overrides return at once on an unchanged state, call up first, then act on (new, old).
  virtual void setState(KMRefreshComponentState state) { state_ = state; }

  /// The scroll view's content inset when the component was attached (re-read by headers and
  /// back footers while they follow the pull).
  gfx::EdgeInsets scrollViewOriginalInset() const { return scrollViewOriginalInset_; }
  /// The scroll view joined last; it keeps naming it after the component is removed.
  Ref<ui::ScrollView> scrollView() const { return scrollView_.lock(); }

  double pullingPercent() const { return pullingPercent_; }
  virtual void setPullingPercent(double percent);
  bool isAutomaticallyChangeAlpha() const { return automaticallyChangeAlpha_; }
  void setAutomaticallyChangeAlpha(bool on);
  bool isAutoChangeAlpha() const { return isAutomaticallyChangeAlpha(); }
  void setAutoChangeAlpha(bool on) { setAutomaticallyChangeAlpha(on); }

  virtual void beginRefreshing();
  virtual void endRefreshing();
  bool isRefreshing() const;

  // ---- view overrides
  void layoutSubviews() override;
  void willMoveToSuperview(ui::View* newSuperview) override;
  void drawRect(gfx::Rect rect) override;
  void observeValueForKeyPath(const rt::String& keyPath, rt::Object* object, const rt::KeyValueChange& change,
                              void* context) override;

  /// The registered pan recogniser while observed (null otherwise).
  const Ref<ui::PanGestureRecognizer>& pan() const { return pan_; }

 protected:
  /// Defaults: flexible width, clear background. Subclasses add theirs after calling up.
  virtual void prepare();
  /// Positions subviews after every layout; nothing in the base.
  virtual void placeSubviews() {}
  // The observed changes; `change` carries old and new values (null when called directly).
  virtual void scrollViewContentOffsetDidChange(const rt::KeyValueChange* change) { (void)change; }
  virtual void scrollViewContentSizeDidChange(const rt::KeyValueChange* change) { (void)change; }
  virtual void scrollViewPanStateDidChange(const rt::KeyValueChange* change) { (void)change; }
  /// Queues the block and then the target's action on the main queue; the task keeps the
  /// component alive until it runs.
  void executeRefreshingCallback();

  void addObservers();
  void removeObservers();
  void setScrollViewOriginalInset(gfx::EdgeInsets inset) { scrollViewOriginalInset_ = inset; }

 private:
  RefreshingBlock refreshingBlock_;
  Weak<rt::Object> refreshingTarget_;
  rt::Selector refreshingAction_;
  KMRefreshComponentState state_ = KMRefreshComponentState(0);  // none until init
  gfx::EdgeInsets scrollViewOriginalInset_;
  Weak<ui::ScrollView> scrollView_;
  double pullingPercent_ = 0;
  bool automaticallyChangeAlpha_ = false;
  Ref<ui::PanGestureRecognizer> pan_;
  // Where the offset and size registrations were made: only those are removed.
  Weak<ui::ScrollView> observed_;
};

}  // namespace widgets
