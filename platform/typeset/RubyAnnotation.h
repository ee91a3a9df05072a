#pragma once
// Ruby annotations: small text laid above, below or beside its base text.
#include <array>

#include "platform/typeset/Types.h"

namespace typeset {

enum class RubyAlignment : uint8_t { Invalid = 255, Auto = 0, Start = 1, Center = 2, End = 3, DistributeLetter = 4,
                                     DistributeSpace = 5, LineEdge = 6 };
enum class RubyOverhang : uint8_t { Invalid = 255, Auto = 0, Start = 1, End = 2, None = 3 };
enum class RubyPosition : uint8_t { Before = 0, After = 1, InterCharacter = 2, Inline = 3 };
inline constexpr size_t RubyPositionCount = 4;

class RubyAnnotation : public rt::Object {
  RT_CLASS_NAMED(RubyAnnotation, rt::Object, "CTRubyAnnotation")
 public:
  /// `texts` by position (empty strings for none); a size factor of 0 or less means 0.5.
  /// With `scaleToFit` the size factor is the largest the annotation takes: one wider than its
  /// base is set smaller until it fits over it, where otherwise the base would be widened.
  void init(RubyAlignment alignment, RubyOverhang overhang, double sizeFactor,
            std::array<String, RubyPositionCount> texts, bool scaleToFit = false);
  static Ref<RubyAnnotation> create(RubyAlignment alignment, RubyOverhang overhang, double sizeFactor,
                                    std::array<String, RubyPositionCount> texts, bool scaleToFit = false);
  /// The common form: one text above the base, default alignment, overhang and size.
  static Ref<RubyAnnotation> create(const String& before);

  RubyAlignment alignment() const { return alignment_; }
  RubyOverhang overhang() const { return overhang_; }
  double sizeFactor() const { return sizeFactor_; }
  bool scalesToFit() const { return scaleToFit_; }
  const String& textForPosition(RubyPosition p) const { return texts_[static_cast<size_t>(p)]; }

  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override { return texts_[0].hash(); }

 private:
  RubyAlignment alignment_ = RubyAlignment::Auto;
  RubyOverhang overhang_ = RubyOverhang::Auto;
  double sizeFactor_ = 0.5;
  bool scaleToFit_ = false;
  std::array<String, RubyPositionCount> texts_;
};

}  // namespace typeset
