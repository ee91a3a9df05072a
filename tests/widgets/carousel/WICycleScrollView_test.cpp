// The carousel with local pictures: item counts and the start in the middle, the page control's
// place and page, the timer's turns, its pause while dragged and the wrap-around, selection,
// titles, and the carousel drawn with titles and dots.
#include <cmath>

#include "CarouselFixture.h"
#include "platform/ui/controls/PageControl.h"
#include "platform/ui/input/TouchInput.h"
#include "widgets/carousel/PGPageControl.h"

using namespace widgets;
using widgets::testing::CarouselTest;
using widgets::testing::pictures;

namespace {

int64_t currentPage(const Ref<WICycleScrollView>& c) {
  auto pc = c->pageControl();
  if (auto pg = rt::as<PGPageControl>(pc)) return pg->currentPage();
  if (auto system = rt::as<ui::PageControl>(pc)) return system->currentPage();
  return -1;
}
int64_t pageCount(const Ref<WICycleScrollView>& c) {
  auto pc = c->pageControl();
  if (auto pg = rt::as<PGPageControl>(pc)) return pg->numberOfPages();
  if (auto system = rt::as<ui::PageControl>(pc)) return system->numberOfPages();
  return -1;
}

}  // namespace

TEST_F(CarouselTest, ItemCountsFollowThePictures) {
  struct Case {
    size_t pictures;
    bool loop;
    int64_t items;
    bool scrolls;
  } cases[] = {{1, true, 100, false}, {3, true, 300, true}, {3, false, 3, true}, {0, true, 0, true}};
  for (const auto& c : cases) {
    auto view = rt::make<WICycleScrollView>(gfx::RectMake(0, 0, 320, 160));
    view->setInfiniteLoop(c.loop);
    view->setImagesGroup(pictures(c.pictures));
    EXPECT_EQ(view->totalItemsCount(), c.items) << c.pictures << c.loop;
    EXPECT_EQ(view->mainView()->isScrollEnabled(), c.scrolls) << c.pictures << c.loop;
    EXPECT_EQ(pageCount(view), static_cast<int64_t>(c.pictures)) << c.pictures << c.loop;
  }
}

TEST_F(CarouselTest, ThreePicturesStartInTheMiddleOnPictureZero) {
  auto c = make(gfx::RectMake(0, 64, 375, 200), pictures(3));
  EXPECT_DOUBLE_EQ(pageOf(c), 150);
  EXPECT_EQ(currentPage(c), 0);
  c->mainView()->setContentOffset({151 * 375, 0});
  EXPECT_EQ(currentPage(c), 1);
  ui::TouchInput(window).tap({100, 150});
  EXPECT_EQ(selections->indexes, (std::vector<int64_t>{1}));
}

TEST_F(CarouselTest, TheTimerTurnsAPageEveryIntervalAndWrapsAround) {
  auto c = make(gfx::RectMake(0, 64, 375, 200), pictures(3));
  c->setAutoScrollTimeInterval(5);
  advance(4.9);
  EXPECT_DOUBLE_EQ(pageOf(c), 150);
  advance(0.5);
  EXPECT_DOUBLE_EQ(pageOf(c), 151);
  EXPECT_EQ(currentPage(c), 1);
  advance(5);
  EXPECT_DOUBLE_EQ(pageOf(c), 152);
  EXPECT_EQ(currentPage(c), 2);

  // Past the last item the loop jumps back to the middle.
  c->mainView()->setContentOffset({299 * 375, 0});
  advance(5);
  EXPECT_DOUBLE_EQ(pageOf(c), 150);
  EXPECT_EQ(currentPage(c), 0);
}

TEST_F(CarouselTest, WithoutTheLoopTheLastPageJumpsToTheFirst) {
  auto view = rt::make<WICycleScrollView>(gfx::RectMake(0, 64, 375, 200));
  view->setInfiniteLoop(false);
  view->setImagesGroup(pictures(3));
  window->addSubview(view);
  view->layoutIfNeeded();
  EXPECT_DOUBLE_EQ(pageOf(view), 0);
  view->mainView()->setContentOffset({2 * 375, 0});
  view->automaticScroll();
  advance(0.5);
  EXPECT_DOUBLE_EQ(pageOf(view), 0);
}

TEST_F(CarouselTest, ADragPausesTheTimerUntilItEnds) {
  auto c = make(gfx::RectMake(0, 64, 375, 200), pictures(3));
  c->setAutoScrollTimeInterval(5);
  advance(4);
  ui::TouchInput input(window);
  auto finger = input.down({300, 150});
  for (int i = 1; i <= 4; ++i) {
    ui::TouchInput::wait(0.05);
    input.move(finger, {300 - 5.0 * i, 150});
  }
  EXPECT_FALSE(c->timer());
  double held = c->mainView()->contentOffset().x;
  ui::TouchInput::wait(8);  // no tick while the finger is down
  EXPECT_DOUBLE_EQ(c->mainView()->contentOffset().x, held);
  input.move(finger, {300, 150});
  input.up(finger);
  advance(1);
  EXPECT_DOUBLE_EQ(pageOf(c), 150);
  ASSERT_TRUE(c->timer());
  advance(4.5);
  EXPECT_DOUBLE_EQ(pageOf(c), 151);
}

