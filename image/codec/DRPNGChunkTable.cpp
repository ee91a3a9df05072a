#include "image/codec/DRPNGChunkTable.h"

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace image {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

uint32_t readU32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t readU16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
void writeU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}
void writeU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

// The ordering rules of an animation; false means the file is read as a still PNG.
bool chunkOrderIsValid(DRPNGInfo& info) {
  bool seenIHDR = false, seenAcTL = false, seenFcTL = false;
  bool seenIDAT = false, idatRunEnded = false;
  const auto& chunks = info.chunks;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const uint32_t type = chunks[i].fourcc;
    const uint32_t prev = i > 0 ? chunks[i - 1].fourcc : 0;
    if (seenIDAT && type != DRPNGChunkIDAT) idatRunEnded = true;
    switch (type) {
      case DRPNGChunkIHDR:
        if (i != 0 || seenIHDR) return false;
        seenIHDR = true;
        break;
      case DRPNGChunkacTL:
        if (seenAcTL) return false;
        seenAcTL = true;
        break;
      case DRPNGChunkfcTL: {
        if (i + 1 >= chunks.size()) return false;
        const uint32_t next = chunks[i + 1].fourcc;
        if (next != DRPNGChunkfdAT && next != DRPNGChunkIDAT) return false;
        if (!seenFcTL && next == DRPNGChunkIDAT) info.apng_first_frame_is_cover = true;
        seenFcTL = true;
        break;
      }
      case DRPNGChunkIDAT:
        if (idatRunEnded) return false;
        if (!seenIDAT) info.apng_shared_insert_index = uint32_t(i);
        seenIDAT = true;
        break;
      case DRPNGChunkfdAT:
        if (prev != DRPNGChunkfcTL && prev != DRPNGChunkfdAT) return false;
        break;
      default:
        break;
    }
  }
  return seenAcTL && seenIDAT;
}

// Every frame must lie inside the canvas, and a cover frame must be the canvas: a frame the
// file places elsewhere would be drawn outside the pixels the decoder owns.
bool frameGeometryIsValid(const DRPNGInfo& info) {
  for (size_t i = 0; i < info.apng_frames.size(); ++i) {
    const auto& fc = info.apng_frames[i].frame_control;
    if (fc.width == 0 || fc.height == 0) return false;
    if (uint64_t(fc.x_offset) + fc.width > info.width || uint64_t(fc.y_offset) + fc.height > info.height) return false;
    if (i == 0 && info.apng_first_frame_is_cover &&
        (fc.width != info.width || fc.height != info.height || fc.x_offset != 0 || fc.y_offset != 0))
      return false;
    if (info.apng_frames[i].chunk_num == 0) return false;
  }
  return true;
}

void makeStill(DRPNGInfo& info) {
  info.apng_frames.clear();
  info.apng_shared_chunk_indexs.clear();
  info.apng_shared_chunk_size = 0;
  info.apng_first_frame_is_cover = false;
}

}  // namespace

uint32_t DRPNGChunkCRC(uint32_t type, const uint8_t* data, size_t length) {
  uint8_t t[4];
  writeU32(t, type);
  uLong crc = crc32(0L, t, 4);
  // zlib takes a 32-bit length; feed long data in pieces.
  while (length > 0) {
    const uInt piece = uInt(std::min<size_t>(length, 1u << 30));
    crc = crc32(crc, data, piece);
    data += piece;
    length -= piece;
  }
  return uint32_t(crc);
}

