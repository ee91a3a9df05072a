#include "platform/ui/view/View.h"

#include <gtest/gtest.h>

#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

class CountingView : public View {
  RT_CLASS(CountingView, View)
 public:
  int layouts = 0, didMoveWindow = 0, didMoveSuper = 0, tintChanges = 0;
  void layoutSubviews() override {
    ++layouts;
    if (!subviews().empty()) subviews().front()->setFrame({{5, 5}, {bounds().size.width - 10, 10}});
  }
  void didMoveToWindow() override { ++didMoveWindow; }
  void didMoveToSuperview() override { ++didMoveSuper; }
  void tintColorDidChange() override { ++tintChanges; }
};
RT_IMPLEMENT(CountingView) {}

void expectNear(gfx::Rect a, gfx::Rect b) {
  EXPECT_NEAR(a.origin.x, b.origin.x, 1e-9);
  EXPECT_NEAR(a.origin.y, b.origin.y, 1e-9);
  EXPECT_NEAR(a.size.width, b.size.width, 1e-9);
  EXPECT_NEAR(a.size.height, b.size.height, 1e-9);
}

void expectNear(gfx::Point a, gfx::Point b) { expectNear(gfx::Rect{a, {}}, gfx::Rect{b, {}}); }

Ref<View> viewAt(double x, double y, double w, double h) { return rt::make<View>(gfx::RectMake(x, y, w, h)); }

}  // namespace

TEST(View, FrameBoundsCenterStayConsistent) {
  auto v = viewAt(10, 20, 100, 50);
  EXPECT_EQ(v->bounds(), gfx::RectMake(0, 0, 100, 50));
  EXPECT_EQ(v->center(), gfx::PointMake(60, 45));
  v->setCenter({100, 100});
  EXPECT_EQ(v->frame(), gfx::RectMake(50, 75, 100, 50));
  v->setBounds({{0, 0}, {40, 40}});
  EXPECT_EQ(v->frame(), gfx::RectMake(80, 80, 40, 40));
  v->setTransform(gfx::AffineTransformMakeScale(2, 2));
  EXPECT_EQ(v->frame(), gfx::RectMake(60, 60, 80, 80));
  EXPECT_EQ(v->bounds().size, gfx::SizeMake(40, 40));
  EXPECT_EQ(v->getClass()->name(), rt::String("UIView"));
}

TEST(View, FrameChangesAreObservableWithOldAndNew) {
  auto v = viewAt(0, 0, 10, 10);
  gfx::Rect oldFrame, newFrame;
  int calls = 0;
  v->observe(rt::String("frame"), rt::KeyValueObservingOptionNew | rt::KeyValueObservingOptionOld,
             [&](rt::Object*, const rt::KeyValueChange& c) {
               ++calls;
               auto o = std::dynamic_pointer_cast<fd::ValueBox>(c.oldValue);
               auto n = std::dynamic_pointer_cast<fd::ValueBox>(c.newValue);
               ASSERT_TRUE(o && n);
               ASSERT_TRUE(o->get(oldFrame));
               ASSERT_TRUE(n->get(newFrame));
             });
  v->setFrame(gfx::RectMake(1, 2, 3, 4));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(oldFrame, gfx::RectMake(0, 0, 10, 10));
  EXPECT_EQ(newFrame, gfx::RectMake(1, 2, 3, 4));
}

TEST(View, SubviewOrderOperationsKeepLayersInStep) {
  auto parent = viewAt(0, 0, 100, 100);
  auto a = viewAt(0, 0, 1, 1), b = viewAt(0, 0, 1, 1), c = viewAt(0, 0, 1, 1);
  parent->addSubview(a);
  parent->addSubview(b);
  parent->insertSubviewAtIndex(c, 0);
  auto order = [&] {
    std::vector<View*> v;
    for (auto& s : parent->subviews()) v.push_back(s.get());
    std::vector<Layer*> l;
    for (auto& s : parent->layer()->sublayers()) l.push_back(s.get());
    for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(l.at(i), v[i]->layer().get());
    return v;
  };
  EXPECT_EQ(order(), (std::vector<View*>{c.get(), a.get(), b.get()}));
  parent->bringSubviewToFront(c.get());
  EXPECT_EQ(order(), (std::vector<View*>{a.get(), b.get(), c.get()}));
  parent->sendSubviewToBack(b.get());
  EXPECT_EQ(order(), (std::vector<View*>{b.get(), a.get(), c.get()}));
  parent->insertSubviewBelow(c, b.get());
  EXPECT_EQ(order(), (std::vector<View*>{c.get(), b.get(), a.get()}));
  parent->insertSubviewAbove(c, a.get());
  EXPECT_EQ(order(), (std::vector<View*>{b.get(), a.get(), c.get()}));
  parent->exchangeSubviewAtIndex(0, 2);
  EXPECT_EQ(order(), (std::vector<View*>{c.get(), a.get(), b.get()}));
  a->removeFromSuperview();
  EXPECT_EQ(order(), (std::vector<View*>{c.get(), b.get()}));
  EXPECT_EQ(a->superview(), nullptr);
  EXPECT_THROW(c->addSubview(parent), rt::Exception);
}

