#include "image/codec/DRPNGChunkTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "tests/image/ImageSamples.h"

using namespace image_samples;
using image::DRPNGInfo;

namespace {

struct TableDeleter {
  void operator()(DRPNGInfo* info) const { image::DRPNGInfoRelease(info); }
};
using Table = std::unique_ptr<DRPNGInfo, TableDeleter>;

Table scan(const std::vector<uint8_t>& bytes) { return Table(image::DRPNGChunkTable(bytes.data(), bytes.size())); }

std::vector<ApngFrame> threeFrames() {
  return {{solidBitmap(8, 6, 0xffff0000u)},
          {solidBitmap(4, 2, 0xff00ff00u), 2, 3, 1, 5, 1, 1},
          {solidBitmap(8, 6, 0xff0000ffu), 0, 0, 3, 100, 2, 0}};
}

TEST(PNGChunkTable, GroupsAnAnimationIntoFramesAndRebuildsEachAsAStillPNG) {
  auto bytes = bytesOf(apngChunks(8, 6, threeFrames(), 4));
  auto table = scan(bytes);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->width, 8u);
  EXPECT_EQ(table->height, 6u);
  ASSERT_EQ(table->apng_frame_num(), 3u);
  EXPECT_EQ(table->apng_loop_num, 4u);
  EXPECT_TRUE(table->apng_first_frame_is_cover);
  EXPECT_EQ(table->chunks[table->apng_shared_insert_index].fourcc, image::DRPNGChunkIDAT);
  const auto& fc1 = table->apng_frames[1].frame_control;
  EXPECT_EQ(fc1.width, 4u);
  EXPECT_EQ(fc1.x_offset, 2u);
  EXPECT_EQ(fc1.y_offset, 3u);
  EXPECT_EQ(fc1.delay_den, 5u);
  EXPECT_EQ(fc1.dispose_op, 1u);

  const uint32_t colours[3] = {0xffff0000u, 0xff00ff00u, 0xff0000ffu};
  for (uint32_t i = 0; i < 3; ++i) {
    auto frame = image::DRPNGFrameRebuild(*table, bytes.data(), bytes.size(), i);
    ASSERT_TRUE(frame) << i;
    auto chunks = chunksOf(*frame);
    // The header carries the frame's own size with a fresh CRC, which the platform reader checks.
    EXPECT_EQ(be32(chunks[0].data.data()), table->apng_frames[i].frame_control.width);
    for (const auto& c : chunks) {
      EXPECT_NE(c.type, image::DRPNGChunkacTL);
      EXPECT_NE(c.type, image::DRPNGChunkfdAT);
    }
    auto source = gfx::ImageSource::createWithData(dataOf(*frame));
    auto pixels = source ? source->createImageAtIndex(0) : nullptr;
    ASSERT_TRUE(pixels) << i;
    EXPECT_EQ(pixels->width(), table->apng_frames[i].frame_control.width);
    EXPECT_EQ(pixels->pixel(0, 0), colours[i]) << i;
  }
  EXPECT_FALSE(image::DRPNGFrameRebuild(*table, bytes.data(), bytes.size(), 3));
}

TEST(PNGChunkTable, ADefaultImageOutsideTheAnimationBelongsToNoFrame) {
  auto frames = threeFrames();
  auto bytes = bytesOf(apngChunks(8, 6, frames, 0, false, solidBitmap(8, 6, 0xffffffffu)));
  auto table = scan(bytes);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->apng_frame_num(), 3u);
  EXPECT_FALSE(table->apng_first_frame_is_cover);
  EXPECT_EQ(table->chunks[table->apng_frames[0].chunk_index].fourcc, image::DRPNGChunkfdAT);
  auto frame0 = image::DRPNGFrameRebuild(*table, bytes.data(), bytes.size(), 0);
  ASSERT_TRUE(frame0);
  auto pixels = gfx::ImageSource::createWithData(dataOf(*frame0))->createImageAtIndex(0);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels->pixel(3, 3), 0xffff0000u);
}

