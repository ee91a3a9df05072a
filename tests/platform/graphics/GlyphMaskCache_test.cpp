// Glyphs and their shadows filled from cached coverage masks against the same outlines filled
// as paths, and the cache's bound, eviction order and hold on its outlines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/GlyphMaskCache.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageData.h"
#include "tests/platform/graphics/DrawingSupport.h"

using namespace gfx;

namespace {

constexpr double kUnits = 1000;

// A small font of hand-drawn outlines in font units (y-up, origin on the baseline): a ring
// (an outer and a reversed inner ellipse), a letter-like shape of quadratic curves and a
// self-overlapping star, which together exercise holes, quadratics, cubics and winding.
class ShapeFont : public GlyphSource {
 public:
  /// `shift` rotates which outline each glyph id gets, for a font that looks different.
  explicit ShapeFont(size_t shift = 0) {
    auto ring = MutablePath::create();
    ring->addEllipseInRect(RectMake(40, -10, 520, 700));
    auto hole = MutablePath::create();
    hole->addEllipseInRect(RectMake(160, 110, 280, 460));
    AffineTransform flip = AffineTransformMake(1, 0, 0, -1, 0, 680);  // reverses the inner ellipse
    ring->addPath(*hole, &flip);
    outlines_.push_back(ring);

    auto letter = MutablePath::create();
    letter->moveToPoint(30, 0);
    letter->addQuadCurveToPoint(180, 760, 300, 720);
    letter->addQuadCurveToPoint(420, 760, 570, 0);
    letter->addLineToPoint(450, 0);
    letter->addQuadCurveToPoint(330, 430, 300, 470);
    letter->addQuadCurveToPoint(270, 430, 150, 0);
    letter->closeSubpath();
    letter->addRect(RectMake(140, 180, 320, 90));
    outlines_.push_back(letter);

    auto star = MutablePath::create();
    for (int i = 0; i < 5; ++i) {
      double a = M_PI / 2 + i * 4 * M_PI / 5;
      double x = 300 + 290 * std::cos(a), y = 330 + 320 * std::sin(a);
      if (i == 0) star->moveToPoint(x, y);
      else star->addCurveToPoint(300, 330, x - 20, y + 10, x, y);
    }
    star->closeSubpath();
    outlines_.push_back(star);
    std::rotate(outlines_.begin(), outlines_.begin() + static_cast<std::ptrdiff_t>(shift % 3), outlines_.end());
  }
  std::string glyphSourceName() const override { return "ShapeFont"; }
  double unitsPerEm() const override { return kUnits; }
  double glyphAdvance(uint32_t) const override { return 640; }
  Ref<Path> outline(uint32_t glyph) const override {
    return glyph < outlines_.size() ? Ref<Path>(outlines_[glyph]) : Ref<Path>();
  }
  bool colorPicture(uint32_t, double, double, GlyphPicture*) const override { return false; }

