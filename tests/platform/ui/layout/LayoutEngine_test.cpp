#include "platform/ui/layout/LayoutEngine.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/Log.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Context.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layout/LayoutConstraint.h"
#include "platform/ui/layout/LayoutGuide.h"
#include "platform/ui/view/ViewAnimation.h"

using namespace ui;

namespace {

constexpr LayoutAttribute L = LayoutAttributeLeft, R = LayoutAttributeRight, T = LayoutAttributeTop,
                          B = LayoutAttributeBottom, W = LayoutAttributeWidth, H = LayoutAttributeHeight,
                          CX = LayoutAttributeCenterX, CY = LayoutAttributeCenterY,
                          NA = LayoutAttributeNotAnAttribute;
constexpr LayoutRelation EQ = LayoutRelationEqual, LE = LayoutRelationLessThanOrEqual,
                         GE = LayoutRelationGreaterThanOrEqual;

Ref<LayoutConstraint> make(const rt::Id& a, LayoutAttribute aa, LayoutRelation r, const rt::Id& b,
                           LayoutAttribute ba, double m, double c, LayoutPriority p = LayoutPriorityRequired) {
  auto k = LayoutConstraint::constraintWithItem(a, aa, r, b, ba, m, c);
  k->setPriority(p);
  return k;
}

Ref<LayoutConstraint> on(const rt::Id& a, LayoutAttribute aa, LayoutRelation r, const rt::Id& b,
                         LayoutAttribute ba, double m = 1, double c = 0, LayoutPriority p = LayoutPriorityRequired) {
  auto k = make(a, aa, r, b, ba, m, c, p);
  k->setActive(true);
  return k;
}

Ref<LayoutConstraint> size(const rt::Id& a, LayoutAttribute aa, double c, LayoutRelation r = EQ,
                           LayoutPriority p = LayoutPriorityRequired) {
  return on(a, aa, r, nullptr, NA, 1, c, p);
}

template <class V = View> Ref<V> sub(const Ref<View>& parent) {
  auto v = rt::make<V>();
  v->setTranslatesAutoresizingMaskIntoConstraints(false);
  parent->addSubview(v);
  return v;
}

Ref<gfx::Image> picture(double w, double h) {
  auto ctx = gfx::Context::createForImage({w, h}, false, 1);
  return gfx::Image::imageWithCGImage(ctx->makeImage(), 1);
}

void expectFrame(const Ref<View>& v, gfx::Rect f, const std::string& what) {
  gfx::Rect g = v->frame();
  EXPECT_NEAR(g.origin.x, f.origin.x, 1e-6) << what;
  EXPECT_NEAR(g.origin.y, f.origin.y, 1e-6) << what;
  EXPECT_NEAR(g.size.width, f.size.width, 1e-6) << what;
  EXPECT_NEAR(g.size.height, f.size.height, 1e-6) << what;
}

class LayoutEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    fd::setLogSink([this](const rt::String& m) { logs.push_back(m.utf8()); });
    root = rt::make<View>(gfx::RectMake(0, 0, 400, 300));
  }
  void TearDown() override {
    root.reset();
    fd::setLogSink(nullptr);
    fd::RunLoopDriver::reset();
  }
  size_t logsContaining(const std::string& s) const {
    size_t n = 0;
    for (const auto& l : logs) n += l.find(s) != std::string::npos;
    return n;
  }
  Ref<View> root;
  std::vector<std::string> logs;
};

struct Case {
  const char* name;
  // Builds under the 400 x 300 root; answers the views with the frames they must get.
  std::function<std::vector<std::pair<Ref<View>, gfx::Rect>>(const Ref<View>& root)> build;
};

}  // namespace

