#include "net/http/NKURLResponseSerialization.h"

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/serialization/XMLParser.h"

namespace net {

namespace {

constexpr int64_t kCannotDecodeContentData = -1016;
constexpr int64_t kBadServerResponse = -1011;

Ref<fd::Set> stringSet(std::initializer_list<const char*> names) {
  std::vector<rt::Id> objects;
  for (const char* n : names) objects.push_back(fd::StringObject::create(fd::String(n)));
  return fd::Set::create(std::move(objects));
}

/// The user information every validation error carries.
Ref<fd::MutableDictionary> validationInfo(const fd::String& description, const Ref<fd::HTTPURLResponse>& response,
                                          const Ref<fd::Data>& data) {
  auto info = fd::MutableDictionary::create();
  info->setObjectForKey(fd::StringObject::create(description), fd::String(fd::NSLocalizedDescriptionKey));
  info->setObjectForKey(response->URL(), fd::String(fd::NSURLErrorFailingURLErrorKey));
  info->setObjectForKey(response, fd::String(NKNetworkingOperationFailingURLResponseErrorKey));
  if (data && data->length() > 0) {
    info->setObjectForKey(data, fd::String(NKNetworkingOperationFailingURLResponseDataErrorKey));
  }
  return info;
}

/// The response's own character set when the platform knows it, else `fallback`.
fd::StringEncoding encodingForResponse(const Ref<fd::URLResponse>& response, fd::StringEncoding fallback) {
  if (!response || !response->textEncodingName()) return fallback;
  fd::StringEncoding named = fd::encodingForIANACharsetName(*response->textEncodingName());
  return named == fd::kInvalidEncoding ? fallback : named;
}

Ref<fd::Error> undecodableTextError(const std::optional<fd::String>& decoded) {
  auto info = fd::MutableDictionary::create();
  info->setObjectForKey(fd::StringObject::create(NKLocalizedString("Data failed decoding as a UTF-8 string")),
                        fd::String(fd::NSLocalizedDescriptionKey));
  if (decoded) {
    info->setObjectForKey(
        fd::StringObject::create(fd::String::format(NKLocalizedString("Could not decode string: %@"), *decoded)),
        fd::String(fd::NSLocalizedFailureReasonErrorKey));
  }
  return fd::Error::create(fd::String(NKURLResponseSerializationErrorDomain), kCannotDecodeContentData, info);
}

/// Stores `error` with what the out-parameter already holds chained beneath it.
void storeChained(Ref<fd::Error>* out, const Ref<fd::Error>& error) {
  if (out) *out = NKErrorAttachingUnderlying(error, *out);
}

}  // namespace

// MARK: - HTTP

RT_IMPLEMENT(NKHTTPResponseSerializer) {
  using S = NKHTTPResponseSerializer;
  c.property("stringEncoding", &S::stringEncoding, &S::setStringEncoding);
  c.property("acceptableStatusCodes", &S::acceptableStatusCodes, &S::setAcceptableStatusCodes);
  c.property("acceptableContentTypes", &S::acceptableContentTypes, &S::setAcceptableContentTypes);
  c.protocol("NKURLResponseSerialization");
  c.protocol("NSSecureCoding");
  c.protocol("NSCoding");
  c.protocol("NSCopying");
}

void NKHTTPResponseSerializer::init() {
  stringEncoding_ = fd::UTF8StringEncoding;
  statusCodes_ = fd::IndexSet::indexSetWithIndexesInRange(200, 100);
  contentTypes_ = nullptr;
}

Ref<NKHTTPResponseSerializer> NKHTTPResponseSerializer::serializer() { return rt::make<NKHTTPResponseSerializer>(); }

void NKHTTPResponseSerializer::setAcceptableStatusCodes(const Ref<fd::IndexSet>& codes) {
  statusCodes_ = codes ? rt::as<fd::IndexSet>(codes->copy()) : nullptr;
}

void NKHTTPResponseSerializer::setAcceptableContentTypes(const Ref<fd::Set>& types) {
  contentTypes_ = types ? rt::as<fd::Set>(types->copy()) : nullptr;
}

bool NKHTTPResponseSerializer::validateResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                                Ref<fd::Error>* error) const {
  auto http = rt::as<fd::HTTPURLResponse>(response);
  if (!http) return true;
  bool valid = true;
  Ref<fd::Error> validationError;

  if (contentTypes_) {
    const auto& mime = http->MIMEType();
    if (!mime || !contentTypes_->containsObject(fd::StringObject::create(*mime))) {
      if (data && data->length() > 0 && http->URL()) {
        fd::String text = fd::String::format(NKLocalizedString("Request failed: unacceptable content-type: %@"),
                                             mime ? *mime : fd::String("(null)"));
        auto typeError = fd::Error::create(fd::String(NKURLResponseSerializationErrorDomain), kCannotDecodeContentData,
                                           validationInfo(text, http, data));
        validationError = NKErrorAttachingUnderlying(typeError, validationError);
      }
      valid = false;
    }
  }

  int64_t status = http->statusCode();
  if (statusCodes_ && (status < 0 || !statusCodes_->containsIndex(static_cast<uint64_t>(status))) && http->URL()) {
    fd::String text = fd::String::format(NKLocalizedString("Request failed: %@ (%ld)"),
                                         fd::HTTPURLResponse::localizedStringForStatusCode(status), status);
    auto statusError = fd::Error::create(fd::String(NKURLResponseSerializationErrorDomain), kBadServerResponse,
                                         validationInfo(text, http, data));
    validationError = NKErrorAttachingUnderlying(statusError, validationError);
    valid = false;
  }

  if (!valid && error) *error = validationError;
  return valid;
}

