#include "image/web/Button+WebCache.h"
#include "image/web/ImageView+HighlightedWebCache.h"
#include "image/web/ImageView+WebCache.h"
#include "image/web/View+WebCacheOperation.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Array.h"
#include "tests/image/ImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;

Ref<gfx::Image> placeholderImage() {
  return gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(10, 10, true), 1);
}

class WIViewBindingTest : public ImagePipelineTest {
 protected:
  void SetUp() override {
    ImagePipelineTest::SetUp();
    auto shared = WIWebImageManager::sharedManager();
    shared->setImageCache(makeCache("binding"));
    shared->setImageDownloader(WIWebImageDownloader::create());
  }
  static Ref<ui::ImageView> makeView() { return rt::make<ui::ImageView>(gfx::Rect{{0, 0}, {100, 75}}); }
};

/// A cancellable thing that counts its cancels.
class CountingOperation : public rt::Object, public WIWebImageOperation {
  RT_CLASS(CountingOperation, rt::Object)
 public:
  void init() {}
  void cancel() override { ++cancels; }
  int cancels = 0;
};
RT_IMPLEMENT(CountingOperation) {}

TEST_F(WIViewBindingTest, ThePlaceholderShowsAtOnceThenTheLoadedImageAndTheURLIsKept) {
  auto view = makeView();
  view->setImage(placeholderImage());
  auto url = pictureURL("thumb/bind1.png");
  int calls = 0;
  WICacheType type = WICacheTypeMemory;
  rt::Id reportedURL;
  wi_setImageWithURL(*view, url, nullptr, [&](Ref<gfx::Image> image, Ref<fd::Error>, WICacheType t, rt::Id u) {
    ++calls;
    type = t;
    reportedURL = u;
    EXPECT_TRUE(image);
  });
  EXPECT_FALSE(view->image());  // a nil placeholder clears the view at once
  EXPECT_EQ(wi_imageURL(*view), url);
  ASSERT_TRUE(pump([&] { return calls > 0; }));
  ASSERT_TRUE(view->image());
  EXPECT_EQ(view->image()->pixelSize().width, 200);
  EXPECT_EQ(type, WICacheTypeNone);
  EXPECT_EQ(reportedURL, url);

  // Now cached in memory: a second view gets the image before the call returns.
  auto other = makeView();
  wi_setImageWithURL(*other, fd::StringObject::create(picture("thumb/bind1.png")), placeholderImage());
  ASSERT_TRUE(other->image());
  EXPECT_EQ(other->image()->pixelSize().width, 200);
}

TEST_F(WIViewBindingTest, ANilURLAppliesThePlaceholderAndReportsTheNilURLError) {
  auto view = makeView();
  auto placeholder = placeholderImage();
  wi_setImageWithURL(*view, pictureURL("thumb/before.png"));
  Ref<fd::Error> error;
  bool called = false;
  wi_setImageWithURL(*view, nullptr, placeholder, [&](Ref<gfx::Image> image, Ref<fd::Error> e, WICacheType t, rt::Id u) {
    called = true;
    error = e;
    EXPECT_FALSE(image);
    EXPECT_EQ(t, WICacheTypeNone);
    EXPECT_FALSE(u);
  });
  EXPECT_TRUE(called);
  EXPECT_EQ(view->image(), placeholder);
  EXPECT_FALSE(wi_imageURL(*view));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->domain().utf8(), "WIWebImageErrorDomain");
  EXPECT_EQ(error->code(), -1);
  EXPECT_EQ(error->localizedDescription().utf8(), "Trying to load a nil url");
  // The earlier load was cancelled with the slot: nothing arrives from it.
  fd::RunLoopDriver::runUntil([] { return false; }, 0.5);
  EXPECT_EQ(view->image(), placeholder);
}

TEST_F(WIViewBindingTest, AReusedCellShowsOnlyItsNewPicture) {
  auto& server = scripted();
  testsupport::Reply slow;
  slow.contentType = "image/png";
  auto bytes = sampleBytes("banner/old.png");
  slow.body.assign(bytes.begin(), bytes.end());
  slow.delayBeforeHeaders = 0.3;
  server.route("/old.png", slow);
  auto cell = makeView();
  int oldCalls = 0, newCalls = 0;
  wi_setImageWithURL(*cell, fd::URL::URLWithString(server.url("/old.png")), nullptr,
                     [&](Ref<gfx::Image>, Ref<fd::Error>, WICacheType, rt::Id) { ++oldCalls; });
  wi_setImageWithURL(*cell, pictureURL("thumb/new.png"), nullptr,
                     [&](Ref<gfx::Image>, Ref<fd::Error>, WICacheType, rt::Id) { ++newCalls; });
  ASSERT_TRUE(pump([&] { return newCalls > 0; }));
  fd::RunLoopDriver::runUntil([] { return false; }, 0.6);
  EXPECT_EQ(oldCalls, 0);
  ASSERT_TRUE(cell->image());
  EXPECT_EQ(cell->image()->pixelSize().width, 200);  // the thumb, not the 750-wide banner
}

