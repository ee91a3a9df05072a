#include "platform/ui/lists/TableView.h"

#include <algorithm>

#include "platform/runtime/Exception.h"
#include "platform/ui/lists/ListReloadHook.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TableView) {
  c.property("rowHeight", &TableView::rowHeight, &TableView::setRowHeight);
  c.property("estimatedRowHeight", &TableView::estimatedRowHeight, &TableView::setEstimatedRowHeight);
  c.property("sectionHeaderHeight", &TableView::sectionHeaderHeight, &TableView::setSectionHeaderHeight);
  c.property("sectionFooterHeight", &TableView::sectionFooterHeight, &TableView::setSectionFooterHeight);
  c.property("separatorColor", &TableView::separatorColor, &TableView::setSeparatorColor);
  c.property("separatorInset", &TableView::separatorInset, &TableView::setSeparatorInset);
  c.property("tableHeaderView", &TableView::tableHeaderView, &TableView::setTableHeaderView);
  c.property("tableFooterView", &TableView::tableFooterView, &TableView::setTableFooterView);
  c.property("allowsSelection", &TableView::allowsSelection, &TableView::setAllowsSelection);
  c.property("allowsMultipleSelection", &TableView::allowsMultipleSelection, &TableView::setAllowsMultipleSelection);
}

namespace {
// Title headers and footers come from this private queue.
const rt::String& titleViewIdentifier() {
  static const rt::String id("UITableViewSectionTitle");
  return id;
}
}  // namespace

void TableView::init(gfx::Rect frame, TableViewStyle style) {
  ScrollView::init(frame);
  style_ = style;
  if (style == TableViewStyle::Grouped) {
    sectionHeaderHeight_ = 18;
    sectionFooterHeight_ = 18;
    setBackgroundColor(gfx::Color::colorWithRed(0.94, 0.94, 0.96, 1));
  } else {
    setBackgroundColor(gfx::Color::whiteColor());
  }
  setAlwaysBounceVertical(true);
  headerFooterQueue_.registerFactory(titleViewIdentifier(), [](const rt::String& id, gfx::Rect) -> Ref<View> {
    return rt::make<TableViewHeaderFooterView>(id);
  });
}

std::optional<TableView::Key> TableView::keyOf(const Ref<fd::IndexPath>& ip) {
  if (!ip || ip->length() != 2) return std::nullopt;
  return Key{static_cast<int64_t>(ip->section()), static_cast<int64_t>(ip->row())};
}

void TableView::setDataSource(Weak<TableViewDataSource> ds) {
  dataSource_ = std::move(ds);
  invalidateGeometry();
}

void TableView::setDelegate(Weak<ScrollViewDelegate> d) {
  tableDelegate_ = std::dynamic_pointer_cast<TableViewDelegate>(d.lock());
  ScrollView::setDelegate(std::move(d));
  invalidateGeometry();
}

// ---- metrics and look

void TableView::setRowHeight(double h) { rowHeight_ = h; invalidateGeometry(); }
void TableView::setEstimatedRowHeight(double h) { estimatedRowHeight_ = h; invalidateGeometry(); }
void TableView::setSectionHeaderHeight(double h) { sectionHeaderHeight_ = h; invalidateGeometry(); }
void TableView::setSectionFooterHeight(double h) { sectionFooterHeight_ = h; invalidateGeometry(); }

void TableView::setSeparatorStyle(TableViewCellSeparatorStyle s) {
  separatorStyle_ = s;
  for (auto& [key, cell] : visibleCells_) cell->configureSeparator(separatorStyle_, separatorColor_);
}

void TableView::setSeparatorColor(Ref<gfx::Color> c) {
  separatorColor_ = std::move(c);
  for (auto& [key, cell] : visibleCells_) cell->configureSeparator(separatorStyle_, separatorColor_);
}

void TableView::setSeparatorInset(gfx::EdgeInsets in) {
  separatorInset_ = in;
  for (auto& [key, cell] : visibleCells_) cell->setSeparatorInset(in);
}

void TableView::setTableHeaderView(Ref<View> v) {
  if (tableHeaderView_) tableHeaderView_->removeFromSuperview();
  tableHeaderView_ = std::move(v);
  if (tableHeaderView_) addSubview(tableHeaderView_);
  invalidateGeometry();
}

