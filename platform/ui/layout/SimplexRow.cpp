#include "platform/ui/layout/SimplexRow.h"

#include <algorithm>

namespace ui::layout {

std::vector<SimplexRow::Cell>::iterator SimplexRow::find(Symbol s) {
  return std::lower_bound(cells_.begin(), cells_.end(), s, [](const Cell& c, Symbol v) { return c.symbol < v; });
}

std::vector<SimplexRow::Cell>::const_iterator SimplexRow::find(Symbol s) const {
  return std::lower_bound(cells_.begin(), cells_.end(), s, [](const Cell& c, Symbol v) { return c.symbol < v; });
}

double SimplexRow::coefficientFor(Symbol s) const {
  auto it = find(s);
  return it != cells_.end() && it->symbol == s ? it->coefficient : 0.0;
}

bool SimplexRow::contains(Symbol s) const {
  auto it = find(s);
  return it != cells_.end() && it->symbol == s;
}

void SimplexRow::insert(Symbol s, double c) {
  auto it = find(s);
  if (it != cells_.end() && it->symbol == s) {
    it->coefficient += c;
    if (nearZero(it->coefficient)) cells_.erase(it);
    return;
  }
  if (!nearZero(c)) cells_.insert(it, Cell{s, c});
}

void SimplexRow::insert(const SimplexRow& other, double c, std::vector<Symbol>* added) {
  constant_ += other.constant_ * c;
  if (other.cells_.empty()) return;
  // A linear merge of two sorted lists: rows are substituted into each other at every pivot.
  std::vector<Cell> merged;
  merged.reserve(cells_.size() + other.cells_.size());
  auto a = cells_.begin(), ae = cells_.end();
  auto b = other.cells_.begin(), be = other.cells_.end();
  while (a != ae || b != be) {
    if (b == be || (a != ae && a->symbol < b->symbol)) {
      merged.push_back(*a++);
    } else if (a == ae || b->symbol < a->symbol) {
      double v = b->coefficient * c;
      if (!nearZero(v)) {
        merged.push_back(Cell{b->symbol, v});
        if (added) added->push_back(b->symbol);
      }
      ++b;
    } else {
      double v = a->coefficient + b->coefficient * c;
      if (!nearZero(v)) merged.push_back(Cell{a->symbol, v});
      ++a;
      ++b;
    }
  }
  cells_.swap(merged);
}

void SimplexRow::remove(Symbol s) {
  auto it = find(s);
  if (it != cells_.end() && it->symbol == s) cells_.erase(it);
}

void SimplexRow::reverseSign() {
  constant_ = -constant_;
  for (auto& c : cells_) c.coefficient = -c.coefficient;
}

void SimplexRow::solveFor(Symbol s) {
  auto it = find(s);
  double k = -1.0 / it->coefficient;
  cells_.erase(it);
  constant_ *= k;
  for (auto& c : cells_) c.coefficient *= k;
}

void SimplexRow::solveFor(Symbol lhs, Symbol rhs) {
  insert(lhs, -1.0);
  solveFor(rhs);
}

bool SimplexRow::substitute(Symbol s, const SimplexRow& row, std::vector<Symbol>* added) {
  auto it = find(s);
  if (it == cells_.end() || it->symbol != s) return false;
  double c = it->coefficient;
  cells_.erase(it);
  insert(row, c, added);
  return true;
}

}  // namespace ui::layout
