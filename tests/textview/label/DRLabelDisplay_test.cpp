// The label's display task: where the layout is built (inside the drawing, from copies), how
// it comes back to the label, and what the layer shows afterwards.
#include <gtest/gtest.h>

#include "platform/ui/layer/Animation.h"
#include "text/model/AttributedString+DRText.h"
#include "tests/textview/label/LabelSupport.h"

using namespace textview;
using label_test::CountingModifier;
using label_test::latin;
using label_test::makeLabel;

namespace {

struct Fixture {
  Ref<DRLabel> label = makeLabel(gfx::RectMake(0, 0, 200, 40));
  Ref<CountingModifier> counter = rt::make<CountingModifier>();
  Fixture() {
    label->setFont(latin(16));
    label->setLinePositionModifier(counter);
    label->setText("Display me");
  }
  ~Fixture() { fd::RunLoopDriver::reset(); }
  int builds() const { return counter->counts->builds.load(); }
  bool waitForContents() {
    return fd::RunLoopDriver::runUntil([&] { return label->layer()->contents() != nullptr; }, 10);
  }
};

}  // namespace

TEST(DRLabelDisplay, SynchronousDisplayBuildsTheLayoutOnceAndHandsItBack) {
  Fixture f;
  EXPECT_EQ(f.builds(), 0) << "setters lay nothing out";
  f.label->layer()->display();
  EXPECT_EQ(f.builds(), 1);
  EXPECT_EQ(f.counter->counts->offMain.load(), 0);
  auto bitmap = label_test::contentsOf(*f.label);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width(), static_cast<size_t>(200 * f.label->layer()->contentsScale()));
  EXPECT_GT(label_test::inkIn(*bitmap, gfx::RectMake(0, 0, 200, 40), f.label->layer()->contentsScale()), 100u);
  // The layout drawn is the label's now: asking for it builds nothing.
  auto layout = f.label->textLayout();
  ASSERT_TRUE(layout);
  EXPECT_EQ(f.builds(), 1);
  EXPECT_EQ(layout->text()->string(), rt::String("Display me"));
  // No fade for a synchronous display.
  EXPECT_FALSE(f.label->layer()->animationForKey(DRLabel::kContentsAnimationKey));
}

TEST(DRLabelDisplay, AsynchronousDisplayBuildsOffTheMainThreadAndFadesIn) {
  Fixture f;
  f.label->setDisplaysAsynchronously(true);
  f.label->layer()->display();
  EXPECT_EQ(f.label->layer()->contents(), nullptr) << "nothing drawn on the main thread";
  ASSERT_TRUE(f.waitForContents());
  EXPECT_EQ(f.builds(), 1);
  EXPECT_EQ(f.counter->counts->offMain.load(), 1);
  auto fade = rt::as<ui::Transition>(f.label->layer()->animationForKey(DRLabel::kContentsAnimationKey));
  ASSERT_TRUE(fade);
  EXPECT_DOUBLE_EQ(fade->duration(), DRLabel::kAsyncFadeDuration);
  EXPECT_EQ(fade->type(), ui::kCATransitionFade);
  EXPECT_TRUE(f.label->textLayout());
  EXPECT_EQ(f.builds(), 1) << "the background layout came back to the label";

  // Without the fade flag nothing is animated.
  f.label->setFadeOnAsynchronouslyDisplay(false);
  f.label->setText("Again");
  f.label->layer()->display();
  ASSERT_TRUE(f.waitForContents());
  EXPECT_FALSE(f.label->layer()->animationForKey(DRLabel::kContentsAnimationKey));
}

TEST(DRLabelDisplay, AsynchronousChangesClearTheContentsFirstWhenAsked) {
  Fixture f;
  f.label->layer()->display();
  ASSERT_TRUE(f.label->layer()->contents());
  f.label->setDisplaysAsynchronously(true);
  f.label->setClearContentsBeforeAsynchronouslyDisplay(false);
  f.label->setText("Kept until redrawn");
  EXPECT_TRUE(f.label->layer()->contents());
  f.label->setClearContentsBeforeAsynchronouslyDisplay(true);
  f.label->setText("Cleared at once");
  EXPECT_EQ(f.label->layer()->contents(), nullptr);
  // A size change clears as well, and lays out again for the new size.
  f.label->layer()->display();
  ASSERT_TRUE(f.waitForContents());
  f.label->setFrame(gfx::RectMake(0, 0, 120, 40));
  EXPECT_EQ(f.label->layer()->contents(), nullptr);
  f.label->layer()->display();
  ASSERT_TRUE(f.waitForContents());
  EXPECT_EQ(f.label->textLayout()->container()->size(), (gfx::Size{120, 40}));
}

TEST(DRLabelDisplay, ALayoutAskedForOnTheMainThreadOvertakesTheDrawing) {
  Fixture f;
  f.label->setDisplaysAsynchronously(true);
  f.label->layer()->display();
  // Asking now builds on the main thread and restarts the drawing: the queued one is stale.
  auto mainLayout = f.label->textLayout();
  ASSERT_TRUE(mainLayout);
  f.label->layer()->display();
  ASSERT_TRUE(f.waitForContents());
  fd::RunLoopDriver::runUntil([] { return false; }, 0.05);
  EXPECT_EQ(f.label->textLayout().get(), mainLayout.get());
}

TEST(DRLabelDisplay, EmptyTextDrawsNothing) {
  Fixture f;
  f.label->layer()->display();
  f.label->setText(rt::String());
  f.label->layer()->display();
  auto bitmap = label_test::contentsOf(*f.label);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(label_test::inkIn(*bitmap, gfx::RectMake(0, 0, 200, 40), bitmap->width() / 200.0), 0u);
  EXPECT_EQ(f.builds(), 1) << "no layout for no text";
}

TEST(DRLabelDisplay, AttachmentViewsArePlacedAfterDrawingAndLeaveWithTheirText) {
  Fixture f;
  auto badge = rt::make<ui::View>(gfx::RectMake(0, 0, 12, 12));
  auto s = typeset::MutableAttributedString::create("Badge ");
  s->addAttribute(typeset::FontAttributeName, latin(16), {0, s->length()});
  s->appendAttributedString(*text::attachmentStringWithContent(badge, 0, gfx::Size{12, 12}, latin(16), 1));
  f.label->setAttributedText(s);
  f.label->layer()->display();
  EXPECT_EQ(badge->superview().get(), f.label.get());
  // Placed where the layout put it.
  auto layout = f.label->textLayout();
  ASSERT_EQ(layout->attachmentRects().size(), 1u);
  EXPECT_EQ(badge->frame().size, (gfx::Size{12, 12}));
  EXPECT_NEAR(badge->frame().origin.x, layout->attachmentRects()[0].origin.x, 0.5);  // on the pixel grid
  // No text at all: the next display draws nothing and takes the view away.
  f.label->setText(rt::String());
  f.label->layer()->display();
  EXPECT_EQ(badge->superview(), nullptr);
  auto bitmap = label_test::contentsOf(*f.label);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(label_test::inkIn(*bitmap, gfx::RectMake(0, 0, 200, 40), f.label->layer()->contentsScale()), 0u);
}
