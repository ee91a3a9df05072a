#include "base/ui/Layer+DUDer.h"

#include "base/graphics/Geometry+DUDer.h"

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/MediaTimingFunction.h"

namespace base {

namespace {
const rt::String kFadeKey = "durar.fade";

template <class F> void changeFrame(ui::Layer& l, F change) {
  gfx::Rect f = l.frame();
  change(f);
  l.setFrame(f);
}
}  // namespace

Ref<gfx::Image> snapshotImage(ui::Layer& layer) {
  gfx::beginImageContextWithOptions(layer.bounds().size, layer.isOpaque(), 0);
  layer.renderInContext(*gfx::currentContext());
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

Ref<fd::Data> snapshotPDF(ui::Layer& layer) {
  gfx::Rect bounds = layer.bounds();
  auto data = fd::MutableData::create();
  auto context = gfx::Context::createPDF(data, bounds);
  if (!context) return nullptr;
  context->beginPage();
  // PDF user space is y-up; the layer draws y-down.
  context->translateCTM(0, bounds.size.height);
  context->scaleCTM(1, -1);
  layer.renderInContext(*context);
  context->endPage();
  context->closePDF();
  return data;
}

void setLayerShadow(ui::Layer& layer, Ref<gfx::Color> color, gfx::Size offset, double radius) {
  layer.setShadowColor(std::move(color));
  layer.setShadowOffset(offset);
  layer.setShadowRadius(radius);
  layer.setShadowOpacity(1);
  layer.setShouldRasterize(true);
  layer.setRasterizationScale(gfx::mainScreenScale());
}

void removeAllSublayers(ui::Layer& layer) {
  while (!layer.sublayers().empty()) layer.sublayers().back()->removeFromSuperlayer();
}

double left(const ui::Layer& l) { return l.frame().origin.x; }
void setLeft(ui::Layer& l, double v) { changeFrame(l, [v](gfx::Rect& f) { f.origin.x = v; }); }
double top(const ui::Layer& l) { return l.frame().origin.y; }
void setTop(ui::Layer& l, double v) { changeFrame(l, [v](gfx::Rect& f) { f.origin.y = v; }); }
double right(const ui::Layer& l) { return l.frame().origin.x + l.frame().size.width; }
void setRight(ui::Layer& l, double v) { changeFrame(l, [v](gfx::Rect& f) { f.origin.x = v - f.size.width; }); }
double bottom(const ui::Layer& l) { return l.frame().origin.y + l.frame().size.height; }
void setBottom(ui::Layer& l, double v) { changeFrame(l, [v](gfx::Rect& f) { f.origin.y = v - f.size.height; }); }
double width(const ui::Layer& l) { return l.frame().size.width; }
void setWidth(ui::Layer& l, double v) { changeFrame(l, [v](gfx::Rect& f) { f.size.width = v; }); }
double height(const ui::Layer& l) { return l.frame().size.height; }
void setHeight(ui::Layer& l, double v) { changeFrame(l, [v](gfx::Rect& f) { f.size.height = v; }); }
gfx::Point center(const ui::Layer& l) {
  gfx::Rect f = l.frame();
  return {f.origin.x + f.size.width * 0.5, f.origin.y + f.size.height * 0.5};
}
void setCenter(ui::Layer& l, gfx::Point p) {
  changeFrame(l, [p](gfx::Rect& f) { f.origin = {p.x - f.size.width * 0.5, p.y - f.size.height * 0.5}; });
}
double centerX(const ui::Layer& l) { return center(l).x; }
void setCenterX(ui::Layer& l, double v) { changeFrame(l, [v](gfx::Rect& f) { f.origin.x = v - f.size.width * 0.5; }); }
double centerY(const ui::Layer& l) { return center(l).y; }
void setCenterY(ui::Layer& l, double v) { changeFrame(l, [v](gfx::Rect& f) { f.origin.y = v - f.size.height * 0.5; }); }
gfx::Point origin(const ui::Layer& l) { return l.frame().origin; }
void setOrigin(ui::Layer& l, gfx::Point p) { changeFrame(l, [p](gfx::Rect& f) { f.origin = p; }); }
gfx::Size frameSize(const ui::Layer& l) { return l.frame().size; }
void setFrameSize(ui::Layer& l, gfx::Size s) { changeFrame(l, [s](gfx::Rect& f) { f.size = s; }); }

double transformValue(const ui::Layer& l, const char* keyPath) {
  auto n = rt::as<fd::Number>(l.valueForKeyPath(keyPath));
  return n ? n->doubleValue() : 0;
}

void setTransformValue(ui::Layer& l, const char* keyPath, double v) {
  l.setValueForKeyPath(fd::Number::numberWithDouble(v), keyPath);
}

double transformDepth(const ui::Layer& l) { return l.transform().m34; }

void setTransformDepth(ui::Layer& l, double v) {
  gfx::Transform3D t = l.transform();
  t.m34 = v;
  l.setTransform(t);
}

void addFadeAnimation(ui::Layer& l, double duration, int curve) {
  if (duration <= 0) return;
  const rt::String* name = &ui::kCAMediaTimingFunctionLinear;
  switch (curve) {
    case 0: name = &ui::kCAMediaTimingFunctionEaseOut; break;
    case 1: name = &ui::kCAMediaTimingFunctionEaseIn; break;
    case 2: name = &ui::kCAMediaTimingFunctionEaseInEaseOut; break;
    default: break;
  }
  auto fade = ui::Transition::animation();
  fade->setType(ui::kCATransitionFade);
  fade->setDuration(duration);
  fade->setTimingFunction(ui::MediaTimingFunction::functionWithName(*name));
  l.addAnimation(fade, kFadeKey);
}

ui::ViewContentMode contentMode(const ui::Layer& l) { return DRContentModeFromGravity(l.contentsGravity()); }
void setContentMode(ui::Layer& l, ui::ViewContentMode mode) { l.setContentsGravity(DRGravityFromContentMode(mode)); }

void removePreviousFadeAnimation(ui::Layer& l) { l.removeAnimationForKey(kFadeKey); }

}  // namespace base
