#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/values/Number.h"
#include "platform/typeset/Framesetter.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::cjk;

namespace {

Ref<AttributedString> chinese(bool vertical, size_t repeat = 12) {
  rt::String unit(u"新闻快讯今日市政府召开会议讨论自行车道计划居民表示欢迎");
  rt::String all;
  for (size_t i = 0; i < repeat; ++i) all = all.stringByAppendingString(unit);
  auto s = MutableAttributedString::create(all, typeset_test::attrs(cjk(12)));
  if (vertical) s->addAttribute(VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1), Range{0, s->length()});
  return s;
}

// A shape described once and drawn either upright in a W x H box or turned a quarter into the
// H x W box a right-to-left column layout reads it as: (x, y) -> (H - y, x).
struct Shape {
  std::function<void(gfx::MutablePath&, const gfx::AffineTransform*)> add;
  std::vector<gfx::Rect> exclusions;
  bool evenOdd = true;
  double pathWidth = 0;
};

Ref<fd::Dictionary> frameAttributes(const Shape& s, bool vertical, const gfx::AffineTransform* t) {
  auto d = fd::MutableDictionary::create();
  if (vertical) d->setObjectForKey(fd::Number::numberWithInt(1), rt::String(FrameProgressionAttributeName));
  d->setObjectForKey(fd::Number::numberWithInt(s.evenOdd ? 0 : 1), rt::String(FramePathFillRuleAttributeName));
  if (s.pathWidth > 0)
    d->setObjectForKey(fd::Number::numberWithDouble(s.pathWidth), rt::String(FramePathWidthAttributeName));
  std::vector<rt::Id> clips;
  for (const auto& r : s.exclusions) clips.push_back(gfx::Path::createWithRect(r, t));
  if (!clips.empty()) d->setObjectForKey(fd::Array::create(clips), rt::String(FrameClippingPathsAttributeName));
  return d;
}

}  // namespace

// Columns fill any shape exactly as rows fill the same shape turned a quarter: the same
// characters per line, at the turned origins, with exclusions, path width and both fill rules.
TEST(VerticalFrames, ColumnsFollowThePathLikeRows) {
  const double W = 240, H = 180;
  auto ellipse = [](gfx::MutablePath& p, const gfx::AffineTransform* t) { p.addEllipseInRect(gfx::RectMake(0, 0, 240, 180), t); };
  auto ring = [](gfx::MutablePath& p, const gfx::AffineTransform* t) {
    p.addEllipseInRect(gfx::RectMake(0, 0, 240, 180), t);
    p.addEllipseInRect(gfx::RectMake(70, 50, 100, 80), t);  // same winding: a hole only by even-odd
  };
  auto lShape = [](gfx::MutablePath& p, const gfx::AffineTransform* t) {
    p.addLines({{0, 0}, {240, 0}, {240, 60}, {90, 60}, {90, 180}, {0, 180}}, t);
    p.closeSubpath();
  };
  struct Case {
    const char* name;
    Shape shape;
  } cases[] = {
      {"ellipse", {ellipse, {}, true, 0}},
      {"ellipse with exclusion", {ellipse, {gfx::RectMake(100, 60, 50, 70)}, true, 0}},
      {"exclusion larger than the path", {ellipse, {gfx::RectMake(-10, -10, 300, 300)}, true, 0}},
      {"ring even-odd", {ring, {}, true, 0}},
      {"ring non-zero", {ring, {}, false, 0}},
      {"L with path width", {lShape, {}, true, 12}},
  };
  gfx::AffineTransform turn = gfx::AffineTransformMake(0, 1, -1, 0, H, 0);  // (x, y) -> (H - y, x)
  auto vfs = Framesetter::create(*chinese(true));
  auto hfs = Framesetter::create(*chinese(false));
  for (const auto& c : cases) {
    auto vpath = gfx::MutablePath::create();
    c.shape.add(*vpath, nullptr);
    auto hpath = gfx::MutablePath::create();
    c.shape.add(*hpath, &turn);
    auto vertical = vfs->createFrame(Range{0, 0}, vpath, frameAttributes(c.shape, true, nullptr));
    auto horizontal = hfs->createFrame(Range{0, 0}, hpath, frameAttributes(c.shape, false, &turn));
    ASSERT_EQ(vertical->lines().size(), horizontal->lines().size()) << c.name;
    auto vo = vertical->lineOrigins(), ho = horizontal->lineOrigins();
    for (size_t i = 0; i < vertical->lines().size(); ++i) {
      EXPECT_EQ(vertical->lines()[i]->stringRange(), horizontal->lines()[i]->stringRange()) << c.name << " line " << i;
      // A row's origin (x, y) in the turned box is the column's origin (y, H - x).
      EXPECT_NEAR(vo[i].x, ho[i].y, 1e-6) << c.name << " line " << i;
      EXPECT_NEAR(vo[i].y, H - ho[i].x, 1e-6) << c.name << " line " << i;
    }
    EXPECT_EQ(vertical->visibleStringRange(), horizontal->visibleStringRange()) << c.name;
  }
  // Columns in an ellipse are not those of its bounding rectangle: the outer ones are shorter.
  auto inRect = vfs->createFrame(Range{0, 0}, gfx::Path::createWithRect(gfx::RectMake(0, 0, W, H)),
                                 frameAttributes(Shape{ellipse, {}, true, 0}, true, nullptr));
  auto inEllipse = vfs->createFrame(Range{0, 0}, gfx::Path::createWithEllipseInRect(gfx::RectMake(0, 0, W, H)),
                                    frameAttributes(Shape{ellipse, {}, true, 0}, true, nullptr));
  ASSERT_GT(inEllipse->lines().size(), 4u);
  EXPECT_LT(inEllipse->lines().front()->stringRange().length, inRect->lines().front()->stringRange().length);
  size_t middle = inEllipse->lines().size() / 2;
  EXPECT_GT(inEllipse->lines()[middle]->stringRange().length, inEllipse->lines().front()->stringRange().length);
  // Every column's ink lies inside the ellipse.
  auto ellipsePath = gfx::Path::createWithEllipseInRect(gfx::RectMake(0, 0, W, H));
  auto o = inEllipse->lineOrigins();
  for (size_t i = 0; i < inEllipse->lines().size(); ++i) {
    const auto& line = inEllipse->lines()[i];
    double length = line->width() - line->trailingWhitespaceWidth();
    const double in = 0.05;  // the band is sampled just inside its edges
    for (gfx::Point p : {gfx::Point{o[i].x - line->descent() + in, o[i].y - in},
                         gfx::Point{o[i].x + line->ascent() - in, o[i].y - in},
                         gfx::Point{o[i].x - line->descent() + in, o[i].y - length + in},
                         gfx::Point{o[i].x + line->ascent() - in, o[i].y - length + in}})
      EXPECT_TRUE(ellipsePath->containsPoint(p))
          << "column " << i << " corner " << p.x << "," << p.y;
  }
}

