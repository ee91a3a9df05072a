// The strings-file reader: text tables in UTF-8 or UTF-16, and property-list tables.
#include "fuzz/FuzzInput.h"
#include "platform/foundation/text/StringsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  fd::String message;
  auto table = fd::parseStringsFile(in.bytes, in.size, &message);
  Ref<fd::Error> error;
  auto dictionary = fd::dictionaryWithStringsFileData(in.data(), &error);
  if (bool(table) != bool(dictionary)) __builtin_trap();  // both entry points agree
  if (!dictionary && !error) __builtin_trap();
  if (in.selector & 1) (void)fd::parseStringsText(fd::String(in.text()), &message);
  return 0;
}
