#include "platform/ui/layout/SimplexSolver.h"

#include <gtest/gtest.h>

#include <random>

using namespace ui::layout;
using R = SimplexSolver::Relation;

namespace {

SimplexSolver::Expression expr(std::initializer_list<SimplexSolver::Term> terms, double constant) {
  return {std::vector<SimplexSolver::Term>(terms), constant};
}

}  // namespace

TEST(SimplexSolverTest, RequiredEqualitiesAndInequalitiesHoldExactly) {
  SimplexSolver s;
  auto x = s.newVariable(), y = s.newVariable(), z = s.newVariable();
  ASSERT_TRUE(s.addConstraint(expr({{x, 1}}, -10), R::Equal, 1000));           // x == 10
  ASSERT_TRUE(s.addConstraint(expr({{y, 1}, {x, -2}}, -5), R::Equal, 1000));   // y == 2x + 5
  ASSERT_TRUE(s.addConstraint(expr({{y, 1}}, -20), R::GreaterOrEqual, 1000));  // y >= 20, slack
  ASSERT_TRUE(s.addConstraint(expr({{z, 1}, {y, -1}}, 0), R::GreaterOrEqual, 1000));  // z >= y
  ASSERT_TRUE(s.addConstraint(expr({{z, 1}}, -5), R::Equal, 500));             // z == 5, weak
  EXPECT_DOUBLE_EQ(s.value(x), 10);
  EXPECT_DOUBLE_EQ(s.value(y), 25);
  EXPECT_DOUBLE_EQ(s.value(z), 25);
}

TEST(SimplexSolverTest, AContradictingRequiredConstraintIsRefusedAndChangesNothing) {
  SimplexSolver s;
  auto x = s.newVariable();
  ASSERT_TRUE(s.addConstraint(expr({{x, 1}}, -10), R::Equal, 1000));
  ASSERT_TRUE(s.addConstraint(expr({{x, 1}}, -10), R::Equal, 1000));  // a duplicate is fine
  EXPECT_FALSE(s.addConstraint(expr({{x, 1}}, -20), R::Equal, 1000));
  EXPECT_FALSE(s.addConstraint(expr({{x, 1}}, -11), R::GreaterOrEqual, 1000));
  EXPECT_DOUBLE_EQ(s.value(x), 10);
  // Weaker wishes give way instead.
  ASSERT_TRUE(s.addConstraint(expr({{x, 1}}, -20), R::Equal, 750));
  EXPECT_DOUBLE_EQ(s.value(x), 10);
}

TEST(SimplexSolverTest, ARequiredDuplicateHoldsItsTwinToItsConstant) {
  SimplexSolver s;
  auto x = s.newVariable();
  auto a = s.addConstraint(expr({{x, 1}}, -10), R::Equal, 1000);
  auto b = s.addConstraint(expr({{x, 1}}, -10), R::Equal, 1000);
  ASSERT_TRUE(a && b);
  EXPECT_FALSE(s.changeConstant(*a, -20));
  EXPECT_FALSE(s.changeConstant(*b, -20));
  EXPECT_DOUBLE_EQ(s.value(x), 10);
  s.removeConstraint(*b);
  EXPECT_TRUE(s.changeConstant(*a, -20));
  EXPECT_DOUBLE_EQ(s.value(x), 20);
}

TEST(SimplexSolverTest, HigherPrioritiesWinAndRemovalGivesWayBack) {
  SimplexSolver s;
  auto w = s.newVariable();
  auto low = s.addConstraint(expr({{w, 1}}, -100), R::Equal, 250);
  auto high = s.addConstraint(expr({{w, 1}}, -150), R::Equal, 251);
  ASSERT_TRUE(low && high);
  EXPECT_DOUBLE_EQ(s.value(w), 150);
  s.removeConstraint(*high);
  EXPECT_DOUBLE_EQ(s.value(w), 100);
  auto cap = s.addConstraint(expr({{w, 1}}, -80), R::LessOrEqual, 1000);
  ASSERT_TRUE(cap);
  EXPECT_DOUBLE_EQ(s.value(w), 80);
}

