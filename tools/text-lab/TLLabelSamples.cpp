#include "tools/text-lab/TLLabelSamples.h"

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"
#include "text/model/DRTextHighlight.h"
#include "text/model/DRTextRubyAnnotation.h"
#include "text/model/DRTextShadow.h"
#include "text/model/MutableAttributedString+DRText.h"

namespace textlab {

namespace {

Ref<gfx::Color> rgb(double r, double g, double b, double a = 1) { return gfx::Color::colorWithRed(r, g, b, a); }

Ref<typeset::MutableAttributedString> styled(const rt::String& s, const Ref<typeset::Font>& font) {
  return typeset::MutableAttributedString::create(s, fd::Dictionary::withStrings({{typeset::FontAttributeName, font}}));
}

// Appends `part` in `font` with one rich attribute (none when `key` is null).
void append(typeset::MutableAttributedString& s, const rt::String& part, const Ref<typeset::Font>& font,
            const char* key = nullptr, const rt::Id& value = nullptr) {
  auto piece = styled(part, font);
  if (key) text::setAttribute(*piece, key, value);
  s.appendAttributedString(*piece);
}

Ref<text::DRTextDecoration> line(text::DRTextLineKind kind, double width, const Ref<gfx::Color>& color) {
  return text::DRTextDecoration::decorationWithStyle(kind, fd::Number::numberWithDouble(width), color);
}

Ref<text::DRTextBorder> stroke(text::DRTextLineKind kind, const Ref<gfx::Color>& color, double radius = 3) {
  auto b = text::DRTextBorder::borderWithLineStyle(kind, 1, color);
  b->setCornerRadius(radius);
  b->setInsets({-1, -2, -1, -2});
  return b;
}

}  // namespace

Ref<typeset::Font> labLatinFont(double size) { return typeset::Font::fontWithName("DejaVu Sans", size); }
Ref<typeset::Font> labCJKFont(double size) { return typeset::Font::fontWithName("Noto Sans CJK SC", size); }

rt::String labMarkdownDocument() {
  return "# District notes\n"
         "A *quiet* week, **busy** streets, `bus 12` late and [the map](http://example.invalid/map).\n"
         "- market on Saturday\n"
         "> Bring an umbrella.";
}

rt::String labLongSentence() {
  return "The district news is updated every day with pictures and video from local reporters.";
}

rt::String labStory() {
  return "The district news is updated every day, with pictures and video from local reporters on the ground. "
         "Readers switch between channels, keep the articles they like and share them with friends. In the "
         "evening the weather, the traffic and the market prices follow, and on Sundays a long read about the "
         "old town and its people.";
}

rt::String labVerticalText() {
  return u"区里的新闻每天更新。读者可以在频道之间切换，也可以收藏文章。晚上还有天气和交通（Traffic）的消息。";
}

Ref<gfx::Image> labEmoticonPicture(double r, double g, double b, bool smiling, double side) {
  gfx::beginImageContextWithOptions({side, side}, false, 2);
  auto ctx = gfx::currentContext();
  const double u = side / 32;
  ctx->setFillColor(rgb(r, g, b));
  ctx->fillEllipseInRect(gfx::RectMake(1 * u, 1 * u, 30 * u, 30 * u));
  ctx->setFillColor(gfx::Color::colorWithWhite(0.1, 1));
  ctx->fillEllipseInRect(gfx::RectMake(9 * u, 9 * u, 4 * u, 6 * u));
  ctx->fillEllipseInRect(gfx::RectMake(19 * u, 9 * u, 4 * u, 6 * u));
  // The mouth: a bar, raised at the ends for a smile, at the middle for a frown.
  ctx->fillRect(gfx::RectMake(11 * u, 22 * u, 10 * u, 2.5 * u));
  ctx->fillRect(gfx::RectMake(8 * u, (smiling ? 19 : 24) * u, 3 * u, 2.5 * u));
  ctx->fillRect(gfx::RectMake(21 * u, (smiling ? 19 : 24) * u, 3 * u, 2.5 * u));
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

Ref<text::DRTextSimpleEmoticonParser> labEmoticonParser() {
  auto parser = rt::make<text::DRTextSimpleEmoticonParser>();
  parser->setEmoticonMapper({{rt::String(":)"), labEmoticonPicture(1, 0.8, 0, true)},
                             {rt::String(":("), labEmoticonPicture(0.35, 0.6, 1, false)},
                             {rt::String("<3"), labEmoticonPicture(0.95, 0.3, 0.4, true)}});
  return parser;
}

rt::String labEmoticonText() { return "Good morning :) rain again :( but we <3 the market and the river :)"; }

Ref<typeset::MutableAttributedString> labRubyText(typeset::RubyPosition position) {
  static const char16_t* kNames[] = {u"before: ", u"after: ", u"inter-character: ", u"inline: "};
  auto s = typeset::MutableAttributedString::create();
  append(*s, kNames[size_t(position)], labLatinFont(12));
  const size_t base = s->length();
  append(*s, u"東京で会おう", labCJKFont(20));
  auto ruby = rt::make<text::DRTextRubyAnnotation>();
  const rt::String reading = u"とうきょう";
  switch (position) {
    case typeset::RubyPosition::Before: ruby->setTextBefore(reading); break;
    case typeset::RubyPosition::After: ruby->setTextAfter(reading); break;
    case typeset::RubyPosition::InterCharacter: ruby->setTextInterCharacter(reading); break;
    case typeset::RubyPosition::Inline: ruby->setTextInline(reading); break;
  }
  text::setTextRubyAnnotation(*s, ruby, {base, 2});
  return s;
}

Ref<typeset::MutableAttributedString> labBordersAndShadows() {
  auto s = typeset::MutableAttributedString::create();
  auto block = text::DRTextBorder::borderWithFillColor(rgb(0.85, 0.92, 1), 4);
  block->setStrokeColor(rgb(0.3, 0.5, 0.9));
  block->setStrokeWidth(1);
  auto blockText = styled(u"区块边框：整段都在框里。A block border spans its rows.\n", labCJKFont(14));
  text::setTextBlockBorder(*blockText, block, {0, blockText->length()});
  s->appendAttributedString(*blockText);
  append(*s, "single", labLatinFont(14), text::DRTextBorderKey, stroke(text::DRTextLineKindSingle, rgb(0.9, 0.3, 0.1)));
  append(*s, "  ", labLatinFont(14));
  append(*s, "thick", labLatinFont(14), text::DRTextBorderKey, stroke(text::DRTextLineKindThick, rgb(0.1, 0.6, 0.3)));
  append(*s, "  ", labLatinFont(14));
  append(*s, "double", labLatinFont(14), text::DRTextBorderKey, stroke(text::DRTextLineKindDouble, rgb(0.2, 0.3, 0.9)));
  append(*s, "  ", labLatinFont(14));
  append(*s, "dashed", labLatinFont(14), text::DRTextBorderKey,
         stroke(text::DRTextLineKindSingle | text::DRTextLineKindPatternDash, rgb(0.5, 0.2, 0.6), 0));
  append(*s, "  ", labLatinFont(14));
  append(*s, u"背景框", labCJKFont(14), text::DRTextBackgroundBorderKey,
         text::DRTextBorder::borderWithFillColor(rgb(1, 0.85, 0.4), 4));
  append(*s, "\n", labLatinFont(14));
  auto shadowed = stroke(text::DRTextLineKindSingle, rgb(0.3, 0.3, 0.3), 5);
  shadowed->setFillColor(rgb(1, 1, 0.9));
  shadowed->setShadow(text::DRTextShadow::shadowWithColor(rgb(0, 0, 0, 0.5), {2, 2}, 3));
  append(*s, u"A border with a shadow 带阴影的边框\n", labCJKFont(14), text::DRTextBackgroundBorderKey, shadowed);
  append(*s, u"Shadow 阴影", labCJKFont(24), text::DRTextShadowKey,
         text::DRTextShadow::shadowWithColor(rgb(0.2, 0.6, 1, 0.8), {3, 3}, 1));
  append(*s, "  ", labLatinFont(24));
  auto inner = styled(u"Inner 内阴影", labCJKFont(26));
  text::setTextInnerShadow(*inner, text::DRTextShadow::shadowWithColor(rgb(0.5, 0, 0.5), {0, 2}, 1));
  text::setColor(*inner, rgb(0.78, 0.86, 1));
  s->appendAttributedString(*inner);
  return s;
}

Ref<typeset::MutableAttributedString> labUnderlinesAndStrikethroughs() {
  auto s = typeset::MutableAttributedString::create();
  const std::pair<const char*, text::DRTextLineKind> patterns[] = {
      {"solid ", text::DRTextLineKindPatternSolid}, {"dot ", text::DRTextLineKindPatternDot},
      {"dash ", text::DRTextLineKindPatternDash},   {"dash-dot ", text::DRTextLineKindPatternDashDot},
      {"dash-dot-dot", text::DRTextLineKindPatternDashDotDot}};
  const std::pair<text::DRTextLineKind, Ref<gfx::Color>> kinds[] = {
      {text::DRTextLineKindSingle, rgb(0.1, 0.1, 0.5)},
      {text::DRTextLineKindThick, rgb(0.7, 0.2, 0.2)},
      {text::DRTextLineKindDouble, rgb(0.2, 0.5, 0.2)}};
  for (const auto& [kind, color] : kinds) {
    for (const auto& [word, pattern] : patterns)
      append(*s, word, labLatinFont(13), text::DRTextUnderlineKey, line(kind | pattern, 1, color));
    append(*s, "\n", labLatinFont(13));
  }
  append(*s, u"中文下划线", labCJKFont(15), text::DRTextUnderlineKey,
         line(text::DRTextLineKindSingle, 1, rgb(0.1, 0.4, 0.8)));
  append(*s, u"，", labCJKFont(15));
  append(*s, u"中文删除线", labCJKFont(15), text::DRTextStrikethroughKey,
         line(text::DRTextLineKindSingle, 1, rgb(0.8, 0.1, 0.1)));
  append(*s, u"，", labCJKFont(15));
  append(*s, u"双线 double", labCJKFont(15), text::DRTextStrikethroughKey,
         line(text::DRTextLineKindDouble, 1, rgb(0.3, 0.3, 0.3)));
  append(*s, "\n", labLatinFont(15));
  auto shadowed = line(text::DRTextLineKindThick, 1, rgb(0.8, 0.1, 0.1));
  shadowed->setShadow(text::DRTextShadow::shadowWithColor(rgb(0.2, 0.2, 0.8, 0.6), {0, 2}, 1));
  append(*s, "struck through with a shadow", labLatinFont(15), text::DRTextStrikethroughKey, shadowed);
  return s;
}

Ref<typeset::MutableAttributedString> labHighlightText(std::vector<rt::Range>* ranges) {
  auto s = typeset::MutableAttributedString::create();
  append(*s, "Open ", labLatinFont(17));
  const rt::String phrases[] = {"the district map", "the bus timetable"};
  for (size_t i = 0; i < 2; ++i) {
    const size_t at = s->length();
    auto piece = styled(phrases[i], labLatinFont(17));
    text::setColor(*piece, rgb(0.1, 0.4, 0.9));
    s->appendAttributedString(*piece);
    auto highlight = text::DRTextHighlight::highlightWithAttributes(nullptr);
    highlight->setColor(gfx::Color::whiteColor());
    highlight->setBackgroundBorder(text::DRTextBorder::borderWithFillColor(rgb(0.1, 0.4, 0.9), 4));
    text::setTextHighlight(*s, highlight, {at, phrases[i].length()});
    if (ranges) ranges->push_back({at, phrases[i].length()});
    append(*s, i == 0 ? " or " : ".", labLatinFont(17));
  }
  return s;
}

}  // namespace textlab
