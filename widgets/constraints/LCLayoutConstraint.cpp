#include "widgets/constraints/LCLayoutConstraint.h"

namespace widgets {

RT_IMPLEMENT(LCLayoutConstraint) {}

}  // namespace widgets
