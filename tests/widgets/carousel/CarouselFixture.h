#pragma once
// A carousel on the main screen fed with plain coloured pictures, and a delegate that logs
// the selected picture indexes.
#include <vector>

#include "../WidgetTestFixture.h"
#include "widgets/carousel/WICycleScrollView.h"

namespace widgets::testing {

class Selections : public WICycleScrollViewDelegate {
 public:
  std::vector<int64_t> indexes;
  void cycleScrollViewDidSelectItemAtIndex(WICycleScrollView&, int64_t index) override { indexes.push_back(index); }
};

/// A picture of one colour.
Ref<gfx::Image> solidPicture(gfx::Size size, const Ref<gfx::Color>& color);
/// `n` pictures of distinct colours.
std::vector<Ref<gfx::Image>> pictures(size_t n, gfx::Size size = {375, 200});

class CarouselTest : public WidgetTest {
 protected:
  /// A carousel in the window, laid out.
  Ref<WICycleScrollView> make(gfx::Rect frame, std::vector<Ref<gfx::Image>> images);
  static double pageOf(const Ref<WICycleScrollView>& c) {
    return c->mainView()->contentOffset().x / c->frame().size.width;
  }
  std::shared_ptr<Selections> selections = std::make_shared<Selections>();
};

}  // namespace widgets::testing
