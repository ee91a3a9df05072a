#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/typeset/FontCatalog.h"
#include "platform/typeset/FontManager.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::cjk;
using typeset_test::latin;

TEST(Font, SystemFontsAtTheSizesAsked) {
  for (double size : {6.0, 12.0, 14.0, 17.0, 18.5, 22.0}) {
    auto regular = Font::systemFontOfSize(size);
    auto bold = Font::boldSystemFontOfSize(size);
    ASSERT_TRUE(regular && bold) << size;
    EXPECT_EQ(regular->pointSize(), size);
    EXPECT_EQ(bold->pointSize(), size);
    EXPECT_FALSE(regular->symbolicTraits() & FontTraitBold);
    EXPECT_TRUE(bold->symbolicTraits() & FontTraitBold) << bold->description().utf8();
    EXPECT_NEAR(regular->lineHeight(), regular->ascender() - regular->descender() + regular->leading(), 1e-9);
  }
  EXPECT_TRUE(Font::italicSystemFontOfSize(12)->symbolicTraits() & FontTraitItalic);
  EXPECT_EQ(Font::preferredFontForTextStyle(TextStyle::Subheadline)->pointSize(), 15);
}

TEST(Font, ByNameAnswersNullForUnknownNames) {
  auto byFamily = Font::fontWithName("DejaVu Sans", 14);
  ASSERT_TRUE(byFamily);
  EXPECT_EQ(byFamily->familyName(), "DejaVu Sans");
  EXPECT_EQ(byFamily->fontName(), "DejaVuSans");
  auto byPostScript = Font::fontWithName("DejaVuSans-Bold", 14);
  ASSERT_TRUE(byPostScript);
  EXPECT_TRUE(byPostScript->symbolicTraits() & FontTraitBold);
  EXPECT_TRUE(Font::fontWithName("DejaVu Sans Mono", 4)->symbolicTraits() & FontTraitMonoSpace);
  for (const char* missing : {"Menlo", "No Such Font 12345", ""}) EXPECT_FALSE(Font::fontWithName(missing, 14)) << missing;
}

TEST(Font, MetricsScaleWithSize) {
  auto small = latin(10), big = latin(20);
  EXPECT_GT(small->ascender(), 0);
  EXPECT_LT(small->descender(), 0);
  EXPECT_NEAR(big->ascender(), 2 * small->ascender(), 1e-9);
  EXPECT_NEAR(big->capHeight(), 2 * small->capHeight(), 1e-9);
  EXPECT_GT(small->capHeight(), small->xHeight());
  EXPECT_LT(small->underlinePosition(), 0);
  EXPECT_GT(small->underlineThickness(), 0);
  EXPECT_EQ(small->ascent(), small->ascender());
  EXPECT_EQ(small->descent(), -small->descender());
}

TEST(Font, GlyphsAdvancesBoundsAndOutlines) {
  auto f = latin(20);
  Glyph a = f->glyphForCharacter(U'A');
  ASSERT_NE(a, 0);
  EXPECT_EQ(f->glyphForCharacter(U'中'), 0);  // this face has no CJK
  std::u16string s = u"AB";
  Glyph glyphs[2];
  EXPECT_TRUE(f->glyphsForCharacters(s.data(), glyphs, 2));
  EXPECT_EQ(glyphs[0], a);
  gfx::Size adv[2];
  double total = f->advancesForGlyphs(glyphs, adv, 2);
  EXPECT_NEAR(total, adv[0].width + adv[1].width, 1e-9);
  EXPECT_NEAR(f->advanceForGlyph(a), latin(10)->advanceForGlyph(a) * 2, 1e-9);
  gfx::Rect box = f->boundingRectForGlyph(a);
  EXPECT_NEAR(box.origin.y, 0, 0.5);  // sits on the baseline
  EXPECT_NEAR(box.size.height, f->capHeight(), 0.5);
  auto path = f->pathForGlyph(a);
  ASSERT_FALSE(path->isEmpty());
  gfx::Rect pb = path->boundingBox();
  EXPECT_NEAR(pb.size.width, box.size.width, 0.5);
  EXPECT_NEAR(pb.size.height, box.size.height, 0.5);
  EXPECT_TRUE(f->pathForGlyph(f->glyphForCharacter(U' '))->isEmpty());
}

TEST(Font, UprightGlyphBoxTopOnlyWhereTheFaceRecordsIt) {
  // An ideograph's box in a face with vertical origins starts at the top of its em square,
  // above the baseline by less than the face's ascent; a face without them has none.
  auto c = cjk(20);
  ASSERT_TRUE(c);
  const Glyph ideograph = c->glyphForCharacter(0x533A);
  ASSERT_NE(ideograph, 0u);
  auto top = c->face()->verticalOriginHeight(ideograph);
  ASSERT_TRUE(top);
  EXPECT_LT(*top * c->scale(), c->ascent());
  EXPECT_GT(*top * c->scale(), c->pointSize() - c->descent());
  auto l = latin(20);
  ASSERT_TRUE(l);
  EXPECT_FALSE(l->face()->verticalOriginHeight(l->glyphForCharacter('A')));
}

