#include "platform/typeset/FontDescriptor.h"

#include <cmath>

namespace typeset {

namespace {
struct WeightStep {
  double weight;
  int weightClass;
};
constexpr WeightStep kSteps[] = {{FontWeight::UltraLight, 100}, {FontWeight::Thin, 200}, {FontWeight::Light, 300},
                                 {FontWeight::Regular, 400},    {FontWeight::Medium, 500}, {FontWeight::Semibold, 600},
                                 {FontWeight::Bold, 700},       {FontWeight::Heavy, 800}, {FontWeight::Black, 900}};
}  // namespace

int weightClassForWeight(double weight) {
  int best = 400;
  double bestDistance = 1e9;
  for (const auto& s : kSteps)
    if (std::fabs(s.weight - weight) < bestDistance) {
      bestDistance = std::fabs(s.weight - weight);
      best = s.weightClass;
    }
  return best;
}

double weightForWeightClass(int weightClass) {
  double best = 0;
  int bestDistance = 1 << 20;
  for (const auto& s : kSteps)
    if (std::abs(s.weightClass - weightClass) < bestDistance) {
      bestDistance = std::abs(s.weightClass - weightClass);
      best = s.weight;
    }
  return best;
}

RT_IMPLEMENT_PLATFORM(FontDescriptor) {
  c.property("pointSize", &FontDescriptor::pointSize);
  c.property("symbolicTraits", &FontDescriptor::symbolicTraits);
  c.protocol("NSCopying");
}

void FontDescriptor::init(String family, double size, uint32_t traits, double weight) {
  family_ = std::move(family);
  size_ = size;
  traits_ = traits;
  weight_ = weight;
  if ((traits & FontTraitBold) && weight_ < FontWeight::Semibold) weight_ = FontWeight::Bold;
}

Ref<FontDescriptor> FontDescriptor::create(const String& family, double size, uint32_t traits, double weight) {
  return rt::make<FontDescriptor>(family, size, traits, weight);
}

Ref<FontDescriptor> FontDescriptor::fontDescriptorWithSymbolicTraits(uint32_t traits) const {
  if (traits & (FontTraitVertical | FontTraitCondensed | FontTraitExpanded)) return nullptr;
  double w = weight_;
  if (traits & FontTraitBold) {
    if (w < FontWeight::Semibold) w = FontWeight::Bold;
  } else if (w >= FontWeight::Semibold) {
    w = FontWeight::Regular;
  }
  return create(family_, size_, traits, w);
}

Ref<FontDescriptor> FontDescriptor::fontDescriptorWithSize(double size) const {
  return create(family_, size, traits_, weight_);
}

bool FontDescriptor::isEqual(const rt::Object* other) const {
  auto* o = rt::as<const FontDescriptor>(other);
  return o && o->family_ == family_ && o->size_ == size_ && o->traits_ == traits_ && o->weight_ == weight_;
}

size_t FontDescriptor::hash() const { return family_.hash() ^ static_cast<size_t>(size_ * 64) ^ traits_; }

String FontDescriptor::description() const {
  return String::format("<UIFontDescriptor family=%@ size=%g traits=0x%x weight=%g>", family_, size_, traits_, weight_);
}

}  // namespace typeset
