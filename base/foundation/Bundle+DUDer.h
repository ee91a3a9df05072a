#pragma once
// Image resources with a scale suffix ("@2x"), best scale for the main screen first.
#include <optional>
#include <vector>

#include "platform/foundation/files/Bundle.h"

namespace base {

using rt::String;

/// [1, 2, 3] up to scale 1, [2, 3, 1] up to 2, [3, 2, 1] above; read once per process.
const std::vector<double>& preferredScales();
/// nullopt when no scale finds a file. A name ending in "/" is looked up unchanged.
std::optional<String> pathForScaledResource(const fd::Bundle& bundle, const String& name, const String& type);
std::optional<String> pathForScaledResource(const fd::Bundle& bundle, const String& name, const String& type,
                                            const String& directory);
/// In the bundle at `bundlePath`.
std::optional<String> pathForScaledResourceInBundlePath(const String& name, const String& type,
                                                        const String& bundlePath);

}  // namespace base