// Each case bends a valid three-frame file; the result is no table (nullptr) or a still PNG.
TEST(PNGChunkTable, BrokenOrHostileFilesAreRejectedOrReadAsStills) {
  using Chunks = std::vector<Chunk>;
  auto find = [](Chunks& c, uint32_t type, int nth = 0) -> size_t {
    for (size_t i = 0; i < c.size(); ++i)
      if (c[i].type == type && nth-- == 0) return i;
    return c.size();
  };
  auto setSequence = [](Chunk& c, uint32_t s) { c.data[0] = 0, c.data[1] = 0, c.data[2] = uint8_t(s >> 8), c.data[3] = uint8_t(s); };
  auto setFrames = [](Chunks& c, uint32_t n) {
    c[1].data[0] = uint8_t(n >> 24), c[1].data[1] = uint8_t(n >> 16), c[1].data[2] = uint8_t(n >> 8), c[1].data[3] = uint8_t(n);
  };
  struct Case {
    const char* name;
    std::function<void(Chunks&)> bend;
    bool expectTable;
  };
  const std::vector<Case> cases = {
      {"a sequence number skips one", [&](Chunks& c) { setSequence(c[find(c, image::DRPNGChunkfdAT, 1)], 9); }, true},
      {"the sequence starts at 1", [&](Chunks& c) { setSequence(c[find(c, image::DRPNGChunkfcTL)], 1); }, true},
      {"acTL announces more frames than fcTL chunks", [&](Chunks& c) { setFrames(c, 4); }, true},
      {"acTL announces no frames", [&](Chunks& c) { setFrames(c, 0); }, true},
      {"acTL announces 2^31 frames", [&](Chunks& c) { setFrames(c, 0x80000000u); }, true},
      {"two acTL chunks", [&](Chunks& c) { c.insert(c.begin() + 2, c[1]); }, true},
      {"an acTL of the wrong length", [&](Chunks& c) { c[1].data.push_back(0); }, true},
      {"an fcTL directly before IEND",
       [&](Chunks& c) {
         auto fc = c[find(c, image::DRPNGChunkfcTL, 2)];
         c.erase(c.begin() + long(find(c, image::DRPNGChunkfcTL, 2)), c.end() - 1);
         c.insert(c.end() - 1, fc);
       },
       true},
      {"an fcTL followed by tEXt",
       [&](Chunks& c) { c.insert(c.begin() + long(find(c, image::DRPNGChunkfcTL, 1)) + 1, Chunk{image::DRFourCC('t', 'E', 'X', 't'), {'a', 0, 'b'}}); },
       true},
      {"two IDAT runs",
       [&](Chunks& c) {
         size_t at = find(c, image::DRPNGChunkIDAT);
         c.insert(c.begin() + long(at) + 1, Chunk{image::DRFourCC('t', 'E', 'X', 't'), {'a', 0, 'b'}});
         c.insert(c.begin() + long(at) + 2, c[at]);
       },
       true},
      {"an fdAT after an IDAT",
       [&](Chunks& c) { c.insert(c.begin() + long(find(c, image::DRPNGChunkIDAT)) + 1, c[find(c, image::DRPNGChunkfdAT)]); },
       true},
      {"no IEND", [&](Chunks& c) { c.pop_back(); }, true},
      {"a frame outside the canvas",
       [&](Chunks& c) { c[find(c, image::DRPNGChunkfcTL, 1)].data[15] = 200; },  // x offset
       true},
      {"a frame offset that wraps 32 bits",
       [&](Chunks& c) {
         auto& d = c[find(c, image::DRPNGChunkfcTL, 1)].data;
         d[12] = d[13] = d[14] = 0xff;  // x offset near 2^32
         d[15] = 0xfe;
       },
       true},
      {"a frame of no width", [&](Chunks& c) { c[find(c, image::DRPNGChunkfcTL, 1)].data[7] = 0; }, true},
      {"a cover frame smaller than the canvas", [&](Chunks& c) { c[find(c, image::DRPNGChunkfcTL)].data[7] = 4; }, true},
      {"a first chunk that is not IHDR", [&](Chunks& c) { std::swap(c[0], c[1]); }, false},
      {"an IHDR of the wrong length", [&](Chunks& c) { c[0].data.push_back(0); }, false},
      {"only IHDR and IEND", [&](Chunks& c) { c = {c.front(), c.back()}; }, false},
  };
  for (const Case& k : cases) {
    auto chunks = apngChunks(8, 6, threeFrames(), 0);
    k.bend(chunks);
    auto bytes = bytesOf(chunks);
    auto table = scan(bytes);
    EXPECT_EQ(bool(table), k.expectTable) << k.name;
    if (table) {
      EXPECT_EQ(table->apng_frame_num(), 0u) << k.name;
      EXPECT_FALSE(image::DRPNGFrameRebuild(*table, bytes.data(), bytes.size(), 0)) << k.name;
    }
  }
}

