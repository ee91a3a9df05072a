#include "platform/foundation/net/URL.h"

#include <unistd.h>

#include <filesystem>
#include <string>

namespace fd {

RT_IMPLEMENT_PLATFORM(URL) {
  c.protocol("NSCopying");
  c.protocol("NSSecureCoding");
  c.property("absoluteString", &URL::absoluteString);
  c.property("relativeString", &URL::relativeString);
  c.property("scheme", &URL::scheme);
  c.property("path", &URL::path);
  c.property("lastPathComponent", &URL::lastPathComponent);
  c.property("pathExtension", &URL::pathExtension);
}

namespace {

bool isAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
int hexValue(char16_t c) {
  if (isDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}
bool isUnreserved(char16_t c) { return isAlpha(c) || isDigit(c) || c == u'-' || c == u'.' || c == u'_' || c == u'~'; }
bool isSubDelim(char16_t c) {
  switch (c) {
    case u'!': case u'$': case u'&': case u'\'': case u'(': case u')':
    case u'*': case u'+': case u',': case u';': case u'=': return true;
    default: return false;
  }
}
// Characters a path segment may hold without encoding.
bool isPathChar(char16_t c) { return isUnreserved(c) || isSubDelim(c) || c == u':' || c == u'@' || c == u'/'; }

// Every character of a URL text is in the URL character set and every "%" starts an escape.
bool validCharacters(std::u16string_view s, bool allowBrackets) {
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c == u'%') {
      if (i + 2 >= s.size() || hexValue(s[i + 1]) < 0 || hexValue(s[i + 2]) < 0) return false;
      i += 2;
      continue;
    }
    if (isUnreserved(c) || isSubDelim(c) || c == u':' || c == u'/' || c == u'?' || c == u'@') continue;
    if (allowBrackets && (c == u'[' || c == u']')) continue;
    return false;
  }
  return true;
}

String percentDecode(std::u16string_view s) {
  std::string bytes;
  bytes.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
      bytes += static_cast<char>(hexValue(s[i + 1]) << 4 | hexValue(s[i + 2]));
      i += 2;
      continue;
    }
    String one(s.substr(i, 1));
    // A surrogate pair converts as a whole.
    if (s[i] >= 0xD800 && s[i] < 0xDC00 && i + 1 < s.size()) {
      one = String(s.substr(i, 2));
      ++i;
    }
    bytes += one.utf8();
  }
  return String(std::string_view(bytes));
}

String percentEncodePath(const String& s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : s.utf8()) {
    if (b < 0x80 && isPathChar(b)) {
      out += static_cast<char>(b);
    } else {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 15];
    }
  }
  return String(out);
}

struct Split {
  std::optional<String> scheme, authority, query, fragment;
  String path;
};

Split split(const String& text) {
  Split r;
  std::u16string_view s = text.view();
  // scheme ":" when the colon comes before any "/", "?" or "#" and the name is well formed
  size_t colon = s.find(u':');
  size_t stop = s.find_first_of(u"/?#");
  if (colon != std::u16string_view::npos && colon > 0 && (stop == std::u16string_view::npos || colon < stop) && isAlpha(s[0])) {
    bool ok = true;
    for (size_t i = 1; i < colon; ++i) {
      char16_t c = s[i];
      if (!(isAlpha(c) || isDigit(c) || c == u'+' || c == u'-' || c == u'.')) ok = false;
    }
    if (ok) {
      r.scheme = String(s.substr(0, colon));
      s.remove_prefix(colon + 1);
    }
  }
  size_t hash = s.find(u'#');
  if (hash != std::u16string_view::npos) {
    r.fragment = String(s.substr(hash + 1));
    s = s.substr(0, hash);
  }
  size_t q = s.find(u'?');
  if (q != std::u16string_view::npos) {
    r.query = String(s.substr(q + 1));
    s = s.substr(0, q);
  }
  if (s.size() >= 2 && s[0] == u'/' && s[1] == u'/') {
    s.remove_prefix(2);
    size_t slash = s.find(u'/');
    r.authority = String(s.substr(0, slash));
    s = slash == std::u16string_view::npos ? std::u16string_view() : s.substr(slash);
  }
  r.path = String(s);
  return r;
}

