#include "text/model/DRTextArchiver.h"

#include <algorithm>

#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"
#include "platform/runtime/Exception.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/typeset/RubyAnnotation.h"
#include "platform/typeset/RunDelegate.h"
#include "platform/typeset/Shadow.h"
#include "platform/ui/controls/ImageView.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextBackedString.h"
#include "text/model/DRTextBinding.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"
#include "text/model/DRTextHighlight.h"
#include "text/model/DRTextRubyAnnotation.h"
#include "text/model/DRTextRunDelegate.h"
#include "text/model/DRTextShadow.h"

namespace text {

namespace {

// One nesting budget covers an archive and the archives inside it (a highlight keeps its
// attributes as an archive of their own), so that a crafted pasteboard item cannot nest
// archives to run the stack out: the whole fits in a 1 MB thread stack, sanitizers included.
constexpr unsigned kMaxNesting = 100;
// What an inner archive costs beyond its own objects: a fresh archiver's frames.
constexpr unsigned kNestedArchiveCost = 4;

// The budget of an (un)archiver started while `outer` codes: what `outer` has left, never
// more than the whole; 0 when nothing is left.
template <class Coder> unsigned nestedBudget(const Coder& outer) {
  const unsigned used = outer.depth() + kNestedArchiveCost;
  return outer.maximumDepth() > used ? std::min(outer.maximumDepth() - used, kMaxNesting) : 0;
}

}  // namespace

RT_IMPLEMENT(DRTextArchiver) {}
RT_IMPLEMENT(DRTextUnarchiver) {}
RT_IMPLEMENT(DRTextCGImage) {
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

// ---- archiving

void DRTextArchiver::init() {
  fd::KeyedArchiver::init(false);
  setDelegate(std::static_pointer_cast<DRTextArchiver>(self()));
}

Ref<fd::Data> DRTextArchiver::archivedDataWithRootObject(const rt::Id& root) {
  return archive(root, kMaxNesting);
}

Ref<fd::Data> DRTextArchiver::archivedDataWithRootObject(const rt::Id& root, const fd::KeyedArchiver& outer) {
  const unsigned budget = nestedBudget(outer);
  return budget ? archive(root, budget) : nullptr;
}

Ref<fd::Data> DRTextArchiver::archive(const rt::Id& root, unsigned budget) {
  if (!root) return nullptr;
  auto archiver = rt::make<DRTextArchiver>();
  archiver->setMaximumDepth(budget);
  try {
    archiver->encodeObject(root, "root");
    archiver->finishEncoding();
    return archiver->encodedData();
  } catch (const rt::Exception&) {
    return nullptr;
  }
}

bool DRTextArchiver::archiveRootObjectToFile(const rt::Id& root, const rt::String& path) {
  auto data = archivedDataWithRootObject(root);
  return data && fd::writeDataToFile(*data, path, true);
}

rt::Id DRTextArchiver::willEncodeObject(fd::KeyedArchiver&, const rt::Id& object) {
  if (rt::as<typeset::RunDelegate>(object)) {
    // Only delegates made from a rich-text delegate can be archived; others fail as themselves.
    auto owned = DRTextRunDelegate::delegateOfCTRunDelegate(object);
    return owned ? rt::Id(owned) : object;
  }
  if (auto ruby = rt::as<typeset::RubyAnnotation>(object)) return DRTextRubyAnnotation::rubyWithCTRuby(ruby);
  if (auto image = rt::as<gfx::BitmapImage>(object)) return DRTextCGImage::imageWithCGImage(image);
  // Colours need no stand-in: the graphics colour is the UI colour, which archives itself.
  return object;
}

// ---- unarchiving

bool DRTextUnarchiver::init(const Ref<fd::Data>& data, Ref<fd::Error>* error) {
  if (!fd::KeyedUnarchiver::init(data, error)) return false;
  setRequiresSecureCoding(true);
  setDecodingFailurePolicy(fd::DecodingFailurePolicy::SetErrorAndReturn);
  // No rich-text value holds itself; a cycle in an archive could only leak.
  setAllowsCycles(false);
  setDelegate(std::static_pointer_cast<DRTextUnarchiver>(self()));
  return true;
}

// Every object of an archive, wherever it sits, must be of one of these: they include what the
// classes allowed decode of their own (an image view its geometry as boxed values, its colours,
// images and image subviews; an attributed string its runs as arrays of numbers and
// dictionaries).
const std::vector<const rt::Class*>& DRTextUnarchiver::allowedClasses() {
  static const std::vector<const rt::Class*> classes = {
      // the rich-text values
      DRTextBackedString::classObject(), DRTextBinding::classObject(), DRTextShadow::classObject(),
      DRTextDecoration::classObject(), DRTextBorder::classObject(), DRTextAttachment::classObject(),
      DRTextHighlight::classObject(), DRTextRubyAnnotation::classObject(), DRTextRunDelegate::classObject(),
      DRTextCGImage::classObject(),
      // the platform's text and graphics values
      typeset::AttributedString::classObject(), typeset::ParagraphStyle::classObject(),
      typeset::Shadow::classObject(), typeset::Font::classObject(), gfx::Color::classObject(),
      gfx::Image::classObject(),
      // attachment content: image views, the animated ones that emoji attachments use included
      ui::ImageView::classObject(),
      // plain values: runs, attribute values, user info, geometry
      fd::Dictionary::classObject(), fd::Array::classObject(), fd::Set::classObject(),
      fd::StringObject::classObject(), fd::Number::classObject(), fd::Data::classObject(),
      fd::Date::classObject(), fd::URL::classObject(), fd::Null::classObject(), fd::ValueBox::classObject(),
      // what the stand-ins turn back into; none of them can be made from an archive itself
      typeset::RunDelegate::classObject(), typeset::RubyAnnotation::classObject(),
      gfx::BitmapImage::classObject(),
  };
  return classes;
}

rt::Id DRTextUnarchiver::unarchiveObjectWithData(const Ref<fd::Data>& data) { return unarchive(data, kMaxNesting); }

rt::Id DRTextUnarchiver::unarchiveObjectWithData(const Ref<fd::Data>& data, const fd::KeyedUnarchiver& outer) {
  const unsigned budget = nestedBudget(outer);
  return budget ? unarchive(data, budget) : nullptr;
}

rt::Id DRTextUnarchiver::unarchive(const Ref<fd::Data>& data, unsigned budget) {
  if (!data || data->length() == 0) return nullptr;
  try {
    auto unarchiver = rt::make<DRTextUnarchiver>(data);
    if (!unarchiver) return nullptr;
    unarchiver->setMaximumDepth(budget);
    rt::Id root = unarchiver->decodeObjectOfClasses(allowedClasses(), "root");
    unarchiver->finishDecoding();
    return unarchiver->error() ? nullptr : root;
  } catch (const rt::Exception&) {
    return nullptr;
  }
}

rt::Id DRTextUnarchiver::unarchiveObjectWithFile(const rt::String& path) {
  return unarchiveObjectWithData(fd::dataWithContentsOfFile(path));
}

rt::Id DRTextUnarchiver::didDecodeObject(fd::KeyedUnarchiver&, const rt::Id& object) {
  // Exact classes only: a subclass stays the object it was decoded as.
  const rt::Class* cls = object->getClass();
  if (cls == DRTextRunDelegate::classObject()) return rt::as<DRTextRunDelegate>(object)->CTRunDelegate();
  if (cls == DRTextRubyAnnotation::classObject()) return rt::as<DRTextRubyAnnotation>(object)->CTRubyAnnotation();
  if (cls == DRTextCGImage::classObject()) return rt::as<DRTextCGImage>(object)->CGImage();
  return object;
}

// ---- bitmap stand-in

Ref<DRTextCGImage> DRTextCGImage::imageWithCGImage(Ref<gfx::BitmapImage> image) {
  auto i = rt::make<DRTextCGImage>();
  i->setCGImage(std::move(image));
  return i;
}

void DRTextCGImage::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(image_ ? gfx::Image::imageWithCGImage(image_) : nullptr, "image");
}

bool DRTextCGImage::initWithCoder(fd::KeyedUnarchiver& coder) {
  auto image = coder.decodeObjectOfClass<gfx::Image>("image");
  image_ = image ? image->CGImage() : nullptr;
  return image_ != nullptr;
}

}  // namespace text
