#include "platform/foundation/net/HTTPCookieStorage.h"

#include <algorithm>
#include <chrono>

#include "platform/foundation/net/WallClock.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(HTTPCookieStorage) {}

Ref<HTTPCookieStorage> HTTPCookieStorage::sharedHTTPCookieStorage() {
  static Ref<HTTPCookieStorage> shared = create();
  return shared;
}

void HTTPCookieStorage::setCookie(const Ref<HTTPCookie>& cookie) {
  if (!cookie) return;
  std::lock_guard lock(mutex_);
  std::erase_if(cookies_, [&](const Ref<HTTPCookie>& c) { return c->sameIdentity(*cookie); });
  if (!cookie->isExpired(secondsSince1970Now())) cookies_.push_back(cookie);
}

void HTTPCookieStorage::setCookies(const std::vector<Ref<HTTPCookie>>& cookies) {
  for (auto& c : cookies) setCookie(c);
}

void HTTPCookieStorage::deleteCookie(const Ref<HTTPCookie>& cookie) {
  if (!cookie) return;
  std::lock_guard lock(mutex_);
  std::erase_if(cookies_, [&](const Ref<HTTPCookie>& c) { return c->sameIdentity(*cookie); });
}

void HTTPCookieStorage::removeAllCookies() {
  std::lock_guard lock(mutex_);
  cookies_.clear();
}

void HTTPCookieStorage::dropExpired() {
  double t = secondsSince1970Now();
  std::erase_if(cookies_, [t](const Ref<HTTPCookie>& c) { return c->isExpired(t); });
}

std::vector<Ref<HTTPCookie>> HTTPCookieStorage::cookies() {
  std::lock_guard lock(mutex_);
  dropExpired();
  return cookies_;
}

std::vector<Ref<HTTPCookie>> HTTPCookieStorage::cookiesForURL(const Ref<URL>& url) {
  std::vector<Ref<HTTPCookie>> out;
  {
    std::lock_guard lock(mutex_);
    dropExpired();
    for (auto& c : cookies_)
      if (c->matchesURL(url)) out.push_back(c);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](auto& a, auto& b) { return a->path().length() > b->path().length(); });
  return out;
}

}  // namespace fd
