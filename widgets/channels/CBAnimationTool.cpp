#include "widgets/channels/CBAnimationTool.h"

#include "platform/ui/view/ViewAnimation.h"

namespace widgets {

RT_IMPLEMENT(CBAnimationTool) {}

void CBAnimationTool::animateWithAnimations(Block animations) {
  ui::ViewAnimation::animate(kDuration, std::move(animations));
}

void CBAnimationTool::animateWithAnimations(Block animations, Completion completion) {
  ui::ViewAnimation::animate(kDuration, std::move(animations), std::move(completion));
}

void CBAnimationTool::springAnimateWithAnimations(Block animations, Completion completion) {
  ui::ViewAnimation::animateWithSpring(kSpringDuration, 0, 0.3, 0.3, ui::ViewAnimationOptionBeginFromCurrentState,
                                       std::move(animations), std::move(completion));
}

}  // namespace widgets
