#pragma once
// Where a table's parts go along its height: the table header, then per section a header,
// the rows and a footer, then the table footer. Row heights may be estimates until the row is
// first shown; lookups by position are binary searches, so long tables stay cheap to scroll.
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace ui {

class TableViewGeometry {
 public:
  struct Section {
    double top = 0;
    double headerHeight = 0;
    double footerHeight = 0;
    std::vector<double> heights;
    /// Heights still to be asked for (estimates until the row shows).
    std::vector<bool> estimated;
    std::vector<double> rowTops;
    double bottom = 0;
    double rowsTop() const { return top + headerHeight; }
    double footerTop() const { return bottom - footerHeight; }
  };
  using Row = std::pair<int64_t, int64_t>;  // section, row

  void clear() { *this = TableViewGeometry(); }
  void setTableHeaderHeight(double h) { tableHeader_ = h; }
  void setTableFooterHeight(double h) { tableFooter_ = h; }
  void addSection(double headerHeight, double footerHeight, std::vector<double> heights, std::vector<bool> estimated);
  /// Places everything from the heights; call after changing any of them.
  void recompute();

  int64_t sectionCount() const { return static_cast<int64_t>(sections_.size()); }
  int64_t rowCount(int64_t section) const;
  bool contains(Row r) const { return r.first >= 0 && r.second >= 0 && r.second < rowCount(r.first); }
  const Section& section(int64_t s) const { return sections_[static_cast<size_t>(s)]; }
  double rowTop(Row r) const { return section(r.first).rowTops[static_cast<size_t>(r.second)]; }
  double rowHeight(Row r) const { return section(r.first).heights[static_cast<size_t>(r.second)]; }
  bool isEstimated(Row r) const { return section(r.first).estimated[static_cast<size_t>(r.second)]; }
  /// Answers whether the height changed; offsets need recompute() afterwards.
  bool setRowHeight(Row r, double h);

  double tableHeaderHeight() const { return tableHeader_; }
  /// Where the table footer goes.
  double sectionsBottom() const { return sectionsBottom_; }
  double totalHeight() const { return sectionsBottom_ + tableFooter_; }

  /// Rows overlapping [lo, hi), in order.
  void forEachRowIn(double lo, double hi, const std::function<void(Row)>& fn) const;
  /// Sections whose extent overlaps [lo, hi), in order.
  void forEachSectionIn(double lo, double hi, const std::function<void(int64_t)>& fn) const;
  /// The row covering `y`, if any.
  std::optional<Row> rowAt(double y) const;

 private:
  std::vector<Section> sections_;
  double tableHeader_ = 0;
  double tableFooter_ = 0;
  double sectionsBottom_ = 0;
};

}  // namespace ui