TEST(SimplexSolverTest, ChangingAConstantInPlaceMatchesASolveFromScratch) {
  SimplexSolver s;
  auto a = s.newVariable(), b = s.newVariable();
  auto pin = s.addConstraint(expr({{a, 1}}, -10), R::Equal, 1000);
  auto gap = s.addConstraint(expr({{b, 1}, {a, -1}}, -5), R::GreaterOrEqual, 1000);  // b >= a + 5
  auto wish = s.addConstraint(expr({{b, 1}}, -12), R::Equal, 500);                   // b == 12, weak
  ASSERT_TRUE(pin && gap && wish);
  EXPECT_DOUBLE_EQ(s.value(b), 15);
  ASSERT_TRUE(s.changeConstant(*pin, 0));  // a == 0: the wish can hold now
  EXPECT_DOUBLE_EQ(s.value(a), 0);
  EXPECT_DOUBLE_EQ(s.value(b), 12);
  ASSERT_TRUE(s.changeConstant(*wish, -3));  // b == 3 breaks against b >= 5
  EXPECT_DOUBLE_EQ(s.value(b), 5);
  // A required change that contradicts the other required ones is refused and undone.
  auto cap = s.addConstraint(expr({{b, 1}}, -20), R::LessOrEqual, 1000);  // b <= 20
  ASSERT_TRUE(cap);
  EXPECT_FALSE(s.changeConstant(*pin, -30));  // a == 30 needs b >= 35
  EXPECT_DOUBLE_EQ(s.value(a), 0);
  EXPECT_DOUBLE_EQ(s.value(b), 5);
  EXPECT_DOUBLE_EQ(s.expressionConstant(*pin), 0);
}

// Random chains of required equalities (each variable a fixed offset from an earlier one),
// with weak wishes on top, changed and removed at random: the incremental solver must agree
// with the closed form after every step.
TEST(SimplexSolverTest, IncrementalChangesAgreeWithTheClosedFormOverRandomChains) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    SimplexSolver s;
    const int n = 30;
    std::vector<SimplexSolver::Variable> vars;
    std::vector<int> parent(n, -1);
    std::vector<double> offset(n, 0);
    std::vector<SimplexSolver::ConstraintId> links;
    for (int i = 0; i < n; ++i) vars.push_back(s.newVariable());
    for (int i = 0; i < n; ++i) {
      offset[i] = double(rng() % 200) - 100;
      if (i > 0) parent[i] = int(rng() % i);
      auto e = i == 0 ? expr({{vars[0], 1}}, -offset[0])
                      : expr({{vars[i], 1}, {vars[parent[i]], -1}}, -offset[i]);
      auto id = s.addConstraint(e, R::Equal, 1000);
      ASSERT_TRUE(id);
      links.push_back(*id);
    }
    std::vector<SimplexSolver::ConstraintId> wishes;
    for (int i = 0; i < n; ++i) {
      auto id = s.addConstraint(expr({{vars[i], 1}}, double(rng() % 50)), R::Equal, float(1 + rng() % 999));
      ASSERT_TRUE(id);
      wishes.push_back(*id);
    }
    for (int step = 0; step < 40; ++step) {
      int i = int(rng() % n);
      if (step % 3 == 0) {
        s.removeConstraint(wishes[i]);
        auto id = s.addConstraint(expr({{vars[i], 1}}, double(rng() % 50)), R::GreaterOrEqual, 300);
        ASSERT_TRUE(id);
        wishes[i] = *id;
      } else {
        offset[i] = double(rng() % 200) - 100;
        ASSERT_TRUE(s.changeConstant(links[i], -offset[i]));
      }
      for (int k = 0; k < n; ++k) {
        double expected = 0;
        for (int j = k; j >= 0; j = parent[j]) expected += offset[j];
        ASSERT_NEAR(s.value(vars[k]), expected, 1e-6) << "round " << round << " step " << step;
      }
    }
  }
}
