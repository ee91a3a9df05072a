#include "platform/ui/web/HTMLDocumentContainer.h"

#include <litehtml/el_image.h>

#include <algorithm>
#include <cmath>

#include "platform/graphics/Color.h"
#include "platform/graphics/Path.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/FontDescriptor.h"

namespace ui {
namespace {

std::string trimmed(std::string s) {
  auto notSpace = [](unsigned char c) { return !std::isspace(c) && c != '"' && c != '\''; };
  s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
  s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
  return s;
}

std::string lowered(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

Ref<typeset::Font> genericFont(const std::string& family, double size, bool bold, bool italic) {
  if (family == "monospace") {
    if (auto f = typeset::Font::fontWithName("DejaVu Sans Mono", size)) return f;
  }
  if (family == "serif") {
    if (auto f = typeset::Font::fontWithName("DejaVu Serif", size)) return f;
  }
  if (italic) return typeset::Font::italicSystemFontOfSize(size);
  return bold ? typeset::Font::boldSystemFontOfSize(size) : typeset::Font::systemFontOfSize(size);
}

Ref<typeset::Font> withTraits(const Ref<typeset::Font>& font, bool bold, bool italic) {
  uint32_t traits = (bold ? uint32_t{typeset::FontTraitBold} : 0u) | (italic ? uint32_t{typeset::FontTraitItalic} : 0u);
  if (!traits) return font;
  auto descriptor = font->fontDescriptor()->fontDescriptorWithSymbolicTraits(traits);
  if (!descriptor) return font;
  auto styled = typeset::Font::fontWithDescriptor(descriptor, font->pointSize());
  return styled ? styled : font;
}

void setColor(gfx::Context& ctx, const litehtml::web_color& c) {
  ctx.setRGBFillColor(c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

gfx::Rect rectOf(const litehtml::position& p) { return gfx::RectMake(p.x, p.y, p.width, p.height); }

/// UTF-8 sequence length from its lead byte.
size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead >> 5) == 0x6) return 2;
  if ((lead >> 4) == 0xE) return 3;
  if ((lead >> 3) == 0x1E) return 4;
  return 1;
}

char32_t decode(const char* s, size_t n) {
  auto b = reinterpret_cast<const unsigned char*>(s);
  switch (n) {
    case 2: return ((b[0] & 0x1F) << 6) | (b[1] & 0x3F);
    case 3: return ((b[0] & 0x0F) << 12) | ((b[1] & 0x3F) << 6) | (b[2] & 0x3F);
    case 4: return ((b[0] & 0x07) << 18) | ((b[1] & 0x3F) << 12) | ((b[2] & 0x3F) << 6) | (b[3] & 0x3F);
    default: return b[0];
  }
}

/// Punctuation that may not begin a line: it stays with the character before it.
bool closesLine(char32_t c) {
  switch (c) {
    case 0x3001: case 0x3002: case 0xFF0C: case 0xFF0E: case 0xFF1A: case 0xFF1B: case 0xFF01: case 0xFF1F:
    case 0xFF09: case 0x300D: case 0x300F: case 0x201D: case 0x2019: case 0x300B: case 0x3009: case 0x3011:
    case 0x2026: case 0xFF5E:
      return true;
    default:
      return false;
  }
}

/// Characters a line may break before and after: ideographs, kana, hangul and CJK punctuation.
bool breaksAround(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FFFF);
}

}  // namespace

HTMLDocumentContainer::HTMLDocumentContainer(Hooks hooks) : hooks_(std::move(hooks)) {}

Ref<fd::URL> HTMLDocumentContainer::resolve(const std::string& src, const char* base) const {
  rt::String text(trimmed(src).c_str());
  Ref<fd::URL> against = baseURL_;
  if (base && *base) {
    if (auto b = fd::URL::URLWithString(rt::String(base), baseURL_)) against = b;
  }
  return fd::URL::URLWithString(text, against);
}

std::string HTMLDocumentContainer::absolute(const char* src, const char* base) const {
  if (!src || !*src) return {};
  auto url = resolve(src, base);
  return url ? url->absoluteString().utf8() : std::string();
}

bool HTMLDocumentContainer::setImage(const std::string& url, Ref<gfx::Image> image) {
  auto it = pictures_.find(url);
  if (it == pictures_.end()) return false;
  it->second.image = std::move(image);
  it->second.answered = true;
  return true;
}

size_t HTMLDocumentContainer::pendingImageCount() const {
  return static_cast<size_t>(std::count_if(pictures_.begin(), pictures_.end(), [](auto& p) { return !p.second.answered; }));
}