void TableView::setTableFooterView(Ref<View> v) {
  if (tableFooterView_) tableFooterView_->removeFromSuperview();
  tableFooterView_ = std::move(v);
  if (tableFooterView_) addSubview(tableFooterView_);
  invalidateGeometry();
}

void TableView::setBackgroundView(Ref<View> v) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(v);
  if (backgroundView_) {
    backgroundView_->setFrame(bounds());
    insertSubviewAtIndex(backgroundView_, 0);
  }
}

// ---- registration and reuse

void TableView::registerCellFactory(const rt::String& identifier, ReuseQueue::Factory factory) {
  cellQueue_.registerFactory(identifier, std::move(factory));
}

void TableView::registerHeaderFooterFactory(const rt::String& identifier, ReuseQueue::Factory factory) {
  headerFooterQueue_.registerFactory(identifier, std::move(factory));
}

Ref<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const rt::String& identifier) {
  Ref<TableViewCell> cell = rt::as<TableViewCell>(cellQueue_.dequeue(identifier));
  if (cell) {
    cell->prepareForReuse();
    return cell;
  }
  cell = rt::as<TableViewCell>(cellQueue_.make(identifier));
  if (cell) cell->setReuseIdentifier(identifier);
  return cell;
}

Ref<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const rt::String& identifier,
                                                                const Ref<fd::IndexPath>& indexPath) {
  if (!cellQueue_.isRegistered(identifier)) {
    rt::raiseFormat("NSInternalInconsistencyException",
                    "unable to dequeue a cell with identifier %@ - must register a class for the identifier",
                    identifier);
  }
  Ref<TableViewCell> cell = dequeueReusableCellWithIdentifier(identifier);
  if (!cell) {
    rt::raiseFormat("NSInternalInconsistencyException",
                    "the class registered for identifier %@ does not make table view cells", identifier);
  }
  gfx::Rect r = rectForRowAtIndexPath(indexPath);
  if (r.size.height > 0) cell->setFrame(r);
  return cell;
}

Ref<TableViewHeaderFooterView> TableView::dequeueReusableHeaderFooterViewWithIdentifier(const rt::String& identifier) {
  auto view = rt::as<TableViewHeaderFooterView>(headerFooterQueue_.dequeue(identifier));
  if (view) {
    view->prepareForReuse();
    return view;
  }
  view = rt::as<TableViewHeaderFooterView>(headerFooterQueue_.make(identifier));
  if (view) view->setReuseIdentifier(identifier);
  return view;
}

void TableView::enqueueCell(const Ref<TableViewCell>& cell) {
  cell->removeFromSuperview();
  cell->setHighlighted(false, false);
  cellQueue_.enqueue(cell->reuseIdentifier(), cell);
}

void TableView::dropSectionView(const Ref<View>& view) {
  view->removeFromSuperview();
  if (auto hf = rt::as<TableViewHeaderFooterView>(view)) headerFooterQueue_.enqueue(hf->reuseIdentifier(), hf);
}

void TableView::dropVisibleViews() {
  auto cells = std::move(visibleCells_);
  visibleCells_.clear();
  for (auto& [key, cell] : cells) enqueueCell(cell);
  for (auto* map : {&visibleHeaders_, &visibleFooters_}) {
    auto views = std::move(*map);
    map->clear();
    for (auto& [s, v] : views) dropSectionView(v);
  }
  touchedRow_.reset();
}

// ---- geometry

void TableView::invalidateGeometry() {
  geometryValid_ = false;
  setNeedsLayout();
}

void TableView::ensureGeometry() {
  if (!geometryValid_) buildGeometry();
}

double TableView::headerHeightFor(int64_t s, TableViewDataSource* ds, TableViewDelegate* d) {
  if (d) {
    if (auto h = d->tableViewHeightForHeaderInSection(*this, s); h && *h != TableViewAutomaticDimension) return *h;
  }
  if (style_ == TableViewStyle::Grouped) return sectionHeaderHeight_;
  // Plain tables show a header only where there is something to show.
  auto title = ds ? ds->tableViewTitleForHeaderInSection(*this, s) : std::nullopt;
  return title && !title->isEmpty() ? sectionHeaderHeight_ : 0;
}