TEST_F(CarouselTest, AutoScrollSwitchedOnMidDragRunsOneTimer) {
  auto c = make(gfx::RectMake(0, 64, 375, 200), pictures(3));
  c->setAutoScroll(false);
  c->setAutoScrollTimeInterval(5);
  ASSERT_FALSE(c->timer());
  ui::TouchInput input(window);
  auto finger = input.down({300, 150});
  for (int i = 1; i <= 4; ++i) {
    ui::TouchInput::wait(0.05);
    input.move(finger, {300 - 5.0 * i, 150});
  }
  c->setAutoScroll(true);
  auto first = c->timer();
  ASSERT_TRUE(first);
  input.move(finger, {300, 150});
  input.up(finger);  // the end of the drag starts the timer again
  ASSERT_TRUE(c->timer());
  EXPECT_FALSE(first->isValid()) << "the timer started mid-drag was stopped first";
  advance(1);
  EXPECT_DOUBLE_EQ(pageOf(c), 150);
  // One page per period, not one per timer.
  advance(4.5);
  EXPECT_DOUBLE_EQ(pageOf(c), 151);
  advance(5);
  EXPECT_DOUBLE_EQ(pageOf(c), 152);
}

TEST_F(CarouselTest, NoPicturesOrNoWidthIsQuiet) {
  auto empty = make(gfx::RectMake(0, 0, 375, 200), {});
  empty->automaticScroll();
  EXPECT_EQ(empty->mainView()->contentOffset().x, 0);
  EXPECT_EQ(pageCount(empty), 0);

  // A period of zero would fire for ever within one turn of the loop: no timer instead.
  empty->setAutoScrollTimeInterval(0);
  EXPECT_FALSE(empty->timer());

  auto flat = make(gfx::RectMake(0, 0, 0, 200), pictures(2));
  flat->automaticScroll();
  flat->scrollViewDidScroll(*flat->mainView());
  EXPECT_EQ(currentPage(flat), 0);
}

TEST_F(CarouselTest, ThePageControlSitsRightOrCentred) {
  auto right = rt::make<WICycleScrollView>(gfx::RectMake(0, 0, 320, 160));
  right->setPageControlAliment(0);
  right->setPageControlStyle(WIPageControlStyleSystem);
  right->setImagesGroup(pictures(5));
  right->layoutIfNeeded();
  EXPECT_TRUE(rt::as<ui::PageControl>(right->pageControl()));
  // Five dots of the system control need 71 points, more than 5 x 10 x 1.2.
  EXPECT_EQ(right->pageControl()->frame(), gfx::RectMake(239, 140, 71, 10));

  auto centred = rt::make<WICycleScrollView>(gfx::RectMake(0, 0, 320, 160));
  centred->setImagesGroup(pictures(5));
  centred->layoutIfNeeded();
  EXPECT_EQ(centred->pageControl()->frame(), gfx::RectMake(124, 142, 72, 8));

  centred->setPageControlStyle(7);
  EXPECT_FALSE(centred->pageControl());
}

TEST_F(CarouselTest, TitlesShowWithThreeSpacesAndPicturesWithoutTitlesShowNone) {
  auto c = make(gfx::RectMake(0, 64, 375, 200), pictures(3));
  c->setTitlesGroup({"第一条", "第二条"});  // one title short
  c->mainView()->reloadData();
  c->mainView()->layoutIfNeeded();
  auto cellFor = [&](int64_t item) {
    c->mainView()->setContentOffset({static_cast<double>(item) * 375, 0});
    c->mainView()->layoutIfNeeded();
    auto cell = rt::as<WICollectionViewCell>(c->mainView()->cellForItemAtIndexPath(fd::IndexPath::indexPathForItem(item, 0)));
    if (cell) cell->layoutIfNeeded();
    return cell;
  };
  auto first = cellFor(150);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->titleLabel()->text(), rt::String("   第一条"));
  EXPECT_FALSE(first->titleLabel()->isHidden());
  EXPECT_EQ(first->titleLabel()->frame(), gfx::RectMake(0, 170, 375, 30));
  auto third = cellFor(152);
  ASSERT_TRUE(third);
  EXPECT_TRUE(third->titleLabel()->text().isEmpty());
  EXPECT_TRUE(third->titleLabel()->isHidden());
}

