#include "platform/foundation/net/URLCache.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/foundation/net/WallClock.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/net/HTTPDate.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLResponse.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(URLCache) {}

namespace {

namespace fs = std::filesystem;

constexpr const char* kMagic = "KDURLCACHE1\n";

// File names are a stable hash of the key; the key itself is kept in the file and compared on
// reading, so that a collision reads as a miss.
uint64_t fnv1a(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

void putField(std::ostream& out, std::string_view field) {
  out << field.size() << '\n';
  out.write(field.data(), static_cast<std::streamsize>(field.size()));
}

std::optional<std::string> getField(std::istream& in) {
  std::string line;
  if (!std::getline(in, line) || line.empty() || line.size() > 12) return std::nullopt;
  char* end = nullptr;
  unsigned long long n = std::strtoull(line.c_str(), &end, 10);
  if (*end != 0 || n > (1ull << 32)) return std::nullopt;
  std::string field(n, '\0');
  if (!in.read(field.data(), static_cast<std::streamsize>(n))) return std::nullopt;
  return field;
}

std::optional<long long> toInteger(const std::optional<std::string>& s) {
  if (!s || s->empty()) return std::nullopt;
  char* end = nullptr;
  long long v = std::strtoll(s->c_str(), &end, 10);
  if (*end != 0) return std::nullopt;
  return v;
}

// Cache-Control directives: whether the entry may be stored or must be checked with the
// server, and its max-age.
struct Directives {
  bool noStore = false;
  bool noCache = false;
  std::optional<long long> maxAge;
};

Directives directivesOf(std::string_view cacheControl) {
  Directives d;
  std::string text(cacheControl);
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::stringstream in(text);
  std::string token;
  while (std::getline(in, token, ',')) {
    token.erase(0, token.find_first_not_of(" \t"));
    token.erase(token.find_last_not_of(" \t") + 1);
    if (token == "no-store") d.noStore = true;
    if (token == "no-cache") d.noCache = true;
    if (token.rfind("max-age=", 0) == 0) d.maxAge = toInteger(token.substr(8));
  }
  return d;
}

std::optional<String> field(const Ref<HTTPURLResponse>& http, const char* name) {
  return http ? http->valueForHTTPHeaderField(name) : std::nullopt;
}

Directives directivesOf(const Ref<HTTPURLResponse>& http) {
  auto value = field(http, "Cache-Control");
  return value ? directivesOf(value->utf8()) : Directives{};
}

// How long a stored answer stays fresh (RFC 9111 4.2.1; s-maxage is for shared caches only):
// max-age, else Expires less Date, where a missing Date is the time the answer was stored and
// an Expires that is not a date means already expired. Null when nothing says.
std::optional<double> freshnessLifetime(const Ref<HTTPURLResponse>& http, const Directives& d, double storedAt) {
  if (d.maxAge) return static_cast<double>(*d.maxAge);
  auto expires = field(http, "Expires");
  if (!expires) return std::nullopt;
  auto expiresAt = parseHTTPDate(expires->utf8());
  if (!expiresAt) return 0.0;
  auto date = field(http, "Date");
  auto dated = date ? parseHTTPDate(date->utf8()) : std::nullopt;
  return *expiresAt - dated.value_or(storedAt);
}

}  // namespace

void URLCache::init(int64_t memoryCapacity, int64_t diskCapacity, const String& diskPath) {
  memoryCapacity_ = std::max<int64_t>(0, memoryCapacity);
  diskCapacity_ = std::max<int64_t>(0, diskCapacity);
  diskPath_ = diskPath.utf8();
}

Ref<URLCache> URLCache::create(int64_t memoryCapacity, int64_t diskCapacity, const String& diskPath) {
  return rt::make<URLCache>(memoryCapacity, diskCapacity, diskPath);
}

namespace {
struct SharedSlot {
  std::mutex mutex;
  Ref<URLCache> cache;
};
SharedSlot& sharedSlot() {
  static SharedSlot slot;
  return slot;
}
}  // namespace

Ref<URLCache> URLCache::sharedURLCache() {
  auto& slot = sharedSlot();
  std::lock_guard lock(slot.mutex);
  if (!slot.cache) {
    String folder = cachesDirectory().stringByAppendingPathComponent("URLCache");
    slot.cache = create(4 << 20, 20 << 20, folder);
  }
  return slot.cache;
}

void URLCache::setSharedURLCache(Ref<URLCache> cache) {
  auto& slot = sharedSlot();
  std::lock_guard lock(slot.mutex);
  slot.cache = std::move(cache);
}

bool URLCache::isStorable(const Ref<URLResponse>& response) {
  auto http = std::dynamic_pointer_cast<HTTPURLResponse>(response);
  return http && http->statusCode() == 200 && !directivesOf(http).noStore;
}

bool URLCache::isStorable(int64_t statusCode, std::string_view cacheControl) {
  return statusCode == 200 && !directivesOf(cacheControl).noStore;
}

bool URLCache::mayStoreAnswer(int64_t statusCode,
                              const std::vector<std::pair<std::string, std::string>>& headers) const {
  std::string cacheControl;
  for (auto& [k, v] : headers) {
    if (strcasecmp(k.c_str(), "Content-Length") == 0) {
      char* end = nullptr;
      long long length = std::strtoll(v.c_str(), &end, 10);
      if (end != v.c_str() && length > maximumEntrySize()) return false;
    } else if (strcasecmp(k.c_str(), "Cache-Control") == 0) {
      if (!cacheControl.empty()) cacheControl += ", ";
      cacheControl += v;
    }
  }
  return isStorable(statusCode, cacheControl);
}

int64_t URLCache::maximumEntrySize() const {
  // An entry goes to memory when it fits there and to disk when it fits there.
  return diskPath_.empty() ? memoryCapacity_ : std::max(memoryCapacity_, diskCapacity_);
}

std::optional<std::string> URLCache::keyFor(const Ref<URLRequest>& request) const {
  if (!request || !request->URL()) return std::nullopt;
  std::string method = request->HTTPMethod().utf8();
  if (!method.empty() && strcasecmp(method.c_str(), "GET") != 0) return std::nullopt;
  return request->URL()->absoluteString().utf8();
}

std::string URLCache::fileFor(const std::string& key) const {
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.cache", static_cast<unsigned long long>(fnv1a(key)));
  return (fs::path(diskPath_) / name).string();
}

std::optional<URLCache::Entry> URLCache::readFile(const std::string& key) const {
  if (diskPath_.empty()) return std::nullopt;
  std::ifstream in(fileFor(key), std::ios::binary);
  if (!in) return std::nullopt;
  std::string magic(std::strlen(kMagic), '\0');
  if (!in.read(magic.data(), static_cast<std::streamsize>(magic.size())) || magic != kMagic) return std::nullopt;
  auto storedKey = getField(in);
  if (!storedKey || *storedKey != key) return std::nullopt;
  auto storedAt = getField(in);
  auto status = toInteger(getField(in));
  auto version = getField(in);
  auto count = toInteger(getField(in));
  if (!storedAt || !status || !version || !count || *count < 0 || *count > 10000) return std::nullopt;
  HTTPHeaderList headers;
  for (long long i = 0; i < *count; ++i) {
    auto name = getField(in);
    auto value = getField(in);
    if (!name || !value) return std::nullopt;
    headers.emplace_back(String(name->c_str()), String(value->c_str()));
  }
  auto body = getField(in);
  if (!body) return std::nullopt;
  auto url = URL::URLWithString(String(key.c_str()));
  if (!url) return std::nullopt;
  Entry e;
  auto response = HTTPURLResponse::create(url, *status, String(version->c_str()), std::move(headers));
  e.cached = rt::make<CachedURLResponse>(response, Data::create(std::string_view(*body)));
  e.storedAt = std::strtod(storedAt->c_str(), nullptr);
  e.size = static_cast<int64_t>(body->size());
  return e;
}

void URLCache::writeFile(const std::string& key, const Entry& entry) {
  auto http = std::dynamic_pointer_cast<HTTPURLResponse>(entry.cached->response());
  if (diskPath_.empty() || !http || entry.size > diskCapacity_) return;
  std::error_code ec;
  fs::create_directories(diskPath_, ec);
  std::string path = fileFor(key);
  {
    std::ofstream out(path + ".tmp", std::ios::binary | std::ios::trunc);
    if (!out) return;
    out << kMagic;
    putField(out, key);
    putField(out, std::to_string(entry.storedAt));
    putField(out, std::to_string(http->statusCode()));
    putField(out, http->httpVersion().value_or(String("HTTP/1.1")).utf8());
    putField(out, std::to_string(http->headerFields().size()));
    for (auto& [k, v] : http->headerFields()) {
      putField(out, k.utf8());
      putField(out, v.utf8());
    }
    auto& data = entry.cached->data();
    putField(out, data ? std::string_view(reinterpret_cast<const char*>(data->bytes()), data->length())
                       : std::string_view());
    if (!out) return;
  }
  fs::rename(path + ".tmp", path, ec);
  // Over capacity: the least recently written entries go first.
  std::vector<std::pair<fs::file_time_type, fs::path>> files;
  int64_t total = 0;
  for (auto& f : fs::directory_iterator(diskPath_, ec)) {
    if (f.path().extension() != ".cache") continue;
    total += static_cast<int64_t>(f.file_size(ec));
    files.emplace_back(f.last_write_time(ec), f.path());
  }
  std::sort(files.begin(), files.end());
  for (auto& [time, p] : files) {
    if (total <= diskCapacity_) break;
    if (p.string() == path) continue;
    total -= static_cast<int64_t>(fs::file_size(p, ec));
    fs::remove(p, ec);
  }
}

bool URLCache::isFresh(const Entry& entry) const {
  auto http = std::dynamic_pointer_cast<HTTPURLResponse>(entry.cached->response());
  auto d = directivesOf(http);
  if (d.noCache) return false;
  // An answer that says nothing of how long it holds is checked with the server (or loaded
  // again) before it is used, or every plain GET would be answered from the cache for ever.
  auto lifetime = freshnessLifetime(http, d, entry.storedAt);
  return lifetime && secondsSince1970Now() - entry.storedAt < *lifetime;
}

std::optional<URLCache::Entry> URLCache::find(const Ref<URLRequest>& request) {
  auto key = keyFor(request);
  if (!key) return std::nullopt;
  std::lock_guard lock(mutex_);
  if (auto it = memory_.find(*key); it != memory_.end()) return it->second;
  auto e = readFile(*key);
  if (e && e->size <= memoryCapacity_) {
    memory_[*key] = *e;
    memoryUsage_ += e->size;
    trimMemory();
  }
  return e;
}

Ref<CachedURLResponse> URLCache::cachedResponseForRequest(const Ref<URLRequest>& request) {
  auto e = find(request);
  return e ? e->cached : nullptr;
}

Ref<CachedURLResponse> URLCache::usableResponseForRequest(const Ref<URLRequest>& request) {
  if (!request) return nullptr;
  switch (request->cachePolicy()) {
    case URLRequestCachePolicy::UseProtocolCachePolicy: {
      auto e = find(request);
      return e && isFresh(*e) ? e->cached : nullptr;
    }
    case URLRequestCachePolicy::ReturnCacheDataElseLoad:
    case URLRequestCachePolicy::ReturnCacheDataDontLoad:
      return cachedResponseForRequest(request);
    default:
      return nullptr;
  }
}

void URLCache::storeCachedResponse(const Ref<CachedURLResponse>& cached, const Ref<URLRequest>& request) {
  auto key = keyFor(request);
  if (!key || !cached || cached->storagePolicy() == URLCacheStoragePolicy::NotAllowed) return;
  Entry e;
  e.cached = cached;
  e.storedAt = secondsSince1970Now();
  e.size = cached->data() ? static_cast<int64_t>(cached->data()->length()) : 0;
  std::lock_guard lock(mutex_);
  if (auto it = memory_.find(*key); it != memory_.end()) {
    memoryUsage_ -= it->second.size;
    memory_.erase(it);
  }
  if (e.size <= memoryCapacity_) {
    memory_[*key] = e;
    memoryUsage_ += e.size;
    trimMemory();
  }
  if (cached->storagePolicy() == URLCacheStoragePolicy::Allowed) {
    writeFile(*key, e);
  } else if (!diskPath_.empty()) {
    std::error_code ec;
    fs::remove(fileFor(*key), ec);
  }
}

void URLCache::trimMemory() {
  while (memoryUsage_ > memoryCapacity_ && !memory_.empty()) {
    auto oldest = std::min_element(memory_.begin(), memory_.end(),
                                   [](auto& a, auto& b) { return a.second.storedAt < b.second.storedAt; });
    memoryUsage_ -= oldest->second.size;
    memory_.erase(oldest);
  }
}

void URLCache::removeCachedResponseForRequest(const Ref<URLRequest>& request) {
  auto key = keyFor(request);
  if (!key) return;
  std::lock_guard lock(mutex_);
  if (auto it = memory_.find(*key); it != memory_.end()) {
    memoryUsage_ -= it->second.size;
    memory_.erase(it);
  }
  if (!diskPath_.empty()) {
    std::error_code ec;
    fs::remove(fileFor(*key), ec);
  }
}

void URLCache::removeAllCachedResponses() {
  std::lock_guard lock(mutex_);
  memory_.clear();
  memoryUsage_ = 0;
  if (diskPath_.empty()) return;
  std::error_code ec;
  for (auto& f : fs::directory_iterator(diskPath_, ec))
    if (f.path().extension() == ".cache") fs::remove(f.path(), ec);
}

int64_t URLCache::currentMemoryUsage() const {
  std::lock_guard lock(mutex_);
  return memoryUsage_;
}

int64_t URLCache::currentDiskUsage() const {
  std::lock_guard lock(mutex_);
  if (diskPath_.empty()) return 0;
  int64_t total = 0;
  std::error_code ec;
  for (auto& f : fs::directory_iterator(diskPath_, ec))
    if (f.path().extension() == ".cache") total += static_cast<int64_t>(f.file_size(ec));
  return total;
}

}  // namespace fd
