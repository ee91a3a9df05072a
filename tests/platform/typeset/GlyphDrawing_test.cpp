// Glyph drawing through the context's text state: runs drawn whole and glyph by glyph give
// the same pixels, the recording context logs each glyph call, and the drawing modes, text
// matrix, shadows and colour glyphs act on what is shown.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/foundation/values/Number.h"
#include "platform/graphics/RecordingContext.h"
#include "platform/typeset/Line.h"
#include "tests/platform/typeset/ColorFontSupport.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::cjk;
using typeset_test::latin;
using typeset_test::text;

namespace {

// A y-up drawing space over an image context at `scale`.
Ref<gfx::Context> canvas(double w, double h, double scale = 2) {
  auto ctx = gfx::Context::createForImage({w, h}, false, scale);
  ctx->translateCTM(0, h);
  ctx->scaleCTM(1, -1);
  ctx->setRGBFillColor(0, 0, 0, 1);
  return ctx;
}

size_t bytes(const gfx::Context& c) { return c.bytesPerRow() * c.height(); }

size_t inked(gfx::Context& c) {
  size_t n = 0;
  for (size_t y = 0; y < c.height(); ++y)
    for (size_t x = 0; x < c.width(); ++x) n += (c.pixelAt(x, y) >> 24) != 0;
  return n;
}

// Device-pixel box of the inked pixels (x0, y0, x1, y1), rows from the top.
std::array<size_t, 4> inkBox(gfx::Context& c) {
  std::array<size_t, 4> b{SIZE_MAX, SIZE_MAX, 0, 0};
  for (size_t y = 0; y < c.height(); ++y)
    for (size_t x = 0; x < c.width(); ++x)
      if ((c.pixelAt(x, y) >> 24) != 0) {
        b[0] = std::min(b[0], x);
        b[1] = std::min(b[1], y);
        b[2] = std::max(b[2], x + 1);
        b[3] = std::max(b[3], y + 1);
      }
  return b;
}

Ref<Line> mixedLine() {
  auto s = MutableAttributedString::create(u"Kestrel 新闻 news, fi ff AVAW", typeset_test::attrs(latin(15)));
  s->addAttribute(ForegroundColorAttributeName, gfx::Color::colorWithRed(0.8, 0.1, 0.1, 1), Range{0, 7});
  return Line::createWithAttributedString(*s);
}

}  // namespace

TEST(GlyphDrawing, GlyphByGlyphMatchesWholeRunsAtScaleTwo) {
  auto line = mixedLine();
  ASSERT_GE(line->glyphRuns().size(), 2u);
  const gfx::Point origin{6.25, 11.5};
  auto whole = canvas(260, 30);
  line->draw(*whole, origin);
  auto single = canvas(260, 30);
  for (const auto& run : line->glyphRuns()) {
    single->saveGState();
    if (run->style().color) single->setFillColor(run->style().color);
    single->setFont(run->font()->face());
    single->setFontSize(run->font()->pointSize());
    for (size_t i = 0; i < run->glyphCount(); ++i) {
      single->setTextPosition(origin.x, origin.y);
      uint16_t g = run->glyphs()[i];
      gfx::Point p = run->positions()[i];
      single->showGlyphsAtPositions(&g, &p, 1);
    }
    single->restoreGState();
  }
  ASSERT_GT(inked(*whole), 500u);
  ASSERT_EQ(bytes(*whole), bytes(*single));
  EXPECT_EQ(std::memcmp(whole->data(), single->data(), bytes(*whole)), 0);
  // The text matrix and position carry the glyphs: a run drawn at the origin of a moved text
  // space lands where the origin argument puts it.
  auto moved = canvas(260, 30);
  moved->setTextPosition(origin.x, origin.y);
  line->draw(*moved);
  EXPECT_EQ(moved->textPosition().x, origin.x);  // drawing leaves the text matrix as it was
  EXPECT_EQ(std::memcmp(whole->data(), moved->data(), bytes(*whole)), 0);
}