TEST(Font, FallbackFindsAFaceForChinese) {
  auto f = latin(16);
  EXPECT_EQ(f->fallbackForCharacter(U'A').get(), f.get());
  auto zh = f->fallbackForCharacter(U'中');
  ASSERT_TRUE(zh);
  EXPECT_NE(zh->glyphForCharacter(U'中'), 0);
  EXPECT_EQ(zh->pointSize(), 16);
  EXPECT_FALSE(f->fallbackForCharacter(0x10FFFD));  // private use: nobody draws it
}

TEST(FontDescriptor, TraitsDeriveFaces) {
  auto base = FontDescriptor::create("DejaVu Sans", 13);
  struct Case {
    uint32_t traits;
    bool bold, italic;
  } cases[] = {{0, false, false}, {FontTraitBold, true, false}, {FontTraitItalic, false, true},
               {FontTraitBold | FontTraitItalic, true, true}};
  for (const auto& c : cases) {
    auto d = base->fontDescriptorWithSymbolicTraits(c.traits);
    ASSERT_TRUE(d);
    auto f = Font::fontWithDescriptor(d, 0);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->pointSize(), 13);
    EXPECT_EQ(bool(f->symbolicTraits() & FontTraitBold), c.bold) << c.traits;
    EXPECT_EQ(bool(f->symbolicTraits() & FontTraitItalic), c.italic) << c.traits;
  }
  EXPECT_FALSE(base->fontDescriptorWithSymbolicTraits(FontTraitCondensed));
  EXPECT_TRUE(latin()->fontDescriptor()->isEqual(FontDescriptor::create("DejaVu Sans", 16).get()));
}

TEST(Font, TablesAndGraphicsFontsFromData) {
  auto f = cjk(12);
  auto tags = f->tableTags();
  uint32_t cmap = 'c' << 24 | 'm' << 16 | 'a' << 8 | 'p';
  EXPECT_NE(std::find(tags.begin(), tags.end(), cmap), tags.end());
  EXPECT_GT(f->copyTable(cmap)->length(), 0u);
  EXPECT_FALSE(f->copyTable('z' << 24 | 'z' << 16 | 'z' << 8 | 'z'));

  EXPECT_FALSE(Font::fontWithData(fd::Data::create(std::string_view("not a font"))));
  std::ifstream in(latin()->face()->path(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto g = Font::fontWithData(fd::Data::create(std::string_view(bytes)), 10);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->postScriptName(), "DejaVuSans");
  EXPECT_EQ(g->glyphForCharacter(U'A'), latin()->glyphForCharacter(U'A'));
}

TEST(FontManager, RegisterAndUnregisterWithErrors) {
  Ref<fd::Error> error;
  EXPECT_FALSE(FontManager::registerFontsForURL("/nonexistent/font.ttf", &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), FontManagerErrorFileNotFound);

  auto dir = std::filesystem::temp_directory_path() / ("typeset_fonts_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto junk = dir / "junk.ttf";
  std::ofstream(junk) << "junk";
  error = nullptr;
  EXPECT_FALSE(FontManager::registerFontsForURL(junk.string(), &error));
  EXPECT_EQ(error->code(), FontManagerErrorUnrecognizedFormat);

  // A copy under a name fontconfig does not know, registered and found by name.
  std::ifstream in(Font::fontWithName("DejaVu Sans Mono", 10)->face()->path(), std::ios::binary);
  auto copy = dir / "copy.ttf";
  std::ofstream(copy, std::ios::binary) << in.rdbuf();
  EXPECT_TRUE(FontManager::registerFontsForURL(copy.string(), &error));
  error = nullptr;
  EXPECT_FALSE(FontManager::registerFontsForURL(copy.string(), &error));
  EXPECT_EQ(error->code(), FontManagerErrorAlreadyRegistered);
  auto found = Font::fontWithName("DejaVuSansMono", 10);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->face()->path(), copy.string());
  EXPECT_TRUE(FontManager::unregisterFontsForURL(copy.string(), &error));
  error = nullptr;
  EXPECT_FALSE(FontManager::unregisterFontsForURL(copy.string(), &error));
  EXPECT_EQ(error->code(), FontManagerErrorNotRegistered);
  EXPECT_NE(Font::fontWithName("DejaVuSansMono", 10)->face()->path(), copy.string());
  std::filesystem::remove_all(dir);
}
