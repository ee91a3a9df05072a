#include "tools/sample-service/service/AnimationEncoders.h"

#include <array>
#include <cstring>
#include <string>

#include <gif_lib.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace sample {
namespace {

int appendGIF(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

uint32_t crc32Of(const uint8_t* bytes, size_t length, uint32_t crc = 0) {
  static const auto table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < length; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& body) {
  put32(out, static_cast<uint32_t>(body.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  put32(out, crc32Of(&out[start], out.size() - start));
}

struct Chunk {
  std::string type;
  std::vector<uint8_t> body;
};

// The chunks of a PNG written by our own still encoder; empty when the file is malformed.
std::vector<Chunk> chunksOf(const std::vector<uint8_t>& png) {
  std::vector<Chunk> chunks;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = (uint32_t(png[at]) << 24) | (uint32_t(png[at + 1]) << 16) | (uint32_t(png[at + 2]) << 8) |
                            uint32_t(png[at + 3]);
    if (length > png.size() - at - 12) return {};
    chunks.push_back({std::string(reinterpret_cast<const char*>(&png[at + 4]), 4),
                      std::vector<uint8_t>(png.begin() + long(at + 8), png.begin() + long(at + 8 + length))});
    at += 12 + length;
  }
  return chunks;
}

}  // namespace

std::vector<uint8_t> encodeAnimatedGIF(const std::vector<IndexedPicture>& frames, int frameMilliseconds) {
  if (frames.empty()) return {};
  const IndexedPicture& first = frames.front();
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, appendGIF, &error);
  if (!gif) return {};
  EGifSetGifVersion(gif, true);
  GifColorType colours[16];
  for (int i = 0; i < 16; ++i) colours[i] = {first.palette[i * 3u], first.palette[i * 3u + 1], first.palette[i * 3u + 2]};
  ColorMapObject* map = GifMakeMapObject(16, colours);
  bool ok = map && EGifPutScreenDesc(gif, first.width, first.height, 4, 0, map) == GIF_OK;
  // Loop forever.
  unsigned char application[] = "NETSCAPE2.0";
  unsigned char loops[] = {1, 0, 0};
  ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
       EGifPutExtensionBlock(gif, 11, application) == GIF_OK && EGifPutExtensionBlock(gif, 3, loops) == GIF_OK &&
       EGifPutExtensionTrailer(gif) == GIF_OK;
  const int hundredths = frameMilliseconds / 10;
  for (const auto& frame : frames) {
    // Disposal "leave in place", the delay in hundredths, no transparent colour.
    unsigned char control[] = {1 << 2, static_cast<unsigned char>(hundredths & 0xFF),
                               static_cast<unsigned char>(hundredths >> 8), 0};
    ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK &&
         EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < frame.height; ++y) {
      auto* row = const_cast<GifPixelType*>(&frame.pixels[static_cast<size_t>(y) * frame.width]);
      ok = EGifPutLine(gif, row, frame.width) == GIF_OK;
    }
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok ? out : std::vector<uint8_t>();
}

std::vector<uint8_t> encodeAnimatedPNG(const std::vector<IndexedPicture>& frames, int frameMilliseconds) {
  if (frames.empty()) return {};
  // Each frame is written as a still PNG; its compressed rows become the frame's data.
  std::vector<std::vector<Chunk>> stills;
  for (const auto& frame : frames) {
    auto chunks = chunksOf(encodePNG(frame));
    if (chunks.empty() || chunks.front().type != "IHDR") return {};
    stills.push_back(std::move(chunks));
  }
  static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> out(kSignature, kSignature + 8);
  putChunk(out, "IHDR", stills.front().front().body);
  std::vector<uint8_t> control;
  put32(control, static_cast<uint32_t>(frames.size()));
  put32(control, 0);  // loop forever
  putChunk(out, "acTL", control);
  for (const auto& chunk : stills.front())
    if (chunk.type == "PLTE") putChunk(out, "PLTE", chunk.body);
  uint32_t sequence = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    std::vector<uint8_t> frameControl;
    put32(frameControl, sequence++);
    put32(frameControl, static_cast<uint32_t>(frames[i].width));
    put32(frameControl, static_cast<uint32_t>(frames[i].height));
    put32(frameControl, 0);
    put32(frameControl, 0);
    put16(frameControl, static_cast<uint16_t>(frameMilliseconds));
    put16(frameControl, 1000);
    frameControl.push_back(0);  // dispose: none
    frameControl.push_back(0);  // blend: source
    putChunk(out, "fcTL", frameControl);
    for (const auto& chunk : stills[i]) {
      if (chunk.type != "IDAT") continue;
      if (i == 0) {
        putChunk(out, "IDAT", chunk.body);
      } else {
        std::vector<uint8_t> body;
        put32(body, sequence++);
        body.insert(body.end(), chunk.body.begin(), chunk.body.end());
        putChunk(out, "fdAT", body);
      }
    }
  }
  putChunk(out, "IEND", {});
  return out;
}

std::vector<uint8_t> encodeAnimatedWebP(const std::vector<IndexedPicture>& frames, int frameMilliseconds) {
  if (frames.empty()) return {};
  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options)) return {};
  options.anim_params.loop_count = 0;
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(frames.front().width, frames.front().height, &options);
  if (!encoder) return {};
  bool ok = true;
  int timestamp = 0;
  for (const auto& frame : frames) {
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&picture)) {
      ok = false;
      break;
    }
    config.quality = 80;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.use_argb = 1;
    auto rgb = frame.rgb();
    ok = WebPPictureImportRGB(&picture, rgb.data(), frame.width * 3) &&
         WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
    WebPPictureFree(&picture);
    if (!ok) break;
    timestamp += frameMilliseconds;
  }
  WebPData assembled;
  WebPDataInit(&assembled);
  ok = ok && WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr) && WebPAnimEncoderAssemble(encoder, &assembled);
  std::vector<uint8_t> out;
  if (ok) out.assign(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  WebPAnimEncoderDelete(encoder);
  return out;
}

}  // namespace sample
