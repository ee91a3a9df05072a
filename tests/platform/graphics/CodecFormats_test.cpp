// Format variants written with the codec libraries directly or laid out by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include "platform/foundation/text/StringObject.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/codecs/Codec.h"
#include "tests/platform/graphics/CodecSamples.h"

using namespace codec_samples;
using gfx::ImageSource;

namespace {

void appendToVector(png_structp png, png_bytep bytes, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), bytes, bytes + n);
}

// A PNG of `rows` (already in the colour type's layout) written by libpng.
std::vector<uint8_t> writePng(uint32_t w, uint32_t h, int depth, int colorType, bool interlaced,
                              const std::vector<std::vector<uint8_t>>& rows, const std::vector<png_color>& palette = {},
                              const std::vector<uint8_t>& trns = {}) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, appendToVector, nullptr);
  png_set_IHDR(png, info, w, h, depth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  if (!trns.empty()) png_set_tRNS(png, info, trns.data(), int(trns.size()), nullptr);
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const auto& r : rows) pointers.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

Ref<gfx::BitmapImage> decode(std::vector<uint8_t> bytes, Ref<ImageSource>* keep = nullptr) {
  auto source = ImageSource::createWithData(fd::Data::create(std::move(bytes)));
  if (keep) *keep = source;
  return source ? source->createImageAtIndex(0) : nullptr;
}

TEST(CodecPng, InterlacedSixteenBitAndPaletteFiles) {
  const uint32_t w = 9, h = 7;
  // 16-bit RGBA, interlaced: values keep their high byte.
  std::vector<std::vector<uint8_t>> rows16(h, std::vector<uint8_t>(w * 8));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = rows16[y].data() + 8 * x;
      p[0] = uint8_t(x * 20), p[2] = uint8_t(y * 30), p[4] = 77, p[6] = 255;
      p[1] = p[3] = p[5] = p[7] = 0x80;
    }
  Ref<ImageSource> source;
  auto image = decode(writePng(w, h, 16, PNG_COLOR_TYPE_RGBA, true, rows16), &source);
  ASSERT_TRUE(image);
  EXPECT_EQ(source->copyPropertiesAtIndex(0)->objectForKeyAs<fd::Dictionary>(gfx::kCGImagePropertyPNGDictionary)
                ->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyPNGInterlaceType)->integerValue(), 1);
  EXPECT_EQ(image->pixel(8, 6), 0xffa0b44du);

  // Palette with a transparent entry.
  std::vector<png_color> palette = {{255, 0, 0}, {0, 0, 255}};
  std::vector<uint8_t> trns = {0};
  std::vector<std::vector<uint8_t>> idx(2, std::vector<uint8_t>{0, 1});
  image = decode(writePng(2, 2, 8, PNG_COLOR_TYPE_PALETTE, false, idx, palette, trns));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixel(0, 0), 0u);
  EXPECT_EQ(image->pixel(1, 1), 0xff0000ffu);

  // Grey with alpha.
  std::vector<std::vector<uint8_t>> ga(1, std::vector<uint8_t>{200, 128});
  image = decode(writePng(1, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, false, ga));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixel(0, 0), 0x80646464u);
}

TEST(CodecPng, GrowingInterlacedFilesShowEarlyPassesAtFullSize) {
  // Noise, so that the compressed passes take room in proportion to their pixels.
  const uint32_t w = 32, h = 32;
  std::vector<std::vector<uint8_t>> rows(h, std::vector<uint8_t>(w * 3));
  uint32_t seed = 7;
  for (auto& row : rows)
    for (auto& b : row) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
  auto bytes = writePng(w, h, 8, PNG_COLOR_TYPE_RGB, true, rows);
  auto whole = decode(bytes);
  ASSERT_TRUE(whole);
  auto source = ImageSource::createIncremental();
  source->updateData(fd::Data::create(bytes.data(), bytes.size() / 2), false);
  auto partial = source->createImageAtIndex(0);
  ASSERT_TRUE(partial);
  EXPECT_EQ(partial->width(), w);
  EXPECT_EQ(partial->height(), h);
  // The first pass holds the top-left pixel of every 8x8 block. The last pass (odd rows) is
  // missing: those rows repeat the row above, a coarse preview of the whole picture.
  EXPECT_EQ(partial->pixel(8, 24), whole->pixel(8, 24));
  int differing = 0;
  for (uint32_t x = 0; x < w; ++x) {
    EXPECT_EQ(partial->pixel(x, 31), partial->pixel(x, 30));
    differing += partial->pixel(x, 31) != whole->pixel(x, 31);
  }
  EXPECT_GT(differing, 0);
  // Each pass changes rows shown before: a partial image shows the latest, in any memory.
  EXPECT_GT(expectPartialImagesAlike(fd::Data::create(bytes), bytes.size() / 6), 0u);
}

