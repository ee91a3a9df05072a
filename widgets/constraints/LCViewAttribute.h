#pragma once
// One attribute of a view, as a second item of a declaration or the first of a constraint. The
// item is what the platform constraint names: the view itself or a controller's layout guide;
// the view decides where the constraint is held. Both are weak.
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/layout/LayoutTypes.h"
#include "platform/ui/view/View.h"

namespace widgets {

class LCViewAttribute : public rt::Object {
  RT_CLASS(LCViewAttribute, rt::Object)
 public:
  /// The item is the view.
  void init(const Ref<ui::View>& view, ui::LayoutAttribute attribute);
  void init(const Ref<ui::View>& view, const rt::Id& item, ui::LayoutAttribute attribute);

  Ref<ui::View> view() const { return view_.lock(); }
  rt::Id item() const { return item_.lock(); }
  ui::LayoutAttribute layoutAttribute() const { return attribute_; }
  bool isSizeAttribute() const { return ui::isSizeAttribute(attribute_); }

  /// Same view and attribute; the item is not compared.
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;

 private:
  Weak<ui::View> view_;
  Weak<rt::Object> item_;
  ui::LayoutAttribute attribute_ = ui::LayoutAttributeNotAnAttribute;
  // Kept for hashing: the hash must not change when the view goes away.
  size_t viewHash_ = 0;
};

}  // namespace widgets
