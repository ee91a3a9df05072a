#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <future>

#include "image/web2/AnnotationView+DRWebImage.h"
#include "image/web2/Button+DRWebImage.h"
#include "image/codec/Image+DRImageCoder.h"
#include "image/web2/DRWebImageSetterDicForButton.h"
#include "image/web2/ImageView+DRWebImage.h"
#include "image/web2/Layer+DRWebImage.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Data.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/maps/AnnotationView.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "tests/image/web2/DRWebImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;
using From = DRWebImageFrom;
using Stage = DRWebImageStage;

Ref<gfx::Image> solid(double w, double h) {
  auto bitmap = gfx::BitmapImage::createNative(size_t(w), size_t(h), true);
  return gfx::Image::imageWithCGImage(bitmap, 1);
}

class DRWebImageBindingTest : public DRWebImageTest {};

TEST_F(DRWebImageBindingTest, SetterAdmitsOneOperationPerSentinelAndReportsOvertakenRequests) {
  auto setter = rt::make<DRWebImageSetter>();
  EXPECT_EQ(setter->cancelWithNewURL(pictureURL("thumb/s1.png")), 1);
  auto manager = makeDRManager(nullptr);
  std::vector<DRReport> reports;
  // Overtaken before its set-up: cancelled, no operation.
  const int32_t stale = setter->sentinel();
  setter->cancel();
  EXPECT_FALSE(setter->imageURL());
  setter->setOperationWithSentinel(stale, pictureURL("thumb/s1.png"), 0, manager, nullptr, nullptr, collect(reports));
  fd::RunLoopDriver::runUntilIdle();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].stage, Stage::Cancelled);
  EXPECT_EQ(reports[0].from, From::None);
  EXPECT_FALSE(setter->operation());
  // No operation could be made (no URL): the error report, and the setter holds none.
  reports.clear();
  const int32_t current = setter->cancelWithNewURL(nullptr);
  setter->setOperationWithSentinel(current, nullptr, 0, manager, nullptr, nullptr, collect(reports));
  fd::RunLoopDriver::runUntilIdle();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].stage, Stage::Finished);
  ASSERT_TRUE(reports[0].error);
  EXPECT_EQ(reports[0].error->domain(), fd::String(DRWebImageErrorDomain));
  EXPECT_EQ(reports[0].error->code(), -1);
  // A second set-up with the same value is rejected.
  setter->setOperationWithSentinel(current, nullptr, 0, manager, nullptr, nullptr, collect(reports));
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(reports.back().stage, Stage::Cancelled);

  auto dic = rt::make<DRWebImageSetterDicForButton>();
  EXPECT_FALSE(dic->setterForState(4));
  EXPECT_EQ(dic->lazySetterForState(4), dic->lazySetterForState(4));
}

TEST_F(DRWebImageBindingTest, MemoryHitIsShownInTheSamePassAndOtherwiseThePlaceholderWaits) {
  auto cache = makeDRCache("binding");
  auto manager = makeDRManager(cache);
  auto url = pictureURL("thumb/bind-hit.png");
  auto cached = imageByDecoded(solid(20, 10));
  cache->setImage(cached, fd::String(url->absoluteString()));
  auto view = rt::make<ui::ImageView>(gfx::Rect{{0, 0}, {200, 150}});
  auto placeholder = solid(5, 5);
  struct Case {
    DRWebImageOptions options;
    bool shownAtOnce;
  };
  for (const Case& c : {Case{0, true}, Case{DRWebImageOptionManualSet, false}}) {
    view->setImage(nullptr);
    std::vector<DRReport> reports;
    dr_setImageWithURL(view, url, placeholder, c.options, manager, nullptr, nullptr, collect(reports));
    ASSERT_EQ(reports.size(), 1u);  // inside the call
    EXPECT_EQ(reports[0].from, From::MemoryCacheFast);
    EXPECT_EQ(reports[0].image, cached);
    EXPECT_EQ(view->image() == cached, c.shownAtOnce);
    EXPECT_NE(view->image(), placeholder);
  }
  // Skipping the cache: the placeholder shows, then the download replaces it.
  std::vector<DRReport> reports;
  dr_setImageWithURL(view, url, placeholder, DRWebImageOptionReloadCache, manager, nullptr, nullptr, collect(reports));
  EXPECT_EQ(view->image(), placeholder);
  EXPECT_EQ(dr_imageURL(view)->absoluteString(), url->absoluteString());
  ASSERT_TRUE(pump([&] { return hasFinal(reports); }));
  EXPECT_EQ(reports.back().from, From::Remote);
  EXPECT_EQ(view->image(), reports.back().image);
  EXPECT_EQ(view->image()->CGImage()->width(), 200u);
  // No URL: the placeholder, no completion, the URL cleared.
  reports.clear();
  dr_setImageWithURL(view, fd::String("not a url at all ::"), placeholder, 0,  collect(reports));
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(view->image(), placeholder);
  EXPECT_FALSE(dr_imageURL(view));
}