 private:
  std::vector<Ref<MutablePath>> outlines_;
};

struct Scene {
  double scale;
  double fontSize;
  AffineTransform textMatrix;  // its translation is ignored: glyphs go where `origins` say
  double color[4];
  double alpha;
  enum Clip { None, WholePixels, OffGrid } clip;  // a clip cutting through the glyphs
};

constexpr int kWidth = 96, kHeight = 64;  // device pixels

// Places glyph origins (user points) so that the first row of glyphs is drawn once and the
// second repeats them at other whole-pixel positions (drawn from the cache).
std::vector<Point> origins(double scale, double xPhase, double yPhase) {
  std::vector<Point> out;
  for (int row = 0; row < 2; ++row)
    for (int i = 0; i < 3; ++i)
      out.push_back({(8 + 28 * i + row * 3 + xPhase) / scale, (24 + row * 29 + yPhase) / scale});
  return out;
}

Ref<Context> canvas(const Scene& s) {
  auto ctx = Context::createForImage(SizeMake(kWidth / s.scale, kHeight / s.scale), false, s.scale);
  ctx->setRGBFillColor(0.95, 0.9, 0.3, 1);
  ctx->fillRect(RectMake(0, 0, kWidth, kHeight));
  // The upper half translucent, where compositing depends on the destination's alpha too.
  ctx->clearRect(RectMake(0, 0, kWidth, 30 / s.scale));
  ctx->setRGBFillColor(0.1, 0.6, 0.9, 0.4);
  ctx->fillRect(RectMake(0, 0, kWidth, 30 / s.scale));
  ctx->setAlpha(s.alpha);
  ctx->setRGBFillColor(s.color[0], s.color[1], s.color[2], s.color[3]);
  if (s.clip == Scene::WholePixels) ctx->clipToRect(RectMake(10 / s.scale, 8 / s.scale, 60 / s.scale, 31 / s.scale));
  if (s.clip == Scene::OffGrid) ctx->clipToRect(RectMake(10.3 / s.scale, 7.7 / s.scale, 60.45 / s.scale, 31.2 / s.scale));
  return ctx;
}

// A shadow set on the canvas before the glyphs are drawn.
struct CastShadow {
  Size offset;  // user points
  double blur;
  double rgba[4];
};

void applyShadow(Context& ctx, const CastShadow* shadow) {
  if (!shadow) return;
  const double* c = shadow->rgba;
  ctx.setShadowWithColor(shadow->offset, shadow->blur, Color::colorWithRed(c[0], c[1], c[2], c[3]));
}

AffineTransform placed(const Scene& s, Point at) {
  AffineTransform tm = s.textMatrix;
  tm.tx = at.x;
  tm.ty = at.y;
  return tm;
}

// Shows each glyph through the text machinery (the masks).
Ref<Context> drawShown(const Scene& s, const ShapeFont& font, const std::vector<Point>& at,
                       const CastShadow* shadow = nullptr) {
  auto ctx = canvas(s);
  applyShadow(*ctx, shadow);
  ctx->setFont(std::shared_ptr<const GlyphSource>(&font, [](const GlyphSource*) {}));
  ctx->setFontSize(s.fontSize);
  const Point zero{0, 0};
  for (size_t i = 0; i < at.size(); ++i) {
    uint16_t glyph = static_cast<uint16_t>(i % 3);
    ctx->setTextMatrix(placed(s, at[i]));
    ctx->showGlyphsAtPositions(&glyph, &zero, 1);
  }
  return ctx;
}

// Fills the same outlines as paths, the way glyphs were painted before masks.
Ref<Context> drawFilled(const Scene& s, const ShapeFont& font, const std::vector<Point>& at,
                        const CastShadow* shadow = nullptr) {
  auto ctx = canvas(s);
  applyShadow(*ctx, shadow);
  for (size_t i = 0; i < at.size(); ++i) {
    ctx->saveGState();
    ctx->concatCTM(placed(s, at[i]));
    ctx->scaleCTM(s.fontSize / kUnits, s.fontSize / kUnits);
    ctx->addPath(*font.outline(static_cast<uint32_t>(i % 3)));
    ctx->fillPath();
    ctx->restoreGState();
  }
  return ctx;
}

void save(Context& ctx, const std::string& name) {
  const char* dir = std::getenv("KD_ARTIFACT_DIR");
  if (!dir) return;
  std::filesystem::create_directories(dir);
  auto png = UIImagePNGRepresentation(Image::imageWithCGImage(ctx.makeImage()));
  ASSERT_TRUE(png);
  std::ofstream out(std::filesystem::path(dir) / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
}

struct Difference {
  int largest = 0;       // per channel
  size_t changed = 0;    // pixels whose glyphs changed them from the background
};

Difference compare(Context& a, Context& b, const Scene& s) {
  Difference d;
  auto background = canvas(s);
  for (size_t y = 0; y < a.height(); ++y) {
    for (size_t x = 0; x < a.width(); ++x) {
      Argb p = unpack(a.pixelAt(x, y)), q = unpack(b.pixelAt(x, y));
      d.largest = std::max({d.largest, std::abs(p.a - q.a), std::abs(p.r - q.r), std::abs(p.g - q.g),
                            std::abs(p.b - q.b)});
      if (!unpack(background->pixelAt(x, y)).near(q, 0)) ++d.changed;
    }
  }
  return d;
}

}  // namespace

TEST(GlyphMasks, MatchFillingTheOutlines) {
  const double c = std::cos(0.5), n = std::sin(0.5);
  struct Case {
    const char* name;
    Scene scene;
    double xPhase, yPhase;  // device pixels, on the quarter grid
    bool cached;            // off-grid clips leave glyphs to path filling
  } cases[] = {
      {"scale1", {1, 22, {1, 0, 0, -1, 0, 0}, {0, 0, 0, 1}, 1, Scene::None}, 0, 0, true},
      {"scale2-quarters", {2, 11, {1, 0, 0, -1, 0, 0}, {0.8, 0.1, 0.2, 1}, 1, Scene::None}, 0.25, 0.75, true},
      {"scale3-halves", {3, 7.5, {1, 0, 0, -1, 0, 0}, {0, 0.3, 0.1, 1}, 1, Scene::None}, 0.5, 0.5, true},
      {"rotated", {2, 10, {c, -n, -n, -c, 0, 0}, {0.2, 0.2, 0.7, 1}, 1, Scene::None}, 0.75, 0.25, true},
      {"condensed", {2, 12, {0.7, 0, 0.2, -1, 0, 0}, {0.1, 0.5, 0.1, 1}, 1, Scene::None}, 0.5, 0, true},
      {"translucent", {2, 11, {1, 0, 0, -1, 0, 0}, {0.9, 0.2, 0.6, 0.55}, 0.7, Scene::None}, 0.25, 0.25, true},
      {"clipped", {2, 11, {1, 0, 0, -1, 0, 0}, {0.3, 0.1, 0.5, 0.8}, 1, Scene::WholePixels}, 0.75, 0.5, true},
      {"clipped-off-grid", {2, 11, {1, 0, 0, -1, 0, 0}, {0.3, 0.1, 0.5, 0.8}, 1, Scene::OffGrid}, 0.75, 0.5, false},
  };
  ShapeFont font;
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    auto before = GlyphMaskCache::shared().stats();
    auto at = origins(k.scene.scale, k.xPhase, k.yPhase);
    auto shown = drawShown(k.scene, font, at);
    auto filled = drawFilled(k.scene, font, at);
    auto after = GlyphMaskCache::shared().stats();
    // The second row repeats the first at the same phase: those glyphs come from the cache.
    if (k.cached) EXPECT_GE(after.hits - before.hits, 3u);
    else EXPECT_EQ(after.hits + after.misses, before.hits + before.misses);
    save(*shown, std::string("glyph-masks-") + k.name + ".png");
    Difference d = compare(*shown, *filled, k.scene);
    EXPECT_LE(d.largest, 1);
    EXPECT_GT(d.changed, 250u);  // the glyphs drew
  }
}