const HTMLMediaBox* HTMLDocumentContainer::mediaBox(const std::string& url) const {
  for (const auto& m : media_)
    if (m.url == url) return &m;
  return nullptr;
}

// ---- fonts and text

litehtml::uint_ptr HTMLDocumentContainer::create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                                      litehtml::font_style italic, unsigned int decoration,
                                                      litehtml::font_metrics* fm) {
  const bool bold = weight >= 600;
  const bool slanted = italic == litehtml::fontStyleItalic;
  const double points = std::max(size, 1);
  Ref<typeset::Font> font;
  std::string names = faceName ? faceName : "";
  size_t start = 0;
  while (!font && start <= names.size()) {
    size_t comma = names.find(',', start);
    std::string name = trimmed(names.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    start = comma == std::string::npos ? names.size() + 1 : comma + 1;
    if (name.empty()) continue;
    std::string generic = lowered(name);
    if (generic == "sans-serif" || generic == "serif" || generic == "monospace" || generic == "system-ui" ||
        generic == "cursive" || generic == "fantasy") {
      font = genericFont(generic, points, bold, slanted);
    } else if (auto named = typeset::Font::fontWithName(rt::String(name.c_str()), points)) {
      font = withTraits(named, bold, slanted);
    }
  }
  if (!font) font = genericFont("sans-serif", points, bold, slanted);
  FontEntry entry;
  entry.font = font;
  entry.decoration = decoration;
  entry.ascent = static_cast<int>(std::lround(font->ascent()));
  if (fm) {
    fm->ascent = entry.ascent;
    fm->descent = static_cast<int>(std::lround(font->descent()));
    fm->height = static_cast<int>(std::lround(font->ascent() + font->descent() + std::max(0.0, font->leading())));
    fm->x_height = static_cast<int>(std::lround(font->xHeight()));
    fm->draw_spaces = decoration != litehtml::font_decoration_none;
  }
  fonts_.push_back(std::move(entry));
  return fonts_.size();
}

void HTMLDocumentContainer::delete_font(litehtml::uint_ptr hFont) {
  // Handles stay valid for the container's life; only the font object goes.
  if (hFont >= 1 && hFont <= fonts_.size()) fonts_[hFont - 1].font = nullptr;
}

const HTMLDocumentContainer::FontEntry* HTMLDocumentContainer::fontAt(litehtml::uint_ptr handle) const {
  if (handle < 1 || handle > fonts_.size() || !fonts_[handle - 1].font) return nullptr;
  return &fonts_[handle - 1];
}

const Ref<typeset::Line>& HTMLDocumentContainer::lineFor(litehtml::uint_ptr hFont, const std::string& text) {
  std::string key = std::to_string(hFont);
  key.push_back('\0');
  key += text;
  auto it = lines_.find(key);
  if (it != lines_.end()) return it->second;
  Ref<typeset::Line> line;
  if (const FontEntry* f = fontAt(hFont)) {
    auto attrs = fd::Dictionary::withStrings({{typeset::FontAttributeName, f->font}});
    line = typeset::Line::createWithAttributedString(*typeset::AttributedString::create(rt::String(text.c_str()), attrs));
  }
  return lines_.emplace(std::move(key), std::move(line)).first->second;
}

int HTMLDocumentContainer::text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) {
  if (!text || !*text) return 0;
  const auto& line = lineFor(hFont, text);
  return line ? static_cast<int>(std::ceil(line->width() - 0.01)) : 0;
}

void HTMLDocumentContainer::draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                                      litehtml::web_color color, const litehtml::position& pos) {
  auto* ctx = reinterpret_cast<gfx::Context*>(hdc);
  const FontEntry* f = fontAt(hFont);
  if (!ctx || !f || !text || !*text) return;
  const auto& line = lineFor(hFont, text);
  if (!line) return;
  ctx->saveGState();
  applyClip(*ctx);
  setColor(*ctx, color);
  const double baseline = pos.y + f->ascent;
  ctx->saveGState();
  ctx->translateCTM(pos.x, baseline);
  ctx->scaleCTM(1, -1);
  line->draw(*ctx, gfx::Point{0, 0});
  ctx->restoreGState();
  const double thickness = std::max(1.0, f->font->underlineThickness());
  if (f->decoration & litehtml::font_decoration_underline)
    ctx->fillRect(gfx::RectMake(pos.x, baseline - f->font->underlinePosition(), line->width(), thickness));
  if (f->decoration & litehtml::font_decoration_linethrough)
    ctx->fillRect(gfx::RectMake(pos.x, baseline - f->font->xHeight() / 2, line->width(), thickness));
  if (f->decoration & litehtml::font_decoration_overline)
    ctx->fillRect(gfx::RectMake(pos.x, pos.y, line->width(), thickness));
  ctx->restoreGState();
}