TEST_F(DRWebImageBindingTest, ANewerRequestOnTheSameViewWinsAndTheOlderHearsCancelled) {
  auto manager = makeDRManager(makeDRCache("race"));
  testsupport::Reply slow;
  auto bytes = sampleBytes("banner/race-old.jpg");
  slow.contentType = "image/jpeg";
  slow.body.assign(bytes.begin(), bytes.end());
  // Held until the test lets it go: the older request is still waiting for its answer when
  // the newer one comes, however slowly this test runs.
  slow.delayBeforeHeaders = 120;
  scripted().route("/old.jpg", slow);
  auto view = rt::make<ui::ImageView>(gfx::Rect{{0, 0}, {200, 150}});
  std::vector<DRReport> older, newer, quick;
  // Two requests in one pass: the first never reaches the manager. The setter queue runs on a
  // thread of its own, and would set up the first request (which might even finish) if this
  // thread were held up between the calls: it waits here until both are made.
  std::promise<void> bothMade;
  DRWebImageSetter::setterQueue()->async([made = bothMade.get_future().share()] { made.wait(); });
  dr_setImageWithURL(view, pictureURL("thumb/race-quick.png"), nullptr, 0, manager, nullptr, nullptr, collect(quick));
  dr_setImageWithURL(view, fd::URL::URLWithString(scripted().url("/old.jpg")), nullptr, 0, manager, nullptr, nullptr,
                     collect(older));
  bothMade.set_value();
  ASSERT_TRUE(pump([&] { return hasFinal(quick); }));
  ASSERT_EQ(quick.size(), 1u);
  EXPECT_EQ(quick[0].stage, Stage::Cancelled);
  EXPECT_EQ(quick[0].from, From::None);
  EXPECT_EQ(quick[0].url->absoluteString(), pictureURL("thumb/race-quick.png")->absoluteString());
  // The slow one is under way (the server has its request) when the newer request replaces it.
  ASSERT_TRUE(scripted().waitForRequests(1, 20));
  dr_setImageWithURL(view, pictureURL("thumb/race-new.png"), nullptr, 0, manager, nullptr, nullptr, collect(newer));
  ASSERT_TRUE(pump([&] { return hasFinal(newer) && hasFinal(older); }));
  EXPECT_EQ(older.back().stage, Stage::Cancelled);
  ASSERT_TRUE(newer.back().image);
  EXPECT_EQ(view->image(), newer.back().image);
  // The older answer goes out now, and the server is stopped once it has gone: it changes
  // nothing.
  const size_t olderReports = older.size();
  scripted_.reset();
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(older.size(), olderReports);
  EXPECT_EQ(view->image(), newer.back().image);
  EXPECT_EQ(view->image()->CGImage()->width(), 200u);
}

