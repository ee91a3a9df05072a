// Transitions: the layer's new look fades in over the transition's span.
#include "platform/ui/layer/Animation.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Transition) {
  c.property("type", &Transition::type, &Transition::setType);
  c.property("subtype", &Transition::subtype, &Transition::setSubtype);
  c.property("startProgress", &Transition::startProgress, &Transition::setStartProgress);
  c.property("endProgress", &Transition::endProgress, &Transition::setEndProgress);
}

const rt::String kCATransitionFade("fade"), kCATransitionMoveIn("moveIn"), kCATransitionPush("push"),
    kCATransitionReveal("reveal");
const rt::String kCATransitionFromRight("fromRight"), kCATransitionFromLeft("fromLeft"),
    kCATransitionFromTop("fromTop"), kCATransitionFromBottom("fromBottom");

void Transition::copyInto(Animation& to) const {
  Animation::copyInto(to);
  if (auto* tr = dynamic_cast<Transition*>(&to)) {
    tr->type_ = type_;
    tr->subtype_ = subtype_;
    tr->startProgress_ = startProgress_;
    tr->endProgress_ = endProgress_;
  }
}

void Transition::applyTo(Layer& presentation, const Layer&, double t) const {
  auto p = progressAt(t);
  if (!p) return;
  double shown = startProgress_ + (endProgress_ - startProgress_) * *p;
  presentation.setOpacity(presentation.opacity() * shown);
}

}  // namespace ui
