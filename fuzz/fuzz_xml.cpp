// The XML parser, with and without namespace processing, through a delegate that reads
// everything it is handed.
#include "fuzz/FuzzInput.h"
#include "platform/foundation/serialization/XMLParser.h"
#include "platform/foundation/values/Dictionary.h"

namespace {

class Reader : public fd::XMLParserDelegate {
 public:
  void didStartElement(fd::XMLParser& p, const fd::String& name, const fd::String& uri, const fd::String& qname,
                       const Ref<fd::Dictionary>& attributes) override {
    seen += name.length() + uri.length() + qname.length() + (attributes ? attributes->count() : 0);
    if (++depth > 64 && abortDeep) p.abortParsing();
  }
  void didEndElement(fd::XMLParser&, const fd::String& name, const fd::String&, const fd::String&) override {
    seen += name.length();
    --depth;
  }
  void foundCharacters(fd::XMLParser& p, const fd::String& s) override { seen += s.length() + size_t(p.lineNumber()); }
  void foundCDATA(fd::XMLParser&, const Ref<fd::Data>& block) override { seen += block ? block->length() : 0; }
  size_t seen = 0;
  int depth = 0;
  bool abortDeep = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  auto parser = fd::XMLParser::create(in.data());
  if (!parser) return 0;
  auto reader = std::make_shared<Reader>();
  reader->abortDeep = in.selector & 2;
  parser->setDelegate(reader);
  parser->setShouldProcessNamespaces(in.selector & 1);
  if (!parser->parse() && !parser->parserError()) __builtin_trap();  // a failed parse says why
  return 0;
}
