#pragma once
// Pixel operations on 8-bit, four-channel buffers with the platform's vImage names, flags and
// error codes: buffer set-up to and from bitmaps, any-to-any format conversion, premultiply
// and unpremultiply, channel permutes, box convolution, affine warps, reflections and colour
// matrices. Plain loops the compiler vectorises.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Geometry.h"

namespace gfx {

struct vImage_Buffer {
  void* data = nullptr;
  size_t height = 0;
  size_t width = 0;
  size_t rowBytes = 0;
};

using vImage_Error = int64_t;
using vImage_Flags = uint32_t;
using Pixel_8888 = uint8_t[4];

enum : vImage_Error {
  kvImageNoError = 0,
  kvImageRoiLargerThanInputBuffer = -21766,
  kvImageInvalidKernelSize = -21767,
  kvImageInvalidEdgeStyle = -21768,
  kvImageInvalidOffset_X = -21769,
  kvImageInvalidOffset_Y = -21770,
  kvImageMemoryAllocationError = -21771,
  kvImageNullPointerArgument = -21772,
  kvImageInvalidParameter = -21773,
  kvImageBufferSizeMismatch = -21774,
  kvImageUnknownFlagsBit = -21775,
  kvImageInvalidImageFormat = -21778,
};

enum : vImage_Flags {
  kvImageNoFlags = 0,
  kvImageLeaveAlphaUnchanged = 1,
  kvImageCopyInPlace = 2,
  kvImageBackgroundColorFill = 4,
  kvImageEdgeExtend = 8,
  kvImageDoNotTile = 16,
  kvImageHighQualityResampling = 32,
  kvImageTruncateKernel = 64,
  kvImageGetTempBufferSize = 128,
  kvImagePrintDiagnosticsToConsole = 256,
  kvImageNoAllocate = 512,
};

/// The pixel format a buffer holds, described as a bitmap would be.
struct vImage_CGImageFormat {
  uint32_t bitsPerComponent = 8;
  uint32_t bitsPerPixel = 32;
  Ref<ColorSpace> colorSpace;  // null: device RGB
  uint32_t bitmapInfo = BitmapInfoNativePremultiplied;
  uint32_t version = 0;
  const double* decode = nullptr;
  int32_t renderingIntent = 0;
};

/// Sizes `buffer` for width x height pixels of `bitsPerPixel`, rows rounded up to 32 bytes,
/// and allocates it with malloc (free() releases it) unless kvImageNoAllocate. Answers the
/// alignment the rows get (32) on success, or an error.
vImage_Error vImageBuffer_Init(vImage_Buffer* buffer, size_t height, size_t width, uint32_t bitsPerPixel,
                               vImage_Flags flags);
/// Allocates `buffer` and fills it with `image` converted to `format`.
vImage_Error vImageBuffer_InitWithCGImage(vImage_Buffer* buffer, vImage_CGImageFormat* format,
                                          const double* backgroundColor, const BitmapImage* image, vImage_Flags flags);
/// A bitmap over the buffer's bytes without copying them; `release` (if any) runs with
/// `userData` and the bytes when the image goes away. kvImageNoAllocate is implied.
Ref<BitmapImage> vImageCreateCGImageFromBuffer(const vImage_Buffer* buffer, const vImage_CGImageFormat* format,
                                               std::function<void(void* userData, void* bytes)> release,
                                               void* userData, vImage_Flags flags, vImage_Error* error);

/// Converts between two 8-bit layouts (alpha position, premultiplication, byte order, grey or
/// RGB), as a converter made for the two formats does.
class vImageConverter : public rt::Object {
  RT_CLASS_NAMED(vImageConverter, rt::Object, "vImageConverter")
 public:
  vImage_CGImageFormat source, destination;
};
Ref<vImageConverter> vImageConverterCreateWithCGImageFormat(const vImage_CGImageFormat* source,
                                                            const vImage_CGImageFormat* destination,
                                                            const double* backgroundColor, vImage_Flags flags,
                                                            vImage_Error* error);
vImage_Error vImageConvert_AnyToAny(const vImageConverter* converter, const vImage_Buffer* sources,
                                    const vImage_Buffer* destinations, void* tempBuffer, vImage_Flags flags);

// Premultiplication; ARGB8888 has alpha in byte 0, RGBA8888 in byte 3.
vImage_Error vImagePremultiplyData_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, vImage_Flags flags);
vImage_Error vImagePremultiplyData_RGBA8888(const vImage_Buffer* src, const vImage_Buffer* dest, vImage_Flags flags);
vImage_Error vImageUnpremultiplyData_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, vImage_Flags flags);
vImage_Error vImageUnpremultiplyData_RGBA8888(const vImage_Buffer* src, const vImage_Buffer* dest, vImage_Flags flags);
/// dest byte i = src byte permuteMap[i].
vImage_Error vImagePermuteChannels_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest,
                                            const uint8_t permuteMap[4], vImage_Flags flags);
/// RGB888 to ARGB8888 with a constant alpha (or one from `alphaSrc`), premultiplying on request.
vImage_Error vImageConvert_RGB888toARGB8888(const vImage_Buffer* rgbSrc, const vImage_Buffer* alphaSrc, uint8_t alpha,
                                            const vImage_Buffer* dest, bool premultiply, vImage_Flags flags);

/// Box blur of odd kernel sizes over the region of `src` at (srcOffsetToROI_X, _Y) the size of
/// `dest`. One edge style must be given: kvImageEdgeExtend, kvImageBackgroundColorFill (with
/// `backgroundColor`), kvImageTruncateKernel or kvImageCopyInPlace. With
/// kvImageGetTempBufferSize it answers the temporary buffer size and does nothing else.
vImage_Error vImageBoxConvolve_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, void* tempBuffer,
                                        size_t srcOffsetToROI_X, size_t srcOffsetToROI_Y, uint32_t kernel_height,
                                        uint32_t kernel_width, const uint8_t* backgroundColor, vImage_Flags flags);

/// Draws `src` into `dest` through `transform` (source pixel coordinates, row 0 at the top, to
/// destination ones), sampling bilinearly; uncovered pixels get `backColor` (with
/// kvImageBackgroundColorFill) or the nearest edge pixel (kvImageEdgeExtend).
vImage_Error vImageAffineWarpCG_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, void* tempBuffer,
                                         const AffineTransform* transform, const uint8_t backColor[4],
                                         vImage_Flags flags);

vImage_Error vImageHorizontalReflect_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, vImage_Flags flags);
vImage_Error vImageVerticalReflect_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, vImage_Flags flags);

/// dest channel j = (sum over i of (src channel i + preBias[i]) * matrix[i * 4 + j] + postBias[j])
/// / divisor, clamped to 0..255; channels in buffer byte order. Biases may be null.
vImage_Error vImageMatrixMultiply_ARGB8888(const vImage_Buffer* src, const vImage_Buffer* dest, const int16_t matrix[16],
                                           int32_t divisor, const int16_t* preBias, const int32_t* postBias,
                                           vImage_Flags flags);

}  // namespace gfx
