// The serializer's multipart entry points: building a streamed multipart request and spooling
// such a body to a file.
#include "net/http/NKHTTPBodyPart.h"
#include "net/http/NKMultipartBodyStream.h"
#include "net/http/NKNetworkingErrors.h"
#include "net/http/NKQueryStringPair.h"
#include "net/http/NKStreamingMultipartFormData.h"
#include "net/http/NKURLRequestSerialization.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

namespace net {

namespace {

// Spooling copies through a buffer of this size.
constexpr size_t kSpoolBufferSize = 1024;

Ref<fd::Error> spoolError(const Ref<fd::Stream>& stream, const char* reason) {
  if (auto error = stream->streamError()) return error;
  auto info = fd::Dictionary::withStrings({{fd::NSLocalizedFailureReasonErrorKey,
                                            fd::StringObject::create(NKLocalizedString(reason))}});
  return fd::Error::create(NKURLRequestSerializationErrorDomain, -1000, info);
}

// Copies `input` to `output`; answers the first error. Every byte read is written, however
// many writes that takes.
Ref<fd::Error> spool(const Ref<fd::InputStream>& input, const Ref<fd::OutputStream>& output) {
  uint8_t buffer[kSpoolBufferSize];
  while (input->hasBytesAvailable() && output->hasSpaceAvailable()) {
    int64_t read = input->read(buffer, sizeof buffer);
    if (read < 0 || input->streamError()) return spoolError(input, "The multipart body could not be read.");
    if (read == 0) return nullptr;
    size_t written = 0;
    while (written < size_t(read)) {
      int64_t n = output->write(buffer + written, size_t(read) - written);
      if (n < 0 || output->streamError()) return spoolError(output, "The multipart body could not be written.");
      if (n == 0) return spoolError(output, "The file accepted no more bytes.");
      written += size_t(n);
    }
  }
  if (auto error = input->streamError()) return error;
  return output->streamError();
}

}  // namespace

Ref<fd::MutableURLRequest> NKHTTPRequestSerializer::multipartFormRequestWithMethod(const fd::String& method,
                                                                                   const fd::String& URLString,
                                                                                   const rt::Id& parameters,
                                                                                   const NKMultipartFormBlock& block,
                                                                                   Ref<fd::Error>* error) {
  auto request = requestWithMethod(method, URLString, nullptr, error);
  if (!request) return nullptr;
  auto formData = rt::make<NKStreamingMultipartFormData>(request, fd::UTF8StringEncoding);
  if (parameters) {
    for (const auto& pair : NKFlattenQueryParameters(nullptr, parameters)) {
      const rt::Id& value = pair->value();
      Ref<fd::Data> data;
      if (auto bytes = rt::as<fd::Data>(value)) data = bytes;
      else if (!value || fd::Null::isNull(value)) data = fd::Data::create();
      else data = fd::dataUsingEncoding(value->description(), stringEncoding());
      if (data) formData->appendPartWithFormData(data, pair->field() ? pair->field()->description() : fd::String());
    }
  }
  if (block) block(formData);
  return formData->requestByFinalizingMultipartFormData();
}

Ref<fd::MutableURLRequest> NKHTTPRequestSerializer::requestWithMultipartFormRequest(
    const Ref<fd::URLRequest>& request, const Ref<fd::URL>& fileURL, NKMultipartSpoolCompletion completionHandler) {
  Ref<fd::InputStream> input = request->HTTPBodyStream();
  Ref<fd::OutputStream> output =
      fileURL && fileURL->isFileURL() ? fd::OutputStream::outputStreamToFileAtPath(fileURL->path(), false) : nullptr;
  dispatch::globalQueue()->async([input, output, completionHandler] {
    Ref<fd::Error> error;
    if (!input || !output) {
      error = fd::Error::create(NKURLRequestSerializationErrorDomain, -1000,
                                fd::Dictionary::withStrings({{fd::NSLocalizedFailureReasonErrorKey,
                                                              fd::StringObject::create(NKLocalizedString(
                                                                  "The request has no body stream or the "
                                                                  "destination is not a file URL."))}}));
    } else {
      auto loop = fd::RunLoop::currentRunLoop();
      input->scheduleInRunLoop(loop, fd::NSDefaultRunLoopMode);
      output->scheduleInRunLoop(loop, fd::NSDefaultRunLoopMode);
      input->open();
      output->open();
      error = spool(input, output);
      output->close();
      input->close();
      input->removeFromRunLoop(loop, fd::NSDefaultRunLoopMode);
      output->removeFromRunLoop(loop, fd::NSDefaultRunLoopMode);
    }
    if (completionHandler) dispatch::mainQueue()->async([completionHandler, error] { completionHandler(error); });
  });
  auto copy = rt::as<fd::MutableURLRequest>(request->mutableCopy());
  copy->setHTTPBodyStream(nullptr);
  return copy;
}

}  // namespace net