int HTMLDocumentContainer::pt_to_px(int pt) const { return static_cast<int>(std::lround(pt * 96.0 / 72.0)); }

void HTMLDocumentContainer::split_text(const char* text, const std::function<void(const litehtml::tchar_t*)>& on_word,
                                       const std::function<void(const litehtml::tchar_t*)>& on_space) {
  std::string word;
  bool wordEndsCJK = false;
  auto flush = [&] {
    if (!word.empty()) on_word(word.c_str());
    word.clear();
    wordEndsCJK = false;
  };
  for (const char* p = text; *p;) {
    size_t n = sequenceLength(static_cast<unsigned char>(*p));
    size_t avail = 0;
    while (avail < n && p[avail]) ++avail;
    n = avail;
    char32_t c = decode(p, n);
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
      flush();
      std::string space(p, n);
      on_space(space.c_str());
    } else if (closesLine(c)) {
      word.append(p, n);
      wordEndsCJK = true;
    } else if (breaksAround(c)) {
      flush();
      word.assign(p, n);
      wordEndsCJK = true;
    } else {
      if (wordEndsCJK) flush();
      word.append(p, n);
    }
    p += n;
  }
  flush();
}

void HTMLDocumentContainer::transform_text(litehtml::tstring& text, litehtml::text_transform tt) {
  rt::String s(text.c_str());
  switch (tt) {
    case litehtml::text_transform_uppercase: text = s.uppercaseString().utf8(); break;
    case litehtml::text_transform_lowercase: text = s.lowercaseString().utf8(); break;
    case litehtml::text_transform_capitalize: text = s.capitalizedString().utf8(); break;
    default: break;
  }
}

// ---- pictures and media

void HTMLDocumentContainer::load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, bool) {
  std::string url = absolute(src, baseurl);
  if (url.empty() || mediaBox(url)) return;
  if (pictures_.emplace(url, Picture{}).second && hooks_.imageRequested) hooks_.imageRequested(url);
}

void HTMLDocumentContainer::get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl,
                                           litehtml::size& sz) {
  std::string url = absolute(src, baseurl);
  sz.width = sz.height = 0;
  if (const HTMLMediaBox* media = mediaBox(url)) {
    if (!media->isVideo) {
      sz.width = 300;
      sz.height = 40;
      return;
    }
    auto poster = pictures_.find(media->posterURL);
    if (poster != pictures_.end() && poster->second.image) {
      gfx::Size s = poster->second.image->size();
      sz.width = static_cast<int>(s.width);
      sz.height = static_cast<int>(s.height);
    } else {
      sz.width = 320;
      sz.height = 180;
    }
    return;
  }
  auto it = pictures_.find(url);
  if (it == pictures_.end() || !it->second.image) return;
  gfx::Size s = it->second.image->size();
  sz.width = static_cast<int>(std::lround(s.width));
  sz.height = static_cast<int>(std::lround(s.height));
}

void HTMLDocumentContainer::drawMediaBox(gfx::Context& ctx, const HTMLMediaBox& box, const litehtml::position& p) {
  gfx::Rect r = rectOf(p);
  auto poster = pictures_.find(box.posterURL);
  if (box.isVideo) {
    ctx.setGrayFillColor(0, 1);
    ctx.fillRect(r);
    if (poster != pictures_.end() && poster->second.image) {
      gfx::Rect fit = gfx::RectZero;
      gfx::Size s = poster->second.image->size();
      double scale = std::min(r.size.width / std::max(1.0, s.width), r.size.height / std::max(1.0, s.height));
      fit.size = {s.width * scale, s.height * scale};
      fit.origin = {r.origin.x + (r.size.width - fit.size.width) / 2, r.origin.y + (r.size.height - fit.size.height) / 2};
      poster->second.image->drawInRect(ctx, fit);
    }
  } else {
    ctx.setGrayFillColor(0.93, 1);
    ctx.fillRect(r);
  }
  // The play mark: a white disc with a dark triangle, centred.
  double d = std::min({44.0, r.size.width, r.size.height}) * (box.isVideo ? 1 : 0.7);
  gfx::Point c{r.origin.x + (box.isVideo ? r.size.width / 2 : d / 2 + 8), r.origin.y + r.size.height / 2};
  ctx.setGrayFillColor(1, box.isVideo ? 0.85 : 1);
  ctx.fillEllipseInRect(gfx::RectMake(c.x - d / 2, c.y - d / 2, d, d));
  ctx.setGrayFillColor(0.2, 1);
  ctx.beginPath();
  ctx.moveToPoint(c.x - d * 0.15, c.y - d * 0.22);
  ctx.addLineToPoint(c.x + d * 0.25, c.y);
  ctx.addLineToPoint(c.x - d * 0.15, c.y + d * 0.22);
  ctx.closePath();
  ctx.fillPath();
}

