#include "platform/graphics/Bitmap.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/PixelLayout.h"

namespace gfx {

RT_IMPLEMENT_PLATFORM(BitmapImage) {}

bool PixelFormat::isNative() const {
  return bitsPerComponent == 8 && bitsPerPixel == 32 && bytesPerRow % 4 == 0 && bytesPerRow >= width * 4 &&
         colorSpace && colorSpace->model() == ColorSpaceModel::RGB &&
         (bitmapInfo == BitmapInfoNativePremultiplied || bitmapInfo == BitmapInfoNativeOpaque);
}

size_t chosenBytesPerRow(size_t width, size_t bitsPerPixel) {
  size_t raw = (width * bitsPerPixel + 7) / 8;
  return (raw + 31) / 32 * 32;
}

BitmapImage::~BitmapImage() {
  if (surface_) cairo_surface_destroy(surface_);
}

Ref<BitmapImage> BitmapImage::createNative(size_t width, size_t height, bool opaque) {
  if (width == 0 || height == 0 || width > 32767 || height > 32767) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                                  static_cast<int>(width), static_cast<int>(height));
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  if (opaque) {
    // Opaque pixels carry 0xFF in the skipped byte, as readers of the bytes expect.
    cairo_surface_flush(s);
    uint8_t* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (size_t y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
      for (size_t x = 0; x < width; ++x) row[x] = 0xFF000000u;
    }
    cairo_surface_mark_dirty(s);
  }
  return createWithSurface(s);
}

Ref<BitmapImage> BitmapImage::createWithSurface(cairo_surface_t* surface) {
  if (!surface) return nullptr;
  cairo_format_t fmt = cairo_image_surface_get_format(surface);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      (fmt != CAIRO_FORMAT_ARGB32 && fmt != CAIRO_FORMAT_RGB24) || cairo_image_surface_get_width(surface) <= 0 ||
      cairo_image_surface_get_height(surface) <= 0) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  auto img = rt::make<BitmapImage>();
  img->format_.width = static_cast<size_t>(cairo_image_surface_get_width(surface));
  img->format_.height = static_cast<size_t>(cairo_image_surface_get_height(surface));
  img->format_.bytesPerRow = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  img->format_.bitmapInfo = fmt == CAIRO_FORMAT_ARGB32 ? BitmapInfoNativePremultiplied : BitmapInfoNativeOpaque;
  img->format_.colorSpace = ColorSpace::deviceRGB();
  img->bytes_ = cairo_image_surface_get_data(surface);
  img->owner_ = std::shared_ptr<const void>(surface, [](const void*) {});
  std::call_once(img->surfaceOnce_, [&] { img->surface_ = surface; });
  return img;
}

Ref<BitmapImage> BitmapImage::create(const PixelFormat& format, Ref<fd::Data> data, bool shouldInterpolate) {
  if (!data || !describeLayout(format, nullptr)) return nullptr;
  if (data->length() < format.bytesPerRow * format.height) return nullptr;
  auto img = rt::make<BitmapImage>();
  img->format_ = format;
  img->bytes_ = data->bytes();
  img->owner_ = std::move(data);
  img->interpolate_ = shouldInterpolate;
  return img;
}

Ref<BitmapImage> BitmapImage::createWithBytesNoCopy(const PixelFormat& format, const void* bytes,
                                                    std::function<void(const void*)> release, bool shouldInterpolate) {
  if (!bytes || !describeLayout(format, nullptr)) {
    if (bytes && release) release(bytes);
    return nullptr;
  }
  auto img = rt::make<BitmapImage>();
  img->format_ = format;
  img->bytes_ = static_cast<const uint8_t*>(bytes);
  if (release) img->owner_ = std::shared_ptr<const void>(bytes, [r = std::move(release)](const void* p) { r(p); });
  img->interpolate_ = shouldInterpolate;
  return img;
}

Ref<BitmapImage> BitmapImage::createCopying(const PixelFormat& format, const void* bytes) {
  if (!bytes) return nullptr;
  auto* p = static_cast<const uint8_t*>(bytes);
  return create(format, fd::Data::create(std::vector<uint8_t>(p, p + format.bytesPerRow * format.height)));
}

bool BitmapImage::isOpaque() const {
  uint32_t a = alphaInfo();
  return a == ImageAlphaNone || a == ImageAlphaNoneSkipFirst || a == ImageAlphaNoneSkipLast;
}

