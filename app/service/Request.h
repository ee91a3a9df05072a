#pragma once
// The thin layer between the content service client and the HTTP client: every call makes a
// fresh operation manager, signs content requests with the shared key and the current time,
// and hands the parsed JSON or a failure back on the main queue. Holds no state.
#include <functional>
#include <vector>

#include "net/http/NKURLRequestSerialization.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/graphics/Image.h"

namespace app {

class Request {
 public:
  using Success = std::function<void(const rt::Id& responseObject)>;
  /// Signed calls report every failure with the fixed text "网络错误!".
  using MessageFailure = std::function<void(const fd::String& message)>;
  using ErrorFailure = std::function<void(const Ref<fd::Error>& error)>;

  /// The shared key the content service checks signatures with.
  static constexpr const char* kSigningKey = "qovatesplimurdanekwohifzyx";
  static constexpr const char* kSignatureHeader = "API_AUTHKEY";
  static constexpr const char* kTimestampHeader = "API-AUTHTIME";
  static constexpr double kTimeoutInterval = 10;

  /// Signed GET.
  static void get(const fd::String& URLString, const rt::Id& params, Success success, MessageFailure failure);
  /// Unsigned GET (the video list service); the failure hears the error itself.
  static void getVide(const fd::String& URLString, const rt::Id& params, Success success, ErrorFailure failure);
  /// Signed POST of a URL-encoded form; `params` may be null.
  static void post(const fd::String& URLString, const rt::Id& params, Success success, MessageFailure failure);
  /// Signed multipart POST with one JPEG part per image: "pic0", "pic1" ...
  static void post(const fd::String& URLString, const rt::Id& params, const std::vector<Ref<gfx::Image>>& formData,
                   Success success, MessageFailure failure);
  /// Signed multipart POST with `Data` as the part "head_file".
  static void post(const fd::String& URLString, const rt::Id& params, const Ref<fd::Data>& Data, Success success,
                   MessageFailure failure);

  /// A request serializer whose default headers carry the signature and the timestamp it was
  /// computed from.
  static Ref<net::NKHTTPRequestSerializer> RequestHeaderWithsign(const fd::String& sign, const fd::String& timestamp);
  /// The image as JPEG at quality 0.5.
  static Ref<fd::Data> Image_TransForm_Data(const Ref<gfx::Image>& image);

  /// The current time in whole seconds since 1970, rounded to the nearest second.
  static fd::String timestamp();
  /// The first 26 digits of the lower-case MD5 of the key, `timestamp` and "1".
  static fd::String signature(const fd::String& timestamp);
};

}  // namespace app
