#include "platform/graphics/ImageTypes.h"

#include <cstring>

namespace gfx {

namespace {

struct FormatName {
  ImageFormat format;
  const char* uti;
};

constexpr FormatName kNames[] = {
    {ImageFormat::PNG, kUTTypePNG},   {ImageFormat::JPEG, kUTTypeJPEG},         {ImageFormat::GIF, kUTTypeGIF},
    {ImageFormat::WebP, kUTTypeWebP}, {ImageFormat::BMP, kUTTypeBMP},           {ImageFormat::ICO, kUTTypeICO},
    {ImageFormat::TIFF, kUTTypeTIFF}, {ImageFormat::JPEG2000, kUTTypeJPEG2000}, {ImageFormat::ICNS, kUTTypeAppleICNS},
};

struct MimeName {
  const char* mime;
  ImageFormat format;
};

constexpr MimeName kMimes[] = {
    {"image/png", ImageFormat::PNG},        {"image/apng", ImageFormat::PNG},     {"image/jpeg", ImageFormat::JPEG},
    {"image/jpg", ImageFormat::JPEG},       {"image/pjpeg", ImageFormat::JPEG},   {"image/gif", ImageFormat::GIF},
    {"image/webp", ImageFormat::WebP},      {"image/bmp", ImageFormat::BMP},      {"image/x-bmp", ImageFormat::BMP},
    {"image/x-ms-bmp", ImageFormat::BMP},   {"image/ico", ImageFormat::ICO},      {"image/x-icon", ImageFormat::ICO},
    {"image/vnd.microsoft.icon", ImageFormat::ICO}, {"image/tiff", ImageFormat::TIFF}, {"image/tiff-fx", ImageFormat::TIFF},
    {"image/jp2", ImageFormat::JPEG2000},   {"image/jpx", ImageFormat::JPEG2000}, {"image/x-icns", ImageFormat::ICNS},
};

bool startsWith(const uint8_t* b, size_t n, const char* sig, size_t sigLen) {
  return n >= sigLen && std::memcmp(b, sig, sigLen) == 0;
}

}  // namespace

ImageFormat detectImageFormat(const uint8_t* b, size_t n) {
  if (!b || n < 2) return ImageFormat::Unknown;
  if (startsWith(b, n, "\x89PNG\r\n\x1a\n", 8)) return ImageFormat::PNG;
  if (startsWith(b, n, "\xff\xd8\xff", 3)) return ImageFormat::JPEG;
  if (startsWith(b, n, "GIF87a", 6) || startsWith(b, n, "GIF89a", 6)) return ImageFormat::GIF;
  if (n >= 12 && std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, "WEBP", 4) == 0) return ImageFormat::WebP;
  if (startsWith(b, n, "II*\0", 4) || startsWith(b, n, "MM\0*", 4)) return ImageFormat::TIFF;
  if (startsWith(b, n, "\0\0\0\x0cjP  \r\n\x87\n", 12) || startsWith(b, n, "\xff\x4f\xff\x51", 4))
    return ImageFormat::JPEG2000;
  if (startsWith(b, n, "icns", 4)) return ImageFormat::ICNS;
  // Icons and cursors: reserved 0, type 1 or 2, at least one entry.
  if (n >= 6 && b[0] == 0 && b[1] == 0 && (b[2] == 1 || b[2] == 2) && b[3] == 0 && (b[4] | b[5]) != 0)
    return ImageFormat::ICO;
  static const char* const kBmp[] = {"BM", "BA", "CI", "CP", "IC", "PI"};
  for (const char* sig : kBmp)
    if (startsWith(b, n, sig, 2)) return ImageFormat::BMP;
  return ImageFormat::Unknown;
}

rt::String typeIdentifierForFormat(ImageFormat f) {
  for (const auto& e : kNames)
    if (e.format == f) return e.uti;
  return {};
}

ImageFormat formatForTypeIdentifier(const rt::String& uti) {
  for (const auto& e : kNames)
    if (uti == e.uti) return e.format;
  return ImageFormat::Unknown;
}

ImageFormat formatForMIMEType(const rt::String& mime) {
  rt::String lower = mime.lowercaseString();
  for (const auto& e : kMimes)
    if (lower == e.mime) return e.format;
  return ImageFormat::Unknown;
}

}  // namespace gfx
