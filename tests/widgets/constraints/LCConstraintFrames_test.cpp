// Declarations reach the solver: the frames after layoutIfNeeded are the ones declared.
#include "ConstraintFixture.h"
#include "platform/ui/controllers/ViewController.h"
#include "widgets/constraints/Array+LCAdditions.h"
#include "widgets/constraints/ViewController+LCAdditions.h"

namespace widgets::testing {

namespace {
rt::Id size(double w, double h) { return fd::ValueBox::valueWith(gfx::Size{w, h}); }
}  // namespace

TEST_F(ConstraintTest, CentreEdgesAndSizeOffsetsGiveTheDeclaredFrames) {
  auto centred = sub(root), inset = sub(root), bigger = sub(root);
  lc_makeConstraints(*centred, [&](LCConstraintMaker& make) {
    make.center.equalTo(root);
    make.size.equalTo(size(100, 50));
  });
  lc_makeConstraints(*inset, [&](LCConstraintMaker& make) { make.edges.equalTo(root).insets({10, 20, 30, 40}); });
  lc_makeConstraints(*bigger, [&](LCConstraintMaker& make) {
    make.size.equalTo(centred).sizeOffset({-10, 20});
    make.top.left().offset(5);
  });
  root->layoutIfNeeded();
  expectFrame(centred, gfx::RectMake(100, 175, 100, 50), "centre");
  expectFrame(inset, gfx::RectMake(20, 10, 240, 360), "edges with insets");
  expectFrame(bigger, gfx::RectMake(5, 5, 90, 70), "size offset");
}

TEST_F(ConstraintTest, EqualWidthsShareTheRow) {
  auto a = sub(root), b = sub(root);
  lc_makeConstraints(*a, [&](LCConstraintMaker& make) {
    make.left.top().equalTo(root);
    make.height.equalTo(fd::box(30));
  });
  lc_makeConstraints(*b, [&](LCConstraintMaker& make) {
    make.left.equalTo(lc_right(*a)).offset(10);
    make.right.equalTo(root);
    make.width.equalTo(a);
    make.top.height().equalTo(a);
  });
  root->layoutIfNeeded();
  expectFrame(a, gfx::RectMake(0, 0, 145, 30), "first");
  expectFrame(b, gfx::RectMake(155, 0, 145, 30), "second");
}

TEST_F(ConstraintTest, LowerPrioritiesGiveWay) {
  auto v = sub(root);
  lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    make.left.top().equalTo(root);
    make.width.lessThanOrEqualTo(fd::box(100));
    make.width.equalTo(fd::box(200)).priorityLow();
    make.height.equalTo(fd::box(80)).priorityLow();
    make.height.equalTo(fd::box(150)).priorityHigh();
  });
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(0, 0, 100, 150), "priorities");
}

TEST_F(ConstraintTest, UpdateRemakeAndKeptOffsetsMoveTheLayout) {
  auto v = sub(root);
  Ref<LCConstraint> left;
  lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    left = make.left.equalTo(root).offset(10).retained();
    make.top.equalTo(root).offset(10);
    make.size.equalTo(size(50, 50));
  });
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(10, 10, 50, 50), "made");
  left->offset(25);
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(25, 10, 50, 50), "kept offset");
  lc_updateConstraints(*v, [&](LCConstraintMaker& make) { make.size.equalTo(size(70, 20)); });
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(25, 10, 70, 20), "updated");
  lc_remakeConstraints(*v, [&](LCConstraintMaker& make) {
    make.right.bottom().equalTo(root);
    make.width.height().equalTo(fd::box(30));
  });
  root->layoutIfNeeded();
  expectFrame(v, gfx::RectMake(270, 370, 30, 30), "remade");
}

TEST_F(ConstraintTest, DistributionWithFixedSpacingGivesEqualItems) {
  std::vector<Ref<ui::View>> row{sub(root), sub(root), sub(root)};
  lc_distributeViewsAlongAxisWithFixedSpacing(row, 0, 10, 15, 20);
  lc_makeConstraints(row, [&](LCConstraintMaker& make) {
    make.top.equalTo(root);
    make.height.equalTo(fd::box(40));
  });
  root->layoutIfNeeded();
  double w = (300.0 - 15 - 10 - 10 - 20) / 3;
  expectFrame(row[0], gfx::RectMake(15, 0, w, 40), "first");
  expectFrame(row[1], gfx::RectMake(15 + w + 10, 0, w, 40), "second");
  expectFrame(row[2], gfx::RectMake(300 - 20 - w, 0, w, 40), "third");

  std::vector<Ref<ui::View>> column{sub(root), sub(root)};
  lc_distributeViewsAlongAxisWithFixedSpacing(column, 1, 20, 0, 0);
  lc_makeConstraints(column, [&](LCConstraintMaker& make) { make.left.right().equalTo(root); });
  root->layoutIfNeeded();
  expectFrame(column[0], gfx::RectMake(0, 0, 300, 190), "top of column");
  expectFrame(column[1], gfx::RectMake(0, 210, 300, 190), "bottom of column");
}

