#include "text/model/DRTextArchiver.h"

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
  if (!root) return nullptr;
  auto archiver = rt::make<DRTextArchiver>();
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

namespace {
constexpr int kMaxNesting = 8;
}

bool DRTextUnarchiver::init(const Ref<fd::Data>& data, Ref<fd::Error>* error) {
  if (!fd::KeyedUnarchiver::init(data, error)) return false;
  setRequiresSecureCoding(true);
  setDecodingFailurePolicy(fd::DecodingFailurePolicy::SetErrorAndReturn);
  // No rich-text value holds itself; a cycle in an archive could only leak.
  setAllowsCycles(false);
  setDelegate(std::static_pointer_cast<DRTextUnarchiver>(self()));
  return true;
}

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
      // plain values at the top (a highlight archives its attribute dictionary)
      fd::Dictionary::classObject(), fd::Array::classObject(), fd::Set::classObject(),
      fd::StringObject::classObject(), fd::Number::classObject(), fd::Data::classObject(),
      fd::Date::classObject(), fd::URL::classObject(), fd::Null::classObject(), fd::ValueBox::classObject(),
      // what the stand-ins turn back into; none of them can be made from an archive itself
      typeset::RunDelegate::classObject(), typeset::RubyAnnotation::classObject(),
      gfx::BitmapImage::classObject(),
  };
  return classes;
}

rt::Id DRTextUnarchiver::unarchiveObjectWithData(const Ref<fd::Data>& data) {
  if (!data || data->length() == 0) return nullptr;
  // Highlights carry archives inside archives; a crafted one could nest without end.
  static thread_local int nesting = 0;
  if (nesting >= kMaxNesting) return nullptr;
  ++nesting;
  struct Leave {
    ~Leave() { --nesting; }
  } leave;
  try {
    auto unarchiver = rt::make<DRTextUnarchiver>(data);
    if (!unarchiver) return nullptr;
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
