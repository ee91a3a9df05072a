#include "platform/foundation/serialization/XMLParser.h"

// The system library is built with DTD support; the header shows its guards only then.
#ifndef XML_DTD
#define XML_DTD
#endif
#include <expat.h>

#include <algorithm>
#include <climits>
#include <string>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

namespace {

// Separates namespace URI, local name and prefix in the names expat reports.
constexpr char kNamespaceSeparator = '\x01';

struct Names {
  String local, uri, qualified;
};

Names splitName(const char* raw, bool namespaces) {
  if (!namespaces) return {String(raw), String(), String()};
  std::string_view name(raw);
  size_t first = name.find(kNamespaceSeparator);
  if (first == std::string_view::npos) return {String(name), String(), String(name)};
  std::string_view uri = name.substr(0, first);
  std::string_view rest = name.substr(first + 1);
  size_t second = rest.find(kNamespaceSeparator);
  std::string_view local = rest.substr(0, second);
  if (second == std::string_view::npos) return {String(local), String(uri), String(local)};
  std::string qualified = std::string(rest.substr(second + 1)) + ":" + std::string(local);
  return {String(local), String(uri), String(qualified)};
}

}  // namespace

struct XMLParser::State {
  State(XMLParser& o, XML_Parser p, Ref<XMLParserDelegate> d) : owner(o), expat(p), delegate(std::move(d)) {}

  XMLParser& owner;
  XML_Parser expat;
  Ref<XMLParserDelegate> delegate;  // held for the length of the parse
  std::string characters;           // pending character data
  std::string cdata;
  bool inCDATA = false;
  bool aborted = false;

  void flushCharacters() {
    if (characters.empty()) return;
    String s(characters);
    characters.clear();
    if (delegate) delegate->foundCharacters(owner, s);
  }

  static State& of(void* user) { return *static_cast<State*>(user); }

  static void onStart(void* user, const XML_Char* name, const XML_Char** attributes) {
    State& st = of(user);
    if (st.aborted) return;
    st.flushCharacters();
    if (!st.delegate) return;
    bool ns = st.owner.processNamespaces_;
    std::vector<Dictionary::Entry> entries;
    for (const XML_Char** a = attributes; a[0] && a[1]; a += 2) {
      Names n = splitName(a[0], ns);
      entries.emplace_back(box(ns ? n.qualified : n.local), box(String(a[1])));
    }
    Names n = splitName(name, ns);
    st.delegate->didStartElement(st.owner, n.local, n.uri, n.qualified, Dictionary::create(std::move(entries)));
  }

  static void onEnd(void* user, const XML_Char* name) {
    State& st = of(user);
    if (st.aborted) return;
    st.flushCharacters();
    if (!st.delegate) return;
    Names n = splitName(name, st.owner.processNamespaces_);
    st.delegate->didEndElement(st.owner, n.local, n.uri, n.qualified);
  }

  static void onCharacters(void* user, const XML_Char* text, int length) {
    State& st = of(user);
    if (st.aborted || length <= 0) return;
    (st.inCDATA ? st.cdata : st.characters).append(text, static_cast<size_t>(length));
  }

  static void onStartCDATA(void* user) {
    State& st = of(user);
    if (st.aborted) return;
    st.flushCharacters();
    st.inCDATA = true;
    st.cdata.clear();
  }

  static void onEndCDATA(void* user) {
    State& st = of(user);
    if (st.aborted) return;
    st.inCDATA = false;
    Ref<Data> block = Data::create(std::string_view(st.cdata));
    st.cdata.clear();
    if (st.delegate) st.delegate->foundCDATA(st.owner, block);
  }
};

bool XMLParser::init(Ref<Data> data) {
  if (!data) return false;
  data_ = std::move(data);
  return true;
}

Ref<XMLParser> XMLParser::create(Ref<Data> data) { return rt::make<XMLParser>(std::move(data)); }

bool XMLParser::parse() {
  if (state_) return false;  // already parsing
  error_ = nullptr;
  XML_Parser expat = processNamespaces_ ? XML_ParserCreateNS(nullptr, kNamespaceSeparator) : XML_ParserCreate(nullptr);
  if (!expat) {
    error_ = Error::withDescription(NSXMLParserErrorDomain, XML_ERROR_NO_MEMORY, "out of memory");
    return false;
  }
  State st(*this, expat, delegate_.lock());
  state_ = &st;
  auto self = rt::as<XMLParser>(this->self());  // the delegate may drop its last reference

  if (processNamespaces_) XML_SetReturnNSTriplet(expat, XML_TRUE);
  XML_SetUserData(expat, &st);
  XML_SetElementHandler(expat, &State::onStart, &State::onEnd);
  XML_SetCharacterDataHandler(expat, &State::onCharacters);
  XML_SetCdataSectionHandler(expat, &State::onStartCDATA, &State::onEndCDATA);
  // Nothing outside the document is ever read: no parameter entities, no external entity
  // handler. Expansion of internal entities is bounded by expat's amplification guard.
  XML_SetParamEntityParsing(expat, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetBillionLaughsAttackProtectionMaximumAmplification(expat, 100.0f);
  XML_SetBillionLaughsAttackProtectionActivationThreshold(expat, 1u << 20);

  if (st.delegate) st.delegate->parserDidStartDocument(*this);
  const char* bytes = reinterpret_cast<const char*>(data_->bytes());
  size_t remaining = data_->length();
  XML_Status status = XML_STATUS_OK;
  do {
    int chunk = static_cast<int>(std::min<size_t>(remaining, INT_MAX / 2));
    remaining -= static_cast<size_t>(chunk);
    status = XML_Parse(expat, bytes, chunk, remaining == 0);
    bytes += chunk;
  } while (status == XML_STATUS_OK && remaining > 0 && !st.aborted);

  line_ = static_cast<int64_t>(XML_GetCurrentLineNumber(expat));
  column_ = static_cast<int64_t>(XML_GetCurrentColumnNumber(expat));
  bool ok = status == XML_STATUS_OK && !st.aborted;
  if (ok) {
    st.flushCharacters();
    if (st.delegate) st.delegate->parserDidEndDocument(*this);
  } else if (st.aborted) {
    error_ = Error::withDescription(NSXMLParserErrorDomain, XMLParserDelegateAbortedParseError,
                                    "The parse was aborted by the delegate.");
  } else {
    XML_Error code = XML_GetErrorCode(expat);
    error_ = Error::withDescription(NSXMLParserErrorDomain, static_cast<int64_t>(code), String(XML_ErrorString(code)));
  }
  XML_ParserFree(expat);
  state_ = nullptr;
  if (!ok && st.delegate) st.delegate->parseErrorOccurred(*this, error_);
  return ok;
}

void XMLParser::abortParsing() {
  if (!state_ || state_->aborted) return;
  state_->aborted = true;
  XML_StopParser(state_->expat, XML_FALSE);
}

int64_t XMLParser::lineNumber() const {
  return state_ ? static_cast<int64_t>(XML_GetCurrentLineNumber(state_->expat)) : line_;
}

int64_t XMLParser::columnNumber() const {
  return state_ ? static_cast<int64_t>(XML_GetCurrentColumnNumber(state_->expat)) : column_;
}

RT_IMPLEMENT_PLATFORM(XMLParser) {}

}  // namespace fd
