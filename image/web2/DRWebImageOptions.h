#pragma once
// The values every request of the second web-image pipeline carries: option bits (passed
// unchanged from the binders through the manager to the operation), where a picture came from,
// the stage of a report, and the request's blocks.
#include <cstdint>
#include <functional>

#include "platform/runtime/Class.h"

namespace fd {
class Error;
class URL;
}  // namespace fd
namespace gfx {
class Image;
}

namespace image {

using DRWebImageOptions = uint64_t;
inline constexpr DRWebImageOptions DRWebImageOptionNetworkIndicator = 0x1;
inline constexpr DRWebImageOptions DRWebImageOptionProgressiveDisplay = 0x2;
inline constexpr DRWebImageOptions DRWebImageOptionBlurredProgressive = 0x4;
inline constexpr DRWebImageOptions DRWebImageOptionURLCache = 0x8;
inline constexpr DRWebImageOptions DRWebImageOptionTrustAnyCertificate = 0x10;
inline constexpr DRWebImageOptions DRWebImageOptionBackgroundTask = 0x20;
inline constexpr DRWebImageOptions DRWebImageOptionSendCookies = 0x40;
inline constexpr DRWebImageOptions DRWebImageOptionReloadCache = 0x80;
inline constexpr DRWebImageOptions DRWebImageOptionSkipDiskCache = 0x100;
inline constexpr DRWebImageOptions DRWebImageOptionKeepPlaceholder = 0x200;
inline constexpr DRWebImageOptions DRWebImageOptionNoDecode = 0x400;
inline constexpr DRWebImageOptions DRWebImageOptionFirstFrameOnly = 0x800;
inline constexpr DRWebImageOptions DRWebImageOptionFadeIn = 0x1000;
inline constexpr DRWebImageOptions DRWebImageOptionManualSet = 0x2000;
inline constexpr DRWebImageOptions DRWebImageOptionBlacklistFailures = 0x4000;

enum class DRWebImageFrom : uint64_t { None = 0, MemoryCacheFast = 1, MemoryCache = 2, DiskCache = 3, Remote = 4 };
enum class DRWebImageStage : int64_t { Progress = -1, Cancelled = 0, Finished = 1 };

/// (received size, expected size); expected -1 when unknown.
using DRWebImageProgressBlock = std::function<void(int64_t received, int64_t expected)>;
using DRWebImageTransformBlock = std::function<Ref<gfx::Image>(const Ref<gfx::Image>& image, const Ref<fd::URL>& url)>;
using DRWebImageCompletionBlock =
    std::function<void(const Ref<gfx::Image>& image, const Ref<fd::URL>& url, DRWebImageFrom from,
                       DRWebImageStage stage, const Ref<fd::Error>& error)>;

inline constexpr const char* DRWebImageErrorDomain = "com.kestrum.durar.webimage";
inline constexpr const char* DRImageErrorDomain = "com.kestrum.durar.image";

}  // namespace image