TEST(View, HierarchyCallbacksAndWindowMembership) {
  auto window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
  auto holder = viewAt(0, 0, 100, 100);
  auto child = rt::make<CountingView>(gfx::RectMake(0, 0, 10, 10));
  holder->addSubview(child);
  EXPECT_EQ(child->didMoveSuper, 1);
  EXPECT_EQ(child->didMoveWindow, 0);
  window->addSubview(holder);
  EXPECT_EQ(child->didMoveWindow, 1);
  EXPECT_EQ(child->window(), window);
  holder->removeFromSuperview();
  EXPECT_EQ(child->didMoveWindow, 2);
  EXPECT_EQ(child->window(), nullptr);
  EXPECT_EQ(child->didMoveSuper, 1);
}

TEST(View, ViewWithTagSearchesDepthFirst) {
  auto root = viewAt(0, 0, 10, 10);
  auto a = viewAt(0, 0, 1, 1), b = viewAt(0, 0, 1, 1), deep = viewAt(0, 0, 1, 1);
  a->setTag(7);
  deep->setTag(9);
  root->addSubview(a);
  root->addSubview(b);
  b->addSubview(deep);
  EXPECT_EQ(root->viewWithTag(7), a);
  EXPECT_EQ(root->viewWithTag(9), deep);
  EXPECT_EQ(root->viewWithTag(0), root);
  EXPECT_EQ(root->viewWithTag(3), nullptr);
}

TEST(View, AutoresizingFollowsTheMask) {
  struct Case {
    uint64_t mask;
    gfx::Rect expected;
  } cases[] = {
      {ViewAutoresizingNone, gfx::RectMake(10, 20, 30, 40)},
      {ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight, gfx::RectMake(10, 20, 130, 90)},
      {ViewAutoresizingFlexibleLeftMargin | ViewAutoresizingFlexibleTopMargin, gfx::RectMake(110, 70, 30, 40)},
      {ViewAutoresizingFlexibleWidth, gfx::RectMake(10, 20, 130, 40)},
      // Both margins flexible: the 100 points split in proportion to the margins (10 and 60).
      {ViewAutoresizingFlexibleLeftMargin | ViewAutoresizingFlexibleRightMargin,
       gfx::RectMake(10 + 100.0 * 10 / 70, 20, 30, 40)},
  };
  for (auto& c : cases) {
    auto parent = viewAt(0, 0, 100, 100);
    auto child = viewAt(10, 20, 30, 40);
    child->setAutoresizingMask(c.mask);
    parent->addSubview(child);
    parent->setFrame(gfx::RectMake(0, 0, 200, 150));
    expectNear(child->frame(), c.expected);
  }
}

TEST(View, LayoutPassRunsOnlyWhenMarked) {
  auto v = rt::make<CountingView>(gfx::RectMake(0, 0, 100, 100));
  auto child = viewAt(0, 0, 1, 1);
  v->addSubview(child);
  v->layoutIfNeeded();
  EXPECT_EQ(v->layouts, 1);
  EXPECT_EQ(child->frame(), gfx::RectMake(5, 5, 90, 10));
  v->layoutIfNeeded();
  EXPECT_EQ(v->layouts, 1);
  v->setFrame(gfx::RectMake(0, 0, 50, 50));
  v->layoutIfNeeded();
  EXPECT_EQ(v->layouts, 2);
  EXPECT_EQ(child->frame(), gfx::RectMake(5, 5, 40, 10));
  v->setNeedsLayout();
  v->layoutIfNeeded();
  EXPECT_EQ(v->layouts, 3);
}

