// What declarations record and install: items, attributes, constants, where constraints are held.
#include "ConstraintFixture.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Array.h"
#include "platform/runtime/Exception.h"

namespace widgets::testing {

namespace {

using ui::LayoutAttribute;

std::vector<LayoutAttribute> firstAttributes(const Ref<LCCompositeConstraint>& c) {
  std::vector<LayoutAttribute> out;
  for (const auto& child : c->childConstraints())
    out.push_back(rt::as<LCViewConstraint>(child)->firstViewAttribute()->layoutAttribute());
  return out;
}

}  // namespace

TEST_F(ConstraintTest, AnEmptyBlockInstallsNothingButStopsTranslatingTheMask) {
  auto v = sub(root);
  ASSERT_TRUE(v->translatesAutoresizingMaskIntoConstraints());
  EXPECT_TRUE(lc_makeConstraints(*v, [](LCConstraintMaker&) {}).empty());
  EXPECT_FALSE(v->translatesAutoresizingMaskIntoConstraints());
  EXPECT_TRUE(root->constraints().empty());
}

TEST_F(ConstraintTest, SingleDeclarationsNameTheirItemsAndAreHeldWhereTheyBelong) {
  auto v = sub(root), other = sub(root);
  auto result = lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    make.left.equalTo(other).offset(10);
    make.width.equalTo(fd::box(50));
    make.top.offset(8);
  });
  ASSERT_EQ(result.size(), 3u);
  auto left = single(result[0])->layoutConstraint();
  ASSERT_TRUE(left);
  EXPECT_EQ(left->firstItem(), v);
  EXPECT_EQ(left->firstAttribute(), ui::LayoutAttributeLeft);
  EXPECT_EQ(left->secondItem(), other);
  EXPECT_EQ(left->secondAttribute(), ui::LayoutAttributeLeft);
  EXPECT_EQ(left->constant(), 10);
  EXPECT_EQ(left->owningView(), root);

  auto width = single(result[1])->layoutConstraint();
  ASSERT_TRUE(width);
  EXPECT_EQ(width->secondItem(), nullptr);
  EXPECT_EQ(width->secondAttribute(), ui::LayoutAttributeNotAnAttribute);
  EXPECT_EQ(width->constant(), 50);
  EXPECT_EQ(width->owningView(), v);

  auto top = single(result[2])->layoutConstraint();
  ASSERT_TRUE(top);
  EXPECT_EQ(top->secondItem(), root);
  EXPECT_EQ(top->secondAttribute(), ui::LayoutAttributeTop);
  EXPECT_EQ(top->constant(), 8);
  EXPECT_EQ(top->owningView(), root);

  EXPECT_EQ(lc_installedConstraints(*v)->count(), 3u);
  EXPECT_EQ(held(*root).size(), 2u);
  EXPECT_EQ(held(*v).size(), 1u);
}

TEST_F(ConstraintTest, ShorthandsMakeCompositesInAttributeOrder) {
  auto v = sub(root);
  Ref<LCConstraint> edges, size, center, none, bitZero;
  lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    edges = make.edges().retained();
    size = make.size().retained();
    center = make.center().retained();
    none = make.attributes(0).retained();
    bitZero = make.attributes(1).retained();
  });
  using A = LayoutAttribute;
  EXPECT_EQ(firstAttributes(composite(edges)),
            (std::vector<A>{ui::LayoutAttributeLeft, ui::LayoutAttributeRight, ui::LayoutAttributeTop,
                            ui::LayoutAttributeBottom}));
  EXPECT_EQ(firstAttributes(composite(size)), (std::vector<A>{ui::LayoutAttributeWidth, ui::LayoutAttributeHeight}));
  EXPECT_EQ(firstAttributes(composite(center)),
            (std::vector<A>{ui::LayoutAttributeCenterX, ui::LayoutAttributeCenterY}));
  EXPECT_TRUE(composite(none)->childConstraints().empty());
  EXPECT_TRUE(composite(bitZero)->childConstraints().empty());
  // Everything installs: 4 edges + 2 centers on root, 2 sizes on the view; the empty ones nothing.
  EXPECT_EQ(held(*root).size(), 6u);
  EXPECT_EQ(held(*v).size(), 2u);
}

