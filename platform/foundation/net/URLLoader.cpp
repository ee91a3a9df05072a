#include "platform/foundation/net/URLLoader.h"

#include <arpa/inet.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>
#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>
#include <pthread.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "platform/foundation/net/URLError.h"

namespace fd {
namespace {

constexpr auto kSpinBeforeSleep = std::chrono::microseconds(50);
constexpr unsigned kMaxLoaderThreads = 4;
constexpr int kAwakeShare = 3;  // jobs an awake thread takes before the least busy one is woken

double steadyNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string_view trimmed(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  size_t e = s.find_last_not_of(" \t\r\n");
  return b == std::string_view::npos ? std::string_view() : s.substr(b, e - b + 1);
}

/// A bare CR inside a field is read as a space, as current HTTP asks of a recipient.
void appendFieldText(std::string& value, std::string_view text) {
  size_t from = value.size();
  value.append(text);
  std::replace(value.begin() + static_cast<std::ptrdiff_t>(from), value.end(), '\r', ' ');
}

}  // namespace

// State of one job while it runs, owned by the loader thread.
struct Running {
  std::shared_ptr<URLLoadJob> job;
  CURL* easy = nullptr;
  curl_slist* headerList = nullptr;
  size_t bodyOffset = 0;
  double started = 0;
  double lastActivity = 0;
  int64_t lastSent = -1;
  long status = 0;
  std::string version;
  URLLoadJob::Headers headers;
  bool responseSent = false;
  bool paused = false;  // by a refusal in onData; the idle time-out waits meanwhile
  /// Set when the header block broke the rules in a way the library let through.
  const char* malformed = nullptr;
  char errorText[CURL_ERROR_SIZE] = {};
};

struct URLLoader::Impl {
  CURLM* multi = nullptr;
  std::mutex mutex;
  std::vector<std::shared_ptr<URLLoadJob>> adds;
  std::vector<std::shared_ptr<URLLoadJob>> cancels;
  std::vector<std::shared_ptr<URLLoadJob>> resumes;
  std::atomic<bool> hasQueued{false};  // adds or cancels waiting for the loop
  std::atomic<int> load{0};            // jobs given to this thread and not yet done
  std::atomic<bool> sleeping{false};   // in (or about to enter) a poll that only a signal ends
  std::unordered_map<CURL*, std::unique_ptr<Running>> running;

  void loop();
  /// Hands a job to the loop from any thread.
  void queue(std::vector<std::shared_ptr<URLLoadJob>>& list, std::shared_ptr<URLLoadJob> job);
  void add(const std::shared_ptr<URLLoadJob>& job);
  void finish(CURL* easy, int64_t urlError, const std::string& message, bool notify);

