// Draws the channel bar's pictures and writes them as PNG files into a folder:
//   channel-icons OUTPUT_DIR          (the repository keeps them in resources/icons.bundle)
// "icon_more" is a grey chevron pointing down on a clear square (the button turns it to point
// up while the editor is open); "icon_delet" is a red disc with a white cross, the delete badge.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageData.h"

namespace {

bool writePicture(const std::filesystem::path& file, double side, const std::function<void(gfx::Context&)>& draw) {
  gfx::beginImageContextWithOptions({side, side}, false, 1);
  if (auto context = gfx::currentContext()) draw(*context);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  auto png = gfx::UIImagePNGRepresentation(image);
  if (!png) return false;
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
  return static_cast<bool>(out);
}

// 2x pictures of a 22-point "more" icon and a 15-point badge.
void drawMore(gfx::Context& c) {
  c.setStrokeColor(gfx::Color::colorWithWhite(0.35, 1));
  c.setLineWidth(4);
  c.setLineCap(gfx::LineCap::Round);
  c.setLineJoin(gfx::LineJoin::Round);
  c.beginPath();
  c.moveToPoint(12, 17);
  c.addLineToPoint(22, 27);
  c.addLineToPoint(32, 17);
  c.strokePath();
}

void drawDelete(gfx::Context& c) {
  c.setFillColor(gfx::Color::colorWithRed(0.86, 0.16, 0.16, 1));
  c.fillEllipseInRect(gfx::RectMake(0, 0, 30, 30));
  c.setStrokeColor(gfx::Color::whiteColor());
  c.setLineWidth(3);
  c.setLineCap(gfx::LineCap::Round);
  c.beginPath();
  c.moveToPoint(10, 10);
  c.addLineToPoint(20, 20);
  c.moveToPoint(20, 10);
  c.addLineToPoint(10, 20);
  c.strokePath();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  std::filesystem::path dir(argv[1]);
  std::filesystem::create_directories(dir);
  bool ok = writePicture(dir / "icon_more@2x.png", 44, drawMore) && writePicture(dir / "icon_delet@2x.png", 30, drawDelete);
  if (!ok) std::fprintf(stderr, "could not write the pictures into %s\n", dir.c_str());
  return ok ? 0 : 1;
}
