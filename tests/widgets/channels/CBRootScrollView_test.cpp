// The paged container: page frames from margins, cells that come and go with the offset and
// are reused, and the page notices its delegate hears.
#include <vector>

#include "../WidgetTestFixture.h"
#include "widgets/channels/CBRootScrollView.h"

using namespace widgets;
using widgets::testing::WidgetTest;

namespace {

// A screen that answers only the page notice, as the application's screens do.
class Screen : public rt::Object, public CBRootScrollViewDelegate {
 public:
  std::vector<uint64_t> pages;
  void rootScrollViewDidSelectAtIndex(CBRootScrollView&, uint64_t index) override { pages.push_back(index); }
};

std::vector<Ref<ui::View>> pages(size_t n) {
  std::vector<Ref<ui::View>> out;
  for (size_t i = 0; i < n; ++i) out.push_back(rt::make<ui::View>());
  return out;
}

class RootScrollViewTest : public WidgetTest {
 protected:
  Ref<CBRootScrollView> container(gfx::Rect frame, size_t n) {
    auto c = rt::make<CBRootScrollView>();
    c->setFrame(frame);
    window->addSubview(c);
    c->setPageViews(pages(n));
    c->layoutIfNeeded();
    return c;
  }
};

}  // namespace

TEST_F(RootScrollViewTest, MarginsComeFromTheDelegateOrAreZero) {
  auto managed = container(gfx::RectMake(0, 0, 320, 480), 3);
  managed->setMargin(10);
  managed->reloadPageViews();
  ASSERT_EQ(managed->pageViewFrames().size(), 3u);
  EXPECT_EQ(managed->pageViewFrames()[1], gfx::RectMake(330, 10, 300, 460));
  EXPECT_EQ(managed->contentSize(), (gfx::Size{960, 0}));

  auto screen = std::make_shared<Screen>();
  managed->setRootScrollViewDelegate(screen);
  managed->reloadPageViews();
  EXPECT_EQ(managed->pageViewFrames()[1], gfx::RectMake(320, 0, 320, 480));
}

TEST_F(RootScrollViewTest, PagesComeIntoViewAndLeaveForThePool) {
  auto c = container(gfx::RectMake(0, 0, 320, 480), 3);
  auto screen = std::make_shared<Screen>();
  c->setRootScrollViewDelegate(screen);
  c->reloadPageViews();
  c->layoutIfNeeded();
  ASSERT_EQ(c->displayingPageViews().size(), 1u);
  EXPECT_EQ(screen->pages, (std::vector<uint64_t>{0}));
  auto cell0 = rt::as<CBRootScrollViewCell>(c->displayingPageViews().at(0));
  ASSERT_TRUE(cell0);
  EXPECT_EQ(cell0->identifier(), rt::String("CELL"));
  EXPECT_EQ(cell0->subviews().front(), c->pageViews()[0]);
  EXPECT_EQ(cell0->subviews().front()->frame(), gfx::RectMake(0, 0, 320, 480));

  // The first visible point of page 1 brings it in; page 0 stays until fully out.
  c->setContentOffset({1, 0});
  EXPECT_EQ(c->displayingPageViews().size(), 2u);
  EXPECT_EQ(screen->pages, (std::vector<uint64_t>{0, 1}));
  c->setContentOffset({320, 0});
  EXPECT_EQ(c->displayingPageViews().count(0), 0u);
  ASSERT_EQ(c->reusePageViews().size(), 1u);
  EXPECT_EQ(c->reusePageViews().front(), cell0);

  EXPECT_FALSE(c->dequeueReusableCellWithIdentifier("OTHER"));
  EXPECT_EQ(c->reusePageViews().size(), 1u);

  // The next page to appear takes the pooled cell.
  c->setContentOffset({321, 0});
  EXPECT_EQ(c->displayingPageViews().at(2), cell0);
  EXPECT_TRUE(c->reusePageViews().empty());
  EXPECT_EQ(cell0->subviews().front(), c->pageViews()[2]);
  EXPECT_EQ(screen->pages, (std::vector<uint64_t>{0, 1, 2}));
}

TEST_F(RootScrollViewTest, NoPagesOrNoSizeLeaveItEmptyUntilAReloadWithSize) {
  auto empty = container(gfx::RectMake(0, 0, 320, 480), 0);
  EXPECT_TRUE(empty->pageViewFrames().empty());
  EXPECT_TRUE(empty->displayingPageViews().empty());

  auto flat = container(gfx::RectMake(0, 0, 0, 480), 2);
  EXPECT_TRUE(flat->pageViewFrames().empty());
  flat->setFrame(gfx::RectMake(0, 0, 320, 480));
  flat->reloadPageViews();
  flat->layoutIfNeeded();
  EXPECT_EQ(flat->pageViewFrames().size(), 2u);
  EXPECT_EQ(flat->displayingPageViews().size(), 1u);
}
