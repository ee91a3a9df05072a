// Draws the progress display's pictures and writes them as PNG files into a folder:
//   hud-images OUTPUT_DIR
// "info", "success" and "error" are masks (only their alpha counts: the display paints them in
// its foreground colour); "angle-mask" fades from opaque to clear once around its centre, so
// that the turning mask makes the spinner's arc trail off.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageData.h"

namespace {

// Pixels per side of the status pictures: twice the 28-point image view, so they stay sharp
// on a double-density screen.
constexpr double kBadgeSide = 56;
constexpr double kMaskSide = 120;
constexpr double kLine = 4.5;

bool writePicture(const std::filesystem::path& file, double side, const std::function<void(gfx::Context&)>& draw) {
  gfx::beginImageContextWithOptions({side, side}, false, 1);
  auto context = gfx::currentContext();
  if (context) draw(*context);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  auto png = gfx::UIImagePNGRepresentation(image);
  if (!png) return false;
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
  return static_cast<bool>(out);
}

void strokeStyle(gfx::Context& c) {
  c.setStrokeColor(gfx::Color::blackColor());
  c.setFillColor(gfx::Color::blackColor());
  c.setLineWidth(kLine);
  c.setLineCap(gfx::LineCap::Round);
  c.setLineJoin(gfx::LineJoin::Round);
}

void ring(gfx::Context& c) {
  double inset = kLine / 2 + 1;
  c.strokeEllipseInRect(gfx::RectMake(inset, inset, kBadgeSide - inset * 2, kBadgeSide - inset * 2));
}

void drawInfo(gfx::Context& c) {
  strokeStyle(c);
  ring(c);
  double mid = kBadgeSide / 2;
  c.fillEllipseInRect(gfx::RectMake(mid - 3.2, 13, 6.4, 6.4));
  c.beginPath();
  c.moveToPoint(mid, 25);
  c.addLineToPoint(mid, 41);
  c.strokePath();
}

void drawSuccess(gfx::Context& c) {
  strokeStyle(c);
  ring(c);
  c.beginPath();
  c.moveToPoint(16, 29);
  c.addLineToPoint(24.5, 37.5);
  c.addLineToPoint(40, 20);
  c.strokePath();
}

void drawError(gfx::Context& c) {
  strokeStyle(c);
  ring(c);
  c.beginPath();
  c.moveToPoint(19, 19);
  c.addLineToPoint(37, 37);
  c.moveToPoint(37, 19);
  c.addLineToPoint(19, 37);
  c.strokePath();
}

void drawAngleMask(gfx::Context& c) {
  // Thin wedges with falling alpha; each reaches a little into the next so no seam shows.
  constexpr int kSteps = 360;
  double mid = kMaskSide / 2, reach = kMaskSide;
  for (int i = 0; i < kSteps; ++i) {
    double from = 2 * M_PI * i / kSteps, to = 2 * M_PI * (i + 1.5) / kSteps;
    c.setFillColor(gfx::Color::colorWithWhite(1, 1.0 - double(i) / kSteps));
    c.beginPath();
    c.moveToPoint(mid, mid);
    c.addLineToPoint(mid + reach * std::cos(from), mid + reach * std::sin(from));
    c.addLineToPoint(mid + reach * std::cos(to), mid + reach * std::sin(to));
    c.closePath();
    c.fillPath();
  }
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
  struct Picture {
    const char* name;
    double side;
    void (*draw)(gfx::Context&);
  } pictures[] = {
      {"info", kBadgeSide, drawInfo},
      {"success", kBadgeSide, drawSuccess},
      {"error", kBadgeSide, drawError},
      {"angle-mask", kMaskSide, drawAngleMask},
  };
  for (const auto& p : pictures) {
    auto file = dir / (std::string(p.name) + ".png");
    if (!writePicture(file, p.side, p.draw)) {
      std::fprintf(stderr, "cannot write %s\n", file.c_str());
      return 1;
    }
  }
  return 0;
}
