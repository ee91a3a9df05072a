#include "widgets/constraints/View+LCConstraints.h"

namespace widgets {

namespace {
const char kInstalledConstraintsKey = 0;
}

Ref<fd::MutableSet> lc_installedConstraints(ui::View& view) {
  auto set = rt::as<fd::MutableSet>(view.associatedObject(&kInstalledConstraintsKey));
  if (!set) {
    set = fd::MutableSet::create();
    view.setAssociatedObject(&kInstalledConstraintsKey, set, rt::AssociationPolicy::RetainNonatomic);
  }
  return set;
}

}  // namespace widgets
