// Arithmetic on animatable values: numbers, boxed structs of doubles (points, sizes,
// rectangles, transforms) and colours.
#include <cstring>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/graphics/Color.h"
#include "platform/ui/layer/Animation.h"

namespace ui {

namespace {

bool asNumber(const rt::Id& o, double& out) {
  auto* n = dynamic_cast<const fd::Number*>(o.get());
  if (!n) return false;
  out = n->doubleValue();
  return true;
}

// Structs made only of doubles ("{CGPoint=dd}", "{CATransform3D=dddd...}") combine field by field.
bool asDoubles(const rt::Id& o, std::vector<double>& out, std::string& enc) {
  auto* v = dynamic_cast<const fd::ValueBox*>(o.get());
  if (!v || dynamic_cast<const fd::Number*>(o.get())) return false;
  enc = std::string(v->objCType());
  auto eq = enc.find('=');
  if (enc.empty() || enc[0] != '{' || eq == std::string::npos) return false;
  for (size_t i = eq + 1; i < enc.size(); ++i) {
    char c = enc[i];
    if (c != 'd' && c != '{' && c != '}' && c != '=' && !std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  const auto& bytes = v->bytes();
  if (bytes.size() % sizeof(double) != 0 || bytes.empty()) return false;
  out.resize(bytes.size() / sizeof(double));
  std::memcpy(out.data(), bytes.data(), bytes.size());
  return true;
}

rt::Id combine(const rt::Id& a, const rt::Id& b, double ka, double kb) {
  double x, y;
  if (asNumber(a, x) && asNumber(b, y)) return fd::Number::numberWithDouble(ka * x + kb * y);
  std::vector<double> va, vb;
  std::string ea, eb;
  if (asDoubles(a, va, ea) && asDoubles(b, vb, eb) && ea == eb && va.size() == vb.size()) {
    for (size_t i = 0; i < va.size(); ++i) va[i] = ka * va[i] + kb * vb[i];
    return fd::ValueBox::create(va.data(), va.size() * sizeof(double), ea);
  }
  auto* ca = dynamic_cast<const gfx::Color*>(a.get());
  auto* cb = dynamic_cast<const gfx::Color*>(b.get());
  if (ca && cb) {
    double pa[4], pb[4];
    ca->rgba(pa);
    cb->rgba(pb);
    return gfx::Color::colorWithRed(ka * pa[0] + kb * pb[0], ka * pa[1] + kb * pb[1], ka * pa[2] + kb * pb[2],
                                    ka * pa[3] + kb * pb[3]);
  }
  return nullptr;
}

}  // namespace

rt::Id interpolateValues(const rt::Id& from, const rt::Id& to, double p) {
  if (from && to) {
    if (auto v = combine(from, to, 1 - p, p)) return v;
  }
  return p < 0.5 ? from : to;
}

rt::Id addValues(const rt::Id& a, const rt::Id& b) {
  if (!a) return b;
  if (!b) return a;
  return combine(a, b, 1, 1);
}

rt::Id subtractValues(const rt::Id& a, const rt::Id& b) {
  if (!b) return a;
  if (!a) return nullptr;
  return combine(a, b, 1, -1);
}

}  // namespace ui
