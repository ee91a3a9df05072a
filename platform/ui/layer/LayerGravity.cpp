// Contents gravity names, their content-mode numbers and where contents land.
#include <algorithm>

#include "platform/ui/layer/Layer.h"

namespace ui {

const rt::String kCAGravityCenter("center"), kCAGravityTop("top"), kCAGravityBottom("bottom"), kCAGravityLeft("left"),
    kCAGravityRight("right"), kCAGravityTopLeft("topLeft"), kCAGravityTopRight("topRight"),
    kCAGravityBottomLeft("bottomLeft"), kCAGravityBottomRight("bottomRight"), kCAGravityResize("resize"),
    kCAGravityResizeAspect("resizeAspect"), kCAGravityResizeAspectFill("resizeAspectFill");
const rt::String kCAFilterLinear("linear"), kCAFilterNearest("nearest"), kCAFilterTrilinear("trilinear");

namespace {
struct GravityMode {
  const char* name;
  int64_t mode;
};
// Layers are y-down here, so "top" means the minimum y edge.
constexpr GravityMode kTable[] = {
    {"resize", 0}, {"resizeAspect", 1}, {"resizeAspectFill", 2}, {"center", 4},      {"top", 5},
    {"bottom", 6}, {"left", 7},         {"right", 8},            {"topLeft", 9},     {"topRight", 10},
    {"bottomLeft", 11}, {"bottomRight", 12},
};
}  // namespace

rt::String gravityForContentMode(int64_t mode) {
  for (auto& g : kTable)
    if (g.mode == mode) return rt::String(g.name);
  return kCAGravityResize;
}

int64_t contentModeForGravity(const rt::String& gravity) {
  for (auto& g : kTable)
    if (gravity == rt::String(g.name)) return g.mode;
  return 0;
}

gfx::Rect contentsFrameForGravity(const rt::String& gravity, gfx::Size s, const gfx::Rect& b) {
  int64_t mode = contentModeForGravity(gravity);
  double W = b.size.width, H = b.size.height;
  if (mode == 0 || s.width <= 0 || s.height <= 0) return b;
  if (mode == 1 || mode == 2) {
    double k = mode == 1 ? std::min(W / s.width, H / s.height) : std::max(W / s.width, H / s.height);
    gfx::Size f{s.width * k, s.height * k};
    return {{b.origin.x + (W - f.width) / 2, b.origin.y + (H - f.height) / 2}, f};
  }
  double x = b.origin.x + (W - s.width) / 2, y = b.origin.y + (H - s.height) / 2;
  switch (mode) {
    case 5: y = b.origin.y; break;
    case 6: y = b.origin.y + H - s.height; break;
    case 7: x = b.origin.x; break;
    case 8: x = b.origin.x + W - s.width; break;
    case 9: x = b.origin.x; y = b.origin.y; break;
    case 10: x = b.origin.x + W - s.width; y = b.origin.y; break;
    case 11: x = b.origin.x; y = b.origin.y + H - s.height; break;
    case 12: x = b.origin.x + W - s.width; y = b.origin.y + H - s.height; break;
    default: break;
  }
  return {{x, y}, s};
}

}  // namespace ui