  static size_t onHeader(char* data, size_t size, size_t n, void* arg);
  static curl_socket_t onOpenSocket(void* origin, curlsocktype purpose, curl_sockaddr* address);
  static int onCloseSocket(void* origin, curl_socket_t socket);
  static size_t onWrite(char* data, size_t size, size_t n, void* arg);
  static size_t onRead(char* data, size_t size, size_t n, void* arg);
  static int onProgress(void* arg, curl_off_t, curl_off_t, curl_off_t ultotal, curl_off_t ulnow);
  static CURLcode onSSLContext(CURL*, void* sslctx, void* arg);
  static int onVerify(X509_STORE_CTX* ctx, void* arg);
};

namespace {

// What a caller can act on: an answer that breaks the protocol is a bad server response, one
// beyond the limits exceeds the maximum, and only a connection that really failed is lost.
int64_t urlErrorForResult(CURLcode code, const Running& r) {
  if (r.malformed) return NSURLErrorBadServerResponse;
  switch (code) {
    case CURLE_OK: return 0;
    // Only http and https reach the loader, so this is an answer that is not HTTP at all
    // (the library takes a garbage status line for an ancient protocol).
    case CURLE_UNSUPPORTED_PROTOCOL: return NSURLErrorBadServerResponse;
    case CURLE_URL_MALFORMAT: return NSURLErrorBadURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return NSURLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT: return NSURLErrorCannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT: return NSURLErrorTimedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR: return NSURLErrorNetworkConnectionLost;
    case CURLE_RECV_ERROR:
      // The library reports broken chunk framing as a receive error too; only its text tells
      // it from a failed socket (the handle's saved system error may be a past transfer's).
      return std::strstr(r.errorText, "chunk") ? NSURLErrorBadServerResponse : NSURLErrorNetworkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_RANGE_ERROR: return NSURLErrorBadServerResponse;
    // The library answers a header beyond its limit as out of memory.
    case CURLE_OUT_OF_MEMORY: return r.status != 0 || r.responseSent || !r.headers.empty()
                                         ? NSURLErrorDataLengthExceedsMaximum
                                         : NSURLErrorUnknown;
    // The library's store of fields refuses a folded line with nothing to continue this way.
    case CURLE_BAD_FUNCTION_ARGUMENT: return r.status != 0 ? NSURLErrorBadServerResponse : NSURLErrorUnknown;
    case CURLE_FILESIZE_EXCEEDED: return NSURLErrorDataLengthExceedsMaximum;
    case CURLE_BAD_CONTENT_ENCODING: return NSURLErrorCannotDecodeContentData;
    case CURLE_FILE_COULDNT_READ_FILE: return NSURLErrorFileDoesNotExist;
    case CURLE_READ_ERROR:
    case CURLE_ABORTED_BY_CALLBACK: return NSURLErrorRequestBodyStreamExhausted;
    case CURLE_TOO_MANY_REDIRECTS: return NSURLErrorHTTPTooManyRedirects;
    case CURLE_PEER_FAILED_VERIFICATION: return NSURLErrorServerCertificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER: return NSURLErrorSecureConnectionFailed;
    default:
#if LIBCURL_VERSION_NUM >= 0x080600
      if (code == CURLE_TOO_LARGE) return NSURLErrorDataLengthExceedsMaximum;
#endif
      return NSURLErrorUnknown;
  }
}

}  // namespace

URLLoader& URLLoader::shared() {
  // Never destroyed: its threads serve until the process ends.
  static URLLoader* loader = new URLLoader();
  return *loader;
}

URLLoader::URLLoader() {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  // Sending a request costs the sender the wake-up of its receiver, so one thread sending for
  // many transfers makes them queue behind each other. A few loader threads share the work.
  unsigned n = std::clamp(std::thread::hardware_concurrency() / 2, 2u, kMaxLoaderThreads);
  for (unsigned i = 0; i < n; ++i) {
    auto* impl = new Impl;
    impl->multi = curl_multi_init();
    // Kept-alive connections stay cached however few transfers are running at the moment;
    // the library's default scales the cache with the transfers added and drops them otherwise.
    curl_multi_setopt(impl->multi, CURLMOPT_MAXCONNECTS, 64L);
    std::thread([impl] { impl->loop(); }).detach();
    impls_.push_back(impl);
  }
}

namespace {

std::string originOf(const std::string& url) {
  size_t scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  size_t end = url.find_first_of("/?#", scheme + 3);
  return url.substr(0, end);
}

}  // namespace

void URLLoader::start(std::shared_ptr<URLLoadJob> job) {
  Impl* impl = choose(*job);
  ++impl->load;
  job->owner.store(impl);
  impl->queue(impl->adds, std::move(job));
}

URLLoader::Impl* URLLoader::choose(URLLoadJob& job) {
  std::string origin = originOf(job.url);
  std::lock_guard lock(originsMutex_);
  auto slotOf = [&](Impl* impl) {
    auto& slot = origins_[{impl, origin}];
    if (!slot) slot = std::make_unique<URLLoadOrigin>();
    return slot.get();
  };
  Impl* chosen = nullptr;
  // A thread with an idle connection to the server, awake if one is: a new connection costs
  // the server a thread and both sides a handshake, more than a wake-up signal.
  for (Impl* impl : impls_) {
    URLLoadOrigin* slot = slotOf(impl);
    if (slot->open.load() - slot->busy.load() <= 0) continue;
    if (!chosen || (chosen->sleeping.load() && !impl->sleeping.load())) chosen = impl;
  }
  if (!chosen) chosen = leastBusy();
  job.origin = slotOf(chosen);
  ++job.origin->busy;
  return chosen;
}

URLLoader::Impl* URLLoader::leastBusy() {
  // A thread awake in the middle of its own transfers takes the job without a wake-up signal,
  // which costs more than the transfer's own work, up to a few jobs so that sends still spread.
  // Otherwise the least busy thread, the first among equals: one transfer at a time keeps to
  // one thread and so to its kept-alive connections.
  Impl* least = nullptr;
  Impl* awake = nullptr;
  int leastLoad = 0, awakeLoad = 0;
  for (Impl* impl : impls_) {
    int load = impl->load.load(std::memory_order_relaxed);
    if (!least || load < leastLoad) {
      least = impl;
      leastLoad = load;
    }
    if (load > 0 && load < kAwakeShare && !impl->sleeping.load() && (!awake || load < awakeLoad)) {
      awake = impl;
      awakeLoad = load;
    }
  }
  return awake ? awake : least;
}

void URLLoader::cancel(const std::shared_ptr<URLLoadJob>& job) {
  job->cancelled.store(true);
  if (auto* impl = static_cast<Impl*>(job->owner.load())) impl->queue(impl->cancels, job);
}

void URLLoader::resume(const std::shared_ptr<URLLoadJob>& job) {
  if (auto* impl = static_cast<Impl*>(job->owner.load())) impl->queue(impl->resumes, job);
}

void URLLoader::Impl::queue(std::vector<std::shared_ptr<URLLoadJob>>& list, std::shared_ptr<URLLoadJob> job) {
  {
    std::lock_guard lock(mutex);
    list.push_back(std::move(job));
    hasQueued.store(true);
  }
  // A loader that is not about to sleep finds the job by the flag; a signal costs a system call.
  if (sleeping.load()) curl_multi_wakeup(multi);
}

bool URLLoader::verifyDefault(X509_STORE_CTX* ctx, const std::string& host) {
  X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx);
  if (!host.empty()) {
    unsigned char addr[16];
    if (inet_pton(AF_INET, host.c_str(), addr) == 1 || inet_pton(AF_INET6, host.c_str(), addr) == 1)
      X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    else
      X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
  }
  return X509_verify_cert(ctx) == 1;
}

