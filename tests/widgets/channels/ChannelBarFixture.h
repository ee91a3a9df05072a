#pragma once
// A channel bar as the application builds it: a 64-point title area with the bar 44 points
// high under the status bar, pages below, a screen that hears which pages come into view.
#include <vector>

#include "../WidgetTestFixture.h"
#include "widgets/channels/CBCursor.h"

namespace widgets::testing {

class PageScreen : public rt::Object, public CBRootScrollViewDelegate {
 public:
  std::vector<uint64_t> pages;
  void rootScrollViewDidSelectAtIndex(CBRootScrollView&, uint64_t index) override { pages.push_back(index); }
};

class ChannelBarTest : public WidgetTest {
 protected:
  /// Builds and lays out a bar over `titles.size()` coloured pages.
  void build(const std::vector<rt::String>& titles, bool showSortButton, int64_t minFont = 16, int64_t maxFont = 21);
  /// The centre of the title bar's item `index`, in window coordinates.
  gfx::Point itemCenter(int64_t index) const;
  gfx::Point centerOf(const Ref<ui::View>& view) const;
  static double fontSize(const Ref<ui::Button>& b) { return b->titleLabel()->font()->pointSize(); }

  Ref<CBCursor> cursor;
  std::vector<Ref<ui::View>> pageViews;
  std::shared_ptr<PageScreen> screen = std::make_shared<PageScreen>();
  static constexpr double kPagesHeight = 504;
};

}  // namespace widgets::testing
