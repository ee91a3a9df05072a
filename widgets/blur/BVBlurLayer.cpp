#include "widgets/blur/BVBlurLayer.h"

#include "platform/foundation/values/Number.h"

namespace widgets {

RT_IMPLEMENT(BVBlurLayer) {}

double BVBlurLayer::blurRadius() const {
  auto n = rt::as<fd::Number>(valueForKey(kBlurRadiusKey));
  return n ? n->doubleValue() : 0;
}

void BVBlurLayer::setBlurRadius(double radius) { setValueForKey(fd::Number::numberWithDouble(radius), kBlurRadiusKey); }

bool BVBlurLayer::needsDisplayForKey(const rt::String& key) const {
  return key == kBlurRadiusKey || key == rt::String("bounds") || key == rt::String("position") ||
         ui::Layer::needsDisplayForKey(key);
}

}  // namespace widgets
