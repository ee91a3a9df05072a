#pragma once
// View controllers: own a view tree loaded on first use, hear when it appears and disappears
// (will/did appear, will/did disappear, in the platform's order), present other controllers
// modally (sliding up from the bottom) and hold child controllers. They answer the status bar
// style and orientations the screen wants, and how far bars overlap their view.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ui/host/Application.h"
#include "platform/ui/controllers/NavigationItem.h"
#include "platform/ui/controllers/TabBarItem.h"
#include "platform/ui/layout/LayoutGuide.h"
#include "platform/ui/view/View.h"

namespace ui {

class NavigationController;
class TabBarController;

enum InterfaceOrientationMask : uint64_t {
  InterfaceOrientationMaskPortrait = 1 << 1,
  InterfaceOrientationMaskPortraitUpsideDown = 1 << 2,
  InterfaceOrientationMaskLandscapeRight = 1 << 3,
  InterfaceOrientationMaskLandscapeLeft = 1 << 4,
  InterfaceOrientationMaskLandscape = (1 << 3) | (1 << 4),
  InterfaceOrientationMaskAll = (1 << 1) | (1 << 2) | (1 << 3) | (1 << 4),
  InterfaceOrientationMaskAllButUpsideDown = (1 << 1) | (1 << 3) | (1 << 4),
};

enum RectEdge : uint64_t {
  RectEdgeNone = 0, RectEdgeTop = 1 << 0, RectEdgeLeft = 1 << 1, RectEdgeBottom = 1 << 2, RectEdgeRight = 1 << 3,
  RectEdgeAll = 0xF,
};

/// Where a controller stands in its appearance cycle.
enum class AppearanceState { Disappeared, Appearing, Appeared, Disappearing };

class ViewController : public Responder, public ViewLayoutObserver {
  RT_CLASS_NAMED(ViewController, Responder, "UIViewController")
 public:
  using Completion = std::function<void()>;

  void init() {}
  ~ViewController() override;

  // ---- the view
  /// Loads the view on first access: `loadView`, then `viewDidLoad`.
  Ref<View> view();
  void setView(const Ref<View>& view);
  bool isViewLoaded() const { return view_ != nullptr; }
  /// Makes the view; the default is a plain view the size of the screen.
  virtual void loadView();
  virtual void viewDidLoad() {}

  // ---- appearance callbacks (overrides call up)
  virtual void viewWillAppear(bool animated) { (void)animated; }
  virtual void viewDidAppear(bool animated) { (void)animated; }
  virtual void viewWillDisappear(bool animated) { (void)animated; }
  virtual void viewDidDisappear(bool animated) { (void)animated; }
  /// Called around every layout pass of the view (and only then).
  virtual void viewWillLayoutSubviews() {}
  virtual void viewDidLayoutSubviews() {}
  AppearanceState appearanceState() const { return appearance_; }
  /// Drives the callbacks: `appearing` true sends will-appear, false will-disappear; `end`
  /// sends the matching did-callback. Repeated calls in the same direction are ignored.
  /// Shown children follow their parent.
  void beginAppearanceTransition(bool appearing, bool animated);
  void endAppearanceTransition();

  // ---- titles and items
  rt::String title() const { return title_; }
  /// Also the title of the navigation item and of the tab bar item.
  virtual void setTitle(const rt::String& title);
  Ref<NavigationItem> navigationItem();
  Ref<TabBarItem> tabBarItem();
  void setTabBarItem(const Ref<TabBarItem>& item) { tabBarItem_ = item; }

  // ---- containment
  Ref<ViewController> parentViewController() const { return parent_.lock(); }
  const std::vector<Ref<ViewController>>& childViewControllers() const { return children_; }
  /// Adds a child (removing it from a former parent); the caller adds its view and then
  /// calls the child's `didMoveToParentViewController`.
  void addChildViewController(const Ref<ViewController>& child);
  void removeFromParentViewController();
  virtual void willMoveToParentViewController(ViewController* parent) { (void)parent; }
  virtual void didMoveToParentViewController(ViewController* parent) { (void)parent; }
  /// The nearest navigation / tab bar controller among the ancestors (or presenters).
  Ref<NavigationController> navigationController() const;
  Ref<TabBarController> tabBarController() const;