bool NKHTTPResponseSerializer::shouldDecode(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                            Ref<fd::Error>* error) const {
  if (validateResponse(response, data, error)) return true;
  return error && !NKErrorChainContainsCode(*error, NKURLResponseSerializationErrorDomain, kCannotDecodeContentData);
}

rt::Id NKHTTPResponseSerializer::responseObjectForResponse(const Ref<fd::URLResponse>& response,
                                                           const Ref<fd::Data>& data, Ref<fd::Error>* error) {
  validateResponse(response, data, error);
  return data;
}

void NKHTTPResponseSerializer::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(statusCodes_, "acceptableStatusCodes");
  coder.encodeObject(contentTypes_, "acceptableContentTypes");
}

bool NKHTTPResponseSerializer::initWithCoder(fd::KeyedUnarchiver& coder) {
  // Runs on an instance already at its class defaults; every archived field replaces one.
  statusCodes_ = rt::as<fd::IndexSet>(coder.decodeObjectOfClass(fd::IndexSet::classObject(), "acceptableStatusCodes"));
  contentTypes_ = rt::as<fd::Set>(coder.decodeObjectOfClass(fd::Set::classObject(), "acceptableContentTypes"));
  return true;
}

rt::Id NKHTTPResponseSerializer::copy() const {
  auto copy = rt::as<NKHTTPResponseSerializer>(getClass()->createInstance());
  if (!copy) return nullptr;
  copy->setAcceptableStatusCodes(statusCodes_);
  copy->setAcceptableContentTypes(contentTypes_);
  return copy;
}

// MARK: - JSON

RT_IMPLEMENT(NKJSONResponseSerializer) {
  using S = NKJSONResponseSerializer;
  c.property("readingOptions", &S::readingOptions, &S::setReadingOptions);
  c.property("removesKeysWithNullValues", &S::removesKeysWithNullValues, &S::setRemovesKeysWithNullValues);
  c.protocol("NSSecureCoding");
}

void NKJSONResponseSerializer::init() {
  NKHTTPResponseSerializer::init();
  setAcceptableContentTypes(stringSet({"application/json", "text/json", "text/javascript"}));
}

Ref<NKJSONResponseSerializer> NKJSONResponseSerializer::serializer() { return serializerWithReadingOptions(0); }

Ref<NKJSONResponseSerializer> NKJSONResponseSerializer::serializerWithReadingOptions(uint64_t options) {
  auto s = rt::make<NKJSONResponseSerializer>();
  s->setReadingOptions(options);
  return s;
}

