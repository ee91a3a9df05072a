#pragma once
// The view controller that owns a view (first one along its responder chain) and clearing a
// view's subviews.
#include "platform/ui/controllers/ViewController.h"

namespace app {

/// Null when no controller lies along the chain.
Ref<ui::ViewController> viewController(const ui::View& v);
void removeAllSubviews(ui::View& v);

}  // namespace app
