#pragma once
// What the page container asks of its data source (pages and their cells) and tells its
// delegate (a page coming into view, page margins).
#include <cstdint>
#include <optional>

#include "platform/ui/view/View.h"

namespace widgets {

class CBRootScrollView;

class CBRootScrollViewDateSource {
 public:
  virtual ~CBRootScrollViewDateSource() = default;
  virtual uint64_t numberOfCellInRootScrollView(CBRootScrollView& rootScrollView) = 0;
  /// The cell that shows page `index`.
  virtual Ref<ui::View> rootScrollViewAtIndex(CBRootScrollView& rootScrollView, uint64_t index) = 0;
};

/// Margin types: 0 bottom, 1 top, 2 left, 3 right.
enum CBRootScrollViewMarginType : int32_t {
  CBMarginBottom = 0,
  CBMarginTop = 1,
  CBMarginLeft = 2,
  CBMarginRight = 3,
};

/// Both operations are optional.
class CBRootScrollViewDelegate {
 public:
  virtual ~CBRootScrollViewDelegate() = default;
  /// Page `index` is about to come into view (also when only its edge does).
  virtual void rootScrollViewDidSelectAtIndex(CBRootScrollView& rootScrollView, uint64_t index) {
    (void)rootScrollView;
    (void)index;
  }
  /// nullopt: does not answer (margin 0).
  virtual std::optional<double> rootScrollViewMarginForType(CBRootScrollView& rootScrollView, int32_t type) {
    (void)rootScrollView;
    (void)type;
    return std::nullopt;
  }
};

}  // namespace widgets
