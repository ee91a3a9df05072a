#pragma once
// Run delegates: callbacks that size the placeholder run of an attachment.
#include <functional>

#include "platform/typeset/Types.h"

namespace typeset {

struct RunDelegateCallbacks {
  int version = 1;  // the only version there is
  std::function<void(void* refCon)> dealloc;
  std::function<double(void* refCon)> getAscent;
  std::function<double(void* refCon)> getDescent;
  std::function<double(void* refCon)> getWidth;
};

class RunDelegate : public rt::Object {
  RT_CLASS_NAMED(RunDelegate, rt::Object, "CTRunDelegate")
 public:
  /// False (no object) for a version other than 1.
  bool init(RunDelegateCallbacks callbacks, void* refCon);
  static Ref<RunDelegate> create(RunDelegateCallbacks callbacks, void* refCon) {
    return rt::make<RunDelegate>(std::move(callbacks), refCon);
  }
  /// Calls the dealloc callback with the reference constant.
  ~RunDelegate() override;

  void* refCon() const { return refCon_; }
  // Missing callbacks answer 0; negative or non-finite answers count as 0.
  double ascent() const;
  double descent() const;
  double width() const;

 private:
  RunDelegateCallbacks callbacks_;
  void* refCon_ = nullptr;
};

}  // namespace typeset