TEST_F(WIViewBindingTest, PlaceholderOnFailureAndManualImageSetOptions) {
  auto placeholder = placeholderImage();
  auto old = gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(3, 3, true), 1);
  // Bit 9: the old picture stays while loading; a failed load then shows the placeholder.
  auto view = makeView();
  view->setImage(old);
  bool done = false;
  wi_setImageWithURL(*view, pictureURL("thumb/missing.bmp"), placeholder, WIManagerPlaceholderOnFailure,
                     [&](Ref<gfx::Image>, Ref<fd::Error>, WICacheType, rt::Id) { done = true; });
  EXPECT_EQ(view->image(), old);
  ASSERT_TRUE(pump([&] { return done; }));
  EXPECT_EQ(view->image(), placeholder);
  // Bit 11 with a block: the block gets the image, the view keeps what it shows.
  auto manual = makeView();
  Ref<gfx::Image> handed;
  wi_setImageWithURL(*manual, pictureURL("thumb/manual.png"), placeholder, WIManagerManualImageSet,
                     [&](Ref<gfx::Image> image, Ref<fd::Error>, WICacheType, rt::Id) { handed = image; });
  ASSERT_TRUE(pump([&] { return handed != nullptr; }));
  EXPECT_EQ(manual->image(), placeholder);
  // The same from memory, answered before the call returns: the placeholder still shows.
  auto again = makeView();
  handed = nullptr;
  wi_setImageWithURL(*again, pictureURL("thumb/manual.png"), placeholder, WIManagerManualImageSet,
                     [&](Ref<gfx::Image> image, Ref<fd::Error>, WICacheType, rt::Id) { handed = image; });
  EXPECT_TRUE(handed);
  EXPECT_EQ(again->image(), placeholder);
  // Bit 11 without a block: set as usual.
  auto plain = makeView();
  wi_setImageWithURL(*plain, pictureURL("thumb/manual.png"), placeholder, WIManagerManualImageSet);
  EXPECT_NE(plain->image(), placeholder);
}

TEST_F(WIViewBindingTest, ButtonSlotsArePerStateAndKindAndTheCurrentURLFallsBackToNormal) {
  auto button = rt::make<ui::Button>(gfx::Rect{{0, 0}, {60, 40}});
  auto normal = pictureURL("thumb/button-normal.png");
  auto background = pictureURL("poster/button-back.png");
  int images = 0;
  wi_setImageWithURL(*button, normal, ui::ControlStateNormal, placeholderImage(),
                     [&](Ref<gfx::Image>, Ref<fd::Error>, WICacheType, rt::Id) { ++images; });
  wi_setBackgroundImageWithURL(*button, background, ui::ControlStateNormal, nullptr,
                               [&](Ref<gfx::Image>, Ref<fd::Error>, WICacheType, rt::Id) { ++images; });
  ASSERT_TRUE(pump([&] { return images == 2; }));
  ASSERT_TRUE(button->imageForState(ui::ControlStateNormal));
  EXPECT_EQ(button->imageForState(ui::ControlStateNormal)->pixelSize().width, 200);
  ASSERT_TRUE(button->backgroundImageForState(ui::ControlStateNormal));
  EXPECT_EQ(button->backgroundImageForState(ui::ControlStateNormal)->pixelSize().width, 320);
  button->setHighlighted(true);
  EXPECT_EQ(wi_currentImageURL(*button), normal);
  EXPECT_EQ(wi_imageURLForState(*button, ui::ControlStateHighlighted), nullptr);
  wi_setImageWithURL(*button, nullptr, ui::ControlStateNormal);
  EXPECT_EQ(wi_imageURLForState(*button, ui::ControlStateNormal), nullptr);
}

TEST_F(WIViewBindingTest, CancellingASlotCancelsEveryOperationOfAnArrayAndOnlyRemovesOtherObjects) {
  auto view = makeView();
  auto a = rt::make<CountingOperation>(), b = rt::make<CountingOperation>();
  wi_setImageLoadOperation(*view, fd::Array::create({a, b}), "slot");
  wi_setImageLoadOperation(*view, fd::StringObject::create("not an operation"), "other");
  wi_cancelImageLoadOperationWithKey(*view, "slot");
  wi_cancelImageLoadOperationWithKey(*view, "other");
  wi_cancelImageLoadOperationWithKey(*view, "slot");  // empty now: harmless
  EXPECT_EQ(a->cancels, 1);
  EXPECT_EQ(b->cancels, 1);
  EXPECT_EQ(operationDictionary(*view)->count(), 0u);
}

TEST_F(WIViewBindingTest, HighlightedAndAnimationImagesLoadIntoTheirOwnSlots) {
  auto view = makeView();
  bool highlighted = false;
  wi_setHighlightedImageWithURL(*view, pictureURL("thumb/hl.png"),
                                [&](Ref<gfx::Image>, Ref<fd::Error>, WICacheType, rt::Id) { highlighted = true; });
  wi_setAnimationImagesWithURLs(*view, {pictureURL("thumb/f1.png"), pictureURL("thumb/f2.png"), pictureURL("thumb/f3.bmp")});
  ASSERT_TRUE(pump([&] { return highlighted && view->animationImages().size() == 2; }));
  EXPECT_TRUE(view->highlightedImage());
  EXPECT_FALSE(view->image());
  EXPECT_TRUE(view->isAnimating());
  view->stopAnimating();
}

}  // namespace
}  // namespace imagetest
