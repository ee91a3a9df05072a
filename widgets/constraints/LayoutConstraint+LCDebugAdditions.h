#pragma once
// Constraint descriptions as compact equations that name items by their debug keys, so that the
// layout's messages about unsatisfiable constraints read like the declarations. Installed as the
// platform's description hook when this library loads: every constraint of the process uses it.
#include <map>

#include "platform/ui/layout/LayoutConstraint.h"

namespace widgets {

/// -1 "<=", 0 "==", 1 ">=".
const std::map<int64_t, rt::String>& layoutRelationDescriptionsByValue();
/// The 19 attribute names by value ("left" ... "centerYWithinMargins").
const std::map<int64_t, rt::String>& layoutAttributeDescriptionsByValue();
/// 1000 "required", 750 "high", 500 "medium", 250 "low", 50 "fitting size".
const std::map<float, rt::String>& layoutPriorityDescriptionsByValue();

/// "Class:key" for a view or language constraint with a debug key, else "Class:0x...".
rt::String descriptionForObject(const rt::Object* object);
/// "<LCLayoutConstraint:0x... UIView:avatar.width == 50>" and the like.
rt::String lc_description(const ui::LayoutConstraint& constraint);

}  // namespace widgets
