#include "ChannelBarFixture.h"

namespace widgets::testing {

void ChannelBarTest::build(const std::vector<rt::String>& titles, bool showSortButton, int64_t minFont,
                           int64_t maxFont) {
  cursor = rt::make<CBCursor>();
  cursor->setFrame(gfx::RectMake(0, 0, 375, 64));
  cursor->rootScrollView()->setRootScrollViewDelegate(screen);
  static const double hues[] = {0.0, 0.15, 0.35, 0.55, 0.75, 0.9};
  pageViews.clear();
  for (size_t i = 0; i < titles.size(); ++i) {
    auto page = rt::make<ui::View>();
    page->setBackgroundColor(gfx::Color::colorWithHue(hues[i % 6], 0.25, 1, 1));
    pageViews.push_back(page);
  }
  cursor->setTitles(titles);
  cursor->setPageViews(pageViews);
  cursor->setRootScrollViewHeight(kPagesHeight);
  cursor->setTitleNormalColor(gfx::Color::colorWithRed(0.2, 0.2, 0.2, 1));
  cursor->setTitleSelectedColor(gfx::Color::colorWithRed(0.9, 0.1, 0.1, 1));
  cursor->setShowSortbutton(showSortButton);
  cursor->setMinFontSize(minFont);
  cursor->setMaxFontSize(maxFont);
  cursor->setscrollNavBarFrame(gfx::RectMake(0, 20, 375, 44));
  window->addSubview(cursor);
  window->layoutIfNeeded();
  settle();
}

gfx::Point ChannelBarTest::centerOf(const Ref<ui::View>& view) const {
  gfx::Rect f = view->bounds();
  return view->convertPointToView({gfx::RectGetMidX(f), gfx::RectGetMidY(f)}, window.get());
}

gfx::Point ChannelBarTest::itemCenter(int64_t index) const {
  return centerOf(cursor->scrollNavBar()->getItemWithIndex(index));
}

}  // namespace widgets::testing