// Each glyph shown on its own casts its own shadow, as each filled outline does; the shadow
// offsets land on the quarter-pixel grid, where masks and paths cover alike.
TEST(GlyphMasks, ShadowsMatchTheShadowsOfFilledOutlines) {
  struct Case {
    const char* name;
    Scene scene;
    CastShadow shadow;
    double farX;     // user points the glyphs stand to the right, their shadow pulled back
    size_t lookups;  // mask lookups at least (shadow and glyph), 0 for none
  } cases[] = {
      {"sharp", {2, 11, {1, 0, 0, -1, 0, 0}, {0.8, 0.1, 0.2, 1}, 1, Scene::None}, {{1.5, 2}, 0, {0, 0, 0, 0.5}}, 0, 12},
      {"blurred", {2, 11, {1, 0, 0, -1, 0, 0}, {0, 0.3, 0.1, 1}, 1, Scene::None}, {{2, 3.25}, 3, {0.1, 0.2, 0.7, 0.6}}, 0, 12},
      {"translucent", {2, 11, {1, 0, 0, -1, 0, 0}, {0.9, 0.2, 0.6, 0.55}, 0.7, Scene::None}, {{-1, 1.5}, 1.5, {0, 0, 0, 1}}, 0, 12},
      {"scale1-rotated", {1, 20, {std::cos(0.5), -std::sin(0.5), -std::sin(0.5), -std::cos(0.5), 0, 0}, {0.2, 0.2, 0.7, 1}, 1, Scene::None},
       {{3, -2}, 2, {0.3, 0, 0, 0.8}}, 0, 12},
      // As the text drawing casts shadows: the glyphs far outside, only their shadows inside.
      {"cast-from-afar", {2, 11, {1, 0, 0, -1, 0, 0}, {0, 0, 0, 1}, 1, Scene::None}, {{-4000 + 1, 1}, 1, {0.2, 0.6, 0.2, 0.7}}, 4000, 6},
      {"clipped", {2, 11, {1, 0, 0, -1, 0, 0}, {0.3, 0.1, 0.5, 0.8}, 1, Scene::WholePixels}, {{1, 1}, 2, {0, 0, 0, 0.6}}, 0, 12},
      {"clipped-off-grid", {2, 11, {1, 0, 0, -1, 0, 0}, {0.3, 0.1, 0.5, 0.8}, 1, Scene::OffGrid}, {{1, 1}, 2, {0, 0, 0, 0.6}}, 0, 0},
  };
  ShapeFont font;
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    auto at = origins(k.scene.scale, 0.25, 0.5);
    for (auto& p : at) p.x += k.farX;
    auto before = GlyphMaskCache::shared().stats();
    auto shown = drawShown(k.scene, font, at, &k.shadow);
    auto after = GlyphMaskCache::shared().stats();
    auto filled = drawFilled(k.scene, font, at, &k.shadow);
    const size_t lookups = after.hits + after.misses - before.hits - before.misses;
    if (k.lookups) EXPECT_GE(lookups, k.lookups);
    else EXPECT_EQ(lookups, 0u);
    save(*shown, std::string("glyph-mask-shadows-") + k.name + ".png");
    Difference d = compare(*shown, *filled, k.scene);
    EXPECT_LE(d.largest, 1);
    EXPECT_GT(d.changed, 250u);
  }
}

