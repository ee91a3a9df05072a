#include "base/graphics/Geometry+DUDer.h"

#include <cmath>
#include <unordered_map>

#include "base/ui/View+DUDer.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Device.h"
#include "platform/ui/layer/Layer.h"

namespace base {

double DRMainScreenScale() {
  static const double scale = ui::Screen::mainScreen()->scale();
  return scale;
}

gfx::Size DRMainScreenSize() {
  static const gfx::Size size = [] {
    gfx::Size s = ui::Screen::mainScreen()->bounds().size;
    if (s.height < s.width) std::swap(s.width, s.height);
    return s;
  }();
  return size;
}

gfx::AffineTransform DRAffineTransformFromPointPairs(const gfx::Point before[3], const gfx::Point after[3]) {
  // Six equations in a, b, c, d, tx, ty: x' = a x + c y + tx, y' = b x + d y + ty. Gaussian
  // elimination with partial pivoting; a singular system (collinear points) gives the identity.
  double m[6][7] = {};
  for (int i = 0; i < 3; ++i) {
    double x = before[i].x, y = before[i].y;
    double* rx = m[2 * i];
    double* ry = m[2 * i + 1];
    rx[0] = x, rx[2] = y, rx[4] = 1, rx[6] = after[i].x;
    ry[1] = x, ry[3] = y, ry[5] = 1, ry[6] = after[i].y;
  }
  for (int col = 0; col < 6; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 6; ++r)
      if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
    if (std::fabs(m[pivot][col]) < 1e-12) return gfx::AffineTransformIdentity;
    std::swap(m[pivot], m[col]);
    for (int r = 0; r < 6; ++r) {
      if (r == col) continue;
      double f = m[r][col] / m[col][col];
      for (int k = col; k < 7; ++k) m[r][k] -= f * m[col][k];
    }
  }
  double v[6];
  for (int i = 0; i < 6; ++i) v[i] = m[i][6] / m[i][i];
  return gfx::AffineTransform{v[0], v[1], v[2], v[3], v[4], v[5]};
}

gfx::AffineTransform DRAffineTransformBetweenViews(const ui::View* from, const ui::View* to) {
  if (!from || !to) return gfx::AffineTransformIdentity;
  gfx::Point before[3] = {{0, 0}, {0, 1}, {1, 0}}, after[3];
  for (int i = 0; i < 3; ++i) after[i] = convertPointToViewOrWindow(*from, before[i], to);
  return DRAffineTransformFromPointPairs(before, after);
}

namespace {
const std::vector<std::pair<const rt::String*, ui::ViewContentMode>>& gravities() {
  using M = ui::ViewContentMode;
  static const std::vector<std::pair<const rt::String*, ui::ViewContentMode>> table = {
      {&ui::kCAGravityResize, M::ScaleToFill},       {&ui::kCAGravityResizeAspect, M::ScaleAspectFit},
      {&ui::kCAGravityResizeAspectFill, M::ScaleAspectFill}, {&ui::kCAGravityCenter, M::Center},
      {&ui::kCAGravityTop, M::Top},                  {&ui::kCAGravityBottom, M::Bottom},
      {&ui::kCAGravityLeft, M::Left},                {&ui::kCAGravityRight, M::Right},
      {&ui::kCAGravityTopLeft, M::TopLeft},          {&ui::kCAGravityTopRight, M::TopRight},
      {&ui::kCAGravityBottomLeft, M::BottomLeft},    {&ui::kCAGravityBottomRight, M::BottomRight}};
  return table;
}
}  // namespace

ui::ViewContentMode DRContentModeFromGravity(const String& gravity) {
  for (auto& [name, mode] : gravities())
    if (*name == gravity) return mode;
  return ui::ViewContentMode::ScaleToFill;
}

String DRGravityFromContentMode(ui::ViewContentMode mode) {
  for (auto& [name, m] : gravities())
    if (m == mode) return *name;
  return ui::kCAGravityResize;
}

