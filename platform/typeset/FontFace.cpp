#include "platform/typeset/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include FT_SFNT_NAMES_H
#include <hb-ot.h>
#include <hb.h>
#include <cairo.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace typeset {

namespace {

// FreeType allows one library per thread set; creating and freeing faces is serialised here.
std::mutex& libraryMutex() {
  static std::mutex m;
  return m;
}

FT_Library library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    FT_Init_FreeType(&l);
    return l;
  }();
  return lib;
}

struct OutlineSink {
  Ref<gfx::MutablePath> path;
  bool open = false;
};

int moveTo(const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  if (s->open) s->path->closeSubpath();
  s->path->moveToPoint(to->x, to->y);
  s->open = true;
  return 0;
}
int lineTo(const FT_Vector* to, void* user) {
  static_cast<OutlineSink*>(user)->path->addLineToPoint(to->x, to->y);
  return 0;
}
int conicTo(const FT_Vector* c, const FT_Vector* to, void* user) {
  static_cast<OutlineSink*>(user)->path->addQuadCurveToPoint(c->x, c->y, to->x, to->y);
  return 0;
}
int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  static_cast<OutlineSink*>(user)->path->addCurveToPoint(c1->x, c1->y, c2->x, c2->y, to->x, to->y);
  return 0;
}

}  // namespace

// A font file's bytes: mapped from the file (CJK collections run to tens of megabytes, of
// which a page of text touches little), or held in memory.
struct FontFace::Bytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
  std::vector<uint8_t> owned;
  void* map = nullptr;
  ~Bytes() {
    if (map) ::munmap(map, size);
  }
};

std::shared_ptr<FontFace> FontFace::openFile(const std::string& path, int index, bool mapped) {
  if (index < 0) return nullptr;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  auto bytes = std::make_shared<Bytes>();
  if (::fstat(fd, &st) == 0 && st.st_size > 0) {
    if (mapped) {
      void* map = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
      if (map != MAP_FAILED) {
        bytes->map = map;
        bytes->data = static_cast<const uint8_t*>(map);
        bytes->size = size_t(st.st_size);
      }
    } else {
      uint8_t buf[65536];
      ssize_t n;
      while ((n = ::read(fd, buf, sizeof buf)) > 0) bytes->owned.insert(bytes->owned.end(), buf, buf + n);
      bytes->data = bytes->owned.data();
      bytes->size = bytes->owned.size();
    }
  }
  ::close(fd);
  if (bytes->size == 0) return nullptr;
  std::shared_ptr<FontFace> face(new FontFace());
  face->bytes_ = std::move(bytes);
  face->index_ = index;
  face->path_ = path;
  if (!face->setUp()) return nullptr;
  face->self_ = face;
  return face;
}

std::shared_ptr<FontFace> FontFace::openData(std::vector<uint8_t> bytes, int index) {
  if (bytes.empty() || index < 0) return nullptr;
  auto held = std::make_shared<Bytes>();
  held->owned = std::move(bytes);
  held->data = held->owned.data();
  held->size = held->owned.size();
  std::shared_ptr<FontFace> face(new FontFace());
  face->bytes_ = std::move(held);
  face->index_ = index;
  if (!face->setUp()) return nullptr;
  face->self_ = face;
  return face;
}

namespace {
// Widens advances and ink boxes of the parent font by the emboldening strength.
void emboldenedAdvances(hb_font_t* font, void* data, unsigned count, const hb_codepoint_t* glyphs, unsigned glyphStride,
                        hb_position_t* advances, unsigned advanceStride, void*) {
  hb_font_get_glyph_h_advances(hb_font_get_parent(font), count, glyphs, glyphStride, advances, advanceStride);
  auto strength = static_cast<hb_position_t>(*static_cast<const double*>(data));
  for (unsigned i = 0; i < count; ++i) {
    auto* a = reinterpret_cast<hb_position_t*>(reinterpret_cast<char*>(advances) + size_t(i) * advanceStride);
    if (*a != 0) *a += strength;
  }
}

hb_bool_t emboldenedExtents(hb_font_t* font, void* data, hb_codepoint_t glyph, hb_glyph_extents_t* extents, void*) {
  if (!hb_font_get_glyph_extents(hb_font_get_parent(font), glyph, extents)) return false;
  if (extents->width == 0 || extents->height == 0) return true;
  auto strength = static_cast<hb_position_t>(*static_cast<const double*>(data));
  // y-up bearings: the box grows up and to the right, as the thickened outline does.
  extents->width += strength;
  extents->y_bearing += strength;
  extents->height -= strength;
  return true;
}
}  // namespace

