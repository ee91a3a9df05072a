#include <cstdio>
#include <cstdlib>

#include "image/web/WIWebImageManager.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageData.h"
#include "platform/foundation/threads/Thread.h"
#include "tests/image/ImageTestFixture.h"
#include "tests/image/ProgressiveJpeg.h"

namespace imagetest {
namespace {

using namespace image;

uint32_t alphaAt(const Ref<gfx::Image>& image, size_t x, size_t y) { return image->CGImage()->pixel(x, y) >> 24; }

class WIProgressiveDownloadTest : public ImagePipelineTest {};

TEST_F(WIProgressiveDownloadTest, PartialImagesHaveTheFullSizeWithTheReceivedRowsAtTheTop) {
  auto baseline = sampleBytes("banner/partial.jpg");
  struct Case {
    const char* path;
    std::string body;
    int width, height;
    bool rowsFromTheTop;
  };
  std::vector<Case> cases = {{"/baseline.jpg", std::string(baseline.begin(), baseline.end()), 750, 400, true},
                             {"/progressive.jpg", progressiveJPEG(640, 480), 640, 480, false}};
  auto manager = makeManager(makeCache("progressive"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    testsupport::Reply reply;
    reply.contentType = "image/jpeg";
    reply.body = c.body;
    reply.chunkSize = c.body.size() / 5 + 1;
    reply.delayBetweenChunks = 0.15;
    scripted().route(c.path, reply);
    int calls = 0;
    bool onMain = true;
    std::vector<Ref<gfx::Image>> partials;
    Ref<gfx::Image> final;
    manager->downloadImageWithURL(fd::URL::URLWithString(scripted().url(c.path)), WIManagerProgressive, nullptr,
                                  [&](Ref<gfx::Image> image, Ref<fd::Error>, WICacheType, bool finished, Ref<fd::URL>) {
                                    onMain = onMain && fd::Thread::isMainThread();
                                    if (finished) {
                                      ++calls;
                                      final = image;
                                    } else if (image) {
                                      partials.push_back(image);
                                    }
                                  });
    ASSERT_TRUE(pump([&] { return calls > 0; }));
    EXPECT_TRUE(onMain);
    ASSERT_TRUE(final);
    EXPECT_EQ(final->pixelSize().width, c.width);
    ASSERT_FALSE(partials.empty());
    bool topOnly = false;
    for (const auto& p : partials) {
      EXPECT_EQ(p->pixelSize().width, c.width);
      EXPECT_EQ(p->pixelSize().height, c.height);
      EXPECT_EQ(p->scale(), 1);
      if (alphaAt(p, 2, 2) == 0xFF && alphaAt(p, 2, size_t(c.height) - 2) == 0) topOnly = true;
    }
    if (c.rowsFromTheTop) {
      EXPECT_TRUE(topOnly) << "no partial image shows its received rows at the top";
    }
    if (const char* dir = std::getenv("KD_ARTIFACT_DIR")) {
      auto png = gfx::UIImagePNGRepresentation(partials.front());
      std::FILE* f = std::fopen((std::string(dir) + "/wi-partial" + std::string(c.path).substr(1) + ".png").c_str(), "wb");
      if (f && png) std::fwrite(png->bytes(), 1, png->length(), f);
      if (f) std::fclose(f);
    }
  }
}

}  // namespace
}  // namespace imagetest
