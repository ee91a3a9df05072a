#include <gtest/gtest.h>

#include <cmath>

#include "platform/foundation/values/ValueBox.h"
#include "platform/graphics/Geometry.h"

using namespace gfx;

namespace {

void expectRect(const Rect& actual, const Rect& expected) {
  if (RectIsNull(expected)) {
    EXPECT_TRUE(RectIsNull(actual)) << StringFromRect(actual).utf8();
    return;
  }
  EXPECT_DOUBLE_EQ(actual.origin.x, expected.origin.x);
  EXPECT_DOUBLE_EQ(actual.origin.y, expected.origin.y);
  EXPECT_DOUBLE_EQ(actual.size.width, expected.size.width);
  EXPECT_DOUBLE_EQ(actual.size.height, expected.size.height);
}

void expectTransform(const AffineTransform& a, const AffineTransform& b) {
  EXPECT_NEAR(a.a, b.a, 1e-9);
  EXPECT_NEAR(a.b, b.b, 1e-9);
  EXPECT_NEAR(a.c, b.c, 1e-9);
  EXPECT_NEAR(a.d, b.d, 1e-9);
  EXPECT_NEAR(a.tx, b.tx, 1e-9);
  EXPECT_NEAR(a.ty, b.ty, 1e-9);
}

}  // namespace

TEST(Geometry, RectQueriesStandardizeNegativeSizes) {
  Rect r = RectMake(10, 20, -4, -6);
  EXPECT_EQ(RectGetMinX(r), 6);
  EXPECT_EQ(RectGetMaxX(r), 10);
  EXPECT_EQ(RectGetMidX(r), 8);
  EXPECT_EQ(RectGetMinY(r), 14);
  EXPECT_EQ(RectGetMaxY(r), 20);
  EXPECT_EQ(RectGetMidY(r), 17);
  EXPECT_EQ(RectGetWidth(r), 4);
  expectRect(RectStandardize(r), RectMake(6, 14, 4, 6));
}

TEST(Geometry, NullInfiniteAndEmpty) {
  EXPECT_TRUE(RectIsNull(RectNull));
  EXPECT_TRUE(RectIsEmpty(RectNull));
  EXPECT_TRUE(RectIsEmpty(RectMake(5, 5, 0, 3)));
  EXPECT_FALSE(RectIsEmpty(RectMake(5, 5, 1, 3)));
  EXPECT_TRUE(RectIsInfinite(RectInfinite));
  EXPECT_FALSE(RectIsNull(RectZero));
  EXPECT_TRUE(RectEqualToRect(RectNull, RectNull));
  EXPECT_FALSE(RectContainsPoint(RectNull, PointZero));
  expectRect(RectUnion(RectNull, RectMake(1, 2, 3, 4)), RectMake(1, 2, 3, 4));
  expectRect(RectIntersection(RectInfinite, RectMake(1, 2, 3, 4)), RectMake(1, 2, 3, 4));
  EXPECT_TRUE(RectIsInfinite(RectUnion(RectInfinite, RectMake(1, 2, 3, 4))));
}