double TableView::footerHeightFor(int64_t s, TableViewDataSource* ds, TableViewDelegate* d) {
  if (d) {
    if (auto h = d->tableViewHeightForFooterInSection(*this, s); h && *h != TableViewAutomaticDimension) return *h;
  }
  if (style_ == TableViewStyle::Grouped) return sectionFooterHeight_;
  auto title = ds ? ds->tableViewTitleForFooterInSection(*this, s) : std::nullopt;
  return title && !title->isEmpty() ? sectionFooterHeight_ : 0;
}

double TableView::rowHeightFor(Key row, TableViewDelegate* d) {
  if (d) {
    if (auto h = d->tableViewHeightForRowAtIndexPath(*this, keyPath(row))) return *h;
  }
  return rowHeight_;
}

void TableView::buildGeometry() {
  geometryValid_ = true;
  geometry_.clear();
  auto ds = dataSource_.lock();
  auto d = tableDelegate_.lock();
  geometry_.setTableHeaderHeight(tableHeaderView_ ? tableHeaderView_->frame().size.height : 0);
  geometry_.setTableFooterHeight(tableFooterView_ ? tableFooterView_->frame().size.height : 0);
  if (ds) {
    int64_t sections = std::max<int64_t>(0, ds->numberOfSectionsInTableView(*this).value_or(1));
    for (int64_t s = 0; s < sections; ++s) {
      int64_t n = std::max<int64_t>(0, ds->tableViewNumberOfRowsInSection(*this, s));
      std::vector<double> heights(static_cast<size_t>(n));
      std::vector<bool> estimated(static_cast<size_t>(n), false);
      for (int64_t r = 0; r < n; ++r) {
        size_t i = static_cast<size_t>(r);
        std::optional<double> estimate;
        if (d) estimate = d->tableViewEstimatedHeightForRowAtIndexPath(*this, keyPath({s, r}));
        if (!estimate && estimatedRowHeight_ > 0) estimate = estimatedRowHeight_;
        if (estimate && *estimate > 0) {
          heights[i] = *estimate;
          estimated[i] = true;
        } else {
          double h = rowHeightFor({s, r}, d.get());
          // A height left to the cell is known once the cell exists.
          estimated[i] = h == TableViewAutomaticDimension;
          heights[i] = estimated[i] ? rowHeight_ > 0 ? rowHeight_ : 44 : h;
        }
      }
      geometry_.addSection(headerHeightFor(s, ds.get(), d.get()), footerHeightFor(s, ds.get(), d.get()),
                           std::move(heights), std::move(estimated));
    }
  }
  geometry_.recompute();
  setContentSize({bounds().size.width, geometry_.totalHeight()});
}

int64_t TableView::numberOfSections() {
  ensureGeometry();
  return geometry_.sectionCount();
}

int64_t TableView::numberOfRowsInSection(int64_t section) {
  ensureGeometry();
  return geometry_.rowCount(section);
}

gfx::Rect TableView::rectForSection(int64_t section) {
  ensureGeometry();
  if (section < 0 || section >= geometry_.sectionCount()) return gfx::RectZero;
  const auto& s = geometry_.section(section);
  return gfx::RectMake(0, s.top, bounds().size.width, s.bottom - s.top);
}

gfx::Rect TableView::rectForHeaderInSection(int64_t section) {
  ensureGeometry();
  if (section < 0 || section >= geometry_.sectionCount()) return gfx::RectZero;
  const auto& s = geometry_.section(section);
  return gfx::RectMake(0, s.top, bounds().size.width, s.headerHeight);
}

gfx::Rect TableView::rectForFooterInSection(int64_t section) {
  ensureGeometry();
  if (section < 0 || section >= geometry_.sectionCount()) return gfx::RectZero;
  const auto& s = geometry_.section(section);
  return gfx::RectMake(0, s.footerTop(), bounds().size.width, s.footerHeight);
}

gfx::Rect TableView::rectForRowAtIndexPath(const Ref<fd::IndexPath>& indexPath) {
  ensureGeometry();
  auto k = keyOf(indexPath);
  if (!k || !geometry_.contains(*k)) return gfx::RectZero;
  return gfx::RectMake(0, geometry_.rowTop(*k), bounds().size.width, geometry_.rowHeight(*k));
}