TEST_F(LayoutEngineTest, KnownLayoutsGetTheirFrames) {
  const std::vector<Case> cases = {
      {"centring", [](const Ref<View>& r) {
         auto v = sub(r);
         size(v, W, 100);
         size(v, H, 50);
         on(v, CX, EQ, r, CX);
         on(v, CY, EQ, r, CY);
         return std::vector<std::pair<Ref<View>, gfx::Rect>>{{v, gfx::RectMake(150, 125, 100, 50)}};
       }},
      {"equal widths sharing a row", [](const Ref<View>& r) {
         auto a = sub(r), b = sub(r);
         on(a, L, EQ, r, L, 1, 10);
         on(b, L, EQ, a, R, 1, 10);
         on(b, R, EQ, r, R, 1, -10);
         on(a, W, EQ, b, W);
         for (auto& v : {a, b}) {
           on(v, T, EQ, r, T);
           size(v, H, 20);
         }
         return std::vector<std::pair<Ref<View>, gfx::Rect>>{{a, gfx::RectMake(10, 0, 185, 20)},
                                                              {b, gfx::RectMake(205, 0, 185, 20)}};
       }},
      {"a chain with spacing", [](const Ref<View>& r) {
         std::vector<std::pair<Ref<View>, gfx::Rect>> out;
         Ref<View> prev;
         for (int i = 0; i < 3; ++i) {
           auto v = sub(r);
           size(v, W, 50);
           size(v, H, 10);
           on(v, T, EQ, r, T, 1, 5);
           if (prev)
             on(v, L, EQ, prev, R, 1, 8);
           else
             on(v, L, EQ, r, L, 1, 20);
           out.push_back({v, gfx::RectMake(20 + i * 58, 5, 50, 10)});
           prev = v;
         }
         return out;
       }},
      {"priorities give way", [](const Ref<View>& r) {
         auto a = sub(r), b = sub(r);
         size(a, W, 300, EQ, LayoutPriorityDefaultHigh);
         size(a, W, 200, LE);
         size(b, W, 100, EQ, LayoutPriorityDefaultLow);
         size(b, W, 150, EQ, LayoutPriorityMedium);
         for (auto& v : {a, b}) {
           on(v, L, EQ, r, L);
           on(v, T, EQ, r, T);
           size(v, H, 1);
         }
         return std::vector<std::pair<Ref<View>, gfx::Rect>>{{a, gfx::RectMake(0, 0, 200, 1)},
                                                              {b, gfx::RectMake(0, 0, 150, 1)}};
       }},
      {"inequalities", [](const Ref<View>& r) {
         auto v = sub(r);
         on(v, L, GE, r, L, 1, 30);
         on(v, L, EQ, r, L, 1, 10, LayoutPriorityDefaultLow);
         on(v, B, LE, r, B, 1, -20);
         on(v, T, EQ, r, T, 1, 500, LayoutPriorityDefaultHigh);
         size(v, W, 10);
         size(v, H, 10);
         return std::vector<std::pair<Ref<View>, gfx::Rect>>{{v, gfx::RectMake(30, 270, 10, 10)}};
       }},
      {"multipliers", [](const Ref<View>& r) {
         auto v = sub(r);
         on(v, W, EQ, r, W, 0.5);
         on(v, H, EQ, v, W, 0.25);  // an aspect ratio
         on(v, CX, EQ, r, CX, 0.5);
         on(v, T, EQ, r, B, 0.1);
         return std::vector<std::pair<Ref<View>, gfx::Rect>>{{v, gfx::RectMake(0, 30, 200, 50)}};
       }},
      {"hugging decides who stretches", [](const Ref<View>& r) {
         auto a = sub<ImageView>(r), b = sub<ImageView>(r);
         a->setImage(picture(40, 10));
         b->setImage(picture(60, 10));
         b->setContentHuggingPriorityForAxis(LayoutPriorityDefaultLow, LayoutConstraintAxis::Horizontal);
         on(a, L, EQ, r, L);
         on(b, L, EQ, a, R);
         on(b, R, EQ, r, R);
         on(a, T, EQ, r, T);
         on(b, T, EQ, r, T);
         return std::vector<std::pair<Ref<View>, gfx::Rect>>{{a, gfx::RectMake(0, 0, 40, 10)},
                                                              {b, gfx::RectMake(40, 0, 360, 10)}};
       }},
      {"compression resistance decides who shrinks", [](const Ref<View>& r) {
         auto box = sub(r);
         size(box, W, 150);
         size(box, H, 20);
         on(box, L, EQ, r, L);
         on(box, T, EQ, r, T);
         auto a = sub<ImageView>(box), b = sub<ImageView>(box);
         a->setImage(picture(100, 10));
         b->setImage(picture(100, 10));
         a->setContentCompressionResistancePriorityForAxis(760, LayoutConstraintAxis::Horizontal);
         on(a, L, EQ, box, L);
         on(b, L, EQ, a, R);
         on(b, R, EQ, box, R);
         on(a, CY, EQ, box, CY);
         on(b, CY, EQ, box, CY);
         return std::vector<std::pair<Ref<View>, gfx::Rect>>{{a, gfx::RectMake(0, 5, 100, 10)},
                                                              {b, gfx::RectMake(100, 5, 50, 10)}};
       }},
      {"margins", [](const Ref<View>& r) {
         r->setLayoutMargins({10, 20, 30, 40});
         auto v = sub(r);
         on(v, L, EQ, r, LayoutAttributeLeftMargin);
         on(v, R, EQ, r, LayoutAttributeTrailingMargin);
         on(v, T, EQ, r, LayoutAttributeTopMargin);
         on(v, B, EQ, r, LayoutAttributeBottomMargin);
         auto c = sub(r);
         size(c, W, 10);
         size(c, H, 10);
         on(c, CX, EQ, r, LayoutAttributeCenterXWithinMargins);
         on(c, CY, EQ, r, LayoutAttributeCenterYWithinMargins);
         return std::vector<std::pair<Ref<View>, gfx::Rect>>{{v, gfx::RectMake(20, 10, 340, 260)},
                                                              {c, gfx::RectMake(185, 135, 10, 10)}};
       }},
      {"across levels and beside a framed view", [](const Ref<View>& r) {
         auto framed = rt::make<View>(gfx::RectMake(50, 60, 70, 80));  // translates its frame
         r->addSubview(framed);
         auto box = sub(r);
         on(box, L, EQ, framed, R, 1, 5);
         on(box, T, EQ, framed, B);
         size(box, W, 100);
         size(box, H, 100);
         auto inner = sub(box);
         on(inner, L, EQ, r, L, 1, 150);  // in the root's coordinates, 25 into the box
         on(inner, T, EQ, box, T, 1, 1);
         on(inner, R, EQ, box, R);
         size(inner, H, 2);
         return std::vector<std::pair<Ref<View>, gfx::Rect>>{{box, gfx::RectMake(125, 140, 100, 100)},
                                                              {inner, gfx::RectMake(25, 1, 75, 2)},
                                                              {framed, gfx::RectMake(50, 60, 70, 80)}};
       }},
  };
  for (const auto& c : cases) {
    root = rt::make<View>(gfx::RectMake(0, 0, 400, 300));
    auto expected = c.build(root);
    root->layoutIfNeeded();
    for (auto& [v, f] : expected) expectFrame(v, f, c.name);
    EXPECT_TRUE(logs.empty()) << c.name << ": " << (logs.empty() ? "" : logs.front());
    logs.clear();
  }
}

