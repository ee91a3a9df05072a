#include "net/http/NKStreamingMultipartFormData.h"

#include "net/http/NKHTTPBodyPart.h"
#include "net/http/NKMultipartBodyStream.h"
#include "net/http/NKNetworkingErrors.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/files/TypeIdentifiers.h"
#include "platform/foundation/net/URL.h"

namespace net {

namespace {

Ref<fd::Error> fileError(const char* reason) {
  auto info = fd::Dictionary::withStrings({{fd::NSLocalizedFailureReasonErrorKey,
                                            fd::StringObject::create(NKLocalizedString(reason))}});
  return fd::Error::create(NKURLRequestSerializationErrorDomain, -1000, info);
}

Ref<fd::Dictionary> fileHeaders(const fd::String& name, const fd::String& fileName, const fd::String& mimeType) {
  auto headers = fd::MutableDictionary::create();
  headers->setObjectForKey(
      fd::StringObject::create(fd::String::format("form-data; name=\"%@\"; filename=\"%@\"", name, fileName)),
      "Content-Disposition");
  headers->setObjectForKey(fd::StringObject::create(mimeType), "Content-Type");
  return headers;
}

fd::String mimeTypeForExtension(const fd::String& extension) {
  if (auto type = fd::typeIdentifierForFilenameExtension(extension)) {
    if (auto mime = fd::preferredMIMETypeForTypeIdentifier(*type)) return *mime;
  }
  return fd::kDefaultMIMEType;
}

}  // namespace

void NKStreamingMultipartFormData::init(const Ref<fd::URLRequest>& request, fd::StringEncoding encoding,
                                        const std::optional<fd::String>& boundary) {
  setRequest(request);
  stringEncoding_ = encoding;
  boundary_ = boundary ? *boundary : NKCreateMultipartFormBoundary();
  bodyStream_ = rt::make<NKMultipartBodyStream>(encoding);
}

void NKStreamingMultipartFormData::setRequest(const Ref<fd::URLRequest>& request) {
  request_ = request ? rt::as<fd::MutableURLRequest>(request->mutableCopy()) : nullptr;
}

bool NKStreamingMultipartFormData::appendPartWithFileURL(const Ref<fd::URL>& fileURL, const fd::String& name,
                                                         Ref<fd::Error>* error) {
  fd::String fileName = fileURL ? fileURL->lastPathComponent() : fd::String();
  return appendPartWithFileURL(fileURL, name, fileName, mimeTypeForExtension(fileURL ? fileURL->pathExtension() : ""),
                               error);
}

bool NKStreamingMultipartFormData::appendPartWithFileURL(const Ref<fd::URL>& fileURL, const fd::String& name,
                                                         const fd::String& fileName, const fd::String& mimeType,
                                                         Ref<fd::Error>* error) {
  if (!fileURL || !fileURL->isFileURL()) {
    if (error) *error = fileError("Expected URL to be a file URL");
    return false;
  }
  auto& files = *fd::FileManager::defaultManager();
  if (!files.fileExistsAtPath(fileURL->path())) {
    if (error) *error = fileError("File URL not reachable.");
    return false;
  }
  Ref<fd::Error> attributesError;
  auto attributes = files.attributesOfItemAtPath(fileURL->path(), &attributesError);
  if (!attributes) {
    if (error) *error = attributesError;
    return false;
  }
  auto size = rt::as<fd::Number>(attributes->objectForKey(fd::NSFileSize));
  appendPart(fileHeaders(name, fileName, mimeType), fileURL, size ? size->unsignedLongLongValue() : 0);
  return true;
}

void NKStreamingMultipartFormData::appendPartWithInputStream(const Ref<fd::InputStream>& inputStream,
                                                             const fd::String& name, const fd::String& fileName,
                                                             int64_t length, const fd::String& mimeType) {
  appendPart(fileHeaders(name, fileName, mimeType), inputStream, length > 0 ? uint64_t(length) : 0);
}

void NKStreamingMultipartFormData::appendPartWithFileData(const Ref<fd::Data>& data, const fd::String& name,
                                                          const fd::String& fileName, const fd::String& mimeType) {
  appendPart(fileHeaders(name, fileName, mimeType), data, data ? data->length() : 0);
}

void NKStreamingMultipartFormData::appendPartWithFormData(const Ref<fd::Data>& data, const fd::String& name) {
  auto headers = fd::Dictionary::withStrings(
      {{"Content-Disposition", fd::StringObject::create(fd::String::format("form-data; name=\"%@\"", name))}});
  appendPart(headers, data, data ? data->length() : 0);
}

void NKStreamingMultipartFormData::appendPartWithHeaders(const Ref<fd::Dictionary>& headers,
                                                         const Ref<fd::Data>& body) {
  appendPart(headers, body, body ? body->length() : 0);
}

void NKStreamingMultipartFormData::appendPart(const Ref<fd::Dictionary>& headers, const rt::Id& body,
                                              uint64_t length) {
  auto part = rt::make<NKHTTPBodyPart>();
  part->stringEncoding = stringEncoding_;
  part->headers = headers;
  part->boundary = boundary_;
  part->body = body;
  part->bodyContentLength = length;
  bodyStream_->appendHTTPBodyPart(part);
}

void NKStreamingMultipartFormData::throttleBandwidthWithPacketSize(uint64_t numberOfBytes, double delay) {
  bodyStream_->numberOfBytesInPacket = numberOfBytes;
  bodyStream_->delay = delay;
}

Ref<fd::MutableURLRequest> NKStreamingMultipartFormData::requestByFinalizingMultipartFormData() {
  if (bodyStream_->isEmpty()) return request_;
  bodyStream_->setInitialAndFinalBoundaries();
  request_->setHTTPBodyStream(bodyStream_);
  request_->setValueForHTTPHeaderField(fd::String::format("multipart/form-data; boundary=%@", boundary_),
                                       "Content-Type");
  request_->setValueForHTTPHeaderField(
      fd::String::format("%llu", static_cast<unsigned long long>(bodyStream_->contentLength())), "Content-Length");
  return request_;
}

RT_IMPLEMENT(NKStreamingMultipartFormData) {
  c.property("boundary", &NKStreamingMultipartFormData::boundary);
  c.property("stringEncoding", &NKStreamingMultipartFormData::stringEncoding);
  c.protocol("NKMultipartFormData");
}

}  // namespace net