std::shared_ptr<FontFace> FontFace::emboldened() const {
  std::lock_guard lock(mutex_);
  if (color_ || bitmapOnly_ || isSyntheticBold()) return self_.lock();
  if (emboldened_) return emboldened_;
  std::shared_ptr<FontFace> face(new FontFace());
  face->bytes_ = bytes_;
  face->index_ = index_;
  face->path_ = path_;
  if (!face->setUp()) return self_.lock();
  face->makeSyntheticBold();
  face->self_ = face;
  emboldened_ = face;
  return face;
}

void FontFace::makeSyntheticBold() {
  emboldenStrength_ = std::round(upem_ / 24);
  weightClass_ = std::max(weightClass_, 700);
  if (style_.empty() || style_ == "Regular" || style_ == "Book") style_ = "Bold";
  else style_ += " Bold";
  static hb_font_funcs_t* funcs = [] {
    hb_font_funcs_t* f = hb_font_funcs_create();
    hb_font_funcs_set_glyph_h_advances_func(f, emboldenedAdvances, nullptr, nullptr);
    hb_font_funcs_set_glyph_extents_func(f, emboldenedExtents, nullptr, nullptr);
    hb_font_funcs_make_immutable(f);
    return f;
  }();
  hb_font_t* sub = hb_font_create_sub_font(hb_);
  hb_font_set_funcs(sub, funcs, &emboldenStrength_, nullptr);
  hb_font_make_immutable(sub);
  hb_font_destroy(hb_);
  hb_ = sub;
  if (capHeight_ > 0) capHeight_ += emboldenStrength_;
  if (xHeight_ > 0) xHeight_ += emboldenStrength_;
}

