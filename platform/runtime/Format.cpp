// printf-style formatting. Each numeric conversion is handed to the C library with its directive
// rebuilt for the argument's actual type, so numbers print exactly as printf prints them;
// strings, objects, characters and pointers are laid out here.
#include "platform/runtime/Format.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "platform/runtime/Object.h"
#include "platform/runtime/String.h"
#include "platform/runtime/StringUnicode.h"
#include "platform/runtime/Value.h"

namespace rt {
namespace {

using Kind = FormatArg::Kind;

// Widths and precisions beyond this are treated as this (a guard against absurd formats).
constexpr int kMaxField = 1 << 20;

struct Directive {
  std::string flags;
  int width = -1;
  int precision = -1;
  char conversion = 0;
  bool leftAlign() const { return flags.find('-') != std::string::npos; }
};

// Formats under the C locale whatever the process locale, so the decimal point is '.'.
class CLocaleScope {
 public:
  CLocaleScope() : old_(uselocale(cLocale())) {}
  ~CLocaleScope() { uselocale(old_); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  static locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c;
  }
  locale_t old_;
};

template <class T> void appendPrintf(std::u16string& out, const Directive& dir, const char* length, T value) {
  std::string f = "%";
  f += dir.flags;
  if (dir.width >= 0) f += std::to_string(dir.width);
  if (dir.precision >= 0) {
    f += '.';
    f += std::to_string(dir.precision);
  }
  f += length;
  f.push_back(dir.conversion);
  char small[128];
  int n = std::snprintf(small, sizeof small, f.c_str(), value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, small + n);
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), f.c_str(), value);
  out.append(big.begin(), big.begin() + n);
}

void pad(std::u16string& out, const Directive& dir, std::u16string_view text) {
  size_t width = dir.width > 0 ? static_cast<size_t>(dir.width) : 0;
  size_t padding = width > text.size() ? width - text.size() : 0;
  if (!dir.leftAlign()) out.append(padding, u' ');
  out.append(text);
  if (dir.leftAlign()) out.append(padding, u' ');
}