TEST(GlyphDrawing, RecordingLogsOneEntryPerGlyphCall) {
  auto line = mixedLine();
  auto rec = gfx::RecordingContext::create({300, 40});
  rec->setTextMatrix(gfx::AffineTransformMakeScale(2, 1));
  line->draw(*rec, {3, 4});
  size_t calls = 0;
  for (const auto& c : rec->commands()) {
    if (c.name != "showGlyphsAtPositions") continue;
    ASSERT_LT(calls, line->glyphRuns().size());
    const auto& run = line->glyphRuns()[calls++];
    EXPECT_EQ(c.font, run->font()->face()->postScriptName());
    ASSERT_EQ(c.args.size(), 8u);
    EXPECT_EQ(c.args[0], run->font()->pointSize());
    EXPECT_EQ(c.args[1], static_cast<double>(gfx::TextDrawingMode::Fill));
    // Run space is the context's text space moved by the origin: (x + 3, y + 4) scaled by 2.
    EXPECT_EQ(c.args[2], 2);
    EXPECT_EQ(c.args[6], 6);
    EXPECT_EQ(c.args[7], 4);
    EXPECT_EQ(c.glyphs, std::vector<uint16_t>(run->glyphs().begin(), run->glyphs().end()));
    ASSERT_EQ(c.positions.size(), run->positions().size());
    for (size_t i = 0; i < c.positions.size(); ++i) EXPECT_EQ(c.positions[i].x, run->positions()[i].x);
  }
  EXPECT_EQ(calls, line->glyphRuns().size());
  EXPECT_EQ(rec->textMatrix().a, 2);  // put back
  // A stroked run is recorded in stroke mode.
  auto s = MutableAttributedString::create("Hollow", typeset_test::attrs(latin(20)));
  s->addAttribute(StrokeWidthAttributeName, fd::Number::numberWithDouble(3), Range{0, 6});
  rec->clearCommands();
  Line::createWithAttributedString(*s)->draw(*rec);
  ASSERT_EQ(rec->count("showGlyphsAtPositions"), 1u);
  for (const auto& c : rec->commands())
    if (c.name == "showGlyphsAtPositions") {
      EXPECT_EQ(c.args[1], static_cast<double>(gfx::TextDrawingMode::Stroke));
    }
}

