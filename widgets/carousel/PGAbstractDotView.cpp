#include "widgets/carousel/PGAbstractDotView.h"

#include "platform/runtime/Exception.h"

namespace widgets {

RT_IMPLEMENT(PGAbstractDotView) {}

void PGAbstractDotView::init() {
  rt::raiseFormat("NSInternalInconsistencyException", "You must override %@ in %@", rt::String("init"), className());
}

void PGAbstractDotView::changeActivityState(bool) {
  rt::raiseFormat("NSInternalInconsistencyException", "You must override %@ in %@", rt::String("changeActivityState:"),
                  className());
}

}  // namespace widgets
