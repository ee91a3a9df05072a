#pragma once
// One key press as the responder chain sees it (a presses event goes with it).
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/input/keys/Key.h"

namespace ui {

class Press : public rt::Object {
  RT_CLASS_NAMED(Press, rt::Object, "UIPress")
 public:
  void init() {}
  void init(KeyPress key) { key_ = key; }
  const KeyPress& key() const { return key_; }

 private:
  KeyPress key_;
};

}  // namespace ui
