#pragma once
// What every cancellable load of the pipeline answers: a combined load of the manager, a
// caller's place in a download. Cancelling is safe from any thread and more than once.

namespace image {

class WIWebImageOperation {
 public:
  virtual ~WIWebImageOperation() = default;
  virtual void cancel() = 0;
};

}  // namespace image
