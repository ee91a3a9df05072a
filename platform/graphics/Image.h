#pragma once
// The platform image: a bitmap (optional) seen at a scale and orientation, with a rendering
// mode, cap insets for nine-slice drawing, or a sequence of frames for animation.
#include <cstdint>
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"

namespace fd {
class Bundle;
class Data;
}

namespace gfx {

class Context;

enum class ImageOrientation : int64_t {
  Up = 0,
  Down = 1,
  Left = 2,
  Right = 3,
  UpMirrored = 4,
  DownMirrored = 5,
  LeftMirrored = 6,
  RightMirrored = 7,
};

enum class ImageRenderingMode : int64_t { Automatic = 0, AlwaysOriginal = 1, AlwaysTemplate = 2 };
enum class ImageResizingMode : int64_t { Tile = 0, Stretch = 1 };

/// True for the four orientations that swap width and height.
bool orientationSwapsAxes(ImageOrientation o);
/// The transform that maps a unit-square drawing of the stored bitmap (y down) to its
/// displayed orientation in a box of `displaySize`.
AffineTransform orientationTransform(ImageOrientation o, Size displaySize);

class Image : public rt::Object, public fd::Coding {
  RT_CLASS_NAMED(Image, rt::Object, "UIImage")
 public:
  /// An empty image (no bitmap, zero size).
  void init() {}
  /// Null when `cgImage` is null.
  bool init(Ref<BitmapImage> cgImage, double scale = 1, ImageOrientation orientation = ImageOrientation::Up);

  static Ref<Image> imageWithCGImage(const Ref<BitmapImage>& cgImage, double scale = 1,
                                     ImageOrientation orientation = ImageOrientation::Up);
  /// An image of this object's own class (subclasses included) over another bitmap.
  Ref<Image> imageOfSameClassWithCGImage(const Ref<BitmapImage>& cgImage, double scale,
                                         ImageOrientation orientation) const;
  /// Frames shown in turn over `duration` seconds; null for no frames. Size and scale are
  /// the first frame's.
  static Ref<Image> animatedImageWithImages(const std::vector<Ref<Image>>& images, double duration);

  // Decoding and resources: defined with the codecs.
  static Ref<Image> imageWithData(const Ref<fd::Data>& data);
  static Ref<Image> imageWithData(const Ref<fd::Data>& data, double scale);
  static Ref<Image> imageWithContentsOfFile(const rt::String& path);
  /// From the main bundle; null when missing.
  static Ref<Image> imageNamed(const rt::String& name);
  static Ref<Image> imageNamed(const rt::String& name, const Ref<fd::Bundle>& bundle);

  const Ref<BitmapImage>& CGImage() const { return cgImage_; }
  /// Size in points, after orientation.
  Size size() const;
  double scale() const { return scale_; }
  ImageOrientation imageOrientation() const { return orientation_; }
  /// size x scale.
  Size pixelSize() const;
  ImageRenderingMode renderingMode() const { return renderingMode_; }
  const EdgeInsets& capInsets() const { return capInsets_; }
  ImageResizingMode resizingMode() const { return resizingMode_; }
  const std::vector<Ref<Image>>& images() const { return images_; }
  double duration() const { return duration_; }

  Ref<Image> imageWithRenderingMode(ImageRenderingMode mode) const;
  Ref<Image> resizableImageWithCapInsets(const EdgeInsets& insets,
                                         ImageResizingMode mode = ImageResizingMode::Tile) const;
  Ref<Image> imageWithOrientation(ImageOrientation orientation) const;

  /// Draws into the current context (top of the image-context stack), upright in its y-down
  /// space, honouring orientation and cap insets; stretched to `rect`.
  void drawInRect(const Rect& rect) const;
  void drawInRect(const Rect& rect, int32_t blendMode, double alpha) const;
  void drawAtPoint(const Point& point) const;
  /// The same into a given context.
  void drawInRect(Context& context, const Rect& rect) const;

  rt::String description() const override;
  /// Archives the pixels with their format facts, scale, orientation, rendering mode and cap
  /// insets; animation frames are not archived.
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 protected:
  /// Copies every fact from `other` (for derived copies).
  void assignFrom(const Image& other);

 private:
  void drawBitmap(Context& context, const Rect& rect, const Rect& sourcePoints) const;
  Ref<Image> copyWith() const;
  Ref<BitmapImage> cgImage_;
  double scale_ = 1;
  ImageOrientation orientation_ = ImageOrientation::Up;
  ImageRenderingMode renderingMode_ = ImageRenderingMode::Automatic;
  EdgeInsets capInsets_;
  ImageResizingMode resizingMode_ = ImageResizingMode::Tile;
  std::vector<Ref<Image>> images_;
  double duration_ = 0;
};

}  // namespace gfx
