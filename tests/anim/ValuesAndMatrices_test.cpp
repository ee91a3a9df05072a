#include <gtest/gtest.h>

#include <cmath>

#include "anim/PXAnimatableProperty.h"
#include "anim/PXColor.h"
#include "anim/PXCurve.h"
#include "anim/PXMatrix4x4.h"
#include "anim/PXVector.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/layer/Layer.h"

namespace anim {
namespace {

using PX::Vector;

std::string raisedName(const std::function<void()>& f) {
  try {
    f();
  } catch (const rt::Exception& e) {
    return e.name().utf8() + ": " + e.reason().utf8();
  }
  return "";
}

TEST(PXVector, RoundingDescriptionsAndShapes) {
  auto v = Vector::makeWithValues(3, std::vector<double>{1, 2, 3}.data());
  EXPECT_EQ(v->description(), "[1.000, 2.000, 3.000]");
  EXPECT_EQ(Vector::makeWithPoint({1, 2})->description(), "(1.000, 2.000)");
  EXPECT_EQ(Vector().description(), "()");
  auto r = Vector::makeWithFloat(0.74);
  r->roundToFraction(2);
  EXPECT_EQ((*r)[0], 0.5);
  r = Vector::makeWithFloat(0.75);
  r->roundToFraction(2);
  EXPECT_EQ((*r)[0], 1.0);
  EXPECT_EQ(Vector::makeWithPoint({1, 2})->asRect(), gfx::Rect{});
  EXPECT_EQ(Vector::makeWithFloat(4)->asPoint(), gfx::PointMake(4, 0));
  EXPECT_EQ(Vector::makeWithValues(0, nullptr), nullptr);
  EXPECT_EQ(PX::valueTypeName(PX::kValueRect), std::string("CGRect"));
  EXPECT_EQ(PX::valueTypeName(static_cast<PX::ValueType>(40)), nullptr);
}

TEST(PXVector, BoxedValuesConvertOrAreRefused) {
  PX::ValueType type = PX::kValueUnknown;
  size_t count = 0;
  auto v = PX::vectorFromValue(fd::Number::numberWithLongLong(1), &type, &count, true);
  EXPECT_EQ(type, PX::kValueInteger);
  auto back = rt::as<fd::Number>(PX::valueFromVector(v, type, false));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->objCType(), "d");

  struct Refused {
    rt::Id value;
  } refused[] = {{fd::Number::numberWithBool(true)},
                 {fd::ValueBox::valueWith(gfx::AffineTransform{})},
                 {fd::ValueBox::valueWith(gfx::Transform3D{})},
                 {fd::ValueBox::valueWith(rt::Range{0, 1})}};
  for (const auto& c : refused) {
    PX::ValueType t = PX::kValueUnknown;
    size_t n = 0;
    EXPECT_EQ(raisedName([&] { PX::vectorFromValue(c.value, &t, &n, true); }).rfind("Unsuported value: Animating", 0), 0u);
  }

  type = PX::kValueUnknown, count = 0;
  PX::vectorFromValue(fd::ValueBox::valueWith(gfx::Point{1, 2}), &type, &count, true);
  std::string raised = raisedName([&] { PX::vectorFromValue(fd::Number::numberWithInt(3), &type, &count, true); });
  EXPECT_EQ(raised, "Invalid value: 3 should be of type CGPoint");
  // A size where a point was set has the same count and is taken; nil resets the count.
  EXPECT_TRUE(PX::vectorFromValue(fd::ValueBox::valueWith(gfx::Size{3, 4}), &type, &count, true));
  EXPECT_EQ(type, PX::kValuePoint);
  PX::vectorFromValue(nullptr, &type, &count, true);
  PX::vectorFromValue(fd::ValueBox::valueWith(gfx::Rect{{0, 0}, {1, 1}}), &type, &count, true);
  EXPECT_EQ(type, PX::kValueRect);
  EXPECT_EQ(count, 4u);
}

TEST(PXColor, ComponentsRoundTrip) {
  double c[4];
  PXRGBAFromCGColor(gfx::Color::colorWithWhite(0.5, 0.8), c);
  EXPECT_DOUBLE_EQ(c[0], 0.5);
  EXPECT_DOUBLE_EQ(c[2], 0.5);
  EXPECT_DOUBLE_EQ(c[3], 0.8);
  PXRGBAFromCGColor(nullptr, c);
  EXPECT_EQ(c[3], 0);
  auto transparent = PXCGColorFromRGBA(c);
  ASSERT_TRUE(transparent);
  EXPECT_EQ(transparent->alpha(), 0);
  double red[4] = {1, 0, 0, 1}, back[4];
  PXRGBAFromUIColor(PXUIColorFromRGBA(red), back);
  EXPECT_EQ(std::vector<double>(back, back + 4), std::vector<double>(red, red + 4));
  EXPECT_FALSE(PXCGColorFromObject(fd::Number::numberWithInt(1)));
}

TEST(PXMatrix, DecomposeRecomposeAndLayerComponents) {
  Matrix4x4 identity;
  auto d = decompose(identity);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->scaleX, 1);
  EXPECT_EQ(d->quaternionW, 1);
  EXPECT_EQ(d->perspectiveW, 1);
  EXPECT_TRUE(recompose(*d, false).isIdentity());

