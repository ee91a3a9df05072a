#include "text/model/DRTextRunDelegate.h"

#include "text/model/DRTextCoding.h"

namespace text {

namespace {

// The typesetter's delegate owning the copy its callbacks read, so that the copy can be found
// again (archiving) and goes with the delegate.
class DRTextOwnedRunDelegate : public typeset::RunDelegate {
  RT_CLASS_NAMED(DRTextOwnedRunDelegate, typeset::RunDelegate, "_DRTextOwnedRunDelegate")
 public:
  bool init(Ref<DRTextRunDelegate> owned) {
    typeset::RunDelegateCallbacks callbacks;
    callbacks.getAscent = [](void* ref) { return static_cast<DRTextRunDelegate*>(ref)->ascent(); };
    callbacks.getDescent = [](void* ref) { return static_cast<DRTextRunDelegate*>(ref)->descent(); };
    callbacks.getWidth = [](void* ref) { return static_cast<DRTextRunDelegate*>(ref)->width(); };
    if (!typeset::RunDelegate::init(std::move(callbacks), owned.get())) return false;
    owned_ = std::move(owned);
    return true;
  }
  const Ref<DRTextRunDelegate>& owned() const { return owned_; }

 private:
  Ref<DRTextRunDelegate> owned_;
};

RT_IMPLEMENT(DRTextOwnedRunDelegate) {}

}  // namespace

RT_IMPLEMENT(DRTextRunDelegate) {
  c.property("userInfo", &DRTextRunDelegate::userInfo, &DRTextRunDelegate::setUserInfo);
  c.property("ascent", &DRTextRunDelegate::ascent, &DRTextRunDelegate::setAscent);
  c.property("descent", &DRTextRunDelegate::descent, &DRTextRunDelegate::setDescent);
  c.property("width", &DRTextRunDelegate::width, &DRTextRunDelegate::setWidth);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<typeset::RunDelegate> DRTextRunDelegate::CTRunDelegate() const {
  return rt::make<DRTextOwnedRunDelegate>(rt::as<DRTextRunDelegate>(copy()));
}

Ref<DRTextRunDelegate> DRTextRunDelegate::delegateOfCTRunDelegate(const rt::Id& runDelegate) {
  auto owned = rt::as<DRTextOwnedRunDelegate>(runDelegate);
  return owned ? owned->owned() : nullptr;
}

rt::Id DRTextRunDelegate::copy() const {
  auto c = rt::as<DRTextRunDelegate>(getClass()->createInstance());
  c->setAscent(ascent_);
  c->setDescent(descent_);
  c->setWidth(width_);
  c->setUserInfo(userInfo_);
  return c;
}

void DRTextRunDelegate::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coding::encodeDouble(coder, ascent_, "ascent");
  coding::encodeDouble(coder, descent_, "descent");
  coding::encodeDouble(coder, width_, "width");
  coder.encodeObject(userInfo_, "userInfo");
}

bool DRTextRunDelegate::initWithCoder(fd::KeyedUnarchiver& coder) {
  coding::decodeDouble(coder, "ascent", ascent_);
  coding::decodeDouble(coder, "descent", descent_);
  coding::decodeDouble(coder, "width", width_);
  userInfo_ = coder.decodeObjectOfClass<fd::Dictionary>("userInfo");
  return true;
}

}  // namespace text
