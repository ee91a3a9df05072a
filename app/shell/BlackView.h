#pragma once
// Marks the black background that the navigation controller lays under the key window's
// content, so that a stale one can be found and removed.
#include "platform/ui/view/View.h"

namespace app {

class BlackView : public ui::View {
  RT_CLASS(BlackView, ui::View)
};

}  // namespace app
