#pragma once
// Builds nested dictionaries from XML events: attributes merge into their element's dictionary,
// children go under their names (arrays once a name repeats), trimmed text runs under "_text",
// and elements holding only text collapse to that text in their parent. Parses on the calling
// thread, at creation. (The private class keeps no leading underscore: such names are
// reserved in C++.)
#include "platform/foundation/serialization/XMLParser.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"

namespace base {

using rt::String;

class DRXMLDictionaryParser : public rt::Object, public fd::XMLParserDelegate {
  RT_CLASS(DRXMLDictionaryParser, rt::Object)
 public:
  void init() {}
  void init(const Ref<fd::Data>& data);
  static Ref<DRXMLDictionaryParser> create(const Ref<fd::Data>& data) { return rt::make<DRXMLDictionaryParser>(data); }

  /// The document element's dictionary; null when no element started. After a parse error,
  /// what was built before it.
  Ref<fd::MutableDictionary> result() const { return root_; }

  void didStartElement(fd::XMLParser&, const String& name, const String&, const String&,
                       const Ref<fd::Dictionary>& attributes) override;
  void didEndElement(fd::XMLParser&, const String& name, const String&, const String&) override;
  void foundCharacters(fd::XMLParser&, const String& text) override;
  void foundCDATA(fd::XMLParser&, const Ref<fd::Data>& block) override;

 private:
  void endText();

  Ref<fd::MutableDictionary> root_;
  std::vector<Ref<fd::MutableDictionary>> stack_;
  std::optional<String> text_;
};

}  // namespace base
