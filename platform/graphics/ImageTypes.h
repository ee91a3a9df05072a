#pragma once
// Image container formats: detection by magic bytes, type identifiers, MIME types, and the
// property-dictionary key names image sources and destinations use.
#include <cstddef>
#include <cstdint>

#include "platform/runtime/String.h"

namespace gfx {

enum class ImageFormat : uint8_t { Unknown, PNG, JPEG, GIF, WebP, BMP, ICO, TIFF, JPEG2000, ICNS };

/// The format whose signature starts `bytes`; Unknown when none matches or too few bytes.
ImageFormat detectImageFormat(const uint8_t* bytes, size_t length);
/// "public.png", "public.jpeg", ...; empty for Unknown.
rt::String typeIdentifierForFormat(ImageFormat f);
/// Unknown for identifiers of no supported format.
ImageFormat formatForTypeIdentifier(const rt::String& uti);
/// "image/png", "image/jpeg", "image/x-icon", ... (several MIME types name one format).
ImageFormat formatForMIMEType(const rt::String& mime);

// Type identifiers
inline constexpr const char* kUTTypePNG = "public.png";
inline constexpr const char* kUTTypeJPEG = "public.jpeg";
inline constexpr const char* kUTTypeGIF = "com.compuserve.gif";
inline constexpr const char* kUTTypeWebP = "org.webmproject.webp";
inline constexpr const char* kUTTypeBMP = "com.microsoft.bmp";
inline constexpr const char* kUTTypeICO = "com.microsoft.ico";
inline constexpr const char* kUTTypeTIFF = "public.tiff";
inline constexpr const char* kUTTypeJPEG2000 = "public.jpeg-2000";
inline constexpr const char* kUTTypeAppleICNS = "com.apple.icns";

// Image properties
inline constexpr const char* kCGImagePropertyPixelWidth = "PixelWidth";
inline constexpr const char* kCGImagePropertyPixelHeight = "PixelHeight";
inline constexpr const char* kCGImagePropertyOrientation = "Orientation";
inline constexpr const char* kCGImagePropertyDPIWidth = "DPIWidth";
inline constexpr const char* kCGImagePropertyDPIHeight = "DPIHeight";
inline constexpr const char* kCGImagePropertyDepth = "Depth";
inline constexpr const char* kCGImagePropertyHasAlpha = "HasAlpha";
inline constexpr const char* kCGImagePropertyColorModel = "ColorModel";
inline constexpr const char* kCGImagePropertyColorModelRGB = "RGB";
inline constexpr const char* kCGImagePropertyColorModelGray = "Gray";
inline constexpr const char* kCGImagePropertyColorModelCMYK = "CMYK";
inline constexpr const char* kCGImagePropertyFileSize = "FileSize";
inline constexpr const char* kCGImagePropertyGIFDictionary = "{GIF}";
inline constexpr const char* kCGImagePropertyGIFLoopCount = "LoopCount";
inline constexpr const char* kCGImagePropertyGIFDelayTime = "DelayTime";
inline constexpr const char* kCGImagePropertyGIFUnclampedDelayTime = "UnclampedDelayTime";
inline constexpr const char* kCGImagePropertyJFIFDictionary = "{JFIF}";
inline constexpr const char* kCGImagePropertyJFIFIsProgressive = "IsProgressive";
inline constexpr const char* kCGImagePropertyPNGDictionary = "{PNG}";
inline constexpr const char* kCGImagePropertyPNGInterlaceType = "InterlaceType";
inline constexpr const char* kCGImagePropertyWebPDictionary = "{WebP}";
inline constexpr const char* kCGImagePropertyWebPLoopCount = "LoopCount";
inline constexpr const char* kCGImagePropertyWebPDelayTime = "DelayTime";
inline constexpr const char* kCGImagePropertyWebPUnclampedDelayTime = "UnclampedDelayTime";

// Source and destination options
inline constexpr const char* kCGImageSourceShouldCache = "kCGImageSourceShouldCache";
inline constexpr const char* kCGImageSourceTypeIdentifierHint = "kCGImageSourceTypeIdentifierHint";
inline constexpr const char* kCGImageSourceCreateThumbnailFromImageAlways =
    "kCGImageSourceCreateThumbnailFromImageAlways";
inline constexpr const char* kCGImageSourceCreateThumbnailFromImageIfAbsent =
    "kCGImageSourceCreateThumbnailFromImageIfAbsent";
inline constexpr const char* kCGImageSourceThumbnailMaxPixelSize = "kCGImageSourceThumbnailMaxPixelSize";
inline constexpr const char* kCGImageSourceCreateThumbnailWithTransform = "kCGImageSourceCreateThumbnailWithTransform";
inline constexpr const char* kCGImageDestinationLossyCompressionQuality = "kCGImageDestinationLossyCompressionQuality";

}  // namespace gfx
