#include "platform/typeset/Hyphenator.h"

#include <hyphen.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace typeset {

namespace {

constexpr const char* kDictionaryFolder = "/usr/share/hyphen/";

struct Dictionaries {
  std::mutex mutex;  // libhyphen dictionaries are read-only once loaded, but loading is not
  std::map<std::string, std::unique_ptr<HyphenDict, void (*)(HyphenDict*)>> loaded;

  HyphenDict* load(const std::string& name) {
    auto it = loaded.find(name);
    if (it == loaded.end()) {
      std::string path = std::string(kDictionaryFolder) + "hyph_" + name + ".dic";
      it = loaded.emplace(name, std::unique_ptr<HyphenDict, void (*)(HyphenDict*)>(hnj_hyphen_load(path.c_str()),
                                                                                    hnj_hyphen_free))
               .first;
    }
    return it->second.get();
  }

  // "en-US" and "en_us" read as "en_US"; a language without its region falls back to the bare
  // language, then to US English for English.
  HyphenDict* forLanguage(const std::string& language) {
    std::lock_guard lock(mutex);
    std::string lang = language.empty() ? "en_US" : language;
    for (char& c : lang)
      if (c == '-') c = '_';
    size_t sep = lang.find('_');
    std::string base = lang.substr(0, sep);
    for (char& c : base) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (sep != std::string::npos) {
      std::string region = lang.substr(sep + 1);
      for (char& c : region) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (HyphenDict* d = load(base + "_" + region)) return d;
    }
    if (HyphenDict* d = load(base)) return d;
    return base == "en" ? load("en_US") : nullptr;
  }
};

Dictionaries& dictionaries() {
  static Dictionaries d;
  return d;
}

}  // namespace

bool isHyphenatableLetter(char16_t c) {
  return ((c | 0x20) >= u'a' && (c | 0x20) <= u'z') || (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}

std::vector<size_t> hyphenationPoints(const rt::String& word, const rt::String& language) {
  std::vector<size_t> out;
  size_t n = word.length();
  if (n < 4) return out;
  for (size_t i = 0; i < n; ++i)
    if (!isHyphenatableLetter(word[i])) return out;
  HyphenDict* dict = dictionaries().forLanguage(language.utf8());
  if (!dict) return out;
  // The patterns are lower case; Latin-1 letters are two UTF-8 bytes, and the hyphen marks
  // are per byte, so they are mapped back to letters.
  std::string utf8;
  std::vector<size_t> letterOfByte;
  for (size_t i = 0; i < n; ++i) {
    char16_t c = word[i];
    if (c < 0x80) c = static_cast<char16_t>(std::tolower(c));
    else if (c >= 0xC0 && c <= 0xDE) c = static_cast<char16_t>(c + 0x20);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
      letterOfByte.push_back(i);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
      letterOfByte.push_back(i);
      letterOfByte.push_back(i);
    }
  }
  std::vector<char> hyphens(utf8.size() + 5, '0');
  char** rep = nullptr;
  int* pos = nullptr;
  int* cut = nullptr;
  int failed;
  {
    std::lock_guard lock(dictionaries().mutex);
    failed = hnj_hyphen_hyphenate2(dict, utf8.data(), static_cast<int>(utf8.size()), hyphens.data(), nullptr, &rep,
                                   &pos, &cut);
  }
  if (rep) {
    for (size_t i = 0; i < utf8.size(); ++i) free(rep[i]);
    free(rep);
  }
  free(pos);
  free(cut);
  if (failed) return out;
  for (size_t b = 0; b + 1 < utf8.size(); ++b) {
    if (!(hyphens[b] & 1)) continue;
    size_t after = letterOfByte[b] + 1;  // break before the next letter
    if (after >= 2 && after + 2 <= n && (out.empty() || out.back() != after)) out.push_back(after);
  }
  return out;
}

}  // namespace typeset