TEST_F(ConstraintTest, ASecondAttributeChainedOntoOneMakesOneComposite) {
  auto v = sub(root), other = sub(root);
  auto result = lc_makeConstraints(*v, [&](LCConstraintMaker& make) { make.left.right().equalTo(other); });
  ASSERT_EQ(result.size(), 1u);
  auto c = composite(result[0]);
  ASSERT_TRUE(c);
  ASSERT_EQ(c->childConstraints().size(), 2u);
  for (auto [i, attribute] : {std::pair{0, ui::LayoutAttributeLeft}, std::pair{1, ui::LayoutAttributeRight}}) {
    auto child = single(c->childConstraints()[static_cast<size_t>(i)]);
    auto lc = child->layoutConstraint();
    ASSERT_TRUE(lc);
    EXPECT_EQ(lc->firstAttribute(), attribute);
    EXPECT_EQ(lc->secondItem(), other);
    EXPECT_EQ(lc->secondAttribute(), attribute);
  }
  // Three chained attributes widen the same composite.
  auto three = lc_makeConstraints(*v, [&](LCConstraintMaker& make) { make.left.right().top().equalTo(other); });
  ASSERT_EQ(three.size(), 1u);
  EXPECT_EQ(composite(three[0])->childConstraints().size(), 3u);
}

TEST_F(ConstraintTest, BoxedValuesSetTheConstantByAttribute) {
  struct Case {
    const char* what;
    rt::Id value;
    double width, height, left, right, centerX;
  };
  const Case cases[] = {
      {"number", fd::box(20), 20, 20, 20, 20, 20},
      {"size", fd::ValueBox::valueWith(gfx::Size{30, 40}), 30, 40, 0, 0, 0},
      {"point", fd::ValueBox::valueWith(gfx::Point{5, 6}), 0, 0, 0, 0, 5},
      {"insets", fd::ValueBox::valueWith(gfx::EdgeInsets{1, 2, 3, 4}), 0, 0, 2, -4, 0},
      {"rect (ignored)", fd::ValueBox::valueWith(gfx::RectMake(1, 2, 3, 4)), 0, 0, 0, 0, 0},
      {"string (ignored)", fd::StringObject::create("7"), 0, 0, 0, 0, 0},
  };
  for (const auto& k : cases) {
    auto v = sub(root);
    std::vector<Ref<LCConstraint>> r = lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
      make.width.equalTo(k.value);
      make.height.equalTo(k.value);
      make.left.equalTo(k.value);
      make.right.valueOffset(k.value);
      make.centerX.equalTo(k.value);
    });
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(single(r[0])->layoutConstant(), k.width) << k.what;
    EXPECT_EQ(single(r[1])->layoutConstant(), k.height) << k.what;
    EXPECT_EQ(single(r[2])->layoutConstant(), k.left) << k.what;
    EXPECT_EQ(single(r[3])->layoutConstant(), k.right) << k.what;
    EXPECT_EQ(single(r[4])->layoutConstant(), k.centerX) << k.what;
    // A boxed value is a constant, not a second item.
    EXPECT_FALSE(single(r[0])->secondViewAttribute()) << k.what;
  }
}

TEST_F(ConstraintTest, EdgesWithInsetsSetEachEdgeItsOwnConstant) {
  auto v = sub(root);
  auto r = lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    make.edges.equalTo(root).insets({10, 20, 30, 40});
  });
  auto c = composite(r.at(0));
  std::vector<double> constants;
  for (const auto& child : c->childConstraints()) constants.push_back(single(child)->layoutConstraint()->constant());
  EXPECT_EQ(constants, (std::vector<double>{20, -40, 10, -30}));
}

