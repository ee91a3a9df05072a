#pragma once
// Names the image format of encoded bytes from their first byte (twelve for WebP), without
// decoding anything. Callable from any thread.
#include <optional>

#include "platform/foundation/Types.h"

namespace fd {
class Data;
}

namespace image {

/// "image/jpeg", "image/png", "image/gif", "image/tiff" or "image/webp"; nullopt for empty,
/// null or unknown bytes.
std::optional<fd::String> wi_contentTypeForImageData(const Ref<fd::Data>& data);
/// The older name of the same test.
std::optional<fd::String> contentTypeForImageData(const Ref<fd::Data>& data);

}  // namespace image