Ref<fd::IndexPath> TableView::indexPathForRowAtPoint(gfx::Point point) {
  ensureGeometry();
  if (point.x < 0 || point.x >= bounds().size.width) return nullptr;
  auto row = geometry_.rowAt(point.y);
  return row ? keyPath(*row) : nullptr;
}

std::vector<Ref<fd::IndexPath>> TableView::indexPathsForRowsInRect(gfx::Rect rect) {
  ensureGeometry();
  std::vector<Ref<fd::IndexPath>> out;
  geometry_.forEachRowIn(rect.origin.y, rect.origin.y + rect.size.height, [&](Key k) { out.push_back(keyPath(k)); });
  return out;
}

// ---- layout

void TableView::resolveEstimates(double lo, double hi) {
  // Real heights for rows about to show; what they change moves everything below them.
  auto d = tableDelegate_.lock();
  for (int pass = 0; pass < 4; ++pass) {
    std::vector<Key> pending;
    geometry_.forEachRowIn(lo, hi, [&](Key k) {
      if (geometry_.isEstimated(k)) pending.push_back(k);
    });
    bool changed = false;
    for (Key k : pending) {
      double h = rowHeightFor(k, d.get());
      if (h == TableViewAutomaticDimension) continue;  // measured when its cell loads
      changed |= geometry_.setRowHeight(k, h);
    }
    if (!changed) break;
    geometry_.recompute();
    setContentSize({bounds().size.width, geometry_.totalHeight()});
  }
}

void TableView::placeTableViews() {
  double w = bounds().size.width;
  if (tableHeaderView_) tableHeaderView_->setFrame({{0, 0}, {w, geometry_.tableHeaderHeight()}});
  if (tableFooterView_) {
    tableFooterView_->setFrame({{0, geometry_.sectionsBottom()}, {w, tableFooterView_->frame().size.height}});
  }
  if (backgroundView_) backgroundView_->setFrame(bounds());
}

void TableView::configureCell(TableViewCell& cell, Key key) {
  cell.configureSeparator(separatorStyle_, separatorColor_);
  cell.setSeparatorInset(separatorInset_);
  cell.setSelected(selected_.count(key) != 0, false);
}

void TableView::syncCells(double lo, double hi) {
  std::set<Key> wanted;
  geometry_.forEachRowIn(lo, hi, [&](Key k) {
    if (geometry_.rowHeight(k) > 0) wanted.insert(k);
  });
  // Rows that left give their cells back first, so the data source can reuse them.
  for (auto it = visibleCells_.begin(); it != visibleCells_.end();) {
    if (wanted.count(it->first)) {
      ++it;
    } else {
      enqueueCell(it->second);
      it = visibleCells_.erase(it);
    }
  }
  auto ds = dataSource_.lock();
  double w = bounds().size.width;
  bool moved = false;
  for (Key k : wanted) {
    auto found = visibleCells_.find(k);
    Ref<TableViewCell> cell;
    if (found != visibleCells_.end()) {
      cell = found->second;
    } else {
      if (!ds) break;
      cell = ds->tableViewCellForRowAtIndexPath(*this, keyPath(k));
      if (!cell) {
        rt::raise("NSInternalInconsistencyException", "tableView:cellForRowAtIndexPath: must answer a cell");
      }
      configureCell(*cell, k);
      if (geometry_.isEstimated(k)) {
        double h = cell->sizeThatFits({w, 0}).height;
        moved |= geometry_.setRowHeight(k, h > 0 ? h : rowHeight_);
      }
      if (cell->superview().get() != this) insertSubviewAtIndex(cell, backgroundView_ ? 1 : 0);
      cell->setHidden(false);
      visibleCells_[k] = cell;
    }
    if (moved) continue;
    gfx::Rect r = gfx::RectMake(0, geometry_.rowTop(k), w, geometry_.rowHeight(k));
    if (cell->frame() != r) cell->setFrame(r);
  }
  if (moved) {
    geometry_.recompute();
    setContentSize({w, geometry_.totalHeight()});
    for (auto& [k, cell] : visibleCells_) {
      gfx::Rect r = gfx::RectMake(0, geometry_.rowTop(k), w, geometry_.rowHeight(k));
      if (cell->frame() != r) cell->setFrame(r);
    }
  }
}

