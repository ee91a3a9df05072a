#include "platform/runtime/Exception.h"

namespace rt {

Exception::Exception(String name, String reason, Id userInfo)
    : name_(std::move(name)), reason_(std::move(reason)), userInfo_(std::move(userInfo)) {
  what_ = name_.utf8() + ": " + reason_.utf8();
}

void raise(const String& name, const String& reason, Id userInfo) {
  throw Exception(name, reason, std::move(userInfo));
}

}  // namespace rt
