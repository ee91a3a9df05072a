#include <gtest/gtest.h>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/runtime/Exception.h"
#include "tests/text/layout/LayoutSupport.h"
#include "text/layout/DRTextContainer.h"
#include "text/layout/DRTextLine.h"
#include "text/layout/DRTextLinePositionModifier.h"

using namespace text;
using layout_test::kEps;

namespace {

// A modifier that cannot be archived.
class ShiftModifier : public rt::Object, public DRTextLinePositionModifier {
  RT_CLASS(ShiftModifier, rt::Object)
 public:
  void init() {}
  void modifyLines(std::vector<Ref<DRTextLine>>& lines, const Ref<typeset::AttributedString>&,
                   const Ref<DRTextContainer>&) const override {
    for (const auto& l : lines) l->setPosition({l->position().x + 5, l->position().y});
  }
  rt::Id copy() const override { return rt::make<ShiftModifier>(); }
};

// A simple modifier that archives its pitch.
class CodedModifier : public DRTextLinePositionSimpleModifier, public fd::Coding {
  RT_CLASS(CodedModifier, DRTextLinePositionSimpleModifier)
 public:
  void encodeWithCoder(fd::KeyedArchiver& c) const override { c.encodeDouble(fixedLineHeight(), "h"); }
  bool initWithCoder(fd::KeyedUnarchiver& c) override {
    setFixedLineHeight(c.decodeDouble("h"));
    return true;
  }
  rt::Id copy() const override {
    auto m = rt::make<CodedModifier>();
    m->setFixedLineHeight(fixedLineHeight());
    return m;
  }
};

}  // namespace

RT_IMPLEMENT(ShiftModifier) {}
RT_IMPLEMENT(CodedModifier) { c.protocol("NSCoding"); }

TEST(DRTextContainer, DefaultsAndFactories) {
  auto c = DRTextContainer::create();
  EXPECT_TRUE(c->isPathFillEvenOdd());
  EXPECT_FALSE(c->isVerticalForm());
  EXPECT_EQ(c->size(), (gfx::Size{0, 0}));
  EXPECT_EQ(c->maximumNumberOfRows(), 0u);
  EXPECT_EQ(c->truncationType(), 0u);
  EXPECT_FALSE(c->truncationToken());
  EXPECT_FALSE(c->linePositionModifier());
  EXPECT_FALSE(DRTextContainer::containerWithPath(nullptr));

  auto sized = DRTextContainer::containerWithSize({2e6, 50}, {-5, 3, -1, 0});
  EXPECT_EQ(sized->size(), (gfx::Size{1048576, 50}));
  EXPECT_EQ(sized->insets(), (gfx::EdgeInsets{0, 3, 0, 0}));
}

TEST(DRTextContainer, PathReplacesSizeAndInsets) {
  auto path = gfx::BezierPath::bezierPathWithRect(gfx::RectMake(-10, 20, 100, 50));
  auto c = DRTextContainer::containerWithPath(path);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->size(), (gfx::Size{90, 50}));
  EXPECT_EQ(c->insets(), (gfx::EdgeInsets{20, 0, 0, 0}));
  // The stored path is a copy: changing the caller's does not reach the container.
  path->applyTransform(gfx::AffineTransformMakeTranslation(100, 0));
  EXPECT_EQ(c->path()->bounds(), gfx::RectMake(-10, 20, 100, 50));
  // While a path is set, size and insets are ignored.
  c->setSize({10, 10});
  c->setInsets({1, 1, 1, 1});
  EXPECT_EQ(c->size(), (gfx::Size{90, 50}));
  EXPECT_EQ(c->insets(), (gfx::EdgeInsets{20, 0, 0, 0}));
  // A null path leaves them as they were, and they can be set again.
  c->setPath(nullptr);
  EXPECT_EQ(c->size(), (gfx::Size{90, 50}));
  c->setSize({3e6, 4e6});
  EXPECT_EQ(c->size(), (gfx::Size{1048576, 1048576}));
}

