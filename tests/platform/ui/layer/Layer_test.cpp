#include <gtest/gtest.h>

#include <cmath>

#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/Transaction.h"

// A namespace of its own: test programs compile several files as one.
namespace layer_test {

using namespace ui;

namespace {

Ref<Layer> makeLayer(gfx::Rect frame) {
  auto l = Layer::layer();
  l->setFrame(frame);
  return l;
}

double num(const rt::Id& o) {
  auto n = std::dynamic_pointer_cast<fd::Number>(o);
  return n ? n->doubleValue() : NAN;
}

class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    Transaction::flush();
    fd::RunLoopDriver::reset();
  }
};

// A layer subclass with a custom drawn key and a declared default.
class BlurLayer : public Layer {
  RT_CLASS(BlurLayer, Layer)
 public:
  void init() {}
  rt::Id defaultValueForKey(const rt::String& key) const override {
    if (key == rt::String("displaysAsynchronously")) return fd::Number::numberWithBool(true);
    return Layer::defaultValueForKey(key);
  }
  bool needsDisplayForKey(const rt::String& key) const override {
    return key == rt::String("blurRadius") || Layer::needsDisplayForKey(key);
  }
};
RT_IMPLEMENT(BlurLayer) {}

struct RecordingDelegate : LayerDelegate {
  int displays = 0, draws = 0;
  bool handleDisplay = false;
  std::optional<rt::Id> action;
  bool displayLayer(Layer&) override {
    ++displays;
    return handleDisplay;
  }
  bool drawLayerInContext(Layer& layer, gfx::Context& ctx) override {
    ++draws;
    ctx.setRGBFillColor(1, 0, 0, 1);
    ctx.fillRect(layer.bounds());
    return true;
  }
  std::optional<rt::Id> actionForLayer(Layer&, const rt::String&) override { return action; }
};

}  // namespace

TEST_F(LayerTest, FrameFollowsPositionBoundsAnchorAndTransform) {
  struct Case {
    gfx::Point anchor;
    gfx::Transform3D transform;
    gfx::Rect frame;
  } cases[] = {
      {{0.5, 0.5}, gfx::Transform3DIdentity, gfx::RectMake(50, 80, 100, 40)},
      {{0, 0}, gfx::Transform3DIdentity, gfx::RectMake(100, 100, 100, 40)},
      {{1, 1}, gfx::Transform3DIdentity, gfx::RectMake(0, 60, 100, 40)},
      {{0.5, 0.5}, gfx::Transform3DMakeScale(2, 2, 1), gfx::RectMake(0, 60, 200, 80)},
      {{0.5, 0.5}, gfx::Transform3DMakeRotation(M_PI / 2, 0, 0, 1), gfx::RectMake(80, 50, 40, 100)},
  };
  for (auto& c : cases) {
    auto l = Layer::layer();
    l->setBounds(gfx::RectMake(0, 0, 100, 40));
    l->setPosition({100, 100});
    l->setAnchorPoint(c.anchor);
    l->setTransform(c.transform);
    gfx::Rect f = l->frame();
    EXPECT_NEAR(f.origin.x, c.frame.origin.x, 1e-9);
    EXPECT_NEAR(f.origin.y, c.frame.origin.y, 1e-9);
    EXPECT_NEAR(f.size.width, c.frame.size.width, 1e-9);
    EXPECT_NEAR(f.size.height, c.frame.size.height, 1e-9);
  }
  auto l = makeLayer(gfx::RectMake(10, 20, 30, 40));
  EXPECT_EQ(l->position(), (gfx::Point{25, 40}));
  EXPECT_EQ(l->bounds(), gfx::RectMake(0, 0, 30, 40));
}

