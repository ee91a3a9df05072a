#pragma once
// The channel bar's paged container: one page per channel side by side, asked of a data source
// like a table's rows. Only the pages that intersect the visible area are sub-views; the others
// wait in a reuse pool. Main thread only.
#include <map>
#include <vector>

#include "platform/ui/lists/ScrollView.h"
#include "widgets/channels/CBRootScrollViewCell.h"
#include "widgets/channels/CBRootScrollViewManager.h"
#include "widgets/channels/CBRootScrollViewProtocols.h"

namespace widgets {

class CBRootScrollView : public ui::ScrollView {
  RT_CLASS(CBRootScrollView, ui::ScrollView)
 public:
  // The scroll view's private frame step hides the view's frame getter from plain lookup.
  using ui::View::frame;
  /// With the default manager as data source and delegate.
  void init();
  /// Without a manager.
  void init(gfx::Rect frame);

  Weak<CBRootScrollViewDateSource> rootScrollViewDateSource() const { return dataSource_; }
  void setRootScrollViewDateSource(Weak<CBRootScrollViewDateSource> d) { dataSource_ = std::move(d); }
  Weak<CBRootScrollViewDelegate> rootScrollViewDelegate() const { return delegate_; }
  void setRootScrollViewDelegate(Weak<CBRootScrollViewDelegate> d) { delegate_ = std::move(d); }

  const std::vector<Ref<ui::View>>& pageViews() const { return pageViews_; }
  /// Hands them to the manager, which reloads.
  void setPageViews(std::vector<Ref<ui::View>> pageViews);
  double margin() const { return margin_; }
  void setMargin(double margin);
  double rootScrollWidth() const { return rootScrollWidth_; }
  void setRootScrollWidth(double w) { rootScrollWidth_ = w; }
  double rootScrollHeight() const { return rootScrollHeight_; }
  void setRootScrollHeight(double h) { rootScrollHeight_ = h; }
  const Ref<CBRootScrollViewManager>& manager() const { return manager_; }

  const std::vector<gfx::Rect>& pageViewFrames() const { return pageViewFrames_; }
  /// The cell on screen for each page index.
  const std::map<uint64_t, Ref<ui::View>>& displayingPageViews() const { return displaying_; }
  const std::vector<Ref<ui::View>>& reusePageViews() const { return reuse_; }

  /// Drops every cell (the pool too), then computes the page frames and the content size
  /// from the data source; nothing when there are no pages or the container has no size.
  void reloadPageViews();
  void cleanDate();
  /// The first pooled cell with that identifier, taken out of the pool; null when none has.
  Ref<CBRootScrollViewCell> dequeueReusableCellWithIdentifier(const rt::String& identifier);
  double marginForType(int32_t type);
  /// Whether `rect` (content coordinates) overlaps the visible width.
  bool isInScreen(gfx::Rect rect) const;

  void willMoveToSuperview(ui::View* newSuperview) override;
  /// Brings in the cells of pages that came into view and pools those that left it.
  void layoutSubviews() override;

 private:
  Weak<CBRootScrollViewDateSource> dataSource_;
  Weak<CBRootScrollViewDelegate> delegate_;
  std::vector<Ref<ui::View>> pageViews_;
  double margin_ = 0;
  double rootScrollWidth_ = 0, rootScrollHeight_ = 0;
  std::vector<gfx::Rect> pageViewFrames_;
  std::map<uint64_t, Ref<ui::View>> displaying_;
  std::vector<Ref<ui::View>> reuse_;
  Ref<CBRootScrollViewManager> manager_;
};

}  // namespace widgets
