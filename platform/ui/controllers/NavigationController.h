#pragma once
// Navigation controllers: a stack of controllers of which the top one is shown under a
// navigation bar. Pushes slide the new screen in from the right and pops slide it back out,
// 0.3 s each when animated; a pan from the left edge pops interactively.
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/controllers/NavigationBar.h"
#include "platform/ui/input/PanGestureRecognizer.h"
#include "platform/ui/controllers/ViewController.h"

namespace ui {

class NavigationController;

/// Every operation is optional; the defaults do nothing.
class NavigationControllerDelegate {
 public:
  virtual ~NavigationControllerDelegate() = default;
  virtual void willShowViewController(NavigationController& nav, ViewController& vc, bool animated) {
    (void)nav; (void)vc; (void)animated;
  }
  virtual void didShowViewController(NavigationController& nav, ViewController& vc, bool animated) {
    (void)nav; (void)vc; (void)animated;
  }
};

class NavigationController : public ViewController {
  RT_CLASS_NAMED(NavigationController, ViewController, "UINavigationController")
 public:
  void init() {}
  void init(const Ref<ViewController>& rootViewController);
  ~NavigationController() override;

  // ---- the stack
  const std::vector<Ref<ViewController>>& viewControllers() const { return stack_; }
  /// Replaces the stack; the new top is shown as by a push (or a pop when it was in the stack).
  void setViewControllers(const std::vector<Ref<ViewController>>& controllers, bool animated = false);
  Ref<ViewController> topViewController() const { return stack_.empty() ? nullptr : stack_.back(); }
  /// What shows: the top controller, or what it presents.
  Ref<ViewController> visibleViewController() const;
  virtual void pushViewController(const Ref<ViewController>& controller, bool animated);
  /// Answers the controller taken off, or null at the root.
  virtual Ref<ViewController> popViewControllerAnimated(bool animated);
  /// Answer the controllers taken off, bottom first.
  std::vector<Ref<ViewController>> popToRootViewControllerAnimated(bool animated);
  std::vector<Ref<ViewController>> popToViewController(const Ref<ViewController>& controller, bool animated);
  static constexpr double kTransitionDuration = 0.3;

  // ---- bar
  const Ref<NavigationBar>& navigationBar();
  bool isNavigationBarHidden() const { return barHidden_; }
  void setNavigationBarHidden(bool hidden, bool animated = false);

  Weak<NavigationControllerDelegate> delegate() const { return delegate_; }
  void setDelegate(Weak<NavigationControllerDelegate> d) { delegate_ = std::move(d); }

  /// Pops by a pan starting at the left edge; it only begins while the bar shows and there
  /// is something to go back to.
  const Ref<PanGestureRecognizer>& interactivePopGestureRecognizer();
  static constexpr double kEdgeWidth = 20;

  /// The top controller's preferences decide the status bar.
  StatusBarStyle preferredStatusBarStyle() const override;
  Ref<ViewController> childViewControllerForStatusBarHidden() const override { return topViewController(); }

  void loadView() override;

 protected:
  std::vector<Ref<ViewController>> childrenForAppearance() override;

 private:
  class EdgePanDelegate;
  // The two screens of an interactive pop in progress.
  struct Interactive {
    Ref<ViewController> from, to;
  };
  /// Shows the (new) top controller after `from` was on top; `leaving` are the controllers
  /// that left the stack and are still children until the transition ends.
  void transition(const Ref<ViewController>& from, bool push, std::vector<Ref<ViewController>> leaving, bool animated);
  void finishPendingTransition();
  gfx::Rect childFrame(ViewController& vc);
  void layoutBar();
  void updateBottomBar();
  void handlePan(PanGestureRecognizer& pan);
  bool isVisible() const;

  std::vector<Ref<ViewController>> stack_;
  Ref<NavigationBar> bar_;
  bool barHidden_ = false;
  Weak<NavigationControllerDelegate> delegate_;
  Ref<PanGestureRecognizer> edgePan_;
  std::shared_ptr<EdgePanDelegate> edgePanDelegate_;
  std::unique_ptr<Interactive> interactive_;
  std::function<void()> pendingFinish_;
  uint64_t transitionToken_ = 0;
  bool hidBottomBar_ = false;  // the tab bar is hidden for a controller that asked
};

}  // namespace ui
