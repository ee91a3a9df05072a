#pragma once
// Objects that move the lines of a layout after they are laid out, and the one that puts
// every row on a fixed pitch.
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/typeset/AttributedString.h"

namespace text {

class DRTextLine;
class DRTextContainer;

/// Implementations are objects (they are copied with `copy()`), and are called on whatever
/// thread builds a layout, so they must be safe to call from several threads at once.
class DRTextLinePositionModifier {
 public:
  virtual ~DRTextLinePositionModifier() = default;
  /// May change each line's position (which recomputes its bounds).
  virtual void modifyLines(std::vector<Ref<DRTextLine>>& lines, const Ref<typeset::AttributedString>& text,
                           const Ref<DRTextContainer>& container) const = 0;
};

class DRTextLinePositionSimpleModifier : public rt::Object, public DRTextLinePositionModifier {
  RT_CLASS(DRTextLinePositionSimpleModifier, rt::Object)
 public:
  void init() {}
  static Ref<DRTextLinePositionSimpleModifier> create() { return rt::make<DRTextLinePositionSimpleModifier>(); }

  double fixedLineHeight() const { return fixedLineHeight_; }
  void setFixedLineHeight(double h) { fixedLineHeight_ = h; }

  void modifyLines(std::vector<Ref<DRTextLine>>& lines, const Ref<typeset::AttributedString>& text,
                   const Ref<DRTextContainer>& container) const override;
  rt::Id copy() const override;

 private:
  double fixedLineHeight_ = 0;
};

}  // namespace text
