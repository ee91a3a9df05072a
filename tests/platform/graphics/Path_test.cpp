#include <gtest/gtest.h>

#include <cmath>

#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Path.h"

using namespace gfx;

namespace {

void expectNearRect(const Rect& a, const Rect& b, double tol = 1e-6) {
  EXPECT_NEAR(a.origin.x, b.origin.x, tol);
  EXPECT_NEAR(a.origin.y, b.origin.y, tol);
  EXPECT_NEAR(a.size.width, b.size.width, tol);
  EXPECT_NEAR(a.size.height, b.size.height, tol);
}

}  // namespace

TEST(Path, RectPathsAreRects) {
  auto rect = Path::createWithRect(RectMake(1, 2, 3, 4));
  Rect out;
  ASSERT_TRUE(rect->isRect(&out));
  EXPECT_EQ(out, RectMake(1, 2, 3, 4));
  EXPECT_EQ(rect->boundingBox(), RectMake(1, 2, 3, 4));
  EXPECT_FALSE(Path::createWithEllipseInRect(RectMake(0, 0, 4, 4))->isRect());
  auto skew = MutablePath::create();
  skew->addLines({{0, 0}, {4, 0}, {5, 3}, {0, 3}});
  skew->closeSubpath();
  EXPECT_FALSE(skew->isRect());
  EXPECT_TRUE(RectIsNull(MutablePath::create()->boundingBox()));
}

TEST(Path, BoundsOfCurvesTightAndWithControlPoints) {
  auto p = MutablePath::create();
  p->moveToPoint(0, 0);
  p->addCurveToPoint(0, 10, 10, 10, 10, 0);
  expectNearRect(p->boundingBox(), RectMake(0, 0, 10, 10));
  expectNearRect(p->pathBoundingBox(), RectMake(0, 0, 10, 7.5));
  auto ellipse = Path::createWithEllipseInRect(RectMake(10, 20, 30, 40));
  expectNearRect(ellipse->pathBoundingBox(), RectMake(10, 20, 30, 40));
}

TEST(Path, ArcsSweepBothWays) {
  // Increasing angles from 0 to pi/2 stay in the +x,+y quadrant; the other way round
  // covers three quarters.
  auto ccw = MutablePath::create();
  ccw->addArc(0, 0, 10, 0, M_PI / 2, false);
  expectNearRect(ccw->pathBoundingBox(), RectMake(0, 0, 10, 10));
  auto cw = MutablePath::create();
  cw->addArc(0, 0, 10, 0, M_PI / 2, true);
  expectNearRect(cw->pathBoundingBox(), RectMake(-10, -10, 20, 20));
  auto full = MutablePath::create();
  full->addArc(5, 5, 5, -M_PI / 2, 3 * M_PI / 2, false);
  expectNearRect(full->pathBoundingBox(), RectMake(0, 0, 10, 10));
  // A screen-clockwise ring from the top.
  auto ring = BezierPath::bezierPathWithArcCenter({0, 0}, 10, -M_PI / 2, 0, true);
  expectNearRect(ring->CGPath()->pathBoundingBox(), RectMake(0, -10, 10, 10));
}

TEST(Path, ArcToPointRoundsTheCorner) {
  auto p = MutablePath::create();
  p->moveToPoint(0, 0);
  p->addArcToPoint(10, 0, 10, 10, 4);
  Point end = p->currentPoint();
  EXPECT_NEAR(end.x, 10, 1e-9);
  EXPECT_NEAR(end.y, 4, 1e-9);
  expectNearRect(p->pathBoundingBox(), RectMake(0, 0, 10, 4));
}

