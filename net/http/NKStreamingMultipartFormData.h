#pragma once
// Builds a "multipart/form-data" request whose body is streamed from its parts.
#include "net/http/NKMultipartFormData.h"
#include "platform/foundation/text/StringEncoding.h"
#include "platform/foundation/net/URLRequest.h"

namespace net {

class NKMultipartBodyStream;

class NKStreamingMultipartFormData : public rt::Object, public NKMultipartFormData {
  RT_CLASS(NKStreamingMultipartFormData, rt::Object)
 public:
  void init() {}
  /// `boundary` is made at random ("Boundary+" and 16 hexadecimal digits) unless given.
  void init(const Ref<fd::URLRequest>& request, fd::StringEncoding encoding,
            const std::optional<fd::String>& boundary = std::nullopt);

  const Ref<fd::MutableURLRequest>& request() const { return request_; }
  /// Copies `request`.
  void setRequest(const Ref<fd::URLRequest>& request);
  fd::StringEncoding stringEncoding() const { return stringEncoding_; }
  const fd::String& boundary() const { return boundary_; }
  const Ref<NKMultipartBodyStream>& bodyStream() const { return bodyStream_; }

  bool appendPartWithFileURL(const Ref<fd::URL>& fileURL, const fd::String& name, Ref<fd::Error>* error) override;
  bool appendPartWithFileURL(const Ref<fd::URL>& fileURL, const fd::String& name, const fd::String& fileName,
                             const fd::String& mimeType, Ref<fd::Error>* error) override;
  void appendPartWithInputStream(const Ref<fd::InputStream>& inputStream, const fd::String& name,
                                 const fd::String& fileName, int64_t length, const fd::String& mimeType) override;
  void appendPartWithFileData(const Ref<fd::Data>& data, const fd::String& name, const fd::String& fileName,
                              const fd::String& mimeType) override;
  void appendPartWithFormData(const Ref<fd::Data>& data, const fd::String& name) override;
  void appendPartWithHeaders(const Ref<fd::Dictionary>& headers, const Ref<fd::Data>& body) override;
  void throttleBandwidthWithPacketSize(uint64_t numberOfBytes, double delay) override;

  /// The request with the body stream, "Content-Type" and "Content-Length"; unchanged when no
  /// part was appended.
  Ref<fd::MutableURLRequest> requestByFinalizingMultipartFormData();

 private:
  void appendPart(const Ref<fd::Dictionary>& headers, const rt::Id& body, uint64_t length);

  Ref<fd::MutableURLRequest> request_;
  fd::StringEncoding stringEncoding_ = fd::UTF8StringEncoding;
  fd::String boundary_;
  Ref<NKMultipartBodyStream> bodyStream_;
};

}  // namespace net
