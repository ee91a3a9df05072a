#pragma once
// The HTTP layer over the session manager: a base URL and a request serializer turn a verb, a
// URL string and parameters into a data task (a streamed upload task for multipart forms),
// which is resumed and answers through a success and a failure block.
#include "net/http/NKURLRequestSerialization.h"
#include "net/http/NKURLSessionManager.h"

// The resolver headers define DELETE as a macro; the verb keeps its name here.
#pragma push_macro("DELETE")
#undef DELETE

namespace net {

class NKHTTPResponseSerializer;

class NKHTTPSessionManager : public NKURLSessionManager {
  RT_CLASS(NKHTTPSessionManager, NKURLSessionManager)
 public:
  using SuccessBlock = std::function<void(const Ref<fd::URLSessionDataTask>& task, const rt::Id& responseObject)>;
  /// `task` is null when the request could not be built.
  using FailureBlock = std::function<void(const Ref<fd::URLSessionDataTask>& task, const Ref<fd::Error>& error)>;
  using HeadSuccessBlock = std::function<void(const Ref<fd::URLSessionDataTask>& task)>;

  void init() { init(nullptr, nullptr); }
  /// A base URL with a non-empty path gets a trailing "/" so that relative strings resolve
  /// beneath its last segment.
  void init(Ref<fd::URL> baseURL, Ref<fd::URLSessionConfiguration> configuration = nullptr);

  static Ref<NKHTTPSessionManager> manager();
  static Ref<NKHTTPSessionManager> create(Ref<fd::URL> baseURL,
                                          Ref<fd::URLSessionConfiguration> configuration = nullptr);

  const Ref<fd::URL>& baseURL() const { return baseURL_; }
  Ref<NKHTTPRequestSerializer> requestSerializer() const;
  void setRequestSerializer(Ref<NKHTTPRequestSerializer> serializer);
  Ref<NKHTTPResponseSerializer> HTTPResponseSerializer() const;
  void setHTTPResponseSerializer(Ref<NKHTTPResponseSerializer> serializer);

  /// The common builder: the task, not resumed; null (and `failure` hears the error on the
  /// completion queue) when the request cannot be built.
  Ref<fd::URLSessionDataTask> dataTaskWithHTTPMethod(const fd::String& method, const fd::String& URLString,
                                                     const rt::Id& parameters, SuccessBlock success,
                                                     FailureBlock failure);

  // Verbs: the task, resumed (null when the request could not be built).
  Ref<fd::URLSessionDataTask> GET(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                  FailureBlock failure);
  Ref<fd::URLSessionDataTask> HEAD(const fd::String& URLString, const rt::Id& parameters, HeadSuccessBlock success,
                                   FailureBlock failure);
  Ref<fd::URLSessionDataTask> POST(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                   FailureBlock failure);
  /// A multipart POST whose parts `block` appends, sent as a streamed upload.
  Ref<fd::URLSessionDataTask> POST(const fd::String& URLString, const rt::Id& parameters,
                                   const NKMultipartFormBlock& block, SuccessBlock success, FailureBlock failure);
  Ref<fd::URLSessionDataTask> PUT(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                  FailureBlock failure);
  Ref<fd::URLSessionDataTask> PATCH(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                    FailureBlock failure);
  Ref<fd::URLSessionDataTask> DELETE(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                     FailureBlock failure);

  rt::String description() const override;
  static bool supportsSecureCoding() { return true; }
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// Same base URL and configuration, with copies of the serializers and the security policy.
  rt::Id copy() const override;

 private:
  Ref<fd::MutableURLRequest> buildFailing(const Ref<fd::MutableURLRequest>& request, const Ref<fd::Error>& error,
                                          const FailureBlock& failure);
  CompletionHandler splitCompletion(std::shared_ptr<Weak<fd::URLSessionDataTask>> slot, SuccessBlock success,
                                    FailureBlock failure);
  static Ref<fd::URLSessionDataTask> resumed(const Ref<fd::URLSessionDataTask>& task);

  Ref<fd::URL> baseURL_;
  Ref<NKHTTPRequestSerializer> requestSerializer_;
};

}  // namespace net

#pragma pop_macro("DELETE")
