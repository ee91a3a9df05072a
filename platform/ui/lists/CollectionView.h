#pragma once
// Collection views: items in sections, placed by a layout object, shown through reused cells.
// Only the elements inside the visible area are views; an element that scrolls out gives its
// view back to the reuse queue of its identifier, and the data source dequeues it again for
// the element that scrolls in.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "platform/foundation/values/IndexPath.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/ui/lists/CollectionViewCell.h"
#include "platform/ui/lists/CollectionViewLayout.h"
#include "platform/ui/lists/ReuseQueue.h"
#include "platform/ui/lists/ScrollView.h"

namespace ui {

class CollectionView;

/// Where an item should come to rest when scrolled to; one vertical and one horizontal flag
/// may be combined. None scrolls no more than needed to show the item.
enum CollectionViewScrollPosition : uint64_t {
  CollectionViewScrollPositionNone = 0,
  CollectionViewScrollPositionTop = 1 << 0,
  CollectionViewScrollPositionCenteredVertically = 1 << 1,
  CollectionViewScrollPositionBottom = 1 << 2,
  CollectionViewScrollPositionLeft = 1 << 3,
  CollectionViewScrollPositionCenteredHorizontally = 1 << 4,
  CollectionViewScrollPositionRight = 1 << 5,
};

class CollectionViewDataSource {
 public:
  virtual ~CollectionViewDataSource() = default;
  virtual int64_t collectionViewNumberOfItemsInSection(CollectionView& cv, int64_t section) = 0;
  virtual Ref<CollectionViewCell> collectionViewCellForItemAtIndexPath(CollectionView& cv,
                                                                      const Ref<fd::IndexPath>& indexPath) = 0;
  /// nullopt: one section.
  virtual std::optional<int64_t> numberOfSectionsInCollectionView(CollectionView& cv) {
    (void)cv;
    return std::nullopt;
  }
  /// Headers and footers; nullopt (or a null view) shows nothing there.
  virtual std::optional<Ref<CollectionReusableView>> collectionViewViewForSupplementaryElementOfKind(
      CollectionView& cv, const rt::String& kind, const Ref<fd::IndexPath>& indexPath) {
    (void)cv; (void)kind; (void)indexPath;
    return std::nullopt;
  }
};

/// The collection view's delegate is also its scroll-view delegate.
class CollectionViewDelegate : public virtual ScrollViewDelegate {
 public:
  virtual std::optional<bool> collectionViewShouldSelectItemAtIndexPath(CollectionView& cv,
                                                                        const Ref<fd::IndexPath>& indexPath) {
    (void)cv; (void)indexPath;
    return std::nullopt;
  }
  virtual void collectionViewDidSelectItemAtIndexPath(CollectionView& cv, const Ref<fd::IndexPath>& indexPath) {
    (void)cv; (void)indexPath;
  }
  virtual void collectionViewDidDeselectItemAtIndexPath(CollectionView& cv, const Ref<fd::IndexPath>& indexPath) {
    (void)cv; (void)indexPath;
  }
};

class CollectionView : public ScrollView {
  RT_CLASS_NAMED(CollectionView, ScrollView, "UICollectionView")
 public:
  void init() { init(gfx::RectZero, nullptr); }
  /// Raises NSInvalidArgumentException without a layout.
  void init(gfx::Rect frame, const Ref<CollectionViewLayout>& layout);
  ~CollectionView() override;

  const Ref<CollectionViewLayout>& collectionViewLayout() const { return layout_; }
  void setCollectionViewLayout(const Ref<CollectionViewLayout>& layout);

  Weak<CollectionViewDataSource> dataSource() const { return dataSource_; }
  void setDataSource(Weak<CollectionViewDataSource> ds);
  /// The collection delegate when the object set as delegate is one, else null.
  Weak<CollectionViewDelegate> collectionDelegate() const { return collectionDelegate_; }
  void setDelegate(Weak<ScrollViewDelegate> d) override;

  Ref<View> backgroundView() const { return backgroundView_; }
  void setBackgroundView(Ref<View> v);

  // ---- registration and reuse
  template <class C> void registerClassForCellWithReuseIdentifier(const rt::String& identifier) {
    registerCellFactory(identifier, [](const rt::String&, gfx::Rect frame) -> Ref<View> { return rt::make<C>(frame); });
  }
  template <class C>
  void registerClassForSupplementaryViewOfKind(const rt::String& kind, const rt::String& identifier) {
    registerSupplementaryFactory(kind, identifier,
                                 [](const rt::String&, gfx::Rect frame) -> Ref<View> { return rt::make<C>(frame); });
  }
  void registerCellFactory(const rt::String& identifier, ReuseQueue::Factory factory);
  void registerSupplementaryFactory(const rt::String& kind, const rt::String& identifier, ReuseQueue::Factory factory);
  /// A queued cell (prepared for reuse) or a new one of the registered class, placed where
  /// the item goes. Raises NSInternalInconsistencyException for an unregistered identifier.
  Ref<CollectionViewCell> dequeueReusableCellWithReuseIdentifier(const rt::String& identifier,
                                                                 const Ref<fd::IndexPath>& indexPath);
  Ref<CollectionReusableView> dequeueReusableSupplementaryViewOfKind(const rt::String& kind,
                                                                     const rt::String& identifier,
                                                                     const Ref<fd::IndexPath>& indexPath);