TEST(View, HitTestingSkipsHiddenAndNonInteractiveViews) {
  auto root = viewAt(0, 0, 200, 200);
  auto back = viewAt(0, 0, 100, 100);
  auto front = viewAt(50, 50, 100, 100);
  auto inner = viewAt(10, 10, 20, 20);
  root->addSubview(back);
  root->addSubview(front);
  front->addSubview(inner);
  EXPECT_EQ(root->hitTest({70, 70}, nullptr), inner);
  EXPECT_EQ(root->hitTest({55, 55}, nullptr), front);
  EXPECT_EQ(root->hitTest({20, 20}, nullptr), back);
  EXPECT_EQ(root->hitTest({190, 10}, nullptr), root);
  EXPECT_EQ(root->hitTest({250, 10}, nullptr), nullptr);
  front->setUserInteractionEnabled(false);
  EXPECT_EQ(root->hitTest({70, 70}, nullptr), back);
  front->setUserInteractionEnabled(true);
  front->setHidden(true);
  EXPECT_EQ(root->hitTest({120, 120}, nullptr), root);
  front->setHidden(false);
  front->setAlpha(0);
  EXPECT_EQ(root->hitTest({120, 120}, nullptr), root);
  front->setAlpha(1);
  // A subview outside its superview's bounds is not reachable.
  auto outside = viewAt(120, 120, 50, 50);
  inner->addSubview(outside);
  EXPECT_EQ(root->hitTest({185, 185}, nullptr), root);
}

TEST(View, ConversionsBetweenViewsAndWindows) {
  auto w1 = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
  auto w2 = rt::make<Window>(gfx::RectMake(100, 200, 100, 100));
  auto a = viewAt(10, 20, 100, 100);
  auto b = viewAt(5, 5, 50, 50);
  w1->addSubview(a);
  a->addSubview(b);
  auto c = viewAt(10, 10, 20, 20);
  w2->addSubview(c);
  expectNear(b->convertPointToView({1, 1}, nullptr), gfx::PointMake(16, 26));
  expectNear(b->convertPointToView({1, 1}, a.get()), gfx::PointMake(6, 6));
  expectNear(a->convertPointFromView({6, 6}, b.get()), gfx::PointMake(11, 11));
  expectNear(b->convertRectToView(gfx::RectMake(0, 0, 10, 10), nullptr), gfx::RectMake(15, 25, 10, 10));
  // Across windows through the screen.
  expectNear(b->convertPointToView({0, 0}, c.get()), gfx::PointMake(15 - 110, 25 - 210));
  expectNear(w2->convertPointToWindow({0, 0}, w1.get()), gfx::PointMake(100, 200));
  expectNear(w1->convertPointFromWindow({0, 0}, w2.get()), gfx::PointMake(100, 200));
  expectNear(w2->convertPointFromWindow({150, 250}, nullptr), gfx::PointMake(50, 50));
  // A scaled view maps through its transform about its centre.
  a->setTransform(gfx::AffineTransformMakeScale(2, 2));
  gfx::Point p = b->convertPointToView({0, 0}, nullptr);
  EXPECT_DOUBLE_EQ(p.x, 60 - 100 + 10);
  EXPECT_DOUBLE_EQ(p.y, 70 - 100 + 10);
}

TEST(View, TintColorIsInheritedAndChangesPropagate) {
  auto parent = rt::make<CountingView>(gfx::RectMake(0, 0, 10, 10));
  auto child = rt::make<CountingView>(gfx::RectMake(0, 0, 10, 10));
  parent->addSubview(child);
  int before = child->tintChanges;
  parent->setTintColor(gfx::Color::redColor());
  EXPECT_TRUE(child->tintColor()->isEqual(gfx::Color::redColor()));
  EXPECT_EQ(child->tintChanges, before + 1);
  child->setTintColor(gfx::Color::greenColor());
  parent->setTintColor(gfx::Color::blueColor());
  EXPECT_TRUE(child->tintColor()->isEqual(gfx::Color::greenColor()));
  EXPECT_EQ(child->tintChanges, before + 2);
}

TEST(View, SizeToFitUsesSizeThatFits) {
  class Fixed : public View {
   public:
    gfx::Size sizeThatFits(gfx::Size) const override { return {33, 11}; }
  };
  auto v = std::make_shared<Fixed>();
  v->init(gfx::RectMake(4, 4, 1, 1));
  v->sizeToFit();
  EXPECT_EQ(v->frame(), gfx::RectMake(4, 4, 33, 11));
}
