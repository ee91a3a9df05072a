#include "app/shell/KDEmptyTabViewController.h"

#include "app/shell/KDTopBar.h"

namespace app {

RT_IMPLEMENT(KDEmptyTabViewController) {}

void KDEmptyTabViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  addTopBar(*this, title_, false);
}

}  // namespace app
