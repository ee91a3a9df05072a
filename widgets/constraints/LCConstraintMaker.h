#pragma once
// The object a declaring block receives: naming an attribute on it starts a constraint
// (`make.top.equalTo(header).offset(8)`, `make.edges.equalTo(superview).insets(...)`,
// `make.width()` alone), and `install` turns what was declared into platform constraints.
// A maker lives for one call of lc_makeConstraints and friends; it keeps every constraint
// it handed out alive until then. Main thread only.
#include <functional>
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/view/View.h"
#include "widgets/constraints/LCConstraint.h"
#include "widgets/constraints/LCConstraintDelegate.h"

namespace widgets {

/// One bit per layout attribute: bit v for the attribute of value v.
using LCAttributeMask = int64_t;
inline constexpr LCAttributeMask LCAttributeMaskEdges = 30;    // left, right, top, bottom
inline constexpr LCAttributeMask LCAttributeMaskSize = 384;    // width, height
inline constexpr LCAttributeMask LCAttributeMaskCenter = 1536;  // centerX, centerY

class LCConstraintMaker;

/// An attribute (or a fixed set of them) named on the maker. Each call below first declares
/// the constraint on the maker, then applies itself to it; `()` declares it and nothing else.
class LCMakerAttribute {
 public:
  LCMakerAttribute(LCConstraintMaker& maker, LCAttributeMask mask, ui::LayoutAttribute single)
      : maker_(maker), mask_(mask), single_(single) {}
  LCMakerAttribute(const LCMakerAttribute&) = delete;
  LCMakerAttribute& operator=(const LCMakerAttribute&) = delete;

  LCConstraint& operator()() const;

  LCConstraint& equalTo(const rt::Id& target) const { return (*this)().equalTo(target); }
  LCConstraint& lc_equalTo(const rt::Id& target) const { return (*this)().lc_equalTo(target); }
  LCConstraint& greaterThanOrEqualTo(const rt::Id& target) const { return (*this)().greaterThanOrEqualTo(target); }
  LCConstraint& lc_greaterThanOrEqualTo(const rt::Id& target) const {
    return (*this)().lc_greaterThanOrEqualTo(target);
  }
  LCConstraint& lessThanOrEqualTo(const rt::Id& target) const { return (*this)().lessThanOrEqualTo(target); }
  LCConstraint& lc_lessThanOrEqualTo(const rt::Id& target) const { return (*this)().lc_lessThanOrEqualTo(target); }
  LCConstraint& priorityLow() const { return (*this)().priorityLow(); }
  LCConstraint& priorityMedium() const { return (*this)().priorityMedium(); }
  LCConstraint& priorityHigh() const { return (*this)().priorityHigh(); }
  LCConstraint& priority(ui::LayoutPriority p) const { return (*this)().priority(p); }
  LCConstraint& insets(gfx::EdgeInsets i) const { return (*this)().insets(i); }
  LCConstraint& sizeOffset(gfx::Size s) const { return (*this)().sizeOffset(s); }
  LCConstraint& centerOffset(gfx::Point p) const { return (*this)().centerOffset(p); }
  LCConstraint& offset(double o) const { return (*this)().offset(o); }
  LCConstraint& valueOffset(const rt::Id& v) const { return (*this)().valueOffset(v); }
  LCConstraint& multipliedBy(double m) const { return (*this)().multipliedBy(m); }
  LCConstraint& dividedBy(double d) const { return (*this)().dividedBy(d); }
  LCConstraint& key(const rt::Id& k) const { return (*this)().key(k); }
  LCConstraint& with() const { return (*this)(); }
  LCConstraint& and_() const { return (*this)(); }

  LCConstraint& left() const { return (*this)().left(); }
  LCConstraint& top() const { return (*this)().top(); }
  LCConstraint& right() const { return (*this)().right(); }
  LCConstraint& bottom() const { return (*this)().bottom(); }
  LCConstraint& leading() const { return (*this)().leading(); }
  LCConstraint& trailing() const { return (*this)().trailing(); }
  LCConstraint& width() const { return (*this)().width(); }
  LCConstraint& height() const { return (*this)().height(); }
  LCConstraint& centerX() const { return (*this)().centerX(); }
  LCConstraint& centerY() const { return (*this)().centerY(); }
  LCConstraint& baseline() const { return (*this)().baseline(); }
  LCConstraint& leftMargin() const { return (*this)().leftMargin(); }
  LCConstraint& rightMargin() const { return (*this)().rightMargin(); }
  LCConstraint& topMargin() const { return (*this)().topMargin(); }
  LCConstraint& bottomMargin() const { return (*this)().bottomMargin(); }
  LCConstraint& leadingMargin() const { return (*this)().leadingMargin(); }
  LCConstraint& trailingMargin() const { return (*this)().trailingMargin(); }
  LCConstraint& centerXWithinMargins() const { return (*this)().centerXWithinMargins(); }
  LCConstraint& centerYWithinMargins() const { return (*this)().centerYWithinMargins(); }

