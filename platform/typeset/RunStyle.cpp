#include "platform/typeset/RunStyle.h"

#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/typeset/AttributeNames.h"

namespace typeset {

namespace {
double number(const fd::Dictionary& d, const char* key, double fallback) {
  auto n = d.objectForKeyAs<fd::Number>(key);
  return n ? n->doubleValue() : fallback;
}
const Ref<Font>& defaultFont() {
  static const Ref<Font> font = Font::systemFontOfSize(12);
  return font;
}
}  // namespace

RunStyle RunStyle::from(const Ref<fd::Dictionary>& attributes) {
  RunStyle s;
  s.attributes = attributes;
  if (attributes) {
    const fd::Dictionary& d = *attributes;
    s.font = d.objectForKeyAs<Font>(FontAttributeName);
    s.paragraph = d.objectForKeyAs<ParagraphStyle>(ParagraphStyleAttributeName);
    s.color = d.objectForKeyAs<gfx::Color>(ForegroundColorAttributeName);
    if (!s.color) s.color = d.objectForKeyAs<gfx::Color>(CTForegroundColorAttributeName);
    s.strokeColor = d.objectForKeyAs<gfx::Color>(StrokeColorAttributeName);
    s.underlineColor = d.objectForKeyAs<gfx::Color>(UnderlineColorAttributeName);
    s.strikethroughColor = d.objectForKeyAs<gfx::Color>(StrikethroughColorAttributeName);
    s.backgroundColor = d.objectForKeyAs<gfx::Color>(BackgroundColorAttributeName);
    s.strokeWidth = number(d, StrokeWidthAttributeName, 0);
    s.kern = number(d, KernAttributeName, 0);
    s.ligature = static_cast<int>(number(d, LigatureAttributeName, 1));
    s.baselineOffset = number(d, BaselineOffsetAttributeName, 0);
    s.superscript = static_cast<int>(number(d, CTSuperscriptAttributeName, 0));
    s.underline = static_cast<int64_t>(number(d, UnderlineStyleAttributeName, 0));
    s.strikethrough = static_cast<int64_t>(number(d, StrikethroughStyleAttributeName, 0));
    s.vertical = number(d, VerticalGlyphFormAttributeName, 0) != 0 || number(d, CTVerticalFormsAttributeName, 0) != 0;
    if (auto lang = d.objectForKeyAs<fd::StringObject>(CTLanguageAttributeName)) s.language = lang->string();
    if (auto dirs = d.objectForKeyAs<fd::Array>(WritingDirectionAttributeName))
      for (const rt::Id& dir : dirs->objects())
        if (auto n = rt::as<fd::Number>(dir))
          s.writingDirection.push_back(static_cast<uint8_t>(n->integerValue() & 3));
    s.delegate = d.objectForKeyAs<RunDelegate>(CTRunDelegateAttributeName);
    s.ruby = d.objectForKeyAs<RubyAnnotation>(CTRubyAnnotationAttributeName);
  }
  if (!s.font) s.font = defaultFont();
  s.baselineShift = s.baselineOffset + s.superscript * s.font->pointSize() / 3;
  return s;
}

const ParagraphStyle& RunStyle::paragraphStyle() const {
  return paragraph ? *paragraph : *ParagraphStyle::defaultParagraphStyle();
}

}  // namespace typeset
