#pragma once
// For URL loading tests: a delegate that records every callback with the thread and
// run-loop mode it arrived on, and a helper that runs the current run loop until a condition.
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLConnection.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/net/URLResponse.h"

namespace testsupport {

using fd::CachedURLResponse;
using fd::Data;
using fd::Error;
using fd::NSDefaultRunLoopMode;
using fd::RunLoop;
using fd::String;
using fd::URL;
using fd::URLAuthenticationChallenge;
using fd::URLConnection;
using fd::URLConnectionDelegate;
using fd::URLRequest;
using fd::URLResponse;

class ConnectionRecorder : public URLConnectionDelegate {
  RT_CLASS(ConnectionRecorder, URLConnectionDelegate)
 public:
  std::vector<std::string> events;
  std::vector<std::thread::id> threads;
  std::vector<String> modes;
  Ref<URLResponse> response;
  std::string body;
  size_t chunks = 0;
  Ref<Error> error;
  bool done = false;
  std::vector<Ref<URLResponse>> redirects;
  std::vector<Ref<URLAuthenticationChallenge>> challenges;
  int64_t bytesSent = 0;
  int64_t lastExpected = 0;
  std::function<Ref<URLRequest>(const Ref<URLRequest>&, const Ref<URLResponse>&)> onRedirect;
  std::function<void(const Ref<URLConnection>&, const Ref<URLAuthenticationChallenge>&)> onChallenge;
  std::function<void(const Ref<URLConnection>&)> onData;

  void willSendRequestForAuthenticationChallenge(const Ref<URLConnection>& c,
                                                 const Ref<URLAuthenticationChallenge>& ch) override {
    note("challenge");
    challenges.push_back(ch);
    if (onChallenge) onChallenge(c, ch);
    else c->performDefaultHandling(ch);
  }
  Ref<URLRequest> willSendRequest(const Ref<URLConnection>&, const Ref<URLRequest>& request,
                                  const Ref<URLResponse>& redirect) override {
    note(redirect ? "redirect" : "willSend");
    if (redirect) redirects.push_back(redirect);
    return onRedirect && redirect ? onRedirect(request, redirect) : request;
  }
  void didSendBodyData(const Ref<URLConnection>&, int64_t written, int64_t, int64_t expected) override {
    bytesSent += written;
    lastExpected = expected;
  }
  void didReceiveResponse(const Ref<URLConnection>&, const Ref<URLResponse>& r) override {
    note("response");
    response = r;
  }
  void didReceiveData(const Ref<URLConnection>& c, const Ref<Data>& d) override {
    if (events.empty() || events.back() != "data") note("data");
    ++chunks;
    body.append(d->view());
    if (onData) onData(c);
  }
  Ref<CachedURLResponse> willCacheResponse(const Ref<URLConnection>&, const Ref<CachedURLResponse>& r) override {
    note("cache");
    return r;
  }
  void connectionDidFinishLoading(const Ref<URLConnection>&) override {
    note("finish");
    done = true;
  }
  void didFailWithError(const Ref<URLConnection>&, const Ref<Error>& e) override {
    note("fail");
    error = e;
    done = true;
  }

 private:
  void note(const char* e) {
    events.push_back(e);
    threads.push_back(std::this_thread::get_id());
    modes.push_back(RunLoop::currentRunLoop()->currentMode());
  }
};

/// Runs the current run loop in `mode` until `done` answers true or `seconds` pass.
bool runLoopUntil(const std::function<bool()>& done, double seconds, const String& mode = NSDefaultRunLoopMode);

/// A URL object from text; throws when it does not parse.
Ref<URL> urlOf(const std::string& text);

}  // namespace testsupport
