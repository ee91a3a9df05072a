#pragma once
// A layout guide: a rectangle of a view that constraints can refer to like a view, without
// being one. View controllers offer two, along the top and bottom of their view, as long as
// the bars that overlap the view there (the length is asked afresh at every solve).
#include <functional>

#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace ui {

class View;

class LayoutGuide : public rt::Object {
  RT_CLASS_NAMED(LayoutGuide, rt::Object, "UILayoutGuide")
 public:
  enum class Edge { Top, Bottom };
  using LengthProvider = std::function<double()>;

  void init(const Ref<View>& owningView, Edge edge, LengthProvider length);

  Ref<View> owningView() const { return owningView_.lock(); }
  Edge edge() const { return edge_; }
  /// Points; 0 without a provider.
  double length() const { return length_ ? length_() : 0; }
  /// In the owning view's bounds: the top guide runs down from the top, the bottom guide up
  /// from the bottom, both the view's width.
  gfx::Rect layoutFrame() const;

 private:
  Weak<View> owningView_;
  Edge edge_ = Edge::Top;
  LengthProvider length_;
};

}  // namespace ui