TEST(VerticalFrames, HostileShapesEndQuickly) {
  auto fs = Framesetter::create(*chinese(true, 2));
  auto attrs = fd::Dictionary::withStrings({{FrameProgressionAttributeName, fd::Number::numberWithInt(1)}});
  auto zero = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(gfx::RectMake(0, 0, 0, 300)), attrs);
  EXPECT_TRUE(zero->lines().empty());
  auto thin = gfx::MutablePath::create();
  thin->addEllipseInRect(gfx::RectMake(0, 0, 0.5, 300));
  EXPECT_TRUE(fs->createFrame(Range{0, 0}, thin, attrs)->lines().empty());
  // A font far larger than the path: at most one column, at once.
  auto hugeText = MutableAttributedString::create(u"新闻快讯今日", typeset_test::attrs(cjk(1e6)));
  hugeText->addAttribute(VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1), Range{0, 6});
  for (bool ellipse : {false, true}) {
    gfx::Rect r = gfx::RectMake(0, 0, 100, 300);
    auto p = ellipse ? gfx::Path::createWithEllipseInRect(r) : gfx::Path::createWithRect(r);
    auto f = Framesetter::create(*hugeText)->createFrame(Range{0, 0}, p, attrs);
    EXPECT_LE(f->lines().size(), 1u);
  }
  // Columns left to right read down their page too, and stay inside the box.
  auto ltr = fd::Dictionary::withStrings({{FrameProgressionAttributeName, fd::Number::numberWithInt(2)}});
  auto frame = fs->createFrame(Range{0, 0}, gfx::Path::createWithRect(gfx::RectMake(0, 0, 100, 65)), ltr);
  ASSERT_GE(frame->lines().size(), 2u);
  auto o = frame->lineOrigins();
  EXPECT_LT(o[0].x, o[1].x);
  EXPECT_NEAR(o[0].y, 65, 1e-6);
  EXPECT_GE(o[0].x - frame->lines()[0]->descent(), -1e-6);
}
