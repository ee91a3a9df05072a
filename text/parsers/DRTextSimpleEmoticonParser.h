#pragma once
// Replaces each configured emoticon string by an inline picture sized to the font around it;
// the replaced text stays behind the picture as a backed string, so copying gives it back. The
// mapper may be set from any thread; one text must not be parsed from two threads at once.
#include <mutex>
#include <vector>

#include "platform/foundation/text/RegularExpression.h"
#include "platform/graphics/Image.h"
#include "text/parsers/DRTextParser.h"

namespace text {

class DRTextSimpleEmoticonParser : public rt::Object, public DRTextParser {
  RT_CLASS(DRTextSimpleEmoticonParser, rt::Object)
 public:
  /// Emoticon string to the picture that replaces it, in the order the pattern tries them.
  using Mapper = std::vector<std::pair<rt::String, Ref<gfx::Image>>>;

  Mapper emoticonMapper() const;
  /// Rebuilds the pattern; an empty mapper leaves none.
  void setEmoticonMapper(Mapper mapper);

  bool parseText(typeset::MutableAttributedString& text, rt::Range* selectedRange) override;

  /// The pattern built from the mapper's keys, null when there is none.
  Ref<fd::RegularExpression> regex() const;
  /// Where a selection lands after `replaced` becomes `newLength` characters long.
  static rt::Range selectionAfterReplacing(rt::Range replaced, size_t newLength, rt::Range selection);

 private:
  mutable std::mutex lock_;
  Mapper mapper_;
  Ref<fd::RegularExpression> regex_;
};

}  // namespace text
