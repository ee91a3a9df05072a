#pragma once
// What every request needs in one place (base URL, serializers, security policy, credential,
// reachability, completion queue and group), with one call per HTTP verb that builds a
// request operation and puts it on the manager's own operation queue.
#include "net/http/NKHTTPRequestOperation.h"
#include "net/http/NKURLRequestSerialization.h"

namespace fd {
class OperationQueue;
class URL;
}  // namespace fd

// The resolver headers define DELETE as a macro; the verb keeps its name here whatever was
// included before (callers that include those headers #undef it before calling the verb).
#pragma push_macro("DELETE")
#undef DELETE

namespace net {

class NKNetworkReachabilityManager;

class NKHTTPRequestOperationManager : public rt::Object, public fd::Coding {
  RT_CLASS(NKHTTPRequestOperationManager, rt::Object)
 public:
  using SuccessBlock = NKHTTPRequestOperation::SuccessBlock;
  using FailureBlock = NKHTTPRequestOperation::FailureBlock;
  using HeadSuccessBlock = std::function<void(const Ref<NKHTTPRequestOperation>& operation)>;

  void init() { init(nullptr); }
  /// A base URL with a non-empty path gets a trailing "/" so that relative paths resolve
  /// beneath its last segment.
  void init(Ref<fd::URL> baseURL);

  static Ref<NKHTTPRequestOperationManager> manager();

  const Ref<fd::URL>& baseURL() const { return baseURL_; }
  const Ref<NKHTTPRequestSerializer>& requestSerializer() const { return requestSerializer_; }
  void setRequestSerializer(Ref<NKHTTPRequestSerializer> serializer) { requestSerializer_ = std::move(serializer); }
  const Ref<NKHTTPResponseSerializer>& responseSerializer() const { return responseSerializer_; }
  void setResponseSerializer(Ref<NKHTTPResponseSerializer> serializer) { responseSerializer_ = std::move(serializer); }
  const Ref<fd::OperationQueue>& operationQueue() const { return operationQueue_; }
  void setOperationQueue(Ref<fd::OperationQueue> queue) { operationQueue_ = std::move(queue); }
  bool shouldUseCredentialStorage() const { return shouldUseCredentialStorage_; }
  void setShouldUseCredentialStorage(bool use) { shouldUseCredentialStorage_ = use; }
  const Ref<fd::URLCredential>& credential() const { return credential_; }
  void setCredential(Ref<fd::URLCredential> credential) { credential_ = std::move(credential); }
  const Ref<NKSecurityPolicy>& securityPolicy() const { return securityPolicy_; }
  void setSecurityPolicy(Ref<NKSecurityPolicy> policy) { securityPolicy_ = std::move(policy); }
  /// The shared reachability manager unless replaced; not started here.
  const Ref<NKNetworkReachabilityManager>& reachabilityManager() const { return reachabilityManager_; }
  void setReachabilityManager(Ref<NKNetworkReachabilityManager> manager) { reachabilityManager_ = std::move(manager); }
  /// Null means the main queue.
  const Ref<dispatch::Queue>& completionQueue() const { return completionQueue_; }
  void setCompletionQueue(Ref<dispatch::Queue> queue) { completionQueue_ = std::move(queue); }
  /// Null means the operations' default group.
  const Ref<dispatch::Group>& completionGroup() const { return completionGroup_; }
  void setCompletionGroup(Ref<dispatch::Group> group) { completionGroup_ = std::move(group); }

  /// A configured operation for `request`, not enqueued.
  Ref<NKHTTPRequestOperation> HTTPRequestOperationWithRequest(const Ref<fd::URLRequest>& request, SuccessBlock success,
                                                              FailureBlock failure);
  /// The operation for `URLString` resolved against the base URL; when the request cannot be
  /// built, null, and `failure` hears the error (with no operation) on the completion queue.
  Ref<NKHTTPRequestOperation> HTTPRequestOperationWithHTTPMethod(const fd::String& method, const fd::String& URLString,
                                                                 const rt::Id& parameters, SuccessBlock success,
                                                                 FailureBlock failure);

  // Verbs: build, enqueue and answer the operation (null when none could be built).
  Ref<NKHTTPRequestOperation> GET(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                  FailureBlock failure);
  /// Its success block hears only the operation.
  Ref<NKHTTPRequestOperation> HEAD(const fd::String& URLString, const rt::Id& parameters, HeadSuccessBlock success,
                                   FailureBlock failure);
  Ref<NKHTTPRequestOperation> POST(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                   FailureBlock failure);
  /// A multipart POST whose parts `block` appends after the parameters.
  Ref<NKHTTPRequestOperation> POST(const fd::String& URLString, const rt::Id& parameters,
                                   const NKMultipartFormBlock& block, SuccessBlock success, FailureBlock failure);
  Ref<NKHTTPRequestOperation> PUT(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                  FailureBlock failure);
  Ref<NKHTTPRequestOperation> PATCH(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                    FailureBlock failure);
  Ref<NKHTTPRequestOperation> DELETE(const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
                                     FailureBlock failure);

  rt::String description() const override;
  static bool supportsSecureCoding() { return true; }
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// The same base URL with copies of the serializers and the security policy.
  rt::Id copy() const override;

 private:
  Ref<NKHTTPRequestOperation> enqueue(const Ref<NKHTTPRequestOperation>& operation);
  void reportFailure(const FailureBlock& failure, const Ref<fd::Error>& error) const;

  Ref<fd::URL> baseURL_;
  Ref<NKHTTPRequestSerializer> requestSerializer_;
  Ref<NKHTTPResponseSerializer> responseSerializer_;
  Ref<fd::OperationQueue> operationQueue_;
  bool shouldUseCredentialStorage_ = true;
  Ref<fd::URLCredential> credential_;
  Ref<NKSecurityPolicy> securityPolicy_;
  Ref<NKNetworkReachabilityManager> reachabilityManager_;
  Ref<dispatch::Queue> completionQueue_;
  Ref<dispatch::Group> completionGroup_;
};

}  // namespace net

#pragma pop_macro("DELETE")