TEST_F(LayoutEngineTest, LabelsTakeTheirTextSizeAndWrapAtTheWidthTheyAreGiven) {
  auto one = sub<Label>(root);
  one->setText("Kestrel District");
  on(one, L, EQ, root, L, 1, 10);
  on(one, T, EQ, root, T, 1, 10);
  auto many = sub<Label>(root);
  many->setNumberOfLines(0);
  many->setText("A long line of news text that cannot fit in a hundred points and wraps onto several lines");
  on(many, L, EQ, root, L);
  on(many, T, EQ, one, B, 1, 8);
  size(many, W, 100);
  root->layoutIfNeeded();
  gfx::Size natural = one->intrinsicContentSize();
  ASSERT_GT(natural.width, 0);
  expectFrame(one, {{10, 10}, natural}, "single line");
  double wrapped = many->sizeThatFits({100, 0}).height;
  EXPECT_GT(wrapped, 3 * natural.height);
  expectFrame(many, gfx::RectMake(0, 18 + natural.height, 100, wrapped), "wrapped");
  // New text: the label measures again.
  one->setText("K");
  root->layoutIfNeeded();
  EXPECT_LT(one->frame().size.width, natural.width / 4);
}

TEST_F(LayoutEngineTest, LayoutGuidesFollowTheBarsOfTheController) {
  auto controller = rt::make<ViewController>();
  auto view = controller->view();
  view->setFrame(gfx::RectMake(0, 0, 375, 667));
  double top = controller->topLayoutGuideLength();
  auto v = sub(view);
  on(v, T, EQ, controller->topLayoutGuide(), B, 1, 4);
  on(v, B, EQ, controller->bottomLayoutGuide(), T, 1, -4);
  on(v, L, EQ, view, L);
  on(v, W, EQ, controller->topLayoutGuide(), W);
  view->layoutIfNeeded();
  EXPECT_GT(top, 0);  // the status bar
  expectFrame(v, gfx::RectMake(0, top + 4, 375, 667 - 8 - top), "guides");
  EXPECT_EQ(controller->topLayoutGuide()->layoutFrame().size.height, top);
  // A guide whose length changes (a bar showing up): the next pass of the root follows it.
  double bar = 49;
  auto guide = rt::make<LayoutGuide>(view, LayoutGuide::Edge::Bottom, [&bar] { return bar; });
  auto w = sub(view);
  on(w, B, EQ, guide, T);
  on(w, L, EQ, guide, L);
  size(w, W, 10);
  size(w, H, 10);
  view->layoutIfNeeded();
  expectFrame(w, gfx::RectMake(0, 667 - 49 - 10, 10, 10), "bottom guide");
  bar = 0;
  view->setNeedsLayout();
  view->layoutIfNeeded();
  expectFrame(w, gfx::RectMake(0, 667 - 10, 10, 10), "bottom guide, bar gone");
}

