// The container view of a text view: redraws only for a new layout or a look that changed,
// places text by vertical alignment, keeps its attachments across redraws that do not change
// the layout, fades redraws, and hands editing questions and unknown messages to its host.
#include "textview/container/DRTextContainerView.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/ui/View+DUDer.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageData.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/runtime/Class.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/Transaction.h"
#include "text/model/AttributedString+DRText.h"
#include "textview/container/DRTextContainerGeometry.h"

using namespace textview;

namespace {

// Counts its drawings.
class CountingContainerView : public DRTextContainerView {
 public:
  int drawings = 0;
  void drawRect(gfx::Rect rect) override {
    ++drawings;
    DRTextContainerView::drawRect(rect);
  }
  // One display pass, as the next frame would run it.
  void displayNow() { layer()->displayIfNeeded(); }
};

// A host that can copy and answers one message of its own.
class EditingHost : public ui::View {
  RT_CLASS(EditingHost, ui::View)
 public:
  int shouted = 0;
  bool canPerformAction(rt::Selector action, const rt::Id&) const override {
    return action == rt::Selector::named("copy:");
  }
  void shout() { ++shouted; }
};
RT_IMPLEMENT(EditingHost) { c.method("shout", &EditingHost::shout); }

Ref<text::DRTextLayout> layoutOf(const std::string& s, gfx::Size size = {200, 100}) {
  return text::DRTextLayout::layoutWithContainerSize(size, typeset::AttributedString::create(rt::String(s)));
}

Ref<text::DRTextLayout> largeLayoutOf(const std::string& s) {
  auto text = typeset::MutableAttributedString::create(rt::String(s));
  text->addAttribute(typeset::FontAttributeName, typeset::Font::boldSystemFontOfSize(24), {0, text->length()});
  return text::DRTextLayout::layoutWithContainerSize({200, 100}, text);
}

// The first and last rows (points) holding dark ink, -1 when there is none.
std::pair<double, double> inkRows(const gfx::Image& image) {
  const auto& bitmap = image.CGImage();
  double first = -1, last = -1;
  for (size_t y = 0; y < bitmap->height(); ++y) {
    for (size_t x = 0; x < bitmap->width(); ++x) {
      uint32_t p = bitmap->pixel(x, y);
      if ((p >> 24) > 128 && ((p >> 16) & 255) < 100) {
        if (first < 0) first = static_cast<double>(y) / image.scale();
        last = static_cast<double>(y + 1) / image.scale();
        break;
      }
    }
  }
  return {first, last};
}

class ContainerViewTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    ui::Transaction::flush();
    fd::RunLoopDriver::reset();
  }
  Ref<CountingContainerView> view = rt::make<CountingContainerView>(gfx::RectMake(0, 0, 200, 100));
};

