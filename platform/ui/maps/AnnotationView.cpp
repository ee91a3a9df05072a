#include "platform/ui/maps/AnnotationView.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(AnnotationView) {
  c.property("image", &AnnotationView::image, &AnnotationView::setImage);
  c.property("highlighted", &AnnotationView::isHighlighted, &AnnotationView::setHighlighted);
}

void AnnotationView::init(gfx::Rect frame) { View::init(frame); }

void AnnotationView::init(const rt::String& reuseIdentifier) {
  View::init(gfx::RectZero);
  reuseIdentifier_ = reuseIdentifier;
}

void AnnotationView::setImage(const Ref<gfx::Image>& image) {
  image_ = image;
  layer()->setContents(image ? rt::Id(image) : nullptr);
  if (!image) return;
  gfx::Point c = center();
  gfx::Size s = image->size();
  setBounds(gfx::RectMake(0, 0, s.width, s.height));
  setCenter(c);
  layer()->setContentsScale(image->scale());
}

void AnnotationView::setHighlighted(bool on) { setAndNotify("highlighted", highlighted_, on); }

}  // namespace ui
