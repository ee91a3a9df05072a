#include "platform/runtime/Encoding.h"

#include <cctype>

namespace rt {

std::string_view stripQualifiers(std::string_view e) {
  size_t i = 0;
  while (i < e.size() && std::string_view("rnNoORV").find(e[i]) != std::string_view::npos) ++i;
  return e.substr(i);
}

EncodingKind encodingKind(std::string_view enc) {
  std::string_view e = stripQualifiers(enc);
  if (e.empty()) return EncodingKind::Unknown;
  switch (e[0]) {
    case 'v': return EncodingKind::Void;
    case 'B': return EncodingKind::Bool;
    case 'c': return EncodingKind::Char;
    case 'C': return EncodingKind::UChar;
    case 's': return EncodingKind::Short;
    case 'S': return EncodingKind::UShort;
    case 'i': case 'l': return EncodingKind::Int;
    case 'I': case 'L': return EncodingKind::UInt;
    case 'q': return EncodingKind::LongLong;
    case 'Q': return EncodingKind::ULongLong;
    case 'f': return EncodingKind::Float;
    case 'd': return EncodingKind::Double;
    case 'D': return EncodingKind::LongDouble;
    case '@': return e.size() > 1 && e[1] == '?' ? EncodingKind::Block : EncodingKind::Object;
    case '#': return EncodingKind::Class;
    case ':': return EncodingKind::Selector;
    case '*': return EncodingKind::CString;
    case '^': return EncodingKind::Pointer;
    case '{': return EncodingKind::Struct;
    case '(': return EncodingKind::Union;
    case '[': return EncodingKind::Array;
    default: return EncodingKind::Unknown;
  }
}

std::string encodedClassName(std::string_view enc) {
  std::string_view e = stripQualifiers(enc);
  if (e.size() < 3 || e[0] != '@' || e[1] != '"') return {};
  size_t close = e.find('"', 2);
  if (close == std::string_view::npos) return {};
  std::string_view inner = e.substr(2, close - 2);
  // "@\"<Proto>\"" names only a protocol; "@\"Class<Proto>\"" a class and protocols.
  size_t lt = inner.find('<');
  if (lt != std::string_view::npos) inner = inner.substr(0, lt);
  return std::string(inner);
}

namespace {

// Parses one type starting at e[i]; advances i; returns false on malformed input.
bool parseType(std::string_view e, size_t& i, size_t* size, size_t* align, int depth) {
  if (depth > 64) return false;
  while (i < e.size() && std::string_view("rnNoORV").find(e[i]) != std::string_view::npos) ++i;
  if (i >= e.size()) return false;
  char c = e[i++];
  auto scalar = [&](size_t s) {
    *size = s;
    *align = s ? s : 1;
    return true;
  };
  switch (c) {
    case 'v': *size = 0; *align = 1; return true;
    case 'c': case 'C': case 'B': return scalar(1);
    case 's': case 'S': return scalar(2);
    case 'i': case 'I': case 'l': case 'L': case 'f': return scalar(4);
    case 'q': case 'Q': case 'd': return scalar(8);
    case 'D': return scalar(16);
    case '#': case ':': case '*': case '?': return scalar(8);
    case '@':
      if (i < e.size() && e[i] == '?') ++i;
      else if (i < e.size() && e[i] == '"') {
        size_t close = e.find('"', i + 1);
        if (close == std::string_view::npos) return false;
        i = close + 1;
      }
      return scalar(8);
    case '^': {
      size_t s, a;
      if (i < e.size() && (e[i] == '{' || e[i] == '(')) {
        // Pointers to incomplete aggregates ("^{objc_ivar=}") need not be sized.
        char open = e[i], close = open == '{' ? '}' : ')';
        int level = 0;
        for (; i < e.size(); ++i) {
          if (e[i] == open) ++level;
          else if (e[i] == close && --level == 0) { ++i; break; }
        }
        if (level != 0) return false;
      } else if (!parseType(e, i, &s, &a, depth + 1)) {
        return false;
      }
      return scalar(8);
    }
    case '[': {
      size_t n = 0;
      bool digits = false;
      while (i < e.size() && std::isdigit(static_cast<unsigned char>(e[i]))) {
        n = n * 10 + static_cast<size_t>(e[i++] - '0');
        digits = true;
        if (n > (1u << 20)) return false;
      }
      size_t s, a;
      if (!digits || !parseType(e, i, &s, &a, depth + 1)) return false;
      if (i >= e.size() || e[i] != ']') return false;
      ++i;
      *size = n * s;
      *align = a;
      return true;
    }
    case '{': case '(': {
      bool isUnion = c == '(';
      char close = isUnion ? ')' : '}';
      while (i < e.size() && e[i] != '=' && e[i] != close) ++i;
      if (i >= e.size()) return false;
      size_t total = 0, maxAlign = 1;
      if (e[i] == '=') {
        ++i;
        while (i < e.size() && e[i] != close) {
          size_t s, a;
          if (e[i] == '"') {  // field names
            size_t q = e.find('"', i + 1);
            if (q == std::string_view::npos) return false;
            i = q + 1;
            continue;
          }
          if (!parseType(e, i, &s, &a, depth + 1)) return false;
          maxAlign = a > maxAlign ? a : maxAlign;
          if (isUnion) total = s > total ? s : total;
          else total = (total + a - 1) / a * a + s;
        }
      }
      if (i >= e.size()) return false;
      ++i;
      *size = (total + maxAlign - 1) / maxAlign * maxAlign;
      *align = maxAlign;
      return true;
    }
    case 'b': {  // bit field: "b<n>"
      size_t n = 0;
      while (i < e.size() && std::isdigit(static_cast<unsigned char>(e[i]))) n = n * 10 + static_cast<size_t>(e[i++] - '0');
      return scalar((n + 7) / 8);
    }
    default: return false;
  }
}

}  // namespace

bool sizeAndAlignment(std::string_view encoding, size_t* size, size_t* align, size_t limit) {
  size_t i = 0, s = 0, a = 1;
  if (!parseType(encoding, i, &s, &a, 0) || s > limit) return false;
  if (size) *size = s;
  if (align) *align = a;
  return true;
}

size_t encodingLength(std::string_view encoding) {
  size_t i = 0, s, a;
  return parseType(encoding, i, &s, &a, 0) ? i : 0;
}

}  // namespace rt
