#pragma once
// Keyed archiving of rich text. Typesetter and graphics values that cannot archive themselves
// (run delegates, ruby annotations, bitmap images) are swapped for codable stand-ins on the
// way out and back on the way in. Unarchiving accepts only the rich-text classes, the
// platform's text, graphics and plain values and image views (attachment content), at any
// depth: archives come from pasteboards and files, and anything else in one gives no object.
// One nesting budget covers an archive and the archives inside it.
#include <vector>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/graphics/Bitmap.h"

namespace text {

class DRTextArchiver : public fd::KeyedArchiver, public fd::KeyedArchiverDelegate {
  RT_CLASS(DRTextArchiver, fd::KeyedArchiver)
 public:
  void init();

  /// Null for null, and for a graph holding something that cannot be archived or that nests
  /// too deeply.
  static Ref<fd::Data> archivedDataWithRootObject(const rt::Id& root);
  /// The same for an archive made while `outer` encodes (an archive inside an archive): it
  /// may nest only as deeply as `outer` has left.
  static Ref<fd::Data> archivedDataWithRootObject(const rt::Id& root, const fd::KeyedArchiver& outer);
  /// Writes the archive atomically; false when there is no archive or the write fails.
  static bool archiveRootObjectToFile(const rt::Id& root, const rt::String& path);

  rt::Id willEncodeObject(fd::KeyedArchiver& archiver, const rt::Id& object) override;

 private:
  static Ref<fd::Data> archive(const rt::Id& root, unsigned budget);
};

class DRTextUnarchiver : public fd::KeyedUnarchiver, public fd::KeyedUnarchiverDelegate {
  RT_CLASS(DRTextUnarchiver, fd::KeyedUnarchiver)
 public:
  void init() {}
  /// False (no object) unless `data` is an archive.
  bool init(const Ref<fd::Data>& data, Ref<fd::Error>* error = nullptr);

  /// The root object; null for null or empty data, a damaged archive, a class outside the
  /// allowed ones or objects nested too deeply.
  static rt::Id unarchiveObjectWithData(const Ref<fd::Data>& data);
  /// The same for an archive read while `outer` decodes (an archive inside an archive): it
  /// may nest only as deeply as `outer` has left.
  static rt::Id unarchiveObjectWithData(const Ref<fd::Data>& data, const fd::KeyedUnarchiver& outer);
  static rt::Id unarchiveObjectWithFile(const rt::String& path);
  /// The classes every object of an archive must belong to.
  static const std::vector<const rt::Class*>& allowedClasses();

  rt::Id didDecodeObject(fd::KeyedUnarchiver& unarchiver, const rt::Id& object) override;

 private:
  static rt::Id unarchive(const Ref<fd::Data>& data, unsigned budget);
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