Ref<View> TableView::makeSectionView(int64_t section, bool header) {
  auto d = tableDelegate_.lock();
  if (d) {
    auto v = header ? d->tableViewViewForHeaderInSection(*this, section) : d->tableViewViewForFooterInSection(*this, section);
    if (v && *v) return *v;
  }
  auto ds = dataSource_.lock();
  if (!ds) return nullptr;
  auto title = header ? ds->tableViewTitleForHeaderInSection(*this, section)
                      : ds->tableViewTitleForFooterInSection(*this, section);
  if (!title || title->isEmpty()) return nullptr;
  auto view = dequeueReusableHeaderFooterViewWithIdentifier(titleViewIdentifier());
  view->textLabel()->setText(*title);
  return view;
}

gfx::Rect TableView::sectionViewRect(int64_t s, bool header) const {
  const auto& sec = geometry_.section(s);
  double w = bounds().size.width;
  if (!header) return gfx::RectMake(0, sec.footerTop(), w, sec.footerHeight);
  double y = sec.top;
  if (style_ == TableViewStyle::Plain) {
    // Plain headers stay at the top of the visible area while their section passes under
    // them, until the next section pushes them out.
    double visibleTop = bounds().origin.y + adjustedContentInset().top;
    y = std::max(sec.top, std::min(visibleTop, sec.bottom - sec.headerHeight));
  }
  return gfx::RectMake(0, y, w, sec.headerHeight);
}

void TableView::syncSectionViews(double lo, double hi, bool header) {
  auto& visible = header ? visibleHeaders_ : visibleFooters_;
  std::set<int64_t> wanted;
  geometry_.forEachSectionIn(lo, hi, [&](int64_t s) {
    gfx::Rect r = sectionViewRect(s, header);
    if (r.size.height > 0 && r.origin.y < hi && r.origin.y + r.size.height > lo) wanted.insert(s);
  });
  for (auto it = visible.begin(); it != visible.end();) {
    if (wanted.count(it->first)) {
      ++it;
    } else {
      dropSectionView(it->second);
      it = visible.erase(it);
    }
  }
  for (int64_t s : wanted) {
    Ref<View> view;
    if (auto found = visible.find(s); found != visible.end()) {
      view = found->second;
    } else {
      view = makeSectionView(s, header);
      if (!view) continue;
      addSubview(view);
      visible[s] = view;
    }
    gfx::Rect r = sectionViewRect(s, header);
    if (view->frame() != r) view->setFrame(r);
  }
}

void TableView::layoutSubviews() {
  if (laying_) return;
  // Cleared however the pass ends: a data source that raises must not freeze the table.
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{laying_};
  laying_ = true;
  ensureGeometry();
  if (contentSize().width != bounds().size.width) setContentSize({bounds().size.width, geometry_.totalHeight()});
  double lo = bounds().origin.y, hi = lo + bounds().size.height;
  resolveEstimates(lo, hi);
  placeTableViews();
  syncCells(lo, hi);
  syncSectionViews(lo, hi, true);
  syncSectionViews(lo, hi, false);
}

// ---- what is shown

std::vector<Ref<TableViewCell>> TableView::visibleCells() {
  std::vector<Ref<TableViewCell>> out;
  for (auto& [k, cell] : visibleCells_) out.push_back(cell);
  return out;
}

std::vector<Ref<fd::IndexPath>> TableView::indexPathsForVisibleRows() {
  std::vector<Ref<fd::IndexPath>> out;
  for (auto& [k, cell] : visibleCells_) out.push_back(keyPath(k));
  return out;
}

Ref<TableViewCell> TableView::cellForRowAtIndexPath(const Ref<fd::IndexPath>& indexPath) {
  auto k = keyOf(indexPath);
  if (!k) return nullptr;
  auto it = visibleCells_.find(*k);
  return it == visibleCells_.end() ? nullptr : it->second;
}

Ref<fd::IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
  for (auto& [k, c] : visibleCells_) {
    if (c.get() == cell) return keyPath(k);
  }
  return nullptr;
}

Ref<View> TableView::headerViewForSection(int64_t section) const {
  auto it = visibleHeaders_.find(section);
  return it == visibleHeaders_.end() ? nullptr : it->second;
}

