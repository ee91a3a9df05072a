#pragma once
// Tab bar controllers: one controller per tab, the selected one shown above the tab bar; a
// tap on a tab asks the delegate and then switches.
#include <optional>
#include <vector>

#include "platform/ui/controllers/TabBar.h"
#include "platform/ui/controllers/ViewController.h"

namespace ui {

class TabBarController;

/// Every operation is optional: nullopt / no-op means "does not respond".
class TabBarControllerDelegate {
 public:
  virtual ~TabBarControllerDelegate() = default;
  virtual std::optional<bool> shouldSelectViewController(TabBarController& tabs, ViewController& vc) {
    (void)tabs; (void)vc; return std::nullopt;
  }
  virtual void didSelectViewController(TabBarController& tabs, ViewController& vc) { (void)tabs; (void)vc; }
};

class TabBarController : public ViewController {
  RT_CLASS_NAMED(TabBarController, ViewController, "UITabBarController")
 public:
  void init() {}
  ~TabBarController() override;

  const std::vector<Ref<ViewController>>& viewControllers() const { return tabs_; }
  void setViewControllers(const std::vector<Ref<ViewController>>& controllers, bool animated = false);
  /// -1 when there are no tabs.
  int64_t selectedIndex() const { return tabs_.empty() ? -1 : static_cast<int64_t>(selected_); }
  /// Out-of-range indexes are ignored. Selecting in code does not ask or tell the delegate.
  void setSelectedIndex(int64_t index);
  Ref<ViewController> selectedViewController() const { return tabs_.empty() ? nullptr : tabs_[selected_]; }
  void setSelectedViewController(const Ref<ViewController>& controller);

  const Ref<TabBar>& tabBar();
  Weak<TabBarControllerDelegate> delegate() const { return delegate_; }
  void setDelegate(Weak<TabBarControllerDelegate> d) { delegate_ = std::move(d); }

  Ref<ViewController> childViewControllerForStatusBarStyle() const override { return selectedViewController(); }
  Ref<ViewController> childViewControllerForStatusBarHidden() const override { return selectedViewController(); }

  void loadView() override;

 protected:
  std::vector<Ref<ViewController>> childrenForAppearance() override;

 private:
  void show(size_t index);
  void tapped(TabBarItem& item);
  gfx::Rect childFrame(ViewController& vc);

  std::vector<Ref<ViewController>> tabs_;
  size_t selected_ = 0;
  Ref<TabBar> tabBar_;
  Weak<TabBarControllerDelegate> delegate_;
};

}  // namespace ui