DRPNGInfo* DRPNGChunkTable(const uint8_t* data, size_t length) {
  if (!data || length < 32 || length > std::numeric_limits<uint32_t>::max()) return nullptr;
  if (std::memcmp(data, kSignature, 8) != 0) return nullptr;

  std::vector<DRPNGChunk> chunks;
  chunks.reserve(16);
  bool animated = true;
  int64_t acTLFrames = 0;
  uint32_t plays = 0;
  uint32_t fcTLCount = 0;
  int64_t lastSequence = -1;
  // 64-bit offsets: a length near 2^32 must not wrap past the end check.
  uint64_t offset = 8;
  while (offset + 12 <= length) {
    DRPNGChunk chunk;
    chunk.offset = uint32_t(offset);
    chunk.length = readU32(data + offset);
    chunk.fourcc = readU32(data + offset + 4);
    const uint64_t next = offset + uint64_t(chunk.length) + 12;
    if (next > length) return nullptr;
    chunk.crc = readU32(data + next - 4);
    chunks.push_back(chunk);
    const uint8_t* body = data + offset + 8;
    if (chunk.fourcc == DRPNGChunkIEND) break;
    if (chunk.fourcc == DRPNGChunkacTL) {
      if (chunk.length == 8) {
        acTLFrames = int32_t(readU32(body));
        plays = readU32(body + 4);
      } else {
        animated = false;
      }
    }
    if (chunk.fourcc == DRPNGChunkfcTL) {
      if (chunk.length != 26) animated = false;
      else ++fcTLCount;
    }
    if (chunk.fourcc == DRPNGChunkfcTL || chunk.fourcc == DRPNGChunkfdAT) {
      if (chunk.length < 5) {
        animated = false;
      } else {
        const uint32_t sequence = readU32(body);
        if (int64_t(sequence) == lastSequence + 1) lastSequence = sequence;
        else animated = false;
      }
    }
    offset = next;
  }

  if (chunks.size() < 3 || chunks[0].fourcc != DRPNGChunkIHDR || chunks[0].length != 13) return nullptr;
  auto* info = new DRPNGInfo();
  info->chunks = std::move(chunks);
  const uint8_t* ihdr = data + info->chunks[0].offset + 8;
  info->width = readU32(ihdr);
  info->height = readU32(ihdr + 4);
  info->bit_depth = ihdr[8];
  info->color_type = ihdr[9];
  info->compression_method = ihdr[10];
  info->filter_method = ihdr[11];
  info->interlace_method = ihdr[12];

  if (!animated || acTLFrames < 1 || uint64_t(acTLFrames) != fcTLCount || info->chunks.back().fourcc != DRPNGChunkIEND)
    return info;
  if (!chunkOrderIsValid(*info)) {
    makeStill(*info);
    return info;
  }

  info->apng_loop_num = plays;
  info->apng_frames.resize(size_t(acTLFrames));
  info->apng_shared_chunk_indexs.reserve(info->chunks.size());
  int64_t current = -1;
  for (uint32_t i = 0; i < info->chunks.size(); ++i) {
    const DRPNGChunk& chunk = info->chunks[i];
    bool belongs = false;
    switch (chunk.fourcc) {
      case DRPNGChunkacTL:
        continue;
      case DRPNGChunkfcTL:
        ++current;
        info->apng_frames[size_t(current)].chunk_index = i + 1;
        info->apng_frames[size_t(current)].frame_control = DRPNGFrameControlRead(data + chunk.offset + 8);
        continue;
      case DRPNGChunkIDAT:
        belongs = info->apng_first_frame_is_cover && current >= 0;
        if (!belongs) continue;
        break;
      case DRPNGChunkfdAT:
        belongs = current >= 0;
        if (!belongs) continue;
        break;
      default:
        info->apng_shared_chunk_indexs.push_back(i);
        info->apng_shared_chunk_size += uint64_t(chunk.length) + 12;
        continue;
    }
    DRPNGFrame& frame = info->apng_frames[size_t(current)];
    ++frame.chunk_num;
    frame.chunk_size += uint64_t(chunk.length) + 12;
  }
  if (!frameGeometryIsValid(*info)) makeStill(*info);
  return info;
}

void DRPNGInfoRelease(DRPNGInfo* info) { delete info; }

