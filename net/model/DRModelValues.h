#pragma once
// Conversions between JSON values and one model property, shared by the two directions of the
// model mapping.
#include "net/model/DRModelMeta.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Number.h"

namespace net {

/// A number from a number, or from a string: the words "true"/"yes"/"no"/"null"... (in three
/// cases), a decimal with "." or an integer. Null for anything else, "null" words included.
Ref<fd::Number> DRNumberFromValue(const rt::Id& value);
/// A date from one of the fixed-length forms ("2015-01-15", "2015-01-15T12:00:00",
/// "2015-01-15 12:00:00", "...Z", "...+0800", "...+08:00", "Thu Jan 15 12:00:00 +0800 2015").
Ref<fd::Date> DRDateFromString(const String& text);
/// The class every boxed block belongs to.
const rt::Class* DRBlockRootClass();

/// Writes `number` (null reads as 0) into a C-number property at its own width.
void DRSetNumberProperty(rt::Object& model, const Ref<fd::Number>& number, const DRModelPropertyMeta& meta);
/// Converts a JSON value to the property's type and sets it; values of a sort the property
/// does not take leave it unchanged.
void DRSetPropertyFromValue(rt::Object& model, const rt::Id& value, const DRModelPropertyMeta& meta);
/// The number a C-number property holds, null for not-a-number and infinities.
Ref<fd::Number> DRNumberFromProperty(const rt::Object& model, const DRModelPropertyMeta& meta);
/// A JSON-compatible object for a value (models included), or null.
rt::Id DRJSONObjectFromValue(const rt::Id& value);

// Property access through the meta's accessors.
rt::Value DRGetProperty(const rt::Object& model, const DRModelPropertyMeta& meta);
void DRSetProperty(rt::Object& model, const DRModelPropertyMeta& meta, const rt::Value& value);

}  // namespace net
