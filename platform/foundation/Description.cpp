#include "platform/foundation/Description.h"

#include <algorithm>
#include <vector>

#include <unicode/dcfmtsym.h>

#include "platform/foundation/time/Locale.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

String indentation(unsigned level) {
  String s;
  for (unsigned i = 0; i < level; ++i) s.append("    ");
  return s;
}

String quotedIfNeeded(const String& s) {
  bool plain = !s.isEmpty();
  for (char16_t c : s.view()) {
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))) {
      plain = false;
      break;
    }
  }
  if (plain) return s;
  std::string out = "\"";
  static const char* hex = "0123456789abcdef";
  for (char16_t c : s.view()) {
    switch (c) {
      case u'"': out += "\\\""; break;
      case u'\\': out += "\\\\"; break;
      case u'\n': out += "\\n"; break;
      case u'\t': out += "\\t"; break;
      case u'\r': out += "\\r"; break;
      default:
        if (c < 0x20 || c >= 0x7f) {
          out += "\\U";
          for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return String(out);
}

namespace {

String localizedNumber(const Number& n, const Locale& locale) {
  String text = n.description();
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(locale.icuLocale(), status);
  if (U_FAILURE(status)) return text;
  icu::UnicodeString sep = symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol);
  String separator(sep.getBuffer(), static_cast<size_t>(sep.length()));
  return text.stringByReplacingOccurrencesOfString(".", separator);
}

}  // namespace

String nestedDescription(const Id& o, unsigned level, const Locale* locale) {
  if (!o) return "(null)";
  bool container = dynamic_cast<const Array*>(o.get()) || dynamic_cast<const Dictionary*>(o.get()) ||
                   dynamic_cast<const Set*>(o.get());
  if (container) {
    // A collection may hold itself (an unarchived graph can); it is described once, then named.
    thread_local std::vector<const Object*> open;
    if (std::find(open.begin(), open.end(), o.get()) != open.end()) return "(...)";
    open.push_back(o.get());
    String text;
    if (auto* a = dynamic_cast<const Array*>(o.get())) text = a->descriptionWithLocale(locale, level);
    else if (auto* d = dynamic_cast<const Dictionary*>(o.get())) text = d->descriptionWithLocale(locale, level);
    else text = static_cast<const Set*>(o.get())->descriptionWithIndent(level);
    open.pop_back();
    return text;
  }
  if (auto* s = dynamic_cast<const StringObject*>(o.get())) return quotedIfNeeded(s->string());
  if (auto* n = dynamic_cast<const Number*>(o.get()); n && locale) return quotedIfNeeded(localizedNumber(*n, *locale));
  return quotedIfNeeded(o->description());
}

}  // namespace fd
