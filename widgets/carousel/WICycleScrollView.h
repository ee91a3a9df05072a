#pragma once
// The auto-scrolling picture carousel: a paged horizontal collection view with one full-size
// cell per picture (looping endlessly by repeating the pictures 100 times), optional titles, a
// page control, a repeating timer that turns one page at a time, and its own picture loader
// with a disk cache. Main thread only; downloads run on their own queues and hand their
// pictures back on the main queue, where an answer for a list that has since been replaced is
// dropped.
#include <cstdint>
#include <vector>

#include "platform/foundation/threads/Timer.h"
#include "platform/graphics/Image.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controls/Control.h"
#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/lists/CollectionViewFlowLayout.h"
#include "widgets/carousel/WICollectionViewCell.h"

namespace widgets {

class WICycleScrollView;

class WICycleScrollViewDelegate {
 public:
  virtual ~WICycleScrollViewDelegate() = default;
  virtual void cycleScrollViewDidSelectItemAtIndex(WICycleScrollView& view, int64_t index) = 0;
};

/// Page control styles.
enum WICyclePageControlStyle : int32_t {
  WIPageControlStyleSystem = 0,
  WIPageControlStyleAnimated = 1,
};

class WICycleScrollView : public ui::View, public ui::CollectionViewDataSource, public ui::CollectionViewDelegate {
  RT_CLASS(WICycleScrollView, ui::View)
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  ~WICycleScrollView() override;

  static Ref<WICycleScrollView> cycleScrollViewWithFrame(gfx::Rect frame, std::vector<Ref<gfx::Image>> images);
  static Ref<WICycleScrollView> cycleScrollViewWithFrame(gfx::Rect frame, std::vector<rt::String> imageURLStrings);

  // ---- pictures and titles
  const std::vector<Ref<gfx::Image>>& localizationImagesGroup() const { return localImages_; }
  void setLocalizationImagesGroup(std::vector<Ref<gfx::Image>> images);
  const std::vector<rt::String>& imageURLStringsGroup() const { return urls_; }
  /// Shows an empty picture (the placeholder) for each URL and loads them from the cache or the
  /// network.
  void setImageURLStringsGroup(std::vector<rt::String> urls);
  /// One entry per picture; an empty picture has no size.
  const std::vector<Ref<gfx::Image>>& imagesGroup() const { return images_; }
  void setImagesGroup(std::vector<Ref<gfx::Image>> images);
  const std::vector<rt::String>& titlesGroup() const { return titles_; }
  /// Read when cells are configured; a picture without a title shows no title bar.
  /// Pages on screen take their new titles at once.
  void setTitlesGroup(std::vector<rt::String> titles);
  Ref<gfx::Image> placeholderImage() const { return placeholder_; }
  void setPlaceholderImage(Ref<gfx::Image> image) { placeholder_ = std::move(image); }

  // ---- scrolling
  double autoScrollTimeInterval() const { return interval_; }
  /// Restarts the timer with the new period.
  void setAutoScrollTimeInterval(double seconds);
  bool infiniteLoop() const { return infiniteLoop_; }
  /// Takes effect at the next setting of the pictures.
  void setInfiniteLoop(bool on) { infiniteLoop_ = on; }
  bool autoScroll() const { return autoScroll_; }
  /// Stops the timer; starts a new one when on.
  void setAutoScroll(bool on);
  Weak<WICycleScrollViewDelegate> delegate() const { return delegate_; }
  void setDelegate(Weak<WICycleScrollViewDelegate> d) { delegate_ = std::move(d); }

  // ---- page control
  bool showPageControl() const { return showPageControl_; }
  void setShowPageControl(bool on);
  int32_t pageControlStyle() const { return pageControlStyle_; }
  void setPageControlStyle(int32_t style);
  /// 0 puts the page control at the right; any other value centres it.
  int32_t pageControlAliment() const { return aliment_; }
  void setPageControlAliment(int32_t a) { aliment_ = a; setNeedsLayout(); }
  gfx::Size pageControlDotSize() const { return dotSize_; }
  void setPageControlDotSize(gfx::Size size);
  Ref<gfx::Color> dotColor() const { return dotColor_; }
  void setDotColor(Ref<gfx::Color> color);