TEST_F(LayoutEngineTest, PiledUpDuplicatesChangeNothingAndAskForNoNewPass) {
  auto v = sub(root);
  auto add = [&] {
    root->addConstraint(make(v, L, EQ, root, L, 1, 10));
    root->addConstraint(make(v, T, EQ, root, T, 1, 20));
    v->addConstraint(make(v, W, EQ, nullptr, NA, 1, 30));
    v->addConstraint(make(v, H, EQ, nullptr, NA, 1, 40));
  };
  add();
  root->layoutIfNeeded();
  for (int pass = 0; pass < 50; ++pass) {
    add();
    EXPECT_FALSE(root->needsLayout());
    root->layoutIfNeeded();
  }
  EXPECT_EQ(root->constraints().size(), 102u);
  EXPECT_EQ(v->constraints().size(), 102u);
  expectFrame(v, gfx::RectMake(10, 20, 30, 40), "duplicates");
  EXPECT_TRUE(logs.empty());
}

TEST_F(LayoutEngineTest, ConflictingRequiredConstraintsBreakTheNewestOnceAndLayoutGoesOn) {
  auto v = sub(root);
  on(v, L, EQ, root, L);
  on(v, T, EQ, root, T);
  size(v, H, 10);
  auto first = size(v, W, 100);
  auto second = size(v, W, 200);
  auto third = size(v, W, 300);
  root->layoutIfNeeded();
  EXPECT_EQ(v->frame().size.width, 100);
  EXPECT_EQ(logsContaining("breaking"), 2u);
  EXPECT_EQ(logsContaining("width == 200"), 1u);
  auto engine = layout::LayoutEngine::engineOf(*root, false);
  ASSERT_TRUE(engine);
  EXPECT_EQ(engine->brokenConstraintCount(), 2u);
  // Layout passes later do not log again.
  second->setConstant(250);
  root->layoutIfNeeded();
  EXPECT_EQ(logsContaining("breaking"), 2u);
  EXPECT_EQ(v->frame().size.width, 100);
  // With the oldest gone, the older of the broken ones comes back.
  first->setActive(false);
  root->layoutIfNeeded();
  EXPECT_EQ(v->frame().size.width, 250);
  EXPECT_EQ(engine->brokenConstraintCount(), 1u);
  (void)third;
}

