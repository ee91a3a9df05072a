#include "ConstraintFixture.h"

namespace widgets::testing {

void ConstraintTest::SetUp() {
  WidgetTest::SetUp();
  root = rt::make<ui::View>(gfx::RectMake(20, 40, 300, 400));
  window->addSubview(root);
}

Ref<ui::View> ConstraintTest::sub(const Ref<ui::View>& parent) {
  auto v = rt::make<ui::View>(gfx::RectZero);
  parent->addSubview(v);
  return v;
}

std::vector<Ref<LCLayoutConstraint>> ConstraintTest::held(const ui::View& holder) {
  std::vector<Ref<LCLayoutConstraint>> out;
  for (const auto& c : holder.constraints())
    if (auto lc = rt::as<LCLayoutConstraint>(c)) out.push_back(lc);
  return out;
}

void ConstraintTest::expectFrame(const Ref<ui::View>& v, gfx::Rect e, const char* what) {
  gfx::Rect f = v->frame();
  EXPECT_NEAR(f.origin.x, e.origin.x, 0.01) << what;
  EXPECT_NEAR(f.origin.y, e.origin.y, 0.01) << what;
  EXPECT_NEAR(f.size.width, e.size.width, 0.01) << what;
  EXPECT_NEAR(f.size.height, e.size.height, 0.01) << what;
}

}  // namespace widgets::testing