TEST(Geometry, RectOperationsTable) {
  struct Case {
    const char* name;
    Rect actual;
    Rect expected;
  };
  Rect a = RectMake(0, 0, 10, 10);
  Case cases[] = {
      {"inset", RectInset(a, 2, 3), RectMake(2, 3, 6, 4)},
      {"inset too far", RectInset(a, 6, 0), RectNull},
      {"inset null", RectInset(RectNull, 1, 1), RectNull},
      {"offset", RectOffset(a, -1, 2), RectMake(-1, 2, 10, 10)},
      {"union", RectUnion(a, RectMake(5, 5, 10, 2)), RectMake(0, 0, 15, 10)},
      {"intersection", RectIntersection(a, RectMake(5, -5, 10, 10)), RectMake(5, 0, 5, 5)},
      {"disjoint", RectIntersection(a, RectMake(20, 20, 1, 1)), RectNull},
      {"touching", RectIntersection(a, RectMake(10, 0, 5, 5)), RectMake(10, 0, 0, 5)},
      {"with unit rect", RectIntersection(RectMake(0.5, 0.5, 2, 2), RectMake(0, 0, 1, 1)), RectMake(0.5, 0.5, 0.5, 0.5)},
      {"integral", RectIntegral(RectMake(0.5, 1.2, 2.1, 2.0)), RectMake(0, 1, 3, 3)},
      {"integral negative size", RectIntegral(RectMake(3.5, 3.5, -1, -1)), RectMake(2, 2, 2, 2)},
      {"edge insets", EdgeInsetsInsetRect(a, EdgeInsetsMake(1, 2, 3, 4)), RectMake(2, 1, 4, 6)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expectRect(c.actual, c.expected);
  }
}

TEST(Geometry, ContainmentAndIntersection) {
  Rect a = RectMake(0, 0, 10, 10);
  struct {
    Point p;
    bool inside;
  } points[] = {{{0, 0}, true}, {{9.99, 9.99}, true}, {{10, 5}, false}, {{5, 10}, false}, {{-0.01, 5}, false}};
  for (const auto& c : points) EXPECT_EQ(RectContainsPoint(a, c.p), c.inside) << c.p.x << "," << c.p.y;
  EXPECT_TRUE(RectContainsRect(a, RectMake(2, 2, 8, 8)));
  EXPECT_FALSE(RectContainsRect(a, RectMake(2, 2, 9, 8)));
  EXPECT_TRUE(RectIntersectsRect(a, RectMake(9, 9, 5, 5)));
  EXPECT_FALSE(RectIntersectsRect(a, RectMake(10, 0, 5, 5)));
  EXPECT_FALSE(RectIntersectsRect(a, RectNull));
}

TEST(Geometry, DivideCutsFromEachEdge) {
  Rect a = RectMake(0, 0, 10, 20), slice, rest;
  struct {
    RectEdge edge;
    double amount;
    Rect slice, rest;
  } cases[] = {
      {RectEdge::MinX, 3, RectMake(0, 0, 3, 20), RectMake(3, 0, 7, 20)},
      {RectEdge::MaxX, 3, RectMake(7, 0, 3, 20), RectMake(0, 0, 7, 20)},
      {RectEdge::MinY, 5, RectMake(0, 0, 10, 5), RectMake(0, 5, 10, 15)},
      {RectEdge::MaxY, 25, RectMake(0, 0, 10, 20), RectMake(0, 20, 10, 0)},
  };
  for (const auto& c : cases) {
    RectDivide(a, &slice, &rest, c.amount, c.edge);
    expectRect(slice, c.slice);
    if (c.edge != RectEdge::MaxY) expectRect(rest, c.rest);
    else EXPECT_EQ(rest.size.height, 0);
  }
}

TEST(Geometry, TextForms) {
  EXPECT_EQ(StringFromRect(RectMake(0, 0, 10, 20)).utf8(), "{{0, 0}, {10, 20}}");
  EXPECT_EQ(StringFromPoint(PointMake(1.5, -2)).utf8(), "{1.5, -2}");
  EXPECT_EQ(StringFromSize(SizeMake(375, 667)).utf8(), "{375, 667}");
  EXPECT_EQ(StringFromEdgeInsets(EdgeInsetsMake(1, 2, 3, 4)).utf8(), "{1, 2, 3, 4}");
  EXPECT_EQ(RectFromString("{{1, 2}, {3, 4}}"), RectMake(1, 2, 3, 4));
  EXPECT_EQ(PointFromString("{0.25, -7}"), PointMake(0.25, -7));
  EXPECT_EQ(RectFromString("garbage"), RectZero);
  EXPECT_EQ(StringFromAffineTransform(AffineTransformMakeScale(2, 3)).utf8(), "[2, 0, 0, 3, 0, 0]");
}

TEST(Geometry, AffineComposition) {
  AffineTransform s = AffineTransformMakeScale(2, 3);
  AffineTransform t = AffineTransformMakeTranslation(10, 20);
  // Scale first, then translate.
  Point p = PointApplyAffineTransform({1, 1}, AffineTransformConcat(s, t));
  EXPECT_EQ(p, PointMake(12, 23));
  // Translate(t, ...) translates in t's own space (before t).
  Point q = PointApplyAffineTransform({1, 1}, AffineTransformTranslate(s, 10, 20));
  EXPECT_EQ(q, PointMake(22, 63));
  expectTransform(AffineTransformScale(AffineTransformMakeScale(2, 2), 3, 0.5), AffineTransformMakeScale(6, 1));
  Point r = PointApplyAffineTransform({1, 0}, AffineTransformMakeRotation(M_PI / 2));
  EXPECT_NEAR(r.x, 0, 1e-12);
  EXPECT_NEAR(r.y, 1, 1e-12);
  expectRect(RectApplyAffineTransform(RectMake(0, 0, 2, 1), AffineTransformMakeRotation(M_PI / 2)),
             RectMake(-1, 0, 1, 2));
  EXPECT_EQ(SizeApplyAffineTransform({2, 1}, s), SizeMake(4, 3));
}

TEST(Geometry, AffineInvertAndDecompose) {
  AffineTransform m = AffineTransformConcat(AffineTransformMakeRotation(0.7), AffineTransformMakeTranslation(3, -4));
  m = AffineTransformScale(m, 2, 5);
  expectTransform(AffineTransformConcat(m, AffineTransformInvert(m)), AffineTransformIdentity);
  AffineTransform singular = AffineTransformMakeScale(0, 1);
  EXPECT_FALSE(AffineTransformIsInvertible(singular));
  EXPECT_EQ(AffineTransformInvert(singular), singular);
  AffineComponents c = AffineTransformDecompose(m);
  expectTransform(AffineTransformMakeWithComponents(c), m);
  AffineComponents plain = AffineTransformDecompose(AffineTransformMakeScale(2, 3));
  EXPECT_DOUBLE_EQ(plain.scale.width, 2);
  EXPECT_DOUBLE_EQ(plain.scale.height, 3);
  EXPECT_DOUBLE_EQ(plain.rotation, 0);
}

TEST(Geometry, AffineFromPointPairsSolvesOrRejects) {
  AffineTransform expected = AffineTransformConcat(AffineTransformMakeRotation(0.3), AffineTransformMakeTranslation(5, 7));
  expected.c += 0.2;  // a shear too
  Point from[3] = {{0, 0}, {10, 0}, {3, 8}};
  Point to[3];
  for (int i = 0; i < 3; ++i) to[i] = PointApplyAffineTransform(from[i], expected);
  AffineTransform solved;
  ASSERT_TRUE(AffineTransformFromPointPairs(from, to, &solved));
  expectTransform(solved, expected);
  Point collinear[3] = {{0, 0}, {1, 1}, {2, 2}};
  EXPECT_FALSE(AffineTransformFromPointPairs(collinear, to, &solved));
  double m[4] = {4, 7, 2, 6};
  ASSERT_TRUE(InvertMatrix(m, 2));
  EXPECT_NEAR(m[0], 0.6, 1e-12);
  EXPECT_NEAR(m[1], -0.7, 1e-12);
}

TEST(Geometry, Transform3D) {
  Transform3D r = Transform3DMakeRotation(M_PI / 2, 0, 0, 1);
  expectTransform(Transform3DGetAffineTransform(r), AffineTransformMakeRotation(M_PI / 2));
  EXPECT_TRUE(Transform3DIsAffine(Transform3DMakeScale(2, 3, 1)));
  EXPECT_FALSE(Transform3DIsAffine(Transform3DMakeScale(2, 3, 4)));
  Transform3D m = Transform3DRotate(Transform3DMakeTranslation(1, 2, 3), 0.4, 1, 1, 0);
  m = Transform3DScale(m, 2, 2, 2);
  Transform3D id = Transform3DConcat(m, Transform3DInvert(m));
  EXPECT_NEAR(id.m11, 1, 1e-9);
  EXPECT_NEAR(id.m23, 0, 1e-9);
  EXPECT_NEAR(id.m44, 1, 1e-9);
  EXPECT_TRUE(Transform3DIsIdentity(Transform3DMakeRotation(1, 0, 0, 0)));
  Transform3D persp = Transform3DIdentity;
  persp.m34 = -1.0 / 500;
  persp.m24 = 0.001;
  Point p = PointApplyTransform3D({100, 100}, persp);
  EXPECT_NEAR(p.x, 100 / 1.1, 1e-9);
  Transform3D fromAffine = Transform3DMakeAffineTransform(AffineTransformMakeTranslation(4, 5));
  EXPECT_EQ(fromAffine.m41, 4);
  EXPECT_EQ(fromAffine.m42, 5);
}

TEST(Geometry, BoxedValuesCarryTheRuntimeEncodings) {
  struct {
    Ref<fd::ValueBox> box;
    const char* encoding;
  } cases[] = {
      {fd::ValueBox::valueWith(PointMake(1, 2)), "{CGPoint=dd}"},
      {fd::ValueBox::valueWith(SizeMake(1, 2)), "{CGSize=dd}"},
      {fd::ValueBox::valueWith(RectMake(1, 2, 3, 4)), "{CGRect={CGPoint=dd}{CGSize=dd}}"},
      {fd::ValueBox::valueWith(EdgeInsetsMake(1, 2, 3, 4)), "{UIEdgeInsets=dddd}"},
      {fd::ValueBox::valueWith(Offset{1, 2}), "{UIOffset=dd}"},
      {fd::ValueBox::valueWith(VectorMake(1, 2)), "{CGVector=dd}"},
      {fd::ValueBox::valueWith(AffineTransformMakeScale(2, 2)), "{CGAffineTransform=dddddd}"},
      {fd::ValueBox::valueWith(Transform3DIdentity), "{CATransform3D=dddddddddddddddd}"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.box->objCType(), c.encoding);
  Rect back;
  ASSERT_TRUE(cases[2].box->get(back));
  EXPECT_EQ(back, RectMake(1, 2, 3, 4));
  Point wrong;
  EXPECT_FALSE(cases[2].box->get(wrong));
}
