#pragma once
// The platform constraints the language installs: a debug key tells them from all others.
#include "platform/ui/layout/LayoutConstraint.h"

namespace widgets {

class LCLayoutConstraint : public ui::LayoutConstraint {
  RT_CLASS(LCLayoutConstraint, ui::LayoutConstraint)
 public:
  const rt::Id& lc_key() const { return key_; }
  void setLc_key(const rt::Id& key) { key_ = key; }

 private:
  rt::Id key_;
};

}  // namespace widgets
