#include "platform/ui/view/MotionEffect.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(MotionEffect) {}

}  // namespace ui
