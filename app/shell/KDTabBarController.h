#pragma once
// The application's root after the welcome screen: four tabs, each a navigation stack of its
// own; the tab bar shows only while a tab shows its root screen.
#include "platform/ui/controllers/TabBarController.h"

namespace app {

class KDTabBarController : public ui::TabBarController {
  RT_CLASS(KDTabBarController, ui::TabBarController)
 public:
  void init() {}
  void viewDidLoad() override;
  void loadTabBar();
  void setitems();
};

}  // namespace app
