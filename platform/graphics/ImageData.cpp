// Images from encoded bytes, files and bundle resources.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageData.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/graphics/ImageSource.h"

namespace gfx {

namespace {

ImageOrientation orientationFromExif(int exif) {
  switch (exif) {
    case 2: return ImageOrientation::UpMirrored;
    case 3: return ImageOrientation::Down;
    case 4: return ImageOrientation::DownMirrored;
    case 5: return ImageOrientation::LeftMirrored;
    case 6: return ImageOrientation::Right;
    case 7: return ImageOrientation::RightMirrored;
    case 8: return ImageOrientation::Left;
    default: return ImageOrientation::Up;
  }
}

double frameDelay(const Ref<fd::Dictionary>& props) {
  if (!props) return 0.1;
  for (const char* group : {kCGImagePropertyGIFDictionary, kCGImagePropertyWebPDictionary}) {
    if (auto g = props->objectForKeyAs<fd::Dictionary>(group))
      if (auto n = g->objectForKeyAs<fd::Number>(kCGImagePropertyGIFDelayTime)) return n->doubleValue();
  }
  return 0.1;
}

// "name@2x" answers 2 and strips the suffix; no suffix answers 0.
double scaleSuffix(rt::String& base) {
  for (int s = 1; s <= 3; ++s) {
    rt::String suffix = rt::String::format("@%dx", s);
    if (base.hasSuffix(suffix)) {
      base = base.substringToIndex(base.length() - suffix.length());
      return s;
    }
  }
  return 0;
}

bool isFile(const rt::String& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path.cString(), ec);
}

}  // namespace

Ref<Image> Image::imageWithData(const Ref<fd::Data>& data) { return imageWithData(data, 1); }

Ref<Image> Image::imageWithData(const Ref<fd::Data>& data, double scale) {
  auto source = ImageSource::createWithData(data);
  if (!source || source->count() == 0) return nullptr;
  if (scale <= 0) scale = 1;
  const size_t count = source->count();
  if (count == 1 || (source->format() != ImageFormat::GIF && source->format() != ImageFormat::WebP)) {
    auto bitmap = source->createImageAtIndex(0);
    if (!bitmap) return nullptr;
    int exif = 1;
    if (auto props = source->copyPropertiesAtIndex(0))
      if (auto n = props->objectForKeyAs<fd::Number>(kCGImagePropertyOrientation)) exif = int(n->integerValue());
    return imageWithCGImage(bitmap, scale, orientationFromExif(exif));
  }
  std::vector<Ref<Image>> frames;
  double duration = 0;
  for (size_t i = 0; i < count; ++i) {
    auto bitmap = source->createImageAtIndex(i);
    if (!bitmap) break;
    frames.push_back(imageWithCGImage(bitmap, scale));
    duration += frameDelay(source->copyPropertiesAtIndex(i));
  }
  if (frames.empty()) return nullptr;
  return animatedImageWithImages(frames, duration);
}

// A file's bytes, or null when it cannot be read.
static Ref<fd::Data> readFile(const rt::String& path) {
  std::ifstream in(path.cString(), std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return fd::Data::create(std::move(bytes));
}

// The scale a file name asks for ("icon@2x.png" is 2), 1 without a suffix.
static double scaleOfFileName(const rt::String& path) {
  rt::String base = path.lastPathComponent().stringByDeletingPathExtension();
  double s = scaleSuffix(base);
  return s > 0 ? s : 1;
}

Ref<Image> Image::imageWithContentsOfFile(const rt::String& path) {
  return imageWithData(readFile(path), scaleOfFileName(path));
}

Ref<Image> Image::imageNamed(const rt::String& name) { return imageNamed(name, fd::Bundle::mainBundle()); }

Ref<Image> Image::imageNamed(const rt::String& name, const Ref<fd::Bundle>& bundle) {
  if (!bundle || name.isEmpty()) return nullptr;
  rt::String dir = name.stringByDeletingLastPathComponent();
  rt::String file = name.lastPathComponent();
  rt::String ext = file.pathExtension();
  rt::String base = ext.isEmpty() ? file : file.stringByDeletingPathExtension();
  double explicitScale = scaleSuffix(base);
  std::vector<rt::String> extensions;
  if (!ext.isEmpty()) extensions.push_back(ext);
  else extensions = {"png", "jpg", "jpeg", "gif", "webp"};
  // Without an explicit scale the screen's (2x) variant wins, then the plain file, then 3x.
  std::vector<std::pair<rt::String, double>> variants;
  if (explicitScale > 0) variants.push_back({rt::String::format("%@@%dx", base, int(explicitScale)), explicitScale});
  else variants = {{base + "@2x", 2}, {base, 1}, {base + "@3x", 3}};
  rt::String root = dir.isEmpty() ? bundle->resourcePath() : bundle->resourcePath().stringByAppendingPathComponent(dir);
  for (const auto& [stem, scale] : variants)
    for (const auto& e : extensions) {
      rt::String path = root.stringByAppendingPathComponent(stem.stringByAppendingPathExtension(e));
      if (!isFile(path)) continue;
      if (auto image = imageWithData(readFile(path), scale)) return image;
    }
  return nullptr;
}

namespace {

Ref<fd::Data> represent(const Ref<Image>& image, const char* type, double quality) {
  if (!image || !image->CGImage()) return nullptr;
  auto out = fd::MutableData::create();
  auto dest = ImageDestination::createWithData(out, type, 1);
  auto props = quality < 0 ? nullptr
                           : fd::Dictionary::withStrings({{kCGImageDestinationLossyCompressionQuality, fd::box(quality)}});
  dest->addImage(image->CGImage(), props);
  if (!dest->finalize()) return nullptr;
  return fd::Data::create(out->takeBytes());
}

}  // namespace

Ref<fd::Data> UIImagePNGRepresentation(const Ref<Image>& image) { return represent(image, kUTTypePNG, -1); }

Ref<fd::Data> UIImageJPEGRepresentation(const Ref<Image>& image, double quality) {
  return represent(image, kUTTypeJPEG, std::clamp(quality, 0.0, 1.0));
}

}  // namespace gfx
