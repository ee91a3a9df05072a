#include "net/http/ui/NKWebViewLoader.h"

#include "net/http/NKHTTPRequestOperation.h"
#include "net/http/NKURLRequestSerialization.h"
#include "net/http/NKURLResponseSerialization.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/text/StringEncoding.h"
#include "platform/foundation/values/Data.h"
#include "platform/ui/web/WebView.h"

namespace net {

namespace {
const char kWebViewLoaderKey = 0;
}  // namespace

RT_IMPLEMENT(NKWebViewLoader) {}

Ref<NKWebViewLoader> NKWebViewLoader::loaderFor(const Ref<ui::WebView>& view) {
  if (!view) return nullptr;
  auto loader = rt::as<NKWebViewLoader>(view->associatedObject(&kWebViewLoaderKey));
  if (!loader) {
    loader = rt::make<NKWebViewLoader>();
    loader->view_ = view;
    view->setAssociatedObject(&kWebViewLoaderKey, loader, rt::AssociationPolicy::RetainNonatomic);
  }
  return loader;
}

Ref<NKHTTPRequestSerializer> NKWebViewLoader::requestSerializer() const {
  if (requestSerializer_) return requestSerializer_;
  static Ref<NKHTTPRequestSerializer> shared = NKHTTPRequestSerializer::serializer();
  return shared;
}

Ref<NKHTTPResponseSerializer> NKWebViewLoader::responseSerializer() const {
  if (responseSerializer_) return responseSerializer_;
  static Ref<NKHTTPResponseSerializer> shared = NKHTTPResponseSerializer::serializer();
  return shared;
}

void NKWebViewLoader::loadRequest(const Ref<fd::URLRequest>& request, const std::optional<fd::String>& MIMEType,
                                  const std::optional<fd::String>& textEncodingName, ProgressBlock progress,
                                  DataSuccessBlock success, FailureBlock failure) {
  if (operation_) operation_->cancel();
  auto serialized = requestSerializer()->requestBySerializingRequest(request, nullptr, nullptr);
  auto operation = NKHTTPRequestOperation::create(serialized ? serialized : request);
  if (!operation) return;
  operation_ = operation;
  operation->setResponseSerializer(responseSerializer());
  if (progress) operation->setDownloadProgressBlock(std::move(progress));
  Weak<ui::WebView> weakView = view_;
  operation->setCompletionBlockWithSuccess(
      [weakView, MIMEType, textEncodingName, success](const Ref<NKHTTPRequestOperation>& op, const rt::Id&) {
        auto view = weakView.lock();
        if (!view) return;
        auto response = op->response();
        auto data = success ? success(response, op->responseData()) : op->responseData();
        if (!data) return;
        fd::String type = MIMEType ? *MIMEType : (response && response->MIMEType() ? *response->MIMEType() : fd::String());
        fd::String encoding = textEncodingName ? *textEncodingName
                                               : (response && response->textEncodingName() ? *response->textEncodingName()
                                                                                            : fd::String());
        view->loadData(data, type, encoding, response ? response->URL() : nullptr);
        if (auto delegate = view->delegate().lock()) delegate->webViewDidFinishLoad(*view);
      },
      [failure](const Ref<NKHTTPRequestOperation>&, const Ref<fd::Error>& error) {
        if (failure) failure(error);
      });
  operation->start();
  if (auto view = view_.lock()) {
    if (auto delegate = view->delegate().lock()) delegate->webViewDidStartLoad(*view);
  }
}

void NKWebViewLoader::loadRequest(const Ref<fd::URLRequest>& request, ProgressBlock progress,
                                  StringSuccessBlock success, FailureBlock failure) {
  DataSuccessBlock bytes = [success](const Ref<fd::HTTPURLResponse>& response,
                                     const Ref<fd::Data>& data) -> Ref<fd::Data> {
    fd::StringEncoding encoding = fd::UTF8StringEncoding;
    if (response && response->textEncodingName()) {
      auto named = fd::encodingForIANACharsetName(*response->textEncodingName());
      if (named != fd::kInvalidEncoding && fd::isSupportedEncoding(named)) encoding = named;
    }
    std::optional<fd::String> page = fd::stringWithData(data, encoding);
    if (success) page = success(response, page);
    return page ? fd::dataUsingEncoding(*page, encoding) : nullptr;
  };
  loadRequest(request, std::nullopt, std::nullopt, std::move(progress), std::move(bytes), std::move(failure));
}

}  // namespace net