bool FontFace::setUp() {
  {
    std::lock_guard lock(libraryMutex());
    if (FT_New_Memory_Face(library(), bytes_->data, static_cast<FT_Long>(bytes_->size), index_, &ft_) != 0) {
      ft_ = nullptr;
      return false;
    }
  }
  // Colour emoji faces may hold only bitmap strikes; they are scaled from their nearest strike.
  bitmapOnly_ = !(ft_->face_flags & FT_FACE_FLAG_SCALABLE);
  if (bitmapOnly_ && !(FT_HAS_COLOR(ft_) && FT_HAS_FIXED_SIZES(ft_))) return false;
  family_ = ft_->family_name ? ft_->family_name : "";
  style_ = ft_->style_name ? ft_->style_name : "";
  const char* ps = FT_Get_Postscript_Name(ft_);
  postScriptName_ = ps ? ps : family_;
  upem_ = ft_->units_per_EM ? ft_->units_per_EM : 1000;
  ascender_ = ft_->ascender;
  descender_ = ft_->descender;
  lineGap_ = std::max<double>(0, ft_->height - (ft_->ascender - ft_->descender));
  underlinePosition_ = ft_->underline_position;
  underlineThickness_ = ft_->underline_thickness ? ft_->underline_thickness : upem_ / 20;
  glyphCount_ = static_cast<size_t>(ft_->num_glyphs);
  italic_ = (ft_->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
  monospace_ = FT_IS_FIXED_WIDTH(ft_);
  color_ = FT_HAS_COLOR(ft_);
  weightClass_ = (ft_->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft_, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
    if (os2->usWeightClass >= 100 && os2->usWeightClass <= 1000) weightClass_ = os2->usWeightClass;
    if (os2->version >= 2) {
      capHeight_ = os2->sCapHeight;
      xHeight_ = os2->sxHeight;
    }
  }
  if (auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(ft_, FT_SFNT_POST)); post && post->isFixedPitch)
    monospace_ = true;

  hb_blob_t* blob = hb_blob_create(reinterpret_cast<const char*>(bytes_->data), static_cast<unsigned>(bytes_->size),
                                   HB_MEMORY_MODE_READONLY, nullptr, nullptr);
  hb_face_t* hface = hb_face_create(blob, static_cast<unsigned>(index_));
  hb_blob_destroy(blob);
  if (!ft_->units_per_EM) upem_ = hb_face_get_upem(hface);
  hb_ = hb_font_create(hface);
  hb_blob_t* vorg = hb_face_reference_table(hface, HB_TAG('V', 'O', 'R', 'G'));
  verticalOrigins_ = hb_blob_get_length(vorg) > 0;
  hb_blob_destroy(vorg);
  hb_face_destroy(hface);
  hb_font_set_scale(hb_, static_cast<int>(upem_), static_cast<int>(upem_));
  hb_font_make_immutable(hb_);
  if (bitmapOnly_) {
    // FreeType reports no metrics for strike-only faces; the horizontal header has them.
    hb_position_t v = 0;
    if (hb_ot_metrics_get_position(hb_, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &v)) ascender_ = v;
    if (hb_ot_metrics_get_position(hb_, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &v)) descender_ = v;
    if (hb_ot_metrics_get_position(hb_, HB_OT_METRICS_TAG_HORIZONTAL_LINE_GAP, &v)) lineGap_ = std::max(0, v);
    if (!underlineThickness_ || !ft_->underline_thickness) underlineThickness_ = upem_ / 20;
    if (ascender_ <= 0) ascender_ = upem_ * 0.95;
    if (descender_ >= 0) descender_ = -upem_ * 0.25;
  }
  coverage_.reset(new std::atomic<uint8_t>[0x10000]());

  // Fonts without OS/2 version 2 fields: measure the glyphs that define them.
  if (capHeight_ <= 0) capHeight_ = glyphBounds(glyphFor(U'H')).size.height;
  if (xHeight_ <= 0) xHeight_ = glyphBounds(glyphFor(U'x')).size.height;
  if (capHeight_ <= 0) capHeight_ = ascender_ * 0.7;
  if (xHeight_ <= 0) xHeight_ = ascender_ * 0.5;
  return true;
}

FontFace::~FontFace() {
  if (hb_) hb_font_destroy(hb_);
  if (ft_) {
    std::lock_guard lock(libraryMutex());
    FT_Done_Face(ft_);
  }
}

std::string FontFace::fullName() const {
  if (style_.empty() || style_ == "Regular" || style_ == "Book") return family_;
  return family_ + " " + style_;
}

uint32_t FontFace::glyphFor(char32_t cp) const {
  hb_codepoint_t g = 0;
  if (!hb_font_get_nominal_glyph(hb_, cp, &g)) return 0;
  return g;
}

bool FontFace::lookUpCoverage(char32_t cp) const {
  if (cp >= 0x10000) return glyphFor(cp) != 0;
  bool has = glyphFor(cp) != 0;
  coverage_[cp].store(has ? 1 : 2, std::memory_order_relaxed);
  return has;
}

double FontFace::horizontalAdvance(uint32_t glyph) const { return hb_font_get_glyph_h_advance(hb_, glyph); }

double FontFace::verticalAdvance(uint32_t glyph) const { return -hb_font_get_glyph_v_advance(hb_, glyph); }

std::optional<double> FontFace::verticalOriginHeight(uint32_t glyph) const {
  if (!verticalOrigins_) return std::nullopt;
  hb_position_t x = 0, y = 0;
  if (!hb_font_get_glyph_v_origin(hb_, glyph, &x, &y)) return std::nullopt;
  return y;
}

gfx::Rect FontFace::glyphBounds(uint32_t glyph) const {
  hb_glyph_extents_t e{};
  if (!hb_font_get_glyph_extents(hb_, glyph, &e) || e.width == 0 || e.height == 0) return gfx::RectZero;
  return gfx::RectMake(e.x_bearing, e.y_bearing + e.height, e.width, -e.height);
}

