#include "platform/dispatch/Blocking.h"

#include "platform/dispatch/WorkerPool.h"

namespace dispatch {

BlockingScope::BlockingScope() { WorkerPool::shared().willBlock(); }
BlockingScope::~BlockingScope() { WorkerPool::shared().didUnblock(); }

}  // namespace dispatch
