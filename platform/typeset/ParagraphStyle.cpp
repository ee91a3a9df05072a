#include "platform/typeset/ParagraphStyle.h"

#include <cstring>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/runtime/Exception.h"

namespace typeset {

TextAlignment TextAlignmentFromCTTextAlignment(CTTextAlignment a) {
  switch (a) {
    case CTTextAlignment::Left: return TextAlignment::Left;
    case CTTextAlignment::Right: return TextAlignment::Right;
    case CTTextAlignment::Center: return TextAlignment::Center;
    case CTTextAlignment::Justified: return TextAlignment::Justified;
    case CTTextAlignment::Natural: break;
  }
  return TextAlignment::Natural;
}

CTTextAlignment TextAlignmentToCTTextAlignment(TextAlignment a) {
  switch (a) {
    case TextAlignment::Left: return CTTextAlignment::Left;
    case TextAlignment::Right: return CTTextAlignment::Right;
    case TextAlignment::Center: return CTTextAlignment::Center;
    case TextAlignment::Justified: return CTTextAlignment::Justified;
    case TextAlignment::Natural: break;
  }
  return CTTextAlignment::Natural;
}

// ---- tab stops

RT_IMPLEMENT_PLATFORM(TextTab) { c.property("location", &TextTab::location); }

void TextTab::init(TextAlignment alignment, double location, Ref<fd::Dictionary> options) {
  alignment_ = alignment;
  location_ = location;
  options_ = options ? std::move(options) : fd::Dictionary::create();
}

Ref<TextTab> TextTab::create(TextAlignment alignment, double location, Ref<fd::Dictionary> options) {
  return rt::make<TextTab>(alignment, location, std::move(options));
}

bool TextTab::isEqual(const rt::Object* other) const {
  auto* o = rt::as<const TextTab>(other);
  return o && o->alignment_ == alignment_ && o->location_ == location_ && rt::equalObjects(o->options_.get(), options_.get());
}

// ---- paragraph styles

RT_IMPLEMENT_PLATFORM(ParagraphStyle) {
  c.property("firstLineHeadIndent", &ParagraphStyle::firstLineHeadIndent);
  c.property("headIndent", &ParagraphStyle::headIndent);
  c.property("tailIndent", &ParagraphStyle::tailIndent);
  c.property("maximumLineHeight", &ParagraphStyle::maximumLineHeight);
  c.property("minimumLineHeight", &ParagraphStyle::minimumLineHeight);
  c.property("lineSpacing", &ParagraphStyle::lineSpacing);
  c.property("paragraphSpacing", &ParagraphStyle::paragraphSpacing);
  c.property("paragraphSpacingBefore", &ParagraphStyle::paragraphSpacingBefore);
  c.property("lineHeightMultiple", &ParagraphStyle::lineHeightMultiple);
  c.property("defaultTabInterval", &ParagraphStyle::defaultTabInterval);
  c.property("hyphenationFactor", &ParagraphStyle::hyphenationFactor);
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

RT_IMPLEMENT_PLATFORM(MutableParagraphStyle) {}

namespace {
struct CodedTab {
  int64_t alignment;
  double location;
};
}  // namespace

void ParagraphStyle::encodeWithCoder(fd::KeyedArchiver& c) const {
  c.encodeInt64(static_cast<int64_t>(alignment_), "NSAlignment");
  c.encodeDouble(firstLineHeadIndent_, "NSFirstLineHeadIndent");
  c.encodeDouble(headIndent_, "NSHeadIndent");
  c.encodeDouble(tailIndent_, "NSTailIndent");
  c.encodeInt64(static_cast<int64_t>(lineBreakMode_), "NSLineBreakMode");
  c.encodeDouble(maximumLineHeight_, "NSMaxLineHeight");
  c.encodeDouble(minimumLineHeight_, "NSMinLineHeight");
  c.encodeDouble(lineSpacing_, "NSLineSpacing");
  c.encodeDouble(paragraphSpacing_, "NSParagraphSpacing");
  c.encodeDouble(paragraphSpacingBefore_, "NSParagraphSpacingBefore");
  c.encodeInt64(static_cast<int64_t>(baseWritingDirection_), "NSWritingDirection");
  c.encodeDouble(lineHeightMultiple_, "NSLineHeightMultiple");
  std::vector<CodedTab> tabs;
  for (const auto& t : tabStops_) tabs.push_back({static_cast<int64_t>(t->alignment()), t->location()});
  c.encodeBytes(tabs.data(), tabs.size() * sizeof(CodedTab), "NSTabStops");
  c.encodeDouble(defaultTabInterval_, "NSDefaultTabInterval");
  c.encodeDouble(hyphenationFactor_, "NSHyphenationFactor");
}

bool ParagraphStyle::initWithCoder(fd::KeyedUnarchiver& c) {
  int64_t align = c.decodeInt64("NSAlignment"), mode = c.decodeInt64("NSLineBreakMode");
  int64_t dir = c.decodeInt64("NSWritingDirection");
  if (align < 0 || align > 4 || mode < 0 || mode > 5 || dir < -1 || dir > 1) return false;
  std::vector<uint8_t> bytes = c.decodeBytes("NSTabStops");
  if (bytes.size() % sizeof(CodedTab) != 0) return false;
  alignment_ = static_cast<TextAlignment>(align);
  lineBreakMode_ = static_cast<LineBreakMode>(mode);
  baseWritingDirection_ = static_cast<WritingDirection>(dir);
  firstLineHeadIndent_ = c.decodeDouble("NSFirstLineHeadIndent");
  headIndent_ = c.decodeDouble("NSHeadIndent");
  tailIndent_ = c.decodeDouble("NSTailIndent");
  maximumLineHeight_ = c.decodeDouble("NSMaxLineHeight");
  minimumLineHeight_ = c.decodeDouble("NSMinLineHeight");
  lineSpacing_ = c.decodeDouble("NSLineSpacing");
  paragraphSpacing_ = c.decodeDouble("NSParagraphSpacing");
  paragraphSpacingBefore_ = c.decodeDouble("NSParagraphSpacingBefore");
  lineHeightMultiple_ = c.decodeDouble("NSLineHeightMultiple");
  tabStops_.clear();
  for (size_t i = 0; i < bytes.size() / sizeof(CodedTab); ++i) {
    CodedTab t;
    std::memcpy(&t, bytes.data() + i * sizeof(CodedTab), sizeof t);
    if (t.alignment < 0 || t.alignment > 4) return false;
    tabStops_.push_back(TextTab::create(static_cast<TextAlignment>(t.alignment), t.location));
  }
  defaultTabInterval_ = c.decodeDouble("NSDefaultTabInterval");
  hyphenationFactor_ = static_cast<float>(c.decodeDouble("NSHyphenationFactor"));
  return true;
}

const Ref<ParagraphStyle>& ParagraphStyle::defaultParagraphStyle() {
  static const Ref<ParagraphStyle> style = [] {
    auto s = rt::make<ParagraphStyle>();
    for (int i = 1; i <= 12; ++i) s->tabStops_.push_back(TextTab::create(TextAlignment::Left, 28.0 * i));
    return s;
  }();
  return style;
}

namespace {
template <class T> bool readSetting(const ParagraphStyleSetting& s, T& out) {
  if (s.valueSize != sizeof(T) || !s.value) return false;
  std::memcpy(&out, s.value, sizeof(T));
  return true;
}
template <class T> bool writeValue(const T& v, size_t size, void* buffer) {
  if (size != sizeof(T) || !buffer) return false;
  std::memcpy(buffer, &v, sizeof(T));
  return true;
}
}  // namespace

Ref<ParagraphStyle> ParagraphStyle::createWithSettings(const ParagraphStyleSetting* settings, size_t count) {
  auto style = rt::make<ParagraphStyle>();
  for (size_t i = 0; i < count; ++i) {
    const ParagraphStyleSetting& s = settings[i];
    bool ok = false;
    uint8_t byte = 0;
    int8_t sbyte = 0;
    switch (s.specifier) {
      case ParagraphStyleSpecifier::Alignment:
        ok = readSetting(s, byte) && byte <= 4;
        if (ok) style->alignment_ = TextAlignmentFromCTTextAlignment(static_cast<CTTextAlignment>(byte));
        break;
      case ParagraphStyleSpecifier::LineBreakMode:
        ok = readSetting(s, byte) && byte <= 5;
        if (ok) style->lineBreakMode_ = static_cast<LineBreakMode>(byte);
        break;
      case ParagraphStyleSpecifier::BaseWritingDirection:
        ok = readSetting(s, sbyte) && sbyte >= -1 && sbyte <= 1;
        if (ok) style->baseWritingDirection_ = static_cast<WritingDirection>(sbyte);
        break;
      case ParagraphStyleSpecifier::TabStops:
        ok = s.valueSize == sizeof(std::vector<Ref<TextTab>>) && s.value;
        if (ok) style->tabStops_ = *static_cast<const std::vector<Ref<TextTab>>*>(s.value);
        break;
      case ParagraphStyleSpecifier::FirstLineHeadIndent: ok = readSetting(s, style->firstLineHeadIndent_); break;
      case ParagraphStyleSpecifier::HeadIndent: ok = readSetting(s, style->headIndent_); break;
      case ParagraphStyleSpecifier::TailIndent: ok = readSetting(s, style->tailIndent_); break;
      case ParagraphStyleSpecifier::DefaultTabInterval: ok = readSetting(s, style->defaultTabInterval_); break;
      case ParagraphStyleSpecifier::LineHeightMultiple: ok = readSetting(s, style->lineHeightMultiple_); break;
      case ParagraphStyleSpecifier::MaximumLineHeight: ok = readSetting(s, style->maximumLineHeight_); break;
      case ParagraphStyleSpecifier::MinimumLineHeight: ok = readSetting(s, style->minimumLineHeight_); break;
      case ParagraphStyleSpecifier::LineSpacing: ok = readSetting(s, style->lineSpacing_); break;
      case ParagraphStyleSpecifier::ParagraphSpacing: ok = readSetting(s, style->paragraphSpacing_); break;
      case ParagraphStyleSpecifier::ParagraphSpacingBefore: ok = readSetting(s, style->paragraphSpacingBefore_); break;
    }
    if (!ok)
      rt::raiseFormat(rt::InvalidArgumentException, "Invalid paragraph style setting %u (value size %lu)",
                      static_cast<unsigned>(s.specifier), static_cast<unsigned long>(s.valueSize));
  }
  return style;
}

bool ParagraphStyle::getValueForSpecifier(ParagraphStyleSpecifier specifier, size_t size, void* buffer) const {
  switch (specifier) {
    case ParagraphStyleSpecifier::Alignment:
      return writeValue(static_cast<uint8_t>(TextAlignmentToCTTextAlignment(alignment_)), size, buffer);
    case ParagraphStyleSpecifier::LineBreakMode: return writeValue(static_cast<uint8_t>(lineBreakMode_), size, buffer);
    case ParagraphStyleSpecifier::BaseWritingDirection:
      return writeValue(static_cast<int8_t>(baseWritingDirection_), size, buffer);
    case ParagraphStyleSpecifier::TabStops:
      if (size != sizeof(std::vector<Ref<TextTab>>) || !buffer) return false;
      *static_cast<std::vector<Ref<TextTab>>*>(buffer) = tabStops_;
      return true;
    case ParagraphStyleSpecifier::FirstLineHeadIndent: return writeValue(firstLineHeadIndent_, size, buffer);
    case ParagraphStyleSpecifier::HeadIndent: return writeValue(headIndent_, size, buffer);
    case ParagraphStyleSpecifier::TailIndent: return writeValue(tailIndent_, size, buffer);
    case ParagraphStyleSpecifier::DefaultTabInterval: return writeValue(defaultTabInterval_, size, buffer);
    case ParagraphStyleSpecifier::LineHeightMultiple: return writeValue(lineHeightMultiple_, size, buffer);
    case ParagraphStyleSpecifier::MaximumLineHeight: return writeValue(maximumLineHeight_, size, buffer);
    case ParagraphStyleSpecifier::MinimumLineHeight: return writeValue(minimumLineHeight_, size, buffer);
    case ParagraphStyleSpecifier::LineSpacing: return writeValue(lineSpacing_, size, buffer);
    case ParagraphStyleSpecifier::ParagraphSpacing: return writeValue(paragraphSpacing_, size, buffer);
    case ParagraphStyleSpecifier::ParagraphSpacingBefore: return writeValue(paragraphSpacingBefore_, size, buffer);
  }
  return false;
}

void ParagraphStyle::assign(const ParagraphStyle& o) {
  alignment_ = o.alignment_;
  firstLineHeadIndent_ = o.firstLineHeadIndent_;
  headIndent_ = o.headIndent_;
  tailIndent_ = o.tailIndent_;
  lineBreakMode_ = o.lineBreakMode_;
  maximumLineHeight_ = o.maximumLineHeight_;
  minimumLineHeight_ = o.minimumLineHeight_;
  lineSpacing_ = o.lineSpacing_;
  paragraphSpacing_ = o.paragraphSpacing_;
  paragraphSpacingBefore_ = o.paragraphSpacingBefore_;
  baseWritingDirection_ = o.baseWritingDirection_;
  lineHeightMultiple_ = o.lineHeightMultiple_;
  tabStops_ = o.tabStops_;
  defaultTabInterval_ = o.defaultTabInterval_;
  hyphenationFactor_ = o.hyphenationFactor_;
}

bool ParagraphStyle::isEqual(const rt::Object* other) const {
  auto* o = rt::as<const ParagraphStyle>(other);
  if (!o) return false;
  if (o == this) return true;
  if (tabStops_.size() != o->tabStops_.size()) return false;
  for (size_t i = 0; i < tabStops_.size(); ++i)
    if (!rt::equalObjects(tabStops_[i].get(), o->tabStops_[i].get())) return false;
  return alignment_ == o->alignment_ && firstLineHeadIndent_ == o->firstLineHeadIndent_ && headIndent_ == o->headIndent_ &&
         tailIndent_ == o->tailIndent_ && lineBreakMode_ == o->lineBreakMode_ &&
         maximumLineHeight_ == o->maximumLineHeight_ && minimumLineHeight_ == o->minimumLineHeight_ &&
         lineSpacing_ == o->lineSpacing_ && paragraphSpacing_ == o->paragraphSpacing_ &&
         paragraphSpacingBefore_ == o->paragraphSpacingBefore_ && baseWritingDirection_ == o->baseWritingDirection_ &&
         lineHeightMultiple_ == o->lineHeightMultiple_ && defaultTabInterval_ == o->defaultTabInterval_ &&
         hyphenationFactor_ == o->hyphenationFactor_;
}

size_t ParagraphStyle::hash() const {
  return static_cast<size_t>(alignment_) * 31 + static_cast<size_t>(lineSpacing_ * 8) + static_cast<size_t>(lineBreakMode_);
}

String ParagraphStyle::description() const {
  return String::format(
      "Alignment %d, LineSpacing %g, ParagraphSpacing %g, ParagraphSpacingBefore %g, HeadIndent %g, TailIndent %g, "
      "FirstLineHeadIndent %g, LineHeight %g/%g, LineHeightMultiple %g, LineBreakMode %d, Tabs %lu, "
      "DefaultTabInterval %g, BaseWritingDirection %d, HyphenationFactor %g",
      static_cast<int>(alignment_), lineSpacing_, paragraphSpacing_, paragraphSpacingBefore_, headIndent_, tailIndent_,
      firstLineHeadIndent_, minimumLineHeight_, maximumLineHeight_, lineHeightMultiple_, static_cast<int>(lineBreakMode_),
      static_cast<unsigned long>(tabStops_.size()), defaultTabInterval_, static_cast<int>(baseWritingDirection_),
      static_cast<double>(hyphenationFactor_));
}

rt::Id ParagraphStyle::copy() const { return std::const_pointer_cast<rt::Object>(self()); }

rt::Id ParagraphStyle::mutableCopy() const {
  auto m = rt::make<MutableParagraphStyle>();
  m->setParagraphStyle(*this);
  return m;
}

rt::Id MutableParagraphStyle::copy() const {
  auto c = rt::make<ParagraphStyle>();
  c->assign(*this);
  return c;
}

}  // namespace typeset
