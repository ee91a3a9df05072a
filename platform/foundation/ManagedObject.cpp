#include "platform/foundation/ManagedObject.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(ManagedObject) {}

}  // namespace fd