rt::Id NKJSONResponseSerializer::responseObjectForResponse(const Ref<fd::URLResponse>& response,
                                                           const Ref<fd::Data>& data, Ref<fd::Error>* error) {
  if (!shouldDecode(response, data, error)) return nullptr;
  if (!data || data->length() == 0) return nullptr;

  rt::Id object;
  Ref<fd::Error> parseError;
  if (encodingForResponse(response, stringEncoding()) == fd::UTF8StringEncoding) {
    // UTF-8 is what the reader reads: the bytes are checked and parsed where they lie, with no
    // text made of them on the way.
    std::string_view bytes = data->view();
    if (!fd::isValidUTF8(bytes.data(), bytes.size())) {
      parseError = undecodableTextError(std::nullopt);
    } else {
      std::string_view body = bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
      if (body.empty()) return nullptr;
      if (body != " ") object = fd::JSONSerialization::JSONObjectWithData(data, static_cast<uint32_t>(readingOptions_), &parseError);
    }
  } else {
    // Scoped so that the intermediate text and bytes are gone before the object is cleaned.
    auto text = fd::stringWithData(*data, encodingForResponse(response, stringEncoding()));
    if (!text) {
      // Bytes that are not text in their character set are an error, never a silent nil.
      parseError = undecodableTextError(std::nullopt);
    } else if (*text != fd::String(" ")) {
      auto utf8 = fd::dataUsingEncoding(*text, fd::UTF8StringEncoding);
      if (!utf8) {
        parseError = undecodableTextError(text);
      } else {
        if (utf8->length() == 0) return nullptr;
        object = fd::JSONSerialization::JSONObjectWithData(utf8, static_cast<uint32_t>(readingOptions_), &parseError);
      }
    }
  }
  if (removesNulls_ && object) object = NKJSONObjectRemovingNulls(object, readingOptions_);
  storeChained(error, parseError);
  return object;
}

rt::Id NKJSONObjectRemovingNulls(const rt::Id& object, uint64_t readingOptions) {
  bool mutableContainers = (readingOptions & fd::JSONReadingMutableContainers) != 0;
  if (auto array = rt::as<fd::Array>(object)) {
    auto cleaned = fd::MutableArray::arrayWithCapacity(array->count());
    for (const auto& element : *array) cleaned->addObject(NKJSONObjectRemovingNulls(element, readingOptions));
    return mutableContainers ? rt::Id(cleaned) : cleaned->copy();
  }
  if (auto dict = rt::as<fd::Dictionary>(object)) {
    auto cleaned = fd::MutableDictionary::create();
    for (const auto& key : dict->keys()) {
      rt::Id value = dict->objectForKey(key);
      if (!value || fd::Null::isNull(value)) continue;
      if (rt::as<fd::Array>(value) || rt::as<fd::Dictionary>(value)) {
        value = NKJSONObjectRemovingNulls(value, readingOptions);
      }
      cleaned->setObjectForKey(value, key);
    }
    return mutableContainers ? rt::Id(cleaned) : cleaned->copy();
  }
  return object;
}

void NKJSONResponseSerializer::encodeWithCoder(fd::KeyedArchiver& coder) const {
  NKHTTPResponseSerializer::encodeWithCoder(coder);
  coder.encodeObject(fd::Number::numberWithUnsignedLongLong(readingOptions_), "readingOptions");
  coder.encodeObject(fd::Number::numberWithBool(removesNulls_), "removesKeysWithNullValues");
}

bool NKJSONResponseSerializer::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!NKHTTPResponseSerializer::initWithCoder(coder)) return false;
  if (auto n = rt::as<fd::Number>(coder.decodeObjectOfClass(fd::Number::classObject(), "readingOptions"))) {
    readingOptions_ = n->unsignedLongLongValue();
  }
  if (auto n = rt::as<fd::Number>(coder.decodeObjectOfClass(fd::Number::classObject(), "removesKeysWithNullValues"))) {
    removesNulls_ = n->boolValue();
  }
  return true;
}

rt::Id NKJSONResponseSerializer::copy() const {
  auto copy = rt::make<NKJSONResponseSerializer>();
  copy->readingOptions_ = readingOptions_;
  copy->removesNulls_ = removesNulls_;
  return copy;
}

// MARK: - XML parser

RT_IMPLEMENT(NKXMLParserResponseSerializer) { c.protocol("NSSecureCoding"); }

void NKXMLParserResponseSerializer::init() {
  NKHTTPResponseSerializer::init();
  setAcceptableContentTypes(stringSet({"application/xml", "text/xml"}));
}

Ref<NKXMLParserResponseSerializer> NKXMLParserResponseSerializer::serializer() {
  return rt::make<NKXMLParserResponseSerializer>();
}

rt::Id NKXMLParserResponseSerializer::responseObjectForResponse(const Ref<fd::URLResponse>& response,
                                                                const Ref<fd::Data>& data, Ref<fd::Error>* error) {
  if (!shouldDecode(response, data, error)) return nullptr;
  return fd::XMLParser::create(data ? data : fd::Data::create());
}

rt::Id NKXMLParserResponseSerializer::copy() const { return rt::make<NKXMLParserResponseSerializer>(); }

// MARK: - Property list

RT_IMPLEMENT(NKPropertyListResponseSerializer) {
  using S = NKPropertyListResponseSerializer;
  c.property("format", &S::format, &S::setFormat);
  c.property("readOptions", &S::readOptions, &S::setReadOptions);
  c.protocol("NSSecureCoding");
}