  // ---- data
  /// Forgets every view and count and asks the data source again; then tells the list reload
  /// hook the new item count.
  void reloadData();
  void reloadSections(const fd::IndexSet& sections);
  void reloadItemsAtIndexPaths(const std::vector<Ref<fd::IndexPath>>& indexPaths);
  int64_t numberOfSections();
  int64_t numberOfItemsInSection(int64_t section);

  // ---- what is shown
  std::vector<Ref<CollectionViewCell>> visibleCells();
  /// In index path order.
  std::vector<Ref<fd::IndexPath>> indexPathsForVisibleItems();
  /// The visible cell of an item, or null.
  Ref<CollectionViewCell> cellForItemAtIndexPath(const Ref<fd::IndexPath>& indexPath);
  Ref<fd::IndexPath> indexPathForCell(const CollectionViewCell* cell) const;
  /// `point` in the collection view's (content) coordinates.
  Ref<fd::IndexPath> indexPathForItemAtPoint(gfx::Point point);
  Ref<CollectionViewLayoutAttributes> layoutAttributesForItemAtIndexPath(const Ref<fd::IndexPath>& indexPath);
  Ref<CollectionViewLayoutAttributes> layoutAttributesForSupplementaryElementOfKind(
      const rt::String& kind, const Ref<fd::IndexPath>& indexPath);

  void scrollToItemAtIndexPath(const Ref<fd::IndexPath>& indexPath, uint64_t scrollPosition, bool animated);

  // ---- selection
  bool allowsSelection() const { return allowsSelection_; }
  void setAllowsSelection(bool on) { allowsSelection_ = on; }
  bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
  void setAllowsMultipleSelection(bool on) { allowsMultipleSelection_ = on; }
  /// In index path order.
  std::vector<Ref<fd::IndexPath>> indexPathsForSelectedItems() const;
  /// Programmatic selection: the delegate is not told.
  void selectItemAtIndexPath(const Ref<fd::IndexPath>& indexPath, bool animated, uint64_t scrollPosition);
  void deselectItemAtIndexPath(const Ref<fd::IndexPath>& indexPath, bool animated);

  /// Views waiting in the cell queue of `identifier` (for inspection).
  size_t queuedCellCount(const rt::String& identifier) const { return cellQueue_.queuedCount(identifier); }

  void layoutSubviews() override;
  void touchesBegan(const TouchSet& touches, Event* event) override;
  void touchesMoved(const TouchSet& touches, Event* event) override;
  void touchesEnded(const TouchSet& touches, Event* event) override;
  void touchesCancelled(const TouchSet& touches, Event* event) override;

 private:
  using Key = std::pair<int64_t, int64_t>;  // section, item
  struct Supplementary {
    rt::String kind;
    Key key;
    bool operator<(const Supplementary& o) const { return std::tie(kind, key) < std::tie(o.kind, o.key); }
  };
  void loadCounts();
  void prepareLayoutIfNeeded();
  void enqueueCell(const Ref<CollectionViewCell>& cell);
  void enqueueSupplementary(const rt::String& kind, const Ref<CollectionReusableView>& view);
  void dropVisibleViews();
  void selectFromTouch(const Key& key);
  Ref<fd::IndexPath> keyPath(const Key& k) const { return fd::IndexPath::indexPathForItem(k.second, k.first); }
  bool validKey(const Key& k);

  Ref<CollectionViewLayout> layout_;
  Weak<CollectionViewDataSource> dataSource_;
  Weak<CollectionViewDelegate> collectionDelegate_;
  Ref<View> backgroundView_;
  ReuseQueue cellQueue_;
  std::map<rt::String, ReuseQueue> supplementaryQueues_;
  std::map<Key, Ref<CollectionViewCell>> visibleCells_;
  std::map<Supplementary, Ref<CollectionReusableView>> visibleSupplementary_;
  std::set<Key> selected_;
  std::optional<std::vector<int64_t>> counts_;
  gfx::Size laidOutSize_;
  std::optional<Key> touchedItem_;
  bool allowsSelection_ = true;
  bool allowsMultipleSelection_ = false;
  bool loadingCells_ = false;
};

}  // namespace ui
