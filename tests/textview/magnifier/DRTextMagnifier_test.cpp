// The two loupes: their fixed sizes and parts, the captured area per screen scale, the
// snapshot's cross-fade, and their frame pictures.
#include "textview/magnifier/DRTextMagnifier.h"

#include <gtest/gtest.h>

#include "base/graphics/Geometry+DUDer.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/ImageContext.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/layer/Animation.h"
#include "textview/magnifier/DRTextMagnifierCovers.h"

using namespace textview;

namespace {

uint32_t alphaAt(const gfx::Image& image, double x, double y) {
  double s = image.scale();
  return image.CGImage()->pixel(static_cast<size_t>(x * s), static_cast<size_t>(y * s)) >> 24;
}

TEST(Magnifier, MadeByTypeOnly) {
  auto caret = DRTextMagnifier::magnifierWithType(0);
  auto ranged = DRTextMagnifier::magnifierWithType(1);
  ASSERT_TRUE(caret);
  ASSERT_TRUE(ranged);
  EXPECT_EQ(caret->type(), DRTextMagnifierType::Caret);
  EXPECT_EQ(ranged->type(), DRTextMagnifierType::Ranged);
  EXPECT_TRUE(caret->isKindOfClass(DRTextMagnifierCaret::classObject()));
  EXPECT_TRUE(ranged->isKindOfClass(DRTextMagnifierRanged::classObject()));
  EXPECT_FALSE(DRTextMagnifier::magnifierWithType(2));
  EXPECT_FALSE(DRTextMagnifier::magnifierWithType(-1));
}

TEST(Magnifier, TheAbstractOneCannotBeMade) {
  try {
    (void)rt::make<DRTextMagnifier>(gfx::RectZero);
    FAIL() << "made an abstract magnifier";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), rt::String("DRTextMagnifier"));
    EXPECT_EQ(e.reason(), rt::String("Attempting to instantiate an abstract class. Use a concrete subclass instead."));
  }
}

TEST(Magnifier, SizesAndPartsAreFixed) {
  auto caret = rt::make<DRTextMagnifierCaret>();
  EXPECT_EQ(caret->frame().size, gfx::SizeMake(127, 127));
  EXPECT_EQ(caret->sizeThatFits({1, 1}), gfx::SizeMake(127, 127));
  EXPECT_EQ(caret->sizeThatFits({1000, 3}), gfx::SizeMake(127, 127));
  EXPECT_EQ(caret->snapshotSize(), gfx::SizeMake(94, 94));
  ASSERT_EQ(caret->subviews().size(), 2u);
  EXPECT_EQ(caret->subviews()[0], caret->contentView());
  EXPECT_EQ(caret->subviews()[1], caret->coverView());
  EXPECT_EQ(caret->contentView()->frame(), gfx::RectMake(7, 7, 113, 113));
  EXPECT_DOUBLE_EQ(caret->contentView()->layer()->cornerRadius(), 56.5);
  EXPECT_TRUE(caret->contentView()->clipsToBounds());
  EXPECT_EQ(caret->coverView()->frame(), gfx::RectMake(0, 0, 127, 127));
  EXPECT_EQ(caret->coverView()->image(), DRTextMagnifierCaret::coverImage());
  EXPECT_EQ(caret->layer()->anchorPoint(), gfx::PointMake(0.5, 0.5));

  auto ranged = rt::make<DRTextMagnifierRanged>();
  double p = rangedMagnifierPadding(base::DRMainScreenScale());
  EXPECT_EQ(ranged->bounds().size, gfx::SizeMake(141, 60));
  EXPECT_EQ(ranged->sizeThatFits({0, 0}), gfx::SizeMake(141, 60));
  EXPECT_EQ(ranged->contentView()->frame(), gfx::RectMake(p, p, 141 - 2 * p, 32));
  EXPECT_DOUBLE_EQ(ranged->contentView()->layer()->cornerRadius(), 6);
  EXPECT_TRUE(ranged->contentView()->clipsToBounds());
  EXPECT_EQ(ranged->coverView()->frame(), gfx::RectMake(0, 0, 141, 60));
  EXPECT_EQ(ranged->layer()->anchorPoint(), gfx::PointMake(0.5, 1.2));
  EXPECT_EQ(ranged->snapshotSize(), rangedMagnifierSnapshotSize(base::DRMainScreenScale()));
}

TEST(Magnifier, TheRangedCaptureDependsOnTheScreenScale) {
  EXPECT_DOUBLE_EQ(rangedMagnifierPadding(2), 6.25);
  EXPECT_EQ(rangedMagnifierSnapshotSize(2), gfx::SizeMake(107, 26));
  EXPECT_DOUBLE_EQ(rangedMagnifierPadding(3), 18.5 / 3);
  EXPECT_EQ(rangedMagnifierSnapshotSize(3), gfx::SizeMake(107, 26));
  EXPECT_DOUBLE_EQ(rangedMagnifierPadding(1), 6.5);
  EXPECT_EQ(rangedMagnifierSnapshotSize(1), gfx::SizeMake(106, 26));
}

TEST(Magnifier, ASnapshotFadesInOnlyWhenAsked) {
  // The fade runs on the animation clock: a virtual one, left behind as found.
  fd::RunLoopDriver::useVirtualClock();
  struct Restore {
    ~Restore() { fd::RunLoopDriver::reset(); }
  } restore;
  auto m = rt::make<DRTextMagnifierCaret>();
  gfx::beginImageContextWithOptions({94, 94}, false, 1);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  ASSERT_TRUE(image);
  m->setSnapshot(image);
  EXPECT_EQ(m->snapshot(), image);
  EXPECT_FALSE(m->contentView()->layer()->animationForKey("contents"));
  m->setCaptureFadeAnimation(true);
  m->setSnapshot(nullptr);
  EXPECT_FALSE(m->snapshot());
  auto fade = m->contentView()->layer()->animationForKey("contents");
  ASSERT_TRUE(fade);
  EXPECT_DOUBLE_EQ(fade->duration(), 0.1);
  EXPECT_TRUE(fade->isKindOfClass(ui::BasicAnimation::classObject()));
}

TEST(Magnifier, CoversAreDrawnOnceWithAClearMiddle) {
  auto caret = DRTextMagnifierCaret::coverImage();
  ASSERT_TRUE(caret);
  EXPECT_EQ(caret, DRTextMagnifierCaret::coverImage());
  EXPECT_EQ(caret->size(), gfx::SizeMake(127, 127));
  EXPECT_DOUBLE_EQ(caret->scale(), base::DRMainScreenScale());
  // The loupe's glass lets the capture through; its rim does not.
  EXPECT_LT(alphaAt(*caret, 63.5, 63.5), 20u);
  EXPECT_GT(alphaAt(*caret, 7.2, 63.5), 100u);
  EXPECT_EQ(alphaAt(*caret, 0.5, 0.5), 0u);

  auto ranged = DRTextMagnifierRanged::coverImage();
  ASSERT_TRUE(ranged);
  EXPECT_EQ(ranged, DRTextMagnifierRanged::coverImage());
  EXPECT_EQ(ranged->size(), gfx::SizeMake(141, 60));
  EXPECT_LT(alphaAt(*ranged, 70.5, 20), 30u);
  // The pointer below the body is filled.
  EXPECT_GT(alphaAt(*ranged, 70.5, 44), 200u);
  EXPECT_EQ(alphaAt(*ranged, 10, 58), 0u);
  // Drawn at another scale, the picture keeps its size.
  EXPECT_EQ(drawRangedMagnifierCover(3)->size(), gfx::SizeMake(141, 60));
}

}  // namespace
