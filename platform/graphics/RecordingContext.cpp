#include "platform/graphics/RecordingContext.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>

namespace gfx {

RT_IMPLEMENT_PLATFORM(RecordingContext) {}

std::string DrawCommand::text() const {
  std::string s = name;
  char buf[32];
  for (double a : args) {
    std::snprintf(buf, sizeof buf, " %g", a);
    s += buf;
  }
  return s;
}

Ref<RecordingContext> RecordingContext::create(Size size, double scale) {
  if (!(scale > 0)) scale = 1;
  if (!(size.width > 0) || !(size.height > 0)) return nullptr;
  double pw = std::ceil(size.width * scale - 1e-9), ph = std::ceil(size.height * scale - 1e-9);
  if (pw > 32767 || ph > 32767) return nullptr;
  auto ctx = rt::make<RecordingContext>();
  ctx->kind_ = Kind::Recording;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(pw), static_cast<int>(ph));
  ctx->format_.width = static_cast<size_t>(pw);
  ctx->format_.height = static_cast<size_t>(ph);
  ctx->format_.bytesPerRow = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  ctx->format_.colorSpace = ColorSpace::deviceRGB();
  ctx->data_ = cairo_image_surface_get_data(surface);
  if (!ctx->setUpSurface(surface, ph, true, scale)) return nullptr;
  return ctx;
}

std::vector<std::string> RecordingContext::names() const {
  std::vector<std::string> out;
  for (const auto& c : commands_) out.push_back(c.name);
  return out;
}

size_t RecordingContext::count(const std::string& name) const {
  size_t n = 0;
  for (const auto& c : commands_) n += c.name == name;
  return n;
}

void RecordingContext::note(const char* name, std::initializer_list<double> args) {
  commands_.push_back({name, std::vector<double>(args), {}, {}, {}});
}

void RecordingContext::noteGlyphs(const char* name, std::initializer_list<double> args, const std::string& font,
                                  const uint16_t* glyphs, const Point* positions, size_t count) {
  DrawCommand c{name, std::vector<double>(args), font, {}, {}};
  if (count) {
    c.glyphs.assign(glyphs, glyphs + count);
    c.positions.assign(positions, positions + count);
  }
  commands_.push_back(std::move(c));
}

}  // namespace gfx