  auto layer = rt::make<ui::Layer>();
  double v[2] = {2, 3}, out[2];
  writeTransformComponent(layer.get(), false, TransformComponent::ScaleXY, v);
  ASSERT_TRUE(readTransformComponent(layer.get(), false, TransformComponent::ScaleXY, out));
  EXPECT_NEAR(out[0], 2, 1e-6);
  EXPECT_NEAR(out[1], 3, 1e-6);
  // The translation is written and the scale kept.
  double tx[2] = {40, 0};
  writeTransformComponent(layer.get(), false, TransformComponent::TranslationX, tx);
  EXPECT_NEAR(layer->transform().m41, 40, 1e-4);
  EXPECT_NEAR(layer->transform().m11, 2, 1e-6);

  double zeros[2] = {0, 0};
  writeTransformComponent(layer.get(), true, TransformComponent::ScaleXY, zeros);
  readTransformComponent(layer.get(), true, TransformComponent::ScaleXY, out);
  EXPECT_NEAR(out[0], 0.000001, 1e-9);

  auto turned = rt::make<ui::Layer>();
  double angle[2] = {M_PI / 2, 0};
  writeTransformComponent(turned.get(), false, TransformComponent::RotationZ, angle);
  readTransformComponent(turned.get(), false, TransformComponent::RotationZ, out);
  EXPECT_NEAR(out[0], M_PI / 2, 1e-6);
  EXPECT_EQ(turned->transform().m12, 1);
  EXPECT_EQ(turned->transform().m21, -1);
  EXPECT_EQ(turned->transform().m11, static_cast<double>(static_cast<float>(std::cos(M_PI / 2))));

  Matrix4x4 mirrored;
  mirrored.scale(-1, 1, 1);
  auto m = decompose(mirrored);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->scaleX, -1);  // a mirror negates all three scales
  EXPECT_EQ(m->scaleY, -1);
  EXPECT_EQ(m->scaleZ, -1);
  Matrix4x4 zero;
  zero.m[3][3] = 0;
  EXPECT_FALSE(decompose(zero));
  EXPECT_FALSE(readTransformComponent(nullptr, false, TransformComponent::ScaleX, out));
}

TEST(PXAnimatableProperty, BuiltInsCustomsAndCopies) {
  auto sub = PXAnimatableProperty::propertyWithName("subscaleXY");
  ASSERT_TRUE(sub);
  EXPECT_EQ(sub, PXAnimatableProperty::propertyWithName("subscaleXY"));
  EXPECT_EQ(sub->threshold(), 0.005);
  EXPECT_NE(PXAnimatableProperty::propertyWithName("opacity")->description().utf8().find("name:opacity threshold:0.010000"),
            std::string::npos);
  EXPECT_FALSE(PXAnimatableProperty::propertyWithName("noSuchProperty"));

  int calls = 0;
  auto make = [&] {
    return PXAnimatableProperty::propertyWithName("custom.x", [&](PXMutableAnimatableProperty& p) {
      ++calls;
      p.setReadBlock([](const rt::Id&, double v[]) { v[0] = 7; });
    });
  };
  auto a = make(), b = make();
  EXPECT_EQ(calls, 2);
  EXPECT_NE(a, b);
  EXPECT_EQ(a->threshold(), 1.0);
  EXPECT_EQ(a->copy(), a);
  auto mutableCopy = rt::as<PXMutableAnimatableProperty>(a->mutableCopy());
  ASSERT_TRUE(mutableCopy);
  auto frozen = rt::as<PXAnimatableProperty>(mutableCopy->copy());
  mutableCopy->setThreshold(9);
  EXPECT_EQ(frozen->threshold(), 1.0);
  EXPECT_EQ(PXAnimatableProperty::placeholder(), PXAnimatableProperty::placeholder());
  // A built-in name never runs the initializer.
  PXAnimatableProperty::propertyWithName("opacity", [&](PXMutableAnimatableProperty&) { ++calls; });
  EXPECT_EQ(calls, 2);

  auto layer = rt::make<ui::Layer>();
  layer->setBounds({{1, 2}, {30, 40}});
  auto size = PXAnimatableProperty::propertyWithName("size");
  double negative[2] = {-1, 10}, empty[2] = {0, 0};
  size->writeBlock()(layer, negative);
  EXPECT_EQ(layer->bounds().size.width, 30);
  size->writeBlock()(layer, empty);
  EXPECT_EQ(layer->bounds(), (gfx::Rect{{1, 2}, {0, 0}}));
}

TEST(PXCurve, EasingAndBlends) {
  for (double x : {0.0, 0.25, 0.5, 0.9, 1.0}) EXPECT_NEAR(easeWithControlPoints(0, 0, 1, 1, x, 1e-6), x, 1e-6);
  EXPECT_GT(easeWithControlPoints(0.42, 0, 1, 1, 0.5, 1e-6), 0.2);
  EXPECT_LT(easeWithControlPoints(0.42, 0, 1, 1, 0.5, 1e-6), 0.5);
  EXPECT_EQ(quadOutBlend(1, 2, 4), 4);
  EXPECT_EQ(PXBouncy3NoBounce(0), 1.28);
}

}  // namespace
}  // namespace anim
