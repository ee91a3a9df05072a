// The rich-text unarchiver: archives from pasteboards and files, decoded with its allow-list.
// What comes back is used as a caller would use it: copied, described and archived again.
#include "fuzz/FuzzInput.h"
#include "platform/runtime/Exception.h"
#include "tests/support/EmptyContainers.h"
#include "text/model/DRTextArchiver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  rt::Id object = text::DRTextUnarchiver::unarchiveObjectWithData(in.data());
  if (!object) return 0;
  object->description();
  if (in.selector & 1) {
    if (object->conformsToProtocol("NSCopying")) {
      try {
        object->copy();
      } catch (const rt::Exception&) {
      }
    }
  }
  if (in.selector & 2) text::DRTextArchiver::archivedDataWithRootObject(object);
  testsupport::emptyMutableContainers(object);
  return 0;
}
