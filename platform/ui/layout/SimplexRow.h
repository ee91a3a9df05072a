#pragma once
// One row of the simplex tableau: `basic = constant + sum(coefficient * symbol)` over the
// non-basic symbols, kept sorted by symbol so that merges are linear and choices among
// symbols are deterministic (lowest symbol first). Part of the layout solver; not thread-safe.
#include <cstdint>
#include <vector>

namespace ui::layout {

using Symbol = uint32_t;

inline bool nearZero(double v) { return v < 1e-8 && v > -1e-8; }

class SimplexRow {
 public:
  struct Cell {
    Symbol symbol;
    double coefficient;
  };

  SimplexRow() = default;
  explicit SimplexRow(double constant) : constant_(constant) {}

  double constant() const { return constant_; }
  const std::vector<Cell>& cells() const { return cells_; }
  bool hasCells() const { return !cells_.empty(); }
  double coefficientFor(Symbol s) const;
  bool contains(Symbol s) const;

  /// Adds `v` to the constant and answers the new constant.
  double add(double v) { return constant_ += v; }
  /// Adds `c` to the coefficient of `s`; a coefficient that cancels out leaves the row.
  void insert(Symbol s, double c);
  /// this += other * c. Symbols new to this row are appended to `added` when it is given.
  void insert(const SimplexRow& other, double c, std::vector<Symbol>* added = nullptr);
  void remove(Symbol s);
  void reverseSign();
  /// Turns `0 = constant + ... + a*s` into `s = ...`: the row then expresses `s`, and `s`
  /// leaves its cells.
  void solveFor(Symbol s);
  /// The row expresses `lhs`; make it express `rhs` instead (lhs enters the cells).
  void solveFor(Symbol lhs, Symbol rhs);
  /// Replaces `s` by the expression `row`; answers whether `s` was there.
  bool substitute(Symbol s, const SimplexRow& row, std::vector<Symbol>* added = nullptr);
  void clear() {
    cells_.clear();
    constant_ = 0;
  }

 private:
  std::vector<Cell>::iterator find(Symbol s);
  std::vector<Cell>::const_iterator find(Symbol s) const;

  double constant_ = 0;
  std::vector<Cell> cells_;
};

}  // namespace ui::layout
