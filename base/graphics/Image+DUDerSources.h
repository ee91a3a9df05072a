#pragma once
// Images made from other things: every frame of a small GIF held in memory, the first page of
// a PDF document, an emoji, and a string's outline as a vector path. Any thread.
#include "platform/foundation/values/Data.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Image.h"
#include "platform/typeset/Font.h"

namespace base {

using rt::String;

/// The limits of imageWithSmallGIFData: frames of the animated image (repetitions included)
/// and bytes of decoded pixels (four a pixel, over every distinct frame).
inline constexpr size_t kDRSmallGIFMaxFrames = 4096;
inline constexpr size_t kDRSmallGIFMaxDecodedBytes = size_t{128} << 20;

/// An animated image of every frame, each repeated in proportion to its delay (50 steps a
/// second); a single frame gives the plain image. Null when anything cannot be decoded, and
/// when the GIF would go beyond either limit above.
Ref<gfx::Image> imageWithSmallGIFData(const Ref<fd::Data>& data, double scale);
/// At least 16 bytes, "GIF" first, and more than one frame.
bool isAnimatedGIFData(const Ref<fd::Data>& data);
/// The file's first bytes say GIF (frames are not counted).
bool isAnimatedGIFFile(const String& path);

/// The first page of a PDF (its bytes, or a file path or "file:" URL) at its crop-box size
/// and the screen's scale; null when there is no document or no page.
Ref<gfx::Image> imageWithPDF(const Ref<fd::Data>& data);
Ref<gfx::Image> imageWithPDF(const String& pathOrURL);
/// The same page, unscaled, on a canvas of `size` points.
Ref<gfx::Image> imageWithPDF(const Ref<fd::Data>& data, gfx::Size size);
Ref<gfx::Image> imageWithPDF(const String& pathOrURL, gfx::Size size);

/// The emoji drawn in a square of `size` points at the screen's scale, in the colour-emoji
/// face; null for text without emoji or a size below 1.
Ref<gfx::Image> imageWithEmoji(const String& emoji, double size);

/// The text set on one line in `font`, as outlines with the origin at the line's top left;
/// null without a font or without a line.
Ref<gfx::BezierPath> bezierPathWithText(const String& text, const Ref<typeset::Font>& font);

}  // namespace base