  // ---- modal presentation: full screen, sliding up from the bottom when animated
  void presentViewController(const Ref<ViewController>& controller, bool animated, Completion completion = nullptr);
  /// Dismisses what the receiver presented (and everything above it), or the receiver itself
  /// when it presents nothing.
  void dismissViewControllerAnimated(bool animated, Completion completion = nullptr);
  Ref<ViewController> presentedViewController() const;
  /// True for controllers shown over the screen that presents them (alerts): that screen stays
  /// in the window beneath, and they come and go without sliding.
  virtual bool presentsOverPresenter() const { return false; }
  Ref<ViewController> presentingViewController() const;
  bool isBeingPresented() const { return beingPresented_; }
  bool isBeingDismissed() const { return beingDismissed_; }
  bool modalPresentationCapturesStatusBarAppearance() const { return capturesStatusBar_; }
  void setModalPresentationCapturesStatusBarAppearance(bool on) { capturesStatusBar_ = on; }
  static constexpr double kPresentationDuration = 0.3;

  // ---- status bar
  virtual StatusBarStyle preferredStatusBarStyle() const { return StatusBarStyle::Default; }
  virtual bool prefersStatusBarHidden() const { return false; }
  virtual StatusBarAnimation preferredStatusBarUpdateAnimation() const { return StatusBarAnimation::Fade; }
  /// The child whose preferences stand for the receiver's; null: its own.
  virtual Ref<ViewController> childViewControllerForStatusBarStyle() const { return nullptr; }
  virtual Ref<ViewController> childViewControllerForStatusBarHidden() const { return nullptr; }
  /// Asks the screen's status bar to follow the preferences again: the controller that
  /// decides is found from the key window's root through full-screen presentations.
  void setNeedsStatusBarAppearanceUpdate();
  /// Applies the preferences of the controller in charge below `window`'s root.
  static void updateStatusBarAppearance(const Ref<Window>& window);

  // ---- orientation
  virtual bool shouldAutorotate() const { return true; }
  virtual uint64_t supportedInterfaceOrientations() const { return InterfaceOrientationMaskPortrait; }
  virtual InterfaceOrientation preferredInterfaceOrientationForPresentation() const {
    return InterfaceOrientation::Portrait;
  }

  // ---- layout
  uint64_t edgesForExtendedLayout() const { return edges_; }
  void setEdgesForExtendedLayout(uint64_t edges) { edges_ = edges; }
  /// How far the status bar and a navigation bar overlap the top of the view, and a tab bar
  /// its bottom (points; 0 when nothing does).
  double topLayoutGuideLength();
  double bottomLayoutGuideLength();
  /// Constraint items along the top and bottom of the view, as long as the lengths above.
  Ref<LayoutGuide> topLayoutGuide();
  Ref<LayoutGuide> bottomLayoutGuide();
  /// When on (the default), a scroll view that is the view or its first subview gets the
  /// bars' overlap added to its content and indicator insets at each layout.
  bool automaticallyAdjustsScrollViewInsets() const { return adjustsInsets_; }
  void setAutomaticallyAdjustsScrollViewInsets(bool on) { adjustsInsets_ = on; }
  /// Pushed onto a navigation stack, the controller hides the tab bar while it shows.
  bool hidesBottomBarWhenPushed() const { return hidesBottomBar_; }
  void setHidesBottomBarWhenPushed(bool on) { hidesBottomBar_ = on; }

  // ---- the view's layout pass
  void viewLayoutWillBegin() final;
  void viewLayoutDidEnd() final;

  Ref<Responder> nextResponder() const override;

 protected:
  /// The children whose appearance follows the receiver's (default: those whose views are in
  /// the receiver's view).
  virtual std::vector<Ref<ViewController>> childrenForAppearance();
  /// Runs when the view was loaded (containers build their views here).
  void loadViewIfNeeded() { (void)view(); }

 private:
  Ref<ViewController> rootAncestor();
  void adjustScrollViewInsets();
  void finishPresentation(const Ref<ViewController>& presented, Completion completion, bool animated);
  void finishDismissal(std::vector<Ref<ViewController>> chain, Completion completion, bool animated);

  Ref<View> view_;
  Ref<LayoutGuide> topGuide_;
  Ref<LayoutGuide> bottomGuide_;
  rt::String title_;
  Ref<NavigationItem> navigationItem_;
  Ref<TabBarItem> tabBarItem_;
  Weak<ViewController> parent_;
  std::vector<Ref<ViewController>> children_;
  Ref<ViewController> presented_;
  Weak<ViewController> presenting_;
  // The presenter's view leaves the window while it is covered; this is where it goes back.
  Weak<View> coveredSuperview_;
  size_t coveredIndex_ = 0;
  AppearanceState appearance_ = AppearanceState::Disappeared;
  bool transitionAnimated_ = false;
  bool inViewLoad_ = false;
  uint64_t edges_ = RectEdgeAll;
  bool adjustsInsets_ = true;
  bool hidesBottomBar_ = false;
  gfx::EdgeInsets addedInsets_;  // what the last adjustment added to the scroll view's insets
  bool capturesStatusBar_ = false;
  bool beingPresented_ = false;
  bool beingDismissed_ = false;
};

}  // namespace ui
