#pragma once
// Marks a range that the editor treats as one unit.
#include "platform/foundation/Types.h"
#include "platform/foundation/serialization/Coding.h"

namespace text {

class DRTextBinding : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextBinding, rt::Object)
 public:
  static Ref<DRTextBinding> bindingWithDeleteConfirm(bool deleteConfirm);

  /// Whether deleting the bound range asks first.
  bool deleteConfirm() const { return deleteConfirm_; }
  void setDeleteConfirm(bool v) { deleteConfirm_ = v; }

  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  bool deleteConfirm_ = false;
};

}  // namespace text
