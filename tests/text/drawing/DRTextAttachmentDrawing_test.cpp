// Attachments: images drawn into the context, views and layers framed and added to the host,
// each only where its target is given, and removed again.
#include <gtest/gtest.h>

#include "base/graphics/Image+DUDer.h"
#include "platform/foundation/text/StringObject.h"
#include "tests/text/drawing/DrawingSupport.h"
#include "text/drawing/DRTextDrawingGeometry.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextAttribute.h"

using namespace text;
using namespace drawing_test;

namespace {

struct Hosted {
  Ref<ui::View> view = rt::make<ui::View>(gfx::RectMake(0, 0, 40, 20));
  Ref<ui::Layer> layer = ui::Layer::layer();
  Ref<gfx::Image> image = base::imageWithColor(gfx::Color::blueColor(), {10, 10});
  Ref<DRTextLayout> layout;

  Hosted() {
    layer->setFrame(gfx::RectMake(0, 0, 12, 12));
    auto s = styled("View ");
    s->appendAttributedString(*attachmentStringWithContent(view, 0, 40, 16, 4));
    s->appendAttributedString(*styled(" layer "));
    s->appendAttributedString(*attachmentStringWithContent(layer, 0, 12, 12, 0));
    s->appendAttributedString(*styled(" image "));
    s->appendAttributedString(*attachmentStringWithContent(image, 0, 10, 10, 0));
    s->appendAttributedString(*styled(" text "));
    s->appendAttributedString(*attachmentStringWithContent(fd::StringObject::create(rt::String("no")), 0, 10, 10, 0));
    // The view's box loses its insets before fitting.
    rt::as<DRTextAttachment>(s->attributeAtIndex(rt::String(DRTextAttachmentKey), 5))->setContentInsets({1, 2, 3, 4});
    layout = layoutOf(s);
  }

  gfx::Rect expectedFrame(size_t i, gfx::Point point) const {
    const auto& a = layout->attachments()[i];
    gfx::Rect box = DRTextRectRemovingInsets(layout->attachmentRects()[i], a->contentInsets(), false);
    return gfx::RectOffset(DRTextPixelRoundRect(box, 2), point.x, point.y);
  }
};


}  // namespace

TEST(DRTextAttachmentDrawing, WithoutAContextViewsAndLayersAreFramedAndAdded) {
  Hosted h;
  ASSERT_TRUE(h.layout);
  ASSERT_EQ(h.layout->attachments().size(), 4u);
  auto host = rt::make<ui::View>(gfx::RectMake(0, 0, 300, 200));
  auto hostLayer = ui::Layer::layer();
  const gfx::Point point{10, 20};
  drawInContext(*h.layout, nullptr, {300, 200}, point, host, hostLayer, nullptr, nullptr);
  EXPECT_EQ(h.view->superview(), host);
  EXPECT_EQ(h.layer->superlayer(), hostLayer);
  expectRect(h.view->frame(), h.expectedFrame(0, point));
  expectRect(h.layer->frame(), h.expectedFrame(1, point));
  // The insets came off the view's box: 2 left, 4 right, 1 top, 3 bottom.
  const gfx::Rect run = h.layout->attachmentRects()[0];
  EXPECT_NEAR(h.view->frame().size.width, run.size.width - 6, 0.5);
  EXPECT_NEAR(h.view->frame().size.height, run.size.height - 4, 0.5);

  removeAttachmentFromViewAndLayer(*h.layout);
  EXPECT_FALSE(h.view->superview());
  EXPECT_FALSE(h.layer->superlayer());
}

TEST(DRTextAttachmentDrawing, EachContentNeedsItsOwnTarget) {
  Hosted h;
  auto host = rt::make<ui::View>(gfx::RectMake(0, 0, 300, 200));
  auto ctx = gfx::RecordingContext::create({300, 200}, 2);
  // A context and no host: only the image is drawn, and the string never.
  drawInContext(*h.layout, ctx.get(), {300, 200}, {}, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(ctx->count("drawImage"), 1u);
  EXPECT_FALSE(h.view->superview());
  EXPECT_FALSE(h.layer->superlayer());
  const size_t at = find(*ctx, "drawImage", 2, h.expectedFrame(2, {}).size.width);
  ASSERT_NE(at, std::string::npos);
  const gfx::Rect e = h.expectedFrame(2, {});
  EXPECT_DOUBLE_EQ(ctx->commands()[at].args[0], e.origin.x);
  EXPECT_DOUBLE_EQ(ctx->commands()[at].args[1], e.origin.y);
  // The image is drawn upright: flipped about its own middle first.
  EXPECT_NE(find(*ctx, "translateCTM", 1, 2 * e.origin.y + e.size.height), std::string::npos);

  addAttachmentToView(*h.layout, host, nullptr);
  EXPECT_EQ(h.view->superview(), host);
  EXPECT_FALSE(h.layer->superlayer());
  removeAttachmentFromViewAndLayer(*h.layout);
}

TEST(DRTextAttachmentDrawing, CancelFromTheStartAddsNothing) {
  Hosted h;
  auto host = rt::make<ui::View>(gfx::RectMake(0, 0, 300, 200));
  auto hostLayer = ui::Layer::layer();
  auto ctx = gfx::RecordingContext::create({300, 200}, 2);
  drawInContext(*h.layout, ctx.get(), {300, 200}, {}, host, hostLayer, nullptr, [] { return true; });
  EXPECT_TRUE(ctx->commands().empty());
  EXPECT_FALSE(h.view->superview());
  EXPECT_FALSE(h.layer->superlayer());
}