 private:
  LCConstraintMaker& maker_;
  LCAttributeMask mask_;            // for edges, size and center
  ui::LayoutAttribute single_;      // otherwise
};

class LCConstraintMaker : public rt::Object, public LCConstraintDelegate {
  RT_CLASS(LCConstraintMaker, rt::Object)
 public:
  LCConstraintMaker() = default;
  void init(const Ref<ui::View>& view);

  Ref<ui::View> view() const { return view_.lock(); }
  /// The top-level constraints declared so far, in order.
  const std::vector<Ref<LCConstraint>>& constraints() const { return constraints_; }
  bool updateExisting() const { return updateExisting_; }
  void setUpdateExisting(bool on) { updateExisting_ = on; }
  bool removeExisting() const { return removeExisting_; }
  void setRemoveExisting(bool on) { removeExisting_ = on; }

  /// Removes what the language installed with the view first (when `removeExisting`), installs
  /// every declared constraint in order, empties the list and answers what it held.
  std::vector<Ref<LCConstraint>> install();

  void constraintShouldBeReplacedWithConstraint(LCConstraint& constraint,
                                                const Ref<LCConstraint>& replacement) override;
  Ref<LCConstraint> constraintAddConstraintWithLayoutAttribute(LCConstraint* constraint,
                                                               ui::LayoutAttribute attribute) override;
  /// A composite of the view's attributes whose bits are set (in attribute order), appended.
  LCConstraint& addConstraintWithAttributes(LCAttributeMask mask);
  LCConstraint& addConstraintWithLayoutAttribute(ui::LayoutAttribute attribute);
  LCConstraint& attributes(LCAttributeMask mask) { return addConstraintWithAttributes(mask); }
  /// Runs `declarations` (which declare on this maker) and answers a composite of what they
  /// declared, so later chained calls apply to all of them; its members stay installed one by one.
  LCConstraint& group(const std::function<void()>& declarations);

  const LCMakerAttribute left{*this, 0, ui::LayoutAttributeLeft};
  const LCMakerAttribute top{*this, 0, ui::LayoutAttributeTop};
  const LCMakerAttribute right{*this, 0, ui::LayoutAttributeRight};
  const LCMakerAttribute bottom{*this, 0, ui::LayoutAttributeBottom};
  const LCMakerAttribute leading{*this, 0, ui::LayoutAttributeLeading};
  const LCMakerAttribute trailing{*this, 0, ui::LayoutAttributeTrailing};
  const LCMakerAttribute width{*this, 0, ui::LayoutAttributeWidth};
  const LCMakerAttribute height{*this, 0, ui::LayoutAttributeHeight};
  const LCMakerAttribute centerX{*this, 0, ui::LayoutAttributeCenterX};
  const LCMakerAttribute centerY{*this, 0, ui::LayoutAttributeCenterY};
  const LCMakerAttribute baseline{*this, 0, ui::LayoutAttributeBaseline};
  const LCMakerAttribute leftMargin{*this, 0, ui::LayoutAttributeLeftMargin};
  const LCMakerAttribute rightMargin{*this, 0, ui::LayoutAttributeRightMargin};
  const LCMakerAttribute topMargin{*this, 0, ui::LayoutAttributeTopMargin};
  const LCMakerAttribute bottomMargin{*this, 0, ui::LayoutAttributeBottomMargin};
  const LCMakerAttribute leadingMargin{*this, 0, ui::LayoutAttributeLeadingMargin};
  const LCMakerAttribute trailingMargin{*this, 0, ui::LayoutAttributeTrailingMargin};
  const LCMakerAttribute centerXWithinMargins{*this, 0, ui::LayoutAttributeCenterXWithinMargins};
  const LCMakerAttribute centerYWithinMargins{*this, 0, ui::LayoutAttributeCenterYWithinMargins};
  const LCMakerAttribute edges{*this, LCAttributeMaskEdges, ui::LayoutAttributeNotAnAttribute};
  const LCMakerAttribute size{*this, LCAttributeMaskSize, ui::LayoutAttributeNotAnAttribute};
  const LCMakerAttribute center{*this, LCAttributeMaskCenter, ui::LayoutAttributeNotAnAttribute};

 private:
  Ref<LCConstraintDelegate> asDelegate();
  LCConstraint& keep(const Ref<LCConstraint>& constraint);

  Weak<ui::View> view_;
  std::vector<Ref<LCConstraint>> constraints_;
  // Every constraint handed out during the declaration: references into a chain stay valid
  // until the maker is dropped, whatever replaced them.
  std::vector<Ref<LCConstraint>> handedOut_;
  bool updateExisting_ = false;
  bool removeExisting_ = false;
};

}  // namespace widgets
