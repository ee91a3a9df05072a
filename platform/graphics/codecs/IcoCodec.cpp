#include "platform/graphics/codecs/IcoCodec.h"

#include <algorithm>
#include <cstring>

#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/graphics/codecs/ByteOrder.h"
#include "platform/graphics/codecs/PngCodec.h"

namespace gfx::codecs {

namespace {

struct Entry {
  uint32_t width, height;
  size_t offset, size;
};

class IcoDecoder final : public Decoder {
 public:
  IcoDecoder(const uint8_t* d, size_t n) : data_(d), size_(n) {}

  bool readInfo(ImageInfo& info) override {
    if (!parse()) return false;
    info.frames.clear();
    for (const auto& e : entries_) {
      FrameInfo f;
      f.width = e.width;
      f.height = e.height;
      f.hasAlpha = true;
      // A PNG entry knows its real size better than the directory byte does.
      if (e.size >= 24 && std::memcmp(data_ + e.offset, "\x89PNG", 4) == 0) {
        ImageInfo inner;
        auto d = makePngDecoder(data_ + e.offset, e.size, true);
        if (d->readInfo(inner)) f = inner.frames[0];
      }
      info.frames.push_back(f);
    }
    return !info.frames.empty();
  }

  bool decode(size_t index, Raster& out) override {
    if (!parse() || index >= entries_.size()) return false;
    const Entry& e = entries_[index];
    if (e.size == 0) return false;
    const uint8_t* p = data_ + e.offset;
    if (e.size >= 8 && std::memcmp(p, "\x89PNG", 4) == 0) return makePngDecoder(p, e.size, true)->decode(0, out);
    return decodeIconDib(p, e.size, out);
  }

 private:
  bool parse() {
    if (parsed_) return !entries_.empty();
    parsed_ = true;
    if (size_ < 6 || le16(data_) != 0 || (le16(data_ + 2) != 1 && le16(data_ + 2) != 2)) return false;
    uint32_t count = le16(data_ + 4);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* d = data_ + 6 + 16 * size_t(i);
      if (6 + 16 * size_t(i + 1) > size_) break;
      Entry e{d[0] ? d[0] : 256u, d[1] ? d[1] : 256u, le32(d + 12), le32(d + 8)};
      if (e.offset >= size_) continue;
      e.size = std::min(e.size, size_ - e.offset);  // a cut-short file keeps what it has
      entries_.push_back(e);
    }
    return !entries_.empty();
  }
  const uint8_t* data_;
  size_t size_;
  bool parsed_ = false;
  std::vector<Entry> entries_;
};

}  // namespace

std::unique_ptr<Decoder> makeIcoDecoder(const uint8_t* data, size_t size, bool) {
  return std::make_unique<IcoDecoder>(data, size);
}

bool encodeIco(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out) {
  if (frames.empty() || frames.size() > 65535) return false;
  std::vector<std::vector<uint8_t>> pngs(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    const Raster* r = frames[i].raster;
    if (!r || r->width > 256 || r->height > 256) return false;
    if (!encodePng({frames[i]}, options, pngs[i])) return false;
  }
  out.clear();
  putLe16(out, 0);
  putLe16(out, 1);
  putLe16(out, uint32_t(frames.size()));
  size_t offset = 6 + 16 * frames.size();
  for (size_t i = 0; i < frames.size(); ++i) {
    const Raster* r = frames[i].raster;
    out.push_back(uint8_t(r->width & 0xff));
    out.push_back(uint8_t(r->height & 0xff));
    out.push_back(0);
    out.push_back(0);
    putLe16(out, 1);
    putLe16(out, 32);
    putLe32(out, uint32_t(pngs[i].size()));
    putLe32(out, uint32_t(offset));
    offset += pngs[i].size();
  }
  for (const auto& p : pngs) out.insert(out.end(), p.begin(), p.end());
  return true;
}

}  // namespace gfx::codecs
