// '/'-separated path operations. Trailing separators are ignored (except a lone "/"), and
// joined paths have single separators.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/runtime/String.h"

namespace rt {
namespace {

using View = std::u16string_view;
constexpr size_t npos = View::npos;

View stripTrailingSlashes(View v) {
  while (v.size() > 1 && v.back() == u'/') v.remove_suffix(1);
  return v;
}

// Collapses runs of '/' and drops a trailing one (a lone "/" stays).
String standardSeparators(View v) {
  std::u16string out;
  out.reserve(v.size());
  for (char16_t c : v) {
    if (c == u'/' && !out.empty() && out.back() == u'/') continue;
    out.push_back(c);
  }
  if (out.size() > 1 && out.back() == u'/') out.pop_back();
  return String(View(out));
}

// Start of the last component of a path without trailing separators.
size_t lastComponentStart(View v) {
  size_t slash = v.rfind(u'/');
  return slash == npos ? 0 : slash + 1;
}

// Offset of the extension's dot within a component, or npos. A leading dot names a hidden
// file, not an extension.
size_t extensionDot(View component) {
  size_t dot = component.rfind(u'.');
  return dot == npos || dot == 0 ? npos : dot;
}

String homeDirectory(View user) {
  if (user.empty()) {
    if (const char* home = std::getenv("HOME"); home && *home) return String(home);
  }
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (user.empty()) {
    getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found);
  } else {
    std::string name = String(user).utf8();
    getpwnam_r(name.c_str(), &pw, buf.data(), buf.size(), &found);
  }
  return found && found->pw_dir ? String(found->pw_dir) : String();
}

}  // namespace

String String::lastPathComponent() const {
  View v = stripTrailingSlashes(view());
  if (v == u"/") return String(v);
  return String(v.substr(lastComponentStart(v)));
}

String String::pathExtension() const {
  View v = stripTrailingSlashes(view());
  View component = v.substr(lastComponentStart(v));
  size_t dot = extensionDot(component);
  return dot == npos ? String() : String(component.substr(dot + 1));
}

String String::stringByDeletingPathExtension() const {
  View v = stripTrailingSlashes(view());
  size_t start = lastComponentStart(v);
  size_t dot = extensionDot(v.substr(start));
  return String(dot == npos ? v : v.substr(0, start + dot));
}

String String::stringByDeletingLastPathComponent() const {
  View v = stripTrailingSlashes(view());
  if (v == u"/") return String(v);
  size_t slash = v.rfind(u'/');
  if (slash == npos) return String();
  if (slash == 0) return String(u"/");
  return String(stripTrailingSlashes(v.substr(0, slash)));
}

String String::stringByAppendingPathComponent(const String& c) const {
  if (isEmpty()) return standardSeparators(c.view());
  std::u16string joined(view());
  joined.push_back(u'/');
  joined.append(c.view());
  return standardSeparators(joined);
}

String String::stringByAppendingPathExtension(const String& e) const {
  View v = stripTrailingSlashes(view());
  if (v.empty() || v == u"/" || e.view().find(u'/') != npos) return *this;
  std::u16string out(v);
  out.push_back(u'.');
  out.append(e.view());
  return String(View(out));
}

String String::stringByExpandingTildeInPath() const {
  View v = view();
  if (v.empty() || v[0] != u'~') return *this;
  size_t slash = v.find(u'/');
  View user = v.substr(1, slash == npos ? npos : slash - 1);
  String home = homeDirectory(user);
  if (home.isEmpty()) return *this;
  if (slash == npos) return standardSeparators(home.view());
  std::u16string joined(home.view());
  joined.append(v.substr(slash));
  return standardSeparators(joined);
}

std::vector<String> String::pathComponents() const {
  std::vector<String> out;
  View v = view();
  if (v.empty()) return out;
  if (v[0] == u'/') out.emplace_back(u"/");
  size_t i = 0;
  while (i < v.size()) {
    size_t slash = v.find(u'/', i);
    size_t end = slash == npos ? v.size() : slash;
    if (end > i) out.emplace_back(v.substr(i, end - i));
    if (slash == npos) break;
    i = slash + 1;
  }
  if (v.size() > 1 && v.back() == u'/') out.emplace_back(u"/");
  return out;
}

}  // namespace rt
