#include "platform/runtime/Block.h"

#include "platform/runtime/Class.h"

namespace rt {

RT_IMPLEMENT_PLATFORM(BlockBase) { c.protocol("NSCopying"); }

}  // namespace rt
