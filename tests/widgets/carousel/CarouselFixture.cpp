#include "CarouselFixture.h"

#include "platform/graphics/ImageContext.h"

namespace widgets::testing {

Ref<gfx::Image> solidPicture(gfx::Size size, const Ref<gfx::Color>& color) {
  gfx::beginImageContextWithOptions(size, true, 1);
  gfx::currentContext()->setFillColor(color);
  gfx::currentContext()->fillRect(gfx::Rect{{0, 0}, size});
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

std::vector<Ref<gfx::Image>> pictures(size_t n, gfx::Size size) {
  std::vector<Ref<gfx::Image>> out;
  for (size_t i = 0; i < n; ++i)
    out.push_back(solidPicture(size, gfx::Color::colorWithHue(static_cast<double>(i) / static_cast<double>(n + 1),
                                                              0.6, 0.9, 1)));
  return out;
}

Ref<WICycleScrollView> CarouselTest::make(gfx::Rect frame, std::vector<Ref<gfx::Image>> images) {
  auto c = WICycleScrollView::cycleScrollViewWithFrame(frame, std::move(images));
  c->setDelegate(selections);
  window->addSubview(c);
  window->layoutIfNeeded();
  c->layoutIfNeeded();
  return c;
}

}  // namespace widgets::testing