TEST_F(LayoutEngineTest, AConstantChangeThatContradictsRequiredConstraintsBreaksThatConstraint) {
  auto v = sub(root);
  on(v, L, EQ, root, L);
  on(v, T, EQ, root, T);
  size(v, H, 10);
  size(v, W, 50, LE);
  size(v, W, 1000, EQ, 1);  // a faint wish, for when nothing else holds the width
  auto w = size(v, W, 40);
  root->layoutIfNeeded();
  EXPECT_EQ(v->frame().size.width, 40);
  w->setConstant(45);
  root->layoutIfNeeded();
  EXPECT_EQ(v->frame().size.width, 45);
  w->setConstant(60);
  root->layoutIfNeeded();
  EXPECT_EQ(logsContaining("breaking"), 1u);
  EXPECT_EQ(v->frame().size.width, 50);  // the broken constant is not applied
  w->setConstant(20);
  root->layoutIfNeeded();
  EXPECT_EQ(v->frame().size.width, 20);
}

TEST_F(LayoutEngineTest, ItemsWithoutACommonAncestorAreRefusedWithAReason) {
  auto a = sub(root);
  auto stranger = rt::make<View>(gfx::RectMake(0, 0, 10, 10));
  auto c = make(a, L, EQ, stranger, L, 1, 0);
  c->setActive(true);
  EXPECT_FALSE(c->isActive());
  EXPECT_EQ(logsContaining("no common ancestor"), 1u);
  root->addConstraint(c);
  EXPECT_TRUE(root->constraints().empty());
  auto below = sub(a);
  a->addConstraint(make(below, L, EQ, root, L, 1, 0));  // a does not contain the root
  EXPECT_TRUE(a->constraints().empty());
  EXPECT_EQ(logsContaining("does not contain"), 1u);
  // Malformed constraints are left out of the layout, with a reason, and nothing breaks.
  auto odd = on(a, L, EQ, root, T);
  auto lonely = on(a, CX, EQ, nullptr, NA, 1, 5);
  root->layoutIfNeeded();
  EXPECT_EQ(logsContaining("is left out"), 2u);
}

TEST_F(LayoutEngineTest, ChangesAreIncrementalAndFollowTheTree) {
  auto v = sub(root);
  auto left = on(v, L, EQ, root, L, 1, 10);
  on(v, T, EQ, root, T);
  on(v, R, EQ, root, R, 1, -10);
  size(v, H, 10);
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(10, 0, 380, 10), "start");
  left->setConstant(100);
  EXPECT_TRUE(root->needsLayout());
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(100, 0, 290, 10), "constant");
  // The root's own frame is a set of required constraints that follows it.
  root->setFrame(gfx::RectMake(0, 0, 500, 300));
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(100, 0, 390, 10), "resized root");
  // A constrained view moved by hand goes back where its constraints put it.
  v->setFrame(gfx::RectMake(1, 2, 3, 4));
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(100, 0, 390, 10), "moved by hand");
  // Removed from its superview, a view loses the constraints its old ancestors held about it
  // and keeps its own; put back, it follows what is declared anew.
  auto u = sub(root);
  on(u, L, EQ, root, L, 1, 7);
  on(u, T, EQ, root, T, 1, 9);
  auto own = size(u, W, 250);
  on(u, H, EQ, root, H, 0.1);
  root->layoutIfNeeded();
  expectFrame(u, gfx::RectMake(7, 9, 250, 30), "before");
  size_t held = root->constraints().size();
  u->removeFromSuperview();
  EXPECT_EQ(root->constraints().size(), held - 3);
  EXPECT_TRUE(own->isActive());
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(100, 0, 390, 10), "the other view stays");
  root->addSubview(u);
  on(u, L, EQ, root, L, 1, 70);
  on(u, T, EQ, root, T, 1, 90);
  on(u, H, EQ, nullptr, NA, 1, 5);
  root->layoutIfNeeded();
  expectFrame(u, gfx::RectMake(70, 90, 250, 5), "back");
  EXPECT_TRUE(logs.empty());
}

