#pragma once
// The flow layout: items in lines across the scroll direction, a line full when the next item
// would not fit; each section framed by its insets, header and footer. Items of a line share
// out the line's spare room between them (a lone item is centred), and sit centred on the
// line's length.
#include <optional>
#include <vector>

#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/lists/CollectionViewLayout.h"

namespace ui {

class CollectionViewFlowLayout;

enum class CollectionViewScrollDirection : int64_t { Vertical = 0, Horizontal = 1 };

/// Per-section and per-item answers that override the layout's own properties.
class CollectionViewDelegateFlowLayout : public virtual CollectionViewDelegate {
 public:
  virtual std::optional<gfx::Size> collectionViewLayoutSizeForItemAtIndexPath(CollectionView& cv,
                                                                             CollectionViewLayout& layout,
                                                                             const Ref<fd::IndexPath>& indexPath) {
    (void)cv; (void)layout; (void)indexPath;
    return std::nullopt;
  }
  virtual std::optional<gfx::EdgeInsets> collectionViewLayoutInsetForSectionAtIndex(CollectionView& cv,
                                                                                  CollectionViewLayout& layout,
                                                                                  int64_t section) {
    (void)cv; (void)layout; (void)section;
    return std::nullopt;
  }
  virtual std::optional<double> collectionViewLayoutMinimumLineSpacingForSectionAtIndex(CollectionView& cv,
                                                                                      CollectionViewLayout& layout,
                                                                                      int64_t section) {
    (void)cv; (void)layout; (void)section;
    return std::nullopt;
  }
  virtual std::optional<double> collectionViewLayoutMinimumInteritemSpacingForSectionAtIndex(
      CollectionView& cv, CollectionViewLayout& layout, int64_t section) {
    (void)cv; (void)layout; (void)section;
    return std::nullopt;
  }
  virtual std::optional<gfx::Size> collectionViewLayoutReferenceSizeForHeaderInSection(CollectionView& cv,
                                                                                     CollectionViewLayout& layout,
                                                                                     int64_t section) {
    (void)cv; (void)layout; (void)section;
    return std::nullopt;
  }
  virtual std::optional<gfx::Size> collectionViewLayoutReferenceSizeForFooterInSection(CollectionView& cv,
                                                                                     CollectionViewLayout& layout,
                                                                                     int64_t section) {
    (void)cv; (void)layout; (void)section;
    return std::nullopt;
  }
};

class CollectionViewFlowLayout : public CollectionViewLayout {
  RT_CLASS_NAMED(CollectionViewFlowLayout, CollectionViewLayout, "UICollectionViewFlowLayout")
 public:
  void init() {}

  CollectionViewScrollDirection scrollDirection() const { return direction_; }
  void setScrollDirection(CollectionViewScrollDirection d);
  gfx::Size itemSize() const { return itemSize_; }
  void setItemSize(gfx::Size s);
  double minimumLineSpacing() const { return lineSpacing_; }
  void setMinimumLineSpacing(double v);
  double minimumInteritemSpacing() const { return interitemSpacing_; }
  void setMinimumInteritemSpacing(double v);
  gfx::EdgeInsets sectionInset() const { return sectionInset_; }
  void setSectionInset(gfx::EdgeInsets in);
  /// Only the length along the scroll direction counts; zero means no header (footer).
  gfx::Size headerReferenceSize() const { return headerSize_; }
  void setHeaderReferenceSize(gfx::Size s);
  gfx::Size footerReferenceSize() const { return footerSize_; }
  void setFooterReferenceSize(gfx::Size s);

  void prepareLayout() override;
  gfx::Size collectionViewContentSize() const override { return contentSize_; }
  std::vector<Ref<CollectionViewLayoutAttributes>> layoutAttributesForElementsInRect(gfx::Rect rect) const override;
  Ref<CollectionViewLayoutAttributes> layoutAttributesForItemAtIndexPath(const Ref<fd::IndexPath>& ip) const override;
  Ref<CollectionViewLayoutAttributes> layoutAttributesForSupplementaryViewOfKind(
      const rt::String& kind, const Ref<fd::IndexPath>& ip) const override;
  bool shouldInvalidateLayoutForBoundsChange(gfx::Rect newBounds) const override;

 private:
  struct Item {
    gfx::Rect frame;
    double lineStart = 0, lineEnd = 0;  // the item's line along the scroll direction
  };
  struct Section {
    double start = 0, end = 0;  // along the scroll direction
    std::optional<gfx::Rect> header, footer;
    std::vector<Item> items;
  };
  Ref<CollectionViewLayoutAttributes> itemAttributes(size_t section, size_t item) const;
  Ref<CollectionViewLayoutAttributes> supplementaryAttributes(const rt::String& kind, size_t section,
                                                              gfx::Rect frame) const;

  CollectionViewScrollDirection direction_ = CollectionViewScrollDirection::Vertical;
  gfx::Size itemSize_{50, 50};
  double lineSpacing_ = 10;
  double interitemSpacing_ = 10;
  gfx::EdgeInsets sectionInset_;
  gfx::Size headerSize_, footerSize_;

  std::vector<Section> sections_;
  gfx::Size contentSize_;
  gfx::Size preparedFor_;
};

}  // namespace ui
