#pragma once
// Small helpers the mapping's operations share: recording errors on a class, names lists,
// and getting an object's own reference.
#include <exception>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/Error.h"

namespace net::km_detail {

/// Records on `cls` the error for one of the mapping's fixed messages (domain = message,
/// code 250).
void fail(const rt::Class* cls, const fd::String& message);
/// Records on `cls` the reason of an exception caught while one property was handled.
void failWith(const rt::Class* cls, const std::exception& e);

/// True when `names` holds `name`; null and empty lists hold nothing.
bool containsName(const Ref<fd::Array>& names, const fd::String& name);

inline rt::Id idOf(const rt::Object& o) { return std::const_pointer_cast<rt::Object>(o.self()); }

}  // namespace net::km_detail
