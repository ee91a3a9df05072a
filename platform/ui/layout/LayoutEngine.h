#pragma once
// Solves the constraints of one view tree (kept on the tree's root) and writes the frames.
//
// Every view a constraint involves (its items, and the views between an item and the
// items' closest common ancestor) gets four variables: its frame's x, y, width and height in
// its superview. An attribute becomes a linear expression in the common ancestor's bounds by
// adding the origins along the way. A view that translates its autoresizing mask, the root
// and the controllers' layout guides are held where they are by required equalities whose
// constants follow their frames; other views get their intrinsic size as two inequalities
// per axis (hugging: size <= intrinsic, compression: size >= intrinsic) at their priorities.
//
// Changes arrive one at a time and are applied incrementally at the next layout pass: a new
// or removed constraint is one solver operation, a new constant is an in-place edit. Required
// constraints that contradict the required ones already present are broken, the newest
// (by activation) first, logged once each, and layout goes on; a constant change that would
// contradict them breaks the changed constraint. Main thread only.
#include <array>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/runtime/Object.h"
#include "platform/ui/layout/LayoutTypes.h"
#include "platform/ui/layout/SimplexSolver.h"
#include "platform/ui/layout/ViewLayoutState.h"

namespace ui {
class View;
class LayoutConstraint;
class LayoutGuide;
}  // namespace ui

namespace ui::layout {

/// The view an item stands for: the view itself, or a layout guide's owning view.
Ref<View> layoutItemView(const rt::Id& item);
/// The nearest view containing both (either one when it contains the other), or null.
Ref<View> closestCommonAncestor(const View* a, const View* b);

class LayoutEngine : public std::enable_shared_from_this<LayoutEngine> {
 public:
  explicit LayoutEngine(const Ref<View>& root);

  /// Brings the solution up to date and writes the frames that changed. Cheap when nothing
  /// changed.
  void update();
  bool needsUpdate() const { return dirty_; }
  /// Drops the solver's state: the next update solves everything from scratch.
  void rebuild();
  /// Constraints in the solver now, broken ones excluded (for tests and diagnostics).
  size_t activeConstraintCount() const;
  size_t brokenConstraintCount() const;

  // ---- what views and constraints report
  /// The layout pass of `view`: its tree's engine updates.
  /// `ownPass`: the view is being laid out itself now (its needs-layout mark already cleared).
  static void layoutPass(View& view, bool ownPass = false);
  static void constraintsAdded(View& holder, bool onlyDuplicates);
  static void constraintsRemoved(View& holder);
  static void constraintChanged(View& holder, LayoutConstraint& c);
  static void viewMoved(View& moved, View* formerSuperview);
  static void geometryChanged(View& view);
  static void intrinsicSizeChanged(View& view);
  /// Translation, margins or priorities of an involved view changed: rebuild what depends on it.
  static void viewLayoutSettingsChanged(View& view, bool intrinsicOnly);
  /// The engine of `view`'s tree, made when `create`.
  static std::shared_ptr<LayoutEngine> engineOf(View& view, bool create);

 private:
  using Var = SimplexSolver::Variable;
  using Expr = SimplexSolver::Expression;
  enum class ItemKind { Fixed, Free, Guide };
  struct Item {
    Weak<rt::Object> object;
    ItemKind kind = ItemKind::Free;
    Var x = 0, y = 0, w = 0, h = 0;
    size_t references = 0;
    // Held items and guides: the four holding equalities and the values they hold.
    std::array<std::optional<SimplexSolver::ConstraintId>, 4> fix;
    std::array<double, 4> fixedAt{};
    Var baseW = 0, baseH = 0;  // a guide's owning view's width and height
    bool bottomGuide = false;
    // Free items: width hugging, width compression, height hugging, height compression.
    std::array<std::optional<SimplexSolver::ConstraintId>, 4> intrinsic;
    std::array<double, 4> intrinsicAt{};
    std::array<LayoutPriority, 4> intrinsicPriority{};
    bool intrinsicDirty = true;
    bool widthDependent = false;  // a wrapping label: its height follows its width
    double measuredAtWidth = -1;
  };
  struct Entry {
    Weak<LayoutConstraint> constraint;
    std::optional<SimplexSolver::ConstraintId> id;
    std::vector<const rt::Object*> items;  // the items it references, counted once each use
    double constantUsed = 0;
    LayoutPriority priorityUsed = LayoutPriorityRequired;
    uint64_t seen = 0;
    bool broken = false;   // contradicted required constraints; retried when something gives
    bool invalid = false;  // cannot be laid out where it is; retried when the tree changes
    bool changed = false;
  };

  void reset();
  void syncMembership();
  void dropEntry(Entry& e);
  bool solveEntry(Entry& e, LayoutConstraint& c);
  void applyChange(Entry& e, LayoutConstraint& c);
  bool buildExpression(const LayoutConstraint& c, Expr& out, const char** problem);
  bool appendOrigin(Expr& e, const rt::Id& item, const View* ancestor, bool horizontal, double k);
  bool appendAttribute(Expr& e, const rt::Id& item, LayoutAttribute a, const View* ancestor, double k);
  Item* ensureItem(const rt::Id& object);
  void setUpItem(Item& item, const rt::Id& object);
  void releaseItem(const rt::Object* key);
  void holdFixed(Item& item, const std::array<double, 4>& values);
  std::array<double, 4> fixedValues(Item& item, const rt::Object& object) const;
  bool refreshFixed();
  void refreshIntrinsic(Item& item, View& view, double widthHint);
  void retryBroken();
  void writeFrames();
  void markDirty();

  Weak<View> root_;
  std::unique_ptr<SimplexSolver> solver_;
  std::unordered_map<const rt::Object*, Item> items_;
  std::unordered_map<const LayoutConstraint*, Entry> entries_;
  std::vector<const LayoutConstraint*> changed_;
  Entry* building_ = nullptr;
  uint64_t generation_ = 0;
  bool dirty_ = true;
  bool membershipDirty_ = true;
  bool structureDirty_ = false;
  bool relaxed_ = false;  // something gave way: broken constraints may fit now
  bool applying_ = false;
  bool updating_ = false;
  bool hasInvalid_ = false;  // some constraints wait for their items to return under their holder
};

}  // namespace ui::layout