void URLLoader::Impl::loop() {
  pthread_setname_np(pthread_self(), "url-loader");
  for (;;) {
    std::vector<std::shared_ptr<URLLoadJob>> toAdd, toCancel, toResume;
    {
      std::lock_guard lock(mutex);
      toAdd.swap(adds);
      toCancel.swap(cancels);
      toResume.swap(resumes);
      hasQueued.store(false, std::memory_order_relaxed);
    }
    for (auto& job : toCancel) {
      for (auto& [easy, r] : running) {
        if (r->job == job) {
          finish(easy, 0, {}, false);
          break;
        }
      }
    }
    for (auto& job : toAdd) {
      if (!job->cancelled.load()) {
        add(job);
        continue;
      }
      --load;
      --job->origin->busy;
    }
    for (auto& job : toResume) {
      for (auto& [easy, r] : running) {
        if (r->job != job || !r->paused) continue;
        r->paused = false;
        r->lastActivity = steadyNow();
        curl_easy_pause(easy, CURLPAUSE_CONT);
        break;
      }
    }

    int still = 0;
    curl_multi_perform(multi, &still);
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
      if (msg->msg != CURLMSG_DONE) continue;
      CURLcode code = msg->data.result;
      auto it = running.find(msg->easy_handle);
      if (it == running.end()) continue;
      const Running& r = *it->second;
      // The library's own account, which tells apart causes that share one URL error.
      std::string message = r.malformed ? r.malformed : r.errorText[0] ? r.errorText : curl_easy_strerror(code);
      finish(msg->easy_handle, urlErrorForResult(code, r), message, true);
    }
    double t = steadyNow();
    std::vector<std::pair<CURL*, const char*>> late;
    for (auto& [easy, r] : running) {
      if (!r->paused && t - r->lastActivity > r->job->idleTimeout) late.emplace_back(easy, "no data within the request time-out");
      else if (r->job->totalTimeout > 0 && t - r->started > r->job->totalTimeout)
        late.emplace_back(easy, "not complete within the resource time-out");
    }
    for (auto& [easy, why] : late) finish(easy, NSURLErrorTimedOut, why, true);

    int ready = 0;
    if (!running.empty()) {
      // Replies often come within microseconds: look for socket activity or new jobs briefly
      // before a sleeping poll, whose wake-up costs more than the wait it saves.
      auto until = std::chrono::steady_clock::now() + kSpinBeforeSleep;
      do {
        curl_multi_poll(multi, nullptr, 0, 0, &ready);
        if (ready > 0 || hasQueued.load()) break;
      } while (std::chrono::steady_clock::now() < until);
    }
    if (ready == 0) {
      // Jobs queued from now on send the wake-up signal; those queued before are seen here.
      sleeping.store(true);
      if (!hasQueued.load()) curl_multi_poll(multi, nullptr, 0, running.empty() ? 1000 : 20, nullptr);
      sleeping.store(false);
    }
  }
}

