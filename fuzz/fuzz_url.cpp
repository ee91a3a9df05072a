// URL parsing (alone and against a base), the parts and query items of what parsed, and
// percent-decoding of query text.
#include "fuzz/FuzzInput.h"
#include "platform/foundation/net/URL.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  const fd::String text(in.text());
  static const Ref<fd::URL> base = fd::URL::URLWithString("http://user@127.0.0.1:8080/a/b/c?q=1#f");
  for (auto url : {fd::URL::URLWithString(text), fd::URL::URLWithString(text, base)}) {
    if (!url) continue;
    url->absoluteString();
    url->path();
    for (const auto& item : url->queryItems()) (void)item.name.length();
    // A parsed URL's text parses again.
    if (!fd::URL::URLWithString(url->absoluteString())) __builtin_trap();
  }
  (void)text.stringByRemovingPercentEncoding();
  return 0;
}