TEST(GlyphDrawing, DrawingModesMatrixShadowAndState) {
  auto font = latin(40);
  uint16_t o = font->glyphForCharacter(U'O');
  gfx::Point at{10, 12};
  gfx::Rect ink = font->boundingRectForGlyph(o);
  // Device pixel of a text-space point (scale 2, rows from the top of an 80-point canvas).
  auto device = [](double x, double y) { return std::pair<size_t, size_t>(size_t(x * 2), size_t((80 - y) * 2)); };
  gfx::Point centre{at.x + ink.origin.x + ink.size.width / 2, at.y + ink.origin.y + ink.size.height / 2};
  struct Case {
    gfx::TextDrawingMode mode;
    bool centreInked;  // the hole of the O: never filled
    bool any;
  } cases[] = {
      {gfx::TextDrawingMode::Fill, false, true},      {gfx::TextDrawingMode::Stroke, false, true},
      {gfx::TextDrawingMode::FillStroke, false, true}, {gfx::TextDrawingMode::Invisible, false, false},
      {gfx::TextDrawingMode::Clip, false, false},
  };
  size_t fillInk = 0, strokeInk = 0;
  for (const auto& c : cases) {
    auto ctx = canvas(80, 80);
    ctx->setFont(font->face());
    ctx->setFontSize(40);
    ctx->setLineWidth(3);
    ctx->setTextDrawingMode(c.mode);
    ctx->showGlyphsAtPositions(&o, &at, 1);
    size_t n = inked(*ctx);
    EXPECT_EQ(n > 0, c.any) << int(c.mode);
    auto [cx, cy] = device(centre.x, centre.y);
    EXPECT_EQ((ctx->pixelAt(cx, cy) >> 24) != 0, c.centreInked) << int(c.mode);
    if (c.mode == gfx::TextDrawingMode::Fill) fillInk = n;
    if (c.mode == gfx::TextDrawingMode::Stroke) strokeInk = n;
    if (c.mode == gfx::TextDrawingMode::FillStroke) {
      EXPECT_GT(n, fillInk);
    }
  }
  EXPECT_NE(fillInk, strokeInk);
  // Clip modes: only the glyph's area stays paintable.
  {
    auto ctx = canvas(80, 80);
    ctx->setFont(font->face());
    ctx->setFontSize(40);
    ctx->saveGState();
    ctx->setTextDrawingMode(gfx::TextDrawingMode::Clip);
    ctx->showGlyphsAtPositions(&o, &at, 1);
    ctx->fillRect(gfx::RectMake(0, 0, 80, 80));
    ctx->restoreGState();
    auto filled = canvas(80, 80);
    filled->setFont(font->face());
    filled->setFontSize(40);
    filled->showGlyphsAtPositions(&o, &at, 1);
    EXPECT_NEAR(double(inked(*ctx)), double(inked(*filled)), double(inked(*filled)) * 0.02);
    EXPECT_EQ(ctx->textDrawingMode(), gfx::TextDrawingMode::Fill);  // restored with the state
  }
  // The text matrix scales the glyph; the CTM moves it; the shadow falls beside it.
  {
    auto plain = canvas(80, 80);
    plain->setFont(font->face());
    plain->setFontSize(20);
    plain->showGlyphsAtPositions(&o, &at, 1);
    auto wide = canvas(80, 80);
    wide->setFont(font->face());
    wide->setFontSize(20);
    wide->setTextMatrix(gfx::AffineTransformMakeScale(2, 1));
    gfx::Point half{at.x / 2, at.y};
    wide->showGlyphsAtPositions(&o, &half, 1);
    auto a = inkBox(*plain), b = inkBox(*wide);
    // The origin stays put; the left bearing (at 20 points, half the 40-point box's) doubles.
    EXPECT_NEAR(double(b[0]), double(a[0]) + ink.origin.x, 1.5);
    EXPECT_NEAR(double(b[2] - b[0]), 2.0 * double(a[2] - a[0]), 3);
    EXPECT_EQ(a[3] - a[1], b[3] - b[1]);
    auto shadowed = canvas(80, 80);
    shadowed->setFont(font->face());
    shadowed->setFontSize(20);
    shadowed->setShadowWithColor({30, 0}, 0, gfx::Color::colorWithRed(0, 0, 1, 1));
    shadowed->showGlyphsAtPositions(&o, &at, 1);
    auto c = inkBox(*shadowed);
    EXPECT_EQ(c[0], a[0]);
    EXPECT_NEAR(double(c[2]), double(a[2]) + 60, 2);  // 30 points at scale 2
  }
  // Hostile input: huge sizes, non-finite positions, no font, no glyphs.
  {
    auto ctx = canvas(40, 40);
    gfx::Point bad[2] = {{NAN, 0}, {INFINITY, 1}};
    uint16_t gs[2] = {o, o};
    ctx->showGlyphsAtPositions(gs, bad, 2);  // no font yet
    ctx->setFont(font->face());
    ctx->showGlyphsAtPositions(gs, bad, 2);
    ctx->setFontSize(1e7);
    gfx::Point far{-1e6, -1e6};
    ctx->showGlyphsAtPositions(gs, &far, 1);
    ctx->showGlyphsAtPositions(nullptr, nullptr, 3);
    ctx->setFontSize(NAN);
    ctx->showGlyphsAtPositions(gs, &at, 1);
    SUCCEED();
  }
}

