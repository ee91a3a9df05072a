#pragma once
// The family's resources in "KMRefresh.bundle" of the main bundle: the arrow picture and the
// string tables of the state texts (Chinese and English; the Chinese text stands in when the
// bundle or a key is missing).
#include "platform/graphics/Image.h"
#include "platform/runtime/String.h"

namespace widgets {

/// "KMRefresh.bundle/arrow.png", else the framework-embedded path; null when neither exists.
Ref<gfx::Image> KMRefreshArrowImage();

/// The text for `key` in the bundle's "Localizable" table for the preferred languages, else
/// `fallback`.
rt::String KMRefreshLocalizedString(const rt::String& key, const rt::String& fallback);

}  // namespace widgets