TEST_F(LayoutEngineTest, ConstraintChangesInsideAnAnimationBlockAnimateTheFrames) {
  auto v = sub(root);
  auto left = on(v, L, EQ, root, L);
  on(v, T, EQ, root, T);
  size(v, W, 100);
  size(v, H, 100);
  root->layoutIfNeeded();
  ViewAnimation::animate(1.0, 0, ViewAnimationOptionCurveLinear, [&] {
    left->setConstant(200);
    root->layoutIfNeeded();
  }, nullptr);
  EXPECT_EQ(v->frame().origin.x, 200);
  // A transform (a popup scaling in) leaves the laid-out size alone.
  v->setTransform(gfx::AffineTransformMakeScale(1.2, 1.2));
  left->setConstant(210);
  root->layoutIfNeeded();
  EXPECT_EQ(v->bounds().size, gfx::SizeMake(100, 100));
  EXPECT_EQ(v->center(), gfx::PointMake(260, 50));
  v->setTransform(gfx::AffineTransformIdentity);
  left->setConstant(200);
  root->layoutIfNeeded();
  fd::RunLoopDriver::advance(0.5);
  EXPECT_NEAR(v->layer()->presentationLayer()->position().x, 150, 2);
  fd::RunLoopDriver::advance(0.6);
  EXPECT_NEAR(v->layer()->presentationLayer()->position().x, 250, 1e-6);
}

namespace {
// A component's own kind of constraint, made through the same initialiser.
class KeyedConstraint : public LayoutConstraint {
  RT_CLASS(KeyedConstraint, LayoutConstraint)
 public:
  rt::String key;
};
RT_IMPLEMENT(KeyedConstraint) {}
}  // namespace

TEST_F(LayoutEngineTest, SubclassesAreMadeAndLaidOutLikeAnyConstraint) {
  auto v = sub(root);
  auto c = rt::make<KeyedConstraint>(v, W, EQ, nullptr, NA, 1, 50);
  c->key = "w";
  c->setActive(true);
  for (auto& k : {on(v, H, EQ, v, W), on(v, L, EQ, root, L), on(v, T, EQ, root, T)}) EXPECT_TRUE(k->isActive());
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(0, 0, 50, 50), "subclass");
  EXPECT_EQ(c->className().utf8(), "KeyedConstraint");
  EXPECT_TRUE(c->respondsToSelector("isActive"));
  EXPECT_TRUE(c->respondsToSelector("setConstant:"));
}

TEST_F(LayoutEngineTest, TheDescriptionHookNamesEveryConstraint) {
  auto v = sub(root);
  auto c = make(v, W, EQ, nullptr, NA, 1, 50, LayoutPriorityDefaultHigh);
  EXPECT_NE(c->description().utf8().find(".width == 50 ^750>"), std::string::npos) << c->description();
  LayoutConstraint::setDescriptionHook([](const LayoutConstraint& k) {
    return rt::String::format("custom %g", k.constant());
  });
  EXPECT_EQ(c->description().utf8(), "custom 50");
  LayoutConstraint::setDescriptionHook(nullptr);
  EXPECT_NE(c->description().utf8().find("width"), std::string::npos);
}