Ref<View> TableView::footerViewForSection(int64_t section) const {
  auto it = visibleFooters_.find(section);
  return it == visibleFooters_.end() ? nullptr : it->second;
}

void TableView::scrollToRowAtIndexPath(const Ref<fd::IndexPath>& indexPath, TableViewScrollPosition position,
                                       bool animated) {
  ensureGeometry();
  auto k = keyOf(indexPath);
  if (!k || !geometry_.contains(*k)) {
    int64_t section = k ? k->first : -1;
    rt::raiseFormat("NSRangeException",
                    "Attempted to scroll the table view to an out-of-bounds row (%lld) when there are only %lld "
                    "rows in section %lld.",
                    static_cast<long long>(k ? k->second : -1), static_cast<long long>(geometry_.rowCount(section)),
                    static_cast<long long>(section));
  }
  gfx::EdgeInsets in = adjustedContentInset();
  double visible = bounds().size.height - in.top - in.bottom;
  double now = contentOffset().y;
  auto target = [&] {
    gfx::Rect r = rectForRowAtIndexPath(indexPath);
    double y = now;
    switch (position) {
      case TableViewScrollPosition::Top: y = r.origin.y - in.top; break;
      case TableViewScrollPosition::Middle: y = r.origin.y + r.size.height / 2 - in.top - visible / 2; break;
      case TableViewScrollPosition::Bottom: y = r.origin.y + r.size.height - in.top - visible; break;
      case TableViewScrollPosition::None:
        if (r.origin.y < now + in.top) {
          y = r.origin.y - in.top;
        } else if (r.origin.y + r.size.height > now + in.top + visible) {
          y = r.origin.y + r.size.height - in.top - visible;
        }
        break;
    }
    return std::clamp(y, minimumContentOffset().y, maximumContentOffset().y);
  };
  // Estimated rows around the destination get their real heights first, so the row lands
  // where asked rather than where the estimates put it.
  double y = target();
  for (int pass = 0; pass < 4; ++pass) {
    resolveEstimates(y, y + bounds().size.height);
    double again = target();
    if (again == y) break;
    y = again;
  }
  setContentOffset({contentOffset().x, y}, animated);
}

// ---- selection

Ref<fd::IndexPath> TableView::indexPathForSelectedRow() const {
  return selected_.empty() ? nullptr : keyPath(*selected_.begin());
}

std::vector<Ref<fd::IndexPath>> TableView::indexPathsForSelectedRows() const {
  std::vector<Ref<fd::IndexPath>> out;
  for (auto& k : selected_) out.push_back(keyPath(k));
  return out;
}

