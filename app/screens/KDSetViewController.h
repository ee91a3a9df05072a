#pragma once
// The settings list: cache size and clearing, the article font size, the about page.
#include "app/shell/BaseViewController.h"

namespace app {

class KDSetViewController : public BaseViewController {
  RT_CLASS(KDSetViewController, BaseViewController)
 public:
  void init() {}
};

}  // namespace app
