#include "platform/ui/lists/CollectionView.h"

#include <algorithm>

#include "platform/runtime/Exception.h"
#include "platform/ui/lists/ListReloadHook.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(CollectionView) {
  c.property("collectionViewLayout", &CollectionView::collectionViewLayout);
  c.property("allowsSelection", &CollectionView::allowsSelection, &CollectionView::setAllowsSelection);
  c.property("allowsMultipleSelection", &CollectionView::allowsMultipleSelection,
             &CollectionView::setAllowsMultipleSelection);
}

void CollectionView::init(gfx::Rect frame, const Ref<CollectionViewLayout>& layout) {
  if (!layout) {
    rt::raise("NSInvalidArgumentException",
              "UICollectionView must be initialized with a non-nil layout parameter");
  }
  ScrollView::init(frame);
  setCollectionViewLayout(layout);
}

CollectionView::~CollectionView() = default;

void CollectionView::setCollectionViewLayout(const Ref<CollectionViewLayout>& layout) {
  if (!layout || layout == layout_) return;
  if (layout_) layout_->setCollectionView(nullptr);
  layout_ = layout;
  layout_->setCollectionView(rt::as<CollectionView>(self()));
  layout_->invalidateLayout();
}

void CollectionView::setDataSource(Weak<CollectionViewDataSource> ds) {
  dataSource_ = std::move(ds);
  counts_.reset();
  if (layout_) layout_->invalidateLayout();
}

void CollectionView::setDelegate(Weak<ScrollViewDelegate> d) {
  collectionDelegate_ = std::dynamic_pointer_cast<CollectionViewDelegate>(d.lock());
  ScrollView::setDelegate(std::move(d));
  // Sizes may come from the delegate.
  if (layout_) layout_->invalidateLayout();
}

void CollectionView::setBackgroundView(Ref<View> v) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(v);
  if (backgroundView_) {
    backgroundView_->setFrame(bounds());
    insertSubviewAtIndex(backgroundView_, 0);
  }
}

// ---- registration and reuse

void CollectionView::registerCellFactory(const rt::String& identifier, ReuseQueue::Factory factory) {
  cellQueue_.registerFactory(identifier, std::move(factory));
}

void CollectionView::registerSupplementaryFactory(const rt::String& kind, const rt::String& identifier,
                                                  ReuseQueue::Factory factory) {
  supplementaryQueues_[kind].registerFactory(identifier, std::move(factory));
}

Ref<CollectionViewCell> CollectionView::dequeueReusableCellWithReuseIdentifier(const rt::String& identifier,
                                                                               const Ref<fd::IndexPath>& indexPath) {
  prepareLayoutIfNeeded();
  auto attrs = indexPath ? layout_->layoutAttributesForItemAtIndexPath(indexPath) : nullptr;
  gfx::Rect frame = attrs ? attrs->frame() : gfx::RectZero;
  Ref<CollectionViewCell> cell = rt::as<CollectionViewCell>(cellQueue_.dequeue(identifier));
  if (cell) {
    cell->prepareForReuse();
  } else {
    if (!cellQueue_.isRegistered(identifier)) {
      rt::raiseFormat("NSInternalInconsistencyException",
                      "could not dequeue a view of kind: UICollectionElementKindCell with identifier %@ - "
                      "must register a class for the identifier",
                      identifier);
    }
    cell = rt::as<CollectionViewCell>(cellQueue_.make(identifier, frame));
    if (!cell) {
      rt::raiseFormat("NSInternalInconsistencyException",
                      "the class registered for identifier %@ does not make collection view cells", identifier);
    }
    cell->setReuseIdentifier(identifier);
  }
  if (attrs) cell->applyLayoutAttributes(*attrs);
  return cell;
}

