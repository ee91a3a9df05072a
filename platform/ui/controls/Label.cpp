#include "platform/ui/controls/Label.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/ImageContext.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/StringDrawing.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Label) {
  c.property("text", &Label::text, &Label::setText);
  c.property("font", &Label::font, &Label::setFont);
  c.property("textColor", &Label::textColor, &Label::setTextColor);
  c.property("numberOfLines", &Label::numberOfLines, &Label::setNumberOfLines);
}

namespace {
// Wide enough for any text, small enough to keep positions in it exact.
constexpr double kUnbounded = 1e7;
constexpr double kDefaultFontSize = 17;

// Alignment only places lines inside the box; set flush to the writing direction's start, the
// lines measure what they hold instead of how far into a huge box they were pushed.
void alignToStart(typeset::MutableAttributedString& s) {
  const rt::String name(typeset::ParagraphStyleAttributeName);
  std::vector<std::pair<Ref<typeset::ParagraphStyle>, rt::Range>> runs;
  s.enumerateAttribute(name, {0, s.length()}, 0, [&](const rt::Id& v, rt::Range r, bool&) {
    auto style = std::dynamic_pointer_cast<typeset::ParagraphStyle>(v);
    if (!style || style->alignment() == typeset::TextAlignment::Natural) return;
    auto flush = std::dynamic_pointer_cast<typeset::MutableParagraphStyle>(style->mutableCopy());
    if (!flush) return;
    flush->setAlignment(typeset::TextAlignment::Natural);
    runs.push_back({flush, r});
  });
  for (auto& [style, range] : runs) s.addAttribute(name, style, range);
}
}  // namespace

void Label::init(gfx::Rect frame) {
  View::init(frame);
  font_ = typeset::Font::systemFontOfSize(kDefaultFontSize);
  textColor_ = gfx::Color::blackColor();
  setUserInteractionEnabled(false);
  setContentMode(ViewContentMode::Redraw);
}

void Label::changed() {
  setNeedsDisplay();
  invalidateIntrinsicContentSize();
}

rt::String Label::text() const { return attributed_ ? attributed_->string() : text_; }

void Label::setText(const rt::String& text) {
  attributed_ = nullptr;
  text_ = text;
  changed();
}

Ref<typeset::AttributedString> Label::attributedText() const {
  if (attributed_) return attributed_;
  if (text_.isEmpty()) return nullptr;
  return styledText();
}

void Label::setAttributedText(const Ref<typeset::AttributedString>& text) {
  attributed_ = text;
  text_ = text ? text->string() : rt::String();
  changed();
}

void Label::setFont(Ref<typeset::Font> font) {
  font_ = font ? std::move(font) : typeset::Font::systemFontOfSize(kDefaultFontSize);
  changed();
}

void Label::setTextColor(Ref<gfx::Color> color) {
  textColor_ = color ? std::move(color) : gfx::Color::blackColor();
  setNeedsDisplay();
}

void Label::setTextAlignment(typeset::TextAlignment a) {
  alignment_ = a;
  setNeedsDisplay();
}

void Label::setLineBreakMode(typeset::LineBreakMode m) {
  lineBreakMode_ = m;
  changed();
}

void Label::setNumberOfLines(int64_t n) {
  numberOfLines_ = n < 0 ? 0 : n;
  changed();
}

void Label::setHighlighted(bool on) {
  highlighted_ = on;
  setNeedsDisplay();
}

Ref<typeset::MutableAttributedString> Label::styledText(double fontScale) const {
  auto s = typeset::MutableAttributedString::create(text());
  size_t n = s->length();
  auto para = typeset::MutableParagraphStyle::create();
  para->setAlignment(alignment_);
  para->setLineBreakMode(lineBreakMode_);
  Ref<gfx::Color> color = highlighted_ && highlightedTextColor_ ? highlightedTextColor_ : textColor_;
  if (!enabled_) color = color->colorWithAlphaComponent(color->alpha() * 0.5);
  auto font = fontScale == 1 ? font_ : font_->fontWithSize(font_->pointSize() * fontScale);
  if (n == 0) return s;
  s->addAttribute(rt::String(typeset::FontAttributeName), font, {0, n});
  s->addAttribute(rt::String(typeset::ForegroundColorAttributeName), color, {0, n});
  s->addAttribute(rt::String(typeset::ParagraphStyleAttributeName), para, {0, n});
  if (attributed_) {
    // The text's own attributes win over the label's.
    attributed_->enumerateAttributes({0, n}, 0, [&](const typeset::AttributedString::Attributes& a, rt::Range r, bool&) {
      if (a) s->addAttributes(*a, r);
    });
  }
  return s;
}

