#include "platform/ui/input/text/TextInputTraits.h"

namespace ui {

const char* returnKeyTitle(ReturnKeyType type) {
  switch (type) {
    case ReturnKeyType::Go: return "Go";
    case ReturnKeyType::Google:
    case ReturnKeyType::Yahoo:
    case ReturnKeyType::Search: return "Search";
    case ReturnKeyType::Join: return "Join";
    case ReturnKeyType::Next: return "Next";
    case ReturnKeyType::Route: return "Route";
    case ReturnKeyType::Send: return "Send";
    case ReturnKeyType::Done: return "Done";
    case ReturnKeyType::EmergencyCall: return "Emergency";
    case ReturnKeyType::Continue: return "Continue";
    default: return "return";
  }
}

}  // namespace ui
