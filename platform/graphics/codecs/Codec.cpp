#include "platform/graphics/codecs/Codec.h"

#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/graphics/codecs/GifCodec.h"
#include "platform/graphics/codecs/IcnsCodec.h"
#include "platform/graphics/codecs/IcoCodec.h"
#include "platform/graphics/codecs/Jpeg2000Codec.h"
#include "platform/graphics/codecs/JpegCodec.h"
#include "platform/graphics/codecs/PngCodec.h"
#include "platform/graphics/codecs/TiffCodec.h"
#include "platform/graphics/codecs/WebPCodec.h"

namespace gfx::codecs {

namespace {

constexpr Codec kCodecs[] = {
    {ImageFormat::PNG, makePngDecoder, encodePng, false, makeIncrementalPngDecoder},
    {ImageFormat::JPEG, makeJpegDecoder, encodeJpeg, false, makeIncrementalJpegDecoder},
    {ImageFormat::GIF, makeGifDecoder, encodeGif, true},
    {ImageFormat::WebP, makeWebPDecoder, encodeWebP, true, makeIncrementalWebPDecoder},
    {ImageFormat::BMP, makeBmpDecoder, encodeBmp, false},
    {ImageFormat::ICO, makeIcoDecoder, encodeIco, true},
    {ImageFormat::TIFF, makeTiffDecoder, encodeTiff, true},
    {ImageFormat::JPEG2000, makeJpeg2000Decoder, encodeJpeg2000, false},
    {ImageFormat::ICNS, makeIcnsDecoder, encodeIcns, true},
};

}  // namespace

const Codec* codecFor(ImageFormat format) {
  for (const auto& c : kCodecs)
    if (c.format == format) return &c;
  return nullptr;
}

}  // namespace gfx::codecs
