#pragma once
// A 300 x 400 container in the test window with helpers to add views and read what the
// language installed.
#include <vector>

#include "../WidgetTestFixture.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/LCCompositeConstraint.h"
#include "widgets/constraints/LCViewConstraint.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/constraints/View+LCConstraints.h"

namespace widgets::testing {

class ConstraintTest : public WidgetTest {
 protected:
  void SetUp() override;

  Ref<ui::View> sub(const Ref<ui::View>& parent);
  /// The platform constraints the language installed, held by `holder`.
  static std::vector<Ref<LCLayoutConstraint>> held(const ui::View& holder);
  static Ref<LCViewConstraint> single(const Ref<LCConstraint>& c) { return rt::as<LCViewConstraint>(c); }
  static Ref<LCCompositeConstraint> composite(const Ref<LCConstraint>& c) {
    return rt::as<LCCompositeConstraint>(c);
  }
  static void expectFrame(const Ref<ui::View>& v, gfx::Rect expected, const char* what);

  Ref<ui::View> root;
};

}  // namespace widgets::testing
