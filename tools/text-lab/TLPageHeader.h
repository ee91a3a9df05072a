#pragma once
// The strip at the top of both pages: the page's title, a switch with its caption, and a
// status line for what just happened. Main thread only.
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/Switch.h"
#include "platform/ui/view/View.h"

namespace textlab {

/// Below the status bar, the header takes this much of the page.
inline constexpr double kLabHeaderBottom = 86;

struct TLPageHeader {
  Ref<ui::Label> title;
  Ref<ui::Label> status;
  Ref<ui::Switch> toggle;
};

/// Adds the header to `view`, `width` points wide.
TLPageHeader addPageHeader(ui::View& view, double width, const rt::String& title, const rt::String& toggleCaption,
                           const rt::String& status);

}  // namespace textlab
