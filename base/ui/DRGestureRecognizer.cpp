#include "base/ui/DRGestureRecognizer.h"

#include "platform/ui/input/Touch.h"
#include "platform/ui/view/View.h"

namespace base {

RT_IMPLEMENT(DRGestureRecognizer) {}

using S = ui::GestureRecognizerState;

void DRGestureRecognizer::touchesBegan(const ui::TouchSet& touches, ui::Event*) {
  setState(S::Began);
  auto touch = touches.anyObject();
  startPoint_ = touch ? touch->locationInView(view().get()) : gfx::Point{};
  lastPoint_ = currentPoint_;
  currentPoint_ = startPoint_;
  call(DRGestureRecognizerStateBegan);
}

void DRGestureRecognizer::touchesMoved(const ui::TouchSet& touches, ui::Event*) {
  setState(S::Changed);
  if (auto touch = touches.anyObject()) currentPoint_ = touch->locationInView(view().get());
  call(DRGestureRecognizerStateMoved);
  lastPoint_ = currentPoint_;
}

void DRGestureRecognizer::touchesEnded(const ui::TouchSet&, ui::Event*) {
  setState(S::Ended);
  call(DRGestureRecognizerStateEnded);
}

void DRGestureRecognizer::touchesCancelled(const ui::TouchSet&, ui::Event*) {
  setState(S::Cancelled);
  call(DRGestureRecognizerStateCancelled);
}

void DRGestureRecognizer::cancel() {
  if (state() != S::Began && state() != S::Changed) return;
  setState(S::Cancelled);
  call(DRGestureRecognizerStateCancelled);
}

}  // namespace base
