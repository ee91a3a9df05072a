#include "text/model/DRTextHighlight.h"

#include <algorithm>
#include <vector>

#include "platform/foundation/values/Null.h"
#include "platform/runtime/Exception.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "text/model/DRTextArchiver.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"
#include "text/model/DRTextShadow.h"

namespace text {

RT_IMPLEMENT(DRTextHighlight) {
  c.property("attributes", &DRTextHighlight::attributes);
  c.property("userInfo", &DRTextHighlight::userInfo);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<DRTextHighlight> DRTextHighlight::highlightWithAttributes(const Ref<fd::Dictionary>& attributes) {
  auto h = rt::make<DRTextHighlight>();
  h->setAttributes(attributes);
  return h;
}

void DRTextHighlight::setAttributes(const Ref<fd::Dictionary>& attributes) {
  attributes_ = attributes ? rt::as<fd::MutableDictionary>(attributes->mutableCopy()) : nullptr;
}

void DRTextHighlight::setUserInfo(const Ref<fd::Dictionary>& v) {
  userInfo_ = v ? rt::as<fd::Dictionary>(v->copy()) : nullptr;
}

void DRTextHighlight::makeMutableAttributes() {
  if (!attributes_) attributes_ = fd::MutableDictionary::create();
}

void DRTextHighlight::setFont(const Ref<typeset::Font>& font) {
  makeMutableAttributes();
  if (!font) {
    attributes_->setObjectForKey(fd::Null::null(), typeset::CTFontAttributeName);
    return;
  }
  // The typesetter's font of the same name and size (one font class serves both).
  if (auto ctFont = typeset::Font::fontWithName(font->fontName(), font->pointSize()))
    attributes_->setObjectForKey(ctFont, typeset::CTFontAttributeName);
}

void DRTextHighlight::setColor(const Ref<gfx::Color>& color) {
  makeMutableAttributes();
  attributes_->setObjectForKey(color ? rt::Id(color->CGColor()) : fd::Null::null(),
                               typeset::CTForegroundColorAttributeName);
  attributes_->setObjectForKey(color ? rt::Id(color) : fd::Null::null(), typeset::ForegroundColorAttributeName);
}

void DRTextHighlight::setStrokeWidth(const Ref<fd::Number>& width) {
  makeMutableAttributes();
  attributes_->setObjectForKey(width ? rt::Id(width) : fd::Null::null(), typeset::CTStrokeWidthAttributeName);
}

void DRTextHighlight::setStrokeColor(const Ref<gfx::Color>& color) {
  makeMutableAttributes();
  attributes_->setObjectForKey(color ? rt::Id(color->CGColor()) : fd::Null::null(),
                               typeset::CTStrokeColorAttributeName);
  attributes_->setObjectForKey(color ? rt::Id(color) : fd::Null::null(), typeset::StrokeColorAttributeName);
}

void DRTextHighlight::setTextAttribute(const rt::String& attribute, const rt::Id& value) {
  makeMutableAttributes();
  attributes_->setObjectForKey(value ? value : rt::Id(fd::Null::null()), attribute);
}

void DRTextHighlight::setShadow(const Ref<DRTextShadow>& v) { setTextAttribute(DRTextShadowKey, v); }
void DRTextHighlight::setInnerShadow(const Ref<DRTextShadow>& v) { setTextAttribute(DRTextInnerShadowKey, v); }
void DRTextHighlight::setUnderline(const Ref<DRTextDecoration>& v) { setTextAttribute(DRTextUnderlineKey, v); }
void DRTextHighlight::setStrikethrough(const Ref<DRTextDecoration>& v) { setTextAttribute(DRTextStrikethroughKey, v); }
void DRTextHighlight::setBackgroundBorder(const Ref<DRTextBorder>& v) { setTextAttribute(DRTextBackgroundBorderKey, v); }
void DRTextHighlight::setBorder(const Ref<DRTextBorder>& v) { setTextAttribute(DRTextBorderKey, v); }
void DRTextHighlight::setAttachment(const Ref<DRTextAttachment>& v) { setTextAttribute(DRTextAttachmentKey, v); }

rt::Id DRTextHighlight::copy() const {
  auto c = rt::as<DRTextHighlight>(getClass()->createInstance());
  c->setAttributes(attributes_);
  c->setUserInfo(userInfo_);
  return c;
}

// The attributes go through the rich-text archiver, so that typesetter values inside them
// survive; the user info is archived as it is. The inner archive shares the outer one's
// nesting budget, and one that cannot be made fails the whole rather than losing the
// attributes.
void DRTextHighlight::encodeWithCoder(fd::KeyedArchiver& coder) const {
  Ref<fd::Data> attributes;
  if (attributes_) {
    // Highlights whose attributes are being archived on this thread, outermost first.
    static thread_local std::vector<const DRTextHighlight*> archiving;
    if (std::find(archiving.begin(), archiving.end(), this) != archiving.end())
      rt::raise(rt::InvalidArchiveOperationException, "Highlight holds itself in its attributes");
    archiving.push_back(this);
    struct Done {
      ~Done() { archiving.pop_back(); }
    } done;
    attributes = DRTextArchiver::archivedDataWithRootObject(attributes_, coder);
    if (!attributes) rt::raise(rt::InvalidArchiveOperationException, "Highlight attributes cannot be archived");
  }
  coder.encodeObject(attributes, "attributes");
  coder.encodeObject(userInfo_, "userInfo");
}

bool DRTextHighlight::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (auto data = coder.decodeObjectOfClass<fd::Data>("attributes")) {
    auto attributes = rt::as<fd::Dictionary>(DRTextUnarchiver::unarchiveObjectWithData(data, coder));
    if (!attributes) return false;
    setAttributes(attributes);
  }
  setUserInfo(coder.decodeObjectOfClass<fd::Dictionary>("userInfo"));
  return true;
}

}  // namespace text
