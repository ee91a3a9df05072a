#include "platform/foundation/text/StringsFile.h"

#include <algorithm>
#include <string_view>

#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/text/StringEncoding.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

namespace {

bool isBareWordCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'$' || c == u'+' || c == u'/' || c == u':' || c == u'.' || c == u'-';
}

int hexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

class Parser {
 public:
  explicit Parser(const String& text) : s_(text), n_(text.length()) {}

  std::optional<StringsTable> parse(String* error) {
    StringsTable table;
    while (true) {
      if (!skipSpaceAndComments()) return fail(error);
      if (i_ >= n_) return table;
      String key, value;
      if (!token(key)) return fail(error);
      if (!skipSpaceAndComments()) return fail(error);
      if (i_ < n_ && s_[i_] == u';') {
        ++i_;
        table[key] = key;
        continue;
      }
      if (i_ >= n_ || s_[i_] != u'=') return fail(error, "expected \"=\" or \";\" after a key");
      ++i_;
      if (!skipSpaceAndComments()) return fail(error);
      if (!token(value)) return fail(error);
      if (!skipSpaceAndComments()) return fail(error);
      if (i_ >= n_ || s_[i_] != u';') return fail(error, "expected \";\" after a value");
      ++i_;
      table[key] = value;
    }
  }

 private:
  std::nullopt_t fail(String* error, const char* message = nullptr) {
    if (message) message_ = message;
    if (error) {
      size_t line = 1;
      for (size_t k = 0; k < i_ && k < n_; ++k) line += s_[k] == u'\n';
      *error = String::format("%s on line %zu", message_.c_str(), line);
    }
    return std::nullopt;
  }

  bool skipSpaceAndComments() {
    while (i_ < n_) {
      char16_t c = s_[i_];
      if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v' || c == 0xFEFF) {
        ++i_;
      } else if (c == u'/' && i_ + 1 < n_ && s_[i_ + 1] == u'/') {
        while (i_ < n_ && s_[i_] != u'\n') ++i_;
      } else if (c == u'/' && i_ + 1 < n_ && s_[i_ + 1] == u'*') {
        size_t end = i_ + 2;
        while (end + 1 < n_ && !(s_[end] == u'*' && s_[end + 1] == u'/')) ++end;
        if (end + 1 >= n_) {
          message_ = "unterminated comment";
          return false;
        }
        i_ = end + 2;
      } else {
        return true;
      }
    }
    return true;
  }

  bool token(String& out) {
    if (i_ >= n_) {
      message_ = "unexpected end of text";
      return false;
    }
    if (s_[i_] == u'"') return quoted(out);
    size_t start = i_;
    while (i_ < n_ && isBareWordCharacter(s_[i_])) ++i_;
    if (i_ == start) {
      message_ = "unexpected character";
      return false;
    }
    out = s_.substring(start, i_ - start);
    return true;
  }

  bool quoted(String& out) {
    ++i_;  // opening quote
    while (i_ < n_) {
      char16_t c = s_[i_++];
      if (c == u'"') return true;
      if (c != u'\\') {
        out.appendCharacter(c);
        continue;
      }
      if (i_ >= n_) break;
      char16_t e = s_[i_++];
      switch (e) {
        case u'n': out.appendCharacter(u'\n'); break;
        case u't': out.appendCharacter(u'\t'); break;
        case u'r': out.appendCharacter(u'\r'); break;
        case u'a': out.appendCharacter(u'\a'); break;
        case u'b': out.appendCharacter(u'\b'); break;
        case u'f': out.appendCharacter(u'\f'); break;
        case u'v': out.appendCharacter(u'\v'); break;
        case u'U':
        case u'u': {
          char16_t unit = 0;
          int count = 0;
          for (int d; count < 4 && i_ < n_ && (d = hexDigit(s_[i_])) >= 0; ++count, ++i_) unit = static_cast<char16_t>(unit * 16 + d);
          if (count == 0) {
            message_ = "bad \\U escape";
            return false;
          }
          out.appendCharacter(unit);
          break;
        }
        default:
          if (e >= u'0' && e <= u'7') {
            unsigned value = e - u'0';
            for (int count = 1; count < 3 && i_ < n_ && s_[i_] >= u'0' && s_[i_] <= u'7'; ++count) value = value * 8 + (s_[i_++] - u'0');
            out.appendCharacter(static_cast<char16_t>(value));
          } else {
            out.appendCharacter(e);  // \" \\ \' and any other character stand for themselves
          }
      }
    }
    message_ = "unterminated quoted string";
    return false;
  }

  const String& s_;
  size_t n_;
  size_t i_ = 0;
  std::string message_ = "syntax error";
};

