#pragma once
// The area a layout flows text into: a size with insets or any path, minus exclusion paths,
// in horizontal or vertical form, with a row limit, truncation and a line position modifier.
// Owners change theirs freely; a layout freezes its own copy.
#include <mutex>
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/graphics/BezierPath.h"
#include "platform/typeset/AttributedString.h"
#include "text/layout/DRTextLinePositionModifier.h"

namespace text {

/// Where text is cut: 0 none, 1 start, 2 end, 3 middle.
enum DRTextTruncationType : uint64_t {
  DRTextTruncationTypeNone = 0,
  DRTextTruncationTypeStart = 1,
  DRTextTruncationTypeEnd = 2,
  DRTextTruncationTypeMiddle = 3,
};

/// Largest width or height a container takes.
inline constexpr double DRTextContainerMaxSize = 0x100000;

class DRTextContainer : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextContainer, rt::Object)
 public:
  void init() {}
  static Ref<DRTextContainer> create() { return rt::make<DRTextContainer>(); }
  static Ref<DRTextContainer> containerWithSize(gfx::Size size);
  static Ref<DRTextContainer> containerWithSize(gfx::Size size, gfx::EdgeInsets insets);
  /// Null for a null path.
  static Ref<DRTextContainer> containerWithPath(const Ref<gfx::BezierPath>& path);

  gfx::Size size() const;
  /// Ignored while a path is set; each side capped at DRTextContainerMaxSize.
  void setSize(gfx::Size size);
  gfx::EdgeInsets insets() const;
  /// Ignored while a path is set; negative insets become 0.
  void setInsets(gfx::EdgeInsets insets);
  Ref<gfx::BezierPath> path() const;
  /// A non-null path replaces size and insets with ones derived from its bounds.
  void setPath(const Ref<gfx::BezierPath>& path);
  std::vector<Ref<gfx::BezierPath>> exclusionPaths() const;
  void setExclusionPaths(const std::vector<Ref<gfx::BezierPath>>& paths);
  double pathLineWidth() const;
  void setPathLineWidth(double width);
  bool isPathFillEvenOdd() const;
  void setPathFillEvenOdd(bool evenOdd);
  bool isVerticalForm() const;
  void setVerticalForm(bool vertical);
  uint64_t maximumNumberOfRows() const;
  void setMaximumNumberOfRows(uint64_t rows);
  uint64_t truncationType() const;
  void setTruncationType(uint64_t type);
  Ref<typeset::AttributedString> truncationToken() const;
  void setTruncationToken(const Ref<typeset::AttributedString>& token);
  Ref<DRTextLinePositionModifier> linePositionModifier() const;
  /// Stores a copy; the modifier must be an object (copied with `copy()`).
  void setLinePositionModifier(const Ref<DRTextLinePositionModifier>& modifier);

  /// A writable copy, whether or not this container is frozen.
  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  friend class DRTextLayout;
  // Set by a layout on its own copy; from then on every setter raises.
  void freeze() { readonly_ = true; }
  void checkWritable() const;

  bool readonly_ = false;
  mutable std::mutex lock_;
  gfx::Size size_;
  gfx::EdgeInsets insets_;
  Ref<gfx::BezierPath> path_;
  std::vector<Ref<gfx::BezierPath>> exclusionPaths_;
  bool pathFillEvenOdd_ = true;
  double pathLineWidth_ = 0;
  bool verticalForm_ = false;
  uint64_t maximumNumberOfRows_ = 0;
  uint64_t truncationType_ = 0;
  Ref<typeset::AttributedString> truncationToken_;
  Ref<DRTextLinePositionModifier> linePositionModifier_;
};

}  // namespace text
