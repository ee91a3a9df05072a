// The keyed unarchiver: secure decoding of the value classes, and the raising entry point,
// whose documented exceptions are its answer to bad archives. Mutable containers that hold
// each other come back holding each other, as they were archived; like any caller, the target
// empties them when done, or every such archive would show as a leak.
#include "fuzz/FuzzInput.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/runtime/Exception.h"
#include "tests/support/EmptyContainers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  auto bytes = in.data();
  const std::vector<const rt::Class*> classes = {
      fd::Dictionary::classObject(), fd::Array::classObject(), fd::Set::classObject(),
      fd::StringObject::classObject(), fd::Number::classObject(), fd::Data::classObject(),
      fd::Date::classObject(), fd::URL::classObject(), fd::Null::classObject(), fd::IndexSet::classObject(),
      fd::Error::classObject(), fd::ValueBox::classObject()};
  Ref<fd::Error> error;
  auto object = fd::KeyedUnarchiver::unarchivedObjectOfClasses(classes, bytes, &error);
  if (object) object->description();
  testsupport::emptyMutableContainers(object);
  if (in.selector & 1) {
    try {
      if (auto any = fd::KeyedUnarchiver::unarchiveObjectWithData(bytes)) {
        any->description();
        testsupport::emptyMutableContainers(any);
      }
    } catch (const rt::Exception&) {
    }
  }
  return 0;
}
