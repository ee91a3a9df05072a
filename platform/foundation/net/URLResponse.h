#pragma once
// What a load answered: the URL, MIME type, text encoding and expected length, and for HTTP
// the status code and header fields.
#include <optional>

#include "platform/foundation/net/URLRequest.h"

namespace fd {

/// The expected content length when the server did not say.
inline constexpr int64_t NSURLResponseUnknownLength = -1;

class URLResponse : public Object, public Coding {
  RT_CLASS_NAMED(URLResponse, Object, "NSURLResponse")
 public:
  void init() {}
  void init(Ref<fd::URL> url, std::optional<String> mimeType, int64_t expectedLength,
            std::optional<String> textEncodingName);

  const Ref<fd::URL>& URL() const { return url_; }
  const std::optional<String>& MIMEType() const { return mimeType_; }
  int64_t expectedContentLength() const { return expectedLength_; }
  const std::optional<String>& textEncodingName() const { return textEncoding_; }
  /// The URL's last path component, else "Unknown".
  String suggestedFilename() const;

  String description() const override;
  Id copy() const override { return std::const_pointer_cast<Object>(self()); }

  void encodeWithCoder(KeyedArchiver& coder) const override;
  bool initWithCoder(KeyedUnarchiver& coder) override;

 protected:
  Ref<fd::URL> url_;
  std::optional<String> mimeType_;
  int64_t expectedLength_ = NSURLResponseUnknownLength;
  std::optional<String> textEncoding_;
};

class HTTPURLResponse : public URLResponse {
  RT_CLASS_NAMED(HTTPURLResponse, URLResponse, "NSHTTPURLResponse")
 public:
  void init() {}
  /// MIME type, encoding and length come from Content-Type and Content-Length (the length is
  /// unknown for bodies with a content encoding).
  void init(Ref<fd::URL> url, int64_t statusCode, std::optional<String> httpVersion, HTTPHeaderList headers);
  static Ref<HTTPURLResponse> create(Ref<fd::URL> url, int64_t statusCode, std::optional<String> httpVersion,
                                     HTTPHeaderList headers);

  int64_t statusCode() const { return status_; }
  /// The fields as received (a repeated field is joined with ", ").
  const HTTPHeaderList& headerFields() const { return headers_; }
  Ref<Dictionary> allHeaderFields() const;
  /// Case-insensitive lookup.
  std::optional<String> valueForHTTPHeaderField(const String& field) const;
  const std::optional<String>& httpVersion() const { return version_; }

  /// The reason phrase for a status code, lower-case as the system gives it ("not found").
  static String localizedStringForStatusCode(int64_t statusCode);

  void encodeWithCoder(KeyedArchiver& coder) const override;
  bool initWithCoder(KeyedUnarchiver& coder) override;

 private:
  int64_t status_ = 0;
  std::optional<String> version_;
  HTTPHeaderList headers_;
};

}  // namespace fd
