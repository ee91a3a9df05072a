#pragma once
// The top bar the content screens draw instead of a navigation bar: grey, 64 points high, a
// centred bold title in the selection colour, and on pushed screens a back button that pops.
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"

namespace app {

struct KDTopBar {
  Ref<ui::View> bar;
  Ref<ui::Label> title;
  Ref<ui::Button> back;  // null on a tab's root screen
};

inline constexpr double kTopBarHeight = 64;

KDTopBar addTopBar(ui::ViewController& controller, const fd::String& title, bool withBack);

}  // namespace app