TEST_F(ConstraintTest, ChainedModifiersRecordTheirValues) {
  auto v = sub(root);
  Ref<LCViewConstraint> c;
  lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    LCConstraint& w = make.width.equalTo(root);
    EXPECT_EQ(&w.with(), &w);
    EXPECT_EQ(&w.and_(), &w);
    EXPECT_EQ(w.lc_offset(), nullptr);
    w.priorityHigh().priority(100).dividedBy(2).key(fd::StringObject::create("w"));
    c = single(w.retained());
  });
  EXPECT_EQ(c->layoutPriority(), 100);
  EXPECT_EQ(c->layoutMultiplier(), 0.5);
  EXPECT_EQ(c->layoutConstraint()->priority(), 100);
  EXPECT_EQ(c->layoutConstraint()->multiplier(), 0.5);
  EXPECT_EQ(c->layoutConstraint()->lc_key()->description(), "w");
  EXPECT_TRUE(c->hasLayoutRelation());
}

TEST_F(ConstraintTest, TheAbstractBaseRaisesNamingTheCalledOperation) {
  auto base = rt::make<LCConstraint>();
  struct Case {
    const char* selector;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"install", [&] { base->install(); }},
      {"multipliedBy", [&] { base->multipliedBy(2); }},
      {"setOffset:", [&] { base->offset(3); }},
      {"equalToWithRelation", [&] { base->equalTo(nullptr); }},
      {"addConstraintWithLayoutAttribute:", [&] { base->left(); }},
      {"setInsets:", [&] { base->setLayoutConstantWithValue(fd::ValueBox::valueWith(gfx::EdgeInsets{})); }},
  };
  for (const auto& k : cases) {
    try {
      k.call();
      ADD_FAILURE() << k.selector << " did not raise";
    } catch (const rt::Exception& e) {
      EXPECT_EQ(e.name(), "NSInternalInconsistencyException");
      EXPECT_EQ(e.reason(), rt::String::format("You must override %s in a subclass.", k.selector));
      EXPECT_FALSE(e.userInfo());
    }
  }
}

TEST_F(ConstraintTest, AnArrayTargetTurnsAConstraintIntoACompositeOfCopies) {
  auto v = sub(root), a = sub(root), b = sub(root);
  auto views = fd::Array::create({a, b});
  auto r = lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    make.width.greaterThanOrEqualTo(views).offset(3);
    make.left.right().equalTo(views);
  });
  ASSERT_EQ(r.size(), 2u);
  auto widths = composite(r[0]);
  ASSERT_TRUE(widths);
  ASSERT_EQ(widths->childConstraints().size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    auto lc = single(widths->childConstraints()[i])->layoutConstraint();
    ASSERT_TRUE(lc);
    EXPECT_EQ(lc->relation(), ui::LayoutRelationGreaterThanOrEqual);
    EXPECT_EQ(lc->secondItem(), i == 0 ? a : b);
    EXPECT_EQ(lc->constant(), 3);
  }
  auto sides = composite(r[1]);
  ASSERT_EQ(sides->childConstraints().size(), 2u);
  for (const auto& child : sides->childConstraints()) EXPECT_EQ(composite(child)->childConstraints().size(), 2u);
  EXPECT_EQ(held(*root).size(), 6u);
}

TEST_F(ConstraintTest, ACompositeKeyNumbersItsChildren) {
  auto v = sub(root);
  Ref<LCConstraint> edges;
  lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    edges = make.edges.equalTo(root).key(fd::StringObject::create("k")).retained();
  });
  auto c = composite(edges);
  EXPECT_EQ(c->lc_key()->description(), "k");
  std::vector<std::string> keys;
  for (const auto& child : c->childConstraints()) keys.push_back(single(child)->lc_key()->description().utf8());
  EXPECT_EQ(keys, (std::vector<std::string>{"k[0]", "k[1]", "k[2]", "k[3]"}));
}

