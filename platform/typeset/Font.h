#pragma once
// Fonts: a face at a point size. One class serves the UI font and the typesetter's font
// (metrics, glyphs, outlines, fallback); graphics-font facts (tables) come from the face.
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Path.h"
#include "platform/typeset/FontDescriptor.h"
#include "platform/typeset/FontFace.h"

namespace typeset {

/// Text styles for preferred fonts, with the platform's names.
namespace TextStyle {
inline constexpr const char* LargeTitle = "UICTFontTextStyleTitle0";
inline constexpr const char* Title1 = "UICTFontTextStyleTitle1";
inline constexpr const char* Title2 = "UICTFontTextStyleTitle2";
inline constexpr const char* Title3 = "UICTFontTextStyleTitle3";
inline constexpr const char* Headline = "UICTFontTextStyleHeadline";
inline constexpr const char* Subheadline = "UICTFontTextStyleSubhead";
inline constexpr const char* Body = "UICTFontTextStyleBody";
inline constexpr const char* Callout = "UICTFontTextStyleCallout";
inline constexpr const char* Footnote = "UICTFontTextStyleFootnote";
inline constexpr const char* Caption1 = "UICTFontTextStyleCaption1";
inline constexpr const char* Caption2 = "UICTFontTextStyleCaption2";
}  // namespace TextStyle

using Glyph = uint16_t;

class Font : public rt::Object, public fd::Coding {
  RT_CLASS_NAMED(Font, rt::Object, "UIFont")
 public:
  /// False (no object) without a face or with a negative size.
  bool init(FaceRef face, double size, bool monospacedDigits = false);
  static Ref<Font> create(FaceRef face, double size) { return rt::make<Font>(std::move(face), size); }

  static Ref<Font> systemFontOfSize(double size);
  static Ref<Font> boldSystemFontOfSize(double size);
  static Ref<Font> italicSystemFontOfSize(double size);
  static Ref<Font> systemFontOfSize(double size, double weight);
  static Ref<Font> monospacedDigitSystemFontOfSize(double size, double weight);
  static Ref<Font> preferredFontForTextStyle(const String& style);
  /// By family, full or PostScript name; null when no such font is installed or registered.
  static Ref<Font> fontWithName(const String& name, double size);
  /// From a descriptor; `size` 0 takes the descriptor's size. Null when its family is unknown.
  static Ref<Font> fontWithDescriptor(const Ref<FontDescriptor>& descriptor, double size);
  /// A graphics font (size 0 until sized) from font file bytes; null when they are no font.
  static Ref<Font> fontWithData(const Ref<fd::Data>& data, double size = 0);
  static std::vector<String> familyNames();

  Ref<Font> fontWithSize(double size) const;
  Ref<FontDescriptor> fontDescriptor() const;

  // Names
  String fontName() const { return postScriptName(); }
  String postScriptName() const;
  String familyName() const;
  String displayName() const;

  // Metrics in points. ascender() is positive and descender() negative; ascent() and
  // descent() are their magnitudes, as the typesetter reports them.
  double pointSize() const { return size_; }
  double ascender() const;
  double descender() const;
  double ascent() const { return ascender(); }
  double descent() const { return -descender(); }
  double leading() const;
  double lineHeight() const;
  double capHeight() const;
  double xHeight() const;
  double underlinePosition() const;
  double underlineThickness() const;
  double unitsPerEm() const { return face_->unitsPerEm(); }
  uint32_t symbolicTraits() const;
  double weight() const { return weightForWeightClass(face_->weightClass()); }
  bool hasMonospacedDigits() const { return monospacedDigits_; }

  // Glyphs
  size_t glyphCount() const { return face_->glyphCount(); }
  Glyph glyphForCharacter(char32_t cp) const { return static_cast<Glyph>(face_->glyphFor(cp)); }
  /// Glyphs for UTF-16 units (surrogate pairs give the glyph then 0); false when any is missing.
  bool glyphsForCharacters(const char16_t* chars, Glyph* glyphs, size_t count) const;
  double advanceForGlyph(Glyph g) const;
  /// Sum of the advances; each advance goes to `advances` when given.
  double advancesForGlyphs(const Glyph* glyphs, gfx::Size* advances, size_t count) const;
  gfx::Rect boundingRectForGlyph(Glyph g) const;
  /// The union of the glyphs' ink boxes (each box also to `rects` when given).
  gfx::Rect boundingRectsForGlyphs(const Glyph* glyphs, gfx::Rect* rects, size_t count) const;
  /// The outline in points, y-up, origin on the baseline, transformed when `t` is given.
  Ref<gfx::Path> pathForGlyph(Glyph g, const gfx::AffineTransform* t = nullptr) const;

  /// Shows the glyphs at `positions` of the context's text space with this font and size
  /// (colour glyphs as their pictures).
  void drawGlyphs(const Glyph* glyphs, const gfx::Point* positions, size_t count, gfx::Context& context) const;

  /// This font when it draws `cp`, else a fallback at the same size; null when nothing does.
  Ref<Font> fallbackForCharacter(char32_t cp) const;

  // Graphics-font facts
  std::vector<uint32_t> tableTags() const { return face_->tableTags(); }
  Ref<fd::Data> copyTable(uint32_t tag) const;

  const FaceRef& face() const { return face_; }
  /// Units to points.
  double scale() const { return size_ / face_->unitsPerEm(); }

  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;
  String description() const override;
  rt::Id copy() const override;
  /// Coded by name, family, traits and size; decoding falls back to a font of the family
  /// and traits, then to the system font, when the named one is not installed.
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  FaceRef face_;
  double size_ = 0;
  bool monospacedDigits_ = false;
};

}  // namespace typeset
