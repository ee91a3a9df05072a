#pragma once
// Fonts, texts and recording helpers shared by the drawing tests. The faces are the ones the
// project's set-up installs, so geometry is stable from run to run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/RecordingContext.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "text/drawing/DRTextLayout+Drawing.h"

namespace drawing_test {

inline Ref<typeset::Font> latin(double size = 16) { return typeset::Font::fontWithName("DejaVu Sans", size); }
inline Ref<typeset::Font> cjk(double size = 16) { return typeset::Font::fontWithName("Noto Sans CJK SC", size); }

inline Ref<typeset::MutableAttributedString> styled(const rt::String& s, const Ref<typeset::Font>& font = latin()) {
  return typeset::MutableAttributedString::create(s, fd::Dictionary::withStrings({{typeset::FontAttributeName, font}}));
}

inline void set(typeset::MutableAttributedString& s, const char* key, const rt::Id& value, rt::Range range) {
  s.addAttribute(rt::String(key), value, range);
}

inline void setAll(typeset::MutableAttributedString& s, const char* key, const rt::Id& value) {
  set(s, key, value, rt::Range{0, s.length()});
}

/// A colour recognisable in a recording by its red component.
inline Ref<gfx::Color> marker(double red) { return gfx::Color::colorWithRed(red, 0.5, 0.5, 1); }

inline Ref<text::DRTextLayout> layoutOf(const Ref<typeset::MutableAttributedString>& s, gfx::Size size = {300, 400}) {
  return text::DRTextLayout::layoutWithContainerSize(size, s);
}

/// The index of the first command at or after `from` named `name` whose argument `arg` is
/// `value`; npos when none.
inline size_t find(const gfx::RecordingContext& ctx, const std::string& name, size_t arg, double value, size_t from = 0) {
  const auto& cmds = ctx.commands();
  for (size_t i = from; i < cmds.size(); ++i)
    if (cmds[i].name == name && cmds[i].args.size() > arg && std::fabs(cmds[i].args[arg] - value) < 1e-9) return i;
  return std::string::npos;
}

inline size_t countFrom(const gfx::RecordingContext& ctx, const std::string& name, size_t from, size_t to) {
  const auto& cmds = ctx.commands();
  size_t n = 0;
  for (size_t i = from; i < std::min(to, cmds.size()); ++i) n += cmds[i].name == name;
  return n;
}

}  // namespace drawing_test
