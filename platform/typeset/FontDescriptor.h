#pragma once
// Font descriptors: a family, size, symbolic traits and weight from which fonts are made.
#include "platform/typeset/Types.h"

namespace typeset {

/// Symbolic trait bits, with the platform's values.
enum FontSymbolicTraits : uint32_t {
  FontTraitItalic = 1u << 0,
  FontTraitBold = 1u << 1,
  FontTraitExpanded = 1u << 5,
  FontTraitCondensed = 1u << 6,
  FontTraitMonoSpace = 1u << 10,
  FontTraitVertical = 1u << 11,
  FontTraitUIOptimized = 1u << 12,
  FontTraitColorGlyphs = 1u << 13,
};

/// Weights on the platform's -1...1 scale.
namespace FontWeight {
inline constexpr double UltraLight = -0.8, Thin = -0.6, Light = -0.4, Regular = 0, Medium = 0.23, Semibold = 0.3,
                        Bold = 0.4, Heavy = 0.56, Black = 0.62;
}
/// Converts between that scale and OS/2 weight classes (100...900).
int weightClassForWeight(double weight);
double weightForWeightClass(int weightClass);

class FontDescriptor : public rt::Object {
  RT_CLASS_NAMED(FontDescriptor, rt::Object, "UIFontDescriptor")
 public:
  void init(String family, double size, uint32_t traits, double weight);
  static Ref<FontDescriptor> create(const String& family, double size, uint32_t traits = 0,
                                    double weight = FontWeight::Regular);

  const String& family() const { return family_; }
  double pointSize() const { return size_; }
  uint32_t symbolicTraits() const { return traits_; }
  double weight() const { return weight_; }
  /// The same descriptor with these traits instead (bold in the traits raises the weight to
  /// bold; its absence brings a bold weight back to regular). Null when the traits cannot be
  /// honoured (vertical, condensed and expanded are not synthesised).
  Ref<FontDescriptor> fontDescriptorWithSymbolicTraits(uint32_t traits) const;
  Ref<FontDescriptor> fontDescriptorWithSize(double size) const;

  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;
  String description() const override;

 private:
  String family_;
  double size_ = 0;
  uint32_t traits_ = 0;
  double weight_ = 0;
};

}  // namespace typeset
