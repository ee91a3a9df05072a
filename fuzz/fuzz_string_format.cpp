// Format strings as a strings file may hand them over: any text against a fixed set of
// arguments of every kind.
#include "fuzz/FuzzInput.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/String.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  const fd::String format(in.text());
  static const fd::String text("text");
  static const Ref<fd::StringObject> object = fd::StringObject::create(fd::String("object"));
  std::vector<rt::FormatArg> all = {int32_t(-7), uint64_t(42), 3.5, "c string", text, object, u"utf16",
                                    static_cast<const void*>(&text), int8_t(-1), nullptr};
  // Fewer arguments than conversions is the usual mistake in a translated format.
  all.resize(in.selector % (all.size() + 1), rt::FormatArg(0));
  (void)rt::formatString(format, all);
  return 0;
}