gfx::Size Label::measure(double width, int64_t lines, double height) const {
  if (text().isEmpty()) return {0, 0};
  auto s = styledText();
  alignToStart(*s);
  auto layout = typeset::layOutLabel(*s, {width, height}, lines, lineBreakMode_);
  return {std::ceil(layout.layout.usedWidth), std::ceil(layout.size.height)};
}

gfx::Size Label::sizeThatFits(gfx::Size size) const {
  double w = size.width > 0 ? size.width : kUnbounded;
  return measure(w, numberOfLines_);
}

gfx::Size Label::intrinsicContentSize() const {
  double w = preferredMaxLayoutWidth_ > 0 ? preferredMaxLayoutWidth_ : (numberOfLines_ == 1 ? kUnbounded : bounds().size.width);
  if (w <= 0) w = kUnbounded;
  return measure(w, numberOfLines_);
}

double Label::heightForLines(double height) const {
  // A line is kept when about half of it lies inside: a two-line label sized to two lines of
  // the Latin font keeps both lines of taller Chinese ones.
  return height + font_->lineHeight() / 2;
}

gfx::Rect Label::textRectForBounds(gfx::Rect b, int64_t lines) const {
  // As many lines as the height holds, and at least one: a line taller than the bounds is
  // centred on them and overflows both edges alike, so descenders are not cut off.
  gfx::Size used = measure(b.size.width, lines, heightForLines(b.size.height));
  if (used.height <= 0) used = measure(b.size.width, 1);
  used.width = std::min(used.width, b.size.width);
  return {{b.origin.x, b.origin.y + (b.size.height - used.height) / 2}, {b.size.width, used.height}};
}

gfx::Rect Label::drawingBoundsForLayer(Layer& layer) {
  if (&layer != this->layer().get() || text().isEmpty()) return layer.bounds();
  // The drawing that follows in the same display places the text in this very rectangle.
  gfx::Rect text = textRectForBounds(bounds(), numberOfLines_);
  displayTextRect_ = std::make_pair(bounds(), text);
  return gfx::RectUnion(bounds(), text);
}

void Label::drawTextInRect(gfx::Rect rect) {
  auto ctx = gfx::currentContext();
  if (!ctx || text().isEmpty()) return;
  double scale = 1;
  if (adjustsFontSize_ && numberOfLines_ == 1) {
    auto plain = styledText();
    scale = typeset::scaleToFitWidth(*plain, rect.size.width, minimumScaleFactor_ > 0 ? minimumScaleFactor_ : 1);
  }
  auto s = styledText(scale);
  // The lines are those that fit the bounds, as measured; the box only places them.
  gfx::Size box{rect.size.width, std::max(rect.size.height, heightForLines(bounds().size.height))};
  auto layout = typeset::layOutLabel(*s, box, numberOfLines_, lineBreakMode_);
  ctx->saveGState();
  if (shadowColor_) ctx->setShadowWithColor(shadowOffset_, 0, shadowColor_);
  typeset::drawPlacedLines(layout.layout.lines, *ctx, rect.origin);
  ctx->restoreGState();
}

void Label::drawRect(gfx::Rect) {
  bool measured = displayTextRect_ && displayTextRect_->first == bounds();
  gfx::Rect r = measured ? displayTextRect_->second : textRectForBounds(bounds(), numberOfLines_);
  displayTextRect_.reset();
  drawTextInRect(r);
}

}  // namespace ui
