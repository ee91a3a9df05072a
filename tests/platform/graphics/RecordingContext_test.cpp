#include <gtest/gtest.h>

#include "platform/graphics/BezierPath.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/RecordingContext.h"
#include "tests/platform/graphics/DrawingSupport.h"

using namespace gfx;

TEST(RecordingContext, LogsStateChangesAndPaintCallsInOrder) {
  auto ctx = RecordingContext::create({10, 10});
  ASSERT_TRUE(ctx);
  ctx->saveGState();
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(RectMake(1, 2, 3, 4));
  ctx->setBlendMode(BlendMode::SourceAtop);
  ctx->strokeRectWithWidth(RectMake(0, 0, 5, 5), 2);
  ctx->restoreGState();
  std::vector<std::string> expected{"saveGState", "setFillColor", "fillRect", "setBlendMode", "strokeRectWithWidth",
                                    "restoreGState"};
  EXPECT_EQ(ctx->names(), expected);
  EXPECT_EQ(ctx->commands()[2].text(), "fillRect 1 2 3 4");
  EXPECT_EQ(ctx->commands()[3].args, std::vector<double>{20});
  // It draws for real as well.
  EXPECT_PIXEL(ctx->pixelAt(2, 3), (Argb{255, 255, 0, 0}));
}

TEST(RecordingContext, CapturesDrawingThroughTheContextStack) {
  auto ctx = RecordingContext::create({20, 20}, 2);
  pushContext(ctx);
  auto path = BezierPath::bezierPathWithRoundedRect(RectMake(0, 0, 20, 20), 4);
  path->setLineWidth(3);
  path->stroke();
  path->addClip();
  popContext();
  EXPECT_EQ(ctx->count("strokePath"), 1u);
  EXPECT_EQ(ctx->count("clip"), 1u);
  EXPECT_EQ(ctx->count("setLineWidth"), 1u);
  EXPECT_EQ(ctx->count("saveGState"), ctx->count("restoreGState"));
  ctx->clearCommands();
  EXPECT_TRUE(ctx->commands().empty());
  EXPECT_FALSE(RecordingContext::create({0, 5}));
}