Ref<CollectionReusableView> CollectionView::dequeueReusableSupplementaryViewOfKind(
    const rt::String& kind, const rt::String& identifier, const Ref<fd::IndexPath>& indexPath) {
  prepareLayoutIfNeeded();
  auto& queue = supplementaryQueues_[kind];
  auto attrs = indexPath ? layout_->layoutAttributesForSupplementaryViewOfKind(kind, indexPath) : nullptr;
  Ref<CollectionReusableView> view = rt::as<CollectionReusableView>(queue.dequeue(identifier));
  if (view) {
    view->prepareForReuse();
  } else {
    if (!queue.isRegistered(identifier)) {
      rt::raiseFormat("NSInternalInconsistencyException",
                      "could not dequeue a view of kind: %@ with identifier %@ - must register a class for the "
                      "identifier",
                      kind, identifier);
    }
    view = rt::as<CollectionReusableView>(queue.make(identifier, attrs ? attrs->frame() : gfx::RectZero));
    if (!view) {
      rt::raiseFormat("NSInternalInconsistencyException",
                      "the class registered for identifier %@ does not make reusable views", identifier);
    }
    view->setReuseIdentifier(identifier);
  }
  if (attrs) view->applyLayoutAttributes(*attrs);
  return view;
}

void CollectionView::enqueueCell(const Ref<CollectionViewCell>& cell) {
  cell->removeFromSuperview();
  cell->setHighlighted(false);
  cellQueue_.enqueue(cell->reuseIdentifier(), cell);
}

void CollectionView::enqueueSupplementary(const rt::String& kind, const Ref<CollectionReusableView>& view) {
  view->removeFromSuperview();
  supplementaryQueues_[kind].enqueue(view->reuseIdentifier(), view);
}

void CollectionView::dropVisibleViews() {
  auto cells = std::move(visibleCells_);
  visibleCells_.clear();
  for (auto& [key, cell] : cells) enqueueCell(cell);
  auto supplementary = std::move(visibleSupplementary_);
  visibleSupplementary_.clear();
  for (auto& [key, view] : supplementary) enqueueSupplementary(key.kind, view);
  touchedItem_.reset();
}

// ---- data

void CollectionView::loadCounts() {
  std::vector<int64_t> counts;
  if (auto ds = dataSource_.lock()) {
    int64_t sections = std::max<int64_t>(0, ds->numberOfSectionsInCollectionView(*this).value_or(1));
    counts.reserve(static_cast<size_t>(sections));
    for (int64_t s = 0; s < sections; ++s) {
      counts.push_back(std::max<int64_t>(0, ds->collectionViewNumberOfItemsInSection(*this, s)));
    }
  }
  counts_ = std::move(counts);
}

int64_t CollectionView::numberOfSections() {
  if (!counts_) loadCounts();
  return static_cast<int64_t>(counts_->size());
}

int64_t CollectionView::numberOfItemsInSection(int64_t section) {
  if (!counts_) loadCounts();
  if (section < 0 || section >= static_cast<int64_t>(counts_->size())) return 0;
  return (*counts_)[static_cast<size_t>(section)];
}

bool CollectionView::validKey(const Key& k) {
  return k.first >= 0 && k.second >= 0 && k.second < numberOfItemsInSection(k.first);
}

void CollectionView::reloadData() {
  counts_.reset();
  dropVisibleViews();
  selected_.clear();
  layout_->invalidateLayout();
  setNeedsLayout();
  ListReloadHook::shared().reloadHappened(*this, ListReloadHook::totalCount(*this));
}