void NKPropertyListResponseSerializer::init() {
  NKHTTPResponseSerializer::init();
  setAcceptableContentTypes(stringSet({"application/x-plist"}));
}

Ref<NKPropertyListResponseSerializer> NKPropertyListResponseSerializer::serializer() {
  return serializerWithFormat(fd::PropertyListXMLFormat, 0);
}

Ref<NKPropertyListResponseSerializer> NKPropertyListResponseSerializer::serializerWithFormat(uint64_t format,
                                                                                           uint64_t readOptions) {
  auto s = rt::make<NKPropertyListResponseSerializer>();
  s->format_ = format;
  s->readOptions_ = readOptions;
  return s;
}

rt::Id NKPropertyListResponseSerializer::responseObjectForResponse(const Ref<fd::URLResponse>& response,
                                                                   const Ref<fd::Data>& data, Ref<fd::Error>* error) {
  if (!shouldDecode(response, data, error)) return nullptr;
  if (!data || data->length() == 0) return nullptr;
  Ref<fd::Error> parseError;
  rt::Id object = fd::PropertyListSerialization::propertyListWithData(data, static_cast<uint32_t>(readOptions_),
                                                                     nullptr, &parseError);
  storeChained(error, parseError);
  return object;
}

void NKPropertyListResponseSerializer::encodeWithCoder(fd::KeyedArchiver& coder) const {
  NKHTTPResponseSerializer::encodeWithCoder(coder);
  coder.encodeObject(fd::Number::numberWithUnsignedLongLong(format_), "format");
  coder.encodeObject(fd::Number::numberWithUnsignedLongLong(readOptions_), "readOptions");
}

bool NKPropertyListResponseSerializer::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!NKHTTPResponseSerializer::initWithCoder(coder)) return false;
  if (auto n = rt::as<fd::Number>(coder.decodeObjectOfClass(fd::Number::classObject(), "format"))) {
    format_ = n->unsignedLongLongValue();
  }
  if (auto n = rt::as<fd::Number>(coder.decodeObjectOfClass(fd::Number::classObject(), "readOptions"))) {
    readOptions_ = n->unsignedLongLongValue();
  }
  return true;
}

rt::Id NKPropertyListResponseSerializer::copy() const { return serializerWithFormat(format_, readOptions_); }

// MARK: - Compound

RT_IMPLEMENT(NKCompoundResponseSerializer) {
  c.property("responseSerializers", &NKCompoundResponseSerializer::responseSerializers,
             &NKCompoundResponseSerializer::setResponseSerializers);
  c.protocol("NSSecureCoding");
}

void NKCompoundResponseSerializer::init() { NKHTTPResponseSerializer::init(); }

Ref<NKCompoundResponseSerializer> NKCompoundResponseSerializer::compoundSerializerWithResponseSerializers(
    const Ref<fd::Array>& serializers) {
  auto s = rt::make<NKCompoundResponseSerializer>();
  s->setResponseSerializers(serializers);
  return s;
}

void NKCompoundResponseSerializer::setResponseSerializers(const Ref<fd::Array>& serializers) {
  serializers_ = serializers ? rt::as<fd::Array>(serializers->copy()) : nullptr;
}

rt::Id NKCompoundResponseSerializer::responseObjectForResponse(const Ref<fd::URLResponse>& response,
                                                               const Ref<fd::Data>& data, Ref<fd::Error>* error) {
  if (serializers_) {
    for (const auto& element : *serializers_) {
      auto serializer = rt::as<NKHTTPResponseSerializer>(element);
      if (!serializer) continue;
      Ref<fd::Error> serializerError;
      rt::Id object = serializer->responseObjectForResponse(response, data, &serializerError);
      if (object) {
        storeChained(error, serializerError);
        return object;
      }
    }
  }
  return NKHTTPResponseSerializer::responseObjectForResponse(response, data, error);
}

void NKCompoundResponseSerializer::encodeWithCoder(fd::KeyedArchiver& coder) const {
  NKHTTPResponseSerializer::encodeWithCoder(coder);
  coder.encodeObject(serializers_, "responseSerializers");
}

bool NKCompoundResponseSerializer::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!NKHTTPResponseSerializer::initWithCoder(coder)) return false;
  serializers_ = rt::as<fd::Array>(coder.decodeObjectOfClasses(
      {fd::Array::classObject(), NKHTTPResponseSerializer::classObject()}, "responseSerializers"));
  return true;
}

rt::Id NKCompoundResponseSerializer::copy() const { return compoundSerializerWithResponseSerializers(serializers_); }

}  // namespace net
