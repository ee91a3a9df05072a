#pragma once
// What a multipart body block may add to the request being built. Every append adds one part
// that is read on demand when the body is sent; nothing is assembled in memory.
#include <cstdint>

#include "platform/foundation/Types.h"

namespace fd {
class Data;
class Dictionary;
class Error;
class InputStream;
class URL;
}  // namespace fd

namespace net {

class NKMultipartFormData {
 public:
  virtual ~NKMultipartFormData() = default;

  /// A file part named after the URL's last path component, its MIME type derived from the
  /// extension ("application/octet-stream" when unknown).
  virtual bool appendPartWithFileURL(const Ref<fd::URL>& fileURL, const fd::String& name, Ref<fd::Error>* error) = 0;
  /// False (and nothing appended) for a URL that is not a reachable file.
  virtual bool appendPartWithFileURL(const Ref<fd::URL>& fileURL, const fd::String& name,
                                     const fd::String& fileName, const fd::String& mimeType,
                                     Ref<fd::Error>* error) = 0;
  /// `length` bytes are expected from `inputStream`; another count fails the read.
  virtual void appendPartWithInputStream(const Ref<fd::InputStream>& inputStream, const fd::String& name,
                                         const fd::String& fileName, int64_t length,
                                         const fd::String& mimeType) = 0;
  virtual void appendPartWithFileData(const Ref<fd::Data>& data, const fd::String& name,
                                      const fd::String& fileName, const fd::String& mimeType) = 0;
  virtual void appendPartWithFormData(const Ref<fd::Data>& data, const fd::String& name) = 0;
  /// Header names and values go on the wire as given.
  virtual void appendPartWithHeaders(const Ref<fd::Dictionary>& headers, const Ref<fd::Data>& body) = 0;
  /// Reads at most about `numberOfBytes` per read and sleeps `delay` seconds after each part read.
  virtual void throttleBandwidthWithPacketSize(uint64_t numberOfBytes, double delay) = 0;
};

}  // namespace net
