#include <gtest/gtest.h>

#include "platform/foundation/files/TypeIdentifiers.h"

namespace fd {
namespace {

TEST(TypeIdentifiersTest, ExtensionsMapToIdentifiersAndMimeTypes) {
  struct Case { const char* extension; const char* identifier; const char* mime; };
  const Case cases[] = {
      {"jpg", "public.jpeg", "image/jpeg"},          {"JPEG", "public.jpeg", "image/jpeg"},
      {"png", "public.png", "image/png"},             {"gif", "com.compuserve.gif", "image/gif"},
      {"tif", "public.tiff", "image/tiff"},           {"bmp", "com.microsoft.bmp", "image/bmp"},
      {"ico", "com.microsoft.ico", "image/vnd.microsoft.icon"},
      {"icns", "com.apple.icns", "image/icns"},       {"jp2", "public.jpeg-2000", "image/jp2"},
      {"webp", "org.webmproject.webp", "image/webp"}, {"txt", "public.plain-text", "text/plain"},
      {"htm", "public.html", "text/html"},            {"json", "public.json", "application/json"},
  };
  for (auto& c : cases) {
    auto id = typeIdentifierForFilenameExtension(c.extension);
    ASSERT_TRUE(id) << c.extension;
    EXPECT_EQ(*id, String(c.identifier)) << c.extension;
    EXPECT_EQ(preferredMIMETypeForTypeIdentifier(*id), String(c.mime)) << c.extension;
    EXPECT_EQ(MIMETypeForFilenameExtension(c.extension), String(c.mime)) << c.extension;
    EXPECT_EQ(typeIdentifierForMIMEType(c.mime), String(c.identifier)) << c.mime;
  }
}

TEST(TypeIdentifiersTest, UnknownInputFallsBack) {
  EXPECT_EQ(typeIdentifierForFilenameExtension("qqq"), std::nullopt);
  EXPECT_EQ(typeIdentifierForFilenameExtension(""), std::nullopt);
  EXPECT_EQ(MIMETypeForFilenameExtension("qqq"), String("application/octet-stream"));
  EXPECT_EQ(MIMETypeForPath("/tmp/upload.bin"), String("application/octet-stream"));
  EXPECT_EQ(MIMETypeForPath("/tmp/photo.JPG"), String("image/jpeg"));
  EXPECT_EQ(MIMETypeForPath("/tmp/noextension"), String("application/octet-stream"));
  EXPECT_EQ(preferredMIMETypeForTypeIdentifier("public.nothing"), std::nullopt);
  EXPECT_EQ(typeIdentifierForMIMEType("Image/PNG; charset=binary"), String("public.png"));
  EXPECT_EQ(typeIdentifierForMIMEType("application/x-unknown"), std::nullopt);
  EXPECT_EQ(preferredFilenameExtensionForTypeIdentifier(kUTTypeJPEG), String("jpeg"));
}

}  // namespace
}  // namespace fd
