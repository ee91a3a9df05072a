#include "widgets/constraints/LayoutConstraint+LCDebugAdditions.h"

#include <cmath>

#include "platform/foundation/values/Number.h"
#include "widgets/constraints/LCLayoutConstraint.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace widgets {

namespace {

// In force from the moment this library is loaded.
[[maybe_unused]] const bool kHookInstalled = [] {
  ui::LayoutConstraint::setDescriptionHook([](const ui::LayoutConstraint& c) { return lc_description(c); });
  return true;
}();

rt::String lookup(const std::map<int64_t, rt::String>& table, int64_t value) {
  auto it = table.find(value);
  // A value the table lacks prints as a missing object does.
  return it != table.end() ? it->second : rt::String::format("%@", nullptr);
}

}  // namespace

const std::map<int64_t, rt::String>& layoutRelationDescriptionsByValue() {
  static const std::map<int64_t, rt::String> table{{0, "=="}, {1, ">="}, {-1, "<="}};
  return table;
}

const std::map<int64_t, rt::String>& layoutAttributeDescriptionsByValue() {
  static const std::map<int64_t, rt::String> table{
      {1, "left"},           {2, "right"},          {3, "top"},
      {4, "bottom"},         {5, "leading"},        {6, "trailing"},
      {7, "width"},          {8, "height"},         {9, "centerX"},
      {10, "centerY"},       {11, "baseline"},      {13, "leftMargin"},
      {14, "rightMargin"},   {15, "topMargin"},     {16, "bottomMargin"},
      {17, "leadingMargin"}, {18, "trailingMargin"}, {19, "centerXWithinMargins"},
      {20, "centerYWithinMargins"}};
  return table;
}

const std::map<float, rt::String>& layoutPriorityDescriptionsByValue() {
  static const std::map<float, rt::String> table{
      {1000.f, "required"}, {750.f, "high"}, {500.f, "medium"}, {250.f, "low"}, {50.f, "fitting size"}};
  return table;
}

rt::String descriptionForObject(const rt::Object* object) {
  if (!object) return rt::String::format("%@", nullptr);
  rt::Id key;
  if (auto view = dynamic_cast<const ui::View*>(object)) key = lc_key(*view);
  else if (auto constraint = dynamic_cast<const LCLayoutConstraint*>(object)) key = constraint->lc_key();
  if (key) return rt::String::format("%@:%@", object->className(), key);
  return rt::String::format("%@:%p", object->className(), static_cast<const void*>(object));
}

rt::String lc_description(const ui::LayoutConstraint& c) {
  rt::String out = "<";
  out += descriptionForObject(&c);
  auto first = c.firstItem();
  out += rt::String::format(" %@", descriptionForObject(first.get()));
  if (c.firstAttribute() != 0) {
    out += rt::String::format(".%@", lookup(layoutAttributeDescriptionsByValue(), c.firstAttribute()));
  }
  out += rt::String::format(" %@", lookup(layoutRelationDescriptionsByValue(), c.relation()));
  if (auto second = c.secondItem()) out += rt::String::format(" %@", descriptionForObject(second.get()));
  if (c.secondAttribute() != 0) {
    out += rt::String::format(".%@", lookup(layoutAttributeDescriptionsByValue(), c.secondAttribute()));
  }
  if (c.multiplier() != 1) out += rt::String::format(" * %g", c.multiplier());
  if (c.secondAttribute() == 0) {
    out += rt::String::format(" %g", c.constant());
  } else if (c.constant() != 0) {
    out += rt::String::format(" %@ %g", rt::String(c.constant() < 0 ? "-" : "+"), std::fabs(c.constant()));
  }
  if (c.priority() != ui::LayoutPriorityRequired) {
    const auto& priorities = layoutPriorityDescriptionsByValue();
    auto it = priorities.find(c.priority());
    out += rt::String::format(" ^%@", it != priorities.end() ? it->second
                                                              : fd::box(static_cast<double>(c.priority()))->description());
  }
  out += ">";
  return out;
}

}  // namespace widgets
