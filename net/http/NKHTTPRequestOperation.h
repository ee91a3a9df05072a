#pragma once
// A URL connection operation for HTTP: a response serializer validates and decodes the
// finished response on the shared processing queue, and exactly one success or failure call
// reaches the caller on the completion queue.
#include "net/http/NKURLConnectionOperation.h"
#include "net/http/NKURLResponseSerialization.h"

namespace fd {
class HTTPURLResponse;
}

namespace net {

class NKHTTPRequestOperation : public NKURLConnectionOperation {
  RT_CLASS(NKHTTPRequestOperation, NKURLConnectionOperation)
 public:
  using SuccessBlock = std::function<void(const Ref<NKHTTPRequestOperation>& operation, const rt::Id& responseObject)>;
  using FailureBlock = std::function<void(const Ref<NKHTTPRequestOperation>& operation, const Ref<fd::Error>& error)>;

  bool init() { return false; }
  /// With `[NKHTTPResponseSerializer serializer]`.
  bool init(Ref<fd::URLRequest> request);

  static Ref<NKHTTPRequestOperation> create(Ref<fd::URLRequest> request) {
    return rt::make<NKHTTPRequestOperation>(std::move(request));
  }
  /// The concurrent queue every response is decoded on.
  static Ref<dispatch::Queue> processingQueue();

  Ref<fd::HTTPURLResponse> response() const;
  Ref<NKHTTPResponseSerializer> responseSerializer() const;
  /// Drops any object decoded with the previous serializer.
  void setResponseSerializer(Ref<NKHTTPResponseSerializer> serializer);
  /// Decoded once, after a finish without error; null before that or when decoding failed.
  rt::Id responseObject();
  Ref<fd::Error> responseSerializationError() const;
  /// The serializer's error when there is one, else the transport error.
  Ref<fd::Error> error() const override;

  /// Installs the completion: on the processing queue, failure with the transport error, or
  /// the decoded object then success or failure; each call on the completion queue.
  void setCompletionBlockWithSuccess(SuccessBlock success, FailureBlock failure);

  /// Also rewrites the request to continue from the bytes already received ("Range", and
  /// "If-Range" with the response's "ETag").
  void pause() override;
  /// On an answer after a resume: keeps the bytes received before the pause only for a 206
  /// whose Content-Range starts where they end.
  void connectionDidReceiveResponse(const Ref<fd::URLConnection>& connection,
                                    const Ref<fd::URLResponse>& response) override;

  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  /// Also a copy of the response serializer.
  rt::Id copy() const override;

 protected:
  Ref<NKURLConnectionOperation> operationWithRequest(Ref<fd::URLRequest> request) const override;

 private:
  Ref<NKHTTPResponseSerializer> responseSerializer_;
  rt::Id responseObject_;
  Ref<fd::Error> responseSerializationError_;
  /// Bytes kept from before the last pause; nullopt when not resuming.
  std::optional<uint64_t> resumeOffset_;
};

}  // namespace net
