#pragma once
// The base of the page control's dots: a dot shows whether its page is current. A view class
// serves as a dot by deriving from it and answering the change of state; the base itself
// cannot be made plainly or asked to change.
#include "platform/ui/view/View.h"

namespace widgets {

class PGAbstractDotView : public ui::View {
  RT_CLASS(PGAbstractDotView, ui::View)
 public:
  /// Raises NSInternalInconsistencyException: a dot needs a concrete class.
  void init();
  void init(gfx::Rect frame) { ui::View::init(frame); }
  /// Raises NSInternalInconsistencyException unless a subclass answers it.
  virtual void changeActivityState(bool active);
};

}  // namespace widgets
