#pragma once
// Images made from a colour or a drawing block; drawing by content mode; resizing, cropping,
// insetting, rounding corners, rotating and flipping; tinting, greyscale and the blur family
// with tint, saturation and mask. Every operation answers null rather than raising.
#include <functional>

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/ui/view/View.h"

namespace base {

Ref<gfx::Image> imageWithColor(const Ref<gfx::Color>& color, gfx::Size size = {1, 1});
Ref<gfx::Image> imageWithSize(gfx::Size size, const std::function<void(gfx::Context&)>& draw);
bool hasAlphaChannel(const gfx::Image& image);
void drawInRect(const gfx::Image& image, gfx::Rect rect, ui::ViewContentMode mode, bool clipsToBounds);

Ref<gfx::Image> imageByResizeToSize(const gfx::Image& image, gfx::Size size);
Ref<gfx::Image> imageByResizeToSize(const gfx::Image& image, gfx::Size size, ui::ViewContentMode mode);
/// The part inside `rect` (points).
Ref<gfx::Image> imageByCropToRect(const gfx::Image& image, gfx::Rect rect);
/// Inset by the edges; negative insets make a frame filled with `color`.
Ref<gfx::Image> imageByInsetEdge(const gfx::Image& image, gfx::EdgeInsets insets, const Ref<gfx::Color>& color);
Ref<gfx::Image> imageByRoundCornerRadius(const gfx::Image& image, double radius, double borderWidth = 0,
                                         const Ref<gfx::Color>& borderColor = nullptr,
                                         uint32_t corners = ~0u, gfx::LineJoin join = gfx::LineJoin::Miter);
/// Rotated by `radians`; `fitSize` grows the canvas to hold the whole rotated picture.
Ref<gfx::Image> imageByRotate(const gfx::Image& image, double radians, bool fitSize);
Ref<gfx::Image> imageByRotateLeft90(const gfx::Image& image);
Ref<gfx::Image> imageByRotateRight90(const gfx::Image& image);
Ref<gfx::Image> imageByRotate180(const gfx::Image& image);
Ref<gfx::Image> imageByFlipVertical(const gfx::Image& image);
Ref<gfx::Image> imageByFlipHorizontal(const gfx::Image& image);
/// The colour where the image is opaque.
Ref<gfx::Image> imageByTintColor(const gfx::Image& image, const Ref<gfx::Color>& color);
Ref<gfx::Image> imageByGrayscale(const gfx::Image& image);
Ref<gfx::Image> imageByBlurSoft(const gfx::Image& image);
Ref<gfx::Image> imageByBlurLight(const gfx::Image& image);
Ref<gfx::Image> imageByBlurExtraLight(const gfx::Image& image);
Ref<gfx::Image> imageByBlurDark(const gfx::Image& image);
Ref<gfx::Image> imageByBlurWithTint(const gfx::Image& image, const Ref<gfx::Color>& tint);
/// Box blur of `radius` points (three passes approximate a Gaussian), then saturation, then
/// tint in `tintMode`; inside `mask` only, when given.
Ref<gfx::Image> imageByBlurRadius(const gfx::Image& image, double radius, const Ref<gfx::Color>& tint,
                                  gfx::BlendMode tintMode, double saturation, const Ref<gfx::Image>& mask);
/// The box size and pass count the blur uses for `radius` pixels.
void DRBlurBoxForRadius(double radiusPixels, uint32_t* boxSize, int* passes);

}  // namespace base
