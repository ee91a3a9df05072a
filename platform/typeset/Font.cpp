#include "platform/typeset/Font.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/typeset/FontCatalog.h"

namespace typeset {

namespace {
Ref<Font> decodeFont(fd::KeyedUnarchiver& coder) {
  double size = coder.decodeDouble("UIFontPointSize");
  if (!(size >= 0) || !std::isfinite(size)) return nullptr;
  auto name = coder.decodeObjectOfClass<fd::StringObject>("UIFontName");
  if (name)
    if (auto f = Font::fontWithName(name->string(), size)) return f;
  auto traits = static_cast<uint32_t>(coder.decodeInt64("UIFontTraits"));
  if (auto family = coder.decodeObjectOfClass<fd::StringObject>("UIFontFamilyName"))
    if (auto f = Font::fontWithDescriptor(FontDescriptor::create(family->string(), size, traits), size)) return f;
  return Font::systemFontOfSize(size, (traits & FontTraitBold) ? FontWeight::Bold : FontWeight::Regular);
}
}  // namespace

RT_IMPLEMENT_PLATFORM(Font) {
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
  fd::registerDecoder(&c.cls(), [](fd::KeyedUnarchiver& coder) -> Id { return decodeFont(coder); });
  c.property("fontName", &Font::fontName);
  c.property("familyName", &Font::familyName);
  c.property("pointSize", &Font::pointSize);
  c.property("ascender", &Font::ascender);
  c.property("descender", &Font::descender);
  c.property("leading", &Font::leading);
  c.property("capHeight", &Font::capHeight);
  c.property("xHeight", &Font::xHeight);
  c.property("lineHeight", &Font::lineHeight);
  c.protocol("NSCopying");
}

bool Font::init(FaceRef face, double size, bool monospacedDigits) {
  if (!face || !(size >= 0) || !std::isfinite(size)) return false;
  face_ = std::move(face);
  size_ = size;
  monospacedDigits_ = monospacedDigits;
  return true;
}

Ref<Font> Font::systemFontOfSize(double size) { return systemFontOfSize(size, FontWeight::Regular); }
Ref<Font> Font::boldSystemFontOfSize(double size) { return systemFontOfSize(size, FontWeight::Bold); }

Ref<Font> Font::italicSystemFontOfSize(double size) {
  return rt::make<Font>(FontCatalog::shared().systemFace(400, true), size);
}

Ref<Font> Font::systemFontOfSize(double size, double weight) {
  return rt::make<Font>(FontCatalog::shared().systemFace(weightClassForWeight(weight), false), size);
}

Ref<Font> Font::monospacedDigitSystemFontOfSize(double size, double weight) {
  return rt::make<Font>(FontCatalog::shared().systemFace(weightClassForWeight(weight), false), size, true);
}

Ref<Font> Font::preferredFontForTextStyle(const String& style) {
  struct Entry {
    const char* style;
    double size;
    double weight;
  };
  static constexpr Entry kStyles[] = {
      {TextStyle::LargeTitle, 34, FontWeight::Regular}, {TextStyle::Title1, 28, FontWeight::Regular},
      {TextStyle::Title2, 22, FontWeight::Regular},     {TextStyle::Title3, 20, FontWeight::Regular},
      {TextStyle::Headline, 17, FontWeight::Semibold},  {TextStyle::Subheadline, 15, FontWeight::Regular},
      {TextStyle::Body, 17, FontWeight::Regular},       {TextStyle::Callout, 16, FontWeight::Regular},
      {TextStyle::Footnote, 13, FontWeight::Regular},   {TextStyle::Caption1, 12, FontWeight::Regular},
      {TextStyle::Caption2, 11, FontWeight::Regular},
  };
  for (const auto& e : kStyles)
    if (style == e.style) return systemFontOfSize(e.size, e.weight);
  return systemFontOfSize(17);
}

Ref<Font> Font::fontWithName(const String& name, double size) {
  if (name.isEmpty()) return nullptr;
  FaceRequest r;
  r.family = name.utf8();
  return rt::make<Font>(FontCatalog::shared().match(r, true), size);
}

Ref<Font> Font::fontWithDescriptor(const Ref<FontDescriptor>& descriptor, double size) {
  if (!descriptor) return nullptr;
  FaceRequest r;
  r.family = descriptor->family().utf8();
  r.weight = weightClassForWeight(descriptor->weight());
  r.italic = descriptor->symbolicTraits() & FontTraitItalic;
  r.monospace = descriptor->symbolicTraits() & FontTraitMonoSpace;
  double s = size > 0 ? size : descriptor->pointSize();
  return rt::make<Font>(FontCatalog::shared().match(r, true), s);
}

Ref<Font> Font::fontWithData(const Ref<fd::Data>& data, double size) {
  if (!data || data->length() == 0) return nullptr;
  auto face = FontFace::openData(std::vector<uint8_t>(data->bytes(), data->bytes() + data->length()), 0);
  return rt::make<Font>(face, size);
}

std::vector<String> Font::familyNames() {
  FcPattern* pat = FcPatternCreate();
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, pat, os);
  FcObjectSetDestroy(os);
  FcPatternDestroy(pat);
  std::set<std::string> names;
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* s = nullptr;
      if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &s) == FcResultMatch && s)
        names.insert(reinterpret_cast<const char*>(s));
    }
    FcFontSetDestroy(set);
  }
  return std::vector<String>(names.begin(), names.end());
}

Ref<Font> Font::fontWithSize(double size) const { return rt::make<Font>(face_, size, monospacedDigits_); }