TEST(CodecPng, AnimationChunksAreSkippedForTheDefaultImage) {
  auto png = encode(gfx::kUTTypePNG, {solidBitmap(3, 3, 0xff00ff00u)})->vector();
  // An "acTL" chunk after IHDR (ancillary, so a reader that does not know it skips it).
  const uint8_t actl[] = {0, 0, 0, 8, 'a', 'c', 'T', 'L', 0, 0, 0, 2, 0, 0, 0, 0, 0xde, 0xad, 0xbe, 0xef};
  png.insert(png.begin() + 33, actl, actl + sizeof actl);
  auto image = decode(png);
  // The chunk's CRC is wrong on purpose: ancillary chunk errors are not fatal either.
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixel(2, 2), 0xff00ff00u);
}

TEST(CodecJpeg, CmykFilesAreConvertedAndReported) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = 8;
  c.image_height = 8;
  c.input_components = 4;
  c.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  c.write_Adobe_marker = TRUE;
  jpeg_start_compress(&c, TRUE);
  // Adobe CMYK is stored inverted: 255 = no ink. Pure cyan ink at full strength.
  std::vector<uint8_t> row(8 * 4);
  for (int x = 0; x < 8; ++x) row[4 * x] = 0, row[4 * x + 1] = 255, row[4 * x + 2] = 255, row[4 * x + 3] = 255;
  while (c.next_scanline < 8) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> bytes(mem, mem + size);
  std::free(mem);
  Ref<ImageSource> source;
  auto image = decode(bytes, &source);
  ASSERT_TRUE(image);
  EXPECT_LE(channelDistance(image->pixel(4, 4), 0xff00ffffu), 2);
  // The bitmap stays CMYK, as the file is.
  ASSERT_TRUE(image->colorSpace());
  EXPECT_EQ(image->colorSpace()->model(), gfx::ColorSpaceModel::CMYK);
  EXPECT_EQ(image->alphaInfo(), gfx::ImageAlphaNone);
  EXPECT_EQ(source->copyPropertiesAtIndex(0)->objectForKeyAs<fd::StringObject>(gfx::kCGImagePropertyColorModel)->string(),
            rt::String(gfx::kCGImagePropertyColorModelCMYK));
}

// A BMP file: header, DIB header and the given palette/pixel bytes.
std::vector<uint8_t> bmp(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, const std::vector<uint8_t>& palette,
                         const std::vector<uint8_t>& pixels, const char* magic = "BM") {
  std::vector<uint8_t> o;
  auto p16 = [&](uint32_t v) { o.push_back(uint8_t(v)), o.push_back(uint8_t(v >> 8)); };
  auto p32 = [&](uint32_t v) { p16(v & 0xffff), p16(v >> 16); };
  o.push_back(uint8_t(magic[0])), o.push_back(uint8_t(magic[1]));
  p32(uint32_t(54 + palette.size() + pixels.size()));
  p32(0);
  p32(uint32_t(54 + palette.size()));
  p32(40), p32(uint32_t(w)), p32(uint32_t(h)), p16(1), p16(bpp), p32(compression), p32(uint32_t(pixels.size()));
  p32(2835), p32(2835), p32(uint32_t(palette.size() / 4)), p32(0);
  o.insert(o.end(), palette.begin(), palette.end());
  o.insert(o.end(), pixels.begin(), pixels.end());
  return o;
}