void HTMLDocumentContainer::draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) {
  auto* ctx = reinterpret_cast<gfx::Context*>(hdc);
  if (!ctx) return;
  ctx->saveGState();
  applyClip(*ctx);
  gfx::Rect clipBox = rectOf(bg.clip_box);
  const auto& radius = bg.border_radius;
  if (radius.top_left_x > 0 || radius.top_right_x > 0 || radius.bottom_left_x > 0 || radius.bottom_right_x > 0) {
    double rad = std::max({radius.top_left_x, radius.top_right_x, radius.bottom_left_x, radius.bottom_right_x});
    rad = std::min({rad, clipBox.size.width / 2, clipBox.size.height / 2});
    ctx->addPath(*gfx::Path::createWithRoundedRect(clipBox, rad, rad));
    ctx->clip();
  } else {
    ctx->clipToRect(clipBox);
  }
  if (bg.image.empty()) {
    if (bg.color.alpha) {
      setColor(*ctx, bg.color);
      ctx->fillRect(clipBox);
    }
    ctx->restoreGState();
    return;
  }
  std::string url = absolute(bg.image.c_str(), bg.baseurl.c_str());
  if (const HTMLMediaBox* media = mediaBox(url)) {
    drawMediaBox(*ctx, *media, bg.border_box);
    ctx->restoreGState();
    return;
  }
  if (bg.color.alpha) {
    setColor(*ctx, bg.color);
    ctx->fillRect(clipBox);
  }
  auto it = pictures_.find(url);
  if (it != pictures_.end() && it->second.image && bg.image_size.width > 0 && bg.image_size.height > 0) {
    const auto& image = it->second.image;
    double w = bg.image_size.width, h = bg.image_size.height;
    // The engine gives the picture's place in page coordinates.
    double x0 = bg.position_x, y0 = bg.position_y;
    bool repeatX = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_x;
    bool repeatY = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_y;
    if (repeatX) x0 -= std::ceil((x0 - clipBox.origin.x) / w) * w;
    if (repeatY) y0 -= std::ceil((y0 - clipBox.origin.y) / h) * h;
    double xEnd = repeatX ? gfx::RectGetMaxX(clipBox) : x0 + 1;
    double yEnd = repeatY ? gfx::RectGetMaxY(clipBox) : y0 + 1;
    for (double y = y0; y < yEnd; y += h)
      for (double x = x0; x < xEnd; x += w) image->drawInRect(*ctx, gfx::RectMake(x, y, w, h));
  }
  ctx->restoreGState();
}

void HTMLDocumentContainer::draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& b,
                                         const litehtml::position& p, bool) {
  auto* ctx = reinterpret_cast<gfx::Context*>(hdc);
  if (!ctx) return;
  auto shown = [](const litehtml::border& side) {
    return side.width > 0 && side.style != litehtml::border_style_none && side.style != litehtml::border_style_hidden;
  };
  ctx->saveGState();
  applyClip(*ctx);
  if (shown(b.top)) {
    setColor(*ctx, b.top.color);
    ctx->fillRect(gfx::RectMake(p.x, p.y, p.width, b.top.width));
  }
  if (shown(b.bottom)) {
    setColor(*ctx, b.bottom.color);
    ctx->fillRect(gfx::RectMake(p.x, p.bottom() - b.bottom.width, p.width, b.bottom.width));
  }
  if (shown(b.left)) {
    setColor(*ctx, b.left.color);
    ctx->fillRect(gfx::RectMake(p.x, p.y, b.left.width, p.height));
  }
  if (shown(b.right)) {
    setColor(*ctx, b.right.color);
    ctx->fillRect(gfx::RectMake(p.right() - b.right.width, p.y, b.right.width, p.height));
  }
  ctx->restoreGState();
}

