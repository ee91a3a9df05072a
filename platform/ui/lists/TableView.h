#pragma once
// Table views: rows in sections, one column, scrolling vertically. Only the rows, section
// headers and footers inside the visible area are views; a row that scrolls out gives its
// cell back to the reuse queue of its identifier, and the data source dequeues it again for
// the row that scrolls in. Selection comes from taps on rows.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/foundation/values/IndexPath.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/ui/lists/ReuseQueue.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/lists/TableViewCell.h"
#include "platform/ui/lists/TableViewGeometry.h"
#include "platform/ui/lists/TableViewHeaderFooterView.h"

namespace ui {

class TableView;

enum class TableViewStyle : int64_t { Plain = 0, Grouped = 1 };
enum class TableViewScrollPosition : int64_t { None = 0, Top = 1, Middle = 2, Bottom = 3 };
/// Accepted for the platform's signatures; changes land at once.
enum class TableViewRowAnimation : int64_t {
  Fade = 0, Right = 1, Left = 2, Top = 3, Bottom = 4, None = 5, Middle = 6, Automatic = 100,
};
/// A height answered as this is taken from the cell itself (its sizeThatFits).
inline constexpr double TableViewAutomaticDimension = -1;

class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual int64_t tableViewNumberOfRowsInSection(TableView& tv, int64_t section) = 0;
  virtual Ref<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tv, const Ref<fd::IndexPath>& indexPath) = 0;
  /// nullopt: one section.
  virtual std::optional<int64_t> numberOfSectionsInTableView(TableView& tv) { (void)tv; return std::nullopt; }
  virtual std::optional<rt::String> tableViewTitleForHeaderInSection(TableView& tv, int64_t section) {
    (void)tv; (void)section;
    return std::nullopt;
  }
  virtual std::optional<rt::String> tableViewTitleForFooterInSection(TableView& tv, int64_t section) {
    (void)tv; (void)section;
    return std::nullopt;
  }
};

/// The table's delegate is also its scroll-view delegate. Heights that are not answered come
/// from the table's properties.
class TableViewDelegate : public virtual ScrollViewDelegate {
 public:
  virtual std::optional<double> tableViewHeightForRowAtIndexPath(TableView& tv, const Ref<fd::IndexPath>& indexPath) {
    (void)tv; (void)indexPath;
    return std::nullopt;
  }
  virtual std::optional<double> tableViewEstimatedHeightForRowAtIndexPath(TableView& tv,
                                                                          const Ref<fd::IndexPath>& indexPath) {
    (void)tv; (void)indexPath;
    return std::nullopt;
  }
  virtual std::optional<double> tableViewHeightForHeaderInSection(TableView& tv, int64_t section) {
    (void)tv; (void)section;
    return std::nullopt;
  }
  virtual std::optional<double> tableViewHeightForFooterInSection(TableView& tv, int64_t section) {
    (void)tv; (void)section;
    return std::nullopt;
  }
  /// A null view falls back to the section's title, if any.
  virtual std::optional<Ref<View>> tableViewViewForHeaderInSection(TableView& tv, int64_t section) {
    (void)tv; (void)section;
    return std::nullopt;
  }
  virtual std::optional<Ref<View>> tableViewViewForFooterInSection(TableView& tv, int64_t section) {
    (void)tv; (void)section;
    return std::nullopt;
  }
  virtual void tableViewDidSelectRowAtIndexPath(TableView& tv, const Ref<fd::IndexPath>& indexPath) {
    (void)tv; (void)indexPath;
  }
  virtual void tableViewDidDeselectRowAtIndexPath(TableView& tv, const Ref<fd::IndexPath>& indexPath) {
    (void)tv; (void)indexPath;
  }
};

class TableView : public ScrollView {
  RT_CLASS_NAMED(TableView, ScrollView, "UITableView")
 public:
  void init() { init(gfx::RectZero, TableViewStyle::Plain); }
  void init(gfx::Rect frame) { init(frame, TableViewStyle::Plain); }
  void init(gfx::Rect frame, TableViewStyle style);

  TableViewStyle style() const { return style_; }

  Weak<TableViewDataSource> dataSource() const { return dataSource_; }
  void setDataSource(Weak<TableViewDataSource> ds);
  /// The table delegate when the object set as delegate is one, else null.
  Weak<TableViewDelegate> tableDelegate() const { return tableDelegate_; }
  void setDelegate(Weak<ScrollViewDelegate> d) override;

