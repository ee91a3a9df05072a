#include "platform/ui/layout/SimplexSolver.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/foundation/Log.h"

namespace ui::layout {

// The tableau holds one row per basic symbol: `basic = constant + sum(coefficient * symbol)`.
// External symbols stand for the caller's variables and may take any sign; slack, error and
// dummy symbols are the restricted ones (>= 0; dummies are always 0). Every restricted basic
// symbol keeps a constant >= 0 (primal feasibility) and the objective, the weighted sum of
// error symbols, is kept minimal (its non-basic coefficients are >= 0).
//
// A constraint `e (op) 0` enters as a row of e plus its marker symbols:
//   e <= 0:  e + slack = 0          e >= 0:  e - slack = 0
//   e == 0 (required):  e + dummy = 0
//   e == 0 (weight w):  e - plus + minus = 0, with w*plus + w*minus in the objective
// Inequalities below required also get an error symbol opposite to their slack. The marker
// (slack, dummy or plus) is how the constraint is found again for removal and for changes of
// its constant: shifting the marker by d is the same as shifting the constant by d times the
// marker's coefficient, so a new constant is a shift of every row through the marker's column.

double SimplexSolver::weightForPriority(double priority) {
  // 999 weighs 1e9, 250 about 180; one step of the scale is a factor of about 1.02, which is
  // enough for the linear objective to prefer the higher priority whenever both compete for
  // the same amount.
  return std::pow(10.0, std::clamp(priority, 1.0, 999.0) / 111.0);
}

Symbol SimplexSolver::newSymbol(Kind k) {
  kind_.push_back(k);
  rows_.emplace_back();
  columns_.emplace_back();
  stamp_.push_back(0);
  return Symbol(kind_.size() - 1);
}

SimplexSolver::Variable SimplexSolver::newVariable() {
  variables_.push_back(newSymbol(Kind::External));
  return Variable(variables_.size() - 1);
}

double SimplexSolver::value(Variable v) const {
  const auto& row = rows_[variables_[v]];
  return row ? row->constant() : 0.0;
}

size_t SimplexSolver::rowCount() const {
  size_t n = 0;
  for (const auto& r : rows_) n += r ? 1 : 0;
  return n;
}

const std::vector<Symbol>& SimplexSolver::column(Symbol s) {
  auto& list = columns_[s];
  ++epoch_;
  size_t kept = 0;
  for (Symbol b : list) {
    if (stamp_[b] == epoch_ || !rows_[b] || !rows_[b]->contains(s)) continue;
    stamp_[b] = epoch_;
    list[kept++] = b;
  }
  list.resize(kept);
  return list;
}

void SimplexSolver::noteAdded(Symbol basic, const std::vector<Symbol>& symbols) {
  for (Symbol s : symbols) columns_[s].push_back(basic);
}

void SimplexSolver::installRow(Symbol basic, std::unique_ptr<SimplexRow> row) {
  for (const auto& c : row->cells()) columns_[c.symbol].push_back(basic);
  rows_[basic] = std::move(row);
}

SimplexRow SimplexSolver::createRow(const Expression& e, Relation r, double weight, Tag& tag) {
  SimplexRow row(e.constant);
  for (const auto& t : e.terms) {
    if (nearZero(t.coefficient)) continue;
    Symbol s = variables_[t.variable];
    if (rows_[s])
      row.insert(*rows_[s], t.coefficient);
    else
      row.insert(s, t.coefficient);
  }
  if (r == Relation::Equal) {
    if (weight > 0) {
      tag.marker = newSymbol(Kind::Error);
      tag.other = newSymbol(Kind::Error);
      tag.markerCoefficient = -1;
      row.insert(tag.marker, -1);
      row.insert(tag.other, 1);
      objective_.insert(tag.marker, weight);
      objective_.insert(tag.other, weight);
    } else {
      tag.marker = newSymbol(Kind::Dummy);
      tag.markerCoefficient = 1;
      row.insert(tag.marker, 1);
    }
  } else {
    double k = r == Relation::LessOrEqual ? 1.0 : -1.0;
    tag.marker = newSymbol(Kind::Slack);
    tag.markerCoefficient = k;
    row.insert(tag.marker, k);
    if (weight > 0) {
      tag.other = newSymbol(Kind::Error);
      row.insert(tag.other, -k);
      objective_.insert(tag.other, weight);
    }
  }
  if (row.constant() < 0) row.reverseSign();
  return row;
}

// An external symbol can always be made basic; otherwise a restricted marker with a negative
// coefficient keeps the row feasible when solved for it. Among external symbols, the one in
// the fewest other rows (a fresh variable, usually) makes the substitution cheapest.
Symbol SimplexSolver::chooseSubject(const SimplexRow& row, const Tag& tag) const {
  Symbol best = 0;
  size_t fewest = SIZE_MAX;
  for (const auto& c : row.cells()) {
    if (kind_[c.symbol] != Kind::External) continue;
    size_t n = columns_[c.symbol].size();  // an upper bound: stale entries are dropped lazily
    if (n <= fewest) {
      fewest = n;
      best = c.symbol;
    }
  }
  if (best) return best;
  for (Symbol m : {tag.marker, tag.other}) {
    if (m == 0) continue;
    Kind k = kind_[m];
    if ((k == Kind::Slack || k == Kind::Error) && row.coefficientFor(m) < 0) return m;
  }
  return 0;
}

bool SimplexSolver::allDummies(const SimplexRow& row) const {
  for (const auto& c : row.cells())
    if (kind_[c.symbol] != Kind::Dummy) return false;
  return true;
}

std::optional<SimplexSolver::ConstraintId> SimplexSolver::addConstraint(const Expression& e, Relation r,
                                                                         double priority) {
  Tag tag;
  tag.weight = priority >= 1000 ? 0 : weightForPriority(priority);
  tag.constant = e.constant;
  SimplexRow row = createRow(e, r, tag.weight, tag);
  Symbol subject = chooseSubject(row, tag);
  if (subject == 0 && allDummies(row)) {
    // Only required constraints get here: every symbol left is fixed at zero, so the row
    // holds exactly when its constant is zero (a duplicate of what is there already).
    if (!nearZero(row.constant())) return std::nullopt;
    subject = tag.marker;
  }
  if (subject == 0) {
    if (!addWithArtificialVariable(row)) {
      optimize(objective_);
      return std::nullopt;
    }
  } else {
    auto owned = std::make_unique<SimplexRow>(std::move(row));
    owned->solveFor(subject);
    substitute(subject, *owned);
    installRow(subject, std::move(owned));
  }
  ConstraintId id;
  if (!freeIds_.empty()) {
    id = freeIds_.back();
    freeIds_.pop_back();
  } else {
    id = ConstraintId(constraints_.size());
    constraints_.emplace_back();
  }
  tag.live = true;
  constraints_[id] = tag;
  optimize(objective_);
  return id;
}

// A required row with no usable subject: give it an artificial slack symbol and minimise that
// symbol. Reaching zero means the constraint can hold; then the artificial symbol is pivoted
// out and dropped. Not reaching zero means it contradicts the required ones: the artificial
// symbol is still basic, the other rows never took its equation in, and dropping its row
// leaves the tableau as it was (only its basis may have moved).
bool SimplexSolver::addWithArtificialVariable(const SimplexRow& row) {
  Symbol art = newSymbol(Kind::Slack);
  installRow(art, std::make_unique<SimplexRow>(row));
  artificial_ = std::make_unique<SimplexRow>(row);
  optimize(*artificial_);
  bool success = nearZero(artificial_->constant());
  artificial_.reset();
  if (!success) {
    rows_[art].reset();
    return false;
  }
  if (rows_[art]) {
    std::unique_ptr<SimplexRow> basic = std::move(rows_[art]);
    if (!basic->hasCells()) return true;
    Symbol entering = 0;
    for (const auto& c : basic->cells()) {
      Kind k = kind_[c.symbol];
      if (k == Kind::Slack || k == Kind::Error) {
        entering = c.symbol;
        break;
      }
    }
    if (entering == 0) return false;
    basic->solveFor(art, entering);
    substitute(entering, *basic);
    installRow(entering, std::move(basic));
  }
  for (Symbol b : column(art)) rows_[b]->remove(art);
  columns_[art].clear();
  objective_.remove(art);
  return true;
}

void SimplexSolver::substitute(Symbol s, const SimplexRow& row) {
  std::vector<Symbol> list;
  column(s);
  list.swap(columns_[s]);
  for (Symbol b : list) {
    SimplexRow& r = *rows_[b];
    scratch_.clear();
    r.substitute(s, row, &scratch_);
    noteAdded(b, scratch_);
    if (kind_[b] != Kind::External && r.constant() < 0) infeasible_.push_back(b);
  }
  if (objective_.substitute(s, row)) noteObjectiveChange(row);
  if (artificial_) artificial_->substitute(s, row);
}

void SimplexSolver::noteObjectiveChange(const SimplexRow& row) {
  for (const auto& c : row.cells()) objectiveTouched_.push_back(c.symbol);
}

void SimplexSolver::pivot(Symbol leaving, Symbol entering) {
  std::unique_ptr<SimplexRow> row = std::move(rows_[leaving]);
  row->solveFor(leaving, entering);
  substitute(entering, *row);
  installRow(entering, std::move(row));
}

Symbol SimplexSolver::enteringSymbol(const SimplexRow& objective) const {
  for (const auto& c : objective.cells())
    if (kind_[c.symbol] != Kind::Dummy && c.coefficient < 0) return c.symbol;
  return 0;
}

Symbol SimplexSolver::leavingSymbol(Symbol entering) {
  double best = std::numeric_limits<double>::infinity();
  Symbol found = 0;
  for (Symbol b : column(entering)) {
    if (kind_[b] == Kind::External) continue;
    double c = rows_[b]->coefficientFor(entering);
    if (c >= 0) continue;
    double ratio = -rows_[b]->constant() / c;
    if (ratio < best || (ratio == best && b < found)) {
      best = ratio;
      found = b;
    }
  }
  return found;
}

// The main objective only changes where substitutions and removals touch it, and it was
// optimal before: only the touched symbols can have turned negative, so only they are looked
// at (the lowest such symbol enters, as a full scan would choose).
Symbol SimplexSolver::objectiveEnteringSymbol() {
  auto& t = objectiveTouched_;
  std::sort(t.begin(), t.end());
  t.erase(std::unique(t.begin(), t.end()), t.end());
  size_t kept = 0;
  for (Symbol s : t)
    if (kind_[s] != Kind::Dummy && objective_.coefficientFor(s) < 0) t[kept++] = s;
  t.resize(kept);
  return t.empty() ? 0 : t.front();
}

bool SimplexSolver::optimize(SimplexRow& objective) {
  bool main = &objective == &objective_;
  for (;;) {
    Symbol entering = main ? objectiveEnteringSymbol() : enteringSymbol(objective);
    if (entering == 0) return true;
    Symbol leaving = leavingSymbol(entering);
    if (leaving == 0) {
      fd::log(rt::String("Layout solver: the objective is unbounded; the layout is left as it is."));
      return false;
    }
    pivot(leaving, entering);
  }
}

Symbol SimplexSolver::dualEnteringSymbol(const SimplexRow& row) const {
  double best = std::numeric_limits<double>::infinity();
  Symbol found = 0;
  for (const auto& c : row.cells()) {
    if (c.coefficient <= 0 || kind_[c.symbol] == Kind::Dummy) continue;
    double ratio = objective_.coefficientFor(c.symbol) / c.coefficient;
    if (ratio < best) {
      best = ratio;
      found = c.symbol;
    }
  }
  return found;
}

bool SimplexSolver::dualOptimize() {
  while (!infeasible_.empty()) {
    Symbol leaving = infeasible_.back();
    infeasible_.pop_back();
    SimplexRow* row = rows_[leaving].get();
    if (!row || row->constant() >= 0) continue;
    Symbol entering = dualEnteringSymbol(*row);
    if (entering == 0) {
      infeasible_.clear();
      return false;
    }
    pivot(leaving, entering);
  }
  return true;
}

// The row to pivot a non-basic marker into, so that its row can be dropped: prefer a
// restricted row the marker would leave at the smallest ratio, then any restricted row,
// then an external one.
Symbol SimplexSolver::markerLeavingSymbol(Symbol marker) {
  double r1 = std::numeric_limits<double>::infinity(), r2 = r1;
  Symbol first = 0, second = 0, third = 0;
  for (Symbol b : column(marker)) {
    double c = rows_[b]->coefficientFor(marker);
    if (kind_[b] == Kind::External) {
      if (third == 0) third = b;
    } else if (c < 0) {
      double r = -rows_[b]->constant() / c;
      if (r < r1) {
        r1 = r;
        first = b;
      }
    } else {
      double r = rows_[b]->constant() / c;
      if (r < r2) {
        r2 = r;
        second = b;
      }
    }
  }
  return first ? first : second ? second : third;
}

void SimplexSolver::removeMarkerEffects(Symbol marker, double weight) {
  if (rows_[marker]) {
    objective_.insert(*rows_[marker], -weight);
    noteObjectiveChange(*rows_[marker]);
  } else {
    objective_.insert(marker, -weight);
    objectiveTouched_.push_back(marker);
  }
}

void SimplexSolver::removeConstraint(ConstraintId id) {
  if (id >= constraints_.size() || !constraints_[id].live) return;
  Tag tag = constraints_[id];
  constraints_[id].live = false;
  freeIds_.push_back(id);
  if (tag.weight > 0) {
    if (kind_[tag.marker] == Kind::Error) removeMarkerEffects(tag.marker, tag.weight);
    if (tag.other && kind_[tag.other] == Kind::Error) removeMarkerEffects(tag.other, tag.weight);
  }
  if (rows_[tag.marker]) {
    rows_[tag.marker].reset();
  } else {
    Symbol leaving = markerLeavingSymbol(tag.marker);
    if (leaving == 0) {
      // The marker is in no row: the constraint had no effect left to undo.
      optimize(objective_);
      return;
    }
    std::unique_ptr<SimplexRow> row = std::move(rows_[leaving]);
    row->solveFor(leaving, tag.marker);
    substitute(tag.marker, *row);
  }
  optimize(objective_);
}

// Answers false when a row of a dummy (a required equality that repeats others) no longer
// holds: the dual simplex cannot repair those, as dummies never move.
bool SimplexSolver::shiftMarker(const Tag& tag, double shift) {
  bool holds = true;
  if (SimplexRow* row = rows_[tag.marker].get()) {
    if (row->add(-shift) < 0 && kind_[tag.marker] != Kind::Dummy) infeasible_.push_back(tag.marker);
    return kind_[tag.marker] != Kind::Dummy || nearZero(row->constant());
  }
  for (Symbol b : column(tag.marker)) {
    SimplexRow& r = *rows_[b];
    double c = r.add(r.coefficientFor(tag.marker) * shift);
    if (kind_[b] == Kind::Dummy)
      holds = holds && nearZero(c);
    else if (c < 0 && kind_[b] != Kind::External)
      infeasible_.push_back(b);
  }
  return holds;
}

bool SimplexSolver::changeConstant(ConstraintId id, double constant) {
  if (id >= constraints_.size() || !constraints_[id].live) return false;
  Tag& tag = constraints_[id];
  double delta = constant - tag.constant;
  if (delta == 0) return true;
  double shift = delta / tag.markerCoefficient;
  bool holds = shiftMarker(tag, shift);
  if (!holds || !dualOptimize()) {
    infeasible_.clear();
    shiftMarker(tag, -shift);
    // Rows the failed repair left negative are not all in the marker's column.
    for (Symbol b = 1; b < rows_.size(); ++b)
      if (rows_[b] && kind_[b] != Kind::External && rows_[b]->constant() < 0) infeasible_.push_back(b);
    if (!dualOptimize()) fd::log(rt::String("Layout solver: could not restore a constant; the layout may be off."));
    return false;
  }
  tag.constant = constant;
  return true;
}

}  // namespace ui::layout