TEST_F(LayerTest, SublayerOrderOperations) {
  auto root = Layer::layer();
  auto a = Layer::layer(), b = Layer::layer(), c = Layer::layer(), d = Layer::layer();
  root->addSublayer(a);
  root->addSublayer(b);
  root->insertSublayerAtIndex(c, 0);
  root->insertSublayerAbove(d, a.get());
  EXPECT_EQ(root->sublayers(), (std::vector<Ref<Layer>>{c, a, d, b}));
  root->addSublayer(c);  // re-adding moves to the front
  EXPECT_EQ(root->sublayers(), (std::vector<Ref<Layer>>{a, d, b, c}));
  root->insertSublayerBelow(c, a.get());
  EXPECT_EQ(root->sublayers().front(), c);
  EXPECT_EQ(d->superlayer(), root);
  d->removeFromSuperlayer();
  EXPECT_EQ(d->superlayer(), nullptr);
  EXPECT_EQ(root->sublayers().size(), 3u);
  auto other = Layer::layer();
  other->addSublayer(a);  // moving between parents
  EXPECT_EQ(a->superlayer(), other);
  EXPECT_EQ(root->sublayers().size(), 2u);
  root->replaceSublayer(b.get(), d);
  EXPECT_EQ(root->sublayers(), (std::vector<Ref<Layer>>{c, d}));
  EXPECT_THROW(root->addSublayer(root), rt::Exception);
  c->addSublayer(b);
  EXPECT_THROW(b->addSublayer(root), rt::Exception);
  root->removeAllSublayers();
  EXPECT_TRUE(root->sublayers().empty());
  EXPECT_EQ(c->superlayer(), nullptr);
}

TEST_F(LayerTest, HitTestFindsDeepestVisibleLayer) {
  auto root = makeLayer(gfx::RectMake(0, 0, 300, 300));
  auto box = makeLayer(gfx::RectMake(100, 100, 100, 100));
  auto inner = makeLayer(gfx::RectMake(10, 10, 20, 20));
  auto outside = makeLayer(gfx::RectMake(150, 150, 50, 50));  // sticks out of box
  root->addSublayer(box);
  box->addSublayer(inner);
  box->addSublayer(outside);
  struct Case {
    gfx::Point p;
    Layer* expected;
  } cases[] = {
      {{115, 115}, inner.get()}, {{105, 105}, box.get()},   {{5, 5}, root.get()},
      {{260, 260}, outside.get()}, {{400, 400}, nullptr},
  };
  for (auto& c : cases) EXPECT_EQ(root->hitTest(c.p).get(), c.expected) << c.p.x;
  box->setMasksToBounds(true);
  EXPECT_EQ(root->hitTest({260, 260}).get(), root.get());
  inner->setHidden(true);
  EXPECT_EQ(root->hitTest({115, 115}).get(), box.get());
  // Higher z wins over list order.
  auto under = makeLayer(gfx::RectMake(0, 0, 50, 50));
  auto over = makeLayer(gfx::RectMake(0, 0, 50, 50));
  root->addSublayer(over);
  root->addSublayer(under);
  over->setZPosition(5);
  EXPECT_EQ(root->hitTest({10, 10}), over);
}

TEST_F(LayerTest, ConvertsBetweenLayers) {
  auto root = makeLayer(gfx::RectMake(0, 0, 400, 400));
  auto a = makeLayer(gfx::RectMake(100, 50, 100, 100));
  auto b = makeLayer(gfx::RectMake(10, 20, 50, 50));
  auto c = makeLayer(gfx::RectMake(300, 300, 50, 50));
  root->addSublayer(a);
  a->addSublayer(b);
  root->addSublayer(c);
  gfx::Point p = b->convertPointToLayer({1, 2}, c.get());
  EXPECT_NEAR(p.x, 111 - 300, 1e-9);
  EXPECT_NEAR(p.y, 72 - 300, 1e-9);
  gfx::Point back = b->convertPointFromLayer(p, c.get());
  EXPECT_NEAR(back.x, 1, 1e-9);
  EXPECT_NEAR(back.y, 2, 1e-9);
  EXPECT_EQ(b->convertRectToLayer(gfx::RectMake(0, 0, 10, 10), nullptr), gfx::RectMake(110, 70, 10, 10));
  a->setBounds(gfx::RectMake(20, 0, 100, 100));  // scrolled content
  EXPECT_EQ(b->convertRectToLayer(gfx::RectMake(0, 0, 10, 10), root.get()), gfx::RectMake(90, 70, 10, 10));
  // A sublayer transform scales around the superlayer's centre (250, 200) in root space.
  root->setSublayerTransform(gfx::Transform3DMakeScale(2, 2, 1));
  gfx::Point centre = root->convertPointFromLayer({200, 200}, nullptr);
  EXPECT_NEAR(centre.x, 200, 1e-9);
  gfx::Rect r = c->convertRectToLayer(c->bounds(), root.get());
  EXPECT_NEAR(r.origin.x, 400, 1e-9);
  EXPECT_NEAR(r.size.width, 100, 1e-9);
}

