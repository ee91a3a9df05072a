#include "image/web/Data+ImageContentType.h"

#include <cstring>

#include "platform/foundation/values/Data.h"

namespace image {

std::optional<fd::String> wi_contentTypeForImageData(const Ref<fd::Data>& data) {
  if (!data || data->length() == 0) return std::nullopt;
  const uint8_t* b = data->bytes();
  switch (b[0]) {
    case 0xFF: return fd::String("image/jpeg");
    case 0x89: return fd::String("image/png");
    case 0x47: return fd::String("image/gif");
    case 0x49:
    case 0x4D: return fd::String("image/tiff");
    case 0x52: {
      if (data->length() < 12) return std::nullopt;
      for (size_t i = 0; i < 12; ++i)
        if (b[i] > 0x7F) return std::nullopt;
      if (std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, "WEBP", 4) == 0) return fd::String("image/webp");
      return std::nullopt;
    }
    default: return std::nullopt;
  }
}

std::optional<fd::String> contentTypeForImageData(const Ref<fd::Data>& data) {
  return wi_contentTypeForImageData(data);
}

}  // namespace image
