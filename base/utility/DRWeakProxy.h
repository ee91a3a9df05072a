#pragma once
// The weak proxy of the additions is the platform's own: it holds its target weakly, forwards
// every message while the target lives and answers zero values (and NO to every kind) once it
// is gone.
#include "platform/runtime/WeakProxy.h"

namespace base {

using DRWeakProxy = rt::WeakProxy;

}  // namespace base