void URLLoader::Impl::add(const std::shared_ptr<URLLoadJob>& job) {
  auto r = std::make_unique<Running>();
  r->job = job;
  r->started = r->lastActivity = steadyNow();
  // A fresh handle for every job: the library's store of received fields keeps a pointer to
  // the last field across a reset, and a reused handle given a folded first field line writes
  // through it into freed memory.
  CURL* e = curl_easy_init();
  r->easy = e;
  curl_easy_setopt(e, CURLOPT_URL, job->url.c_str());
  curl_easy_setopt(e, CURLOPT_PRIVATE, r.get());
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, r->errorText);
  // Sockets are counted against the origin's entry, which outlives every handle: the library
  // closes a kept-alive connection long after the transfer that opened it.
  curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &Impl::onOpenSocket);
  curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, job->origin);
  curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &Impl::onCloseSocket);
  curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, job->origin);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, r.get());
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Impl::onWrite);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, r.get());
  if (job->decodeContent) curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
  long connectMs = static_cast<long>(job->idleTimeout * 1000);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connectMs > 0 ? connectMs : 1L);
  // Trust is decided in the verification hook, host name included, so that a delegate's
  // acceptance covers both.
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(e, CURLOPT_SSL_SESSIONID_CACHE, 0L);
  curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &Impl::onSSLContext);
  curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, r.get());
  if (!job->user.empty()) {
    curl_easy_setopt(e, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(e, CURLOPT_USERNAME, job->user.c_str());
    curl_easy_setopt(e, CURLOPT_PASSWORD, job->password.c_str());
  }

  bool hasBody = job->bodyReader || !job->body.empty() || job->method == "POST" || job->method == "PUT" ||
                 job->method == "PATCH";
  if (job->method == "HEAD") {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else if (hasBody) {
    // Progress reports matter only for bytes going up.
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &Impl::onProgress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, r.get());
    curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(e, CURLOPT_READFUNCTION, &Impl::onRead);
    curl_easy_setopt(e, CURLOPT_READDATA, r.get());
    int64_t length = job->bodyReader ? job->bodyLength : static_cast<int64_t>(job->body.size());
    if (length >= 0) curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(length));
    curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, job->method.c_str());
  } else if (job->method != "GET") {
    curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, job->method.c_str());
  }

  bool hasExpect = false, hasAccept = false, hasContentType = false;
  for (auto& [k, v] : job->headers) {
    std::string line = v.empty() ? k + ";" : k + ": " + v;
    r->headerList = curl_slist_append(r->headerList, line.c_str());
    hasExpect |= strcasecmp(k.c_str(), "Expect") == 0;
    hasAccept |= strcasecmp(k.c_str(), "Accept") == 0;
    hasContentType |= strcasecmp(k.c_str(), "Content-Type") == 0;
  }
  // The library's defaults differ from the platform's: no "Expect: 100-continue" pause, "*/*",
  // and form-encoded bodies unless told otherwise.
  if (!hasExpect) r->headerList = curl_slist_append(r->headerList, "Expect:");
  if (!hasAccept) r->headerList = curl_slist_append(r->headerList, "Accept: */*");
  if (hasBody && !hasContentType && job->method == "POST")
    r->headerList = curl_slist_append(r->headerList, "Content-Type: application/x-www-form-urlencoded");
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, r->headerList);

  Running* raw = r.get();
  running.emplace(e, std::move(r));
  curl_multi_add_handle(multi, raw->easy);
}

void URLLoader::Impl::finish(CURL* easy, int64_t urlError, const std::string& message, bool notify) {
  auto it = running.find(easy);
  if (it == running.end()) return;
  std::unique_ptr<Running> r = std::move(it->second);
  running.erase(it);
  --load;
  curl_multi_remove_handle(multi, easy);
  auto job = r->job;
  --job->origin->busy;
  if (notify && !job->cancelled.load()) {
    if (urlError == 0 && !r->responseSent) {
      // No header block (file URLs): the response is implied.
      r->responseSent = true;
      if (job->onResponse) job->onResponse(0, {}, {});
    }
    if (job->onComplete) job->onComplete(urlError, message);
  }
  curl_easy_cleanup(easy);
  curl_slist_free_all(r->headerList);
}

size_t URLLoader::Impl::onHeader(char* data, size_t size, size_t n, void* arg) {
  auto* r = static_cast<Running*>(arg);
  size_t len = size * n;
  if (r->job->cancelled.load()) return 0;
  r->lastActivity = steadyNow();
  std::string_view line(data, len);
  if (line.starts_with("HTTP/")) {
    r->headers.clear();
    size_t sp = line.find(' ');
    r->version = std::string(line.substr(0, sp));
    r->status = 0;
    if (sp != std::string_view::npos) std::from_chars(line.data() + sp + 1, line.data() + line.size(), r->status);
    return len;
  }
  if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !trimmed(line).empty()) {
    // A folded line continues the field before it; it never makes a field of its own.
    if (r->headers.empty()) {
      r->malformed = "a folded header line without a field to continue";
      return 0;
    }
    std::string& value = r->headers.back().second;
    if (!value.empty()) value += ' ';
    appendFieldText(value, trimmed(line));
    return len;
  }
  std::string_view t = trimmed(line);
  if (t.empty()) {
    // End of a header block; interim (1xx) blocks are not responses.
    if (r->status >= 200 && !r->responseSent) {
      r->responseSent = true;
      if (r->job->onResponse) r->job->onResponse(r->status, r->version, r->headers);
    }
    return len;
  }
  size_t colon = t.find(':');
  if (colon != std::string_view::npos) {
    r->headers.emplace_back(std::string(trimmed(t.substr(0, colon))), std::string());
    appendFieldText(r->headers.back().second, trimmed(t.substr(colon + 1)));
  }
  return len;
}