void CollectionView::reloadSections(const fd::IndexSet& sections) {
  counts_.reset();
  std::erase_if(selected_, [&](const Key& k) { return sections.containsIndex(static_cast<uint64_t>(k.first)); });
  for (auto it = visibleCells_.begin(); it != visibleCells_.end();) {
    if (sections.containsIndex(static_cast<uint64_t>(it->first.first))) {
      enqueueCell(it->second);
      it = visibleCells_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = visibleSupplementary_.begin(); it != visibleSupplementary_.end();) {
    if (sections.containsIndex(static_cast<uint64_t>(it->first.key.first))) {
      enqueueSupplementary(it->first.kind, it->second);
      it = visibleSupplementary_.erase(it);
    } else {
      ++it;
    }
  }
  layout_->invalidateLayout();
}

void CollectionView::reloadItemsAtIndexPaths(const std::vector<Ref<fd::IndexPath>>& indexPaths) {
  for (auto& ip : indexPaths) {
    if (!ip) continue;
    Key k{static_cast<int64_t>(ip->section()), static_cast<int64_t>(ip->item())};
    auto it = visibleCells_.find(k);
    if (it == visibleCells_.end()) continue;
    enqueueCell(it->second);
    visibleCells_.erase(it);
  }
  counts_.reset();
  layout_->invalidateLayout();
}

// ---- layout

void CollectionView::prepareLayoutIfNeeded() {
  if (!layout_) return;
  if (bounds().size != laidOutSize_) {
    if (layout_->shouldInvalidateLayoutForBoundsChange(bounds())) layout_->invalidateLayout();
    laidOutSize_ = bounds().size;
  }
  if (layout_->isValid()) return;
  if (!counts_) loadCounts();
  layout_->prepareLayout();
  layout_->markPrepared();
  setContentSize(layout_->collectionViewContentSize());
}

void CollectionView::layoutSubviews() {
  if (loadingCells_ || !layout_) return;
  prepareLayoutIfNeeded();
  if (backgroundView_) backgroundView_->setFrame(bounds());
  auto ds = dataSource_.lock();
  auto attributes = layout_->layoutAttributesForElementsInRect(bounds());

  std::map<Key, Ref<CollectionViewLayoutAttributes>> cells;
  std::map<Supplementary, Ref<CollectionViewLayoutAttributes>> supplementary;
  for (auto& a : attributes) {
    auto ip = a->indexPath();
    if (!ip || ip->length() != 2) continue;
    Key k{static_cast<int64_t>(ip->section()), static_cast<int64_t>(ip->item())};
    if (a->representedElementCategory() == CollectionElementCategory::Cell) {
      cells[k] = a;
    } else if (a->representedElementCategory() == CollectionElementCategory::SupplementaryView) {
      supplementary[{a->representedElementKind(), k}] = a;
    }
  }

  // Views that left the visible area go back to their queues first, so that the data source
  // can reuse them for what comes in.
  for (auto it = visibleCells_.begin(); it != visibleCells_.end();) {
    if (cells.count(it->first)) {
      ++it;
    } else {
      enqueueCell(it->second);
      it = visibleCells_.erase(it);
    }
  }
  for (auto it = visibleSupplementary_.begin(); it != visibleSupplementary_.end();) {
    if (supplementary.count(it->first)) {
      ++it;
    } else {
      enqueueSupplementary(it->first.kind, it->second);
      it = visibleSupplementary_.erase(it);
    }
  }

  // Cleared however the pass ends: a data source that raises must not freeze the view.
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{loadingCells_};
  loadingCells_ = true;
  for (auto& [key, attrs] : cells) {
    auto found = visibleCells_.find(key);
    if (found != visibleCells_.end()) {
      found->second->applyLayoutAttributes(*attrs);
      continue;
    }
    if (!ds) break;
    Ref<CollectionViewCell> cell = ds->collectionViewCellForItemAtIndexPath(*this, attrs->indexPath());
    if (!cell) {
      rt::raise("NSInternalInconsistencyException",
                "collectionView:cellForItemAtIndexPath: must answer a cell");
    }
    cell->applyLayoutAttributes(*attrs);
    cell->setSelected(selected_.count(key) != 0);
    if (cell->superview().get() != this) addSubview(cell);
    visibleCells_[key] = cell;
  }
  for (auto& [key, attrs] : supplementary) {
    auto found = visibleSupplementary_.find(key);
    if (found != visibleSupplementary_.end()) {
      found->second->applyLayoutAttributes(*attrs);
      continue;
    }
    if (!ds) break;
    auto answer = ds->collectionViewViewForSupplementaryElementOfKind(*this, key.kind, attrs->indexPath());
    if (!answer || !*answer) continue;
    Ref<CollectionReusableView> view = *answer;
    view->applyLayoutAttributes(*attrs);
    if (view->superview().get() != this) addSubview(view);
    visibleSupplementary_[key] = view;
  }
}

// ---- what is shown

std::vector<Ref<CollectionViewCell>> CollectionView::visibleCells() {
  std::vector<Ref<CollectionViewCell>> out;
  for (auto& [key, cell] : visibleCells_) out.push_back(cell);
  return out;
}

std::vector<Ref<fd::IndexPath>> CollectionView::indexPathsForVisibleItems() {
  std::vector<Ref<fd::IndexPath>> out;
  for (auto& [key, cell] : visibleCells_) out.push_back(keyPath(key));
  return out;
}

Ref<CollectionViewCell> CollectionView::cellForItemAtIndexPath(const Ref<fd::IndexPath>& indexPath) {
  if (!indexPath || indexPath->length() != 2) return nullptr;
  auto it = visibleCells_.find({static_cast<int64_t>(indexPath->section()), static_cast<int64_t>(indexPath->item())});
  return it == visibleCells_.end() ? nullptr : it->second;
}

Ref<fd::IndexPath> CollectionView::indexPathForCell(const CollectionViewCell* cell) const {
  for (auto& [key, c] : visibleCells_) {
    if (c.get() == cell) return keyPath(key);
  }
  return nullptr;
}

Ref<fd::IndexPath> CollectionView::indexPathForItemAtPoint(gfx::Point point) {
  prepareLayoutIfNeeded();
  for (auto& a : layout_->layoutAttributesForElementsInRect({point, {1, 1}})) {
    if (a->representedElementCategory() == CollectionElementCategory::Cell && !a->isHidden() &&
        gfx::RectContainsPoint(a->frame(), point)) {
      return a->indexPath();
    }
  }
  return nullptr;
}

Ref<CollectionViewLayoutAttributes> CollectionView::layoutAttributesForItemAtIndexPath(
    const Ref<fd::IndexPath>& indexPath) {
  prepareLayoutIfNeeded();
  return indexPath ? layout_->layoutAttributesForItemAtIndexPath(indexPath) : nullptr;
}

Ref<CollectionViewLayoutAttributes> CollectionView::layoutAttributesForSupplementaryElementOfKind(
    const rt::String& kind, const Ref<fd::IndexPath>& indexPath) {
  prepareLayoutIfNeeded();
  return indexPath ? layout_->layoutAttributesForSupplementaryViewOfKind(kind, indexPath) : nullptr;
}

void CollectionView::scrollToItemAtIndexPath(const Ref<fd::IndexPath>& indexPath, uint64_t position, bool animated) {
  auto attrs = layoutAttributesForItemAtIndexPath(indexPath);
  if (!attrs) {
    rt::raiseFormat("NSInvalidArgumentException", "attempt to scroll to invalid index path: %@",
                    indexPath ? indexPath->description() : rt::String("(null)"));
  }
  gfx::Rect f = attrs->frame();
  gfx::Size size = bounds().size;
  gfx::EdgeInsets in = adjustedContentInset();
  gfx::Point now = contentOffset();
  gfx::Point to = now;
  // Visible extent along each axis, inside the insets.
  double visW = size.width - in.left - in.right, visH = size.height - in.top - in.bottom;
  if (position & CollectionViewScrollPositionLeft) {
    to.x = f.origin.x - in.left;
  } else if (position & CollectionViewScrollPositionCenteredHorizontally) {
    to.x = f.origin.x + f.size.width / 2 - in.left - visW / 2;
  } else if (position & CollectionViewScrollPositionRight) {
    to.x = f.origin.x + f.size.width - in.left - visW;
  } else if (f.origin.x < now.x + in.left) {
    to.x = f.origin.x - in.left;
  } else if (f.origin.x + f.size.width > now.x + in.left + visW) {
    to.x = f.origin.x + f.size.width - in.left - visW;
  }
  if (position & CollectionViewScrollPositionTop) {
    to.y = f.origin.y - in.top;
  } else if (position & CollectionViewScrollPositionCenteredVertically) {
    to.y = f.origin.y + f.size.height / 2 - in.top - visH / 2;
  } else if (position & CollectionViewScrollPositionBottom) {
    to.y = f.origin.y + f.size.height - in.top - visH;
  } else if (f.origin.y < now.y + in.top) {
    to.y = f.origin.y - in.top;
  } else if (f.origin.y + f.size.height > now.y + in.top + visH) {
    to.y = f.origin.y + f.size.height - in.top - visH;
  }
  gfx::Point lo = minimumContentOffset(), hi = maximumContentOffset();
  to = {std::clamp(to.x, lo.x, hi.x), std::clamp(to.y, lo.y, hi.y)};
  setContentOffset(to, animated);
}

// ---- selection

std::vector<Ref<fd::IndexPath>> CollectionView::indexPathsForSelectedItems() const {
  std::vector<Ref<fd::IndexPath>> out;
  for (auto& k : selected_) out.push_back(keyPath(k));
  return out;
}

void CollectionView::selectItemAtIndexPath(const Ref<fd::IndexPath>& indexPath, bool animated, uint64_t position) {
  if (!indexPath || !allowsSelection_) return;
  Key k{static_cast<int64_t>(indexPath->section()), static_cast<int64_t>(indexPath->item())};
  if (!validKey(k)) return;
  if (!allowsMultipleSelection_) {
    for (auto& other : selected_) {
      if (auto it = visibleCells_.find(other); it != visibleCells_.end()) it->second->setSelected(false);
    }
    selected_.clear();
  }
  selected_.insert(k);
  if (auto cell = cellForItemAtIndexPath(indexPath)) cell->setSelected(true);
  if (position != CollectionViewScrollPositionNone) scrollToItemAtIndexPath(indexPath, position, animated);
}

void CollectionView::deselectItemAtIndexPath(const Ref<fd::IndexPath>& indexPath, bool animated) {
  (void)animated;
  if (!indexPath) return;
  Key k{static_cast<int64_t>(indexPath->section()), static_cast<int64_t>(indexPath->item())};
  selected_.erase(k);
  if (auto cell = cellForItemAtIndexPath(indexPath)) cell->setSelected(false);
}

void CollectionView::selectFromTouch(const Key& key) {
  auto d = collectionDelegate_.lock();
  auto ip = keyPath(key);
  if (d && d->collectionViewShouldSelectItemAtIndexPath(*this, ip).value_or(true) == false) return;
  if (allowsMultipleSelection_ && selected_.count(key)) {
    deselectItemAtIndexPath(ip, false);
    if (d) d->collectionViewDidDeselectItemAtIndexPath(*this, ip);
    return;
  }
  if (!allowsMultipleSelection_) {
    auto previous = selected_;
    for (auto& k : previous) {
      if (k == key) continue;
      deselectItemAtIndexPath(keyPath(k), false);
      if (d) d->collectionViewDidDeselectItemAtIndexPath(*this, keyPath(k));
    }
  }
  selected_.insert(key);
  if (auto cell = cellForItemAtIndexPath(ip)) cell->setSelected(true);
  if (d) d->collectionViewDidSelectItemAtIndexPath(*this, ip);
}

// A touch that goes down and up on the same cell selects it; one taken over by the scroll
// view's pan is cancelled and selects nothing.
void CollectionView::touchesBegan(const TouchSet& touches, Event* event) {
  (void)event;
  touchedItem_.reset();
  if (!allowsSelection_ || touches.empty()) return;
  gfx::Point p = touches.anyObject()->locationInView(this);
  for (auto& [key, cell] : visibleCells_) {
    if (!cell->isHidden() && gfx::RectContainsPoint(cell->frame(), p)) {
      touchedItem_ = key;
      cell->setHighlighted(true);
      break;
    }
  }
}

void CollectionView::touchesMoved(const TouchSet& touches, Event* event) { (void)touches; (void)event; }

void CollectionView::touchesEnded(const TouchSet& touches, Event* event) {
  (void)event;
  if (!touchedItem_ || touches.empty()) return;
  Key key = *touchedItem_;
  touchedItem_.reset();
  auto it = visibleCells_.find(key);
  if (it == visibleCells_.end()) return;
  Ref<CollectionViewCell> cell = it->second;
  cell->setHighlighted(false);
  if (gfx::RectContainsPoint(cell->frame(), touches.anyObject()->locationInView(this))) selectFromTouch(key);
}

void CollectionView::touchesCancelled(const TouchSet& touches, Event* event) {
  (void)touches; (void)event;
  if (!touchedItem_) return;
  if (auto it = visibleCells_.find(*touchedItem_); it != visibleCells_.end()) it->second->setHighlighted(false);
  touchedItem_.reset();
}

}  // namespace ui