String compose(const Split& p) {
  String out;
  if (p.scheme) {
    out.append(*p.scheme);
    out.append(":");
  }
  if (p.authority) {
    out.append("//");
    out.append(*p.authority);
  }
  out.append(p.path);
  if (p.query) {
    out.append("?");
    out.append(*p.query);
  }
  if (p.fragment) {
    out.append("#");
    out.append(*p.fragment);
  }
  return out;
}

}  // namespace

bool URL::parse(const String& text, Parts& out) {
  out = Parts();
  if (text.isEmpty()) return false;
  Split s = split(text);
  if (s.fragment && s.fragment->contains("#")) return false;
  if (!validCharacters(s.path.view(), false)) return false;
  if (s.query && !validCharacters(s.query->view(), false)) return false;
  if (s.fragment && !validCharacters(s.fragment->view(), false)) return false;
  out.scheme = s.scheme.value_or(String());
  out.path = s.path;
  out.query = s.query;
  out.fragment = s.fragment;
  if (s.authority) {
    std::u16string_view a = s.authority->view();
    out.authority = *s.authority;
    size_t at = a.rfind(u'@');
    if (at != std::u16string_view::npos) {
      out.userInfo = String(a.substr(0, at));
      out.hasUserInfo = true;
      if (!validCharacters(out.userInfo.view(), false) || out.userInfo.contains("@")) return false;
      a.remove_prefix(at + 1);
    }
    std::u16string_view host = a, port;
    bool hasPort = false;
    if (!a.empty() && a[0] == u'[') {
      size_t close = a.find(u']');
      if (close == std::u16string_view::npos) return false;
      host = a.substr(0, close + 1);
      std::u16string_view rest = a.substr(close + 1);
      if (!rest.empty()) {
        if (rest[0] != u':') return false;
        port = rest.substr(1);
        hasPort = true;
      }
      for (char16_t c : host.substr(1, host.size() - 2)) {
        if (!(hexValue(c) >= 0 || c == u':' || c == u'.')) return false;
      }
    } else {
      size_t colon = a.rfind(u':');
      if (colon != std::u16string_view::npos) {
        host = a.substr(0, colon);
        port = a.substr(colon + 1);
        hasPort = true;
      }
      if (!validCharacters(host, false) || host.find(u':') != std::u16string_view::npos) return false;
    }
    out.host = String(host);
    if (hasPort && !port.empty()) {
      if (port.size() > 5) return false;
      int v = 0;
      for (char16_t c : port) {
        if (!isDigit(c)) return false;
        v = v * 10 + (c - u'0');
      }
      if (v > 65535) return false;
      out.port = v;
    }
  }
  return true;
}

String URL::removeDotSegments(const String& path) {
  std::u16string in(path.view());
  std::u16string out;
  auto removeLastSegment = [&] {
    size_t slash = out.rfind(u'/');
    out.erase(slash == std::u16string::npos ? 0 : slash);
  };
  while (!in.empty()) {
    if (in.starts_with(u"../")) {
      in.erase(0, 3);
    } else if (in.starts_with(u"./")) {
      in.erase(0, 2);
    } else if (in.starts_with(u"/./")) {
      in.erase(0, 2);
    } else if (in == u"/.") {
      in.assign(1, u'/');
    } else if (in.starts_with(u"/../")) {
      in.erase(0, 3);
      removeLastSegment();
    } else if (in == u"/..") {
      in.assign(1, u'/');
      removeLastSegment();
    } else if (in == u"." || in == u"..") {
      in.clear();
    } else {
      size_t next = in.find(u'/', in[0] == u'/' ? 1 : 0);
      if (next == std::u16string::npos) next = in.size();
      out.append(in, 0, next);
      in.erase(0, next);
    }
  }
  return String(std::u16string_view(out));
}