TEST(PNGChunkTable, LengthsThatRunPastTheDataGiveNoTable) {
  auto bytes = bytesOf(apngChunks(8, 6, threeFrames(), 0));
  EXPECT_FALSE(scan(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 31)));
  // A data length near 2^32 must not wrap the end check.
  for (uint32_t length : {0xFFFFFFFFu, 0xFFFFFFF4u, 0xFFFFFFF0u, 0x80000000u}) {
    auto bent = bytes;
    const size_t at = 8 + 25;  // the acTL length field
    bent[at] = uint8_t(length >> 24), bent[at + 1] = uint8_t(length >> 16), bent[at + 2] = uint8_t(length >> 8),
    bent[at + 3] = uint8_t(length);
    EXPECT_FALSE(scan(bent)) << length;
  }
  // Truncated anywhere: never a crash, never a frame whose chunks run past the data.
  for (size_t cut = 0; cut < bytes.size(); cut += 3) {
    std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(cut));
    auto table = scan(part);
    if (table) {
      EXPECT_EQ(table->apng_frame_num(), 0u) << cut;
    }
  }
  // Bytes after IEND are ignored.
  auto tail = bytes;
  tail.insert(tail.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
  auto table = scan(tail);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->apng_frame_num(), 3u);
}

TEST(PNGChunkTable, DelaysConvertBothWays) {
  struct Case {
    double seconds;
    uint16_t num, den;
  };
  for (const Case& c : {Case{0.1, 1, 10}, Case{1.0 / 3, 1, 3}, Case{300, 255, 1}, Case{0.001, 1, 255}, Case{0.5, 1, 2},
                        Case{2.5, 5, 2}, Case{0.04, 1, 25}}) {
    uint16_t num = 0, den = 0;
    image::DRPNGDelayToFraction(c.seconds, &num, &den);
    EXPECT_EQ(num, c.num) << c.seconds;
    EXPECT_EQ(den, c.den) << c.seconds;
  }
  EXPECT_DOUBLE_EQ(image::DRPNGDelayToSeconds(3, 0), 0.03);
  EXPECT_DOUBLE_EQ(image::DRPNGDelayToSeconds(1, 4), 0.25);
}

TEST(PNGChunkTable, FrameControlRecordsKeepTheirFieldsOnFile) {
  image::DRPNGFrameControl fc{7, 0x01020304, 5, 6, 0xA0B0C0D0, 0x1234, 0xABCD, 2, 1};
  uint8_t bytes[26];
  image::DRPNGFrameControlWrite(bytes, fc);
  EXPECT_EQ(bytes[4], 0x01);
  EXPECT_EQ(bytes[7], 0x04);
  EXPECT_EQ(bytes[20], 0x12);
  EXPECT_EQ(bytes[24], 2);
  auto back = image::DRPNGFrameControlRead(bytes);
  EXPECT_EQ(back.width, fc.width);
  EXPECT_EQ(back.y_offset, fc.y_offset);
  EXPECT_EQ(back.delay_den, fc.delay_den);
  EXPECT_EQ(back.blend_op, 1);
}

}  // namespace
