#include "platform/graphics/Image.h"

#include <cstdio>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"

#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"

namespace gfx {

RT_IMPLEMENT_PLATFORM(Image) {
  c.property("size", &Image::size);
  c.property("scale", &Image::scale);
  c.property("duration", &Image::duration);
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

bool orientationSwapsAxes(ImageOrientation o) {
  return o == ImageOrientation::Left || o == ImageOrientation::Right || o == ImageOrientation::LeftMirrored ||
         o == ImageOrientation::RightMirrored;
}

AffineTransform orientationTransform(ImageOrientation o, Size display) {
  AffineTransform unit;
  switch (o) {
    case ImageOrientation::Up: unit = {1, 0, 0, 1, 0, 0}; break;
    case ImageOrientation::Down: unit = {-1, 0, 0, -1, 1, 1}; break;
    case ImageOrientation::Left: unit = {0, -1, 1, 0, 0, 1}; break;
    case ImageOrientation::Right: unit = {0, 1, -1, 0, 1, 0}; break;
    case ImageOrientation::UpMirrored: unit = {-1, 0, 0, 1, 1, 0}; break;
    case ImageOrientation::DownMirrored: unit = {1, 0, 0, -1, 0, 1}; break;
    case ImageOrientation::LeftMirrored: unit = {0, 1, 1, 0, 0, 0}; break;
    case ImageOrientation::RightMirrored: unit = {0, -1, -1, 0, 1, 1}; break;
  }
  return AffineTransformConcat(unit, AffineTransformMakeScale(display.width, display.height));
}

bool Image::init(Ref<BitmapImage> cgImage, double scale, ImageOrientation orientation) {
  if (!cgImage) return false;
  cgImage_ = std::move(cgImage);
  scale_ = scale > 0 ? scale : 1;
  orientation_ = orientation;
  return true;
}

Ref<Image> Image::imageWithCGImage(const Ref<BitmapImage>& cgImage, double scale, ImageOrientation orientation) {
  return rt::make<Image>(cgImage, scale, orientation);
}

Ref<Image> Image::imageOfSameClassWithCGImage(const Ref<BitmapImage>& cgImage, double scale,
                                              ImageOrientation orientation) const {
  if (!cgImage) return nullptr;
  auto img = rt::as<Image>(getClass()->createInstance());
  if (!img) img = rt::make<Image>();
  img->cgImage_ = cgImage;
  img->scale_ = scale > 0 ? scale : 1;
  img->orientation_ = orientation;
  return img;
}

Ref<Image> Image::animatedImageWithImages(const std::vector<Ref<Image>>& images, double duration) {
  std::vector<Ref<Image>> frames;
  for (const auto& i : images)
    if (i) frames.push_back(i);
  if (frames.empty()) return nullptr;
  auto img = rt::make<Image>();
  img->images_ = frames;
  img->duration_ = duration;
  img->cgImage_ = frames[0]->cgImage_;
  img->scale_ = frames[0]->scale_;
  img->orientation_ = frames[0]->orientation_;
  return img;
}

Size Image::size() const {
  if (!cgImage_) return SizeZero;
  Size s{static_cast<double>(cgImage_->width()) / scale_, static_cast<double>(cgImage_->height()) / scale_};
  if (orientationSwapsAxes(orientation_)) std::swap(s.width, s.height);
  return s;
}

Size Image::pixelSize() const {
  Size s = size();
  return {s.width * scale_, s.height * scale_};
}

void Image::assignFrom(const Image& o) {
  cgImage_ = o.cgImage_;
  scale_ = o.scale_;
  orientation_ = o.orientation_;
  renderingMode_ = o.renderingMode_;
  capInsets_ = o.capInsets_;
  resizingMode_ = o.resizingMode_;
  images_ = o.images_;
  duration_ = o.duration_;
}

Ref<Image> Image::copyWith() const {
  auto img = rt::as<Image>(getClass()->createInstance());
  if (!img) img = rt::make<Image>();
  img->assignFrom(*this);
  return img;
}

Ref<Image> Image::imageWithRenderingMode(ImageRenderingMode mode) const {
  auto img = copyWith();
  img->renderingMode_ = mode;
  return img;
}

Ref<Image> Image::resizableImageWithCapInsets(const EdgeInsets& insets, ImageResizingMode mode) const {
  auto img = copyWith();
  img->capInsets_ = insets;
  img->resizingMode_ = mode;
  return img;
}

Ref<Image> Image::imageWithOrientation(ImageOrientation orientation) const {
  auto img = copyWith();
  img->orientation_ = orientation;
  return img;
}

void Image::drawBitmap(Context& context, const Rect& rect, const Rect& source) const {
  // `source` is in display points of the upright image; map it through the orientation to
  // the stored pixels.
  Size display = size();
  double W = static_cast<double>(cgImage_->width()), H = static_cast<double>(cgImage_->height());
  AffineTransform pixelToDisplay =
      AffineTransformConcat(AffineTransformMakeScale(1 / W, 1 / H), orientationTransform(orientation_, display));
  AffineTransform displayToUser{rect.size.width / source.size.width, 0, 0, rect.size.height / source.size.height,
                                rect.origin.x - source.origin.x * rect.size.width / source.size.width,
                                rect.origin.y - source.origin.y * rect.size.height / source.size.height};
  Rect sourcePixels = RectApplyAffineTransform(source, AffineTransformInvert(pixelToDisplay));
  context.drawBitmap(*cgImage_, sourcePixels, AffineTransformConcat(pixelToDisplay, displayToUser));
}

void Image::drawInRect(Context& context, const Rect& rect) const {
  if (!cgImage_ || RectIsEmpty(rect)) return;
  Rect r = RectStandardize(rect);
  Size s = size();
  const EdgeInsets& e = capInsets_;
  bool sliced = (e.top > 0 || e.left > 0 || e.bottom > 0 || e.right > 0) && !(r.size == s);
  if (!sliced) return drawBitmap(context, r, RectMake(0, 0, s.width, s.height));
  // Nine slices: corners keep their size; edges and centre stretch or tile to fill.
  double sx[4] = {0, e.left, s.width - e.right, s.width};
  double sy[4] = {0, e.top, s.height - e.bottom, s.height};
  double dx[4] = {r.origin.x, r.origin.x + e.left, r.origin.x + r.size.width - e.right, r.origin.x + r.size.width};
  double dy[4] = {r.origin.y, r.origin.y + e.top, r.origin.y + r.size.height - e.bottom, r.origin.y + r.size.height};
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) {
      Rect src = RectMake(sx[i], sy[j], sx[i + 1] - sx[i], sy[j + 1] - sy[j]);
      Rect dst = RectMake(dx[i], dy[j], dx[i + 1] - dx[i], dy[j + 1] - dy[j]);
      if (src.size.width <= 0 || src.size.height <= 0 || dst.size.width <= 0 || dst.size.height <= 0) continue;
      bool stretched = dst.size.width != src.size.width || dst.size.height != src.size.height;
      if (resizingMode_ == ImageResizingMode::Stretch || !stretched) {
        drawBitmap(context, dst, src);
        continue;
      }
      // Tiles at their own size from the slice's top left, cut at its far edges.
      context.saveGState();
      context.clipToRect(dst);
      for (double y = dst.origin.y; y < RectGetMaxY(dst); y += src.size.height)
        for (double x = dst.origin.x; x < RectGetMaxX(dst); x += src.size.width)
          drawBitmap(context, RectMake(x, y, src.size.width, src.size.height), src);
      context.restoreGState();
    }
}

void Image::drawInRect(const Rect& rect) const {
  if (auto c = currentContext()) drawInRect(*c, rect);
}

void Image::drawInRect(const Rect& rect, int32_t blendMode, double alpha) const {
  auto c = currentContext();
  if (!c) return;
  c->saveGState();
  c->setBlendMode(static_cast<BlendMode>(blendMode));
  c->setAlpha(alpha);
  drawInRect(*c, rect);
  c->restoreGState();
}

void Image::drawAtPoint(const Point& point) const {
  Size s = size();
  drawInRect(RectMake(point.x, point.y, s.width, s.height));
}

rt::String Image::description() const {
  Size s = size();
  char buf[128];
  std::snprintf(buf, sizeof buf, "<UIImage:%p anonymous {%g, %g} renderingMode=%d>", static_cast<const void*>(this),
                s.width, s.height, static_cast<int>(renderingMode_));
  return rt::String(buf);
}

void Image::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeDouble(scale_, "scale");
  coder.encodeInt64(static_cast<int64_t>(orientation_), "orientation");
  coder.encodeInt64(static_cast<int64_t>(renderingMode_), "renderingMode");
  coder.encodeStruct(capInsets_, "capInsets");
  coder.encodeInt64(static_cast<int64_t>(resizingMode_), "resizingMode");
  if (!cgImage_) return;
  const PixelFormat& f = cgImage_->format();
  coder.encodeInt64(static_cast<int64_t>(f.width), "width");
  coder.encodeInt64(static_cast<int64_t>(f.height), "height");
  coder.encodeInt64(static_cast<int64_t>(f.bitsPerComponent), "bitsPerComponent");
  coder.encodeInt64(static_cast<int64_t>(f.bitsPerPixel), "bitsPerPixel");
  coder.encodeInt64(static_cast<int64_t>(f.bytesPerRow), "bytesPerRow");
  coder.encodeInt64(f.bitmapInfo, "bitmapInfo");
  coder.encodeInt32(f.colorSpace ? static_cast<int32_t>(f.colorSpace->model()) : -1, "colorModel");
  coder.encodeBytes(cgImage_->bytes(), cgImage_->byteLength(), "pixels");
}

