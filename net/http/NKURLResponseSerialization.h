#pragma once
// Response serializers: validate an HTTP response against the accepted status codes and
// content types, then turn its body into an object (data, JSON, an XML parser, a property
// list; images in NKImageResponseSerializer.h). Serializers are configured once and then
// shared by many operations, decoding on several threads at once; they keep no state while
// decoding.
#include "net/http/NKNetworkingErrors.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/text/StringEncoding.h"
#include "platform/foundation/Types.h"

namespace fd {
class Array;
class Data;
class IndexSet;
class Set;
class URLResponse;
}  // namespace fd

namespace net {

/// Anything that turns a response and its body into an object. Conformers also archive
/// (secure coding) and copy.
class NKURLResponseSerialization : public fd::Coding {
 public:
  /// The decoded object, or null; an error, when there is one, goes to `*error` (if given).
  virtual rt::Id responseObjectForResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                           Ref<fd::Error>* error) = 0;
};

/// Validates and answers the body data unchanged.
class NKHTTPResponseSerializer : public rt::Object, public NKURLResponseSerialization {
  RT_CLASS(NKHTTPResponseSerializer, rt::Object)
 public:
  void init();

  static Ref<NKHTTPResponseSerializer> serializer();

  fd::StringEncoding stringEncoding() const { return stringEncoding_; }
  void setStringEncoding(fd::StringEncoding encoding) { stringEncoding_ = encoding; }
  /// 200-299 by default; null accepts every code.
  const Ref<fd::IndexSet>& acceptableStatusCodes() const { return statusCodes_; }
  void setAcceptableStatusCodes(const Ref<fd::IndexSet>& codes);
  /// MIME types (strings) compared exactly; null accepts every type.
  const Ref<fd::Set>& acceptableContentTypes() const { return contentTypes_; }
  void setAcceptableContentTypes(const Ref<fd::Set>& types);

  /// Whether the response is acceptable. A missing or non-HTTP response is. An unaccepted
  /// content type reports -1016 only for a non-empty body; an unaccepted status reports
  /// -1011 with the content-type error beneath it.
  bool validateResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                        Ref<fd::Error>* error) const;
  rt::Id responseObjectForResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                   Ref<fd::Error>* error) override;

  static bool supportsSecureCoding() { return true; }
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// A new instance of the same class with the accepted codes and types.
  rt::Id copy() const override;

 protected:
  /// Whether a subclass should decode the body: the response is valid, or the caller asked
  /// for the error and it is not a content-type failure.
  bool shouldDecode(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data, Ref<fd::Error>* error) const;

 private:
  fd::StringEncoding stringEncoding_ = fd::UTF8StringEncoding;
  Ref<fd::IndexSet> statusCodes_;
  Ref<fd::Set> contentTypes_;
};

/// The body parsed as JSON in the response's character set (UTF-8 by default).
class NKJSONResponseSerializer : public NKHTTPResponseSerializer {
  RT_CLASS(NKJSONResponseSerializer, NKHTTPResponseSerializer)
 public:
  void init();

  static Ref<NKJSONResponseSerializer> serializer();
  static Ref<NKJSONResponseSerializer> serializerWithReadingOptions(uint64_t options);

  uint64_t readingOptions() const { return readingOptions_; }
  void setReadingOptions(uint64_t options) { readingOptions_ = options; }
  /// Drops dictionary entries whose value is the null object, at every depth.
  bool removesKeysWithNullValues() const { return removesNulls_; }
  void setRemovesKeysWithNullValues(bool removes) { removesNulls_ = removes; }

  /// A body that is not text in its character set gives -1016 "Data failed decoding as a
  /// UTF-8 string"; a parse failure gives the parser's error; either with the validation
  /// error beneath it.
  rt::Id responseObjectForResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                   Ref<fd::Error>* error) override;

  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// The reading options and null removal; the accepted codes and types stay the defaults.
  rt::Id copy() const override;

 private:
  uint64_t readingOptions_ = 0;
  bool removesNulls_ = false;
};

/// `object` without null-valued dictionary entries at any depth (array elements stay);
/// containers are mutable when `readingOptions` asks for mutable containers.
rt::Id NKJSONObjectRemovingNulls(const rt::Id& object, uint64_t readingOptions);

/// An XML parser over the body, not yet started.
class NKXMLParserResponseSerializer : public NKHTTPResponseSerializer {
  RT_CLASS(NKXMLParserResponseSerializer, NKHTTPResponseSerializer)
 public:
  void init();
  static Ref<NKXMLParserResponseSerializer> serializer();
  rt::Id responseObjectForResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                   Ref<fd::Error>* error) override;
  rt::Id copy() const override;
};

/// The body read as a property list (XML or binary).
class NKPropertyListResponseSerializer : public NKHTTPResponseSerializer {
  RT_CLASS(NKPropertyListResponseSerializer, NKHTTPResponseSerializer)
 public:
  void init();
  static Ref<NKPropertyListResponseSerializer> serializer();
  static Ref<NKPropertyListResponseSerializer> serializerWithFormat(uint64_t format, uint64_t readOptions);

  /// Kept for archiving and copies; reading finds the format from the bytes.
  uint64_t format() const { return format_; }
  void setFormat(uint64_t format) { format_ = format; }
  uint64_t readOptions() const { return readOptions_; }
  void setReadOptions(uint64_t options) { readOptions_ = options; }

  rt::Id responseObjectForResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                   Ref<fd::Error>* error) override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  rt::Id copy() const override;

 private:
  uint64_t format_ = 100;
  uint64_t readOptions_ = 0;
};

/// Tries its serializers in order; the first that answers an object wins. When none does,
/// validates with its own settings and answers the body data.
class NKCompoundResponseSerializer : public NKHTTPResponseSerializer {
  RT_CLASS(NKCompoundResponseSerializer, NKHTTPResponseSerializer)
 public:
  void init();
  static Ref<NKCompoundResponseSerializer> compoundSerializerWithResponseSerializers(const Ref<fd::Array>& serializers);

  const Ref<fd::Array>& responseSerializers() const { return serializers_; }
  void setResponseSerializers(const Ref<fd::Array>& serializers);

  rt::Id responseObjectForResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                   Ref<fd::Error>* error) override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  rt::Id copy() const override;

 private:
  Ref<fd::Array> serializers_;
};

}  // namespace net