TEST(GlyphDrawing, ColourGlyphsArePicturesAtSizeAndBaseline) {
  auto emoji = Font::fontWithName("Noto Color Emoji", 32);
  ASSERT_TRUE(emoji);
  ASSERT_TRUE(emoji->face()->hasColorGlyphs());
  uint16_t g = emoji->glyphForCharacter(U'\U0001F600');
  ASSERT_NE(g, 0);
  auto ctx = canvas(64, 64);
  ctx->setFont(emoji->face());
  ctx->setFontSize(32);
  gfx::Point at{8, 16};
  ctx->showGlyphsAtPositions(&g, &at, 1);
  gfx::GlyphPicture pic;
  ASSERT_TRUE(emoji->face()->colorPicture(g, 32, 2, &pic));
  auto box = inkBox(*ctx);
  // The picture's rectangle, in device pixels (scale 2, y flipped).
  double left = (at.x + pic.rect.origin.x) * 2, right = (at.x + pic.rect.origin.x + pic.rect.size.width) * 2;
  double top = (64 - (at.y + pic.rect.origin.y + pic.rect.size.height)) * 2;
  double bottom = (64 - (at.y + pic.rect.origin.y)) * 2;
  // The ink lies within the picture and fills most of it (strikes keep a small margin).
  EXPECT_GE(double(box[0]), left - 1);
  EXPECT_LE(double(box[2]), right + 1);
  EXPECT_GE(double(box[1]), top - 1);
  EXPECT_LE(double(box[3]), bottom + 1);
  EXPECT_GT(double(box[2] - box[0]), 0.8 * (right - left));
  EXPECT_GT(double(box[3] - box[1]), 0.8 * (bottom - top));
  // On the baseline: the picture's foot sits a little below it, its head near the ascent.
  EXPECT_LT(pic.rect.origin.y, 0);
  EXPECT_GT(pic.rect.origin.y + pic.rect.size.height, emoji->ascent() * 0.6);
  EXPECT_NEAR(pic.rect.size.width, 32 * 1.2, 10);  // about an em, as the strike's own proportions give
  // Colour, not the fill colour: the face is yellow.
  auto [x, y] = std::pair<size_t, size_t>((box[0] + box[2]) / 2, (box[1] + box[3]) / 2 - 10);
  uint32_t p = ctx->pixelAt(x, y);
  EXPECT_GT((p >> 16) & 0xFF, 150u);
  EXPECT_GT((p >> 8) & 0xFF, 100u);
}

namespace {
struct Tally {
  size_t red = 0, blue = 0, dark = 0;
};
Tally tally(gfx::Context& c) {
  Tally t;
  for (size_t y = 0; y < c.height(); ++y)
    for (size_t x = 0; x < c.width(); ++x) {
      uint32_t p = c.pixelAt(x, y);
      unsigned a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (a < 200) continue;
      if (r > 200 && g < 60 && b < 60) ++t.red;
      else if (b > 200 && r < 60 && g < 60) ++t.blue;
      else if (r < 60 && g < 60 && b < 60) ++t.dark;
    }
  return t;
}
}  // namespace

// Vector colour glyphs: each layer an outline in its palette colour; glyphs without layers
// keep their outline in the fill colour.
TEST(GlyphDrawing, LayeredColourGlyphsAndCleanFallback) {
  auto dejavu = latin(40);
  uint16_t A = dejavu->glyphForCharacter(U'A'), O = dejavu->glyphForCharacter(U'O');
  uint16_t I = dejavu->glyphForCharacter(U'I'), B = dejavu->glyphForCharacter(U'B');
  auto bytes = typeset_test::colorFontBytes(*dejavu->face(), {{A, {{O, 0}, {I, 1}}}}, {0xFF0000FF, 0x0000FFFF});
  auto face = FontFace::openData(bytes, 0);
  ASSERT_TRUE(face);
  ASSERT_TRUE(face->hasColorGlyphs());
  gfx::GlyphPicture pic;
  ASSERT_TRUE(face->colorPicture(A, 40, 2, &pic));
  EXPECT_FALSE(face->colorPicture(B, 40, 2, &pic));
  gfx::Point at{10, 12};
  auto layered = canvas(70, 70);
  layered->setFont(face);
  layered->setFontSize(40);
  layered->showGlyphsAtPositions(&A, &at, 1);
  Tally t = tally(*layered);
  EXPECT_GT(t.red, 300u);   // the O
  EXPECT_GT(t.blue, 100u);  // the I over it
  EXPECT_EQ(t.dark, 0u);    // nothing of the A's own outline
  // The layers stand where the plain glyphs would: the O's ink box matches.
  auto plainO = canvas(70, 70);
  plainO->setFont(face);
  plainO->setFontSize(40);
  plainO->showGlyphsAtPositions(&O, &at, 1);
  auto a = inkBox(*layered), b = inkBox(*plainO);
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(double(a[size_t(k)]), double(b[size_t(k)]), 1.5) << k;
  auto plain = canvas(70, 70);
  plain->setFont(face);
  plain->setFontSize(40);
  plain->showGlyphsAtPositions(&B, &at, 1);
  Tally f = tally(*plain);
  EXPECT_GT(f.dark, 200u);
  EXPECT_EQ(f.red + f.blue, 0u);
  // Through the typesetter: a run of the face draws both kinds.
  auto font = Font::create(face, 30);
  auto line = Line::createWithAttributedString(*text("AB", font));
  auto drawn = canvas(80, 50);
  line->draw(*drawn, {4, 12});
  Tally d = tally(*drawn);
  EXPECT_GT(d.red, 100u);
  EXPECT_GT(d.dark, 100u);
}

