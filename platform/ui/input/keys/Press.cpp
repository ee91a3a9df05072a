#include "platform/ui/input/keys/Press.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Press) {}

}  // namespace ui
