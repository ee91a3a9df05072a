#pragma once
// One part of a multipart body, read on demand in four phases: its encapsulation boundary, its
// header block, its body (from data, a file or a stream), and the closing boundary when it is
// the last part.
#include <cstdint>

#include "platform/foundation/text/StringEncoding.h"
#include "platform/foundation/Types.h"

namespace fd {
class Data;
class Dictionary;
class Error;
class InputStream;
}  // namespace fd

namespace net {

class NKHTTPBodyPart : public rt::Object {
  RT_CLASS(NKHTTPBodyPart, rt::Object)
 public:
  enum Phase : int32_t { EncapsulationBoundary = 1, Header = 2, Body = 3, FinalBoundary = 4 };

  void init();
  ~NKHTTPBodyPart() override;

  fd::StringEncoding stringEncoding = fd::UTF8StringEncoding;
  /// Header name to value, written as given.
  Ref<fd::Dictionary> headers;
  fd::String boundary;
  /// Data, a file URL or an input stream.
  rt::Id body;
  uint64_t bodyContentLength = 0;
  bool hasInitialBoundary = false;
  bool hasFinalBoundary = false;

  /// The body as a stream, made on first use.
  const Ref<fd::InputStream>& inputStream();
  /// The header block: one "Name: value" line per header, then an empty line.
  fd::String stringForHeaders() const;
  /// Bytes of boundary, headers, body and closing boundary.
  uint64_t contentLength() const;
  bool hasBytesAvailable() const;
  /// Up to `length` bytes of the part's wire form: the count placed, or -1 when the body
  /// cannot be read or its length differs from `bodyContentLength` (see streamError).
  int64_t read(uint8_t* buffer, size_t length);
  /// Why the last read failed: the body stream's error or a length mismatch.
  Ref<fd::Error> streamError() const;

  rt::Id copy() const override;

 private:
  /// The wire text of the current phase, made on first read of the phase.
  const Ref<fd::Data>& phaseData();
  int64_t readData(const Ref<fd::Data>& data, uint8_t* buffer, size_t length);
  int64_t readBody(uint8_t* buffer, size_t length);
  /// Runs on the main thread, synchronously, wherever it is called from.
  void transitionToNextPhase();
  void advancePhase();
  Ref<fd::Data> encapsulationBoundaryData() const;
  Ref<fd::Data> headerData() const;
  Ref<fd::Data> finalBoundaryData() const;

  int32_t phase_ = 0;
  uint64_t phaseReadOffset_ = 0;
  uint64_t bodyReadCount_ = 0;
  Ref<fd::InputStream> inputStream_;
  Ref<fd::Error> lengthError_;
  Ref<fd::Data> phaseData_;
};

/// "Boundary+" and 16 random upper-case hexadecimal digits.
fd::String NKCreateMultipartFormBoundary();

}  // namespace net
