#include "widgets/carousel/WICycleScrollView.h"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLConnection.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/ui/controls/PageControl.h"
#include "widgets/carousel/Data+WIDataCache.h"
#include "widgets/carousel/PGPageControl.h"
#include "widgets/carousel/View+WIExtension.h"

namespace widgets {

RT_IMPLEMENT(WICycleScrollView) {
  c.property("totalItemsCount", &WICycleScrollView::totalItemsCount);
  c.property("autoScrollTimeInterval", &WICycleScrollView::autoScrollTimeInterval,
             &WICycleScrollView::setAutoScrollTimeInterval);
}

namespace {

Ref<gfx::Image> emptyPicture() { return rt::make<gfx::Image>(); }

bool isEmpty(const Ref<gfx::Image>& image) { return !image || image->size().width == 0; }

int64_t itemOf(const Ref<fd::IndexPath>& indexPath) { return indexPath ? indexPath->item() : 0; }

}  // namespace

// ---- creation

void WICycleScrollView::init(gfx::Rect frame) {
  ui::View::init(frame);
  titleColor_ = gfx::Color::whiteColor();
  titleFont_ = typeset::Font::systemFontOfSize(14);
  titleBackground_ = gfx::Color::colorWithWhite(0, 0.5);
  setBackgroundColor(gfx::Color::lightGrayColor());
  setupMainView();
}

WICycleScrollView::~WICycleScrollView() {
  if (auto cv = mainView_.lock()) {
    cv->setDataSource({});
    cv->setDelegate(Weak<ui::ScrollViewDelegate>());
  }
  invalidateTimer();
}

Ref<WICycleScrollView> WICycleScrollView::cycleScrollViewWithFrame(gfx::Rect frame, std::vector<Ref<gfx::Image>> images) {
  auto view = rt::make<WICycleScrollView>(frame);
  view->setImagesGroup(std::move(images));
  return view;
}

Ref<WICycleScrollView> WICycleScrollView::cycleScrollViewWithFrame(gfx::Rect frame, std::vector<rt::String> urls) {
  auto view = rt::make<WICycleScrollView>(frame);
  view->setImageURLStringsGroup(std::move(urls));
  return view;
}

void WICycleScrollView::setupMainView() {
  auto layout = rt::make<ui::CollectionViewFlowLayout>();
  layout->setItemSize(frame().size);
  layout->setMinimumLineSpacing(0);
  layout->setScrollDirection(ui::CollectionViewScrollDirection::Horizontal);
  auto cv = rt::make<ui::CollectionView>(bounds(), layout);
  cv->setBackgroundColor(gfx::Color::clearColor());
  cv->setPagingEnabled(true);
  cv->setShowsHorizontalScrollIndicator(false);
  cv->setShowsVerticalScrollIndicator(false);
  cv->registerClassForCellWithReuseIdentifier<WICollectionViewCell>(kCellIdentifier);
  auto me = std::static_pointer_cast<WICycleScrollView>(self());
  cv->setDataSource(Weak<ui::CollectionViewDataSource>(me));
  cv->setDelegate(Weak<ui::ScrollViewDelegate>(me));
  addSubview(cv);
  mainView_ = cv;
  flowLayout_ = layout;
}

void WICycleScrollView::setFrame(gfx::Rect frame) {
  ui::View::setFrame(frame);
  if (auto layout = flowLayout_.lock(); layout && frame.size.width > 0 && frame.size.height > 0)
    layout->setItemSize(frame.size);
}

// ---- pictures

void WICycleScrollView::setImagesGroup(std::vector<Ref<gfx::Image>> images) {
  images_ = std::move(images);
  ++generation_;
  auto count = static_cast<int64_t>(images_.size());
  totalItemsCount_ = infiniteLoop_ ? count * kLoopFactor : count;
  auto cv = mainView_.lock();
  if (count == 1) {
    if (cv) cv->setScrollEnabled(false);
  } else {
    if (cv) cv->setScrollEnabled(true);
    setAutoScroll(autoScroll_);
  }
  setupPageControl();
  if (cv) {
    cv->reloadData();
    // The new page control reads 0, so the new list shows from its first picture too (the next
    // layout moves to the middle item); kept where it was, the page shown would be some other
    // picture of the new list while the dot and the titles read the first.
    cv->setContentOffset({0, 0});
    setNeedsLayout();
  }
}

void WICycleScrollView::setLocalizationImagesGroup(std::vector<Ref<gfx::Image>> images) {
  localImages_ = std::move(images);
  retries_.assign(localImages_.size(), 0);
  setImagesGroup(localImages_);
}

void WICycleScrollView::setImageURLStringsGroup(std::vector<rt::String> urls) {
  urls_ = std::move(urls);
  retries_.assign(urls_.size(), 0);
  std::vector<Ref<gfx::Image>> empties;
  for (size_t i = 0; i < urls_.size(); ++i) empties.push_back(emptyPicture());
  setImagesGroup(std::move(empties));
  loadImageWithImageURLsGroup(urls_);
}

void WICycleScrollView::loadImageWithImageURLsGroup(const std::vector<rt::String>& urls) {
  for (size_t i = 0; i < urls.size(); ++i) loadImageAtIndex(static_cast<int64_t>(i));
}

void WICycleScrollView::loadImageAtIndex(int64_t index) {
  if (index < 0 || static_cast<size_t>(index) >= urls_.size()) return;
  auto i = static_cast<size_t>(index);
  const rt::String& string = urls_[i];
  if (auto cached = WIDataCache::getDataCacheWithIdentifier(string)) {
    if (auto image = gfx::Image::imageWithData(cached); !isEmpty(image)) {
      if (i < images_.size()) images_[i] = image;
      return;
    }
    // A damaged file would keep the picture away for good; fetch it again instead.
    WIDataCache::removeDataCacheWithIdentifier(string);
  }
  auto url = fd::URL::URLWithString(string);
  if (!url) return;
  uint64_t generation = generation_;
  Weak<WICycleScrollView> weak = std::static_pointer_cast<WICycleScrollView>(self());
  auto queue = fd::OperationQueue::create("carousel.download");
  fd::URLConnection::sendAsynchronousRequest(
      fd::URLRequest::requestWithURL(url), queue,
      [weak, generation, i, string, queue](Ref<fd::URLResponse>, Ref<fd::Data> data, Ref<fd::Error> error) {
        if (error) {
          dispatch::mainQueue()->async([weak, generation, i] {
            if (auto view = weak.lock()) view->retryLater(generation, i);
          });
          return;
        }
        auto image = data ? gfx::Image::imageWithData(data) : nullptr;
        if (isEmpty(image)) return;  // not a picture: nothing is kept or retried
        WIDataCache::saveDataCacheWithIdentifier(data, string);
        dispatch::mainQueue()->async([weak, generation, i, image] {
          if (auto view = weak.lock()) view->pictureArrived(generation, i, image);
        });
      });
}

void WICycleScrollView::retryLater(uint64_t generation, size_t index) {
  Weak<WICycleScrollView> weak = std::static_pointer_cast<WICycleScrollView>(self());
  dispatch::mainQueue()->after(kRetryDelay, [weak, generation, index] {
    auto view = weak.lock();
    if (!view || generation != view->generation_ || index >= view->retries_.size()) return;
    if (view->retries_[index] > kMaxRetries) return;
    ++view->retries_[index];
    view->loadImageAtIndex(static_cast<int64_t>(index));
  });
}

void WICycleScrollView::setTitlesGroup(std::vector<rt::String> titles) {
  titles_ = std::move(titles);
  // Pages already on screen were configured with the previous titles (a new picture list is
  // shown before its titles are given): bring them in step with their pictures.
  refreshVisibleTitles();
}

void WICycleScrollView::refreshVisibleTitles() {
  auto cv = mainView_.lock();
  size_t count = images_.size();
  if (!cv || count == 0) return;
  for (const auto& cell : cv->visibleCells()) {
    auto path = cv->indexPathForCell(cell.get());
    auto page = rt::as<WICollectionViewCell>(cell);
    if (!path || !page) continue;
    size_t picture = static_cast<size_t>(path->item()) % count;
    page->setTitle(picture < titles_.size() ? titles_[picture] : rt::String());
  }
}

void WICycleScrollView::pictureArrived(uint64_t generation, size_t index, const Ref<gfx::Image>& image) {
  if (generation != generation_ || index >= images_.size()) return;
  images_[index] = image;
  auto cv = mainView_.lock();
  if (!cv) return;
  if (index == 0) {
    cv->reloadData();
    return;
  }
  // A page on screen shows its picture at once, not only when its cell is next configured.
  size_t count = images_.size();
  for (const auto& cell : cv->visibleCells()) {
    auto path = cv->indexPathForCell(cell.get());
    auto picture = rt::as<WICollectionViewCell>(cell);
    if (path && picture && static_cast<size_t>(path->item()) % count == index) picture->imageView()->setImage(image);
  }
}

void WICycleScrollView::clearCache() { WIDataCache::clearCache(); }

// ---- timer

void WICycleScrollView::setAutoScrollTimeInterval(double seconds) {
  interval_ = seconds;
  setAutoScroll(autoScroll_);
}

void WICycleScrollView::setAutoScroll(bool on) {
  autoScroll_ = on;
  invalidateTimer();
  if (on) setupTimer();
}

void WICycleScrollView::invalidateTimer() {
  if (auto t = timer_.lock()) t->invalidate();
  timer_.reset();
}

void WICycleScrollView::setupTimer() {
  // Never two timers turning pages: a drag may end while one started mid-drag runs.
  invalidateTimer();
  // A period of zero would fire without end within one turn of the loop.
  if (!(interval_ > 0)) return;
  Weak<WICycleScrollView> weak = std::static_pointer_cast<WICycleScrollView>(self());
  auto timer = fd::Timer::scheduledTimerWithTimeInterval(interval_, true, [weak](fd::Timer&) {
    if (auto view = weak.lock()) view->automaticScroll();
  });
  fd::RunLoop::mainRunLoop()->addTimer(timer, fd::NSRunLoopCommonModes);
  timer_ = timer;
}

void WICycleScrollView::automaticScroll() {
  auto cv = mainView_.lock();
  auto layout = flowLayout_.lock();
  if (totalItemsCount_ == 0 || !cv || !layout) return;
  double itemWidth = layout->itemSize().width;
  if (!(itemWidth > 0)) return;
  auto current = static_cast<int64_t>(static_cast<int32_t>(cv->contentOffset().x / itemWidth));
  int64_t target = current + 1;
  if (target >= totalItemsCount_) {
    target = infiniteLoop_ ? static_cast<int64_t>(static_cast<double>(totalItemsCount_) * 0.5) : 0;
    cv->scrollToItemAtIndexPath(fd::IndexPath::indexPathForItem(target, 0), ui::CollectionViewScrollPositionNone,
                                false);
  }
  cv->scrollToItemAtIndexPath(fd::IndexPath::indexPathForItem(target, 0), ui::CollectionViewScrollPositionNone, true);
}

// ---- page control

void WICycleScrollView::setShowPageControl(bool on) {
  showPageControl_ = on;
  if (auto pc = pageControl_.lock()) pc->setHidden(!on);
}

void WICycleScrollView::setPageControlStyle(int32_t style) {
  pageControlStyle_ = style;
  setupPageControl();
}

void WICycleScrollView::setPageControlDotSize(gfx::Size size) {
  dotSize_ = size;
  if (auto pg = rt::as<PGPageControl>(pageControl_.lock())) pg->setDotSize(size);
}

void WICycleScrollView::setDotColor(Ref<gfx::Color> color) {
  dotColor_ = std::move(color);
  auto pc = pageControl_.lock();
  if (auto pg = rt::as<PGPageControl>(pc)) {
    pg->setDotColor(dotColor_);
  } else if (auto system = rt::as<ui::PageControl>(pc)) {
    system->setCurrentPageIndicatorTintColor(dotColor_);
  }
}

void WICycleScrollView::setupPageControl() {
  if (auto old = pageControl_.lock()) old->removeFromSuperview();
  pageControl_.reset();
  auto count = static_cast<int64_t>(images_.size());
  Ref<ui::Control> made;
  if (pageControlStyle_ == WIPageControlStyleSystem) {
    auto system = rt::make<ui::PageControl>();
    system->setNumberOfPages(count);
    system->setCurrentPageIndicatorTintColor(dotColor_);
    made = system;
  } else if (pageControlStyle_ == WIPageControlStyleAnimated) {
    auto pg = rt::make<PGPageControl>();
    pg->setNumberOfPages(count);
    pg->setDotColor(dotColor_);
    made = pg;
  } else {
    return;
  }
  addSubview(made);
  pageControl_ = made;
  setNeedsLayout();
}

// ---- layout

void WICycleScrollView::layoutSubviews() {
  ui::View::layoutSubviews();
  auto cv = mainView_.lock();
  if (!cv) return;
  if (auto layout = flowLayout_.lock(); layout && frame().size.width > 0 && frame().size.height > 0)
    layout->setItemSize(frame().size);
  cv->setFrame(bounds());
  if (cv->contentOffset().x == 0 && totalItemsCount_ != 0 && bounds().size.width > 0) {
    int64_t target = infiniteLoop_ ? static_cast<int64_t>(static_cast<double>(totalItemsCount_) * 0.5) : 0;
    cv->scrollToItemAtIndexPath(fd::IndexPath::indexPathForItem(target, 0), ui::CollectionViewScrollPositionNone,
                                false);
  }
  auto pc = pageControl_.lock();
  if (!pc) return;
  auto count = static_cast<int64_t>(images_.size());
  gfx::Size size;
  auto pg = rt::as<PGPageControl>(pc);
  if (pg) {
    size = pg->sizeForNumberOfPages(count);
  } else {
    size = {static_cast<double>(count) * dotSize_.width * 1.2, dotSize_.height};
    // The system control draws its dots wider apart than that and clips them to its bounds:
    // widen it so that every picture keeps its dot.
    if (auto system = rt::as<ui::PageControl>(pc))
      size.width = std::max(size.width, system->sizeForNumberOfPages(count).width);
  }
  double x = aliment_ != 0 ? (wi_width(*this) - size.width) * 0.5 : wi_width(*cv) - size.width - 10;
  double y = wi_height(*cv) - size.height - 10;
  if (pg) pg->sizeToFit();
  pc->setFrame(gfx::RectMake(x, y, size.width, size.height));
  pc->setHidden(!showPageControl_);
}

void WICycleScrollView::willMoveToSuperview(ui::View* newSuperview) {
  ui::View::willMoveToSuperview(newSuperview);
  if (!newSuperview) invalidateTimer();
}

// ---- collection view

int64_t WICycleScrollView::collectionViewNumberOfItemsInSection(ui::CollectionView&, int64_t) {
  return totalItemsCount_;
}

Ref<ui::CollectionViewCell> WICycleScrollView::collectionViewCellForItemAtIndexPath(
    ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) {
  auto cell = rt::as<WICollectionViewCell>(cv.dequeueReusableCellWithReuseIdentifier(kCellIdentifier, indexPath));
  size_t count = images_.size();
  if (!cell || count == 0) return cell;
  size_t picture = static_cast<size_t>(itemOf(indexPath)) % count;
  Ref<gfx::Image> image = images_[picture];
  if (isEmpty(image) && placeholder_) image = placeholder_;
  cell->imageView()->setImage(image);
  // A reused cell must not keep another picture's title; a picture past the titles has none.
  cell->setTitle(picture < titles_.size() ? titles_[picture] : rt::String());
  if (!cell->hasConfigured()) {
    cell->setTitleLabelBackgroundColor(titleBackground_);
    cell->setTitleLabelHeight(titleHeight_);
    cell->setTitleLabelTextColor(titleColor_);
    cell->setTitleLabelTextFont(titleFont_);
    cell->setHasConfigured(true);
  }
  return cell;
}

void WICycleScrollView::collectionViewDidSelectItemAtIndexPath(ui::CollectionView&, const Ref<fd::IndexPath>& indexPath) {
  auto count = static_cast<int64_t>(images_.size());
  if (count == 0) return;
  if (auto d = delegate_.lock()) d->cycleScrollViewDidSelectItemAtIndex(*this, itemOf(indexPath) % count);
}

void WICycleScrollView::scrollViewDidScroll(ui::ScrollView& s) {
  auto count = static_cast<int64_t>(images_.size());
  double w = s.bounds().size.width;
  if (count == 0 || !(w > 0)) return;
  auto item = static_cast<int64_t>(static_cast<int32_t>((s.contentOffset().x + w * 0.5) / w));
  int64_t page = ((item % count) + count) % count;
  auto pc = pageControl_.lock();
  if (auto pg = rt::as<PGPageControl>(pc)) {
    pg->setCurrentPage(page);
  } else if (auto system = rt::as<ui::PageControl>(pc)) {
    system->setCurrentPage(page);
  }
}

void WICycleScrollView::scrollViewWillBeginDragging(ui::ScrollView&) {
  if (autoScroll_) invalidateTimer();
}

void WICycleScrollView::scrollViewDidEndDragging(ui::ScrollView&, bool) {
  if (autoScroll_) setupTimer();
}

}  // namespace widgets