// Glyphs shown by advances step by each glyph's width plus the character spacing, through the
// text matrix, and leave the text position after the last one.
TEST(GlyphDrawing, AdvancingGlyphsUseCharacterSpacing) {
  auto font = latin(18);
  uint16_t gs[3] = {font->glyphForCharacter(U'H'), font->glyphForCharacter(U'i'), font->glyphForCharacter(U'W')};
  double adv[3] = {font->advanceForGlyph(gs[0]), font->advanceForGlyph(gs[1]), font->advanceForGlyph(gs[2])};
  for (double spacing : {0.0, 6.5, -2.0}) {
    auto advanced = canvas(120, 40);
    advanced->setFont(font->face());
    advanced->setFontSize(18);
    advanced->setCharacterSpacing(spacing);
    advanced->setTextMatrix(gfx::AffineTransformMakeScale(1.5, 1));
    advanced->setTextPosition(5, 10);
    advanced->showGlyphs(gs, 3);
    double run = adv[0] + adv[1] + adv[2] + 3 * spacing;
    EXPECT_NEAR(advanced->textPosition().x, 5 + 1.5 * run, 1e-9) << spacing;
    EXPECT_NEAR(advanced->textPosition().y, 10, 1e-9);
    auto placed = canvas(120, 40);
    font->drawGlyphs(gs, std::vector<gfx::Point>{{0, 0}, {adv[0] + spacing, 0}, {adv[0] + adv[1] + 2 * spacing, 0}}.data(), 0,
                     *placed);  // nothing shown for no glyphs
    EXPECT_EQ(inked(*placed), 0u);
    placed->setTextMatrix(gfx::AffineTransformMakeScale(1.5, 1));
    placed->setTextPosition(5, 10);
    std::vector<gfx::Point> at{{0, 0}, {adv[0] + spacing, 0}, {adv[0] + adv[1] + 2 * spacing, 0}};
    font->drawGlyphs(gs, at.data(), 3, *placed);
    EXPECT_FALSE(placed->font());  // the font was set for the call only
    EXPECT_EQ(std::memcmp(advanced->data(), placed->data(), bytes(*placed)), 0) << spacing;
  }
}

