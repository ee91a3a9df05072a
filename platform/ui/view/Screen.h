#pragma once
// The display: its size in points and pixels per point. The main screen is phone-sized
// (375 x 667 points at scale 2) unless configured otherwise.
#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace ui {

class Screen : public rt::Object {
  RT_CLASS_NAMED(Screen, rt::Object, "UIScreen")
 public:
  void init() {}
  void init(gfx::Size points, double scale);

  /// The one main screen (the same object every time).
  static Ref<Screen> mainScreen();
  /// Resizes the main screen; the scale must be positive (1, 2 or 3 on phones).
  static void configureMainScreen(gfx::Size points, double scale);

  gfx::Rect bounds() const { return {{0, 0}, size_}; }
  double scale() const { return scale_; }
  /// Pixels.
  gfx::Rect nativeBounds() const { return {{0, 0}, {size_.width * scale_, size_.height * scale_}}; }
  double nativeScale() const { return scale_; }

 private:
  gfx::Size size_{375, 667};
  double scale_ = 2;
};

}  // namespace ui
