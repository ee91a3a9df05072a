#pragma once
// The body decoded as a picture at the screen's scale, decoded into a bitmap ahead of drawing
// (on the processing queue) unless asked not to.
#include "net/http/NKURLResponseSerialization.h"

namespace gfx {
class Image;
}

namespace net {

class NKImageResponseSerializer : public NKHTTPResponseSerializer {
  RT_CLASS(NKImageResponseSerializer, NKHTTPResponseSerializer)
 public:
  void init();
  static Ref<NKImageResponseSerializer> serializer();

  /// The main screen's scale by default.
  double imageScale() const { return imageScale_; }
  void setImageScale(double scale) { imageScale_ = scale; }
  bool automaticallyInflatesResponseImage() const { return inflates_; }
  void setAutomaticallyInflatesResponseImage(bool inflates) { inflates_ = inflates; }

  /// A body that is no picture gives none, without an error of its own.
  rt::Id responseObjectForResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                   Ref<fd::Error>* error) override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;
  rt::Id copy() const override;

 private:
  double imageScale_ = 1;
  bool inflates_ = true;
};

/// Decodes `data` while holding one process-wide lock, so that no two decodings from data
/// run at once.
Ref<gfx::Image> nk_safeImageWithData(const Ref<fd::Data>& data);
/// The picture in `data` at `scale` (animated pictures as decoded); none for no picture.
Ref<gfx::Image> NKImageFromDataAtScale(const Ref<fd::Data>& data, double scale);
/// The picture drawn once into a device-RGB bitmap, unless it is animated, larger than
/// 1024 x 1024 pixels or deeper than 8 bits per component.
Ref<gfx::Image> NKInflatedImageFromResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                            double scale);

}  // namespace net