TEST(CodecBmp, ReadsPalettesRunLengthsAndRowOrders) {
  const std::vector<uint8_t> palette = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue (B, G, R, 0)
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    uint32_t topLeft, bottomRight;
  } cases[] = {
      // 8-bit, bottom-up: the first stored row is the bottom one.
      {"8-bit", bmp(2, 2, 8, 0, palette, {1, 1, 0, 0, 0, 0, 0, 0}), 0xffff0000u, 0xff0000ffu},
      // Top-down (negative height).
      {"top-down", bmp(2, -2, 8, 0, palette, {1, 1, 0, 0, 0, 0, 0, 0}), 0xff0000ffu, 0xffff0000u},
      // RLE8: two blue, end of line, two red, end of bitmap.
      {"rle8", bmp(2, 2, 8, 1, palette, {2, 1, 0, 0, 2, 0, 0, 1}), 0xffff0000u, 0xff0000ffu},
      // RLE8: a move two along, one blue, end of bitmap; what no run reaches stays black.
      {"rle8 move", bmp(3, 2, 8, 1, palette, {0, 2, 2, 0, 1, 1, 0, 1}), 0xff000000u, 0xff0000ffu},
      // RLE4, top-down: three literal indexes 1, 0, 1 padded to a word, end of bitmap.
      {"rle4 literal", bmp(3, -1, 4, 2, palette, {0, 3, 0x10, 0x10, 0, 1}), 0xff0000ffu, 0xff0000ffu},
      // 1-bit: row bits 10, then 01.
      {"1-bit", bmp(2, 2, 1, 0, palette, {0x40, 0, 0, 0, 0x80, 0, 0, 0}), 0xff0000ffu, 0xff0000ffu},
      // 24-bit, OS/2 "CI" signature with the same layout.
      {"24-bit", bmp(1, 1, 24, 0, {}, {10, 20, 30, 0}, "CI"), 0xff1e140au, 0xff1e140au},
  };
  for (const auto& c : cases) {
    auto image = decode(c.file);
    ASSERT_TRUE(image) << c.name;
    EXPECT_EQ(image->pixel(0, 0), c.topLeft) << c.name;
    EXPECT_EQ(image->pixel(image->width() - 1, image->height() - 1), c.bottomRight) << c.name;
  }
  // Nonsense headers give no image.
  for (auto file : {bmp(0, 2, 8, 0, palette, {}), bmp(2, 2, 7, 0, palette, {0, 0, 0, 0}), bmp(2, 2, 24, 9, {}, {})})
    EXPECT_FALSE(decode(file));
}

TEST(CodecBmp, BitFieldMasksCutShortAreRejected) {
  // An alpha bit-fields header (four masks) whose last mask runs past the end of the file.
  std::vector<uint8_t> file = bmp(2, 2, 32, 6, {}, {});
  file.resize(14 + 53);
  EXPECT_FALSE(decode(file));
}

TEST(CodecIcns, IconsWithMalformedMasksAreNotOffered) {
  auto good = encode(gfx::kUTTypeAppleICNS, {solidBitmap(16, 16, 0xff336699u)});
  ASSERT_TRUE(good);
  EXPECT_EQ(ImageSource::createWithData(good)->count(), 1u);
  // Shorten the mask element ("s8mk", 256 bytes of alpha) by one byte.
  std::vector<uint8_t> bytes = good->vector();
  auto at = fd::Data::create(bytes)->rangeOfData(*fd::Data::create(std::string_view("s8mk"))).location;
  ASSERT_NE(at, rt::NotFound);
  bytes[at + 7] -= 1;
  bytes.erase(bytes.begin() + long(at + 8));
  auto source = ImageSource::createWithData(fd::Data::create(std::move(bytes)));
  EXPECT_EQ(source->count(), 0u);
  EXPECT_FALSE(source->createImageAtIndex(0));
}

TEST(CodecIco, ReadsBitmapEntriesWithTheirMask) {
  // One 2x2 32-bit entry without a file header; its height counts the mask too.
  std::vector<uint8_t> dib = bmp(2, 4, 32, 0, {}, {0, 0, 255, 255, 0, 255, 0, 128, 255, 0, 0, 255, 0, 0, 0, 0,
                                                   0, 0, 0, 0, 0, 0, 0, 0});
  dib.erase(dib.begin(), dib.begin() + 14);
  std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0};
  auto p32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) ico.push_back(uint8_t(v >> (8 * i))); };
  p32(uint32_t(dib.size()));
  p32(22);
  ico.insert(ico.end(), dib.begin(), dib.end());
  auto image = decode(ico);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->height(), 2u);
  EXPECT_EQ(image->pixel(0, 1), 0xffff0000u);  // bottom row stored first
  EXPECT_EQ(image->pixel(1, 1), 0x80008000u);
  EXPECT_EQ(image->pixel(1, 0), 0u);
}

}  // namespace

namespace {

// A JPEG 2000 codestream header (no tile data) declaring `size` x `size` pixels of
// `components` 8-bit components.
std::vector<uint8_t> jpeg2000Header(uint32_t size, uint16_t components) {
  std::vector<uint8_t> b = {0xff, 0x4f, 0xff, 0x51};
  auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v)); };
  auto u32 = [&](uint32_t v) { u16(v >> 16), u16(v & 0xffff); };
  u16(38 + 3 * components);
  u16(0);                                     // capabilities
  u32(size), u32(size), u32(0), u32(0);       // image size and offset
  u32(size), u32(size), u32(0), u32(0);       // one tile
  u16(components);
  for (uint16_t c = 0; c < components; ++c) b.insert(b.end(), {7, 1, 1});
  b.insert(b.end(), {0xff, 0x52, 0x00, 0x0c, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0x04, 0x04, 0x00, 0x01});
  b.insert(b.end(), {0xff, 0x5c, 0x00, 0x13, 0x40});
  b.insert(b.end(), 16, 0x40);
  b.insert(b.end(), {0xff, 0x90, 0x00, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0e, 0x00, 0x01, 0xff, 0x93, 0xff, 0xd9});
  return b;
}

}  // namespace

