#pragma once
// Builds an attributed string run by run, left to right, in time linear in its runs: the
// parsers compute every character's attributes first and write the text once, where an edit
// per styled range would rewrite the whole run list each time. Internal to the parsers.
#include <string>

#include "platform/typeset/AttributedString.h"

namespace text {

class DRTextRunsBuilder : public typeset::AttributedString {
 public:
  /// Appends `length` characters taking `attributes` (null: none); a run equal to the last one
  /// extends it.
  void append(const char16_t* chars, size_t length, const Attributes& attributes) {
    if (length == 0) return;
    const Attributes& a = attributes ? attributes : emptyAttributes();
    if (runs_.empty() || !sameAttributes(runs_.back().attributes, a)) runs_.push_back({appended_, a});
    chars_.append(chars, length);
    appended_ += length;
  }
  /// Appends a run over characters given at the end instead.
  void append(size_t length, const Attributes& attributes) {
    if (length == 0) return;
    const Attributes& a = attributes ? attributes : emptyAttributes();
    if (runs_.empty() || !sameAttributes(runs_.back().attributes, a)) runs_.push_back({appended_, a});
    appended_ += length;
  }
  /// Ends the building: the characters appended become the string.
  void finish() { string_ = rt::String(chars_); }
  /// Ends the building with `string`, as long as the runs, as the characters.
  void finish(const rt::String& string) { string_ = string; }
  /// Empties the builder for another string, keeping its storage.
  void reset() {
    runs_.clear();
    chars_.clear();
    appended_ = 0;
    string_ = rt::String();
  }

 private:
  std::u16string chars_;
  uint64_t appended_ = 0;
};

}  // namespace text