TEST(ContainerGeometry, OffsetsByAlignment) {
  struct Case {
    int64_t alignment;
    bool vertical;
    gfx::Point offset;
  } cases[] = {
      {0, false, {0, 0}},   {1, false, {0, 30}}, {2, false, {0, 60}},
      {0, true, {0, 0}},    {1, true, {-60, 0}}, {2, true, {-120, 0}},
      {7, false, {0, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(textDrawingOffset(c.alignment, c.vertical, {200, 100}, {80, 40}), c.offset) << c.alignment;
}

TEST_F(ContainerViewTest, StartsClearWithNothingPlaced) {
  EXPECT_TRUE(rt::equalObjects(view->backgroundColor().get(), gfx::Color::clearColor().get()));
  EXPECT_TRUE(view->attachmentViews().empty());
  EXPECT_TRUE(view->attachmentLayers().empty());
  EXPECT_TRUE(view->canBecomeFirstResponder());
}

TEST_F(ContainerViewTest, OnlyANewLayoutOrAChangedLookRedraws) {
  auto layout = layoutOf("Kestrel District");
  ASSERT_TRUE(layout);
  view->setLayout(layout);
  view->displayNow();
  EXPECT_EQ(view->drawings, 1);
  view->setLayout(layout);
  view->displayNow();
  EXPECT_EQ(view->drawings, 1);
  view->setTextVerticalAlignment(0);
  view->displayNow();
  EXPECT_EQ(view->drawings, 1);
  view->setTextVerticalAlignment(1);
  view->displayNow();
  EXPECT_EQ(view->drawings, 2);
  view->setLayout(layoutOf("Kestrel District"));
  view->displayNow();
  EXPECT_EQ(view->drawings, 3);
}

TEST_F(ContainerViewTest, CentredTextSitsInTheMiddle) {
  auto layout = layoutOf("one line");
  ASSERT_TRUE(layout);
  view->setLayout(layout);
  view->setTextVerticalAlignment(1);
  double h = layout->textBoundingSize().height;
  ASSERT_GT(h, 0);
  EXPECT_DOUBLE_EQ(view->textOffset().y, (100 - h) / 2);
  view->setTextVerticalAlignment(2);
  EXPECT_DOUBLE_EQ(view->textOffset().y, 100 - h);
  EXPECT_DOUBLE_EQ(view->textOffset().x, 0);
}

TEST_F(ContainerViewTest, DrawsTheLayoutWhereTheAlignmentPutsIt) {
  auto layout = largeLayoutOf("Kestrel");
  ASSERT_TRUE(layout);
  view->setLayout(layout);
  auto top = base::snapshotImageAfterScreenUpdates(*view, true);
  ASSERT_TRUE(top);
  auto [topFirst, topLast] = inkRows(*top);
  ASSERT_GE(topFirst, 0) << "nothing drawn";
  EXPECT_LT(topLast, layout->textBoundingSize().height + 1);

  view->setTextVerticalAlignment(1);
  auto centred = base::snapshotImageAfterScreenUpdates(*view, true);
  auto [midFirst, midLast] = inkRows(*centred);
  double shift = (100 - layout->textBoundingSize().height) / 2;
  EXPECT_NEAR(midFirst - topFirst, shift, 1);
  EXPECT_NEAR(midLast - topLast, shift, 1);

  view->setTextVerticalAlignment(2);
  auto bottom = base::snapshotImageAfterScreenUpdates(*view, true);
  EXPECT_NEAR(inkRows(*bottom).first - topFirst, 2 * shift, 1);

  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    std::filesystem::create_directories(artifacts);
    auto png = gfx::UIImagePNGRepresentation(centred);
    ASSERT_TRUE(png);
    std::ofstream out(std::filesystem::path(artifacts) / "container_view_centred.png", std::ios::binary);
    out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
  }
}

TEST_F(ContainerViewTest, AttachmentsAreRecordedPerLayoutAndKeptForLookChanges) {
  auto badge = rt::make<ui::View>(gfx::RectMake(0, 0, 20, 20));
  auto mark = rt::make<ui::Layer>();
  auto text = typeset::MutableAttributedString::create(rt::String("A "));
  text->appendAttributedString(*text::attachmentStringWithContent(badge, 0, 20, 16, 4));
  text->appendAttributedString(*text::attachmentStringWithContent(mark, 0, 10, 10, 0));
  auto layout = text::DRTextLayout::layoutWithContainerSize({200, 100}, text);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->attachments().size(), 2u);
  view->setLayout(layout);
  view->displayNow();
  ASSERT_EQ(view->attachmentViews().size(), 1u);
  EXPECT_EQ(view->attachmentViews()[0], badge);
  ASSERT_EQ(view->attachmentLayers().size(), 1u);
  EXPECT_EQ(view->attachmentLayers()[0], mark);
  // Placed on this view by the drawing.
  EXPECT_EQ(badge->superview(), view);
  EXPECT_EQ(mark->superlayer(), view->layer());

  // Only the debug overlay changes: drawn again, the same attachments kept.
  auto debug = rt::make<text::DRTextDebugOption>();
  debug->setBaselineColor(gfx::Color::colorWithRed(1, 0, 0, 1));
  view->setDebugOption(debug);
  EXPECT_NE(view->debugOption(), debug);  // a copy
  view->displayNow();
  EXPECT_EQ(view->drawings, 2);
  EXPECT_EQ(view->attachmentViews().size(), 1u);
  // The same overlay again is no change.
  view->setDebugOption(debug);
  view->displayNow();
  EXPECT_EQ(view->drawings, 2);

  EXPECT_EQ(badge->superview(), view);

  // A layout without attachments lets them go.
  view->setLayout(layoutOf("plain"));
  view->displayNow();
  EXPECT_TRUE(view->attachmentViews().empty());
  EXPECT_TRUE(view->attachmentLayers().empty());
  EXPECT_FALSE(badge->superview());
  EXPECT_FALSE(mark->superlayer());
}

TEST_F(ContainerViewTest, RedrawsCrossFadeWhenAsked) {
  view->setLayout(layoutOf("fade"), 0.3);
  EXPECT_DOUBLE_EQ(view->contentsFadeDuration(), 0.3);
  view->displayNow();
  auto fade = rt::as<ui::Transition>(view->layer()->animationForKey("contents"));
  ASSERT_TRUE(fade);
  EXPECT_EQ(fade->type(), ui::kCATransitionFade);
  EXPECT_DOUBLE_EQ(fade->duration(), 0.3);
  view->setContentsFadeDuration(0);
  EXPECT_FALSE(view->layer()->animationForKey("contents"));
  view->setLayout(layoutOf("no fade"));
  view->displayNow();
  EXPECT_FALSE(view->layer()->animationForKey("contents"));
}

TEST_F(ContainerViewTest, EditingQuestionsAndUnknownMessagesGoToTheHost) {
  EXPECT_FALSE(view->canPerformAction(rt::Selector::named("copy:"), nullptr));
  auto host = rt::make<EditingHost>(gfx::RectMake(0, 0, 200, 100));
  view->setHostView(host);
  EXPECT_TRUE(view->canPerformAction(rt::Selector::named("copy:"), nullptr));
  EXPECT_FALSE(view->canPerformAction(rt::Selector::named("paste:"), nullptr));
  EXPECT_TRUE(view->respondsToSelector("shout"));
  view->performSelector(rt::Selector::named("shout"));
  EXPECT_EQ(host->shouted, 1);
  host.reset();
  EXPECT_FALSE(view->respondsToSelector("shout"));
}

}  // namespace
