#include "image/web2/DRWebImageManager.h"

#include "image/web2/DRImageCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/runtime/Exception.h"

namespace image {

RT_IMPLEMENT(DRWebImageManager) {}

Ref<DRWebImageManager> DRWebImageManager::sharedManager() {
  static Ref<DRWebImageManager> shared = [] {
    auto queue = fd::OperationQueue::create();
    queue->setQualityOfService(fd::QualityOfService::Background);
    return create(DRImageCache::sharedCache(), queue);
  }();
  return shared;
}

void DRWebImageManager::init() {
  rt::raise("DRWebImageManager init error", "Use the designated initializer to init.");
}

void DRWebImageManager::init(Ref<DRImageCache> c, Ref<fd::OperationQueue> q) {
  cache = std::move(c);
  queue = std::move(q);
  timeout = 15.0;
  headers = {{"Accept", "image/webp,image/*;q=0.8"}};
}

std::optional<DRWebImageManager::Headers> DRWebImageManager::headersForURL(const Ref<fd::URL>& url) const {
  if (!url) return std::nullopt;
  return headersFilter ? headersFilter(url, headers) : headers;
}

std::optional<fd::String> DRWebImageManager::cacheKeyForURL(const Ref<fd::URL>& url) const {
  if (!url) return std::nullopt;
  return cacheKeyFilter ? cacheKeyFilter(url) : std::optional<fd::String>(url->absoluteString());
}

Ref<DRWebImageOperation> DRWebImageManager::requestImageWithURL(const Ref<fd::URL>& url, DRWebImageOptions options,
                                                                DRWebImageProgressBlock progress,
                                                                DRWebImageTransformBlock transform,
                                                                DRWebImageCompletionBlock completion) {
  auto request = fd::MutableURLRequest::requestWithURL(url);
  if (!request || !url) return nullptr;
  request->setTimeoutInterval(timeout);
  request->setHTTPShouldHandleCookies(options & DRWebImageOptionSendCookies);
  fd::HTTPHeaderList fields;
  if (auto h = headersForURL(url)) fields.assign(h->begin(), h->end());
  request->setAllHTTPHeaderFields(std::move(fields));
  request->setHTTPShouldUsePipelining(true);
  request->setCachePolicy((options & DRWebImageOptionURLCache) ? fd::URLRequestCachePolicy::UseProtocolCachePolicy
                                                               : fd::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
  auto operation = rt::make<DRWebImageOperation>(Ref<fd::URLRequest>(request), options, cache, cacheKeyForURL(url),
                                                 std::move(progress), transform ? std::move(transform) : sharedTransformBlock,
                                                 std::move(completion));
  if (!operation) return nullptr;
  if (username && password)
    operation->setCredential(
        fd::URLCredential::credentialWithUser(*username, *password, fd::URLCredentialPersistence::ForSession));
  if (queue) queue->addOperation(operation);
  else operation->start();
  return operation;
}

}  // namespace image
