#include "base/graphics/Image+DUDer.h"

#include <cairo.h>

#include <cmath>
#include <cstdlib>

#include "base/graphics/Geometry+DUDer.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/Path.h"
#include "platform/graphics/PixelOps.h"

namespace base {

namespace {

constexpr double kEpsilon = 1.1920928955078125e-7;

// Draws with `draw` into a fresh image context and answers the image.
Ref<gfx::Image> render(gfx::Size size, bool opaque, double scale, const std::function<void(gfx::Context&)>& draw) {
  if (!(size.width > 0) || !(size.height > 0)) return nullptr;
  gfx::beginImageContextWithOptions(size, opaque, scale);
  auto context = gfx::currentContext();
  if (!context) {
    gfx::endImageContext();
    return nullptr;
  }
  draw(*context);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

Ref<gfx::Image> withSameScale(const gfx::Image& image, Ref<gfx::BitmapImage> bitmap) {
  return bitmap ? gfx::Image::imageWithCGImage(bitmap, image.scale(), image.imageOrientation()) : nullptr;
}

gfx::vImage_CGImageFormat argbFormat() {
  gfx::vImage_CGImageFormat f;
  f.bitmapInfo = gfx::ImageAlphaPremultipliedFirst | gfx::BitmapByteOrder32Little;
  return f;
}

}  // namespace

Ref<gfx::Image> imageWithColor(const Ref<gfx::Color>& color, gfx::Size size) {
  if (!color) return nullptr;
  return render(size, false, 0, [&](gfx::Context& c) {
    c.setFillColor(color);
    c.fillRect({{0, 0}, size});
  });
}

Ref<gfx::Image> imageWithSize(gfx::Size size, const std::function<void(gfx::Context&)>& draw) {
  if (!draw) return nullptr;
  return render(size, false, 0, draw);
}

bool hasAlphaChannel(const gfx::Image& image) {
  if (!image.CGImage()) return false;
  uint32_t alpha = image.CGImage()->bitmapInfo() & gfx::BitmapAlphaInfoMask;
  return alpha == gfx::ImageAlphaPremultipliedLast || alpha == gfx::ImageAlphaPremultipliedFirst ||
         alpha == gfx::ImageAlphaLast || alpha == gfx::ImageAlphaFirst;
}

void drawInRect(const gfx::Image& image, gfx::Rect rect, ui::ViewContentMode mode, bool clipsToBounds) {
  gfx::Rect target = DRFitRectByContentMode(rect, image.size(), mode);
  if (target.size.width == 0 || target.size.height == 0) return;
  if (!clipsToBounds) return image.drawInRect(target);
  auto context = gfx::currentContext();
  if (!context) return;
  context->saveGState();
  context->clipToRect(rect);
  image.drawInRect(target);
  context->restoreGState();
}

Ref<gfx::Image> imageByResizeToSize(const gfx::Image& image, gfx::Size size) {
  return render(size, false, image.scale(), [&](gfx::Context&) { image.drawInRect({{0, 0}, size}); });
}

Ref<gfx::Image> imageByResizeToSize(const gfx::Image& image, gfx::Size size, ui::ViewContentMode mode) {
  return render(size, false, image.scale(), [&](gfx::Context&) { drawInRect(image, {{0, 0}, size}, mode, false); });
}

Ref<gfx::Image> imageByCropToRect(const gfx::Image& image, gfx::Rect rect) {
  double s = image.scale();
  gfx::Rect pixels{{rect.origin.x * s, rect.origin.y * s}, {rect.size.width * s, rect.size.height * s}};
  if (pixels.size.width <= 0 || pixels.size.height <= 0 || !image.CGImage()) return nullptr;
  return withSameScale(image, image.CGImage()->createWithImageInRect(pixels));
}

Ref<gfx::Image> imageByInsetEdge(const gfx::Image& image, gfx::EdgeInsets in, const Ref<gfx::Color>& color) {
  gfx::Size size = image.size();
  gfx::Size out{size.width - (in.left + in.right), size.height - (in.top + in.bottom)};
  gfx::Rect imageRect{{-in.left, -in.top}, size};
  return render(out, false, image.scale(), [&](gfx::Context& c) {
    if (color) {
      auto path = gfx::MutablePath::create();
      path->addRect({{0, 0}, out});
      path->addRect(imageRect);
      c.setFillColor(color);
      c.addPath(*path);
      c.eoFillPath();
    }
    image.drawInRect(imageRect);
  });
}

Ref<gfx::Image> imageByRoundCornerRadius(const gfx::Image& image, double r, double w, const Ref<gfx::Color>& borderColor,
                                         uint32_t corners, gfx::LineJoin join) {
  gfx::Size size = image.size();
  double s = image.scale();
  return render(size, false, s, [&](gfx::Context& c) {
    gfx::Rect bounds{{0, 0}, size};
    if (!(w < std::min(size.width, size.height) * 0.5)) return;  // all border: nothing shows
    // Circular corners: the platform reads only the first of the two corner radii.
    auto clip = gfx::BezierPath::bezierPathWithRoundedRect(gfx::RectInset(bounds, w, w), corners, {r, r});
    c.saveGState();
    c.addPath(*clip->CGPath());
    c.clip();
    image.drawInRect(bounds);
    c.restoreGState();
    if (borderColor && w > 0) {
      double inset = (std::floor(s * w) + 0.5) / s;
      double radius = r > s / 2 ? r - s / 2 : 0;
      auto border = gfx::BezierPath::bezierPathWithRoundedRect(gfx::RectInset(bounds, inset, inset), corners, {radius, radius});
      c.setLineWidth(w);
      c.setLineJoin(join);
      c.setStrokeColor(borderColor);
      c.addPath(*border->CGPath());
      c.strokePath();
    }
  });
}

Ref<gfx::Image> imageByRotate(const gfx::Image& image, double radians, bool fitSize) {
  auto bitmap = image.CGImage();
  if (!bitmap) return nullptr;
  double w = static_cast<double>(bitmap->width()), h = static_cast<double>(bitmap->height());
  gfx::Size canvas{w, h};
  if (fitSize) {
    gfx::AffineTransform t = gfx::AffineTransformMakeRotation(radians);
    gfx::Rect box = gfx::RectApplyAffineTransform({{0, 0}, {w, h}}, t);
    canvas = {std::round(box.size.width), std::round(box.size.height)};
  }
  auto format = argbFormat();
  gfx::vImage_Buffer buffer;
  if (gfx::vImageBuffer_Init(&buffer, static_cast<size_t>(canvas.height), static_cast<size_t>(canvas.width), 32, 0) < 0)
    return nullptr;
  std::memset(buffer.data, 0, buffer.rowBytes * buffer.height);
  auto context = gfx::Context::createBitmap(buffer.data, buffer.width, buffer.height, 8, buffer.rowBytes,
                                            gfx::ColorSpace::deviceRGB(), format.bitmapInfo);
  if (!context) {
    std::free(buffer.data);
    return nullptr;
  }
  context->setInterpolationQuality(gfx::InterpolationQuality::High);
  context->translateCTM(canvas.width / 2, canvas.height / 2);
  context->rotateCTM(radians);
  context->drawImage({{-w / 2, -h / 2}, {w, h}}, *bitmap);
  auto out = context->makeImage();
  std::free(buffer.data);
  return withSameScale(image, out);
}

Ref<gfx::Image> imageByRotateLeft90(const gfx::Image& image) { return imageByRotate(image, M_PI / 2, true); }
Ref<gfx::Image> imageByRotateRight90(const gfx::Image& image) { return imageByRotate(image, -M_PI / 2, true); }

namespace {

Ref<gfx::Image> flip(const gfx::Image& image, bool horizontal, bool vertical) {
  auto bitmap = image.CGImage();
  if (!bitmap) return nullptr;
  auto format = argbFormat();
  gfx::vImage_Buffer buffer;
  if (gfx::vImageBuffer_InitWithCGImage(&buffer, &format, nullptr, bitmap.get(), gfx::kvImageNoFlags) != gfx::kvImageNoError)
    return nullptr;
  if (vertical) gfx::vImageVerticalReflect_ARGB8888(&buffer, &buffer, gfx::kvImageBackgroundColorFill);
  if (horizontal) gfx::vImageHorizontalReflect_ARGB8888(&buffer, &buffer, gfx::kvImageBackgroundColorFill);
  gfx::vImage_Error error = 0;
  auto out = gfx::vImageCreateCGImageFromBuffer(&buffer, &format, [](void*, void* bytes) { std::free(bytes); }, nullptr,
                                                gfx::kvImageNoAllocate, &error);
  if (!out) {
    std::free(buffer.data);
    return nullptr;
  }
  return withSameScale(image, out);
}

}  // namespace

Ref<gfx::Image> imageByRotate180(const gfx::Image& image) { return flip(image, true, true); }
Ref<gfx::Image> imageByFlipVertical(const gfx::Image& image) { return flip(image, false, true); }
Ref<gfx::Image> imageByFlipHorizontal(const gfx::Image& image) { return flip(image, true, false); }

Ref<gfx::Image> imageByTintColor(const gfx::Image& image, const Ref<gfx::Color>& color) {
  gfx::Size size = image.size();
  return render(size, false, image.scale(), [&](gfx::Context& c) {
    c.setFillColor(color);
    c.fillRect({{0, 0}, size});
    image.drawInRect({{0, 0}, size}, static_cast<int32_t>(gfx::BlendMode::DestinationIn), 1);
  });
}

Ref<gfx::Image> imageByGrayscale(const gfx::Image& image) {
  return imageByBlurRadius(image, 0, nullptr, gfx::BlendMode::Normal, 0, nullptr);
}

Ref<gfx::Image> imageByBlurSoft(const gfx::Image& image) {
  return imageByBlurRadius(image, 60, gfx::Color::colorWithWhite(0.84, 0.36), gfx::BlendMode::Normal, 1.8, nullptr);
}
Ref<gfx::Image> imageByBlurLight(const gfx::Image& image) {
  return imageByBlurRadius(image, 60, gfx::Color::colorWithWhite(1.0, 0.3), gfx::BlendMode::Normal, 1.8, nullptr);
}
Ref<gfx::Image> imageByBlurExtraLight(const gfx::Image& image) {
  return imageByBlurRadius(image, 40, gfx::Color::colorWithWhite(0.97, 0.82), gfx::BlendMode::Normal, 1.8, nullptr);
}
Ref<gfx::Image> imageByBlurDark(const gfx::Image& image) {
  return imageByBlurRadius(image, 40, gfx::Color::colorWithWhite(0.11, 0.73), gfx::BlendMode::Normal, 1.8, nullptr);
}

Ref<gfx::Image> imageByBlurWithTint(const gfx::Image& image, const Ref<gfx::Color>& tint) {
  Ref<gfx::Color> effect = tint;
  if (tint) {
    double white, r, g, b, a;
    if (tint->components().size() == 2 && tint->getWhite(&white, &a)) effect = gfx::Color::colorWithWhite(white, 0.6);
    else if (tint->getRed(&r, &g, &b, &a)) effect = gfx::Color::colorWithRed(r, g, b, 0.6);
  }
  return imageByBlurRadius(image, 20, effect, gfx::BlendMode::Normal, -1, nullptr);
}

void DRBlurBoxForRadius(double radius, uint32_t* boxSize, int* passes) {
  *passes = radius < 0.5 ? 1 : radius < 1.5 ? 2 : 3;
  if (radius - 2 < kEpsilon) radius = 2;
  auto box = static_cast<uint32_t>(std::floor((radius * 3 * std::sqrt(2 * M_PI) / 4 + 0.5) / 2));
  *boxSize = box | 1;
}

Ref<gfx::Image> imageByBlurRadius(const gfx::Image& image, double radius, const Ref<gfx::Color>& tint,
                                  gfx::BlendMode tintMode, double saturation, const Ref<gfx::Image>& mask) {
  gfx::Size size = image.size();
  if (size.width < 1 || size.height < 1) {
    fd::NSLog("UIImage+DUDer error: invalid size: (%.2f x %.2f). Both dimensions must be >= 1: %@", size.width,
              size.height, image.description());
    return nullptr;
  }
  if (!image.CGImage()) {
    fd::NSLog("UIImage+DUDer error: inputImage must be backed by a CGImage: %@", image.description());
    return nullptr;
  }
  if (mask && !mask->CGImage()) {
    fd::NSLog("UIImage+DUDer error: effectMaskImage must be backed by a CGImage: %@", mask->description());
    return nullptr;
  }
  bool blur = radius > kEpsilon, saturate = std::fabs(saturation - 1) > kEpsilon;
  Ref<gfx::BitmapImage> effect = image.CGImage();
  if (blur || saturate) {
    auto format = argbFormat();
    gfx::vImage_Buffer a, b;
    gfx::vImage_Error error =
        gfx::vImageBuffer_InitWithCGImage(&a, &format, nullptr, image.CGImage().get(), gfx::kvImagePrintDiagnosticsToConsole);
    if (error != gfx::kvImageNoError) {
      fd::NSLog("UIImage+DUDer error: vImageBuffer_InitWithCGImage returned error code %zi for inputImage: %@",
                static_cast<ssize_t>(error), image.description());
      return nullptr;
    }
    error = gfx::vImageBuffer_Init(&b, a.height, a.width, 32, gfx::kvImageNoFlags);
    if (error < 0) {
      std::free(a.data);
      fd::NSLog("UIImage+DUDer error: vImageBuffer_Init returned error code %zi for inputImage: %@",
                static_cast<ssize_t>(error), image.description());
      return nullptr;
    }
    gfx::vImage_Buffer* input = &a;
    gfx::vImage_Buffer* output = &b;
    if (blur) {
      uint32_t box;
      int passes;
      DRBlurBoxForRadius(radius * image.scale(), &box, &passes);
      gfx::vImage_Error tempSize = gfx::vImageBoxConvolve_ARGB8888(input, output, nullptr, 0, 0, box, box, nullptr,
                                                                   gfx::kvImageEdgeExtend | gfx::kvImageGetTempBufferSize);
      void* temp = tempSize > 0 ? std::malloc(static_cast<size_t>(tempSize)) : nullptr;
      for (int i = 0; i < passes; ++i) {
        gfx::vImageBoxConvolve_ARGB8888(input, output, temp, 0, 0, box, box, nullptr, gfx::kvImageEdgeExtend);
        std::swap(input, output);
      }
      std::free(temp);
    }
    if (saturate) {
      double s = saturation;
      double m[16] = {0.0722 + 0.9278 * s, 0.0722 - 0.0722 * s, 0.0722 - 0.0722 * s, 0,
                      0.7152 - 0.7152 * s, 0.7152 + 0.2848 * s, 0.7152 - 0.7152 * s, 0,
                      0.2126 - 0.2126 * s, 0.2126 - 0.2126 * s, 0.2126 + 0.7873 * s, 0,
                      0,                   0,                   0,                   1};
      int16_t matrix[16];
      for (int i = 0; i < 16; ++i) matrix[i] = static_cast<int16_t>(std::lround(static_cast<float>(m[i] * 256)));
      gfx::vImageMatrixMultiply_ARGB8888(input, output, matrix, 256, nullptr, nullptr, gfx::kvImageNoFlags);
      std::swap(input, output);
    }
    gfx::vImage_Error made = 0;
    effect = gfx::vImageCreateCGImageFromBuffer(input, &format, [](void*, void* bytes) { std::free(bytes); }, nullptr,
                                                gfx::kvImageNoAllocate, &made);
    if (!effect) {
      std::free(input->data);
      std::free(output->data);
      return nullptr;
    }
    std::free(output->data);
  }
  bool hasTint = tint && tint->alpha() > kEpsilon;
  if (!hasTint && !mask) return gfx::Image::imageWithCGImage(effect, 1);
  return render(size, false, image.scale(), [&](gfx::Context& c) {
    gfx::Rect bounds{{0, 0}, size};
    auto drawEffect = [&] {
      c.drawImage(bounds, *effect);
      if (hasTint) {
        c.saveGState();
        c.setBlendMode(tintMode);
        c.setFillColor(tint);
        c.fillRect(bounds);
        c.restoreGState();
      }
    };
    if (!mask) return drawEffect();
    // Outside the mask the untouched picture; inside it the effect, through the mask's alpha.
    image.drawInRect(bounds);
    cairo_t* cr = c.cairo();
    cairo_push_group(cr);
    drawEffect();
    cairo_pattern_t* group = cairo_pop_group(cr);
    cairo_save(cr);
    cairo_set_source(cr, group);
    const gfx::BitmapImage& m = *mask->CGImage();
    cairo_scale(cr, size.width / static_cast<double>(m.width()), size.height / static_cast<double>(m.height()));
    cairo_mask_surface(cr, m.cairoSurface(), 0, 0);
    cairo_restore(cr);
    cairo_pattern_destroy(group);
  });
}

}  // namespace base
