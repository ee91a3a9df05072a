#include "platform/typeset/FontManager.h"

#include "platform/typeset/FontCatalog.h"

namespace typeset::FontManager {

bool registerFontsForURL(const String& path, Ref<fd::Error>* error) {
  return FontCatalog::shared().registerFile(path.utf8(), error);
}

bool unregisterFontsForURL(const String& path, Ref<fd::Error>* error) {
  return FontCatalog::shared().unregisterFile(path.utf8(), error);
}

bool registerGraphicsFont(const Ref<Font>& font, Ref<fd::Error>* error) {
  return FontCatalog::shared().registerFace(font ? font->face() : nullptr, error);
}

bool unregisterGraphicsFont(const Ref<Font>& font, Ref<fd::Error>* error) {
  return FontCatalog::shared().unregisterFace(font ? font->face() : nullptr, error);
}

}  // namespace typeset::FontManager
