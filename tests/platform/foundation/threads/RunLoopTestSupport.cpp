#include "tests/platform/foundation/threads/RunLoopTestSupport.h"

namespace fd::testing {

RT_IMPLEMENT(LoopTestTarget) {
  c.method("tick:", &LoopTestTarget::tick);
  c.method("ping", &LoopTestTarget::ping);
  c.method("take:", &LoopTestTarget::take);
}

}  // namespace fd::testing