TEST_F(DRWebImageBindingTest, ButtonsServeEachSingleStateAndLayersFade) {
  auto manager = makeDRManager(makeDRCache("members"));
  auto button = rt::make<ui::Button>(gfx::Rect{{0, 0}, {100, 40}});
  struct Case {
    uint64_t state;
    std::vector<uint64_t> singles;
  };
  for (const Case& c : {Case{0x5, {1, 4}}, Case{0, {0}}, Case{0x10000, {0}}, Case{0x8, {}}, Case{0x7, {1, 2, 4}}})
    EXPECT_EQ(DRWebImageSingleStates(c.state), c.singles) << c.state;
  std::vector<DRReport> reports;
  dr_setImageWithURL(button, pictureURL("thumb/btn.png"), 0x5, nullptr, 0, manager, nullptr, nullptr, collect(reports));
  EXPECT_EQ(dr_imageURLForState(button, 0x5)->absoluteString(), pictureURL("thumb/btn.png")->absoluteString());
  EXPECT_FALSE(dr_imageURLForState(button, 0));
  ASSERT_TRUE(pump([&] { return reports.size() == 2; }));
  EXPECT_TRUE(button->imageForState(1));
  EXPECT_TRUE(button->imageForState(4));
  EXPECT_FALSE(button->imageForState(0));
  dr_cancelBackgroundImageRequestForState(button, 0x1);  // makes nothing
  EXPECT_FALSE(dr_backgroundImageURLForState(button, 0x1));

  auto layer = ui::Layer::layer();
  reports.clear();
  dr_setImageWithURL(layer, pictureURL("thumb/layer.png"), nullptr, DRWebImageOptionFadeIn, manager, nullptr, nullptr,
                     collect(reports));
  ASSERT_TRUE(pump([&] { return hasFinal(reports); }));
  ASSERT_TRUE(reports.back().image);
  EXPECT_EQ(layer->contents(), rt::Id(reports.back().image->CGImage()));
  auto fade = rt::as<ui::Transition>(layer->animationForKey(kDRWebImageFadeKey));
  ASSERT_TRUE(fade);
  EXPECT_EQ(fade->duration(), 0.2);

  auto annotation = rt::make<ui::AnnotationView>(gfx::Rect{{0, 0}, {10, 10}});
  annotation->setHighlighted(true);
  reports.clear();
  dr_setImageWithURL(annotation, pictureURL("thumb/pin.png"), nullptr, DRWebImageOptionFadeIn, manager, nullptr,
                     nullptr, collect(reports));
  ASSERT_TRUE(pump([&] { return hasFinal(reports); }));
  EXPECT_EQ(annotation->image(), reports.back().image);
  EXPECT_FALSE(annotation->layer()->animationForKey(kDRWebImageFadeKey));  // highlighted: no fade
}

TEST_F(DRWebImageBindingTest, PicturesRenderWhereTheViewsStand) {
  auto manager = makeDRManager(makeDRCache("render"));
  auto window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window->makeKeyAndVisible();
  const char* pictures[] = {"thumb/dr-cell0.jpg", "thumb/dr-cell1.png", "thumb/dr-cell2.gif"};
  std::vector<Ref<ui::ImageView>> cells;
  int loaded = 0;
  for (int i = 0; i < 3; ++i) {
    auto cell = rt::make<ui::ImageView>(gfx::Rect{{10, 10 + 160.0 * i}, {200, 150}});
    window->addSubview(cell);
    dr_setImageWithURL(cell, pictureURL(pictures[i]), nullptr, 0, manager, nullptr, nullptr,
                       [&](const Ref<gfx::Image>&, const Ref<fd::URL>&, From, Stage stage, const Ref<fd::Error>&) {
                         loaded += stage == Stage::Finished;
                       });
    cells.push_back(cell);
  }
  ASSERT_TRUE(pump([&] { return loaded == 3; }));
  ui::Transaction::flush();
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("dr_render_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path file = dir / "dr-cells.png";
  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([&] { return std::vector<Ref<ui::Window>>{window}; });
  std::string error;
  ASSERT_TRUE(host.shoot(file.string(), &error)) << error;
  if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
    fs::create_directories(artifacts);
    fs::copy_file(file, fs::path(artifacts) / file.filename(), fs::copy_options::overwrite_existing);
  }
  auto shot = gfx::Image::imageWithContentsOfFile(rt::String(file.string().c_str()));
  ASSERT_TRUE(shot && shot->CGImage());
  const double scale = ui::Screen::mainScreen()->scale();
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(pictures[i]);
    ASSERT_TRUE(cells[i]->image());
    const auto& bitmap = cells[i]->image()->CGImage();
    // The cell shows the whole picture: average colours over a grid agree (edges blur when
    // the picture is scaled, so single pixels would not).
    double shownSum[3] = {0, 0, 0}, sourceSum[3] = {0, 0, 0};
    for (int gx = 0; gx < 10; ++gx) {
      for (int gy = 0; gy < 10; ++gy) {
        const double x = 10 + 20.0 * gx, y = 7.5 + 15.0 * gy;
        uint32_t shown = shot->CGImage()->pixel(size_t((10 + x) * scale), size_t((10 + 160.0 * i + y) * scale));
        uint32_t source = bitmap->pixel(size_t(x * bitmap->width() / 200), size_t(y * bitmap->height() / 150));
        for (int c = 0; c < 3; ++c) {
          shownSum[c] += (shown >> (8 * c)) & 0xFF;
          sourceSum[c] += (source >> (8 * c)) & 0xFF;
        }
      }
    }
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(shownSum[c] / 100, sourceSum[c] / 100, 8) << c;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace imagetest
