#pragma once
// The page container's default data source and delegate: one page per page view, the same
// margin on every side, and a cell that hosts the page view.
#include <vector>

#include "widgets/channels/CBRootScrollViewProtocols.h"

namespace widgets {

class CBRootScrollViewManager : public rt::Object, public CBRootScrollViewDateSource, public CBRootScrollViewDelegate {
  RT_CLASS(CBRootScrollViewManager, rt::Object)
 public:
  void init() {}
  /// Keeps the container weakly.
  void init(const Ref<CBRootScrollView>& rootScrollView);

  const std::vector<Ref<ui::View>>& pageViews() const { return pageViews_; }
  /// Stores them and reloads the container.
  void setPageViews(std::vector<Ref<ui::View>> pageViews);
  Ref<CBRootScrollView> rootScrollView() const { return rootScrollView_.lock(); }
  void setRootScrollView(const Ref<CBRootScrollView>& r) { rootScrollView_ = r; }
  double margin() const { return margin_; }
  void setMargin(double margin) { margin_ = margin; }

  uint64_t numberOfCellInRootScrollView(CBRootScrollView& rootScrollView) override;
  /// Tells the container's delegate first, then fills a cell with page view `index`.
  Ref<ui::View> rootScrollViewAtIndex(CBRootScrollView& rootScrollView, uint64_t index) override;
  std::optional<double> rootScrollViewMarginForType(CBRootScrollView& rootScrollView, int32_t type) override;

 private:
  std::vector<Ref<ui::View>> pageViews_;
  Weak<CBRootScrollView> rootScrollView_;
  double margin_ = 0;
};

}  // namespace widgets
