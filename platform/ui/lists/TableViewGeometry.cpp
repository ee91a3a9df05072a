#include "platform/ui/lists/TableViewGeometry.h"

#include <algorithm>

namespace ui {

void TableViewGeometry::addSection(double headerHeight, double footerHeight, std::vector<double> heights,
                                   std::vector<bool> estimated) {
  Section s;
  s.headerHeight = std::max(0.0, headerHeight);
  s.footerHeight = std::max(0.0, footerHeight);
  for (auto& h : heights) h = std::max(0.0, h);
  s.heights = std::move(heights);
  s.estimated = std::move(estimated);
  s.estimated.resize(s.heights.size(), false);
  sections_.push_back(std::move(s));
}

void TableViewGeometry::recompute() {
  double y = tableHeader_;
  for (auto& s : sections_) {
    s.top = y;
    y += s.headerHeight;
    s.rowTops.resize(s.heights.size());
    for (size_t i = 0; i < s.heights.size(); ++i) {
      s.rowTops[i] = y;
      y += s.heights[i];
    }
    y += s.footerHeight;
    s.bottom = y;
  }
  sectionsBottom_ = y;
}

int64_t TableViewGeometry::rowCount(int64_t section) const {
  if (section < 0 || section >= sectionCount()) return 0;
  return static_cast<int64_t>(sections_[static_cast<size_t>(section)].heights.size());
}

bool TableViewGeometry::setRowHeight(Row r, double h) {
  Section& s = sections_[static_cast<size_t>(r.first)];
  size_t i = static_cast<size_t>(r.second);
  s.estimated[i] = false;
  h = std::max(0.0, h);
  if (s.heights[i] == h) return false;
  s.heights[i] = h;
  return true;
}

void TableViewGeometry::forEachSectionIn(double lo, double hi, const std::function<void(int64_t)>& fn) const {
  auto first = std::upper_bound(sections_.begin(), sections_.end(), lo,
                                [](double v, const Section& s) { return v < s.bottom; });
  for (auto it = first; it != sections_.end() && it->top < hi; ++it) fn(it - sections_.begin());
}

void TableViewGeometry::forEachRowIn(double lo, double hi, const std::function<void(Row)>& fn) const {
  forEachSectionIn(lo, hi, [&](int64_t si) {
    const Section& s = sections_[static_cast<size_t>(si)];
    // First row whose bottom lies below `lo`.
    auto first = std::upper_bound(s.rowTops.begin(), s.rowTops.end(), lo) - s.rowTops.begin();
    size_t i = first > 0 ? static_cast<size_t>(first - 1) : 0;
    for (; i < s.rowTops.size() && s.rowTops[i] < hi; ++i) {
      if (s.rowTops[i] + s.heights[i] > lo || (s.heights[i] == 0 && s.rowTops[i] >= lo)) fn({si, static_cast<int64_t>(i)});
    }
  });
}

std::optional<TableViewGeometry::Row> TableViewGeometry::rowAt(double y) const {
  std::optional<Row> found;
  forEachRowIn(y, y + 1e-9, [&](Row r) {
    if (!found && rowHeight(r) > 0) found = r;
  });
  return found;
}

}  // namespace ui