TEST(GlyphMasks, OriginsSnapToTheNearestQuarterPixel) {
  Scene s{2, 11, {1, 0, 0, -1, 0, 0}, {0, 0, 0, 1}, 1, Scene::None};
  ShapeFont font;
  struct {
    double shownPhase, snappedPhase;
  } cases[] = {{0.1, 0}, {0.2, 0.25}, {0.6, 0.5}, {0.9, 1.0}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.shownPhase);
    auto shown = drawShown(s, font, origins(s.scale, k.shownPhase, k.shownPhase));
    auto filled = drawFilled(s, font, origins(s.scale, k.snappedPhase, k.snappedPhase));
    Difference d = compare(*shown, *filled, s);
    EXPECT_LE(d.largest, 1);
    EXPECT_GT(d.changed, 250u);
  }
}

TEST(GlyphMasks, ThreadsDrawingAtOnceGetTheSamePixels) {
  Scene s{2, 9, {1, 0, 0, -1, 0, 0}, {0.2, 0.1, 0.4, 0.9}, 1, Scene::None};
  ShapeFont font;
  auto at = origins(s.scale, 0.25, 0.5);
  auto reference = drawFilled(s, font, at);
  std::vector<int> largest(4, 255);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < largest.size(); ++t) {
    threads.emplace_back([&, t] {
      int worst = 0;
      for (int round = 0; round < 5; ++round) {
        // Each round a fresh size, so that threads race to make the same masks.
        Scene mine = s;
        mine.fontSize = s.fontSize + round * 0.37;
        auto shown = drawShown(mine, font, at);
        auto filled = round == 0 ? reference : drawFilled(mine, font, at);
        worst = std::max(worst, compare(*shown, *filled, mine).largest);
      }
      largest[t] = worst;
    });
  }
  for (auto& t : threads) t.join();
  for (int l : largest) EXPECT_LE(l, 1);
}