void HTMLDocumentContainer::draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) {
  auto* ctx = reinterpret_cast<gfx::Context*>(hdc);
  if (!ctx) return;
  ctx->saveGState();
  applyClip(*ctx);
  setColor(*ctx, marker.color);
  gfx::Rect r = rectOf(marker.pos);
  switch (marker.marker_type) {
    case litehtml::list_style_type_disc: ctx->fillEllipseInRect(r); break;
    case litehtml::list_style_type_circle:
      ctx->setRGBStrokeColor(marker.color.red / 255.0, marker.color.green / 255.0, marker.color.blue / 255.0, 1);
      ctx->strokeEllipseInRect(gfx::RectInset(r, 0.5, 0.5));
      break;
    case litehtml::list_style_type_square: ctx->fillRect(r); break;
    case litehtml::list_style_type_none: break;
    default: {
      // Numbered kinds: the number and a full stop, ending at the marker's right edge.
      std::string label = std::to_string(marker.index) + ".";
      if (const auto& line = fontAt(marker.font) ? lineFor(marker.font, label) : nullptr) {
        ctx->translateCTM(gfx::RectGetMaxX(r) - line->width(), gfx::RectGetMaxY(r));
        ctx->scaleCTM(1, -1);
        line->draw(*ctx, gfx::Point{0, 0});
      }
      break;
    }
  }
  ctx->restoreGState();
}

// ---- the rest of the engine's calls

void HTMLDocumentContainer::set_base_url(const litehtml::tchar_t* base_url) {
  if (!base_url || !*base_url) return;
  if (auto url = resolve(base_url)) baseURL_ = url;
}

void HTMLDocumentContainer::on_anchor_click(const litehtml::tchar_t* url, const litehtml::element::ptr&) {
  if (!url || !hooks_.anchorClicked) return;
  std::string target = trimmed(url);
  if (target.empty()) return;
  if (target[0] == '#') return;  // a jump within the page loads nothing
  std::string resolved = absolute(target.c_str(), nullptr);
  if (!resolved.empty()) hooks_.anchorClicked(resolved);
}

void HTMLDocumentContainer::import_css(litehtml::tstring&, const litehtml::tstring&, litehtml::tstring&) {
  // Linked style sheets are not fetched: pages bring their styles inline.
}

void HTMLDocumentContainer::set_clip(const litehtml::position& pos, const litehtml::border_radiuses&, bool, bool) {
  clips_.push_back(pos);
}

void HTMLDocumentContainer::del_clip() {
  if (!clips_.empty()) clips_.pop_back();
}

void HTMLDocumentContainer::applyClip(gfx::Context& ctx) const {
  for (const auto& c : clips_) ctx.clipToRect(rectOf(c));
}

void HTMLDocumentContainer::get_client_rect(litehtml::position& client) const {
  client = litehtml::position(0, 0, viewportWidth_, viewportHeight_);
}

std::shared_ptr<litehtml::element> HTMLDocumentContainer::create_element(
    const litehtml::tchar_t* tag_name, const litehtml::string_map& attributes,
    const std::shared_ptr<litehtml::document>& doc) {
  std::string tag = lowered(tag_name ? tag_name : "");
  if (tag != "video" && tag != "audio") return nullptr;
  // A media element lays out as a replaced box (like a picture) whose source is its stream.
  HTMLMediaBox box;
  box.isVideo = tag == "video";
  auto src = attributes.find("src");
  if (src != attributes.end()) box.url = absolute(src->second.c_str(), nullptr);
  auto poster = attributes.find("poster");
  if (poster != attributes.end()) box.posterURL = absolute(poster->second.c_str(), nullptr);
  box.controls = attributes.count("controls") > 0;
  if (box.url.empty()) return nullptr;
  if (!mediaBox(box.url)) media_.push_back(box);
  if (!box.posterURL.empty() && pictures_.emplace(box.posterURL, Picture{}).second && hooks_.imageRequested)
    hooks_.imageRequested(box.posterURL);
  return std::make_shared<litehtml::el_image>(doc);
}

void HTMLDocumentContainer::get_media_features(litehtml::media_features& media) const {
  media.type = litehtml::media_type_screen;
  media.width = media.device_width = viewportWidth_;
  media.height = media.device_height = viewportHeight_;
  media.color = 8;
  media.monochrome = 0;
  media.color_index = 256;
  media.resolution = 96;
}

void HTMLDocumentContainer::get_language(litehtml::tstring& language, litehtml::tstring& culture) const {
  language = "zh";
  culture = "CN";
}

}  // namespace ui
