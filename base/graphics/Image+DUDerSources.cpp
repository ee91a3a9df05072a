#include "base/graphics/Image+DUDerSources.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <numeric>

#include <poppler.h>

#include "base/foundation/String+DUDer.h"
#include "base/graphics/Image+DUDer.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/ImageTypes.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Line.h"

namespace base {

namespace {

double frameDelay(const gfx::ImageSource& source, size_t index) {
  auto properties = source.copyPropertiesAtIndex(index);
  auto gif = properties ? properties->objectForKeyAs<fd::Dictionary>(gfx::kCGImagePropertyGIFDictionary) : nullptr;
  if (!gif) return 0;
  auto number = [&](const char* key) {
    auto n = gif->objectForKeyAs<fd::Number>(key);
    return n ? n->doubleValue() : 0.0;
  };
  double delay = number(gfx::kCGImagePropertyGIFUnclampedDelayTime);
  if (delay <= 1.1920928955078125e-7) delay = number(gfx::kCGImagePropertyGIFDelayTime);
  return delay;
}

/// Four bytes a pixel, saturating at the largest size rather than wrapping.
size_t pixelBytes(size_t width, size_t height) {
  if (width != 0 && height > std::numeric_limits<size_t>::max() / 4 / width) return std::numeric_limits<size_t>::max();
  return width * height * 4;
}

/// What the frame's header says its pixels take; 0 when it says nothing (the decoded frame
/// is checked then).
size_t frameBytes(const gfx::ImageSource& source, size_t index) {
  auto properties = source.copyPropertiesAtIndex(index);
  if (!properties) return 0;
  auto width = properties->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyPixelWidth);
  auto height = properties->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyPixelHeight);
  if (!width || !height || width->doubleValue() < 0 || height->doubleValue() < 0) return 0;
  return pixelBytes(static_cast<size_t>(width->unsignedLongLongValue()),
                    static_cast<size_t>(height->unsignedLongLongValue()));
}

struct DocumentCloser {
  void operator()(PopplerDocument* d) const { g_object_unref(d); }
};
using Document = std::unique_ptr<PopplerDocument, DocumentCloser>;

Document openPDF(const Ref<fd::Data>& data) {
  if (!data || data->length() == 0) return nullptr;
  GBytes* bytes = g_bytes_new(data->bytes(), data->length());
  PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
  g_bytes_unref(bytes);
  return Document(document);
}

Document openPDF(const String& pathOrURL) {
  std::string text = pathOrURL.utf8();
  if (text.empty()) return nullptr;
  std::string uri = text;
  if (text.rfind("file:", 0) != 0) {
    gchar* made = g_filename_to_uri(text.c_str(), nullptr, nullptr);
    if (!made) return nullptr;
    uri = made;
    g_free(made);
  }
  return Document(poppler_document_new_from_file(uri.c_str(), nullptr, nullptr));
}

// The page keeps its natural size; `canvas` (when given) only sets the picture's size.
Ref<gfx::Image> renderFirstPage(const Document& document, const gfx::Size* canvas) {
  if (!document || poppler_document_get_n_pages(document.get()) < 1) return nullptr;
  PopplerPage* page = poppler_document_get_page(document.get(), 0);
  if (!page) return nullptr;
  gfx::Size size;
  poppler_page_get_size(page, &size.width, &size.height);
  if (canvas) size = *canvas;
  Ref<gfx::Image> image;
  if (auto context = gfx::Context::createForImage(size, false, gfx::mainScreenScale())) {
    poppler_page_render(page, context->cairo());
    image = gfx::Image::imageWithCGImage(context->makeImage(), gfx::mainScreenScale());
  }
  g_object_unref(page);
  return image;
}

}  // namespace

Ref<gfx::Image> imageWithPDF(const Ref<fd::Data>& data) { return renderFirstPage(openPDF(data), nullptr); }
Ref<gfx::Image> imageWithPDF(const String& pathOrURL) { return renderFirstPage(openPDF(pathOrURL), nullptr); }
Ref<gfx::Image> imageWithPDF(const Ref<fd::Data>& data, gfx::Size size) { return renderFirstPage(openPDF(data), &size); }
Ref<gfx::Image> imageWithPDF(const String& pathOrURL, gfx::Size size) {
  return renderFirstPage(openPDF(pathOrURL), &size);
}