String URL::resolve(const String& reference, const String& base) {
  Split r = split(reference), b = split(base), t;
  if (r.scheme) {
    t = r;
    t.path = removeDotSegments(r.path);
  } else {
    if (r.authority) {
      t.authority = r.authority;
      t.path = removeDotSegments(r.path);
      t.query = r.query;
    } else {
      if (r.path.isEmpty()) {
        t.path = b.path;
        t.query = r.query ? r.query : b.query;
      } else {
        if (r.path.hasPrefix("/")) {
          t.path = removeDotSegments(r.path);
        } else {
          String merged;
          if (b.authority && b.path.isEmpty()) {
            merged = "/" + r.path;
          } else {
            size_t slash = b.path.view().rfind(u'/');
            merged = slash == std::u16string_view::npos ? r.path : b.path.substring(0, slash + 1) + r.path;
          }
          t.path = removeDotSegments(merged);
        }
        t.query = r.query;
      }
      t.authority = b.authority;
    }
    t.scheme = b.scheme;
  }
  t.fragment = r.fragment;
  return fd::compose(t);
}

String URL::compose(const Parts& p) {
  Split s;
  if (!p.scheme.isEmpty()) s.scheme = p.scheme;
  s.authority = p.authority;
  s.path = p.path;
  s.query = p.query;
  s.fragment = p.fragment;
  return fd::compose(s);
}

bool URL::init(const String& string, Ref<URL> base) {
  string_ = string;
  base_ = std::move(base);
  if (string.isEmpty() && !base_) return false;
  if (!string.isEmpty()) {
    Parts own;
    if (!parse(string, own)) return false;
  }
  absolute_ = base_ ? resolve(string, base_->absolute_) : string;
  return parse(absolute_, parts_);
}

Ref<URL> URL::URLWithString(const String& string) { return rt::make<URL>(string, nullptr); }

Ref<URL> URL::URLWithString(const String& string, const Ref<URL>& base) { return rt::make<URL>(string, base); }

Ref<URL> URL::fileURLWithPath(const String& path, std::optional<bool> isDirectory) {
  String abs = path;
  if (!abs.isAbsolutePath()) {
    std::error_code ec;
    String cwd(std::filesystem::current_path(ec).string());
    abs = abs.isEmpty() ? cwd : cwd.stringByAppendingPathComponent(abs);
  }
  bool dir = isDirectory ? *isDirectory : std::filesystem::is_directory(std::filesystem::path(abs.utf8()));
  String encoded = percentEncodePath(abs);
  if (dir && !encoded.hasSuffix("/")) encoded.append("/");
  return URLWithString("file://" + encoded);
}

Ref<URL> URL::absoluteURL() const {
  if (!base_) return rt::as<URL>(std::const_pointer_cast<Object>(self()));
  return URLWithString(absolute_);
}

std::optional<String> URL::host() const {
  if (!parts_.authority || parts_.host.isEmpty()) return std::nullopt;
  String h = parts_.host;
  if (h.hasPrefix("[") && h.hasSuffix("]")) h = h.substring(1, h.length() - 2);
  return percentDecode(h.view());
}

std::optional<String> URL::user() const {
  if (!parts_.hasUserInfo) return std::nullopt;
  std::u16string_view u = parts_.userInfo.view();
  return percentDecode(u.substr(0, u.find(u':')));
}

std::optional<String> URL::password() const {
  if (!parts_.hasUserInfo) return std::nullopt;
  std::u16string_view u = parts_.userInfo.view();
  size_t colon = u.find(u':');
  if (colon == std::u16string_view::npos) return std::nullopt;
  return percentDecode(u.substr(colon + 1));
}