TEST(DRTextContainer, CopyIsWritableAndIndependent) {
  auto c = DRTextContainer::containerWithSize({100, 200}, {1, 2, 3, 4});
  c->setExclusionPaths({gfx::BezierPath::bezierPathWithRect(gfx::RectMake(10, 10, 20, 20))});
  c->setPathFillEvenOdd(false);
  c->setPathLineWidth(2);
  c->setVerticalForm(true);
  c->setMaximumNumberOfRows(3);
  c->setTruncationType(DRTextTruncationTypeMiddle);
  c->setTruncationToken(typeset::AttributedString::create(u"..."));
  auto modifier = DRTextLinePositionSimpleModifier::create();
  modifier->setFixedLineHeight(20);
  c->setLinePositionModifier(modifier);
  modifier->setFixedLineHeight(99);  // the container holds its own copy
  EXPECT_EQ(std::dynamic_pointer_cast<DRTextLinePositionSimpleModifier>(c->linePositionModifier())->fixedLineHeight(), 20);

  auto copy = rt::as<DRTextContainer>(c->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->size(), c->size());
  EXPECT_EQ(copy->insets(), c->insets());
  EXPECT_EQ(copy->exclusionPaths().size(), 1u);
  EXPECT_FALSE(copy->isPathFillEvenOdd());
  EXPECT_EQ(copy->pathLineWidth(), 2);
  EXPECT_TRUE(copy->isVerticalForm());
  EXPECT_EQ(copy->maximumNumberOfRows(), 3u);
  EXPECT_EQ(copy->truncationType(), 3u);
  EXPECT_EQ(copy->truncationToken()->string(), rt::String(u"..."));
  EXPECT_NE(copy->linePositionModifier().get(), c->linePositionModifier().get());
  copy->setMaximumNumberOfRows(7);
  EXPECT_EQ(c->maximumNumberOfRows(), 3u);
}

TEST(DRTextContainer, LayoutFreezesItsOwnCopy) {
  auto c = DRTextContainer::containerWithSize({200, 200});
  auto layout = DRTextLayout::layoutWithContainer(c, layout_test::shortLines(2));
  ASSERT_TRUE(layout);
  const auto& frozen = layout->container();
  EXPECT_NE(frozen.get(), c.get());
  const std::vector<std::function<void()>> setters = {
      [&] { frozen->setSize({1, 1}); },
      [&] { frozen->setInsets({}); },
      [&] { frozen->setPath(nullptr); },
      [&] { frozen->setExclusionPaths({}); },
      [&] { frozen->setPathLineWidth(1); },
      [&] { frozen->setPathFillEvenOdd(false); },
      [&] { frozen->setVerticalForm(true); },
      [&] { frozen->setMaximumNumberOfRows(1); },
      [&] { frozen->setTruncationType(1); },
      [&] { frozen->setTruncationToken(nullptr); },
      [&] { frozen->setLinePositionModifier(nullptr); },
  };
  for (size_t i = 0; i < setters.size(); ++i) {
    try {
      setters[i]();
      ADD_FAILURE() << "setter " << i << " did not raise";
    } catch (const rt::Exception& e) {
      EXPECT_EQ(e.name(), rt::String("NSInternalInconsistencyException"));
      EXPECT_EQ(e.reason(), rt::String("Cannot change the property of the 'container' in 'DRTextLayout'."));
      EXPECT_FALSE(e.userInfo());
    }
  }
  EXPECT_EQ(frozen->size(), (gfx::Size{200, 200}));
  // The owner's container stays writable, and so does a copy of the frozen one.
  c->setSize({50, 50});
  auto copy = rt::as<DRTextContainer>(frozen->copy());
  copy->setSize({10, 20});
  EXPECT_EQ(copy->size(), (gfx::Size{10, 20}));
}