int64_t toSigned(const FormatArg& a) {
  switch (a.kind()) {
    case Kind::Int: return a.i();
    case Kind::UInt: return static_cast<int64_t>(a.u());
    case Kind::Double: {
      double d = a.d();
      if (std::isnan(d)) return 0;
      if (d >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
      if (d <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
      return static_cast<int64_t>(d);
    }
    case Kind::CStr: return static_cast<int64_t>(reinterpret_cast<uintptr_t>(a.cstr()));
    case Kind::Str: return static_cast<int64_t>(reinterpret_cast<uintptr_t>(&a.str()));
    case Kind::Obj: return static_cast<int64_t>(reinterpret_cast<uintptr_t>(a.obj()));
    case Kind::Ptr: return static_cast<int64_t>(reinterpret_cast<uintptr_t>(a.ptr()));
    case Kind::U16Str: return static_cast<int64_t>(reinterpret_cast<uintptr_t>(a.u16str()));
  }
  return 0;
}

// The argument's bits as an unsigned value: a signed integer keeps only its own width.
uint64_t toUnsigned(const FormatArg& a) {
  if (a.kind() == Kind::UInt) return a.u();
  uint64_t bits = static_cast<uint64_t>(toSigned(a));
  if (a.kind() == Kind::Int && a.size() < 8) bits &= (uint64_t{1} << (a.size() * 8)) - 1;
  return bits;
}

double toDouble(const FormatArg& a) {
  switch (a.kind()) {
    case Kind::Double: return a.d();
    case Kind::Int: return static_cast<double>(a.i());
    case Kind::UInt: return static_cast<double>(a.u());
    default: return 0.0;
  }
}

// A number printed by "%@": as its number object describes it when the value layer is
// present, otherwise in decimal (floating values in their shortest round-trip form).
String numberText(const FormatArg& a) {
  Boxing& b = boxing();
  if (b.box) {
    Value v = a.kind() == Kind::Int    ? Value::ofInt(a.i())
              : a.kind() == Kind::UInt ? Value::ofUInt(a.u())
                                       : Value::ofDouble(a.d());
    if (Id o = b.box(v)) return o->description();
  }
  char buf[64];
  std::to_chars_result r;
  if (a.kind() == Kind::Int) r = std::to_chars(buf, buf + sizeof buf, a.i());
  else if (a.kind() == Kind::UInt) r = std::to_chars(buf, buf + sizeof buf, a.u());
  else r = std::to_chars(buf, buf + sizeof buf, a.d());
  return String(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
}

String objectText(const FormatArg& a) {
  switch (a.kind()) {
    case Kind::Str: return a.str();
    case Kind::CStr: return a.cstr() ? String(a.cstr()) : String("(null)");
    case Kind::U16Str: return a.u16str() ? String(a.u16str()) : String("(null)");
    case Kind::Obj: return a.obj() ? a.obj()->description() : String("(null)");
    case Kind::Ptr: return a.ptr() ? String::format("%p", a.ptr()) : String("(null)");
    default: return numberText(a);
  }
}

void appendText(std::u16string& out, const Directive& dir, const String& text) {
  std::u16string_view v = text.view();
  if (dir.precision >= 0 && static_cast<size_t>(dir.precision) < v.size()) v = v.substr(0, dir.precision);
  pad(out, dir, v);
}

void appendCharacter(std::u16string& out, const Directive& dir, const FormatArg& a) {
  uint64_t cp = toUnsigned(a);
  char16_t units[2];
  size_t n = cp == 0 ? 0 : unicode::encodeUTF16(static_cast<char32_t>(std::min<uint64_t>(cp, 0x110000)), units);
  pad(out, dir, std::u16string_view(units, n));
}

void appendPointer(std::u16string& out, const Directive& dir, const FormatArg& a) {
  char buf[32] = "0x";
  auto r = std::to_chars(buf + 2, buf + sizeof buf, toUnsigned(a), 16);
  std::u16string text(buf, r.ptr);
  bool zeroFill = dir.flags.find('0') != std::string::npos && !dir.leftAlign();
  if (zeroFill && dir.width > static_cast<int>(text.size())) text.insert(2, dir.width - text.size(), u'0');
  pad(out, dir, text);
}

// Reads a decimal number at i (saturating); answers -1 when there is none.
int readNumber(std::u16string_view f, size_t& i) {
  if (i >= f.size() || f[i] < '0' || f[i] > '9') return -1;
  int value = 0;
  for (; i < f.size() && f[i] >= '0' && f[i] <= '9'; ++i) value = std::min(kMaxField, value * 10 + (f[i] - '0'));
  return value;
}

// "n$" at i: an explicit argument position (1-based). Answers the index or -1, leaving i
// unchanged when there is none.
int readPosition(std::u16string_view f, size_t& i) {
  size_t j = i;
  int n = readNumber(f, j);
  if (n > 0 && j < f.size() && f[j] == '$') {
    i = j + 1;
    return n - 1;
  }
  return -1;
}

}  // namespace

String formatString(const String& format, const std::vector<FormatArg>& args) {
  std::u16string_view f = format.view();
  std::u16string out;
  out.reserve(f.size() + 16 * args.size());
  std::optional<CLocaleScope> cLocale;
  size_t sequential = 0;
  auto argument = [&](int position) -> const FormatArg* {
    size_t index = position >= 0 ? static_cast<size_t>(position) : sequential++;
    return index < args.size() ? &args[index] : nullptr;
  };

  size_t i = 0;
  while (i < f.size()) {
    size_t percent = f.find(u'%', i);
    if (percent == std::u16string_view::npos) {
      out.append(f.substr(i));
      break;
    }
    out.append(f.substr(i, percent - i));
    size_t j = percent + 1;
    if (j < f.size() && f[j] == u'%') {
      out.push_back(u'%');
      i = j + 1;
      continue;
    }

    Directive dir;
    int position = readPosition(f, j);
    while (j < f.size() && std::u16string_view(u"-+ #0'").find(f[j]) != std::u16string_view::npos) {
      if (f[j] != u'\'' && dir.flags.find(static_cast<char>(f[j])) == std::string::npos)
        dir.flags.push_back(static_cast<char>(f[j]));
      ++j;
    }
    if (j < f.size() && f[j] == u'*') {
      ++j;
      const FormatArg* w = argument(readPosition(f, j));
      int64_t width = w ? toSigned(*w) : 0;
      if (width < 0) {
        dir.flags.push_back('-');
        width = -width;
      }
      dir.width = static_cast<int>(std::min<int64_t>(width, kMaxField));
    } else {
      dir.width = readNumber(f, j);
    }
    if (j < f.size() && f[j] == u'.') {
      ++j;
      if (j < f.size() && f[j] == u'*') {
        ++j;
        const FormatArg* p = argument(readPosition(f, j));
        int64_t precision = p ? toSigned(*p) : -1;
        dir.precision = precision < 0 ? -1 : static_cast<int>(std::min<int64_t>(precision, kMaxField));
      } else {
        dir.precision = std::max(0, readNumber(f, j));
      }
    }
    // Length modifiers are accepted and ignored: the argument carries its own type.
    while (j < f.size() && std::u16string_view(u"hlqztjL").find(f[j]) != std::u16string_view::npos) ++j;
    if (j >= f.size()) {
      out.append(f.substr(percent));  // an unfinished conversion prints as written
      break;
    }
    char16_t c = f[j];
    i = j + 1;
    dir.conversion = static_cast<char>(c);

    switch (c) {
      case u'd': case u'i': case u'D': case u'u': case u'U': case u'x': case u'X': case u'o': case u'O':
      case u'f': case u'F': case u'e': case u'E': case u'g': case u'G': case u'a': case u'A': {
        const FormatArg* a = argument(position);
        if (!a) break;
        if (!cLocale) cLocale.emplace();
        if (c == u'D') dir.conversion = 'd';
        if (c == u'U') dir.conversion = 'u';
        if (c == u'O') dir.conversion = 'o';
        bool isSigned = dir.conversion == 'd' || dir.conversion == 'i';
        bool isFloat = std::string_view("fFeEgGaA").find(dir.conversion) != std::string_view::npos;
        if (isFloat) {
          appendPrintf(out, dir, "", toDouble(*a));
        } else if (isSigned && a->kind() != Kind::UInt) {
          appendPrintf(out, dir, "ll", static_cast<long long>(toSigned(*a)));
        } else {
          if (isSigned) dir.conversion = 'u';  // an unsigned value prints as unsigned
          appendPrintf(out, dir, "ll", static_cast<unsigned long long>(toUnsigned(*a)));
        }
        break;
      }
      case u'c': case u'C': {
        if (const FormatArg* a = argument(position)) appendCharacter(out, dir, *a);
        break;
      }
      case u's': case u'S': case u'@': {
        if (const FormatArg* a = argument(position)) appendText(out, dir, objectText(*a));
        break;
      }
      case u'p': {
        if (const FormatArg* a = argument(position)) appendPointer(out, dir, *a);
        break;
      }
      case u'n':
        argument(position);  // nothing is written back
        break;
      default:
        out.append(f.substr(percent, i - percent));  // not a conversion: printed as written
        break;
    }
  }
  return String(std::u16string_view(out));
}

}  // namespace rt