Ref<gfx::Image> imageWithSmallGIFData(const Ref<fd::Data>& data, double scale) {
  auto source = data ? gfx::ImageSource::createWithData(data) : nullptr;
  if (!source) return nullptr;
  size_t count = source->count();
  if (count <= 1) return gfx::Image::imageWithData(data, scale);
  // A crafted file may hold thousands of frames of a huge canvas: what it would cost is
  // worked out from its header before any frame is decoded.
  if (count > kDRSmallGIFMaxFrames) return nullptr;
  size_t declaredBytes = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t bytes = frameBytes(*source, i);
    if (bytes > kDRSmallGIFMaxDecodedBytes - declaredBytes) return nullptr;
    declaredBytes += bytes;
  }

  std::vector<long> weights(count);
  long gcd = 0;
  double duration = 0;
  for (size_t i = 0; i < count; ++i) {
    double delay = frameDelay(*source, i);
    if (delay < 0.02) delay = 0.1;
    weights[i] = std::max(1L, std::lrint(delay / 0.02));
    duration += delay;
    gcd = std::gcd(gcd, weights[i]);
  }
  size_t repeated = 0;
  for (long w : weights) repeated += static_cast<size_t>(w / gcd);
  if (repeated > kDRSmallGIFMaxFrames) return nullptr;
  std::vector<Ref<gfx::Image>> frames;
  frames.reserve(repeated);
  size_t decodedBytes = 0;
  for (size_t i = 0; i < count; ++i) {
    auto bitmap = source->createImageAtIndex(i);
    if (!bitmap || bitmap->width() == 0 || bitmap->height() == 0) return nullptr;
    // The header's sizes are checked above; the decoder's own answer is what counts.
    size_t bytes = pixelBytes(bitmap->width(), bitmap->height());
    if (bytes > kDRSmallGIFMaxDecodedBytes - decodedBytes) return nullptr;
    decodedBytes += bytes;
    auto frame = gfx::Image::imageWithCGImage(bitmap, scale);
    // Decoded once into the drawing format so the frames draw without conversion.
    auto context = gfx::Context::createForImage({static_cast<double>(bitmap->width()), static_cast<double>(bitmap->height())},
                                                !hasAlphaChannel(*frame), 1);
    if (!context) return nullptr;
    context->drawImage({{0, 0}, {static_cast<double>(bitmap->width()), static_cast<double>(bitmap->height())}}, *bitmap);
    auto drawn = gfx::Image::imageWithCGImage(context->makeImage(), scale);
    for (long k = 0; k < weights[i] / gcd; ++k) frames.push_back(drawn);
  }
  return gfx::Image::animatedImageWithImages(frames, duration);
}

bool isAnimatedGIFData(const Ref<fd::Data>& data) {
  if (!data || data->length() < 16 || data->view().substr(0, 3) != "GIF") return false;
  auto source = gfx::ImageSource::createWithData(data);
  return source && source->count() > 1;
}

bool isAnimatedGIFFile(const String& path) {
  std::FILE* file = std::fopen(path.utf8().c_str(), "rb");
  if (!file) return false;
  char head[4] = {};
  bool gif = std::fread(head, 1, 4, file) == 4 && head[0] == 'G' && head[1] == 'I' && head[2] == 'F';
  std::fclose(file);
  return gif;
}

Ref<gfx::Image> imageWithEmoji(const String& emoji, double size) {
  if (emoji.isEmpty() || !containsEmoji(emoji) || size < 1) return nullptr;
  double scale = gfx::mainScreenScale();
  // The installed colour-emoji face stands in for the platform's own.
  auto font = typeset::Font::fontWithName("AppleColorEmoji", size * scale);
  if (!font || !(font->symbolicTraits() & typeset::FontTraitColorGlyphs))
    font = typeset::Font::fontWithName("Noto Color Emoji", size * scale);
  if (!font) return nullptr;
  auto string = typeset::AttributedString::create(
      emoji, fd::Dictionary::withStrings({{typeset::FontAttributeName, font},
                                          {typeset::ForegroundColorAttributeName, gfx::Color::clearColor()}}));
  auto line = typeset::Line::createWithAttributedString(*string);
  size_t pixels = static_cast<size_t>(size * scale);
  auto context = gfx::Context::createBitmap(nullptr, pixels, pixels, 8, 0, gfx::ColorSpace::deviceRGB(),
                                            gfx::BitmapInfoNativePremultiplied);
  if (!line || !context) return nullptr;
  context->setInterpolationQuality(gfx::InterpolationQuality::High);
  line->draw(*context, {0, -line->imageBounds().origin.y});
  return gfx::Image::imageWithCGImage(context->makeImage(), scale);
}

Ref<gfx::BezierPath> bezierPathWithText(const String& text, const Ref<typeset::Font>& font) {
  if (!font) return nullptr;
  auto string = typeset::AttributedString::create(
      text, fd::Dictionary::withStrings({{typeset::FontAttributeName, font}}));
  auto line = typeset::Line::createWithAttributedString(*string);
  if (!line) return nullptr;
  auto outline = gfx::MutablePath::create();
  for (const auto& run : line->glyphRuns()) {
    const auto& glyphs = run->glyphs();
    const auto& positions = run->positions();
    for (size_t i = 0; i < glyphs.size(); ++i) {
      // Glyph outlines are y-up on the baseline; flip them and drop the baseline by the ascent.
      auto place = gfx::AffineTransformMake(1, 0, 0, -1, positions[i].x, line->ascent() - positions[i].y);
      if (auto glyph = run->font()->pathForGlyph(glyphs[i])) outline->addPath(*glyph, &place);
    }
  }
  return gfx::BezierPath::bezierPathWithCGPath(outline);
}

}  // namespace base
