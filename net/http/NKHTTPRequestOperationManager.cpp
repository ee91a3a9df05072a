#include "net/http/NKHTTPRequestOperationManager.h"

#include "net/http/NKNetworkReachabilityManager.h"
#include "net/http/NKSecurityPolicy.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"

#undef DELETE

namespace net {

RT_IMPLEMENT(NKHTTPRequestOperationManager) {
  using M = NKHTTPRequestOperationManager;
  c.property("baseURL", &M::baseURL);
  c.property("requestSerializer", &M::requestSerializer, &M::setRequestSerializer);
  c.property("responseSerializer", &M::responseSerializer, &M::setResponseSerializer);
  c.property("operationQueue", &M::operationQueue, &M::setOperationQueue);
  c.property("shouldUseCredentialStorage", &M::shouldUseCredentialStorage, &M::setShouldUseCredentialStorage);
  c.property("securityPolicy", &M::securityPolicy, &M::setSecurityPolicy);
  c.protocol("NSSecureCoding");
  c.protocol("NSCoding");
  c.protocol("NSCopying");
}

void NKHTTPRequestOperationManager::init(Ref<fd::URL> baseURL) {
  if (baseURL && baseURL->path().length() > 0 && !baseURL->absoluteString().hasSuffix("/")) {
    baseURL = baseURL->URLByAppendingPathComponent(fd::String());
  }
  baseURL_ = std::move(baseURL);
  requestSerializer_ = NKHTTPRequestSerializer::serializer();
  responseSerializer_ = NKJSONResponseSerializer::serializer();
  securityPolicy_ = NKSecurityPolicy::defaultPolicy();
  reachabilityManager_ = NKNetworkReachabilityManager::sharedManager();
  operationQueue_ = fd::OperationQueue::create();
  shouldUseCredentialStorage_ = true;
}

Ref<NKHTTPRequestOperationManager> NKHTTPRequestOperationManager::manager() {
  return rt::make<NKHTTPRequestOperationManager>(nullptr);
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::HTTPRequestOperationWithRequest(
    const Ref<fd::URLRequest>& request, SuccessBlock success, FailureBlock failure) {
  auto operation = NKHTTPRequestOperation::create(request);
  if (!operation) return nullptr;
  operation->setResponseSerializer(responseSerializer_);
  operation->setShouldUseCredentialStorage(shouldUseCredentialStorage_);
  operation->setCredential(credential_);
  operation->setSecurityPolicy(securityPolicy_);
  operation->setCompletionBlockWithSuccess(std::move(success), std::move(failure));
  operation->setCompletionQueue(completionQueue_);
  operation->setCompletionGroup(completionGroup_);
  return operation;
}

void NKHTTPRequestOperationManager::reportFailure(const FailureBlock& failure, const Ref<fd::Error>& error) const {
  if (!failure) return;
  Ref<dispatch::Queue> queue = completionQueue_ ? completionQueue_ : dispatch::mainQueue();
  queue->async([failure, error] { failure(nullptr, error); });
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::HTTPRequestOperationWithHTTPMethod(
    const fd::String& method, const fd::String& URLString, const rt::Id& parameters, SuccessBlock success,
    FailureBlock failure) {
  auto url = fd::URL::URLWithString(URLString, baseURL_);
  Ref<fd::Error> error;
  auto request = requestSerializer_->requestWithMethod(method, url ? url->absoluteString() : URLString, parameters, &error);
  if (!request) {
    reportFailure(failure, error);
    return nullptr;
  }
  return HTTPRequestOperationWithRequest(request, std::move(success), std::move(failure));
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::enqueue(const Ref<NKHTTPRequestOperation>& operation) {
  if (operation) operationQueue_->addOperation(operation);
  return operation;
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::GET(const fd::String& URLString, const rt::Id& parameters,
                                                               SuccessBlock success, FailureBlock failure) {
  return enqueue(HTTPRequestOperationWithHTTPMethod("GET", URLString, parameters, std::move(success), std::move(failure)));
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::HEAD(const fd::String& URLString, const rt::Id& parameters,
                                                                HeadSuccessBlock success, FailureBlock failure) {
  SuccessBlock wrapped;
  if (success) {
    wrapped = [success = std::move(success)](const Ref<NKHTTPRequestOperation>& operation, const rt::Id&) {
      success(operation);
    };
  }
  return enqueue(HTTPRequestOperationWithHTTPMethod("HEAD", URLString, parameters, std::move(wrapped), std::move(failure)));
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::POST(const fd::String& URLString, const rt::Id& parameters,
                                                                SuccessBlock success, FailureBlock failure) {
  return enqueue(HTTPRequestOperationWithHTTPMethod("POST", URLString, parameters, std::move(success), std::move(failure)));
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::POST(const fd::String& URLString, const rt::Id& parameters,
                                                                const NKMultipartFormBlock& block, SuccessBlock success,
                                                                FailureBlock failure) {
  auto url = fd::URL::URLWithString(URLString, baseURL_);
  Ref<fd::Error> error;
  auto request = requestSerializer_->multipartFormRequestWithMethod(
      "POST", url ? url->absoluteString() : URLString, parameters, block, &error);
  if (!request) {
    reportFailure(failure, error);
    return nullptr;
  }
  return enqueue(HTTPRequestOperationWithRequest(request, std::move(success), std::move(failure)));
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::PUT(const fd::String& URLString, const rt::Id& parameters,
                                                               SuccessBlock success, FailureBlock failure) {
  return enqueue(HTTPRequestOperationWithHTTPMethod("PUT", URLString, parameters, std::move(success), std::move(failure)));
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::PATCH(const fd::String& URLString, const rt::Id& parameters,
                                                                 SuccessBlock success, FailureBlock failure) {
  return enqueue(
      HTTPRequestOperationWithHTTPMethod("PATCH", URLString, parameters, std::move(success), std::move(failure)));
}

Ref<NKHTTPRequestOperation> NKHTTPRequestOperationManager::DELETE(const fd::String& URLString, const rt::Id& parameters,
                                                                  SuccessBlock success, FailureBlock failure) {
  return enqueue(
      HTTPRequestOperationWithHTTPMethod("DELETE", URLString, parameters, std::move(success), std::move(failure)));
}

rt::String NKHTTPRequestOperationManager::description() const {
  return rt::String::format("<%@: %p, baseURL: %@, operationQueue: %@>", rt::String(getClass()->name()),
                            static_cast<const void*>(this), baseURL_ ? baseURL_->absoluteString() : rt::String("(null)"),
                            operationQueue_);
}

void NKHTTPRequestOperationManager::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(baseURL_, "baseURL");
  coder.encodeObject(requestSerializer_, "requestSerializer");
  coder.encodeObject(responseSerializer_, "responseSerializer");
  coder.encodeObject(securityPolicy_, "securityPolicy");
}

bool NKHTTPRequestOperationManager::initWithCoder(fd::KeyedUnarchiver& coder) {
  init(rt::as<fd::URL>(coder.decodeObjectOfClass(fd::URL::classObject(), "baseURL")));
  if (auto s = rt::as<NKHTTPRequestSerializer>(
          coder.decodeObjectOfClass(NKHTTPRequestSerializer::classObject(), "requestSerializer"))) {
    requestSerializer_ = s;
  }
  if (auto s = rt::as<NKHTTPResponseSerializer>(
          coder.decodeObjectOfClass(NKHTTPResponseSerializer::classObject(), "responseSerializer"))) {
    responseSerializer_ = s;
  }
  if (auto p = rt::as<NKSecurityPolicy>(coder.decodeObjectOfClass(NKSecurityPolicy::classObject(), "securityPolicy"))) {
    securityPolicy_ = p;
  }
  return true;
}

rt::Id NKHTTPRequestOperationManager::copy() const {
  auto copy = rt::make<NKHTTPRequestOperationManager>(baseURL_);
  copy->requestSerializer_ = rt::as<NKHTTPRequestSerializer>(requestSerializer_->copy());
  copy->responseSerializer_ = rt::as<NKHTTPResponseSerializer>(responseSerializer_->copy());
  copy->securityPolicy_ = rt::as<NKSecurityPolicy>(securityPolicy_->copy());
  return copy;
}

}  // namespace net
