#include "app/service/Request.h"

#include "app/util/NSString+Category.h"
#include "net/http/NKHTTPRequestOperationManager.h"
#include "net/http/NKMultipartFormData.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/graphics/ImageData.h"
#include "platform/ui/host/Application.h"

namespace app {
namespace {

constexpr const char* kFailureMessage = "网络错误!";
constexpr const char* kUploadMimeType = "image/jpeg/png";

void setIndicatorVisible(bool visible) {
  ui::Application::sharedApplication()->setNetworkActivityIndicatorVisible(visible);
}

Ref<fd::Set> acceptableContentTypes() {
  return fd::Set::create({fd::box(fd::String("application/json")), fd::box(fd::String("text/html")),
                          fd::box(fd::String("text/json")), fd::box(fd::String("text/javascript"))});
}

/// A fresh manager. POSTs get a new JSON serializer, GETs keep the manager's own; signed
/// calls get the signing request serializer. Every call but the data upload times out
/// after ten seconds.
Ref<net::NKHTTPRequestOperationManager> makeManager(bool post, bool sign, bool defaultTimeout) {
  auto manager = net::NKHTTPRequestOperationManager::manager();
  if (post) manager->setResponseSerializer(net::NKJSONResponseSerializer::serializer());
  manager->responseSerializer()->setAcceptableContentTypes(acceptableContentTypes());
  if (sign) {
    // One clock reading serves both headers.
    fd::String time = Request::timestamp();
    manager->setRequestSerializer(Request::RequestHeaderWithsign(Request::signature(time), time));
  }
  if (!defaultTimeout) manager->requestSerializer()->setTimeoutInterval(Request::kTimeoutInterval);
  return manager;
}

net::NKHTTPRequestOperationManager::SuccessBlock hideThenSucceed(Request::Success success) {
  return [success = std::move(success)](const Ref<net::NKHTTPRequestOperation>&, const rt::Id& responseObject) {
    setIndicatorVisible(false);
    if (success) success(responseObject);
  };
}

net::NKHTTPRequestOperationManager::FailureBlock failWithMessage(Request::MessageFailure failure) {
  return [failure = std::move(failure)](const Ref<net::NKHTTPRequestOperation>&, const Ref<fd::Error>&) {
    if (failure) failure(kFailureMessage);
    setIndicatorVisible(false);
  };
}

fd::String describeOrNull(const rt::Id& object) { return object ? object->description() : fd::String("(null)"); }

}  // namespace

fd::String Request::timestamp() { return fd::String::format("%.0f", fd::Date::date()->timeIntervalSince1970()); }

fd::String Request::signature(const fd::String& timestamp) {
  return md5(fd::String::format("%@%@1", fd::String(kSigningKey), timestamp)).substring(0, 26);
}

Ref<net::NKHTTPRequestSerializer> Request::RequestHeaderWithsign(const fd::String& sign, const fd::String& timestamp) {
  auto serializer = net::NKHTTPRequestSerializer::serializer();
  serializer->setValueForHTTPHeaderField(sign, kSignatureHeader);
  serializer->setValueForHTTPHeaderField(timestamp, kTimestampHeader);
  return serializer;
}

Ref<fd::Data> Request::Image_TransForm_Data(const Ref<gfx::Image>& image) {
  return gfx::UIImageJPEGRepresentation(image, 0.5);
}

void Request::get(const fd::String& URLString, const rt::Id& params, Success success, MessageFailure failure) {
  fd::NSLog("%s(%d): ---url--- %@ params --- %@", __func__, __LINE__, URLString, describeOrNull(params));
  setIndicatorVisible(true);
  auto manager = makeManager(false, true, false);
  manager->GET(URLString, params, hideThenSucceed(std::move(success)), failWithMessage(std::move(failure)));
}

void Request::getVide(const fd::String& URLString, const rt::Id& params, Success success, ErrorFailure failure) {
  fd::NSLog("%s(%d): ---url--- %@ params --- %@", __func__, __LINE__, URLString, describeOrNull(params));
  setIndicatorVisible(true);
  auto manager = makeManager(false, false, false);
  manager->GET(
      URLString, params, hideThenSucceed(std::move(success)),
      [failure = std::move(failure)](const Ref<net::NKHTTPRequestOperation>& operation, const Ref<fd::Error>& error) {
        if (failure) failure(error);
        setIndicatorVisible(false);
        std::optional<fd::String> text = operation ? operation->responseString() : std::nullopt;
        fd::NSLog("operation: %@", text.value_or(fd::String("(null)")));
      });
}

void Request::post(const fd::String& URLString, const rt::Id& params, Success success, MessageFailure failure) {
  fd::NSLog("%s(%d): ---url--- %@ params --- %@", __func__, __LINE__, URLString, describeOrNull(params));
  setIndicatorVisible(true);
  auto manager = makeManager(true, true, false);
  manager->POST(
      URLString, params,
      [success = std::move(success)](const Ref<net::NKHTTPRequestOperation>&, const rt::Id& responseObject) {
        if (success) success(responseObject);
        fd::NSLog("%s(%d): ---responseObject--- %@ ", __func__, __LINE__, describeOrNull(responseObject));
        setIndicatorVisible(false);
      },
      failWithMessage(std::move(failure)));
}

void Request::post(const fd::String& URLString, const rt::Id& params, const std::vector<Ref<gfx::Image>>& formData,
                   Success success, MessageFailure failure) {
  setIndicatorVisible(true);
  auto manager = makeManager(true, true, false);
  manager->POST(
      URLString, params,
      [formData](const Ref<net::NKMultipartFormData>& body) {
        for (size_t i = 0; i < formData.size(); ++i) {
          auto data = Image_TransForm_Data(formData[i]);
          // An image without a bitmap has no JPEG form; its part goes out empty.
          if (!data) data = fd::Data::create();
          body->appendPartWithFileData(data, fd::String::format("pic%d", i), fd::String::format("test%d.png", i),
                                       kUploadMimeType);
        }
      },
      hideThenSucceed(std::move(success)), failWithMessage(std::move(failure)));
}

void Request::post(const fd::String& URLString, const rt::Id& params, const Ref<fd::Data>& Data, Success success,
                   MessageFailure failure) {
  setIndicatorVisible(true);
  auto manager = makeManager(true, true, true);
  manager->POST(
      URLString, params,
      [Data](const Ref<net::NKMultipartFormData>& body) {
        body->appendPartWithFileData(Data ? Data : fd::Data::create(), "head_file", "head_file.png", kUploadMimeType);
      },
      hideThenSucceed(std::move(success)), failWithMessage(std::move(failure)));
}

}  // namespace app
