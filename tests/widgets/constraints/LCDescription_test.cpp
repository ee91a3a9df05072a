// Every layout constraint of the process describes itself as a compact equation.
#include <cctype>

#include "ConstraintFixture.h"
#include "platform/foundation/text/StringObject.h"
#include "widgets/constraints/LayoutConstraint+LCDebugAdditions.h"

namespace widgets::testing {

namespace {

// The description with every address written as "0x@", so texts compare exactly.
std::string describe(const Ref<ui::LayoutConstraint>& c) {
  std::string s = c->description().utf8(), out;
  for (size_t i = 0; i < s.size();) {
    if (s.compare(i, 2, "0x") == 0) {
      out += "0x@";
      i += 2;
      while (i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i]))) ++i;
    } else {
      out += s[i++];
    }
  }
  return out;
}

Ref<ui::LayoutConstraint> platform(const Ref<ui::View>& a, ui::LayoutAttribute aa, ui::LayoutRelation r,
                                   const Ref<ui::View>& b, ui::LayoutAttribute ba, double m, double k,
                                   float priority = 1000) {
  auto c = ui::LayoutConstraint::constraintWithItem(a, aa, r, b, ba, m, k);
  c->setPriority(priority);
  return c;
}

}  // namespace

TEST_F(ConstraintTest, DescriptionsReadAsEquations) {
  auto a = sub(root), b = sub(root);
  setLc_key(*a, fd::StringObject::create("avatar"));
  const std::string addr = "0x@";
  struct Case {
    const char* what;
    Ref<ui::LayoutConstraint> constraint;
    std::string text;
  };
  const Case cases[] = {
      {"two views without keys", platform(b, ui::LayoutAttributeLeft, ui::LayoutRelationEqual, root,
                                          ui::LayoutAttributeLeft, 1, 0),
       "<NSLayoutConstraint:" + addr + " UIView:" + addr + ".left == UIView:" + addr + ".left>"},
      {"size with a key", platform(a, ui::LayoutAttributeWidth, ui::LayoutRelationEqual, nullptr,
                                   ui::LayoutAttributeNotAnAttribute, 1, 50),
       "<NSLayoutConstraint:" + addr + " UIView:avatar.width == 50>"},
      {"size constant 0 still printed", platform(a, ui::LayoutAttributeHeight, ui::LayoutRelationGreaterThanOrEqual,
                                                 nullptr, ui::LayoutAttributeNotAnAttribute, 1, 0),
       "<NSLayoutConstraint:" + addr + " UIView:avatar.height >= 0>"},
      {"negative constant, high", platform(a, ui::LayoutAttributeBottom, ui::LayoutRelationLessThanOrEqual, b,
                                           ui::LayoutAttributeTop, 1, -8, 750),
       "<NSLayoutConstraint:" + addr + " UIView:avatar.bottom <= UIView:" + addr + ".top - 8 ^high>"},
      {"multiplier, positive constant, unnamed priority",
       platform(a, ui::LayoutAttributeCenterX, ui::LayoutRelationEqual, b, ui::LayoutAttributeRight, 0.5, 2.5, 999),
       "<NSLayoutConstraint:" + addr + " UIView:avatar.centerX == UIView:" + addr + ".right * 0.5 + 2.5 ^999>"},
      {"fitting size", platform(a, ui::LayoutAttributeTopMargin, ui::LayoutRelationEqual, b,
                                ui::LayoutAttributeCenterYWithinMargins, 1, 0, 50),
       "<NSLayoutConstraint:" + addr + " UIView:avatar.topMargin == UIView:" + addr +
           ".centerYWithinMargins ^fitting size>"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(describe(k.constraint), k.text) << k.what;
  }
}

TEST_F(ConstraintTest, TheLanguagesOwnConstraintsShowTheirKeys) {
  auto v = sub(root);
  setLc_key(*v, fd::StringObject::create("title"));
  auto r = lc_makeConstraints(*v, [&](LCConstraintMaker& make) {
    make.left.equalTo(root).offset(12).key(fd::StringObject::create("titleLeft"));
    make.width.equalTo(fd::box(44)).priorityMedium();
  });
  auto left = single(r.at(0))->layoutConstraint(), width = single(r.at(1))->layoutConstraint();
  EXPECT_EQ(describe(left), "<LCLayoutConstraint:titleLeft UIView:title.left == UIView:0x@.left + 12>");
  EXPECT_EQ(describe(width), "<LCLayoutConstraint:0x@ UIView:title.width == 44 ^medium>");
  EXPECT_EQ(layoutAttributeDescriptionsByValue().size(), 19u);
  EXPECT_EQ(layoutAttributeDescriptionsByValue().count(12), 0u);
}

}  // namespace widgets::testing
