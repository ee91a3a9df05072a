#include "widgets/popups/QPPopupItem.h"

namespace widgets {
RT_IMPLEMENT(QPPopupItem) {}
}  // namespace widgets
