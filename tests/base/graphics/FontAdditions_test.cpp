#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>
#include <cstring>

#include "base/graphics/Font+DUDer.h"
#include "platform/foundation/Log.h"

namespace base {
namespace {

using typeset::Font;

uint32_t be32(const uint8_t* p) { return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]; }
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

TEST(FontAdditions, TraitsAndDerivedFontsKeepThePointSize) {
  auto regular = Font::systemFontOfSize(15);
  ASSERT_TRUE(regular);
  EXPECT_FALSE(isBold(*regular));
  EXPECT_FALSE(isItalic(*regular));
  auto bold = fontWithBold(regular);
  ASSERT_TRUE(bold);
  EXPECT_TRUE(isBold(*bold));
  EXPECT_FALSE(isItalic(*bold));
  EXPECT_GT(fontWeight(*bold), fontWeight(*regular));
  EXPECT_EQ(bold->pointSize(), 15);
  auto both = fontWithBoldItalic(regular);
  ASSERT_TRUE(both);
  EXPECT_TRUE(isBold(*both) && isItalic(*both));
  auto normal = fontWithNormal(both);
  ASSERT_TRUE(normal);
  EXPECT_FALSE(isBold(*normal) || isItalic(*normal));
  EXPECT_EQ(normal->pointSize(), 15);

  auto mono = Font::fontWithName("DejaVu Sans Mono", 12);
  ASSERT_TRUE(mono);
  EXPECT_TRUE(isMonoSpace(*mono));
  EXPECT_FALSE(isMonoSpace(*regular));
  auto emoji = Font::fontWithName("Noto Color Emoji", 12);
  ASSERT_TRUE(emoji);
  EXPECT_TRUE(isColorGlyphs(*emoji));
  EXPECT_FALSE(isColorGlyphs(*regular));
}

TEST(FontAdditions, ConversionsGoByName) {
  EXPECT_EQ(fontWithCTFont(nullptr), nullptr);
  EXPECT_EQ(fontWithCGFont(nullptr, 12), nullptr);
  auto font = Font::fontWithName("DejaVu Serif", 13);
  ASSERT_TRUE(font);
  auto ct = CTFontRef(*font);
  ASSERT_TRUE(ct);
  EXPECT_EQ(ct->postScriptName(), font->postScriptName());
  EXPECT_EQ(ct->pointSize(), 13);
  auto back = fontWithCTFont(ct);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->isEqual(font.get()));
  auto cg = CGFontRef(*font);
  ASSERT_TRUE(cg);
  EXPECT_EQ(cg->pointSize(), 0);
  EXPECT_EQ(fontWithCGFont(cg, 20)->pointSize(), 20);
}

// The written file has a well-formed offset table, every table where its record says, and the
// same checksums as the installed file's own directory ('head' aside: its checksum field
// depends on the whole file).
TEST(FontAdditions, TablesWrittenBackFormAFontFile) {
  auto font = Font::fontWithName("DejaVu Sans Mono", 12);
  ASSERT_TRUE(font);
  auto data = dataFromFont(*font);
  ASSERT_TRUE(data);
  const uint8_t* p = data->bytes();
  size_t n = font->tableTags().size();
  ASSERT_GT(n, 8u);
  EXPECT_EQ(be32(p), 0x00010000u);
  ASSERT_EQ(be16(p + 4), n);
  uint32_t power = 1;
  while (power * 2 <= n) power *= 2;
  EXPECT_EQ(be16(p + 6), 16 * power);
  EXPECT_EQ(1u << be16(p + 8), power);
  EXPECT_EQ(be16(p + 10), 16 * n - 16 * power);

  std::ifstream in(font->face()->path(), std::ios::binary);
  std::vector<uint8_t> original((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GT(original.size(), 12u);
  std::map<uint32_t, uint32_t> originalSums;
  for (size_t j = 0; j < be16(original.data() + 4); ++j)
    originalSums[be32(original.data() + 12 + 16 * j)] = be32(original.data() + 12 + 16 * j + 4);
  for (size_t j = 0; j < n; ++j) {
    const uint8_t* record = p + 12 + 16 * j;
    uint32_t tag = be32(record), offset = be32(record + 8), length = be32(record + 12);
    ASSERT_LE(offset + length, data->length());
    EXPECT_EQ(offset % 4, 0u);
    auto table = font->copyTable(tag);
    ASSERT_TRUE(table);
    EXPECT_EQ(length, table->length());
    EXPECT_EQ(std::memcmp(p + offset, table->bytes(), length), 0);
    if (tag != 0x68656164) {
      EXPECT_EQ(be32(record + 4), originalSums[tag]) << std::hex << tag;
    }
  }
  // The file loads back as the same font.
  auto reloaded = Font::fontWithData(data, 12);
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(reloaded->postScriptName(), font->postScriptName());
  EXPECT_EQ(reloaded->glyphCount(), font->glyphCount());
  EXPECT_EQ(dataFromCGFont(nullptr), nullptr);
}

TEST(FontAdditions, RegistrationOfFilesAndBytes) {
  std::vector<std::string> lines;
  fd::setLogSink([&](const rt::String& m) { lines.push_back(m.utf8()); });
  auto dir = std::filesystem::temp_directory_path() / ("font-additions-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "not-a-font.ttf") << "plain text";
  EXPECT_FALSE(loadFontFromPath((dir / "not-a-font.ttf").string()));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("Failed to load font: ", 0), 0u) << lines[0];
  EXPECT_EQ(loadFontFromData(fd::Data::create(std::string_view("nope"))), nullptr);

  // Bytes of an installed font answer at the system size under their own name, and unload.
  auto source = Font::fontWithName("DejaVu Serif", 12);
  auto loaded = loadFontFromData(dataFromFont(*source));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->pointSize(), kDRSystemFontSize);
  EXPECT_EQ(loaded->postScriptName(), source->postScriptName());
  EXPECT_TRUE(unloadFontFromData(loaded));
  // A file registered by path is found by name until unloaded.
  std::filesystem::copy_file(source->face()->path(), dir / "copy.ttf");
  lines.clear();
  EXPECT_TRUE(loadFontFromPath((dir / "copy.ttf").string()));
  EXPECT_TRUE(lines.empty());
  unloadFontFromPath((dir / "copy.ttf").string());
  fd::setLogSink(nullptr);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace base