void TableView::selectRowAtIndexPath(const Ref<fd::IndexPath>& indexPath, bool animated,
                                     TableViewScrollPosition position) {
  ensureGeometry();
  auto k = keyOf(indexPath);
  if (!k || !allowsSelection_ || !geometry_.contains(*k)) return;
  if (!allowsMultipleSelection_) {
    for (auto& other : selected_) {
      if (auto it = visibleCells_.find(other); it != visibleCells_.end()) it->second->setSelected(false, animated);
    }
    selected_.clear();
  }
  selected_.insert(*k);
  if (auto cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(true, animated);
  if (position != TableViewScrollPosition::None) scrollToRowAtIndexPath(indexPath, position, animated);
}

void TableView::deselectRowAtIndexPath(const Ref<fd::IndexPath>& indexPath, bool animated) {
  auto k = keyOf(indexPath);
  if (!k) return;
  selected_.erase(*k);
  if (auto cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(false, animated);
}

void TableView::selectFromTouch(Key key) {
  auto d = tableDelegate_.lock();
  auto ip = keyPath(key);
  if (allowsMultipleSelection_ && selected_.count(key)) {
    deselectRowAtIndexPath(ip, false);
    if (d) d->tableViewDidDeselectRowAtIndexPath(*this, ip);
    return;
  }
  if (!allowsMultipleSelection_) {
    auto previous = selected_;
    for (auto& k : previous) {
      if (k == key) continue;
      deselectRowAtIndexPath(keyPath(k), false);
      if (d) d->tableViewDidDeselectRowAtIndexPath(*this, keyPath(k));
    }
  }
  selected_.insert(key);
  if (auto cell = cellForRowAtIndexPath(ip)) cell->setSelected(true, false);
  if (d) d->tableViewDidSelectRowAtIndexPath(*this, ip);
}

// A touch that goes down and up on the same row selects it; one taken over by the scroll
// view's pan is cancelled and selects nothing.
void TableView::touchesBegan(const TouchSet& touches, Event* event) {
  (void)event;
  touchedRow_.reset();
  if (!allowsSelection_ || touches.empty()) return;
  gfx::Point p = touches.anyObject()->locationInView(this);
  for (auto& [k, cell] : visibleCells_) {
    if (!cell->isHidden() && gfx::RectContainsPoint(cell->frame(), p)) {
      touchedRow_ = k;
      cell->setHighlighted(true, false);
      break;
    }
  }
}

void TableView::touchesMoved(const TouchSet& touches, Event* event) { (void)touches; (void)event; }

void TableView::touchesEnded(const TouchSet& touches, Event* event) {
  (void)event;
  if (!touchedRow_ || touches.empty()) return;
  Key key = *touchedRow_;
  touchedRow_.reset();
  auto it = visibleCells_.find(key);
  if (it == visibleCells_.end()) return;
  Ref<TableViewCell> cell = it->second;
  cell->setHighlighted(false, false);
  if (gfx::RectContainsPoint(cell->frame(), touches.anyObject()->locationInView(this))) selectFromTouch(key);
}

void TableView::touchesCancelled(const TouchSet& touches, Event* event) {
  (void)touches; (void)event;
  if (!touchedRow_) return;
  if (auto it = visibleCells_.find(*touchedRow_); it != visibleCells_.end()) it->second->setHighlighted(false, false);
  touchedRow_.reset();
}

// ---- data and changes

void TableView::reloadData() {
  dropVisibleViews();
  selected_.clear();
  batch_.reset();
  buildGeometry();
  setNeedsLayout();
  ListReloadHook::shared().reloadHappened(*this, ListReloadHook::totalCount(*this));
}

void TableView::beginUpdates() {
  if (updateDepth_++ == 0) batch_ = Batch{};
}

void TableView::endUpdates() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ > 0) return;
  Batch b = batch_ ? std::move(*batch_) : Batch{};
  batch_.reset();
  apply(b);
}

void TableView::record(const std::function<void(Batch&)>& change) {
  if (batch_) {
    change(*batch_);
    return;
  }
  Batch b;
  change(b);
  apply(b);
}

namespace {
void addRows(std::set<std::pair<int64_t, int64_t>>& to, const std::vector<Ref<fd::IndexPath>>& paths) {
  for (auto& ip : paths) {
    if (ip && ip->length() == 2) to.insert({static_cast<int64_t>(ip->section()), static_cast<int64_t>(ip->row())});
  }
}
void addSections(std::set<int64_t>& to, const fd::IndexSet& sections) {
  for (uint64_t s : sections.indexes()) to.insert(static_cast<int64_t>(s));
}
}  // namespace

void TableView::insertRowsAtIndexPaths(const std::vector<Ref<fd::IndexPath>>& p, TableViewRowAnimation) {
  record([&](Batch& b) { addRows(b.insertRows, p); });
}
void TableView::deleteRowsAtIndexPaths(const std::vector<Ref<fd::IndexPath>>& p, TableViewRowAnimation) {
  record([&](Batch& b) { addRows(b.deleteRows, p); });
}
void TableView::reloadRowsAtIndexPaths(const std::vector<Ref<fd::IndexPath>>& p, TableViewRowAnimation) {
  record([&](Batch& b) { addRows(b.reloadRows, p); });
}
void TableView::insertSections(const fd::IndexSet& s, TableViewRowAnimation) {
  record([&](Batch& b) { addSections(b.insertSections, s); });
}
void TableView::deleteSections(const fd::IndexSet& s, TableViewRowAnimation) {
  record([&](Batch& b) { addSections(b.deleteSections, s); });
}
void TableView::reloadSections(const fd::IndexSet& s, TableViewRowAnimation) {
  record([&](Batch& b) { addSections(b.reloadSections, s); });
}

