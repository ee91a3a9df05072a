#include <gtest/gtest.h>

#include "net/http/NKImageResponseSerializer.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageData.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/graphics/ImageTypes.h"
#include "platform/ui/view/Screen.h"
#include "tests/net/http/ArchiveClasses.h"
#include "tests/net/http/ArchiveEditing.h"

// A namespace of its own: test programs compile several files as one.
namespace response_serializer_image_test {

using namespace net;

namespace {

Ref<fd::HTTPURLResponse> response(const std::string& contentType, int64_t status = 200) {
  fd::HTTPHeaderList headers{{fd::String("Content-Type"), fd::String(contentType.c_str())}};
  return fd::HTTPURLResponse::create(fd::URL::URLWithString("http://a.test/p"), status, fd::String("HTTP/1.1"), headers);
}

Ref<gfx::BitmapImage> bitmap(size_t w, size_t h) { return gfx::BitmapImage::createNative(w, h, false); }

Ref<fd::Data> png(size_t w, size_t h) { return gfx::UIImagePNGRepresentation(gfx::Image::imageWithCGImage(bitmap(w, h))); }

Ref<fd::Data> animatedGIF() {
  auto data = fd::MutableData::create();
  auto destination = gfx::ImageDestination::createWithData(data, gfx::kUTTypeGIF, 2);
  if (!destination) return nullptr;
  destination->addImage(bitmap(3, 3));
  destination->addImage(bitmap(3, 3));
  return destination->finalize() ? data : nullptr;
}

}  // namespace

TEST(ResponseSerializerImage, Defaults) {
  auto serializer = NKImageResponseSerializer::serializer();
  EXPECT_EQ(serializer->imageScale(), ui::Screen::mainScreen()->scale());
  EXPECT_TRUE(serializer->automaticallyInflatesResponseImage());
  EXPECT_EQ(serializer->acceptableContentTypes()->count(), 10u);
}

TEST(ResponseSerializerImage, DecodingTable) {
  auto gif = animatedGIF();
  ASSERT_TRUE(gif);
  struct Case {
    const char* name;
    std::string contentType;
    Ref<fd::Data> body;
    bool inflate;
    double width;  // in pixels; 0 for no image
    bool animated;
  };
  Case cases[] = {
      {"png, inflated", "image/png", png(4, 3), true, 4, false},
      {"png, as decoded", "image/png", png(4, 3), false, 4, false},
      {"png under another type", "image/gif", png(5, 2), true, 5, false},
      {"too large to inflate", "image/png", png(1025, 1024), true, 1025, false},
      {"animated gif", "image/gif", gif, true, 3, true},
      {"not a picture", "image/png", fd::Data::create(std::string("garbage")), true, 0, false},
      {"empty body", "image/png", fd::Data::create(), true, 0, false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto serializer = NKImageResponseSerializer::serializer();
    serializer->setImageScale(2);
    serializer->setAutomaticallyInflatesResponseImage(c.inflate);
    Ref<fd::Error> error;
    auto image = rt::as<gfx::Image>(serializer->responseObjectForResponse(response(c.contentType), c.body, &error));
    EXPECT_FALSE(error);
    if (c.width == 0) {
      EXPECT_FALSE(image);
      continue;
    }
    ASSERT_TRUE(image);
    EXPECT_EQ(!image->images().empty(), c.animated);
    if (c.animated) continue;
    EXPECT_EQ(image->scale(), 2);
    EXPECT_EQ(image->pixelSize().width, c.width);
    EXPECT_EQ(image->size().width, c.width / 2);
  }
}

TEST(ResponseSerializerImage, InflatedBitmapsAreDeviceRGBWithPremultipliedOrSkippedAlpha) {
  auto image = NKInflatedImageFromResponse(response("image/png"), png(6, 6), 1);
  ASSERT_TRUE(image);
  uint32_t alpha = image->CGImage()->alphaInfo();
  EXPECT_TRUE(alpha == gfx::ImageAlphaPremultipliedFirst || alpha == gfx::ImageAlphaNoneSkipFirst) << alpha;
  EXPECT_EQ(image->CGImage()->colorSpace()->model(), gfx::ColorSpaceModel::RGB);
  EXPECT_FALSE(NKInflatedImageFromResponse(response("image/png"), nullptr, 1));
}

TEST(ResponseSerializerImage, UnacceptedTypeOrStatus) {
  auto serializer = NKImageResponseSerializer::serializer();
  Ref<fd::Error> error;
  EXPECT_FALSE(serializer->responseObjectForResponse(response("text/html"), png(2, 2), &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), -1016);
  // A picture with a bad status is still decoded, and the status error comes along.
  error = nullptr;
  EXPECT_TRUE(serializer->responseObjectForResponse(response("image/png", 500), png(2, 2), &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), -1011);
}

TEST(ResponseSerializerImage, CompoundOfJSONAndImage) {
  auto compound = NKCompoundResponseSerializer::compoundSerializerWithResponseSerializers(
      fd::Array::create({NKJSONResponseSerializer::serializer(), NKImageResponseSerializer::serializer()}));
  Ref<fd::Error> error;
  EXPECT_TRUE(rt::as<gfx::Image>(compound->responseObjectForResponse(response("image/png"), png(2, 2), &error)));
  EXPECT_FALSE(error);
  EXPECT_TRUE(rt::as<fd::Array>(
      compound->responseObjectForResponse(response("application/json"), fd::Data::create(std::string("[1]")), &error)));
  EXPECT_FALSE(error);
}

TEST(ResponseSerializerImage, CopyAndCoding) {
  auto serializer = NKImageResponseSerializer::serializer();
  serializer->setImageScale(3);
  serializer->setAutomaticallyInflatesResponseImage(false);
  auto copy = rt::as<NKImageResponseSerializer>(serializer->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->imageScale(), 3);
  EXPECT_FALSE(copy->automaticallyInflatesResponseImage());
  Ref<fd::Error> error;
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(serializer, true, &error);
  ASSERT_TRUE(data);
  auto decoded = nettest::unarchivedSecurely<NKImageResponseSerializer>(data, &error);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->imageScale(), 3);
  EXPECT_FALSE(decoded->automaticallyInflatesResponseImage());

  // An archive without the flag decodes to init's default (on), not to off.
  auto older = nettest::archiveWithoutKey(data, "automaticallyInflatesResponseImage");
  ASSERT_TRUE(older);
  decoded = nettest::unarchivedSecurely<NKImageResponseSerializer>(older, &error);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->imageScale(), 3);
  EXPECT_TRUE(decoded->automaticallyInflatesResponseImage());
}

}  // namespace response_serializer_image_test
