#pragma once
// Archiving every property of a model object: a model class calls these from its own
// encodeWithCoder / initWithCoder.
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"

namespace net {

/// Writes each property's value (scalars as numbers) under the property's name, leaving out
/// nil values and the names the class's coding settings exclude.
void km_encode(const rt::Object& object, fd::KeyedArchiver& coder);
/// Sets each property from the value under its name, or else under "_" and the name, without
/// conversion; a property with neither is left as it is. A value the property cannot take is
/// skipped and its reason recorded as the class's km_error.
void km_decode(rt::Object& object, fd::KeyedUnarchiver& coder);

}  // namespace net
