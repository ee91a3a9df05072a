#include "base/foundation/DRXMLDictionaryParser.h"

#include "platform/foundation/text/StringObject.h"

namespace base {
namespace {

const char kName[] = "_name";
const char kText[] = "_text";

// Sets the entry, or turns it into an array once the key is taken.
void addEntry(const Ref<fd::MutableDictionary>& dict, const String& key, const rt::Id& value) {
  rt::Id existing = dict->objectForKey(key);
  if (!existing) {
    dict->setObjectForKey(value, key);
  } else if (auto array = rt::as<fd::MutableArray>(existing)) {
    array->addObject(value);
  } else {
    dict->setObjectForKey(fd::MutableArray::create({existing, value}), key);
  }
}

}  // namespace

RT_IMPLEMENT(DRXMLDictionaryParser) {}

void DRXMLDictionaryParser::init(const Ref<fd::Data>& data) {
  auto parser = fd::XMLParser::create(data ? data : fd::Data::create());
  parser->setDelegate(std::dynamic_pointer_cast<fd::XMLParserDelegate>(shared_from_this()));
  parser->parse();
  stack_.clear();
}

void DRXMLDictionaryParser::didStartElement(fd::XMLParser&, const String& name, const String&, const String&,
                                            const Ref<fd::Dictionary>& attributes) {
  endText();
  auto node = fd::MutableDictionary::create();
  if (!root_) node->setObjectForKey(fd::StringObject::create(name), String(kName));
  if (attributes) {
    attributes->enumerateKeysAndObjects([&](const rt::Id& k, const rt::Id& v, bool&) { node->setObjectForKey(v, k); });
  }
  if (!root_) {
    root_ = node;
  } else if (!stack_.empty()) {
    addEntry(stack_.back(), name, node);
  }
  stack_.push_back(node);
}

void DRXMLDictionaryParser::didEndElement(fd::XMLParser&, const String&, const String&, const String&) {
  endText();
  if (stack_.empty()) return;
  Ref<fd::MutableDictionary> node = stack_.back();
  stack_.pop_back();
  for (const auto& key : node->keys()) {
    auto k = rt::as<fd::StringObject>(key);
    if (!k || (k->string() != kText && k->string() != kName)) return;
  }
  if (stack_.empty()) return;  // the document element has no parent to collapse into
  const auto& parent = stack_.back();
  rt::Id slotKey;
  parent->enumerateKeysAndObjects([&](const rt::Id& k, const rt::Id& v, bool& stop) {
    if (v.get() == node.get()) stop = true;
    else if (auto array = rt::as<fd::Array>(v); array && !array->objects().empty() && array->objects().back().get() == node.get())
      stop = true;
    if (stop) slotKey = k;
  });
  if (!slotKey) return;
  rt::Id text = node->objectForKey(String(kText));
  if (!text) return;
  if (auto runs = rt::as<fd::Array>(text)) {
    String joined;
    for (size_t i = 0; i < runs->objects().size(); ++i) {
      if (i) joined += "\n";
      joined += rt::as<fd::StringObject>(runs->objects()[i])->string();
    }
    text = fd::StringObject::create(joined);
  }
  rt::Id entry = parent->objectForKey(slotKey);
  if (auto array = rt::as<fd::MutableArray>(entry)) {
    array->replaceObjectAtIndex(array->count() - 1, text);
  } else {
    parent->setObjectForKey(text, slotKey);
  }
}

void DRXMLDictionaryParser::foundCharacters(fd::XMLParser&, const String& text) {
  if (text_) text_->append(text);
  else text_ = text;
}

void DRXMLDictionaryParser::foundCDATA(fd::XMLParser& parser, const Ref<fd::Data>& block) {
  if (!block) return;
  if (auto text = String::fromUTF8(reinterpret_cast<const char*>(block->bytes()), block->length()))
    foundCharacters(parser, *text);
}

void DRXMLDictionaryParser::endText() {
  std::optional<String> run = std::move(text_);
  text_.reset();
  if (!run || stack_.empty()) return;
  String trimmed = run->trimmed();
  if (trimmed.isEmpty()) return;
  addEntry(stack_.back(), kText, fd::StringObject::create(trimmed));
}

}  // namespace base
