#include "platform/foundation/serialization/JSONSyntaxCheck.h"

#include <charconv>
#include <vector>

namespace fd {

namespace {

// A single forward pass with an explicit container stack, so that hostile nesting cannot
// exhaust the call stack.
class Scanner {
 public:
  Scanner(std::string_view text, bool fragments, size_t maxDepth)
      : s_(text), fragments_(fragments), maxDepth_(maxDepth) {}

  std::optional<JSONSyntaxProblem> run();

 private:
  enum class Step { Value, Key, After, Done, Failed };

  bool atEnd() const { return pos_ >= s_.size(); }
  unsigned char peek() const { return static_cast<unsigned char>(s_[pos_]); }
  void skipSpace() {
    while (!atEnd()) {
      char c = s_[pos_];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
      ++pos_;
    }
  }
  Step fail(size_t at, const char* message) {
    problem_ = JSONSyntaxProblem{at, message};
    return Step::Failed;
  }
  Step value();
  Step key();
  Step after();
  bool string();  // at the opening quote; false with problem_ set
  bool number();
  bool literal(std::string_view word);
  bool utf8Sequence(size_t& i);
  bool hex4(size_t at, unsigned& out) const;

  std::string_view s_;
  bool fragments_;
  size_t maxDepth_;
  size_t pos_ = 0;
  std::vector<char> open_;
  JSONSyntaxProblem problem_;
};

std::optional<JSONSyntaxProblem> Scanner::run() {
  skipSpace();
  if (atEnd()) return JSONSyntaxProblem{pos_, "No value"};
  if (!fragments_ && peek() != '[' && peek() != '{')
    return JSONSyntaxProblem{pos_, "JSON text did not start with array or object and option to allow fragments not set"};
  Step step = Step::Value;
  while (step != Step::Done && step != Step::Failed) {
    switch (step) {
      case Step::Value: step = value(); break;
      case Step::Key: step = key(); break;
      case Step::After: step = after(); break;
      default: break;
    }
  }
  if (step == Step::Failed) return problem_;
  return std::nullopt;
}

Scanner::Step Scanner::value() {
  skipSpace();
  if (atEnd()) return fail(pos_, "Unexpected end of file");
  unsigned char c = peek();
  if (c == '{' || c == '[') {
    if (open_.size() >= maxDepth_) return fail(pos_, "Too many nested arrays or dictionaries");
    open_.push_back(static_cast<char>(c));
    ++pos_;
    skipSpace();
    if (!atEnd() && peek() == (c == '{' ? '}' : ']')) {
      open_.pop_back();
      ++pos_;
      return Step::After;
    }
    return c == '{' ? Step::Key : Step::Value;
  }
  bool ok;
  if (c == '"') ok = string();
  else if (c == '-' || (c >= '0' && c <= '9')) ok = number();
  else if (c == 't') ok = literal("true");
  else if (c == 'f') ok = literal("false");
  else if (c == 'n') ok = literal("null");
  else return fail(pos_, "Invalid value");
  return ok ? Step::After : Step::Failed;
}

Scanner::Step Scanner::key() {
  skipSpace();
  if (atEnd()) return fail(pos_, "Unexpected end of file while parsing object");
  if (peek() != '"') return fail(pos_, "No string key for value in object");
  if (!string()) return Step::Failed;
  skipSpace();
  if (atEnd()) return fail(pos_, "Unexpected end of file while parsing object");
  if (peek() != ':') return fail(pos_, "No ':' after key in object");
  ++pos_;
  return Step::Value;
}

Scanner::Step Scanner::after() {
  skipSpace();
  if (open_.empty()) return atEnd() ? Step::Done : fail(pos_, "Garbage at end");
  bool inObject = open_.back() == '{';
  if (atEnd())
    return fail(pos_, inObject ? "Unexpected end of file while parsing object"
                               : "Unexpected end of file while parsing array");
  unsigned char c = peek();
  if (c == ',') {
    ++pos_;
    return inObject ? Step::Key : Step::Value;
  }
  if (c == (inObject ? '}' : ']')) {
    ++pos_;
    open_.pop_back();
    return Step::After;
  }
  return fail(pos_, inObject ? "Badly formed object" : "Badly formed array");
}

bool Scanner::hex4(size_t at, unsigned& out) const {
  if (at + 4 > s_.size()) return false;
  out = 0;
  for (size_t k = at; k < at + 4; ++k) {
    char c = s_[k];
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else return false;
    out = out * 16 + d;
  }
  return true;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool Scanner::utf8Sequence(size_t& i) {
  auto byte = [&](size_t k) { return k < s_.size() ? static_cast<unsigned char>(s_[k]) : 0u; };
  unsigned c = byte(i);
  size_t n;
  unsigned lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) n = 1;
  else if (c >= 0xE0 && c <= 0xEF) {
    n = 2;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 3;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return false;
  }
  unsigned b = byte(i + 1);
  if (b < lo || b > hi) return false;
  for (size_t k = 2; k <= n; ++k) {
    b = byte(i + k);
    if (b < 0x80 || b > 0xBF) return false;
  }
  i += n + 1;
  return true;
}

bool Scanner::string() {
  size_t start = pos_;
  size_t i = pos_ + 1;
  while (true) {
    if (i >= s_.size()) {
      fail(start, "Unterminated string");
      return false;
    }
    unsigned char c = static_cast<unsigned char>(s_[i]);
    if (c == '"') break;
    if (c < 0x20) {
      fail(i, "Unescaped control character");
      return false;
    }
    if (c >= 0x80) {
      if (!utf8Sequence(i)) {
        fail(i, "Unable to convert data to string");
        return false;
      }
      continue;
    }
    if (c != '\\') {
      ++i;
      continue;
    }
    if (i + 1 >= s_.size()) {
      fail(start, "Unterminated string");
      return false;
    }
    char e = s_[i + 1];
    if (e == 'u') {
      unsigned u;
      if (!hex4(i + 2, u)) {
        fail(i, "Invalid escape sequence");
        return false;
      }
      i += 6;
      if (u >= 0xDC00 && u <= 0xDFFF) {
        fail(i - 6, "Unable to convert hex escape sequence (no high character) to UTF8-encoded character");
        return false;
      }
      if (u >= 0xD800 && u <= 0xDBFF) {
        unsigned low;
        if (i + 1 >= s_.size() || s_[i] != '\\' || s_[i + 1] != 'u' || !hex4(i + 2, low) ||
            low < 0xDC00 || low > 0xDFFF) {
          fail(i - 6, "Unable to convert hex escape sequence (no low character) to UTF8-encoded character");
          return false;
        }
        i += 6;
      }
      continue;
    }
    if (e != '"' && e != '\\' && e != '/' && e != 'b' && e != 'f' && e != 'n' && e != 'r' && e != 't') {
      fail(i, "Invalid escape sequence");
      return false;
    }
    i += 2;
  }
  pos_ = i + 1;
  return true;
}

bool Scanner::number() {
  size_t start = pos_;
  size_t i = pos_;
  auto digit = [&](size_t k) { return k < s_.size() && s_[k] >= '0' && s_[k] <= '9'; };
  if (s_[i] == '-') ++i;
  if (!digit(i)) {
    fail(start, "Invalid number");
    return false;
  }
  if (s_[i] == '0') ++i;
  else while (digit(i)) ++i;
  if (i < s_.size() && s_[i] == '.') {
    ++i;
    if (!digit(i)) {
      fail(start, "Invalid number");
      return false;
    }
    while (digit(i)) ++i;
  }
  bool negativeExponent = false;
  if (i < s_.size() && (s_[i] == 'e' || s_[i] == 'E')) {
    ++i;
    negativeExponent = i < s_.size() && s_[i] == '-';
    if (i < s_.size() && (s_[i] == '+' || s_[i] == '-')) ++i;
    if (!digit(i)) {
      fail(start, "Invalid number");
      return false;
    }
    while (digit(i)) ++i;
  }
  double d = 0;
  auto r = std::from_chars(s_.data() + start, s_.data() + i, d);
  // Too small rounds to zero; too large has no double.
  if (r.ec == std::errc::result_out_of_range && !negativeExponent) {
    fail(start, "Number out of range");
    return false;
  }
  pos_ = i;
  return true;
}

bool Scanner::literal(std::string_view word) {
  if (s_.substr(pos_, word.size()) != word) {
    fail(pos_, "Invalid value");
    return false;
  }
  pos_ += word.size();
  return true;
}

}  // namespace

std::optional<JSONSyntaxProblem> findJSONSyntaxProblem(std::string_view text, bool fragmentsAllowed,
                                                       size_t maxDepth) {
  return Scanner(text, fragmentsAllowed, maxDepth).run();
}

}  // namespace fd
