#pragma once
// Collection view layouts: objects that place the items and supplementary views of a
// collection view and size its content. A layout answers attributes (frame, alpha, order) per
// element; the collection view turns the attributes of the visible elements into views.
#include <cstdint>
#include <vector>

#include "platform/foundation/values/IndexPath.h"
#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"

namespace ui {

class CollectionView;

/// Kinds of supplementary views the flow layout asks for.
inline const rt::String& CollectionElementKindSectionHeader() {
  static const rt::String kind("UICollectionElementKindSectionHeader");
  return kind;
}
inline const rt::String& CollectionElementKindSectionFooter() {
  static const rt::String kind("UICollectionElementKindSectionFooter");
  return kind;
}

enum class CollectionElementCategory : int64_t { Cell = 0, SupplementaryView = 1, DecorationView = 2 };

class CollectionViewLayoutAttributes : public rt::Object {
  RT_CLASS_NAMED(CollectionViewLayoutAttributes, rt::Object, "UICollectionViewLayoutAttributes")
 public:
  void init() {}
  static Ref<CollectionViewLayoutAttributes> layoutAttributesForCellWithIndexPath(const Ref<fd::IndexPath>& indexPath);
  static Ref<CollectionViewLayoutAttributes> layoutAttributesForSupplementaryViewOfKind(const rt::String& kind,
                                                                                      const Ref<fd::IndexPath>& indexPath);

  gfx::Rect frame() const { return frame_; }
  void setFrame(gfx::Rect f) { frame_ = f; }
  gfx::Point center() const;
  void setCenter(gfx::Point c);
  gfx::Size size() const { return frame_.size; }
  void setSize(gfx::Size s);
  double alpha() const { return alpha_; }
  void setAlpha(double a) { alpha_ = a; }
  int64_t zIndex() const { return zIndex_; }
  void setZIndex(int64_t z) { zIndex_ = z; }
  bool isHidden() const { return hidden_; }
  void setHidden(bool on) { hidden_ = on; }
  Ref<fd::IndexPath> indexPath() const { return indexPath_; }
  void setIndexPath(Ref<fd::IndexPath> ip) { indexPath_ = std::move(ip); }
  CollectionElementCategory representedElementCategory() const { return category_; }
  /// Empty for cells.
  rt::String representedElementKind() const { return kind_; }

  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  rt::Id copy() const override;

 private:
  gfx::Rect frame_;
  double alpha_ = 1;
  int64_t zIndex_ = 0;
  bool hidden_ = false;
  Ref<fd::IndexPath> indexPath_;
  CollectionElementCategory category_ = CollectionElementCategory::Cell;
  rt::String kind_;
};

/// The base layout places nothing; subclasses override the queries.
class CollectionViewLayout : public rt::Object {
  RT_CLASS_NAMED(CollectionViewLayout, rt::Object, "UICollectionViewLayout")
 public:
  void init() {}

  /// The collection view showing this layout (set when the layout is installed).
  Ref<CollectionView> collectionView() const { return collectionView_.lock(); }
  void setCollectionView(const Ref<CollectionView>& cv) { collectionView_ = cv; }

  /// Computes what the queries below answer; runs before the first layout after each
  /// invalidation.
  virtual void prepareLayout() {}
  virtual gfx::Size collectionViewContentSize() const { return gfx::SizeZero; }
  virtual std::vector<Ref<CollectionViewLayoutAttributes>> layoutAttributesForElementsInRect(gfx::Rect rect) const {
    (void)rect;
    return {};
  }
  virtual Ref<CollectionViewLayoutAttributes> layoutAttributesForItemAtIndexPath(const Ref<fd::IndexPath>& ip) const {
    (void)ip;
    return nullptr;
  }
  virtual Ref<CollectionViewLayoutAttributes> layoutAttributesForSupplementaryViewOfKind(
      const rt::String& kind, const Ref<fd::IndexPath>& ip) const {
    (void)kind; (void)ip;
    return nullptr;
  }
  /// Whether a change of the collection view's bounds to `newBounds` needs a new layout.
  virtual bool shouldInvalidateLayoutForBoundsChange(gfx::Rect newBounds) const { (void)newBounds; return false; }
  /// Where a scroll that would rest at `proposed` should rest instead.
  virtual gfx::Point targetContentOffsetForProposedContentOffset(gfx::Point proposed) const { return proposed; }

  /// Marks the layout stale; the collection view prepares it again at its next layout pass.
  void invalidateLayout();
  bool isValid() const { return valid_; }
  /// Called by the collection view once the layout has been prepared.
  void markPrepared() { valid_ = true; }

 private:
  Weak<CollectionView> collectionView_;
  bool valid_ = false;
};

}  // namespace ui
