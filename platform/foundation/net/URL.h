#pragma once
// URLs: parsing with validity checks, resolution against a base (RFC 3986), components,
// path operations and file URLs. The spelling given is kept exactly.
#include <optional>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

/// A name/value pair of a query ("a=1&b" gives {a, "1"} and {b, nullopt}).
struct URLQueryItem {
  String name;
  std::optional<String> value;
  friend bool operator==(const URLQueryItem&, const URLQueryItem&) = default;
};

class URL : public Object {
  RT_CLASS_NAMED(URL, Object, "NSURL")
 public:
  void init() {}
  /// False (no object) when the text is not a valid URL.
  bool init(const String& string, Ref<URL> base = nullptr);

  /// Null when empty or invalid: characters outside the URL character set (spaces,
  /// non-ASCII) not percent-encoded, bad percent escapes, a port that is not a number.
  static Ref<URL> URLWithString(const String& string);
  static Ref<URL> URLWithString(const String& string, const Ref<URL>& base);
  /// "file:///abs/path" with the path percent-encoded; relative paths are taken against the
  /// current directory. Without `isDirectory` the file system decides whether to end in "/".
  static Ref<URL> fileURLWithPath(const String& path, std::optional<bool> isDirectory = std::nullopt);

  /// The string as given (relative to the base when there is one).
  const String& relativeString() const { return string_; }
  /// The resolved URL text.
  const String& absoluteString() const { return absolute_; }
  const Ref<URL>& baseURL() const { return base_; }
  /// The resolved URL without a base.
  Ref<URL> absoluteURL() const;

  const String& scheme() const { return parts_.scheme; }
  /// Null when there is no authority; percent-decoded.
  std::optional<String> host() const;
  std::optional<int> port() const { return parts_.port; }
  std::optional<String> user() const;
  std::optional<String> password() const;
  /// Percent-decoded, without a trailing slash except for "/" itself.
  String path() const;
  /// The path as written (still encoded, trailing slash kept).
  const String& percentEncodedPath() const { return parts_.path; }
  bool hasDirectoryPath() const { return parts_.path.hasSuffix("/"); }
  /// Present-but-empty ("a?") is distinguished from absent ("a").
  const std::optional<String>& query() const { return parts_.query; }
  const std::optional<String>& fragment() const { return parts_.fragment; }
  /// The query's items, percent-decoded ("+" kept); empty when there is no query.
  std::vector<URLQueryItem> queryItems() const;
  String lastPathComponent() const;
  String pathExtension() const;
  std::vector<String> pathComponents() const;

  /// Appends to the path (percent-encoding the component); "" adds a trailing slash.
  Ref<URL> URLByAppendingPathComponent(const String& component) const;
  Ref<URL> URLByAppendingPathComponent(const String& component, bool isDirectory) const;
  Ref<URL> URLByDeletingLastPathComponent() const;
  Ref<URL> URLByAppendingPathExtension(const String& extension) const;
  Ref<URL> URLByDeletingPathExtension() const;
  /// The URL with "." and ".." segments removed from its path.
  Ref<URL> standardized() const;

  bool isFileURL() const;

  String description() const override { return absolute_; }
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return absolute_.hash(); }
  Id copy() const override;

  /// The pieces of a URL text, as written.
  struct Parts {
    String scheme;                    // empty when relative
    std::optional<String> authority;  // after "//": [user[:password]@]host[:port]
    String userInfo;
    bool hasUserInfo = false;
    String host;
    std::optional<int> port;
    String path;
    std::optional<String> query;
    std::optional<String> fragment;
  };
  /// Splits and validates; false on invalid text.
  static bool parse(const String& text, Parts& out);
  /// "." and ".." removed as RFC 3986 section 5.2.4 describes.
  static String removeDotSegments(const String& path);
  /// RFC 3986 reference resolution (strict: a reference with a scheme stands alone).
  static String resolve(const String& reference, const String& base);
  static String compose(const Parts& p);
  const Parts& parts() const { return parts_; }

 private:
  Ref<URL> withPath(const String& encodedPath) const;
  String string_;
  String absolute_;
  Ref<URL> base_;
  Parts parts_;  // of the absolute string
};

}  // namespace fd