TEST_F(ConstraintTest, DistributionWithFixedItemLengthSpreadsTheGaps) {
  std::vector<Ref<ui::View>> row{sub(root), sub(root), sub(root)};
  lc_distributeViewsAlongAxisWithFixedItemLength(row, 0, 40, 10, 10);
  lc_makeConstraints(row, [&](LCConstraintMaker& make) {
    make.top.equalTo(root);
    make.height.equalTo(fd::box(40));
  });
  root->layoutIfNeeded();
  expectFrame(row[0], gfx::RectMake(10, 0, 40, 40), "first");
  expectFrame(row[1], gfx::RectMake(130, 0, 40, 40), "middle: right at half the width plus 20");
  expectFrame(row[2], gfx::RectMake(250, 0, 40, 40), "last");
  // The middle one's right edge is the declared equation, not only the frame.
  auto right = held(*root);
  bool found = false;
  for (const auto& c : right)
    if (c->firstItem() == row[1] && c->firstAttribute() == ui::LayoutAttributeRight) {
      EXPECT_EQ(c->multiplier(), 0.5);
      EXPECT_EQ(c->constant(), 20);
      found = true;
    }
  EXPECT_TRUE(found);
}

TEST_F(ConstraintTest, DistributionOverFewerThanTwoViewsDoesNothing) {
  auto v = sub(root);
  lc_distributeViewsAlongAxisWithFixedSpacing({v}, 0, 10, 10, 10);
  lc_distributeViewsAlongAxisWithFixedItemLength({}, 0, 10, 10, 10);
  EXPECT_TRUE(root->constraints().empty());
  EXPECT_TRUE(v->translatesAutoresizingMaskIntoConstraints());
  EXPECT_EQ(lc_commonSuperviewOfViews({v}), v);
  EXPECT_EQ(lc_commonSuperviewOfViews({}), nullptr);
  auto deep = sub(sub(root));
  EXPECT_EQ(lc_commonSuperviewOfViews({deep, v}), root);
  EXPECT_EQ(lc_commonSuperviewOfViews({deep, rt::make<ui::View>(gfx::RectZero), v}), nullptr);
}

TEST_F(ConstraintTest, LayoutGuidesOfAControllerServeAsSecondItems) {
  auto controller = rt::make<ui::ViewController>();
  auto view = controller->view();
  view->setFrame(gfx::RectMake(0, 0, 375, 667));
  window->addSubview(view);
  double top = controller->topLayoutGuideLength();
  auto v = sub(view);
  auto r = lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    make.top.equalTo(lc_topLayoutGuide(*controller)).offset(4);
    make.bottom.equalTo(lc_bottomLayoutGuide(*controller)).offset(-4);
    make.left.right().equalTo(view);
  });
  view->layoutIfNeeded();
  EXPECT_GT(top, 0);
  expectFrame(v, gfx::RectMake(0, top + 4, 375, 667 - 8 - top), "between the guides");
  auto lc = single(r.at(0))->layoutConstraint();
  ASSERT_TRUE(lc);
  EXPECT_EQ(lc->secondItem(), controller->topLayoutGuide());
  EXPECT_EQ(lc->owningView(), view);
  EXPECT_TRUE(lc_topLayoutGuide(*controller)->isEqual(lc_topLayoutGuideBottom(*controller)));
  EXPECT_TRUE(lc_bottomLayoutGuide(*controller)->isEqual(lc_bottomLayoutGuideTop(*controller)));
  EXPECT_EQ(lc_topLayoutGuideTop(*controller)->layoutAttribute(), ui::LayoutAttributeTop);
  EXPECT_EQ(lc_bottomLayoutGuideBottom(*controller)->item(), controller->bottomLayoutGuide());
}

}  // namespace widgets::testing