String URL::path() const {
  String p = percentDecode(parts_.path.view());
  if (p.length() > 1 && p.hasSuffix("/")) p = p.substring(0, p.length() - 1);
  return p;
}

std::vector<URLQueryItem> URL::queryItems() const {
  std::vector<URLQueryItem> items;
  if (!parts_.query || parts_.query->isEmpty()) return items;
  for (const String& piece : parts_.query->componentsSeparatedByString("&")) {
    std::u16string_view v = piece.view();
    size_t eq = v.find(u'=');
    URLQueryItem item;
    item.name = percentDecode(v.substr(0, eq));
    if (eq != std::u16string_view::npos) item.value = percentDecode(v.substr(eq + 1));
    items.push_back(std::move(item));
  }
  return items;
}

String URL::lastPathComponent() const { return path().lastPathComponent(); }

String URL::pathExtension() const { return path().pathExtension(); }

std::vector<String> URL::pathComponents() const { return path().pathComponents(); }

Ref<URL> URL::withPath(const String& encodedPath) const {
  Parts p = parts_;
  p.path = encodedPath;
  return URLWithString(compose(p));
}

Ref<URL> URL::URLByAppendingPathComponent(const String& component) const {
  const String& path = parts_.path;
  if (component.isEmpty()) return path.hasSuffix("/") ? withPath(path) : withPath(path + "/");
  String encoded = percentEncodePath(component);
  bool needsSlash = !(path.hasSuffix("/") || (path.isEmpty() && !parts_.authority)) && !encoded.hasPrefix("/");
  if (path.hasSuffix("/") && encoded.hasPrefix("/")) encoded = encoded.substring(1);
  return withPath(path + (needsSlash ? "/" : "") + encoded);
}

Ref<URL> URL::URLByAppendingPathComponent(const String& component, bool isDirectory) const {
  Ref<URL> u = URLByAppendingPathComponent(component);
  if (!u || !isDirectory || u->parts_.path.hasSuffix("/")) return u;
  return u->withPath(u->parts_.path + "/");
}

Ref<URL> URL::URLByDeletingLastPathComponent() const {
  String p = parts_.path;
  if (p == "/" || p.isEmpty()) return withPath(p);
  if (p.hasSuffix("/")) p = p.substring(0, p.length() - 1);
  size_t slash = p.view().rfind(u'/');
  return withPath(slash == std::u16string_view::npos ? String("./") : p.substring(0, slash + 1));
}

Ref<URL> URL::URLByAppendingPathExtension(const String& extension) const {
  String p = parts_.path;
  bool dir = p.length() > 1 && p.hasSuffix("/");
  if (dir) p = p.substring(0, p.length() - 1);
  if (p.isEmpty() || p.hasSuffix("/")) return withPath(parts_.path);
  return withPath(p + "." + percentEncodePath(extension) + (dir ? "/" : ""));
}

Ref<URL> URL::URLByDeletingPathExtension() const {
  String p = parts_.path;
  bool dir = p.length() > 1 && p.hasSuffix("/");
  if (dir) p = p.substring(0, p.length() - 1);
  size_t slash = p.view().rfind(u'/');
  size_t dot = p.view().rfind(u'.');
  if (dot == std::u16string_view::npos || (slash != std::u16string_view::npos && dot <= slash + 1)) return withPath(parts_.path);
  return withPath(p.substring(0, dot) + (dir ? "/" : ""));
}

Ref<URL> URL::standardized() const { return withPath(removeDotSegments(parts_.path)); }

bool URL::isFileURL() const { return parts_.scheme.caseInsensitiveCompare("file") == Ordering::Same; }

bool URL::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* u = dynamic_cast<const URL*>(other);
  return u && u->absolute_ == absolute_;
}

Id URL::copy() const { return std::const_pointer_cast<Object>(self()); }

}  // namespace fd