TEST_F(CarouselTest, DrawnWithTitlesAndDots) {
  auto c = rt::make<WICycleScrollView>(gfx::RectMake(0, 64, 375, 200));
  c->setDotColor(gfx::Color::redColor());
  c->setTitleLabelTextFont(typeset::Font::systemFontOfSize(19));
  c->setTitleLabelHeight(40);
  c->setTitlesGroup({"区里的新闻", "今天的天气", "周末的活动"});
  c->setImagesGroup(pictures(3));
  window->addSubview(c);
  window->layoutIfNeeded();
  advance(1.5);
  auto shot = shoot("carousel-titles-dots");
  ASSERT_TRUE(shot);
  // Title text on the dark bar along the bottom of the picture.
  gfx::Rect bar = gfx::RectMake(0, 64 + 200 - 40, 375, 40);
  uint32_t barColour = pixelAt(shot, {370, 64 + 200 - 3});
  EXPECT_GT(inkIn(shot, gfx::RectMake(14, bar.origin.y + 8, 110, 24), barColour), 80);
  EXPECT_EQ(inkIn(shot, gfx::RectMake(250, bar.origin.y + 4, 100, 8), barColour), 0);
  // Three dots, the current one filled red, drawn over the bar.
  auto pc = rt::as<PGPageControl>(c->pageControl());
  ASSERT_TRUE(pc);
  gfx::Rect frame = pc->convertRectToView(pc->bounds(), window.get());
  EXPECT_EQ(frame, gfx::RectMake(167.5, 64 + 200 - 18, 40, 8));
  for (size_t i = 0; i < 3; ++i) {
    gfx::Rect dot = pc->dots()[i]->convertRectToView(pc->dots()[i]->bounds(), window.get());
    EXPECT_GT(inkIn(shot, dot, barColour), 4) << i;
  }
  uint32_t current = pixelAt(shot, {frame.origin.x + 4, frame.origin.y + 4});
  EXPECT_GT((current >> 16) & 0xff, 200u);
  EXPECT_LT((current >> 8) & 0xff, 60u);
}

// The system page control clips its dots to its bounds: as many whole dots as pictures must fit.
TEST_F(CarouselTest, EveryPictureHasItsDotOnTheSystemPageControl) {
  for (size_t n : {1, 5, 6, 7, 12}) {
    for (int32_t aliment : {0, 1}) {
      auto c = rt::make<WICycleScrollView>(gfx::RectMake(10, 10, 355, 180));
      c->setPageControlAliment(aliment);
      c->setPageControlStyle(WIPageControlStyleSystem);
      c->setImagesGroup(pictures(n));
      c->layoutIfNeeded();
      auto pc = rt::as<ui::PageControl>(c->pageControl());
      ASSERT_TRUE(pc);
      EXPECT_EQ(pc->numberOfPages(), static_cast<int64_t>(n));
      gfx::Rect b = pc->bounds();
      double r = ui::PageControl::kDotDiameter / 2;
      int whole = 0;
      for (size_t i = 0; i < n; ++i) {
        gfx::Point d = pc->dotCenter(static_cast<int64_t>(i));
        if (d.x - r >= b.origin.x && d.x + r <= b.origin.x + b.size.width) ++whole;
      }
      EXPECT_EQ(whole, static_cast<int>(n)) << n << " pictures, aliment " << aliment;
      // And the control stays inside the carousel.
      EXPECT_GE(pc->frame().origin.x, 0) << n;
      EXPECT_LE(pc->frame().origin.x + pc->frame().size.width, 355) << n;
    }
  }
}

// A new picture list shown before its titles come: once they come, each page on screen shows
// its own picture's title, not the one the previous list had at that place.
TEST_F(CarouselTest, TitlesGivenAfterANewPictureListFollowTheirPictures) {
  auto c = make(gfx::RectMake(0, 64, 375, 200), pictures(3));
  c->setTitlesGroup({"旧一", "旧二", "旧三"});
  c->mainView()->reloadData();
  window->layoutIfNeeded();
  auto shownTitle = [&]() -> std::pair<int64_t, rt::String> {
    window->layoutIfNeeded();
    c->mainView()->layoutIfNeeded();
    double w = c->mainView()->bounds().size.width;
    auto item = static_cast<int64_t>(std::lround(c->mainView()->contentOffset().x / w));
    auto cell = rt::as<WICollectionViewCell>(c->mainView()->cellForItemAtIndexPath(fd::IndexPath::indexPathForItem(item, 0)));
    if (!cell) return {item, rt::String("<no cell>")};
    return {item, cell->titleLabel()->text()};
  };
  EXPECT_EQ(shownTitle().second, rt::String("   旧一"));

  struct Case {
    size_t pictures;
    std::vector<rt::String> titles;
  } cases[] = {{4, {"新一", "新二", "新三", "新四"}}, {2, {"甲", "乙"}}, {5, {"一", "二"}}};
  for (const auto& k : cases) {
    c->setImagesGroup(pictures(k.pictures));
    auto [item, before] = shownTitle();  // laid out once with the old titles
    (void)before;
    c->setTitlesGroup(k.titles);
    auto [after, text] = shownTitle();
    ASSERT_EQ(after, item);
    // A new list starts from its first picture, where the page control starts.
    size_t picture = static_cast<size_t>(item) % k.pictures;
    EXPECT_EQ(picture, 0u) << k.pictures;
    EXPECT_EQ(currentPage(c), 0) << k.pictures;
    rt::String expected = picture < k.titles.size() ? rt::String::format("   %@", k.titles[picture]) : rt::String();
    EXPECT_EQ(text, expected) << k.pictures << " pictures, item " << item;
  }
}
