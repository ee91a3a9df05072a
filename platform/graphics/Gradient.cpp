#include "platform/graphics/Gradient.h"

#include <algorithm>

namespace gfx {

RT_IMPLEMENT_PLATFORM(Gradient) {}

namespace {

std::vector<double> spacedLocations(size_t n) {
  std::vector<double> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = n == 1 ? 0 : double(i) / double(n - 1);
  return out;
}

}  // namespace

Ref<Gradient> Gradient::createWithColorComponents(const Ref<ColorSpace>& space, const std::vector<double>& components,
                                                  const std::vector<double>& locations) {
  if (!space) return nullptr;
  size_t per = space->numberOfComponents() + 1;
  if (per < 2 || components.empty() || components.size() % per) return nullptr;
  size_t n = components.size() / per;
  std::vector<double> locs = locations.empty() ? spacedLocations(n) : locations;
  if (locs.size() != n) return nullptr;
  auto g = rt::make<Gradient>();
  g->space_ = space;
  for (size_t i = 0; i < n; ++i) {
    auto c = Color::create(space, std::vector<double>(components.begin() + i * per, components.begin() + (i + 1) * per));
    Stop s{std::clamp(locs[i], 0.0, 1.0), {}};
    c->rgba(s.rgba);
    g->stops_.push_back(s);
  }
  std::stable_sort(g->stops_.begin(), g->stops_.end(), [](const Stop& a, const Stop& b) { return a.location < b.location; });
  return g;
}

Ref<Gradient> Gradient::createWithColors(const Ref<ColorSpace>& space, const std::vector<Ref<Color>>& colors,
                                         const std::vector<double>& locations) {
  if (colors.empty()) return nullptr;
  std::vector<double> locs = locations.empty() ? spacedLocations(colors.size()) : locations;
  if (locs.size() != colors.size()) return nullptr;
  auto g = rt::make<Gradient>();
  g->space_ = space ? space : ColorSpace::deviceRGB();
  for (size_t i = 0; i < colors.size(); ++i) {
    if (!colors[i]) return nullptr;
    Stop s{std::clamp(locs[i], 0.0, 1.0), {}};
    colors[i]->rgba(s.rgba);
    g->stops_.push_back(s);
  }
  std::stable_sort(g->stops_.begin(), g->stops_.end(), [](const Stop& a, const Stop& b) { return a.location < b.location; });
  return g;
}

}  // namespace gfx
