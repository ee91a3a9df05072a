#include "base/utility/DRSentinel.h"

namespace base {

RT_IMPLEMENT(DRSentinel) {
  c.method("value", &DRSentinel::value);
  c.method("increase", &DRSentinel::increase);
}

}  // namespace base
