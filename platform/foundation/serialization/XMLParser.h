#pragma once
// An event-driven XML parser over data: the delegate hears of elements, attributes,
// character data and CDATA blocks as the parser meets them.
//
// External entities are never loaded (whatever shouldResolveExternalEntities says), and
// entity expansion is bounded, so a hostile document ends in an error rather than in a
// memory blow-up. Errors are in NSXMLParserErrorDomain with the XML reader's own code and
// message; an abort is code 512.
#include <cstdint>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Types.h"

namespace fd {

class Dictionary;
class XMLParser;

inline constexpr const char* NSXMLParserErrorDomain = "NSXMLParserErrorDomain";
inline constexpr int64_t XMLParserDelegateAbortedParseError = 512;

/// Every callback is optional: the defaults do nothing.
class XMLParserDelegate {
 public:
  virtual ~XMLParserDelegate() = default;
  virtual void parserDidStartDocument(XMLParser&) {}
  virtual void parserDidEndDocument(XMLParser&) {}
  /// Without namespace processing `namespaceURI` and `qualifiedName` are empty and
  /// `elementName` is the name as written. Attributes map names to values (both strings).
  virtual void didStartElement(XMLParser&, const String& /*elementName*/, const String& /*namespaceURI*/,
                               const String& /*qualifiedName*/, const Ref<Dictionary>& /*attributes*/) {}
  virtual void didEndElement(XMLParser&, const String& /*elementName*/, const String& /*namespaceURI*/,
                             const String& /*qualifiedName*/) {}
  /// Adjacent character data (entities included) arrives as one string.
  virtual void foundCharacters(XMLParser&, const String& /*string*/) {}
  /// The UTF-8 bytes of a CDATA section.
  virtual void foundCDATA(XMLParser&, const Ref<Data>& /*block*/) {}
  virtual void parseErrorOccurred(XMLParser&, const Ref<Error>& /*error*/) {}
};

class XMLParser : public Object {
  RT_CLASS_NAMED(XMLParser, Object, "NSXMLParser")
 public:
  void init() {}
  /// False (no object) without data.
  bool init(Ref<Data> data);
  /// A parser over `data`, not started.
  static Ref<XMLParser> create(Ref<Data> data);

  void setDelegate(Weak<XMLParserDelegate> delegate) { delegate_ = std::move(delegate); }
  const Weak<XMLParserDelegate>& delegate() const { return delegate_; }

  /// Splits names into namespace URI, local name and qualified name. Off by default.
  bool shouldProcessNamespaces() const { return processNamespaces_; }
  void setShouldProcessNamespaces(bool on) { processNamespaces_ = on; }
  /// Kept for callers that set it; external entities are never loaded either way.
  bool shouldResolveExternalEntities() const { return resolveExternalEntities_; }
  void setShouldResolveExternalEntities(bool on) { resolveExternalEntities_ = on; }

  /// Parses the whole document, calling the delegate; false on an error or an abort.
  bool parse();
  /// Stops parsing from within a delegate callback; parse() then answers false with a
  /// code-512 error.
  void abortParsing();
  /// The error that ended the last parse, or null.
  const Ref<Error>& parserError() const { return error_; }
  /// The position being parsed (during a callback) or where parsing stopped.
  int64_t lineNumber() const;
  int64_t columnNumber() const;

  struct State;  // the parse in progress

 private:
  Ref<Data> data_;
  Weak<XMLParserDelegate> delegate_;
  bool processNamespaces_ = false;
  bool resolveExternalEntities_ = false;
  Ref<Error> error_;
  State* state_ = nullptr;
  int64_t line_ = 0, column_ = 0;
};

}  // namespace fd
