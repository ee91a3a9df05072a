#pragma once
// Keyed archiving of rich text. Typesetter and graphics values that cannot archive themselves
// (run delegates, ruby annotations, bitmap images) are swapped for codable stand-ins on the
// way out and back on the way in. Unarchiving accepts only the rich-text classes and the
// platform's value classes: archives come from pasteboards and files, and anything else in
// one gives no object.
#include <vector>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/graphics/Bitmap.h"

namespace text {

class DRTextArchiver : public fd::KeyedArchiver, public fd::KeyedArchiverDelegate {
  RT_CLASS(DRTextArchiver, fd::KeyedArchiver)
 public:
  void init();

  /// Null for null, and for a graph holding something that cannot be archived.
  static Ref<fd::Data> archivedDataWithRootObject(const rt::Id& root);
  /// Writes the archive atomically; false when there is no archive or the write fails.
  static bool archiveRootObjectToFile(const rt::Id& root, const rt::String& path);

  rt::Id willEncodeObject(fd::KeyedArchiver& archiver, const rt::Id& object) override;
};

class DRTextUnarchiver : public fd::KeyedUnarchiver, public fd::KeyedUnarchiverDelegate {
  RT_CLASS(DRTextUnarchiver, fd::KeyedUnarchiver)
 public:
  void init() {}
  /// False (no object) unless `data` is an archive.
  bool init(const Ref<fd::Data>& data, Ref<fd::Error>* error = nullptr);

  /// The root object; null for null or empty data, a damaged archive or a class outside the
  /// allowed ones.
  static rt::Id unarchiveObjectWithData(const Ref<fd::Data>& data);
  static rt::Id unarchiveObjectWithFile(const rt::String& path);
  /// The classes an archive may hold besides the plain values.
  static const std::vector<const rt::Class*>& allowedClasses();

  rt::Id didDecodeObject(fd::KeyedUnarchiver& unarchiver, const rt::Id& object) override;
};

/// Stands in for a bitmap image in an archive, as the UI image over it.
class DRTextCGImage : public rt::Object, public fd::Coding {
  RT_CLASS_NAMED(DRTextCGImage, rt::Object, "_DRCGImage")
 public:
  static Ref<DRTextCGImage> imageWithCGImage(Ref<gfx::BitmapImage> image);
  const Ref<gfx::BitmapImage>& CGImage() const { return image_; }
  void setCGImage(Ref<gfx::BitmapImage> v) { image_ = std::move(v); }

  rt::Id copy() const override { return imageWithCGImage(image_); }
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  Ref<gfx::BitmapImage> image_;
};

}  // namespace text
