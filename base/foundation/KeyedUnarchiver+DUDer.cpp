#include "base/foundation/KeyedUnarchiver+DUDer.h"

#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"

namespace base {

rt::Id unarchiveObjectWithData(const Ref<fd::Data>& data, std::optional<rt::Exception>* exception) {
  if (exception) exception->reset();
  try {
    return fd::KeyedUnarchiver::unarchiveObjectWithData(data);
  } catch (const rt::Exception& e) {
    if (exception) *exception = e;
    return nullptr;
  }
}

rt::Id unarchiveObjectWithFile(const String& path, std::optional<rt::Exception>* exception) {
  if (exception) exception->reset();
  auto data = fd::dataWithContentsOfFile(path);
  if (!data) return nullptr;
  return unarchiveObjectWithData(data, exception);
}

}  // namespace base