TEST(CodecJpeg2000, DecodedSizeCountsEveryComponentBeforeAnythingIsAllocated) {
  const auto* codec = gfx::codecs::codecFor(gfx::ImageFormat::JPEG2000);
  ASSERT_TRUE(codec);
  struct Case {
    uint32_t size;
    uint16_t components;
    bool accepted;
  } cases[] = {{64, 3, true}, {8192, 4, true}, {8192, 8, false}, {8192, 16, false}, {5792, 8, true}, {5793, 8, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " px, " + std::to_string(c.components) + " components");
    auto bytes = jpeg2000Header(c.size, c.components);
    EXPECT_LT(bytes.size(), 160u);
    auto decoder = codec->decoder(bytes.data(), bytes.size(), true);
    gfx::codecs::ImageInfo info;
    EXPECT_EQ(decoder->readInfo(info), c.accepted);
    if (!c.accepted) {
      gfx::codecs::Raster r;
      EXPECT_FALSE(decoder->decode(0, r));
      EXPECT_TRUE(r.pixels.empty());
      EXPECT_EQ(ImageSource::createWithData(fd::Data::create(bytes))->status(), gfx::kCGImageStatusInvalidData);
    }
  }
}

namespace {

int appendGifBytes(GifFileType* gif, const GifByteType* bytes, int n) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + n);
  return n;
}

struct GifFrame {
  int left, top, width, height;
  int disposal;
  uint8_t index;  // every pixel of the frame
};

// A GIF of `frames` over a `w` x `h` canvas, palette 0 black, 1 red, 2 blue, 3 green.
std::vector<uint8_t> writeGif(int w, int h, const std::vector<GifFrame>& frames) {
  std::vector<uint8_t> out;
  int err = 0;
  GifFileType* gif = EGifOpen(&out, appendGifBytes, &err);
  GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, w, h, 2, 0, map);
  for (const auto& f : frames) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = f.disposal;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    size_t len = EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(len), ext);
    EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr);
    std::vector<GifPixelType> line(size_t(f.width), f.index);
    for (int y = 0; y < f.height; ++y) EGifPutLine(gif, line.data(), f.width);
  }
  EGifCloseFile(gif, &err);
  GifFreeMapObject(map);
  return out;
}

}  // namespace

TEST(CodecGif, RestoringToThePreviousFrameBringsBackOnlyTheFramesArea) {
  // Red canvas kept; a blue square restored to what was under it; then a green dot elsewhere.
  auto bytes = writeGif(8, 8, {{0, 0, 8, 8, DISPOSE_DO_NOT, 1}, {2, 2, 3, 3, DISPOSE_PREVIOUS, 2},
                               {6, 6, 1, 1, DISPOSE_PREVIOUS, 3}});
  auto source = ImageSource::createWithData(fd::Data::create(bytes));
  ASSERT_EQ(source->count(), 3u);
  auto f1 = source->createImageAtIndex(1), f2 = source->createImageAtIndex(2);
  ASSERT_TRUE(f1 && f2);
  EXPECT_EQ(f1->pixel(3, 3), 0xff0000ffu);
  EXPECT_EQ(f1->pixel(0, 0), 0xffff0000u);
  EXPECT_EQ(f2->pixel(3, 3), 0xffff0000u);  // the blue square's area is red again
  EXPECT_EQ(f2->pixel(6, 6), 0xff00ff00u);
  EXPECT_EQ(f2->pixel(0, 7), 0xffff0000u);
  // The last frame again, and the frames before it, decode the same a second time.
  auto again = ImageSource::createWithData(fd::Data::create(bytes));
  EXPECT_EQ(again->createImageAtIndex(2)->pixel(3, 3), 0xffff0000u);
  EXPECT_EQ(again->createImageAtIndex(1)->pixel(3, 3), 0xff0000ffu);
  EXPECT_EQ(again->createImageAtIndex(2, props({{gfx::kCGImageSourceShouldCache, fd::box(false)}}))->pixel(6, 6), 0xff00ff00u);
}