TEST_F(ConstraintTest, AGroupAppliesLaterCallsToItsMembersWhichInstallOneByOne) {
  auto v = sub(root), other = sub(root);
  auto r = lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    make.height.equalTo(fd::box(9));
    make.group([&] {
          make.top.equalTo(other);
          make.left.equalTo(other);
        })
        .offset(5)
        .priorityMedium();
  });
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(single(r[0])->layoutConstant(), 9);
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_EQ(single(r[i])->layoutConstant(), 5);
    EXPECT_EQ(single(r[i])->layoutConstraint()->priority(), 500);
  }
}

TEST_F(ConstraintTest, UpdateChangesTheConstantOfTheMatchingConstraintOnly) {
  auto v = sub(root);
  lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    make.left.equalTo(root).offset(10);
    make.width.equalTo(fd::box(50));
  });
  auto before = held(*root);
  ASSERT_EQ(before.size(), 1u);
  lc_updateConstraints(*v, [&](LCConstraintMaker& make) {
    make.left.equalTo(root).offset(30);
    make.width.equalTo(fd::box(70));
  });
  EXPECT_EQ(held(*root), before);
  EXPECT_EQ(before[0]->constant(), 30);
  ASSERT_EQ(held(*v).size(), 1u);
  EXPECT_EQ(held(*v)[0]->constant(), 70);
  EXPECT_EQ(lc_installedConstraints(*v)->count(), 2u);  // the updating objects did not enter
  // Another priority, or something that matches nothing, installs a new one.
  lc_updateConstraints(*v, [&](LCConstraintMaker& make) {
    make.left.equalTo(root).offset(40).priorityHigh();
    make.top.equalTo(root);
  });
  EXPECT_EQ(held(*root).size(), 3u);
  EXPECT_EQ(before[0]->constant(), 30);
  EXPECT_EQ(lc_installedConstraints(*v)->count(), 4u);
}

TEST_F(ConstraintTest, RemakeRemovesOnlyWhatTheLanguageInstalledWithTheViewFirst) {
  auto v = sub(root), other = sub(root);
  lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    make.edges.equalTo(root);
    make.width.equalTo(fd::box(10));
  });
  lc_makeConstraints(*other, [&](LCConstraintMaker& make) { make.top.equalTo(lc_bottom(*v)); });
  auto platformOwn = ui::LayoutConstraint::constraintWithItem(v, ui::LayoutAttributeHeight, ui::LayoutRelationEqual,
                                                              nullptr, ui::LayoutAttributeNotAnAttribute, 1, 5);
  v->addConstraint(platformOwn);
  ASSERT_EQ(held(*root).size(), 5u);
  EXPECT_TRUE(lc_remakeConstraints(*v, [](LCConstraintMaker&) {}).empty());
  EXPECT_EQ(lc_installedConstraints(*v)->count(), 0u);
  auto left = held(*root);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0]->firstItem(), other);
  EXPECT_EQ(v->constraints().size(), 1u);  // the platform's own stays
  EXPECT_EQ(v->constraints()[0], platformOwn);
}

TEST_F(ConstraintTest, AKeptConstraintMovesTheLiveConstantButNotThePriority) {
  auto v = sub(root);
  Ref<LCViewConstraint> top;
  lc_makeConstraints(*v, [&](LCConstraintMaker& make) { top = single(make.top.equalTo(root).offset(4).retained()); });
  auto lc = top->layoutConstraint();
  top->offset(12);
  EXPECT_EQ(lc->constant(), 12);
  top->priority(300);
  EXPECT_EQ(lc->priority(), 1000);
  EXPECT_TRUE(top->hasBeenInstalled());
  top->deactivate();
  EXPECT_FALSE(top->hasBeenInstalled());
  EXPECT_TRUE(held(*root).empty());
  EXPECT_EQ(lc_installedConstraints(*v)->count(), 0u);
  top->activate();
  ASSERT_EQ(held(*root).size(), 1u);
  EXPECT_EQ(held(*root)[0]->constant(), 12);
  EXPECT_EQ(lc_installedConstraints(*v)->count(), 1u);
  top->uninstall();
  EXPECT_TRUE(held(*root).empty());
  EXPECT_FALSE(top->installedView());
}

