#include "tests/support/ConnectionRecorder.h"

#include <chrono>
#include <stdexcept>

namespace testsupport {

using namespace fd;

RT_IMPLEMENT(ConnectionRecorder) {
  using D = URLConnectionDelegate;
  D::implement(c.cls(), {D::kWillSendRequestForAuthenticationChallenge, D::kWillSendRequest, D::kDidSendBodyData,
                         D::kDidReceiveResponse, D::kDidReceiveData, D::kWillCacheResponse, D::kDidFinishLoading,
                         D::kDidFailWithError});
}

bool runLoopUntil(const std::function<bool()>& done, double seconds, const String& mode) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  auto loop = RunLoop::currentRunLoop();
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    loop->runInMode(mode, 0.01, true);
  }
  return true;
}

Ref<URL> urlOf(const std::string& text) {
  auto u = URL::URLWithString(String(text.c_str()));
  if (!u) throw std::invalid_argument("not a URL: " + text);
  return u;
}

}  // namespace testsupport
