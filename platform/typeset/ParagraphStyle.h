#pragma once
// Paragraph styles (immutable and mutable), tab stops, and the typesetter's settings form with
// its numbered specifiers.
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/Types.h"

namespace typeset {

/// UI text alignment values.
enum class TextAlignment : int64_t { Left = 0, Center = 1, Right = 2, Justified = 3, Natural = 4 };
/// The typesetter's alignment values (one byte in settings).
enum class CTTextAlignment : uint8_t { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };
TextAlignment TextAlignmentFromCTTextAlignment(CTTextAlignment a);
CTTextAlignment TextAlignmentToCTTextAlignment(TextAlignment a);

enum class LineBreakMode : int64_t {
  ByWordWrapping = 0,
  ByCharWrapping = 1,
  ByClipping = 2,
  ByTruncatingHead = 3,
  ByTruncatingTail = 4,
  ByTruncatingMiddle = 5,
};

enum class WritingDirection : int64_t { Natural = -1, LeftToRight = 0, RightToLeft = 1 };

class TextTab : public rt::Object {
  RT_CLASS_NAMED(TextTab, rt::Object, "NSTextTab")
 public:
  void init(TextAlignment alignment, double location, Ref<fd::Dictionary> options = nullptr);
  static Ref<TextTab> create(TextAlignment alignment, double location, Ref<fd::Dictionary> options = nullptr);
  TextAlignment alignment() const { return alignment_; }
  double location() const { return location_; }
  const Ref<fd::Dictionary>& options() const { return options_; }
  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override { return static_cast<size_t>(location_ * 16); }

 private:
  TextAlignment alignment_ = TextAlignment::Left;
  double location_ = 0;
  Ref<fd::Dictionary> options_;
};

/// Specifier numbers of the settings form.
enum class ParagraphStyleSpecifier : uint32_t {
  Alignment = 0,
  FirstLineHeadIndent = 1,
  HeadIndent = 2,
  TailIndent = 3,
  TabStops = 4,
  DefaultTabInterval = 5,
  LineBreakMode = 6,
  LineHeightMultiple = 7,
  MaximumLineHeight = 8,
  MinimumLineHeight = 9,
  LineSpacing = 10,
  ParagraphSpacing = 11,
  ParagraphSpacingBefore = 12,
  BaseWritingDirection = 13,
};

/// One setting: alignment and line break mode are one unsigned byte, the writing direction
/// one signed byte, tab stops a std::vector<Ref<TextTab>>, everything else a double.
struct ParagraphStyleSetting {
  ParagraphStyleSpecifier specifier;
  size_t valueSize;
  const void* value;
};

class MutableParagraphStyle;

class ParagraphStyle : public rt::Object, public fd::Coding {
  RT_CLASS_NAMED(ParagraphStyle, rt::Object, "NSParagraphStyle")
 public:
  static const Ref<ParagraphStyle>& defaultParagraphStyle();
  /// From settings; a setting of the wrong size raises NSInvalidArgumentException.
  static Ref<ParagraphStyle> createWithSettings(const ParagraphStyleSetting* settings, size_t count);
  /// Copies the value for `specifier` into `buffer` of `size` bytes; false when the size is wrong.
  bool getValueForSpecifier(ParagraphStyleSpecifier specifier, size_t size, void* buffer) const;

  TextAlignment alignment() const { return alignment_; }
  double firstLineHeadIndent() const { return firstLineHeadIndent_; }
  double headIndent() const { return headIndent_; }
  double tailIndent() const { return tailIndent_; }
  LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  double maximumLineHeight() const { return maximumLineHeight_; }
  double minimumLineHeight() const { return minimumLineHeight_; }
  double lineSpacing() const { return lineSpacing_; }
  double paragraphSpacing() const { return paragraphSpacing_; }
  double paragraphSpacingBefore() const { return paragraphSpacingBefore_; }
  WritingDirection baseWritingDirection() const { return baseWritingDirection_; }
  double lineHeightMultiple() const { return lineHeightMultiple_; }
  const std::vector<Ref<TextTab>>& tabStops() const { return tabStops_; }
  double defaultTabInterval() const { return defaultTabInterval_; }
  float hyphenationFactor() const { return hyphenationFactor_; }

  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;
  String description() const override;
  rt::Id copy() const override;
  rt::Id mutableCopy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 protected:
  void assign(const ParagraphStyle& o);

  TextAlignment alignment_ = TextAlignment::Natural;
  double firstLineHeadIndent_ = 0, headIndent_ = 0, tailIndent_ = 0;
  LineBreakMode lineBreakMode_ = LineBreakMode::ByWordWrapping;
  double maximumLineHeight_ = 0, minimumLineHeight_ = 0, lineSpacing_ = 0;
  double paragraphSpacing_ = 0, paragraphSpacingBefore_ = 0;
  WritingDirection baseWritingDirection_ = WritingDirection::Natural;
  double lineHeightMultiple_ = 0;
  std::vector<Ref<TextTab>> tabStops_;
  double defaultTabInterval_ = 0;
  float hyphenationFactor_ = 0;
  friend class MutableParagraphStyle;
};

class MutableParagraphStyle : public ParagraphStyle {
  RT_CLASS_NAMED(MutableParagraphStyle, ParagraphStyle, "NSMutableParagraphStyle")
 public:
  static Ref<MutableParagraphStyle> create() { return rt::make<MutableParagraphStyle>(); }
  void setAlignment(TextAlignment v) { alignment_ = v; }
  void setFirstLineHeadIndent(double v) { firstLineHeadIndent_ = v; }
  void setHeadIndent(double v) { headIndent_ = v; }
  void setTailIndent(double v) { tailIndent_ = v; }
  void setLineBreakMode(LineBreakMode v) { lineBreakMode_ = v; }
  void setMaximumLineHeight(double v) { maximumLineHeight_ = v; }
  void setMinimumLineHeight(double v) { minimumLineHeight_ = v; }
  void setLineSpacing(double v) { lineSpacing_ = v; }
  void setParagraphSpacing(double v) { paragraphSpacing_ = v; }
  void setParagraphSpacingBefore(double v) { paragraphSpacingBefore_ = v; }
  void setBaseWritingDirection(WritingDirection v) { baseWritingDirection_ = v; }
  void setLineHeightMultiple(double v) { lineHeightMultiple_ = v; }
  void setTabStops(std::vector<Ref<TextTab>> v) { tabStops_ = std::move(v); }
  void addTabStop(Ref<TextTab> t) { tabStops_.push_back(std::move(t)); }
  void setDefaultTabInterval(double v) { defaultTabInterval_ = v; }
  void setHyphenationFactor(float v) { hyphenationFactor_ = v; }
  void setParagraphStyle(const ParagraphStyle& o) { assign(o); }
  rt::Id copy() const override;
};

}  // namespace typeset