Ref<FontDescriptor> Font::fontDescriptor() const {
  return FontDescriptor::create(String(face_->family()), size_, symbolicTraits(), weight());
}

String Font::postScriptName() const { return String(face_->postScriptName()); }
String Font::familyName() const { return String(face_->family()); }
String Font::displayName() const { return String(face_->fullName()); }

double Font::ascender() const { return face_->ascender() * scale(); }
double Font::descender() const { return face_->descender() * scale(); }
double Font::leading() const { return face_->lineGap() * scale(); }
double Font::lineHeight() const { return ascender() - descender() + leading(); }
double Font::capHeight() const { return face_->capHeight() * scale(); }
double Font::xHeight() const { return face_->xHeight() * scale(); }
double Font::underlinePosition() const { return face_->underlinePosition() * scale(); }
double Font::underlineThickness() const { return face_->underlineThickness() * scale(); }

uint32_t Font::symbolicTraits() const {
  uint32_t t = 0;
  if (face_->isItalic()) t |= FontTraitItalic;
  if (face_->isBold()) t |= FontTraitBold;
  if (face_->isMonospace()) t |= FontTraitMonoSpace;
  if (face_->hasColorGlyphs()) t |= FontTraitColorGlyphs;
  return t;
}

bool Font::glyphsForCharacters(const char16_t* chars, Glyph* glyphs, size_t count) const {
  bool all = true;
  for (size_t i = 0; i < count; ++i) {
    char32_t cp = chars[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < count && chars[i + 1] >= 0xDC00 && chars[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (chars[i + 1] - 0xDC00);
      glyphs[i] = glyphForCharacter(cp);
      glyphs[++i] = 0;
      if (!glyphs[i - 1]) all = false;
      continue;
    }
    glyphs[i] = glyphForCharacter(cp);
    if (!glyphs[i]) all = false;
  }
  return all;
}

double Font::advanceForGlyph(Glyph g) const { return face_->horizontalAdvance(g) * scale(); }

double Font::advancesForGlyphs(const Glyph* glyphs, gfx::Size* advances, size_t count) const {
  double total = 0;
  for (size_t i = 0; i < count; ++i) {
    double a = advanceForGlyph(glyphs[i]);
    if (advances) advances[i] = {a, 0};
    total += a;
  }
  return total;
}

gfx::Rect Font::boundingRectForGlyph(Glyph g) const {
  gfx::Rect r = face_->glyphBounds(g);
  double s = scale();
  return gfx::RectMake(r.origin.x * s, r.origin.y * s, r.size.width * s, r.size.height * s);
}

gfx::Rect Font::boundingRectsForGlyphs(const Glyph* glyphs, gfx::Rect* rects, size_t count) const {
  gfx::Rect u = gfx::RectNull;
  for (size_t i = 0; i < count; ++i) {
    gfx::Rect r = boundingRectForGlyph(glyphs[i]);
    if (rects) rects[i] = r;
    if (!gfx::RectIsEmpty(r)) u = gfx::RectUnion(u, r);
  }
  return gfx::RectIsNull(u) ? gfx::RectZero : u;
}

Ref<gfx::Path> Font::pathForGlyph(Glyph g, const gfx::AffineTransform* t) const {
  gfx::AffineTransform m = gfx::AffineTransformMakeScale(scale(), scale());
  if (t) m = gfx::AffineTransformConcat(m, *t);
  return face_->outline(g)->copyByTransformingPath(m);
}

void Font::drawGlyphs(const Glyph* glyphs, const gfx::Point* positions, size_t count, gfx::Context& ctx) const {
  ctx.saveGState();
  ctx.setFont(face_);
  ctx.setFontSize(size_);
  ctx.showGlyphsAtPositions(glyphs, positions, count);
  ctx.restoreGState();
}

Ref<Font> Font::fallbackForCharacter(char32_t cp) const {
  if (face_->covers(cp)) return rt::as<Font>(std::const_pointer_cast<rt::Object>(self()));
  FaceRef f = FontCatalog::shared().fallback(face_, cp);
  return f ? rt::make<Font>(f, size_, monospacedDigits_) : nullptr;
}

Ref<fd::Data> Font::copyTable(uint32_t tag) const {
  auto bytes = face_->tableData(tag);
  if (bytes.empty()) return nullptr;
  return fd::Data::create(std::move(bytes));
}

bool Font::isEqual(const rt::Object* other) const {
  auto* o = rt::as<const Font>(other);
  return o && o->face_ == face_ && o->size_ == size_ && o->monospacedDigits_ == monospacedDigits_;
}

size_t Font::hash() const { return std::hash<const void*>()(face_.get()) ^ static_cast<size_t>(size_ * 64); }

String Font::description() const {
  return String::format("<UIFont: font-family: \"%@\"; font-weight: %s; font-style: %s; font-size: %.2fpt>",
                        familyName(), face_->isBold() ? "bold" : "normal", face_->isItalic() ? "italic" : "normal",
                        size_);
}

rt::Id Font::copy() const { return std::const_pointer_cast<rt::Object>(self()); }

void Font::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(fd::StringObject::create(postScriptName()), "UIFontName");
  coder.encodeObject(fd::StringObject::create(familyName()), "UIFontFamilyName");
  coder.encodeInt64(symbolicTraits(), "UIFontTraits");
  coder.encodeDouble(size_, "UIFontPointSize");
}

bool Font::initWithCoder(fd::KeyedUnarchiver& coder) {
  auto f = decodeFont(coder);
  if (!f) return false;
  face_ = f->face_;
  size_ = f->size_;
  return true;
}

}  // namespace typeset