  // ---- title style (copied into each cell once, when it is first configured)
  Ref<gfx::Color> titleLabelTextColor() const { return titleColor_; }
  void setTitleLabelTextColor(Ref<gfx::Color> c) { titleColor_ = std::move(c); }
  Ref<typeset::Font> titleLabelTextFont() const { return titleFont_; }
  void setTitleLabelTextFont(Ref<typeset::Font> f) { titleFont_ = std::move(f); }
  Ref<gfx::Color> titleLabelBackgroundColor() const { return titleBackground_; }
  void setTitleLabelBackgroundColor(Ref<gfx::Color> c) { titleBackground_ = std::move(c); }
  double titleLabelHeight() const { return titleHeight_; }
  void setTitleLabelHeight(double h) { titleHeight_ = h; }

  // ---- parts and state
  Ref<ui::CollectionView> mainView() const { return mainView_.lock(); }
  Ref<ui::CollectionViewFlowLayout> flowLayout() const { return flowLayout_.lock(); }
  Ref<ui::Control> pageControl() const { return pageControl_.lock(); }
  Ref<fd::Timer> timer() const { return timer_.lock(); }
  int64_t totalItemsCount() const { return totalItemsCount_; }
  /// Downloads retried so far for picture `index` of the current list.
  int retryCount(size_t index) const { return index < retries_.size() ? retries_[index] : 0; }

  // ---- operations
  void loadImageWithImageURLsGroup(const std::vector<rt::String>& urls);
  void loadImageAtIndex(int64_t index);
  void setupPageControl();
  /// One timer tick: the next page, animated; past the last item a jump back to the middle
  /// (or the start without looping).
  void automaticScroll();
  void setupTimer();
  void clearCache();

  void setFrame(gfx::Rect frame) override;
  void layoutSubviews() override;
  void willMoveToSuperview(ui::View* newSuperview) override;

  // ---- collection view
  int64_t collectionViewNumberOfItemsInSection(ui::CollectionView& cv, int64_t section) override;
  Ref<ui::CollectionViewCell> collectionViewCellForItemAtIndexPath(ui::CollectionView& cv,
                                                                   const Ref<fd::IndexPath>& indexPath) override;
  void collectionViewDidSelectItemAtIndexPath(ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) override;
  void scrollViewDidScroll(ui::ScrollView& s) override;
  void scrollViewWillBeginDragging(ui::ScrollView& s) override;
  void scrollViewDidEndDragging(ui::ScrollView& s, bool willDecelerate) override;

  static inline const rt::String kCellIdentifier{"cycleCell"};
  /// A failed download is tried again 2 s later while its picture has been retried no more
  /// than this often (so at most 11 retries per picture of a list).
  static constexpr int kMaxRetries = 10;
  static constexpr double kRetryDelay = 2;
  /// Items per picture with endless looping.
  static constexpr int64_t kLoopFactor = 100;

 private:
  void setupMainView();
  /// The picture `index` of list `generation` arrived (main queue).
  void pictureArrived(uint64_t generation, size_t index, const Ref<gfx::Image>& image);
  void retryLater(uint64_t generation, size_t index);
  void refreshVisibleTitles();
  size_t pictureCount() const { return images_.size(); }
  void invalidateTimer();

  std::vector<Ref<gfx::Image>> localImages_;
  std::vector<rt::String> urls_;
  std::vector<Ref<gfx::Image>> images_;
  std::vector<rt::String> titles_;
  std::vector<int> retries_;
  /// Moves on with every new list, so that answers for an older one are dropped.
  uint64_t generation_ = 0;
  Ref<gfx::Image> placeholder_;
  double interval_ = 2.0;
  bool infiniteLoop_ = true, autoScroll_ = true, showPageControl_ = true;
  int32_t pageControlStyle_ = WIPageControlStyleAnimated, aliment_ = 1;
  gfx::Size dotSize_{10, 10};
  Ref<gfx::Color> dotColor_, titleColor_, titleBackground_;
  Ref<typeset::Font> titleFont_;
  double titleHeight_ = 30;
  Weak<WICycleScrollViewDelegate> delegate_;
  Weak<ui::CollectionView> mainView_;
  Weak<ui::CollectionViewFlowLayout> flowLayout_;
  Weak<fd::Timer> timer_;
  Weak<ui::Control> pageControl_;
  int64_t totalItemsCount_ = 0;
};

}  // namespace widgets
