#include "net/http/NKHTTPSessionManager.h"

#include "net/http/NKSecurityPolicy.h"
#include "net/http/NKURLResponseSerialization.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/OperationQueue.h"

#undef DELETE

namespace net {

RT_IMPLEMENT(NKHTTPSessionManager) {
  c.protocol("NSSecureCoding");
  c.protocol("NSCoding");
  c.protocol("NSCopying");
  fd::registerDecoder(&c.cls(), [](fd::KeyedUnarchiver& coder) -> rt::Id {
    auto manager = std::make_shared<NKHTTPSessionManager>();
    return manager->initWithCoder(coder) ? manager : nullptr;
  });
}

namespace {

Ref<fd::URL> withTrailingSlash(Ref<fd::URL> baseURL) {
  if (baseURL && baseURL->path().length() > 0 && !baseURL->absoluteString().hasSuffix("/")) {
    return baseURL->URLByAppendingPathComponent(fd::String());
  }
  return baseURL;
}

}  // namespace

void NKHTTPSessionManager::init(Ref<fd::URL> baseURL, Ref<fd::URLSessionConfiguration> configuration) {
  NKURLSessionManager::init(std::move(configuration));
  baseURL_ = withTrailingSlash(std::move(baseURL));
  requestSerializer_ = NKHTTPRequestSerializer::serializer();
  setResponseSerializer(NKJSONResponseSerializer::serializer());
}

Ref<NKHTTPSessionManager> NKHTTPSessionManager::manager() { return create(nullptr); }

Ref<NKHTTPSessionManager> NKHTTPSessionManager::create(Ref<fd::URL> baseURL,
                                                       Ref<fd::URLSessionConfiguration> configuration) {
  return rt::make<NKHTTPSessionManager>(std::move(baseURL), std::move(configuration));
}

Ref<NKHTTPRequestSerializer> NKHTTPSessionManager::requestSerializer() const { return requestSerializer_; }

void NKHTTPSessionManager::setRequestSerializer(Ref<NKHTTPRequestSerializer> serializer) {
  // Every verb builds through the serializer: without one there would be no request at all.
  requestSerializer_ = serializer ? std::move(serializer) : NKHTTPRequestSerializer::serializer();
}

Ref<NKHTTPResponseSerializer> NKHTTPSessionManager::HTTPResponseSerializer() const {
  return std::dynamic_pointer_cast<NKHTTPResponseSerializer>(responseSerializer());
}

void NKHTTPSessionManager::setHTTPResponseSerializer(Ref<NKHTTPResponseSerializer> serializer) {
  setResponseSerializer(std::move(serializer));
}

Ref<fd::MutableURLRequest> NKHTTPSessionManager::buildFailing(const Ref<fd::MutableURLRequest>& request,
                                                              const Ref<fd::Error>& error,
                                                              const FailureBlock& failure) {
  if (request) return request;
  if (failure) {
    Ref<dispatch::Queue> queue = completionQueue() ? completionQueue() : dispatch::mainQueue();
    queue->async([failure, error] { failure(nullptr, error); });
  }
  return nullptr;
}

NKURLSessionManager::CompletionHandler NKHTTPSessionManager::splitCompletion(
    std::shared_ptr<Weak<fd::URLSessionDataTask>> slot, SuccessBlock success, FailureBlock failure) {
  return [slot, success = std::move(success), failure = std::move(failure)](
             const Ref<fd::URLResponse>&, const rt::Id& object, const Ref<fd::Error>& error) {
    auto task = slot->lock();
    if (error) {
      if (failure) failure(task, error);
    } else if (success) {
      success(task, object);
    }
  };
}

Ref<fd::URLSessionDataTask> NKHTTPSessionManager::dataTaskWithHTTPMethod(const fd::String& method,
                                                                         const fd::String& URLString,
                                                                         const rt::Id& parameters,
                                                                         SuccessBlock success, FailureBlock failure) {
  auto url = fd::URL::URLWithString(URLString, baseURL_);
  Ref<fd::Error> error;
  auto request = buildFailing(
      requestSerializer_->requestWithMethod(method, url ? url->absoluteString() : URLString, parameters, &error), error,
      failure);
  if (!request) return nullptr;
  auto slot = std::make_shared<Weak<fd::URLSessionDataTask>>();
  auto task = dataTaskWithRequest(request, splitCompletion(slot, std::move(success), std::move(failure)));
  *slot = task;
  return task;
}

Ref<fd::URLSessionDataTask> NKHTTPSessionManager::resumed(const Ref<fd::URLSessionDataTask>& task) {
  if (task) task->resume();
  return task;
}

Ref<fd::URLSessionDataTask> NKHTTPSessionManager::GET(const fd::String& URLString, const rt::Id& parameters,
                                                      SuccessBlock success, FailureBlock failure) {
  return resumed(dataTaskWithHTTPMethod("GET", URLString, parameters, std::move(success), std::move(failure)));
}

Ref<fd::URLSessionDataTask> NKHTTPSessionManager::HEAD(const fd::String& URLString, const rt::Id& parameters,
                                                       HeadSuccessBlock success, FailureBlock failure) {
  SuccessBlock wrapped = [success = std::move(success)](const Ref<fd::URLSessionDataTask>& task, const rt::Id&) {
    if (success) success(task);
  };
  return resumed(dataTaskWithHTTPMethod("HEAD", URLString, parameters, std::move(wrapped), std::move(failure)));
}

Ref<fd::URLSessionDataTask> NKHTTPSessionManager::POST(const fd::String& URLString, const rt::Id& parameters,
                                                       SuccessBlock success, FailureBlock failure) {
  return resumed(dataTaskWithHTTPMethod("POST", URLString, parameters, std::move(success), std::move(failure)));
}

Ref<fd::URLSessionDataTask> NKHTTPSessionManager::POST(const fd::String& URLString, const rt::Id& parameters,
                                                       const NKMultipartFormBlock& block, SuccessBlock success,
                                                       FailureBlock failure) {
  auto url = fd::URL::URLWithString(URLString, baseURL_);
  Ref<fd::Error> error;
  auto request = buildFailing(requestSerializer_->multipartFormRequestWithMethod(
                                  "POST", url ? url->absoluteString() : URLString, parameters, block, &error),
                              error, failure);
  if (!request) return nullptr;
  auto slot = std::make_shared<Weak<fd::URLSessionDataTask>>();
  Ref<fd::URLSessionDataTask> task =
      uploadTaskWithStreamedRequest(request, nullptr, splitCompletion(slot, std::move(success), std::move(failure)));
  *slot = task;
  return resumed(task);
}

Ref<fd::URLSessionDataTask> NKHTTPSessionManager::PUT(const fd::String& URLString, const rt::Id& parameters,
                                                      SuccessBlock success, FailureBlock failure) {
  return resumed(dataTaskWithHTTPMethod("PUT", URLString, parameters, std::move(success), std::move(failure)));
}

Ref<fd::URLSessionDataTask> NKHTTPSessionManager::PATCH(const fd::String& URLString, const rt::Id& parameters,
                                                        SuccessBlock success, FailureBlock failure) {
  return resumed(dataTaskWithHTTPMethod("PATCH", URLString, parameters, std::move(success), std::move(failure)));
}

Ref<fd::URLSessionDataTask> NKHTTPSessionManager::DELETE(const fd::String& URLString, const rt::Id& parameters,
                                                         SuccessBlock success, FailureBlock failure) {
  return resumed(dataTaskWithHTTPMethod("DELETE", URLString, parameters, std::move(success), std::move(failure)));
}

rt::String NKHTTPSessionManager::description() const {
  return rt::String::format("<%@: %p, baseURL: %@, session: %@, operationQueue: %@>", rt::String(getClass()->name()),
                            static_cast<const void*>(this), baseURL_ ? baseURL_->absoluteString() : rt::String("(null)"),
                            session(), operationQueue());
}

void NKHTTPSessionManager::encodeWithCoder(fd::KeyedArchiver& coder) const {
  NKURLSessionManager::encodeWithCoder(coder);
  coder.encodeObject(baseURL_, "baseURL");
  auto configuration = session()->configuration();
  if (configuration->getClass()->conformsToProtocol("NSCoding")) {
    coder.encodeObject(configuration, "sessionConfiguration");
  } else if (configuration->identifier()) {
    coder.encodeObject(fd::StringObject::create(*configuration->identifier()), "identifier");
  }
  coder.encodeObject(requestSerializer_, "requestSerializer");
  coder.encodeObject(std::dynamic_pointer_cast<rt::Object>(responseSerializer()), "responseSerializer");
  coder.encodeObject(securityPolicy(), "securityPolicy");
}

bool NKHTTPSessionManager::initWithCoder(fd::KeyedUnarchiver& coder) {
  auto baseURL = rt::as<fd::URL>(coder.decodeObjectOfClass(fd::URL::classObject(), "baseURL"));
  auto configuration = rt::as<fd::URLSessionConfiguration>(
      coder.decodeObjectOfClass(fd::URLSessionConfiguration::classObject(), "sessionConfiguration"));
  if (!configuration) {
    if (auto identifier = rt::as<fd::StringObject>(coder.decodeObjectOfClass(fd::StringObject::classObject(), "identifier"))) {
      configuration = fd::URLSessionConfiguration::backgroundSessionConfiguration(identifier->string());
    }
  }
  init(baseURL, configuration);
  setRequestSerializer(rt::as<NKHTTPRequestSerializer>(
      coder.decodeObjectOfClass(NKHTTPRequestSerializer::classObject(), "requestSerializer")));
  setResponseSerializer(rt::as<NKHTTPResponseSerializer>(
      coder.decodeObjectOfClass(NKHTTPResponseSerializer::classObject(), "responseSerializer")));
  if (auto policy = rt::as<NKSecurityPolicy>(coder.decodeObjectOfClass(NKSecurityPolicy::classObject(), "securityPolicy"))) {
    setSecurityPolicy(policy);
  }
  return true;
}

rt::Id NKHTTPSessionManager::copy() const {
  Ref<NKHTTPSessionManager> copy;
  if (getClass() == classObject()) {
    copy = rt::make<NKHTTPSessionManager>(baseURL_, session()->configuration());
  } else {
    // A subclass: its own initialiser runs, then the receiver's URL and configuration replace
    // the defaults it chose.
    copy = rt::as<NKHTTPSessionManager>(getClass()->createInstance());
    if (!copy) return nullptr;
    copy->baseURL_ = baseURL_;
    copy->replaceUnusedSession(session()->configuration());
  }
  if (requestSerializer_) copy->requestSerializer_ = rt::as<NKHTTPRequestSerializer>(requestSerializer_->copy());
  if (auto s = HTTPResponseSerializer()) copy->setResponseSerializer(rt::as<NKHTTPResponseSerializer>(s->copy()));
  if (auto p = securityPolicy()) copy->setSecurityPolicy(rt::as<NKSecurityPolicy>(p->copy()));
  return copy;
}

}  // namespace net