std::optional<std::vector<uint8_t>> DRPNGFrameRebuild(const DRPNGInfo& info, const uint8_t* data, size_t length,
                                                      uint32_t index) {
  if (index >= info.apng_frames.size() || !data) return std::nullopt;
  const DRPNGFrame& frame = info.apng_frames[index];
  if (uint64_t(frame.chunk_index) + frame.chunk_num > info.chunks.size()) return std::nullopt;
  const bool coverChunks = index == 0 && info.apng_first_frame_is_cover;
  const uint64_t size =
      8 + info.apng_shared_chunk_size + frame.chunk_size - (coverChunks ? 0 : uint64_t(frame.chunk_num) * 4);
  std::vector<uint8_t> out(kSignature, kSignature + 8);
  out.reserve(size_t(size));

  // The table may be asked about other bytes than it scanned: check every copy.
  auto fits = [&](const DRPNGChunk& c) { return uint64_t(c.offset) + c.length + 12 <= length; };
  auto writeFrameChunks = [&]() -> bool {
    for (uint32_t k = 0; k < frame.chunk_num; ++k) {
      const DRPNGChunk& c = info.chunks[frame.chunk_index + k];
      if (!fits(c)) return false;
      const uint8_t* body = data + c.offset + 8;
      if (c.fourcc == DRPNGChunkfdAT) {
        if (c.length < 4) return false;
        uint8_t head[8];
        writeU32(head, c.length - 4);
        writeU32(head + 4, DRPNGChunkIDAT);
        out.insert(out.end(), head, head + 8);
        out.insert(out.end(), body + 4, body + c.length);
        uint8_t crc[4];
        writeU32(crc, DRPNGChunkCRC(DRPNGChunkIDAT, body + 4, c.length - 4));
        out.insert(out.end(), crc, crc + 4);
      } else {
        out.insert(out.end(), data + c.offset, data + c.offset + c.length + 12);
      }
    }
    return true;
  };

  bool inserted = false;
  for (uint32_t sharedIndex : info.apng_shared_chunk_indexs) {
    const DRPNGChunk& c = info.chunks[sharedIndex];
    if (!inserted && sharedIndex >= info.apng_shared_insert_index) {
      if (!writeFrameChunks()) return std::nullopt;
      inserted = true;
    }
    if (!fits(c)) return std::nullopt;
    if (c.fourcc == DRPNGChunkIHDR) {
      uint8_t ihdr[25];
      writeU32(ihdr, 13);
      writeU32(ihdr + 4, DRPNGChunkIHDR);
      writeU32(ihdr + 8, frame.frame_control.width);
      writeU32(ihdr + 12, frame.frame_control.height);
      ihdr[16] = info.bit_depth;
      ihdr[17] = info.color_type;
      ihdr[18] = info.compression_method;
      ihdr[19] = info.filter_method;
      ihdr[20] = info.interlace_method;
      writeU32(ihdr + 21, DRPNGChunkCRC(DRPNGChunkIHDR, ihdr + 8, 13));
      out.insert(out.end(), ihdr, ihdr + 25);
    } else {
      out.insert(out.end(), data + c.offset, data + c.offset + c.length + 12);
    }
  }
  if (!inserted && !writeFrameChunks()) return std::nullopt;
  return out;
}

double DRPNGDelayToSeconds(uint16_t num, uint16_t den) { return double(num) / (den == 0 ? 100.0 : double(den)); }

void DRPNGDelayToFraction(double duration, uint16_t* num, uint16_t* den) {
  if (duration >= 255) {
    *num = 255;
    *den = 1;
    return;
  }
  if (!(duration > 1.0 / 255)) {  // NaN included
    *num = 1;
    *den = 255;
    return;
  }
  int64_t p[3] = {0, 1, 0}, q[3] = {1, 0, 0};
  int64_t bestP = 0, bestQ = 0;
  double x = duration;
  for (int i = 0; i < 8; ++i) {
    const double a = std::floor(x);
    p[2] = int64_t(a) * p[1] + p[0];
    q[2] = int64_t(a) * q[1] + q[0];
    if (p[2] > 255 || q[2] > 255) break;
    bestP = p[2];
    bestQ = q[2];
    if (std::fabs(x - a) < 0.5 / 255) break;
    x = 1.0 / (x - a);
    p[0] = p[1];
    p[1] = p[2];
    q[0] = q[1];
    q[1] = q[2];
  }
  if (bestP == 0 || bestQ == 0) {
    bestP = 1;
    bestQ = 100;
  }
  *num = uint16_t(bestP);
  *den = uint16_t(bestQ);
}

void DRPNGFrameControlWrite(uint8_t out[26], const DRPNGFrameControl& fc) {
  writeU32(out, fc.sequence_number);
  writeU32(out + 4, fc.width);
  writeU32(out + 8, fc.height);
  writeU32(out + 12, fc.x_offset);
  writeU32(out + 16, fc.y_offset);
  writeU16(out + 20, fc.delay_num);
  writeU16(out + 22, fc.delay_den);
  out[24] = fc.dispose_op;
  out[25] = fc.blend_op;
}

DRPNGFrameControl DRPNGFrameControlRead(const uint8_t in[26]) {
  DRPNGFrameControl fc;
  fc.sequence_number = readU32(in);
  fc.width = readU32(in + 4);
  fc.height = readU32(in + 8);
  fc.x_offset = readU32(in + 12);
  fc.y_offset = readU32(in + 16);
  fc.delay_num = readU16(in + 20);
  fc.delay_den = readU16(in + 22);
  fc.dispose_op = in[24];
  fc.blend_op = in[25];
  return fc;
}

}  // namespace image
