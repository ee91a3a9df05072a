// Archiving of attributed strings: the text, then one length and one attribute dictionary per
// run, in order.
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/typeset/AttributedString.h"

namespace typeset {

void AttributedString::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(fd::StringObject::create(string_), "NSString");
  std::vector<Id> lengths, attributes;
  lengths.reserve(runs_.size());
  attributes.reserve(runs_.size());
  for (size_t i = 0; i < runs_.size(); ++i) {
    lengths.push_back(fd::Number::numberWithUnsignedLongLong(runEnd(i) - runs_[i].start));
    attributes.push_back(runs_[i].attributes);
  }
  coder.encodeObject(fd::Array::create(std::move(lengths)), "NSRunLengths");
  coder.encodeObject(fd::Array::create(std::move(attributes)), "NSRunAttributes");
}

bool AttributedString::initWithCoder(fd::KeyedUnarchiver& coder) {
  auto text = coder.decodeObjectOfClass<fd::StringObject>("NSString");
  auto lengths = coder.decodeObjectOfClass<fd::Array>("NSRunLengths");
  auto attributes = coder.decodeObjectOfClass<fd::Array>("NSRunAttributes");
  if (!text || !lengths || !attributes || lengths->count() != attributes->count()) return false;
  std::vector<RunEntry> runs;
  uint64_t at = 0;
  const uint64_t total = text->string().length();
  for (size_t i = 0; i < lengths->count(); ++i) {
    auto length = rt::as<fd::Number>(lengths->objects()[i]);
    auto attrs = rt::as<fd::Dictionary>(attributes->objects()[i]);
    if (!length || !attrs || length->longLongValue() <= 0) return false;
    const uint64_t n = length->unsignedLongLongValue();
    if (n > total - at) return false;
    if (!runs.empty() && sameAttributes(runs.back().attributes, attrs)) {
      at += n;
      continue;
    }
    runs.push_back({at, attrs});
    at += n;
  }
  if (at != total) return false;
  string_ = text->string();
  runs_ = std::move(runs);
  return true;
}

}  // namespace typeset