TEST(GlyphDrawing, ClipModesGatherTheGlyphsOfSuccessiveCalls) {
  auto font = latin(30);
  uint16_t i = font->glyphForCharacter(U'I');
  gfx::Rect ink = font->boundingRectForGlyph(i);
  const gfx::Point a{8, 25}, b{48, 25};
  // Device pixel (scale 2, rows from the top of the 80-point canvas) of the middle of an I at `at`.
  auto middle = [&](gfx::Point at) {
    return std::pair<size_t, size_t>(size_t((at.x + ink.origin.x + ink.size.width / 2) * 2),
                                     size_t((80 - (at.y + ink.origin.y + ink.size.height / 2)) * 2));
  };
  auto glyphsOnly = canvas(80, 80);
  glyphsOnly->setFont(font->face());
  glyphsOnly->setFontSize(30);
  glyphsOnly->showGlyphsAtPositions(&i, &a, 1);
  glyphsOnly->showGlyphsAtPositions(&i, &b, 1);
  const size_t two = inked(*glyphsOnly);
  ASSERT_GT(two, 100u);
  struct Case {
    gfx::TextDrawingMode mode;
    bool paintsGlyphs;
  } cases[] = {
      {gfx::TextDrawingMode::Clip, false},
      {gfx::TextDrawingMode::FillClip, true},
      {gfx::TextDrawingMode::StrokeClip, true},
      {gfx::TextDrawingMode::FillStrokeClip, true},
  };
  for (const auto& c : cases) {
    auto rec = gfx::RecordingContext::create({80, 80}, 2);
    rec->translateCTM(0, 80);
    rec->scaleCTM(1, -1);
    rec->setRGBFillColor(0, 0, 0, 1);
    rec->setFont(font->face());
    rec->setFontSize(30);
    rec->setLineWidth(6);  // strokes reach the middle of the stem
    rec->setTextDrawingMode(c.mode);
    rec->showGlyphsAtPositions(&i, &a, 1);
    rec->showGlyphsAtPositions(&i, &b, 1);
    // Painting modes paint both glyphs: the first call's outline does not clip the second.
    auto [bx, by] = middle(b);
    EXPECT_EQ((rec->pixelAt(bx, by) >> 24) != 0, c.paintsGlyphs) << int(c.mode);
    // The clip is both glyphs together, not their (empty) intersection; it holds from the
    // next drawing on and a save and restore keep it.
    rec->saveGState();
    rec->restoreGState();
    gfx::Rect box = rec->getClipBoundingBox();
    EXPECT_LE(box.origin.x, a.x + ink.origin.x + 0.5) << int(c.mode);
    EXPECT_GE(gfx::RectGetMaxX(box), b.x + ink.origin.x + ink.size.width - 0.5) << int(c.mode);
    rec->setRGBFillColor(0, 0, 1, 1);
    rec->fillRect(gfx::RectMake(0, 0, 80, 80));
    for (gfx::Point at : {a, b}) {
      auto [x, y] = middle(at);
      uint32_t px = rec->pixelAt(x, y);
      EXPECT_GT(px & 0xFF, 200u) << int(c.mode);  // blue
      EXPECT_LT((px >> 16) & 0xFF, 50u) << int(c.mode);
    }
    EXPECT_EQ(rec->pixelAt(1, 1) >> 24, 0u) << int(c.mode);  // outside the glyphs: nothing
    size_t n = inked(*rec);
    if (c.mode == gfx::TextDrawingMode::Clip || c.mode == gfx::TextDrawingMode::FillClip) {
      EXPECT_NEAR(double(n), double(two), double(two) * 0.02) << int(c.mode);
    }
    // The log holds the two glyph calls in the mode, and no clip call of its own.
    size_t calls = 0;
    for (const auto& cmd : rec->commands())
      if (cmd.name == "showGlyphsAtPositions") {
        ++calls;
        EXPECT_EQ(cmd.args[1], static_cast<double>(c.mode));
      }
    EXPECT_EQ(calls, 2u);
    EXPECT_EQ(rec->count("clip"), 0u);
  }
  // A state restored past the glyphs drops the clip they gathered.
  auto ctx = canvas(80, 80);
  ctx->setFont(font->face());
  ctx->setFontSize(30);
  ctx->saveGState();
  ctx->setTextDrawingMode(gfx::TextDrawingMode::Clip);
  ctx->showGlyphsAtPositions(&i, &a, 1);
  ctx->restoreGState();
  ctx->fillRect(gfx::RectMake(0, 0, 80, 80));
  EXPECT_EQ(inked(*ctx), ctx->width() * ctx->height());
}