bool Image::initWithCoder(fd::KeyedUnarchiver& coder) {
  double scale = coder.decodeDouble("scale");
  int64_t orientation = coder.decodeInt64("orientation"), mode = coder.decodeInt64("renderingMode");
  int64_t resizing = coder.decodeInt64("resizingMode");
  if (orientation < 0 || orientation > 7 || mode < 0 || mode > 2 || resizing < 0 || resizing > 1) return false;
  scale_ = scale > 0 ? scale : 1;
  orientation_ = static_cast<ImageOrientation>(orientation);
  renderingMode_ = static_cast<ImageRenderingMode>(mode);
  resizingMode_ = static_cast<ImageResizingMode>(resizing);
  coder.decodeStruct("capInsets", capInsets_);
  if (!coder.containsValueForKey("pixels")) return true;  // an empty image
  PixelFormat f;
  int64_t w = coder.decodeInt64("width"), h = coder.decodeInt64("height");
  int64_t bpc = coder.decodeInt64("bitsPerComponent"), bpp = coder.decodeInt64("bitsPerPixel");
  int64_t bpr = coder.decodeInt64("bytesPerRow");
  if (w <= 0 || h <= 0 || bpc <= 0 || bpp <= 0 || bpr <= 0 || w > 32767 || h > 32767 || bpr > (int64_t(1) << 20))
    return false;
  f.width = size_t(w), f.height = size_t(h), f.bitsPerComponent = size_t(bpc), f.bitsPerPixel = size_t(bpp);
  f.bytesPerRow = size_t(bpr);
  f.bitmapInfo = static_cast<uint32_t>(coder.decodeInt64("bitmapInfo"));
  switch (static_cast<ColorSpaceModel>(coder.decodeInt32("colorModel"))) {
    case ColorSpaceModel::RGB: f.colorSpace = ColorSpace::deviceRGB(); break;
    case ColorSpaceModel::Monochrome: f.colorSpace = ColorSpace::deviceGray(); break;
    case ColorSpaceModel::CMYK: f.colorSpace = ColorSpace::deviceCMYK(); break;
    default: break;
  }
  cgImage_ = BitmapImage::create(f, fd::Data::create(coder.decodeBytes("pixels")));
  return cgImage_ != nullptr;
}

}  // namespace gfx
