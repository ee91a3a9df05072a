#include "platform/foundation/serialization/Coding.h"

namespace fd {

namespace {

// A decoder kept in its class's slot.
class DecoderSlot : public Object {
 public:
  DecodeFactory factory;
};

const char kDecoderSlotKey = 0;

}  // namespace

void registerDecoder(const Class* cls, DecodeFactory factory) {
  auto slot = std::make_shared<DecoderSlot>();
  slot->factory = std::move(factory);
  cls->setSlot(&kDecoderSlotKey, slot);
}

DecodeFactory registeredDecoder(const Class* cls) {
  auto slot = rt::as<DecoderSlot>(cls->slot(&kDecoderSlotKey));
  return slot ? slot->factory : DecodeFactory();
}

bool supportsSecureCoding(const Class* cls) { return cls && cls->conformsToProtocol("NSSecureCoding"); }

RT_IMPLEMENT_PLATFORM(Coder) { c.abstract(); }

}  // namespace fd
