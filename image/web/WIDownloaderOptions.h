#pragma once
// The downloader's options and the blocks through which a download reports.
#include <cstdint>
#include <functional>

#include "platform/foundation/Error.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/Image.h"

namespace image {

using WIDownloaderOptions = uint64_t;
inline constexpr WIDownloaderOptions WIDownloaderLowPriority = 1 << 0;
inline constexpr WIDownloaderOptions WIDownloaderProgressive = 1 << 1;
inline constexpr WIDownloaderOptions WIDownloaderUseURLCache = 1 << 2;
inline constexpr WIDownloaderOptions WIDownloaderIgnoreCachedResponse = 1 << 3;
inline constexpr WIDownloaderOptions WIDownloaderContinueInBackground = 1 << 4;
inline constexpr WIDownloaderOptions WIDownloaderHandleCookies = 1 << 5;
inline constexpr WIDownloaderOptions WIDownloaderAllowInvalidCertificates = 1 << 6;
inline constexpr WIDownloaderOptions WIDownloaderHighPriority = 1 << 7;

enum WIDownloaderExecutionOrder : int64_t { WIDownloaderFIFO = 0, WIDownloaderLIFO = 1 };

/// Bytes received and expected; expected is -1 until the response gives a length.
using WIDownloaderProgressBlock = std::function<void(int64_t receivedSize, int64_t expectedSize)>;
/// finished false marks a partial image of a progressive download.
using WIDownloaderCompletedBlock =
    std::function<void(Ref<gfx::Image> image, Ref<fd::Data> data, Ref<fd::Error> error, bool finished)>;

}  // namespace image