TEST_F(ConstraintTest, ViewsWithoutACommonAncestorAreReportedAndNotInstalled) {
  std::vector<std::string> logged;
  fd::setLogSink([&](const rt::String& m) { logged.push_back(m.utf8()); });
  auto v = sub(root);
  auto stranger = rt::make<ui::View>(gfx::RectZero);
  auto r = lc_makeConstraints(*v, [&](LCConstraintMaker& make) { make.left.equalTo(stranger); });
  fd::setLogSink(nullptr);
  EXPECT_FALSE(single(r.at(0))->hasBeenInstalled());
  EXPECT_EQ(lc_installedConstraints(*v)->count(), 0u);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("is not installed: its views share no ancestor"), std::string::npos) << logged[0];
}

TEST_F(ConstraintTest, ClosestCommonSuperviewIsFoundByIdentity) {
  auto a = sub(root), b = sub(root), aa = sub(a);
  auto stranger = rt::make<ui::View>(gfx::RectZero);
  EXPECT_EQ(lc_closestCommonSuperview(*a, aa), a);
  EXPECT_EQ(lc_closestCommonSuperview(*aa, a), a);
  EXPECT_EQ(lc_closestCommonSuperview(*a, a), a);
  EXPECT_EQ(lc_closestCommonSuperview(*aa, b), root);
  EXPECT_EQ(lc_closestCommonSuperview(*a, stranger), nullptr);
  EXPECT_EQ(lc_closestCommonSuperview(*a, nullptr), nullptr);
}

TEST_F(ConstraintTest, ViewAttributesAreEqualByViewAndAttribute) {
  auto v = sub(root);
  auto one = lc_left(*v), two = lc_left(*v);
  EXPECT_NE(one, two);
  EXPECT_TRUE(one->isEqual(two));
  EXPECT_EQ(one->hash(), two->hash());
  EXPECT_FALSE(one->isEqual(lc_right(*v)));
  auto viaGuide = rt::make<LCViewAttribute>(v, window, ui::LayoutAttributeLeft);
  EXPECT_TRUE(one->isEqual(viaGuide));
  EXPECT_EQ(one->hash(), viaGuide->hash());
  EXPECT_TRUE(lc_width(*v)->isSizeAttribute());
  EXPECT_FALSE(lc_centerX(*v)->isSizeAttribute());
}

TEST_F(ConstraintTest, ACopyKeepsTheValuesButNotTheSecondItemOrInstallation) {
  auto v = sub(root);
  Ref<LCViewConstraint> c;
  lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    c = single(make.top.lessThanOrEqualTo(root).offset(3).multipliedBy(2).priority(600).key(fd::box(1)).retained());
  });
  auto copy = c->copyConstraint();
  EXPECT_EQ(copy->firstViewAttribute(), c->firstViewAttribute());
  EXPECT_EQ(copy->layoutConstant(), 3);
  EXPECT_EQ(copy->layoutRelation(), ui::LayoutRelationLessThanOrEqual);
  EXPECT_TRUE(copy->hasLayoutRelation());
  EXPECT_EQ(copy->layoutPriority(), 600);
  EXPECT_EQ(copy->layoutMultiplier(), 2);
  EXPECT_FALSE(copy->secondViewAttribute());
  EXPECT_FALSE(copy->lc_key());
  EXPECT_FALSE(copy->layoutConstraint());
}

}  // namespace widgets::testing
