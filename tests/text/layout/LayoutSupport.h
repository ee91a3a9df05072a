#pragma once
// Fonts, texts and containers shared by the layout tests. The faces are the ones the
// project's set-up installs, so geometry is stable from run to run.
#include <gtest/gtest.h>

#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "text/layout/DRTextLayout.h"

namespace layout_test {

inline Ref<typeset::Font> latin(double size = 16) { return typeset::Font::fontWithName("DejaVu Sans", size); }
inline Ref<typeset::Font> cjk(double size = 16) { return typeset::Font::fontWithName("Noto Sans CJK SC", size); }

inline Ref<fd::Dictionary> attrs(const Ref<typeset::Font>& font) {
  return fd::Dictionary::withStrings({{typeset::FontAttributeName, font}});
}

inline Ref<typeset::MutableAttributedString> text(const rt::String& s, const Ref<typeset::Font>& font) {
  return typeset::MutableAttributedString::create(s, attrs(font));
}

/// Paragraphs of one short line each, so that lines and rows are known in advance.
inline Ref<typeset::MutableAttributedString> shortLines(int count, const Ref<typeset::Font>& font = latin()) {
  rt::String s;
  for (int i = 0; i < count; ++i) {
    if (i) s += rt::String("\n");
    s += rt::String::format("Line %d", i);
  }
  return text(s, font);
}

constexpr double kEps = 1e-6;

}  // namespace layout_test