std::optional<String> decode(const uint8_t* p, size_t n) {
  if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
    return stringWithBytes(p, n, UTF16StringEncoding);
  }
  if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return String::fromUTF8(reinterpret_cast<const char*>(p + 3), n - 3);
  return String::fromUTF8(reinterpret_cast<const char*>(p), n);
}

// String tables may also be stored as a property list holding one dictionary of strings.
std::optional<StringsTable> parsePropertyList(const void* bytes, size_t length, String* error) {
  Ref<Error> plistError;
  auto plist = PropertyListSerialization::propertyListWithData(Data::create(bytes, length), PropertyListImmutable,
                                                               nullptr, &plistError);
  auto dict = rt::as<Dictionary>(plist);
  if (!dict) {
    if (error) *error = plistError ? plistError->localizedDescription() : String("the property list is not a dictionary");
    return std::nullopt;
  }
  StringsTable table;
  const Dictionary::KeysAndValues entries = dict->keysAndValues();
  for (size_t i = 0; i < entries.size(); ++i) {
    auto key = stringValue(entries.keys[i]);
    auto value = stringValue(entries.values[i]);
    if (!key || !value) {
      if (error) *error = "the property list holds a value that is not a string";
      return std::nullopt;
    }
    table[*key] = *value;
  }
  return table;
}

bool looksLikePropertyList(const uint8_t* p, size_t n) {
  std::string_view head(reinterpret_cast<const char*>(p), std::min<size_t>(n, 64));
  if (head.substr(0, 3) == "\xef\xbb\xbf") head.remove_prefix(3);
  while (!head.empty() && (head[0] == ' ' || head[0] == '\n' || head[0] == '\r' || head[0] == '\t')) head.remove_prefix(1);
  return head.substr(0, 6) == "bplist" || head.substr(0, 5) == "<?xml" || head.substr(0, 6) == "<plist";
}

}  // namespace

std::optional<StringsTable> parseStringsText(const String& text, String* error) { return Parser(text).parse(error); }

std::optional<StringsTable> parseStringsFile(const void* bytes, size_t length, String* error) {
  if (looksLikePropertyList(static_cast<const uint8_t*>(bytes), length)) return parsePropertyList(bytes, length, error);
  auto text = decode(static_cast<const uint8_t*>(bytes), length);
  if (!text) {
    if (error) *error = "the text is neither UTF-8 nor UTF-16 with a byte-order mark";
    return std::nullopt;
  }
  return parseStringsText(*text, error);
}

Ref<Dictionary> dictionaryWithStringsFileData(const Ref<Data>& data, Ref<Error>* error) {
  String message;
  auto table = data ? parseStringsFile(data->bytes(), data->length(), &message) : std::nullopt;
  if (!table) {
    if (!data) message = "no data";
    setError(error, Error::withDescription(NSCocoaErrorDomain, 3840,
                                           String::format("The data couldn’t be read: %@.", message)));
    return nullptr;
  }
  std::vector<Dictionary::Entry> entries;
  entries.reserve(table->size());
  for (auto& [k, v] : *table) entries.emplace_back(box(k), box(v));
  return Dictionary::create(std::move(entries));
}

}  // namespace fd
