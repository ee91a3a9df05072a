#pragma once
// The coder's additions to every platform image: a decoded-for-display mark that travels with
// the image, a display-ready version, and the encoded data of any image.
#include <functional>

#include "platform/foundation/Error.h"
#include "platform/foundation/net/URL.h"
#include "platform/graphics/Image.h"

namespace fd {
class Data;
}

namespace image {

/// Images of two or more frames always read as decoded.
bool isDecodedForDisplay(const gfx::Image& image);
void setDecodedForDisplay(gfx::Image& image, bool decoded);
/// A display-ready image of the receiver's class, marked decoded; the receiver itself when
/// already marked, and (unmarked) when it has no bitmap or cannot be decoded.
Ref<gfx::Image> imageByDecoded(const Ref<gfx::Image>& image);
/// The data to store for an image: an animated image's own data, else PNG (with alpha) or
/// JPEG at 0.9 of the upright bitmap. `forSystem` keeps only GIF and PNG animated data.
Ref<fd::Data> dataRepresentation(const Ref<gfx::Image>& image, bool forSystem = false);
/// Writes the image's data as the system stores it into the photo album, from a global queue;
/// the completion (when given) gets the asset URL or the error on the main thread.
void saveToAlbumWithCompletionBlock(const Ref<gfx::Image>& image,
                                    std::function<void(Ref<fd::URL> assetURL, Ref<fd::Error> error)> completion);

}  // namespace image
