#pragma once
// The chunk table of PNG bytes: which chunks there are, whether they form a valid APNG
// animation, which chunks make up each frame, and the rebuild of one frame as a still PNG.
// The table refers into the scanned bytes without copying them; they must outlive it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace image {

constexpr uint32_t DRFourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) << 24 | uint32_t(uint8_t(b)) << 16 | uint32_t(uint8_t(c)) << 8 | uint32_t(uint8_t(d));
}

inline constexpr uint32_t DRPNGChunkIHDR = DRFourCC('I', 'H', 'D', 'R');
inline constexpr uint32_t DRPNGChunkIDAT = DRFourCC('I', 'D', 'A', 'T');
inline constexpr uint32_t DRPNGChunkIEND = DRFourCC('I', 'E', 'N', 'D');
inline constexpr uint32_t DRPNGChunkacTL = DRFourCC('a', 'c', 'T', 'L');
inline constexpr uint32_t DRPNGChunkfcTL = DRFourCC('f', 'c', 'T', 'L');
inline constexpr uint32_t DRPNGChunkfdAT = DRFourCC('f', 'd', 'A', 'T');

/// The frame control record, numbers in host order.
struct DRPNGFrameControl {
  uint32_t sequence_number = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t x_offset = 0;
  uint32_t y_offset = 0;
  uint16_t delay_num = 0;
  uint16_t delay_den = 0;
  uint8_t dispose_op = 0;
  uint8_t blend_op = 0;
};

struct DRPNGChunk {
  uint32_t offset = 0;  // of the length field, from the start of the data
  uint32_t fourcc = 0;
  uint32_t length = 0;  // of the data
  uint32_t crc = 0;     // as stored, never verified
};

struct DRPNGFrame {
  uint32_t chunk_index = 0;  // first chunk after the frame's fcTL
  uint32_t chunk_num = 0;
  uint64_t chunk_size = 0;   // on file, each chunk counted as length + 12
  DRPNGFrameControl frame_control;
};

struct DRPNGInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bit_depth = 0;
  uint8_t color_type = 0;
  uint8_t compression_method = 0;
  uint8_t filter_method = 0;
  uint8_t interlace_method = 0;

  std::vector<DRPNGChunk> chunks;
  std::vector<DRPNGFrame> apng_frames;
  uint32_t apng_loop_num = 0;
  std::vector<uint32_t> apng_shared_chunk_indexs;
  uint64_t apng_shared_chunk_size = 0;
  uint32_t apng_shared_insert_index = 0;
  bool apng_first_frame_is_cover = false;

  uint32_t chunk_num() const { return uint32_t(chunks.size()); }
  uint32_t apng_frame_num() const { return uint32_t(apng_frames.size()); }
};

/// Null when the bytes are not a PNG that can be scanned. A PNG that breaks an animation rule
/// (or whose frames do not fit its canvas) comes back with no frames: a still image.
DRPNGInfo* DRPNGChunkTable(const uint8_t* data, size_t length);
void DRPNGInfoRelease(DRPNGInfo* info);

/// A standalone still PNG of frame `index`; nothing for an index past the frames.
std::optional<std::vector<uint8_t>> DRPNGFrameRebuild(const DRPNGInfo& info, const uint8_t* data, size_t length,
                                                      uint32_t index);

/// numerator / denominator seconds; a denominator of 0 counts as 100.
double DRPNGDelayToSeconds(uint16_t num, uint16_t den);
void DRPNGDelayToFraction(double duration, uint16_t* num, uint16_t* den);

/// The 26 bytes of an fcTL chunk's data.
void DRPNGFrameControlWrite(uint8_t out[26], const DRPNGFrameControl& fc);
DRPNGFrameControl DRPNGFrameControlRead(const uint8_t in[26]);

/// The PNG CRC-32 of `type` followed by `length` bytes of `data`.
uint32_t DRPNGChunkCRC(uint32_t type, const uint8_t* data, size_t length);

}  // namespace image
