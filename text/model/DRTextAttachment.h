#pragma once
// An object shown at the place of a U+FFFC character: an image, a view or a layer.
#include "platform/foundation/Types.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/Geometry.h"

namespace text {

class DRTextAttachment : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextAttachment, rt::Object)
 public:
  static Ref<DRTextAttachment> attachmentWithContent(rt::Id content);

  /// Kept as given; content of other classes is ignored by the drawing.
  const rt::Id& content() const { return content_; }
  void setContent(rt::Id v) { content_ = std::move(v); }
  /// The platform view content mode fitting the content into its box (0: scale to fill).
  int64_t contentMode() const { return contentMode_; }
  void setContentMode(int64_t v) { contentMode_ = v; }
  /// Removed from the run's box before fitting.
  const gfx::EdgeInsets& contentInsets() const { return contentInsets_; }
  void setContentInsets(gfx::EdgeInsets v) { contentInsets_ = v; }
  const Ref<fd::Dictionary>& userInfo() const { return userInfo_; }
  void setUserInfo(Ref<fd::Dictionary> v) { userInfo_ = std::move(v); }

  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  rt::Id content_;
  int64_t contentMode_ = 0;
  gfx::EdgeInsets contentInsets_;
  Ref<fd::Dictionary> userInfo_;
};

}  // namespace text