TEST_F(LayerTest, UndeclaredKeysAreStoredAndDefaulted) {
  auto l = rt::make<BlurLayer>();
  EXPECT_EQ(l->valueForKey("blurRadius"), nullptr);
  EXPECT_EQ(num(l->valueForKey("displaysAsynchronously")), 1);
  EXPECT_FALSE(l->needsDisplay());
  l->setValueForKey(fd::Number::numberWithDouble(4), "blurRadius");
  EXPECT_EQ(num(l->valueForKey("blurRadius")), 4);
  EXPECT_TRUE(l->needsDisplay());
  auto p = l->presentationLayer();
  EXPECT_TRUE(p->isPresentation());
  EXPECT_EQ(p->getClass(), BlurLayer::classObject());
  EXPECT_EQ(num(p->valueForKey("blurRadius")), 4);
  EXPECT_EQ(p->modelLayer(), l);
  // Declared keys go through their setters.
  l->setValueForKey(fd::Number::numberWithDouble(0.5), "opacity");
  EXPECT_EQ(l->opacity(), 0.5);
}

TEST_F(LayerTest, TransformKeyPaths) {
  auto l = Layer::layer();
  l->setValueForKeyPath(fd::Number::numberWithDouble(M_PI / 6), "transform.rotation.z");
  EXPECT_NEAR(num(l->valueForKeyPath("transform.rotation")), M_PI / 6, 1e-9);
  EXPECT_NEAR(l->transform().m11, std::cos(M_PI / 6), 1e-9);
  l->setValueForKeyPath(fd::Number::numberWithDouble(3), "transform.scale");
  EXPECT_NEAR(num(l->valueForKeyPath("transform.scale.x")), 3, 1e-9);
  EXPECT_NEAR(num(l->valueForKeyPath("transform.rotation.z")), M_PI / 6, 1e-9);
  l->setValueForKeyPath(fd::Number::numberWithDouble(7), "transform.translation.x");
  EXPECT_NEAR(l->transform().m41, 7, 1e-9);
  l->setValueForKeyPath(fd::Number::numberWithDouble(0.5), "sublayerTransform.scale.y");
  EXPECT_NEAR(l->sublayerTransform().m22, 0.5, 1e-9);
}

TEST_F(LayerTest, DisplayAsksDelegateThenDrawsBackingStore) {
  auto l = makeLayer(gfx::RectMake(0, 0, 10, 5));
  l->setContentsScale(2);
  auto d = std::make_shared<RecordingDelegate>();
  l->setDelegate(d);
  l->displayIfNeeded();
  EXPECT_EQ(d->draws, 1);  // contentsScale change asked for display
  l->displayIfNeeded();
  EXPECT_EQ(d->draws, 1);  // cached until needsDisplay
  auto bitmap = std::dynamic_pointer_cast<gfx::BitmapImage>(l->contents());
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width(), 20u);
  EXPECT_EQ(bitmap->height(), 10u);
  l->setBounds(gfx::RectMake(0, 0, 20, 5));
  EXPECT_FALSE(l->needsDisplay());
  l->setNeedsDisplayOnBoundsChange(true);
  l->setBounds(gfx::RectMake(0, 0, 30, 5));
  EXPECT_TRUE(l->needsDisplay());
  d->handleDisplay = true;
  l->displayIfNeeded();
  EXPECT_EQ(d->displays, 2);
  EXPECT_EQ(d->draws, 1);  // the delegate filled the contents itself
}

TEST_F(LayerTest, DelegateActionsRunOnPropertyChanges) {
  auto l = Layer::layer();
  auto d = std::make_shared<RecordingDelegate>();
  l->setDelegate(d);
  d->action = fd::Null::null();
  l->setOpacity(0.5);
  EXPECT_TRUE(l->animationKeys().empty());
  auto fade = BasicAnimation::animation();
  fade->setDuration(1);
  d->action = fade;
  l->setOpacity(0.2);
  ASSERT_EQ(l->animationKeys(), std::vector<rt::String>{"opacity"});
  auto added = std::dynamic_pointer_cast<BasicAnimation>(l->animationForKey("opacity"));
  ASSERT_TRUE(added);
  EXPECT_EQ(added->keyPath(), rt::String("opacity"));
  EXPECT_DOUBLE_EQ(num(added->fromValue()), 0.5);
  Transaction::begin();
  Transaction::setDisableActions(true);
  l->setBackgroundColor(gfx::Color::redColor());
  Transaction::commit();
  EXPECT_EQ(l->animationKeys().size(), 1u);
}

}  // namespace layer_test
