#pragma once
// Attribute names of the rich-text engine, its two token strings and the line kinds that
// decorations and borders share. Keys are compared as strings: a dictionary built elsewhere
// with the same texts works.
#include <array>
#include <cstdint>

namespace text {

inline constexpr const char* DRTextBackedStringKey = "DRTextBackedString";
inline constexpr const char* DRTextBindingKey = "DRTextBinding";
inline constexpr const char* DRTextShadowKey = "DRTextShadow";
inline constexpr const char* DRTextInnerShadowKey = "DRTextInnerShadow";
inline constexpr const char* DRTextUnderlineKey = "DRTextUnderline";
inline constexpr const char* DRTextStrikethroughKey = "DRTextStrikethrough";
inline constexpr const char* DRTextBorderKey = "DRTextBorder";
inline constexpr const char* DRTextBackgroundBorderKey = "DRTextBackgroundBorder";
inline constexpr const char* DRTextBlockBorderKey = "DRTextBlockBorder";
inline constexpr const char* DRTextAttachmentKey = "DRTextAttachment";
inline constexpr const char* DRTextHighlightKey = "DRTextHighlight";
/// Value: a boxed gfx::AffineTransform applied to each glyph of the run.
inline constexpr const char* DRTextGlyphTransformKey = "DRTextGlyphTransform";

/// The twelve keys in their defining order.
inline constexpr std::array<const char*, 12> DRTextAttributeKeys = {
    DRTextBackedStringKey, DRTextBindingKey,       DRTextShadowKey,           DRTextInnerShadowKey,
    DRTextUnderlineKey,    DRTextStrikethroughKey, DRTextBorderKey,           DRTextBackgroundBorderKey,
    DRTextBlockBorderKey,  DRTextAttachmentKey,    DRTextHighlightKey,        DRTextGlyphTransformKey,
};

/// U+FFFC, standing in the text at the place of an attachment.
inline constexpr const char16_t* DRTextObjectReplacementString = u"\uFFFC";
/// U+2026, the default truncation token.
inline constexpr const char16_t* DRTextEllipsisString = u"\u2026";

/// One weight (low byte) ORed with one pattern (bits 8-11). Readers draw a value above 0 and
/// compare the low byte with the thick and double weights.
using DRTextLineKind = int64_t;
enum : DRTextLineKind {
  DRTextLineKindNone = 0x00,
  DRTextLineKindSingle = 0x01,
  DRTextLineKindThick = 0x02,
  DRTextLineKindDouble = 0x09,

  DRTextLineKindPatternSolid = 0x000,
  DRTextLineKindPatternDot = 0x100,
  DRTextLineKindPatternDash = 0x200,
  DRTextLineKindPatternDashDot = 0x300,
  DRTextLineKindPatternDashDotDot = 0x400,
  DRTextLineKindPatternCircleDot = 0x900,
};

}  // namespace text
