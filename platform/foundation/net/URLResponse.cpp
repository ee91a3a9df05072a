#include "platform/foundation/net/URLResponse.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

namespace fd {

namespace {

// Field names compare without ASCII case (they are ASCII tokens; other characters compare
// exactly).
char16_t foldASCII(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

struct FoldedNameHash {
  size_t operator()(const String& s) const {
    uint64_t h = 1469598103934665603ULL;  // FNV-1a
    for (char16_t c : s.view()) h = (h ^ foldASCII(c)) * 1099511628211ULL;
    return static_cast<size_t>(h);
  }
};

struct FoldedNameEqual {
  bool operator()(const String& a, const String& b) const {
    std::u16string_view x = a.view(), y = b.view();
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
      if (foldASCII(x[i]) != foldASCII(y[i])) return false;
    return true;
  }
};

}  // namespace

RT_IMPLEMENT_PLATFORM(URLResponse) {
  c.property("URL", &URLResponse::URL);
  c.property("expectedContentLength", &URLResponse::expectedContentLength);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

RT_IMPLEMENT_PLATFORM(HTTPURLResponse) { c.property("statusCode", &HTTPURLResponse::statusCode); }

void URLResponse::init(Ref<fd::URL> url, std::optional<String> mimeType, int64_t expectedLength,
                       std::optional<String> textEncodingName) {
  url_ = std::move(url);
  mimeType_ = std::move(mimeType);
  expectedLength_ = expectedLength;
  textEncoding_ = std::move(textEncodingName);
}

String URLResponse::suggestedFilename() const {
  if (url_) {
    String last = url_->lastPathComponent();
    if (!last.isEmpty() && last != "/") return last;
  }
  return "Unknown";
}

void URLResponse::encodeWithCoder(KeyedArchiver& coder) const {
  coder.encodeObject(url_, "URL");
  if (mimeType_) coder.encodeObject(StringObject::create(*mimeType_), "MIMEType");
  coder.encodeInteger(expectedLength_, "expectedContentLength");
  if (textEncoding_) coder.encodeObject(StringObject::create(*textEncoding_), "textEncodingName");
}

bool URLResponse::initWithCoder(KeyedUnarchiver& coder) {
  url_ = coder.decodeObjectOfClass<fd::URL>("URL");
  auto mime = coder.decodeObjectOfClass<StringObject>("MIMEType");
  mimeType_ = mime ? std::optional<String>(mime->string()) : std::nullopt;
  expectedLength_ = coder.containsValueForKey("expectedContentLength") ? coder.decodeInteger("expectedContentLength")
                                                                       : NSURLResponseUnknownLength;
  if (expectedLength_ < NSURLResponseUnknownLength) return false;
  auto encoding = coder.decodeObjectOfClass<StringObject>("textEncodingName");
  textEncoding_ = encoding ? std::optional<String>(encoding->string()) : std::nullopt;
  return true;
}

void HTTPURLResponse::encodeWithCoder(KeyedArchiver& coder) const {
  URLResponse::encodeWithCoder(coder);
  coder.encodeInteger(status_, "statusCode");
  if (version_) coder.encodeObject(StringObject::create(*version_), "HTTPVersion");
  encodeHeaderList(coder, headers_, "header");
}

bool HTTPURLResponse::initWithCoder(KeyedUnarchiver& coder) {
  if (!URLResponse::initWithCoder(coder)) return false;
  status_ = coder.decodeInteger("statusCode");
  if (status_ < 100 || status_ > 999) return false;
  auto version = coder.decodeObjectOfClass<StringObject>("HTTPVersion");
  version_ = version ? std::optional<String>(version->string()) : std::nullopt;
  return decodeHeaderList(coder, headers_, "header");
}

String URLResponse::description() const {
  return String::format("<%@: %p> { URL: %@ }", className(), static_cast<const void*>(this),
                        url_ ? url_->absoluteString() : String("(null)"));
}

void HTTPURLResponse::init(Ref<fd::URL> url, int64_t statusCode, std::optional<String> httpVersion,
                           HTTPHeaderList headers) {
  status_ = statusCode;
  version_ = std::move(httpVersion);
  // One pass with a table keyed by the folded name: a server may send thousands of fields,
  // and this runs on the thread that every connection shares. Names and values are shared,
  // not copied; only a repeated field's joined value is built.
  std::unordered_map<String, size_t, FoldedNameHash, FoldedNameEqual> index;
  index.reserve(headers.size());
  std::unordered_map<size_t, std::u16string> joined;
  headers_.reserve(headers.size());
  for (auto& [name, value] : headers) {
    auto [it, added] = index.try_emplace(name, headers_.size());
    if (added) {
      headers_.emplace_back(std::move(name), std::move(value));
      continue;
    }
    auto [j, first] = joined.try_emplace(it->second);
    if (first) j->second = headers_[it->second].second.view();
    j->second.append(u", ").append(value.view());
  }
  for (auto& [k, text] : joined) headers_[k].second = String(std::u16string_view(text));
  auto field = [&](const char* name) -> std::optional<String> {
    auto it = index.find(String(name));
    return it == index.end() ? std::nullopt : std::optional<String>(headers_[it->second].second);
  };
  std::optional<String> mime, charset;
  if (auto type = field("Content-Type")) {
    auto parts = type->componentsSeparatedByString(";");
    String m = parts[0].trimmed().lowercaseString();
    if (!m.isEmpty()) mime = m;
    for (size_t i = 1; i < parts.size(); ++i) {
      String p = parts[i].trimmed();
      if (p.lowercaseString().hasPrefix("charset=")) {
        String cs = p.substringFromIndex(8);
        if (cs.hasPrefix("\"") && cs.hasSuffix("\"") && cs.length() >= 2) cs = cs.substring(1, cs.length() - 2);
        charset = cs.lowercaseString();
      }
    }
  }
  int64_t length = NSURLResponseUnknownLength;
  // An encoded body's length says nothing about the decoded bytes the client receives.
  auto encoding = field("Content-Encoding");
  bool encoded = encoding && !encoding->isEmpty() && encoding->lowercaseString() != "identity";
  if (auto cl = field("Content-Length"); cl && !encoded) {
    std::string s = cl->utf8();
    char* end = nullptr;
    long long n = std::strtoll(s.c_str(), &end, 10);
    if (!s.empty() && end && *end == 0 && n >= 0) length = n;
  }
  URLResponse::init(std::move(url), mime, length, charset);
}

Ref<HTTPURLResponse> HTTPURLResponse::create(Ref<fd::URL> url, int64_t statusCode, std::optional<String> httpVersion,
                                             HTTPHeaderList headers) {
  return rt::make<HTTPURLResponse>(std::move(url), statusCode, std::move(httpVersion), std::move(headers));
}

Ref<Dictionary> HTTPURLResponse::allHeaderFields() const {
  auto d = MutableDictionary::create();
  for (auto& [k, v] : headers_) d->setObjectForKey(box(v), k);
  return d;
}

namespace {

// Field names are ASCII tokens: folding ASCII letters is enough, and far cheaper than the
// general comparison, which only names with other characters still need.
bool sameFieldName(const String& a, const String& b) {
  std::u16string_view x = a.view(), y = b.view();
  if (x.size() == y.size()) {
    bool ascii = true;
    for (size_t i = 0; i < x.size() && ascii; ++i) {
      char16_t p = x[i], q = y[i];
      if (p >= 0x80 || q >= 0x80) ascii = false;
      else if (p != q) {
        char16_t lower = p | 0x20;
        if (lower != (q | 0x20) || lower < u'a' || lower > u'z') return false;
      }
    }
    if (ascii) return true;
  } else if (std::all_of(x.begin(), x.end(), [](char16_t c) { return c < 0x80; }) &&
             std::all_of(y.begin(), y.end(), [](char16_t c) { return c < 0x80; })) {
    return false;
  }
  return a.caseInsensitiveCompare(b) == rt::Ordering::Same;
}

}  // namespace

std::optional<String> HTTPURLResponse::valueForHTTPHeaderField(const String& field) const {
  for (auto& [k, v] : headers_)
    if (sameFieldName(k, field)) return v;
  return std::nullopt;
}

String HTTPURLResponse::localizedStringForStatusCode(int64_t code) {
  switch (code) {
    case 100: return "continue";
    case 101: return "switching protocols";
    case 200: return "no error";
    case 201: return "created";
    case 202: return "accepted";
    case 203: return "non-authoritative information";
    case 204: return "no content";
    case 205: return "reset content";
    case 206: return "partial content";
    case 300: return "multiple choices";
    case 301: return "moved permanently";
    case 302: return "found";
    case 303: return "see other";
    case 304: return "not modified";
    case 305: return "use proxy";
    case 307: return "temporarily redirected";
    case 308: return "permanent redirect";
    case 400: return "bad request";
    case 401: return "unauthorized";
    case 402: return "payment required";
    case 403: return "forbidden";
    case 404: return "not found";
    case 405: return "method not allowed";
    case 406: return "unacceptable";
    case 407: return "proxy authentication required";
    case 408: return "request timed out";
    case 409: return "conflict";
    case 410: return "no longer exists";
    case 411: return "length required";
    case 412: return "precondition failed";
    case 413: return "request too large";
    case 414: return "requested URL too long";
    case 415: return "unsupported media type";
    case 416: return "requested range not satisfiable";
    case 417: return "expectation failed";
    case 429: return "too many requests";
    case 500: return "internal server error";
    case 501: return "unimplemented";
    case 502: return "bad gateway";
    case 503: return "service unavailable";
    case 504: return "gateway timed out";
    case 505: return "unsupported version";
    default: break;
  }
  if (code >= 100 && code < 200) return "informational";
  if (code >= 200 && code < 300) return "success";
  if (code >= 300 && code < 400) return "redirected";
  if (code >= 400 && code < 500) return "client error";
  if (code >= 500 && code < 600) return "server error";
  return "server error";
}

}  // namespace fd
