#pragma once
// A tab's root screen whose content is not built yet: the top bar with the tab's title over
// an empty white page.
#include "app/shell/BaseViewController.h"

namespace app {

class KDEmptyTabViewController : public BaseViewController {
  RT_CLASS(KDEmptyTabViewController, BaseViewController)
 public:
  void init(const fd::String& title) { title_ = title; }
  void viewDidLoad() override;

 private:
  fd::String title_;
};

}  // namespace app
