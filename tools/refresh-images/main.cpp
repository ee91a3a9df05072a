// Draws the pull-to-refresh arrow and writes it as PNG files into a folder:
//   refresh-images OUTPUT_DIR
// "arrow.png" (15 x 40 pixels) and "arrow@2x.png" (30 x 80): a grey arrow pointing down, the
// way a pull-down header shows it at rest; the header turns it over past the threshold.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageData.h"

namespace {

constexpr double kWidth = 15;
constexpr double kHeight = 40;

void drawArrow(gfx::Context& c) {
  auto grey = gfx::Color::colorWithWhite(0.45, 1);
  c.setStrokeColor(grey);
  c.setFillColor(grey);
  c.setLineWidth(2);
  c.setLineCap(gfx::LineCap::Round);
  // The shaft, stopping inside the head so that the tip stays sharp.
  c.beginPath();
  c.moveToPoint(kWidth / 2, 2);
  c.addLineToPoint(kWidth / 2, kHeight - 10);
  c.strokePath();
  c.beginPath();
  c.moveToPoint(1, kHeight - 14);
  c.addLineToPoint(kWidth - 1, kHeight - 14);
  c.addLineToPoint(kWidth / 2, kHeight - 1);
  c.closePath();
  c.fillPath();
}

bool writeArrow(const std::filesystem::path& file, double scale) {
  gfx::beginImageContextWithOptions({kWidth, kHeight}, false, scale);
  if (auto context = gfx::currentContext()) drawArrow(*context);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  auto png = gfx::UIImagePNGRepresentation(image);
  if (!png) return false;
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  std::filesystem::path dir(argv[1]);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }
  for (auto [name, scale] : {std::pair{"arrow.png", 1.0}, std::pair{"arrow@2x.png", 2.0}}) {
    if (!writeArrow(dir / name, scale)) {
      std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
      return 1;
    }
  }
  return 0;
}
