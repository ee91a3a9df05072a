#pragma once
// Adding fonts to and removing them from the process's catalogue at run time. Errors use
// the font manager's domain and codes (FontCatalog.h).
#include "platform/foundation/Error.h"
#include "platform/typeset/Font.h"

namespace typeset::FontManager {

bool registerFontsForURL(const String& path, Ref<fd::Error>* error);
bool unregisterFontsForURL(const String& path, Ref<fd::Error>* error);
/// A graphics font (for example from fontWithData) becomes findable by its names.
bool registerGraphicsFont(const Ref<Font>& font, Ref<fd::Error>* error);
bool unregisterGraphicsFont(const Ref<Font>& font, Ref<fd::Error>* error);

}  // namespace typeset::FontManager