curl_socket_t URLLoader::Impl::onOpenSocket(void* origin, curlsocktype, curl_sockaddr* address) {
  curl_socket_t s = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  if (s != CURL_SOCKET_BAD) ++static_cast<URLLoadOrigin*>(origin)->open;
  return s;
}

int URLLoader::Impl::onCloseSocket(void* origin, curl_socket_t socket) {
  --static_cast<URLLoadOrigin*>(origin)->open;
  return ::close(socket);
}

size_t URLLoader::Impl::onWrite(char* data, size_t size, size_t n, void* arg) {
  auto* r = static_cast<Running*>(arg);
  size_t len = size * n;
  if (r->job->cancelled.load()) return 0;
  r->lastActivity = steadyNow();
  if (!r->responseSent) {
    r->responseSent = true;
    if (r->job->onResponse) r->job->onResponse(r->status, r->version, r->headers);
  }
  if (r->job->onData && len && !r->job->onData(data, len)) {
    r->paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  return len;
}

size_t URLLoader::Impl::onRead(char* data, size_t size, size_t n, void* arg) {
  auto* r = static_cast<Running*>(arg);
  size_t max = size * n;
  if (r->job->cancelled.load()) return CURL_READFUNC_ABORT;
  r->lastActivity = steadyNow();
  auto& job = *r->job;
  if (job.bodyReader) {
    int64_t got = job.bodyReader(reinterpret_cast<uint8_t*>(data), max);
    if (got < 0) return CURL_READFUNC_ABORT;
    return static_cast<size_t>(got);
  }
  size_t count = std::min(max, job.body.size() - r->bodyOffset);
  std::memcpy(data, job.body.data() + r->bodyOffset, count);
  r->bodyOffset += count;
  return count;
}

int URLLoader::Impl::onProgress(void* arg, curl_off_t, curl_off_t, curl_off_t ultotal, curl_off_t ulnow) {
  auto* r = static_cast<Running*>(arg);
  if (r->job->cancelled.load()) return 1;
  if (ulnow > 0 && ulnow != r->lastSent) {
    r->lastSent = ulnow;
    r->lastActivity = steadyNow();
    if (r->job->onSent) r->job->onSent(ulnow, ultotal > 0 ? ultotal : r->job->bodyLength);
  }
  return 0;
}

CURLcode URLLoader::Impl::onSSLContext(CURL*, void* sslctx, void* arg) {
  SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX*>(sslctx), &Impl::onVerify, arg);
  return CURLE_OK;
}

int URLLoader::Impl::onVerify(X509_STORE_CTX* ctx, void* arg) {
  auto* r = static_cast<Running*>(arg);
  std::vector<std::vector<uint8_t>> chain;
  auto addCert = [&](X509* x) {
    int n = i2d_X509(x, nullptr);
    if (n <= 0) return;
    std::vector<uint8_t> der(static_cast<size_t>(n));
    unsigned char* p = der.data();
    i2d_X509(x, &p);
    chain.push_back(std::move(der));
  };
  X509* leaf = X509_STORE_CTX_get0_cert(ctx);
  if (leaf) addCert(leaf);
  if (STACK_OF(X509)* rest = X509_STORE_CTX_get0_untrusted(ctx)) {
    for (int i = 0; i < sk_X509_num(rest); ++i) {
      X509* x = sk_X509_value(rest, i);
      if (x != leaf && X509_cmp(x, leaf) != 0) addCert(x);
    }
  }
  bool ok = r->job->onTrust ? r->job->onTrust(chain, ctx) : X509_verify_cert(ctx) == 1;
  r->lastActivity = steadyNow();
  if (!ok) {
    r->job->trustRefused.store(true);
    X509_STORE_CTX_set_error(ctx, X509_V_ERR_APPLICATION_VERIFICATION);
  }
  return ok ? 1 : 0;
}

}  // namespace fd