gfx::Rect DRFitRectByContentMode(gfx::Rect rect, gfx::Size size, ui::ViewContentMode mode) {
  using M = ui::ViewContentMode;
  rect = gfx::RectStandardize(rect);
  size = {std::fabs(size.width), std::fabs(size.height)};
  gfx::Point c{gfx::RectGetMidX(rect), gfx::RectGetMidY(rect)};
  double rx = rect.origin.x, ry = rect.origin.y, rw = rect.size.width, rh = rect.size.height;
  switch (mode) {
    case M::ScaleAspectFit:
    case M::ScaleAspectFill: {
      if (rw < 0.01 || rh < 0.01 || size.width < 0.01 || size.height < 0.01) return {c, {0, 0}};
      bool narrower = size.width / size.height < rw / rh;
      double k = mode == M::ScaleAspectFit ? (narrower ? rh / size.height : rw / size.width)
                                           : (narrower ? rw / size.width : rh / size.height);
      gfx::Size s{size.width * k, size.height * k};
      return {{c.x - s.width / 2, c.y - s.height / 2}, s};
    }
    case M::Center: return {{c.x - size.width / 2, c.y - size.height / 2}, size};
    case M::Top: return {{c.x - size.width / 2, ry}, size};
    case M::Bottom: return {{c.x - size.width / 2, ry + rh - size.height}, size};
    case M::Left: return {{rx, c.y - size.height / 2}, size};
    case M::Right: return {{rx + rw - size.width, c.y - size.height / 2}, size};
    case M::TopLeft: return {{rx, ry}, size};
    case M::TopRight: return {{rx + rw - size.width, ry}, size};
    case M::BottomLeft: return {{rx, ry + rh - size.height}, size};
    case M::BottomRight: return {{rx + rw - size.width, ry + rh - size.height}, size};
    default: return rect;
  }
}

double screenScale() {
  static const double scale = [] {
    double s = 0;
    if (dispatch::isMainThread()) s = ui::Screen::mainScreen()->scale();
    else dispatch::mainQueue()->sync([&] { s = ui::Screen::mainScreen()->scale(); });
    return s;
  }();
  return scale;
}

gfx::Rect boundsForOrientation(const ui::Screen& screen, int64_t orientation) {
  gfx::Rect b = screen.bounds();
  if (orientation == 3 || orientation == 4) std::swap(b.size.width, b.size.height);
  return b;
}

gfx::Rect currentBounds(const ui::Screen& screen) {
  return boundsForOrientation(screen,
                              static_cast<int64_t>(ui::Application::sharedApplication()->statusBarOrientation()));
}

namespace {
bool isMain(const ui::Screen& s) { return &s == ui::Screen::mainScreen().get(); }
bool hasPrefix(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }
}  // namespace

gfx::Size sizeInPixel(const ui::Screen& screen) {
  if (isMain(screen)) {
    std::string model = ui::Device::currentDevice()->machineModel().utf8();
    struct Row {
      std::vector<const char*> prefixes;
      gfx::Size size;
    };
    static const std::vector<Row> rows = {
        {{"iPhone1", "iPhone2"}, {320, 480}},   {{"iPhone3", "iPhone4"}, {640, 960}},
        {{"iPhone5", "iPhone6"}, {640, 1136}},  {{"iPhone7,1"}, {1080, 1920}},
        {{"iPhone7,2"}, {750, 1334}},           {{"iPod1", "iPod2", "iPod3"}, {320, 480}},
        {{"iPod4"}, {640, 960}},                {{"iPod5"}, {640, 1136}},
        {{"iPad1", "iPad2"}, {768, 1024}},      {{"iPad3", "iPad4", "iPad5"}, {1536, 2048}}};
    for (const Row& r : rows)
      for (const char* p : r.prefixes)
        if (hasPrefix(model, p)) return r.size;
  }
  gfx::Size s = screen.nativeBounds().size;
  if (s.height < s.width) std::swap(s.width, s.height);
  return s;
}

double pixelsPerInch(const ui::Screen& screen) {
  if (!isMain(screen)) return 326;
  std::string model = ui::Device::currentDevice()->machineModel().utf8();
  struct Row {
    std::vector<const char*> prefixes;
    double ppi;
  };
  static const std::vector<Row> rows = {
      {{"iPhone1", "iPhone2"}, 163},
      {{"iPhone3", "iPhone4", "iPhone5", "iPhone6"}, 326},
      {{"iPhone7,1"}, 401},
      {{"iPhone7,2"}, 326},
      {{"iPod1", "iPod2", "iPod3"}, 163},
      {{"iPod4", "iPod5"}, 326},
      {{"iPad1", "iPad2,1", "iPad2,2", "iPad2,3", "iPad2,4"}, 132},
      {{"iPad2,5", "iPad2,6", "iPad2,7"}, 163},
      {{"iPad3", "iPad4,1", "iPad4,2", "iPad4,3"}, 264},
      {{"iPad4,4", "iPad4,5", "iPad4,6", "iPad4,7", "iPad4,8", "iPad4,9"}, 324},
      {{"iPad5,3"}, 264},
      {{"iPad5,4"}, 324}};
  for (const Row& r : rows)
    for (const char* p : r.prefixes)
      if (hasPrefix(model, p)) return r.ppi;
  return 326;
}

}  // namespace base