void TableView::apply(const Batch& b) {
  if (!geometryValid_) {
    // Nothing was shown from the old counts: there is nothing to move along.
    buildGeometry();
    setNeedsLayout();
    return;
  }
  std::vector<int64_t> oldRows;
  for (int64_t s = 0; s < geometry_.sectionCount(); ++s) oldRows.push_back(geometry_.rowCount(s));
  int64_t oldSections = static_cast<int64_t>(oldRows.size());
  buildGeometry();
  int64_t newSections = geometry_.sectionCount();

  int64_t inserted = static_cast<int64_t>(b.insertSections.size()), deleted = static_cast<int64_t>(b.deleteSections.size());
  if (newSections != oldSections + inserted - deleted) {
    rt::raiseFormat("NSInternalInconsistencyException",
                    "Invalid update: invalid number of sections. The number of sections contained in the table "
                    "view after the update (%lld) must be equal to the number of sections contained in the table "
                    "view before the update (%lld), plus or minus the number of sections inserted or deleted "
                    "(%lld inserted, %lld deleted).",
                    static_cast<long long>(newSections), static_cast<long long>(oldSections),
                    static_cast<long long>(inserted), static_cast<long long>(deleted));
  }
  // Old section -> new section (or -1 when deleted).
  std::vector<int64_t> sectionMap(static_cast<size_t>(oldSections), -1);
  {
    int64_t old = 0;
    for (int64_t ns = 0; ns < newSections; ++ns) {
      if (b.insertSections.count(ns)) continue;
      while (old < oldSections && b.deleteSections.count(old)) ++old;
      if (old < oldSections) sectionMap[static_cast<size_t>(old++)] = ns;
    }
  }
  auto countIn = [](const std::set<Key>& rows, int64_t s) {
    return static_cast<int64_t>(std::count_if(rows.begin(), rows.end(), [s](const Key& k) { return k.first == s; }));
  };
  for (int64_t os = 0; os < oldSections; ++os) {
    int64_t ns = sectionMap[static_cast<size_t>(os)];
    if (ns < 0 || b.reloadSections.count(os)) continue;
    int64_t expected = oldRows[static_cast<size_t>(os)] - countIn(b.deleteRows, os) + countIn(b.insertRows, ns);
    if (geometry_.rowCount(ns) != expected) {
      rt::raiseFormat("NSInternalInconsistencyException",
                      "Invalid update: invalid number of rows in section %lld. The number of rows contained in an "
                      "existing section after the update (%lld) must be equal to the number of rows contained in "
                      "that section before the update (%lld), plus or minus the number of rows inserted or deleted "
                      "from that section (%lld inserted, %lld deleted).",
                      static_cast<long long>(ns), static_cast<long long>(geometry_.rowCount(ns)),
                      static_cast<long long>(oldRows[static_cast<size_t>(os)]),
                      static_cast<long long>(countIn(b.insertRows, ns)), static_cast<long long>(countIn(b.deleteRows, os)));
    }
  }
  // Where an old row is now, if it still is.
  auto mapRow = [&](Key k) -> std::optional<Key> {
    if (k.first < 0 || k.first >= oldSections) return std::nullopt;
    int64_t ns = sectionMap[static_cast<size_t>(k.first)];
    if (ns < 0 || b.reloadSections.count(k.first) || b.deleteRows.count(k) || b.reloadRows.count(k)) return std::nullopt;
    int64_t row = k.second;
    for (auto& d : b.deleteRows) {
      if (d.first == k.first && d.second < k.second) --row;
    }
    for (auto& i : b.insertRows) {
      if (i.first == ns && i.second <= row) ++row;
    }
    return Key{ns, row};
  };
  std::map<Key, Ref<TableViewCell>> cells;
  for (auto& [k, cell] : visibleCells_) {
    if (auto to = mapRow(k)) {
      cells[*to] = cell;
    } else {
      enqueueCell(cell);
    }
  }
  visibleCells_ = std::move(cells);
  std::set<Key> selected;
  for (auto& k : selected_) {
    if (auto to = mapRow(k)) selected.insert(*to);
  }
  selected_ = std::move(selected);
  for (auto* map : {&visibleHeaders_, &visibleFooters_}) {
    auto views = std::move(*map);
    map->clear();
    for (auto& [s, v] : views) dropSectionView(v);
  }
  touchedRow_.reset();
  setNeedsLayout();
  layoutIfNeeded();
}

}  // namespace ui
