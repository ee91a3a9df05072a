#pragma once
// One button of a popup, filled in by the caller through its properties.
#include <cstdint>
#include <functional>

#include "platform/graphics/Color.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/String.h"

namespace widgets {

/// Receives the index of the tapped button within its popup.
using PopupItemHandler = std::function<void(int64_t index)>;

class QPPopupItem : public rt::Object {
  RT_CLASS(QPPopupItem, rt::Object)
 public:
  bool highlight = false;
  bool disabled = false;
  rt::String title;
  Ref<gfx::Color> color;  // kept for the caller; no popup draws with it
  PopupItemHandler handler;
};

}  // namespace widgets
