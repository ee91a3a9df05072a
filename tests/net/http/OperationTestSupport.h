#pragma once
// Shared by the operation tests: waiting on the main run loop, and recording the client's
// start and finish notifications.
#include <string>
#include <vector>

#include "net/http/NKURLConnectionOperation.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/net/URLRequest.h"
#include "tests/support/ConnectionRecorder.h"

namespace nettest {

constexpr double kWait = 10;

inline bool waitUntil(const std::function<bool()>& done, double seconds = kWait) {
  return testsupport::runLoopUntil(done, seconds);
}

inline Ref<fd::MutableURLRequest> requestFor(const std::string& url, double timeout = 30) {
  auto r = fd::MutableURLRequest::requestWithURL(testsupport::urlOf(url));
  r->setTimeoutInterval(timeout);
  return r;
}

inline std::string str(const Ref<fd::Data>& d) {
  return d ? std::string(reinterpret_cast<const char*>(d->bytes()), d->length()) : std::string();
}

/// Records the start and finish notifications of one operation, and whether each arrived on
/// the main thread.
class NotificationLog {
 public:
  explicit NotificationLog(const Ref<net::NKURLConnectionOperation>& op) : token_(rt::make<rt::Object>()) {
    auto center = fd::NotificationCenter::defaultCenter();
    for (const char* name : {net::NKNetworkingOperationDidStartNotification,
                             net::NKNetworkingOperationDidFinishNotification}) {
      center->addObserver(
          token_,
          [this](const Ref<fd::Notification>& n) {
            names.push_back(n->name() == fd::String(net::NKNetworkingOperationDidStartNotification) ? "start" : "finish");
            allOnMain = allOnMain && fd::Thread::isMainThread();
          },
          fd::String(name), op);
    }
  }
  ~NotificationLog() { fd::NotificationCenter::defaultCenter()->removeObserver(token_); }
  NotificationLog(const NotificationLog&) = delete;
  NotificationLog& operator=(const NotificationLog&) = delete;

  size_t count(const std::string& name) const {
    size_t n = 0;
    for (const auto& s : names) n += s == name ? 1 : 0;
    return n;
  }

  std::vector<std::string> names;
  bool allOnMain = true;

 private:
  rt::Id token_;
};

}  // namespace nettest