  // ---- metrics
  double rowHeight() const { return rowHeight_; }
  void setRowHeight(double h);
  /// 0: heights are asked for every row at once; above 0 a row's real height is asked for
  /// when it first shows.
  double estimatedRowHeight() const { return estimatedRowHeight_; }
  void setEstimatedRowHeight(double h);
  double sectionHeaderHeight() const { return sectionHeaderHeight_; }
  void setSectionHeaderHeight(double h);
  double sectionFooterHeight() const { return sectionFooterHeight_; }
  void setSectionFooterHeight(double h);

  // ---- look
  TableViewCellSeparatorStyle separatorStyle() const { return separatorStyle_; }
  void setSeparatorStyle(TableViewCellSeparatorStyle s);
  Ref<gfx::Color> separatorColor() const { return separatorColor_; }
  void setSeparatorColor(Ref<gfx::Color> c);
  gfx::EdgeInsets separatorInset() const { return separatorInset_; }
  void setSeparatorInset(gfx::EdgeInsets in);
  /// Above the first section, as wide as the table, as high as its frame.
  Ref<View> tableHeaderView() const { return tableHeaderView_; }
  void setTableHeaderView(Ref<View> v);
  /// Below the last section.
  Ref<View> tableFooterView() const { return tableFooterView_; }
  void setTableFooterView(Ref<View> v);
  /// Fills the visible area behind everything.
  Ref<View> backgroundView() const { return backgroundView_; }
  void setBackgroundView(Ref<View> v);

  // ---- registration and reuse
  template <class C> void registerClassForCellReuseIdentifier(const rt::String& identifier) {
    registerCellFactory(identifier, [](const rt::String& id, gfx::Rect) -> Ref<View> {
      return rt::make<C>(TableViewCellStyle::Default, id);
    });
  }
  template <class C> void registerClassForHeaderFooterViewReuseIdentifier(const rt::String& identifier) {
    registerHeaderFooterFactory(identifier, [](const rt::String& id, gfx::Rect) -> Ref<View> { return rt::make<C>(id); });
  }
  void registerCellFactory(const rt::String& identifier, ReuseQueue::Factory factory);
  void registerHeaderFooterFactory(const rt::String& identifier, ReuseQueue::Factory factory);
  /// A queued cell (prepared for reuse), else a new one of the registered class, else null.
  Ref<TableViewCell> dequeueReusableCellWithIdentifier(const rt::String& identifier);
  /// The same, sized for the row; raises NSInternalInconsistencyException for an identifier
  /// without a registered class.
  Ref<TableViewCell> dequeueReusableCellWithIdentifier(const rt::String& identifier, const Ref<fd::IndexPath>& indexPath);
  Ref<TableViewHeaderFooterView> dequeueReusableHeaderFooterViewWithIdentifier(const rt::String& identifier);
  /// Cells waiting in the queue of `identifier` (for inspection).
  size_t queuedCellCount(const rt::String& identifier) const { return cellQueue_.queuedCount(identifier); }

  // ---- data
  /// Forgets every row and asks the data source again; then tells the list reload hook the
  /// new row count.
  void reloadData();
  int64_t numberOfSections();
  int64_t numberOfRowsInSection(int64_t section);

  // ---- changes: the data source has already changed; the table checks the counts agree
  // (NSInternalInconsistencyException when not) and moves its rows and selection along.
  void beginUpdates();
  void endUpdates();
  void insertRowsAtIndexPaths(const std::vector<Ref<fd::IndexPath>>& indexPaths, TableViewRowAnimation animation);
  void deleteRowsAtIndexPaths(const std::vector<Ref<fd::IndexPath>>& indexPaths, TableViewRowAnimation animation);
  void reloadRowsAtIndexPaths(const std::vector<Ref<fd::IndexPath>>& indexPaths, TableViewRowAnimation animation);
  void insertSections(const fd::IndexSet& sections, TableViewRowAnimation animation);
  void deleteSections(const fd::IndexSet& sections, TableViewRowAnimation animation);
  void reloadSections(const fd::IndexSet& sections, TableViewRowAnimation animation);

  // ---- geometry (content coordinates)
  gfx::Rect rectForSection(int64_t section);
  gfx::Rect rectForHeaderInSection(int64_t section);
  gfx::Rect rectForFooterInSection(int64_t section);
  /// RectZero for a row that does not exist.
  gfx::Rect rectForRowAtIndexPath(const Ref<fd::IndexPath>& indexPath);
  Ref<fd::IndexPath> indexPathForRowAtPoint(gfx::Point point);
  std::vector<Ref<fd::IndexPath>> indexPathsForRowsInRect(gfx::Rect rect);

