#pragma once
// Fonts and strings shared by the typesetter tests. The faces are the ones the project's
// set-up installs, so geometry is stable from run to run.
#include <gtest/gtest.h>

#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"

namespace typeset_test {

inline Ref<typeset::Font> latin(double size = 16) { return typeset::Font::fontWithName("DejaVu Sans", size); }
inline Ref<typeset::Font> cjk(double size = 16) { return typeset::Font::fontWithName("Noto Sans CJK SC", size); }

inline Ref<fd::Dictionary> attrs(const Ref<typeset::Font>& font) {
  return fd::Dictionary::withStrings({{typeset::FontAttributeName, font}});
}

inline Ref<typeset::AttributedString> text(const rt::String& s, const Ref<typeset::Font>& font) {
  return typeset::AttributedString::create(s, attrs(font));
}

}  // namespace typeset_test