Ref<gfx::Path> FontFace::outline(uint32_t glyph) const {
  std::lock_guard lock(mutex_);
  if (auto it = outlines_.find(glyph); it != outlines_.end()) return it->second;
  OutlineSink sink{gfx::MutablePath::create()};
  if (FT_Load_Glyph(ft_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0 &&
      ft_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (emboldenStrength_ > 0) {
      auto strength = static_cast<FT_Pos>(emboldenStrength_);
      FT_Outline_EmboldenXY(&ft_->glyph->outline, strength, strength);
    }
    FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
    FT_Outline_Decompose(&ft_->glyph->outline, &funcs, &sink);
    if (sink.open) sink.path->closeSubpath();
  }
  Ref<gfx::Path> p = sink.path;
  outlines_.emplace(glyph, p);
  return p;
}

const FontFace::ColorGlyph* FontFace::colorGlyph(uint32_t glyph) const {
  if (!color_) return nullptr;
  std::lock_guard lock(mutex_);
  if (auto it = colorGlyphs_.find(glyph); it != colorGlyphs_.end()) return it->second.image ? &it->second : nullptr;
  ColorGlyph out;
  if (FT_HAS_FIXED_SIZES(ft_)) {
    // The largest strike: glyphs are scaled down from it when drawn.
    int best = 0;
    for (int i = 1; i < ft_->num_fixed_sizes; ++i)
      if (ft_->available_sizes[i].y_ppem > ft_->available_sizes[best].y_ppem) best = i;
    if (FT_Select_Size(ft_, best) == 0 && FT_Load_Glyph(ft_, glyph, FT_LOAD_COLOR) == 0 &&
        ft_->glyph->format == FT_GLYPH_FORMAT_BITMAP && ft_->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_BGRA) {
      const FT_Bitmap& bm = ft_->glyph->bitmap;
      // FreeType's BGRA is premultiplied, byte for byte Cairo's native 32-bit layout.
      cairo_surface_t* surface =
          cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(bm.width), static_cast<int>(bm.rows));
      if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(surface);
        uint8_t* dst = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (unsigned y = 0; y < bm.rows; ++y)
          std::copy_n(bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch, bm.width * 4, dst + static_cast<ptrdiff_t>(y) * stride);
        cairo_surface_mark_dirty(surface);
      }
      out.image = gfx::BitmapImage::createWithSurface(surface);
      out.left = ft_->glyph->bitmap_left;
      out.top = ft_->glyph->bitmap_top;
      out.ppem = ft_->available_sizes[best].y_ppem / 64.0;
    }
  }
  auto [it, inserted] = colorGlyphs_.emplace(glyph, std::move(out));
  return it->second.image ? &it->second : nullptr;
}

std::vector<uint32_t> FontFace::tableTags() const {
  std::lock_guard lock(mutex_);
  std::vector<uint32_t> tags;
  FT_ULong count = 0;
  if (FT_Sfnt_Table_Info(ft_, 0, nullptr, &count) != 0) return tags;
  for (FT_UInt i = 0; i < count; ++i) {
    FT_ULong tag = 0, length = 0;
    if (FT_Sfnt_Table_Info(ft_, i, &tag, &length) == 0) tags.push_back(static_cast<uint32_t>(tag));
  }
  return tags;
}

std::vector<uint8_t> FontFace::tableData(uint32_t tag) const {
  std::lock_guard lock(mutex_);
  FT_ULong length = 0;
  if (FT_Load_Sfnt_Table(ft_, tag, 0, nullptr, &length) != 0 || length == 0) return {};
  std::vector<uint8_t> out(length);
  if (FT_Load_Sfnt_Table(ft_, tag, 0, out.data(), &length) != 0) return {};
  return out;
}

bool FontFace::colorPicture(uint32_t glyph, double size, double pixelsPerPoint, gfx::GlyphPicture* out) const {
  if (!color_) return false;
  const ColorGlyph* cg = colorGlyph(glyph);
  if (!cg || !cg->image || cg->ppem <= 0) return layeredPicture(glyph, size, pixelsPerPoint, out);
  double s = size / cg->ppem;
  double w = static_cast<double>(cg->image->width()) * s, h = static_cast<double>(cg->image->height()) * s;
  // y-up: the picture's top edge sits `top` strike pixels above the baseline.
  out->image = cg->image;
  out->rect = gfx::RectMake(cg->left * s, cg->top * s - h, w, h);
  return true;
}

}  // namespace typeset
