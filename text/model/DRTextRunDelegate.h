#pragma once
// The metrics of a placeholder run (attachments) as a value that copies and archives; makes
// typesetter run delegates that answer from a private copy.
#include "platform/foundation/Types.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/RunDelegate.h"

namespace text {

class DRTextRunDelegate : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextRunDelegate, rt::Object)
 public:
  /// A new typesetter run delegate over a copy of this one: later changes here do not reach it.
  Ref<typeset::RunDelegate> CTRunDelegate() const;
  /// The copy behind a run delegate made by CTRunDelegate; null for any other delegate.
  static Ref<DRTextRunDelegate> delegateOfCTRunDelegate(const rt::Id& runDelegate);

  const Ref<fd::Dictionary>& userInfo() const { return userInfo_; }
  void setUserInfo(Ref<fd::Dictionary> v) { userInfo_ = std::move(v); }
  double ascent() const { return ascent_; }
  void setAscent(double v) { ascent_ = v; }
  double descent() const { return descent_; }
  void setDescent(double v) { descent_ = v; }
  double width() const { return width_; }
  void setWidth(double v) { width_ = v; }

  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  Ref<fd::Dictionary> userInfo_;
  double ascent_ = 0, descent_ = 0, width_ = 0;
};

}  // namespace text
