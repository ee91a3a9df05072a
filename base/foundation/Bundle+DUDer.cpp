#include "base/foundation/Bundle+DUDer.h"

#include "base/foundation/String+DUDer.h"
#include "platform/ui/view/Screen.h"

namespace base {
namespace {

std::optional<String> lookup(const fd::Bundle& bundle, const String& name, const String& type,
                             const std::optional<String>& directory) {
  return directory ? bundle.pathForResource(name, type, *directory) : bundle.pathForResource(name, type);
}

std::optional<String> scaled(const fd::Bundle& bundle, const String& name, const String& type,
                             const std::optional<String>& directory) {
  if (name.isEmpty()) return std::nullopt;
  if (name.hasSuffix("/")) return lookup(bundle, name, type, directory);
  for (double scale : preferredScales()) {
    String candidate = type.isEmpty() ? stringByAppendingPathScale(name, scale) : stringByAppendingNameScale(name, scale);
    if (auto path = lookup(bundle, candidate, type, directory)) return path;
  }
  return std::nullopt;
}

}  // namespace

const std::vector<double>& preferredScales() {
  static const std::vector<double> scales = [] {
    double s = ui::Screen::mainScreen()->scale();
    if (s <= 1) return std::vector<double>{1, 2, 3};
    if (s <= 2) return std::vector<double>{2, 3, 1};
    return std::vector<double>{3, 2, 1};
  }();
  return scales;
}

std::optional<String> pathForScaledResource(const fd::Bundle& bundle, const String& name, const String& type) {
  return scaled(bundle, name, type, std::nullopt);
}

std::optional<String> pathForScaledResource(const fd::Bundle& bundle, const String& name, const String& type,
                                            const String& directory) {
  return scaled(bundle, name, type, directory);
}

std::optional<String> pathForScaledResourceInBundlePath(const String& name, const String& type,
                                                        const String& bundlePath) {
  auto bundle = fd::Bundle::bundleWithPath(bundlePath);
  if (!bundle) return std::nullopt;
  return scaled(*bundle, name, type, std::nullopt);
}

}  // namespace base
