#pragma once
// An incremental simplex solver for linear equalities and inequalities with priorities, of
// the kind described for user-interface layout: required constraints must hold exactly; every
// other constraint carries error variables whose weighted sum the solver keeps minimal.
// Constraints can be added, removed and have their constant changed one at a time, each
// costing a few pivots rather than a fresh solve. Not thread-safe; the layout engine owns one.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/layout/SimplexRow.h"

namespace ui::layout {

class SimplexSolver {
 public:
  using Variable = uint32_t;
  using ConstraintId = uint32_t;
  enum class Relation { LessOrEqual, Equal, GreaterOrEqual };
  struct Term {
    Variable variable;
    double coefficient;
  };
  /// `constant + sum(terms)`; constraints read `expression (relation) 0`.
  struct Expression {
    std::vector<Term> terms;
    double constant = 0;
  };

  /// The weight of a priority below required (1000): each step of the platform's scale
  /// multiplies the weight, so that a higher priority wins whenever both cannot hold.
  static double weightForPriority(double priority);

  Variable newVariable();
  /// Adds `expression (relation) 0`. A priority of 1000 or more is required. Answers nothing
  /// when a required constraint contradicts the required ones already present; the solver is
  /// then as it was.
  std::optional<ConstraintId> addConstraint(const Expression& expression, Relation relation, double priority);
  void removeConstraint(ConstraintId id);
  /// Gives the constraint a new expression constant in place, the way edit variables take
  /// suggested values: the change runs through the constraint's marker column and the dual
  /// simplex repairs feasibility. False when a required constraint can no longer hold: the
  /// constraint then keeps its old constant.
  bool changeConstant(ConstraintId id, double constant);
  double expressionConstant(ConstraintId id) const { return constraints_[id].constant; }
  double value(Variable v) const;
  size_t rowCount() const;

 private:
  enum class Kind : uint8_t { External, Slack, Error, Dummy };
  struct Tag {
    Symbol marker = 0;
    Symbol other = 0;  // 0: none (symbol 0 is never used)
    double markerCoefficient = 1;
    double weight = 0;  // 0: required
    double constant = 0;
    bool live = false;
  };

  Symbol newSymbol(Kind k);
  SimplexRow createRow(const Expression& e, Relation r, double weight, Tag& tag);
  Symbol chooseSubject(const SimplexRow& row, const Tag& tag) const;
  bool allDummies(const SimplexRow& row) const;
  bool addWithArtificialVariable(const SimplexRow& row);
  void installRow(Symbol basic, std::unique_ptr<SimplexRow> row);
  void substitute(Symbol s, const SimplexRow& row);
  void pivot(Symbol leaving, Symbol entering);
  bool optimize(SimplexRow& objective);
  bool dualOptimize();
  Symbol enteringSymbol(const SimplexRow& objective) const;
  Symbol objectiveEnteringSymbol();
  void noteObjectiveChange(const SimplexRow& row);
  Symbol leavingSymbol(Symbol entering);
  Symbol dualEnteringSymbol(const SimplexRow& row) const;
  Symbol markerLeavingSymbol(Symbol marker);
  void removeMarkerEffects(Symbol marker, double weight);
  bool shiftMarker(const Tag& tag, double shift);
  /// The basic symbols whose rows hold `s`, with stale entries of the column index dropped.
  const std::vector<Symbol>& column(Symbol s);
  void noteAdded(Symbol basic, const std::vector<Symbol>& symbols);

  std::vector<Kind> kind_{Kind::Dummy};  // symbol 0 is a placeholder
  std::vector<std::unique_ptr<SimplexRow>> rows_{1};
  // For each symbol, the basic symbols whose rows may hold it: substitutions and ratio tests
  // visit only those rows instead of the whole tableau.
  std::vector<std::vector<Symbol>> columns_{1};
  std::vector<uint32_t> stamp_{0};
  uint32_t epoch_ = 0;
  std::vector<Symbol> variables_;
  std::vector<Tag> constraints_;
  std::vector<ConstraintId> freeIds_;
  SimplexRow objective_;
  std::unique_ptr<SimplexRow> artificial_;
  std::vector<Symbol> infeasible_;
  std::vector<Symbol> objectiveTouched_;  // symbols whose objective coefficient changed
  std::vector<Symbol> scratch_;
};

}  // namespace ui::layout
