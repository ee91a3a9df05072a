#pragma once
// Attribute names of attributed strings, with the platform's values. Both families (the UI
// names and the typesetter's) are honoured by layout; keys with the same meaning share a value
// where the platform's do.
namespace typeset {

// UI attribute names
inline constexpr const char* FontAttributeName = "NSFont";
inline constexpr const char* ParagraphStyleAttributeName = "NSParagraphStyle";
inline constexpr const char* ForegroundColorAttributeName = "NSColor";
inline constexpr const char* BackgroundColorAttributeName = "NSBackgroundColor";
inline constexpr const char* LigatureAttributeName = "NSLigature";
inline constexpr const char* KernAttributeName = "NSKern";
inline constexpr const char* StrikethroughStyleAttributeName = "NSStrikethrough";
inline constexpr const char* UnderlineStyleAttributeName = "NSUnderline";
inline constexpr const char* StrokeColorAttributeName = "NSStrokeColor";
inline constexpr const char* StrokeWidthAttributeName = "NSStrokeWidth";
inline constexpr const char* ShadowAttributeName = "NSShadow";
inline constexpr const char* TextEffectAttributeName = "NSTextEffect";
inline constexpr const char* AttachmentAttributeName = "NSAttachment";
inline constexpr const char* LinkAttributeName = "NSLink";
inline constexpr const char* BaselineOffsetAttributeName = "NSBaselineOffset";
inline constexpr const char* UnderlineColorAttributeName = "NSUnderlineColor";
inline constexpr const char* StrikethroughColorAttributeName = "NSStrikethroughColor";
inline constexpr const char* ObliquenessAttributeName = "NSObliqueness";
inline constexpr const char* ExpansionAttributeName = "NSExpansion";
inline constexpr const char* WritingDirectionAttributeName = "NSWritingDirection";
inline constexpr const char* VerticalGlyphFormAttributeName = "NSVerticalGlyphForm";

// Typesetter attribute names
inline constexpr const char* CTFontAttributeName = "NSFont";
inline constexpr const char* CTForegroundColorAttributeName = "CTForegroundColor";
inline constexpr const char* CTForegroundColorFromContextAttributeName = "CTForegroundColorFromContext";
inline constexpr const char* CTKernAttributeName = "NSKern";
inline constexpr const char* CTLigatureAttributeName = "NSLigature";
inline constexpr const char* CTParagraphStyleAttributeName = "NSParagraphStyle";
inline constexpr const char* CTStrokeWidthAttributeName = "NSStrokeWidth";
inline constexpr const char* CTStrokeColorAttributeName = "NSStrokeColor";
inline constexpr const char* CTUnderlineStyleAttributeName = "NSUnderline";
inline constexpr const char* CTUnderlineColorAttributeName = "NSUnderlineColor";
inline constexpr const char* CTSuperscriptAttributeName = "NSSuperScript";
inline constexpr const char* CTVerticalFormsAttributeName = "CTVerticalForms";
inline constexpr const char* CTGlyphInfoAttributeName = "NSGlyphInfo";
inline constexpr const char* CTCharacterShapeAttributeName = "NSCharacterShape";
inline constexpr const char* CTLanguageAttributeName = "NSLanguage";
inline constexpr const char* CTRunDelegateAttributeName = "CTRunDelegate";
inline constexpr const char* CTBaselineClassAttributeName = "CTBaselineClass";
inline constexpr const char* CTBaselineInfoAttributeName = "CTBaselineInfo";
inline constexpr const char* CTBaselineReferenceInfoAttributeName = "CTBaselineReferenceInfo";
inline constexpr const char* CTWritingDirectionAttributeName = "NSWritingDirection";
inline constexpr const char* CTRubyAnnotationAttributeName = "CTRubyAnnotation";

// Frame attributes
inline constexpr const char* FrameProgressionAttributeName = "CTFrameProgression";
inline constexpr const char* FramePathFillRuleAttributeName = "CTFramePathFillRule";
inline constexpr const char* FramePathWidthAttributeName = "CTFramePathWidth";
inline constexpr const char* FrameClippingPathsAttributeName = "CTFrameClippingPaths";

}  // namespace typeset
