#pragma once
// Font trait tests, bold/italic variants, conversions between the UI, text and graphics views
// of a font, registration of font files and font bytes, and a font's tables written back out
// as a font file. One font class serves all three views here, so the conversions re-resolve
// the font by name, as the rest of the system expects. Any thread.
#include "platform/typeset/Font.h"

namespace base {

using rt::String;

/// The size a font loaded from bytes gets.
inline constexpr double kDRSystemFontSize = 14;

bool isBold(const typeset::Font& font);
bool isItalic(const typeset::Font& font);
bool isMonoSpace(const typeset::Font& font);
bool isColorGlyphs(const typeset::Font& font);
/// On the -1...1 weight scale; 0 for a regular face.
double fontWeight(const typeset::Font& font);

/// The font with exactly these traits at the same point size; what the descriptor gives when
/// no such face exists.
Ref<typeset::Font> fontWithBold(const Ref<typeset::Font>& font);
Ref<typeset::Font> fontWithItalic(const Ref<typeset::Font>& font);
Ref<typeset::Font> fontWithBoldItalic(const Ref<typeset::Font>& font);
Ref<typeset::Font> fontWithNormal(const Ref<typeset::Font>& font);

/// By the text font's PostScript name and size; null for no font or no name.
Ref<typeset::Font> fontWithCTFont(const Ref<typeset::Font>& ctFont);
Ref<typeset::Font> fontWithCGFont(const Ref<typeset::Font>& cgFont, double size);
/// A new text font of the same name and size.
Ref<typeset::Font> CTFontRef(const typeset::Font& font);
/// A new graphics font (size 0) of the same name; null when the name resolves to nothing.
Ref<typeset::Font> CGFontRef(const typeset::Font& font);

/// Logs "Failed to load font: <error>" on failure.
bool loadFontFromPath(const String& path);
void unloadFontFromPath(const String& path);
/// The registered font at the system font size; null (logged) when the bytes are no font or
/// registration fails.
Ref<typeset::Font> loadFontFromData(const Ref<fd::Data>& data);
bool unloadFontFromData(const Ref<typeset::Font>& font);

/// An sfnt file holding the font's tables; null without a font or tables.
Ref<fd::Data> dataFromFont(const typeset::Font& font);
Ref<fd::Data> dataFromCGFont(const Ref<typeset::Font>& cgFont);

}  // namespace base
