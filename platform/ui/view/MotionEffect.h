#pragma once
// Motion effects: how a view's properties would follow the device's tilt. Views record them
// (`addMotionEffect`); this desktop has no motion sensor, so no offset ever arrives and nothing
// moves. The base effect answers nothing for any offset.
#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace ui {

class MotionEffect : public rt::Object {
  RT_CLASS_NAMED(MotionEffect, rt::Object, "UIMotionEffect")
 public:
  /// Key paths of the view and the values to add to them for a viewer offset (each component
  /// -1...1); null for none.
  virtual Ref<fd::Dictionary> keyPathsAndRelativeValuesForViewerOffset(gfx::Offset offset) const {
    (void)offset;
    return nullptr;
  }
};

}  // namespace ui
