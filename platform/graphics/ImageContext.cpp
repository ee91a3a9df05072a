#include "platform/graphics/ImageContext.h"

#include <atomic>
#include <cmath>
#include <vector>

namespace gfx {

namespace {

std::atomic<double>& screenScale() {
  static std::atomic<double> scale{2.0};
  return scale;
}

std::vector<Ref<Context>>& stack() {
  thread_local std::vector<Ref<Context>> s;
  return s;
}

}  // namespace

double mainScreenScale() { return screenScale().load(); }
void setMainScreenScale(double scale) {
  if (scale > 0) screenScale().store(scale);
}

void pushContext(const Ref<Context>& context) {
  if (context) stack().push_back(context);
}
void popContext() {
  if (!stack().empty()) stack().pop_back();
}
Ref<Context> currentContext() { return stack().empty() ? nullptr : stack().back(); }

void beginImageContextWithOptions(Size size, bool opaque, double scale) {
  if (scale <= 0) scale = mainScreenScale();
  // A failed begin still takes a (null) place, so that its end pops nothing else.
  stack().push_back(Context::createForImage(size, opaque, scale));
}
void beginImageContext(Size size) { beginImageContextWithOptions(size, false, 1); }

Ref<Image> imageFromCurrentImageContext() {
  auto c = currentContext();
  if (!c || c->kind() != Context::Kind::Image) return nullptr;
  return Image::imageWithCGImage(c->makeImage(), c->scale(), ImageOrientation::Up);
}

void endImageContext() {
  if (stack().empty()) return;
  auto c = stack().back();
  if (!c || c->kind() == Context::Kind::Image) stack().pop_back();
}

void beginPDFContextToData(const Ref<fd::MutableData>& data, const Rect& bounds) {
  Rect b = RectIsEmpty(bounds) ? RectMake(0, 0, 612, 792) : bounds;
  pushContext(Context::createPDF(data, b, true));
}

void beginPDFPage() {
  auto c = currentContext();
  if (!c || c->kind() != Context::Kind::PDF) return;
  c->endPage();
  c->beginPage();
}

void endPDFContext() {
  auto c = currentContext();
  if (!c || c->kind() != Context::Kind::PDF) return;
  c->closePDF();
  popContext();
}

}  // namespace gfx