TEST(DRTextContainer, ArchiveRoundTrip) {
  auto c = DRTextContainer::containerWithSize({300, 400}, {5, 6, 7, 8});
  c->setExclusionPaths({gfx::BezierPath::bezierPathWithOvalInRect(gfx::RectMake(10, 10, 50, 50))});
  c->setPathFillEvenOdd(false);
  c->setPathLineWidth(1.5);
  c->setVerticalForm(true);
  c->setMaximumNumberOfRows(4);
  c->setTruncationType(DRTextTruncationTypeStart);
  c->setTruncationToken(typeset::AttributedString::create(u"[more]"));
  auto coded = rt::make<CodedModifier>();
  coded->setFixedLineHeight(22);
  c->setLinePositionModifier(coded);

  auto data = fd::KeyedArchiver::archivedDataWithRootObject(c);
  ASSERT_TRUE(data);
  auto back = rt::as<DRTextContainer>(fd::KeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->size(), (gfx::Size{300, 400}));
  EXPECT_EQ(back->insets(), (gfx::EdgeInsets{5, 6, 7, 8}));
  ASSERT_EQ(back->exclusionPaths().size(), 1u);
  EXPECT_TRUE(gfx::RectEqualToRect(back->exclusionPaths()[0]->bounds(), gfx::RectMake(10, 10, 50, 50)));
  EXPECT_FALSE(back->isPathFillEvenOdd());
  EXPECT_EQ(back->pathLineWidth(), 1.5);
  EXPECT_TRUE(back->isVerticalForm());
  EXPECT_EQ(back->maximumNumberOfRows(), 4u);
  EXPECT_EQ(back->truncationType(), 1u);
  ASSERT_TRUE(back->truncationToken());
  EXPECT_EQ(back->truncationToken()->string(), rt::String(u"[more]"));
  auto m = std::dynamic_pointer_cast<CodedModifier>(back->linePositionModifier());
  ASSERT_TRUE(m);
  EXPECT_EQ(m->fixedLineHeight(), 22);

  // A modifier that cannot be archived is left out and decodes as none.
  c->setLinePositionModifier(rt::make<ShiftModifier>());
  back = rt::as<DRTextContainer>(fd::KeyedUnarchiver::unarchiveObjectWithData(fd::KeyedArchiver::archivedDataWithRootObject(c)));
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->linePositionModifier());

  // A path container keeps its path and the size derived from it.
  auto pc = DRTextContainer::containerWithPath(gfx::BezierPath::bezierPathWithOvalInRect(gfx::RectMake(0, 10, 200, 100)));
  back = rt::as<DRTextContainer>(fd::KeyedUnarchiver::unarchiveObjectWithData(fd::KeyedArchiver::archivedDataWithRootObject(pc)));
  ASSERT_TRUE(back && back->path());
  EXPECT_EQ(back->size(), (gfx::Size{200, 100}));
  EXPECT_EQ(back->insets(), (gfx::EdgeInsets{10, 0, 0, 0}));
}

TEST(DRTextContainer, DecodingGoesThroughTheSettersAndKeepsDefaults) {
  // An archive written by hand: an oversized size, negative insets, and no fill-rule key.
  auto archiver = rt::make<fd::KeyedArchiver>();
  archiver->encodeStruct(gfx::Size{2e6, 50}, "size");
  archiver->encodeStruct(gfx::EdgeInsets{-5, 3, -1, 0}, "insets");
  archiver->encodeInteger(2, "maximumNumberOfRows");
  archiver->finishEncoding();
  auto unarchiver = rt::make<fd::KeyedUnarchiver>(archiver->encodedData());
  ASSERT_TRUE(unarchiver);
  auto c = DRTextContainer::create();
  ASSERT_TRUE(c->initWithCoder(*unarchiver));
  EXPECT_EQ(c->size(), (gfx::Size{1048576, 50}));
  EXPECT_EQ(c->insets(), (gfx::EdgeInsets{0, 3, 0, 0}));
  EXPECT_TRUE(c->isPathFillEvenOdd());
  EXPECT_EQ(c->maximumNumberOfRows(), 2u);
  EXPECT_EQ(c->pathLineWidth(), 0);
}

TEST(DRTextContainer, SimpleModifierPutsRowsOnAFixedPitch) {
  auto t = layout_test::shortLines(3);
  for (bool vertical : {false, true}) {
    auto c = DRTextContainer::containerWithSize({300, 300}, {0, 0, 0, vertical ? 10.0 : 0.0});
    c->setVerticalForm(vertical);
    auto m = DRTextLinePositionSimpleModifier::create();
    m->setFixedLineHeight(20);
    c->setLinePositionModifier(m);
    auto layout = DRTextLayout::layoutWithContainer(c, t);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->lines().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      const auto& line = layout->lines()[i];
      if (vertical)
        EXPECT_NEAR(line->position().x, 300 - 10 - 20.0 * i - 18, kEps) << i;
      else
        EXPECT_NEAR(line->position().y, 18 + 20.0 * i, kEps) << i;
    }
    // The bounding rect follows the moved lines.
    gfx::Rect u = layout->lines()[0]->bounds();
    for (const auto& l : layout->lines()) u = gfx::RectUnion(u, l->bounds());
    EXPECT_TRUE(gfx::RectEqualToRect(layout->textBoundingRect(), u));
  }
}
