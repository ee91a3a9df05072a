#pragma once
// The blur view's layer: its blur radius lives in the layer's key-value storage, so it exists
// on presentation layers and animates inside view animations.
#include "platform/ui/layer/Layer.h"

namespace widgets {

class BVBlurLayer : public ui::Layer {
  RT_CLASS(BVBlurLayer, ui::Layer)
 public:
  static inline const rt::String kBlurRadiusKey = "blurRadius";
  double blurRadius() const;
  void setBlurRadius(double radius);
  bool needsDisplayForKey(const rt::String& key) const override;
};

}  // namespace widgets