Ref<fd::Data> BitmapImage::copyData() const { return fd::Data::create(bytes_, byteLength()); }

cairo_surface_t* BitmapImage::cairoSurface() const {
  std::call_once(surfaceOnce_, [this] {
    int w = static_cast<int>(format_.width), h = static_cast<int>(format_.height);
    if (format_.isNative()) {
      cairo_format_t fmt = format_.bitmapInfo == BitmapInfoNativeOpaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
      surface_ = cairo_image_surface_create_for_data(const_cast<uint8_t*>(bytes_), fmt, w, h,
                                                     static_cast<int>(format_.bytesPerRow));
      return;
    }
    PixelLayout layout;
    describeLayout(format_, &layout);
    size_t stride = format_.width * 4;
    converted_.resize(stride * format_.height);
    for (size_t y = 0; y < format_.height; ++y)
      rowToNative(layout, bytes_ + y * format_.bytesPerRow, reinterpret_cast<uint32_t*>(converted_.data() + y * stride),
                  format_.width);
    surface_ = cairo_image_surface_create_for_data(converted_.data(), CAIRO_FORMAT_ARGB32, w, h, static_cast<int>(stride));
  });
  return surface_;
}

uint32_t BitmapImage::pixel(size_t x, size_t y) const {
  if (x >= format_.width || y >= format_.height) return 0;
  cairo_surface_t* s = cairoSurface();
  const uint8_t* data = cairo_image_surface_get_data(s);
  uint32_t p = reinterpret_cast<const uint32_t*>(data + y * static_cast<size_t>(cairo_image_surface_get_stride(s)))[x];
  if (cairo_image_surface_get_format(s) == CAIRO_FORMAT_RGB24) p |= 0xFF000000u;
  return p;
}

Ref<BitmapImage> BitmapImage::createWithImageInRect(const Rect& rect) const {
  Rect r = RectIntersection(RectIntegral(rect), RectMake(0, 0, static_cast<double>(format_.width),
                                                              static_cast<double>(format_.height)));
  if (RectIsEmpty(r)) return nullptr;
  if (format_.bitsPerPixel % 8) return nullptr;
  size_t x0 = static_cast<size_t>(r.origin.x), y0 = static_cast<size_t>(r.origin.y);
  size_t w = static_cast<size_t>(r.size.width), h = static_cast<size_t>(r.size.height);
  size_t bpp = format_.bitsPerPixel / 8;
  PixelFormat f = format_;
  f.width = w;
  f.height = h;
  f.bytesPerRow = format_.isNative() ? w * 4 : w * bpp;
  std::vector<uint8_t> out(f.bytesPerRow * h);
  for (size_t y = 0; y < h; ++y)
    std::memcpy(out.data() + y * f.bytesPerRow, bytes_ + (y0 + y) * format_.bytesPerRow + x0 * bpp, w * bpp);
  return create(f, fd::Data::create(std::move(out)), interpolate_);
}

Ref<BitmapImage> BitmapImage::nativeCopy() const {
  if (format_.isNative()) return std::static_pointer_cast<BitmapImage>(std::const_pointer_cast<rt::Object>(self()));
  auto out = createNative(format_.width, format_.height, isOpaque());
  if (!out) return nullptr;
  cairo_surface_t* src = cairoSurface();
  const uint8_t* s = cairo_image_surface_get_data(src);
  size_t ss = static_cast<size_t>(cairo_image_surface_get_stride(src));
  for (size_t y = 0; y < format_.height; ++y)
    std::memcpy(const_cast<uint8_t*>(out->bytes_) + y * out->format_.bytesPerRow, s + y * ss, format_.width * 4);
  cairo_surface_mark_dirty(out->surface_);
  out->interpolate_ = interpolate_;
  return out;
}

rt::String BitmapImage::description() const {
  char buf[160];
  std::snprintf(buf, sizeof buf, "<CGImage %p> (%zu x %zu, %zu bpc, %zu bpp, %zu bytes/row, info 0x%x)",
                static_cast<const void*>(this), format_.width, format_.height, format_.bitsPerComponent,
                format_.bitsPerPixel, format_.bytesPerRow, format_.bitmapInfo);
  return rt::String(buf);
}

}  // namespace gfx