  // ---- what is shown
  /// In index path order.
  std::vector<Ref<TableViewCell>> visibleCells();
  std::vector<Ref<fd::IndexPath>> indexPathsForVisibleRows();
  /// The visible cell of a row, or null.
  Ref<TableViewCell> cellForRowAtIndexPath(const Ref<fd::IndexPath>& indexPath);
  Ref<fd::IndexPath> indexPathForCell(const TableViewCell* cell) const;
  /// The visible header (footer) view of a section, or null.
  Ref<View> headerViewForSection(int64_t section) const;
  Ref<View> footerViewForSection(int64_t section) const;

  /// Raises NSRangeException for a row that does not exist.
  void scrollToRowAtIndexPath(const Ref<fd::IndexPath>& indexPath, TableViewScrollPosition position, bool animated);

  // ---- selection
  bool allowsSelection() const { return allowsSelection_; }
  void setAllowsSelection(bool on) { allowsSelection_ = on; }
  bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
  void setAllowsMultipleSelection(bool on) { allowsMultipleSelection_ = on; }
  Ref<fd::IndexPath> indexPathForSelectedRow() const;
  /// In index path order; empty when nothing is selected.
  std::vector<Ref<fd::IndexPath>> indexPathsForSelectedRows() const;
  /// Programmatic selection: the delegate is not told.
  void selectRowAtIndexPath(const Ref<fd::IndexPath>& indexPath, bool animated, TableViewScrollPosition position);
  void deselectRowAtIndexPath(const Ref<fd::IndexPath>& indexPath, bool animated);

  void layoutSubviews() override;
  void touchesBegan(const TouchSet& touches, Event* event) override;
  void touchesMoved(const TouchSet& touches, Event* event) override;
  void touchesEnded(const TouchSet& touches, Event* event) override;
  void touchesCancelled(const TouchSet& touches, Event* event) override;

 private:
  using Key = TableViewGeometry::Row;
  struct Batch {
    std::set<Key> insertRows, deleteRows, reloadRows;
    std::set<int64_t> insertSections, deleteSections, reloadSections;
  };
  void invalidateGeometry();
  void ensureGeometry();
  void buildGeometry();
  double headerHeightFor(int64_t section, TableViewDataSource* ds, TableViewDelegate* d);
  double footerHeightFor(int64_t section, TableViewDataSource* ds, TableViewDelegate* d);
  double rowHeightFor(Key row, TableViewDelegate* d);
  void resolveEstimates(double lo, double hi);
  void placeTableViews();
  void syncCells(double lo, double hi);
  void syncSectionViews(double lo, double hi, bool header);
  /// Where a section's header (footer) view shows now.
  gfx::Rect sectionViewRect(int64_t section, bool header) const;
  Ref<View> makeSectionView(int64_t section, bool header);
  void configureCell(TableViewCell& cell, Key key);
  void enqueueCell(const Ref<TableViewCell>& cell);
  void dropSectionView(const Ref<View>& view);
  void dropVisibleViews();
  void record(const std::function<void(Batch&)>& change);
  void apply(const Batch& batch);
  void selectFromTouch(Key key);
  Ref<fd::IndexPath> keyPath(Key k) const { return fd::IndexPath::indexPathForRow(k.second, k.first); }
  static std::optional<Key> keyOf(const Ref<fd::IndexPath>& ip);

  TableViewStyle style_ = TableViewStyle::Plain;
  Weak<TableViewDataSource> dataSource_;
  Weak<TableViewDelegate> tableDelegate_;
  double rowHeight_ = 44;
  double estimatedRowHeight_ = 0;
  double sectionHeaderHeight_ = 22;
  double sectionFooterHeight_ = 22;
  TableViewCellSeparatorStyle separatorStyle_ = TableViewCellSeparatorStyle::SingleLine;
  Ref<gfx::Color> separatorColor_;
  gfx::EdgeInsets separatorInset_{0, 15, 0, 0};
  Ref<View> tableHeaderView_, tableFooterView_, backgroundView_;

  ReuseQueue cellQueue_;
  ReuseQueue headerFooterQueue_;
  TableViewGeometry geometry_;
  bool geometryValid_ = false;
  std::map<Key, Ref<TableViewCell>> visibleCells_;
  std::map<int64_t, Ref<View>> visibleHeaders_, visibleFooters_;
  std::set<Key> selected_;
  std::optional<Key> touchedRow_;
  std::optional<Batch> batch_;
  int updateDepth_ = 0;
  bool allowsSelection_ = true;
  bool allowsMultipleSelection_ = false;
  bool laying_ = false;
};

}  // namespace ui