TEST(Path, ContainsWithFillRules) {
  auto p = MutablePath::create();
  p->addRect(RectMake(0, 0, 10, 10));
  p->addRect(RectMake(3, 3, 4, 4));
  struct {
    Point pt;
    bool winding, evenOdd;
  } cases[] = {{{1, 1}, true, true}, {{5, 5}, true, false}, {{11, 5}, false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(p->containsPoint(c.pt, false), c.winding);
    EXPECT_EQ(p->containsPoint(c.pt, true), c.evenOdd);
  }
  auto moved = AffineTransformMakeTranslation(100, 0);
  EXPECT_TRUE(p->containsPoint({101, 1}, false, &moved));
}

TEST(Path, TransformedAndStrokedCopies) {
  auto rect = Path::createWithRect(RectMake(0, 0, 10, 10));
  auto moved = rect->copyByTransformingPath(AffineTransformMakeTranslation(5, -5));
  EXPECT_EQ(moved->boundingBox(), RectMake(5, -5, 10, 10));
  EXPECT_EQ(rect->boundingBox(), RectMake(0, 0, 10, 10));
  EXPECT_TRUE(rect->isEqual(rect->copyPath()));
  EXPECT_FALSE(rect->isEqual(moved));

  auto stroked = rect->copyByStrokingPath(2, LineCap::Butt, LineJoin::Miter, 10);
  expectNearRect(stroked->boundingBox(), RectMake(-1, -1, 12, 12));
  EXPECT_TRUE(stroked->containsPoint({0.5, 5}));
  EXPECT_TRUE(stroked->containsPoint({-0.9, -0.9}));  // the mitred corner
  EXPECT_FALSE(stroked->containsPoint({5, 5}));

  auto line = MutablePath::create();
  line->moveToPoint(0, 0);
  line->addLineToPoint(10, 0);
  auto butt = line->copyByStrokingPath(4, LineCap::Butt, LineJoin::Miter, 10);
  expectNearRect(butt->boundingBox(), RectMake(0, -2, 10, 4));
  auto square = line->copyByStrokingPath(4, LineCap::Square, LineJoin::Miter, 10);
  expectNearRect(square->boundingBox(), RectMake(-2, -2, 14, 4));
  auto bevel = rect->copyByStrokingPath(2, LineCap::Butt, LineJoin::Bevel, 10);
  EXPECT_FALSE(bevel->containsPoint({-0.9, -0.9}));
}

TEST(BezierPath, ShapesAndSettings) {
  auto rounded = BezierPath::bezierPathWithRoundedRect(RectMake(0, 0, 20, 10), 50);
  EXPECT_EQ(rounded->bounds(), RectMake(0, 0, 20, 10));
  EXPECT_FALSE(rounded->containsPoint({0.5, 0.5}));
  EXPECT_TRUE(rounded->containsPoint({10, 5}));
  auto oneCorner = BezierPath::bezierPathWithRoundedRect(RectMake(0, 0, 20, 20), RectCornerTopLeft, {8, 8});
  EXPECT_FALSE(oneCorner->containsPoint({0.5, 0.5}));
  EXPECT_TRUE(oneCorner->containsPoint({19.5, 0.5}));
  EXPECT_TRUE(oneCorner->containsPoint({0.5, 19.5}));

  auto p = BezierPath::bezierPath();
  EXPECT_TRUE(p->isEmpty());
  p->addLineToPoint({5, 5});  // no current point: ignored
  EXPECT_TRUE(p->isEmpty());
  p->moveToPoint({0, 0});
  p->addQuadCurveToPoint({10, 0}, {5, 10});
  p->addCurveToPoint({20, 0}, {12, -5}, {18, -5});
  p->closePath();
  EXPECT_EQ(p->bounds(), RectMake(0, -5, 20, 15));
  p->setLineWidth(3);
  p->setLineDash({2, 1}, 0.5);
  auto copy = rt::as<BezierPath>(p->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->lineWidth(), 3);
  EXPECT_EQ(copy->lineDash().size(), 2u);
  EXPECT_TRUE(copy->isEqual(p));
  copy->applyTransform(AffineTransformMakeScale(2, 2));
  EXPECT_EQ(copy->bounds(), RectMake(0, -10, 40, 30));
  EXPECT_EQ(p->bounds(), RectMake(0, -5, 20, 15));
}
