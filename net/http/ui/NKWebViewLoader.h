#pragma once
// Lets a web view fetch its page through the HTTP client: the request goes through a request
// serializer and a request operation, the caller may rewrite the answer, and the bytes are
// loaded into the view with the answer's type, encoding and URL. A new load cancels the one
// under way.
#include <functional>
#include <optional>

#include "platform/foundation/Types.h"

namespace fd {
class Data;
class Error;
class HTTPURLResponse;
class URLRequest;
}  // namespace fd
namespace ui {
class WebView;
}  // namespace ui

namespace net {

class NKHTTPRequestOperation;
class NKHTTPRequestSerializer;
class NKHTTPResponseSerializer;

class NKWebViewLoader : public rt::Object {
  RT_CLASS(NKWebViewLoader, rt::Object)
 public:
  using ProgressBlock = std::function<void(uint64_t bytes, int64_t totalBytes, int64_t totalBytesExpected)>;
  using DataSuccessBlock = std::function<Ref<fd::Data>(const Ref<fd::HTTPURLResponse>&, const Ref<fd::Data>&)>;
  /// Takes the page (none when it did not decode) and answers the page to show.
  using StringSuccessBlock = std::function<std::optional<fd::String>(const Ref<fd::HTTPURLResponse>&,
                                                                     const std::optional<fd::String>&)>;
  using FailureBlock = std::function<void(const Ref<fd::Error>&)>;

  /// The view's own loader, made on first use.
  static Ref<NKWebViewLoader> loaderFor(const Ref<ui::WebView>& view);

  Ref<NKHTTPRequestSerializer> requestSerializer() const;
  void setRequestSerializer(Ref<NKHTTPRequestSerializer> s) { requestSerializer_ = std::move(s); }
  Ref<NKHTTPResponseSerializer> responseSerializer() const;
  void setResponseSerializer(Ref<NKHTTPResponseSerializer> s) { responseSerializer_ = std::move(s); }
  const Ref<NKHTTPRequestOperation>& HTTPRequestOperation() const { return operation_; }

  /// A MIME type or encoding name given here wins over the answer's.
  void loadRequest(const Ref<fd::URLRequest>& request, const std::optional<fd::String>& MIMEType,
                   const std::optional<fd::String>& textEncodingName, ProgressBlock progress, DataSuccessBlock success,
                   FailureBlock failure);
  /// The page decoded (UTF-8 unless the answer names a known character set), offered to
  /// `success`, and encoded again the same way.
  void loadRequest(const Ref<fd::URLRequest>& request, ProgressBlock progress, StringSuccessBlock success,
                   FailureBlock failure);

 private:
  Weak<ui::WebView> view_;
  Ref<NKHTTPRequestSerializer> requestSerializer_;
  Ref<NKHTTPResponseSerializer> responseSerializer_;
  Ref<NKHTTPRequestOperation> operation_;
};

}  // namespace net
