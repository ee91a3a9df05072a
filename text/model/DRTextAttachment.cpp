#include "text/model/DRTextAttachment.h"

#include "text/model/DRTextCoding.h"

namespace text {

RT_IMPLEMENT(DRTextAttachment) {
  c.property("content", &DRTextAttachment::content, &DRTextAttachment::setContent);
  c.property("contentMode", &DRTextAttachment::contentMode, &DRTextAttachment::setContentMode);
  c.property("contentInsets", &DRTextAttachment::contentInsets, &DRTextAttachment::setContentInsets);
  c.property("userInfo", &DRTextAttachment::userInfo, &DRTextAttachment::setUserInfo);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<DRTextAttachment> DRTextAttachment::attachmentWithContent(rt::Id content) {
  auto a = rt::make<DRTextAttachment>();
  a->setContent(std::move(content));
  return a;
}

rt::Id DRTextAttachment::copy() const {
  auto c = rt::as<DRTextAttachment>(getClass()->createInstance());
  c->setContent(content_ && content_->conformsToProtocol("NSCopying") ? content_->copy() : content_);
  c->setContentMode(contentMode_);
  c->setContentInsets(contentInsets_);
  if (userInfo_) c->setUserInfo(rt::as<fd::Dictionary>(userInfo_->copy()));
  return c;
}

void DRTextAttachment::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(content_, "content");
  coder.encodeStruct(contentInsets_, "contentInsets");
  coder.encodeObject(userInfo_, "userInfo");
  coding::encodeInteger(coder, contentMode_, "contentMode");
}

bool DRTextAttachment::initWithCoder(fd::KeyedUnarchiver& coder) {
  content_ = coder.decodeObjectForKey("content");
  coder.decodeStruct("contentInsets", contentInsets_);
  userInfo_ = coder.decodeObjectOfClass<fd::Dictionary>("userInfo");
  coding::decodeInteger(coder, "contentMode", contentMode_);
  return true;
}

}  // namespace text
