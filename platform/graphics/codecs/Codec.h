#pragma once
// The interface every image codec implements. Decoders read a byte buffer that may be a prefix
// of the file still growing; they produce premultiplied ARGB32 rasters in native byte order,
// rows `width` pixels apart. Encoders take the same rasters.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/ImageTypes.h"

namespace gfx::codecs {

/// The most pixels a decoder allocates for one image or canvas (8192 x 8192).
inline constexpr uint64_t kMaxPixels = uint64_t(1) << 26;

/// Premultiplied ARGB32 pixels (or CMYK, see below), row stride = width. `rows` counts the rows holding decoded
/// data (from the top); below them, and wherever a partial pass left holes, pixels are zero.
struct Raster {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t rows = 0;
  std::vector<uint32_t> pixels;
  /// Set when the words hold plain C, M, Y, K bytes (in that memory order) instead.
  bool cmyk = false;

  void reset(uint32_t w, uint32_t h) {
    width = w;
    height = h;
    rows = 0;
    pixels.assign(static_cast<size_t>(w) * h, 0u);
  }
  bool complete() const { return height != 0 && rows == height; }
  uint32_t* row(uint32_t y) { return pixels.data() + static_cast<size_t>(y) * width; }
};

enum class ColorModel : uint8_t { RGB, Gray, CMYK };

struct FrameInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  int orientation = 0;      // EXIF 1-8; 0 when the file has none
  double delay = -1;        // seconds as stored; negative when the format keeps none
  bool hasAlpha = false;
};

struct ImageInfo {
  std::vector<FrameInfo> frames;
  int loopCount = -1;       // negative when the file says nothing
  bool progressive = false;
  bool interlaced = false;
  ColorModel model = ColorModel::RGB;
  int depth = 8;
  double dpiX = 0, dpiY = 0;
};

class Decoder {
 public:
  virtual ~Decoder() = default;
  /// Facts known from the bytes so far; false when even the header is missing or invalid.
  /// A growing file may report fewer frames than it will hold.
  virtual bool readInfo(ImageInfo& info) = 0;
  /// Decodes frame `index` into `out` (sized to the frame); false when nothing at all could
  /// be decoded. Truncated data leaves `out.rows` short of the height.
  virtual bool decode(size_t index, Raster& out) = 0;
};

/// Decodes one still image from bytes fed in order as they arrive, keeping its state (and its
/// canvas) between pieces, so that an image fed in pieces costs about what it costs whole.
class IncrementalDecoder {
 public:
  enum class State : uint8_t {
    Reading,      // waiting for more bytes
    Done,         // every row decoded
    Failed,       // the stream is broken; the rows decoded before stay
    Unsupported,  // a kind of file this decoder leaves to the whole-file decoder (animation)
  };
  virtual ~IncrementalDecoder() = default;
  /// Takes the file so far: the bytes fed before (which may have moved since) and new ones
  /// after them. Only the new ones are decoded.
  virtual State feed(const uint8_t* data, size_t size) = 0;
  virtual State state() const = 0;
  /// The image so far: sized once the header is read, `rows` decoded from the top; for an
  /// interlaced or progressive file every row holds the passes seen so far. Null before the
  /// header.
  virtual const Raster* canvas() = 0;
  /// Hands the canvas over once done (the decoder is finished with it).
  virtual Raster takeCanvas() = 0;
  /// Rows from the top of the canvas that later bytes leave as they are: the decoded rows of
  /// a file decoded top to bottom; none of an interlaced or progressive one before it is done.
  virtual uint32_t settledRows() const = 0;
  /// The bytes of the file the codec has read so far, for tests and diagnostics: a file fed in
  /// pieces is read once, so this never passes the bytes fed.
  virtual size_t bytesRead() const = 0;
};

using IncrementalDecoderFactory = std::unique_ptr<IncrementalDecoder> (*)();

struct EncodeFrame {
  const Raster* raster = nullptr;
  double delay = 0.1;       // seconds, for animated formats
  double quality = -1;      // 0..1 for lossy formats; negative: the codec's default
};

struct EncodeOptions {
  int loopCount = 0;        // animated formats: 0 = forever
};

using DecoderFactory = std::unique_ptr<Decoder> (*)(const uint8_t* data, size_t size, bool complete);
using EncodeFunction = bool (*)(const std::vector<EncodeFrame>& frames, const EncodeOptions& options,
                                std::vector<uint8_t>& out);

struct Codec {
  ImageFormat format = ImageFormat::Unknown;
  DecoderFactory decoder = nullptr;
  EncodeFunction encoder = nullptr;
  bool encodesAnimation = false;
  /// For formats whose still images decode as their bytes arrive.
  IncrementalDecoderFactory incremental = nullptr;
};

/// The codec for a format, or null.
const Codec* codecFor(ImageFormat format);

}  // namespace gfx::codecs