TEST(GlyphMaskCache, StaysWithinItsBoundDroppingTheLeastRecentlyUsed) {
  constexpr size_t kLimit = 64 * 1024;
  GlyphMaskCache cache(kLimit);
  ShapeFont font;
  auto key = [&](uint32_t glyph, double size) {
    GlyphMaskCache::Key k;
    k.outline = font.outline(glyph).get();
    k.xx = size / kUnits;
    k.yy = -size / kUnits;
    k.antialias = 0;
    return k;
  };
  // A glyph kept in use throughout must survive the churn of the others.
  const auto kept = key(0, 30);
  ASSERT_TRUE(cache.mask(font.outline(0), kept));
  size_t made = 1;
  for (int i = 0; i < 120; ++i) {
    auto k = key(static_cast<uint32_t>(i % 3), 20 + i * 0.5);
    GlyphMask m = cache.mask(font.outline(i % 3), k);
    ASSERT_TRUE(m);
    ++made;
    EXPECT_GT(m.width(), 0);
    EXPECT_LE(cache.bytes(), kLimit);
    auto hitsBefore = cache.stats().hits;
    ASSERT_TRUE(cache.mask(font.outline(0), kept));
    EXPECT_EQ(cache.stats().hits, hitsBefore + 1) << "the glyph in use was evicted at " << i;
  }
  EXPECT_LT(cache.count(), made);
  EXPECT_GT(cache.stats().evictions, 0u);
  EXPECT_GT(cache.bytes(), kLimit / 2);  // evicts only what it must
  // The oldest of the churn is gone, the newest still there.
  auto missesBefore = cache.stats().misses;
  cache.mask(font.outline(0), key(0, 20));
  EXPECT_EQ(cache.stats().misses, missesBefore + 1);
  auto hitsBefore = cache.stats().hits;
  cache.mask(font.outline(119 % 3), key(119 % 3, 20 + 119 * 0.5));
  EXPECT_EQ(cache.stats().hits, hitsBefore + 1);

  // Lowering the limit evicts at once; a mask too big for the limit is not made.
  cache.setByteLimit(8 * 1024);
  EXPECT_LE(cache.bytes(), 8u * 1024);
  EXPECT_FALSE(cache.mask(font.outline(0), key(0, 400)));
  cache.removeAll();
  EXPECT_EQ(cache.count(), 0u);
  EXPECT_EQ(cache.bytes(), 0u);
}

TEST(GlyphMaskCache, RefusesKeysItCannotDraw) {
  GlyphMaskCache cache;
  ShapeFont font;
  GlyphMaskCache::Key k;
  k.outline = font.outline(1).get();
  struct {
    double xx, yx, xy, yy;
  } cases[] = {{0, 0, 0, 0}, {1, 2, 0.5, 1}, {NAN, 0, 0, 1}, {INFINITY, 0, 0, 1}, {1e9, 0, 0, 1e9}};
  for (const auto& c : cases) {
    k.xx = c.xx, k.yx = c.yx, k.xy = c.xy, k.yy = c.yy;
    EXPECT_FALSE(cache.mask(font.outline(1), k)) << c.xx << " " << c.yx << " " << c.xy << " " << c.yy;
  }
  k.xx = 0.02, k.yx = 0, k.xy = 0, k.yy = -0.02;
  EXPECT_FALSE(cache.mask(font.outline(2), k)) << "a key naming another outline";
  EXPECT_EQ(cache.count(), 0u);
}

TEST(GlyphMasks, AnOutlineOutlivesItsFontWhileItsMaskIsKept) {
  // Fonts come and go; a new outline at a freed one's address must never be drawn with the
  // old outline's mask.
  Scene s{2, 11, {1, 0, 0, -1, 0, 0}, {0, 0, 0, 1}, 1, Scene::None};
  auto at = origins(s.scale, 0, 0);
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    auto first = std::make_unique<ShapeFont>(static_cast<size_t>(round));
    drawShown(s, *first, at);
    first.reset();
    ShapeFont second(static_cast<size_t>(round) + 1);
    auto shown = drawShown(s, second, at);
    auto filled = drawFilled(s, second, at);
    EXPECT_LE(compare(*shown, *filled, s).largest, 1);
  }
}

TEST(GlyphMasks, AGlyphOffTheStoreStillCastsItsShadowIntoIt) {
  // Text drawing shows only the shadows of some glyphs by drawing them far outside.
  ShapeFont font;
  struct {
    double x;  // the glyph's origin, points
    bool shadowSeen;
  } cases[] = {{-200, true}, {-400, false}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.x);
    auto ctx = Context::createForImage(SizeMake(40, 40), false, 2);
    ctx->setFont(std::shared_ptr<const GlyphSource>(&font, [](const GlyphSource*) {}));
    ctx->setFontSize(20);
    ctx->setTextMatrix(AffineTransformMake(1, 0, 0, -1, 0, 30));
    ctx->setShadowWithColor({210, 0}, 0, Color::colorWithRed(0, 0, 1, 1));
    uint16_t glyph = 0;
    Point at{k.x, 0};
    ctx->showGlyphsAtPositions(&glyph, &at, 1);
    size_t blue = 0;
    for (size_t y = 0; y < ctx->height(); ++y)
      for (size_t x = 0; x < ctx->width(); ++x) blue += unpack(ctx->pixelAt(x, y)).b > 128;
    EXPECT_EQ(blue > 50, k.shadowSeen) << blue;
  }
}
