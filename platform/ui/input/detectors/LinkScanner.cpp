#include <unicode/idna.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <string>

#include "platform/foundation/text/IcuText.h"
#include "platform/ui/input/detectors/Scanners.h"

namespace ui::detect {

namespace {

constexpr size_t kMaxLink = 2048;
constexpr size_t kMaxHost = 253;
constexpr size_t kMaxLocal = 64;

bool isAsciiLetter(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

/// Letters of alphabetic scripts (accented Latin, Greek, Cyrillic): they sit in a word with
/// ASCII letters.
bool isNarrowLetter(char16_t c) {
  if (c < 0xC0) return isAsciiLetter(c);
  if (c == 0xD7 || c == 0xF7) return false;
  return c < 0x530;
}

/// Han, kana and Hangul: a label of them never runs on into ASCII letters.
bool isWideLetter(char16_t c) {
  return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x3041 && c <= 0x30FF && c != 0x30FB) ||
         (c >= 0xAC00 && c <= 0xD7AF);
}

bool isAsciiLinkChar(char16_t c) {
  if (isAsciiAlnum(c)) return true;
  static constexpr std::u16string_view kMarks = u"-._~:/?#[]@!$&'()*+,;=%";
  return kMarks.find(c) != std::u16string_view::npos;
}

/// A link does not start inside a word, an address or a path.
bool blocksStart(char16_t c) {
  if (isAsciiAlnum(c) || isNarrowLetter(c)) return true;
  static constexpr std::u16string_view kMarks = u"-._%+@/\\&=~";
  return kMarks.find(c) != std::u16string_view::npos;
}

bool startsWithNoCase(std::u16string_view text, size_t at, std::u16string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (size_t k = 0; k < prefix.size(); ++k) {
    char16_t c = text[at + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c - 'A' + 'a');
    if (c != prefix[k]) return false;
  }
  return true;
}

struct Host {
  size_t end = 0;
  size_t lastLabel = 0;
  int labels = 0;
};

enum class Kind { Neutral, Narrow, Wide };

/// Dot-separated labels from `at`. A label is of one kind: where ASCII meets Han the host
/// ends, so that text glued to either side stays out.
Host parseHost(std::u16string_view t, size_t at, bool allowWide) {
  Host h;
  size_t i = at, n = t.size();
  while (true) {
    size_t labelStart = i;
    Kind kind = Kind::Neutral;
    bool switched = false;
    while (i < n && i - at < kMaxHost) {
      char16_t c = t[i];
      Kind k;
      if (isDigit(c) || c == u'-') k = Kind::Neutral;
      else if (isNarrowLetter(c)) k = Kind::Narrow;
      else if (allowWide && isWideLetter(c)) k = Kind::Wide;
      else break;
      if (k != Kind::Neutral) {
        if (kind == Kind::Neutral) kind = k;
        else if (k != kind) {
          switched = true;
          break;
        }
      }
      ++i;
    }
    if (i == labelStart || t[labelStart] == u'-' || t[i - 1] == u'-') {
      // An empty or hyphen-edged label ends the host before its dot.
      i = labelStart > at ? labelStart - 1 : at;
      break;
    }
    ++h.labels;
    h.lastLabel = labelStart;
    if (switched || i + 1 >= n || t[i] != u'.' || i - at >= kMaxHost) break;
    char16_t next = t[i + 1];
    if (!(isAsciiAlnum(next) || isNarrowLetter(next) || (allowWide && isWideLetter(next)))) break;
    ++i;
  }
  h.end = i;
  if (h.end <= h.lastLabel) h.labels = 0;
  return h;
}

/// Whether the host ends in a known top-level domain. A Han label glued to the text after it
/// ("中国了解") is cut back to the longest known domain it starts with.
bool endsInTopLevelDomain(std::u16string_view t, Host& h) {
  if (h.labels < 2) return false;
  std::u16string_view last = t.substr(h.lastLabel, h.end - h.lastLabel);
  if (isTopLevelDomain(last)) return true;
  if (!isWideLetter(last[0])) return false;
  for (size_t len = std::min<size_t>(last.size() - 1, 8); len >= 2; --len)
    if (isTopLevelDomain(last.substr(0, len))) {
      h.end = h.lastLabel + len;
      return true;
    }
  return false;
}

bool isDigits(std::u16string_view s) { return std::all_of(s.begin(), s.end(), [](char16_t c) { return isDigit(c); }); }

/// Path, query and fragment after the host. A run of Han text is taken as a query value
/// (after "=") and as a path segment where the URL goes on after it, where the host or the
/// path is already Han, but not after a letter or at the end, where it is the sentence.
size_t parseRest(std::u16string_view t, size_t at, size_t start, bool wideHost) {
  size_t i = at, n = t.size();
  bool widePath = false;
  while (i < n && i - start < kMaxLink) {
    char16_t c = t[i];
    if (isAsciiLinkChar(c) || isNarrowLetter(c)) {
      ++i;
      continue;
    }
    if (!isWideLetter(c)) break;
    char16_t before = t[i - 1];
    size_t run = i;
    while (run < n && run - start < kMaxLink && isWideLetter(t[run])) ++run;
    static constexpr std::u16string_view kGoesOn = u"/?#&=.-_";
    bool goesOn = run + 1 < n && kGoesOn.find(t[run]) != std::u16string_view::npos && isAsciiLinkChar(t[run + 1]);
    bool take = before == u'=' || ((before == u'/' || before == u'#' || before == u'?' || before == u'&') &&
                                   (wideHost || widePath || goesOn || (run < n && t[run] == u'/')));
    if (!take) break;
    widePath = true;
    i = run;
  }
  return i;
}

size_t trimEnd(std::u16string_view t, size_t start, size_t end) {
  // Trailing punctuation belongs to the sentence; a closing bracket stays when the link opened it.
  static constexpr std::u16string_view kTrail = u".,;:!?'\")]}>*";
  while (end > start && kTrail.find(t[end - 1]) != std::u16string_view::npos) {
    if (t[end - 1] == u')') {
      std::u16string_view span = t.substr(start, end - start);
      if (std::count(span.begin(), span.end(), u'(') >= std::count(span.begin(), span.end(), u')')) break;
    }
    --end;
  }
  return end;
}

/// The host in ASCII (internationalised labels in their encoded form); empty when it has none.
std::string asciiHost(std::u16string_view host) {
  bool ascii = std::all_of(host.begin(), host.end(), [](char16_t c) { return c < 0x80; });
  if (ascii) return rt::String(host).utf8();
  static const icu::IDNA* idna = [] {
    UErrorCode status = U_ZERO_ERROR;
    icu::IDNA* made = icu::IDNA::createUTS46Instance(UIDNA_NONTRANSITIONAL_TO_ASCII, status);
    return U_SUCCESS(status) ? made : nullptr;
  }();
  if (!idna) return {};
  UErrorCode status = U_ZERO_ERROR;
  icu::IDNAInfo info;
  icu::UnicodeString out;
  idna->nameToASCII(fd::icutext::alias(rt::String(host)), out, info, status);
  if (U_FAILURE(status) || info.hasErrors()) return {};
  std::string s;
  out.toUTF8String(s);
  return s;
}

/// ASCII as it is, everything else percent-encoded as UTF-8.
std::string encoded(std::u16string_view part) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : rt::String(part).utf8()) {
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    }
  }
  return out;
}

bool emit(size_t start, size_t end, const std::string& address, std::vector<DataDetectorMatch>& out) {
  auto url = fd::URL::URLWithString(rt::String(address));
  if (!url) return false;
  DataDetectorMatch m;
  m.type = TextCheckingTypeLink;
  m.range = {start, end - start};
  m.url = url;
  out.push_back(std::move(m));
  return true;
}

bool isLocalChar(char16_t c) {
  return isAsciiAlnum(c) || c == u'.' || c == u'_' || c == u'-' || c == u'+' || c == u'%';
}

/// "name@host.tld" from `at`; the end of the match, or 0.
size_t parseEmail(std::u16string_view t, size_t at, std::string& address) {
  size_t i = at, n = t.size();
  while (i < n && i - at < kMaxLocal && isLocalChar(t[i])) ++i;
  if (i == at || i >= n || t[i] != u'@' || t[at] == u'.' || t[i - 1] == u'.') return 0;
  Host h = parseHost(t, i + 1, false);
  if (!endsInTopLevelDomain(t, h) || isDigits(t.substr(h.lastLabel, h.end - h.lastLabel))) return 0;
  std::string host = asciiHost(t.substr(i + 1, h.end - i - 1));
  if (host.empty()) return 0;
  address = rt::String(t.substr(at, i - at)).utf8() + "@" + host;
  return h.end;
}

/// A file name that looks like a bare domain ("setup.py", "notes.md") is not taken as one.
bool isFileExtension(std::u16string_view tld) {
  static constexpr std::u16string_view kExtensions[] = {u"zip", u"mov", u"py", u"sh", u"md", u"rs", u"pl", u"ps"};
  return std::find(std::begin(kExtensions), std::end(kExtensions), tld) != std::end(kExtensions);
}

/// A link starting at `s`; its end, or 0.
size_t parseLink(std::u16string_view t, size_t s, std::vector<DataDetectorMatch>& out) {
  size_t n = t.size();
  std::string address;
  if (startsWithNoCase(t, s, u"mailto:")) {
    size_t end = parseEmail(t, s + 7, address);
    return end && emit(s, end, "mailto:" + address, out) ? end : 0;
  }
  for (std::u16string_view scheme : {u"http://", u"https://", u"ftp://"}) {
    if (!startsWithNoCase(t, s, scheme)) continue;
    size_t at = s + scheme.size();
    Host h = parseHost(t, at, true);
    if (h.labels == 0) return 0;
    if (h.labels >= 2 && isWideLetter(t[h.lastLabel])) endsInTopLevelDomain(t, h);
    std::string host = asciiHost(t.substr(at, h.end - at));
    if (host.empty()) return 0;
    size_t i = h.end;
    if (i + 1 < n && t[i] == u':' && isDigit(t[i + 1]))
      for (++i; i < n && isDigit(t[i]) && i - h.end < 6;) ++i;
    size_t restStart = i;
    bool wideHost = std::any_of(t.begin() + at, t.begin() + h.end, [](char16_t c) { return isWideLetter(c); });
    if (i < n && (t[i] == u'/' || t[i] == u'?' || t[i] == u'#')) i = parseRest(t, i, s, wideHost);
    size_t end = trimEnd(t, restStart, i);
    address = rt::String(t.substr(s, scheme.size())).utf8() + host + encoded(t.substr(h.end, end - h.end));
    return emit(s, end, address, out) ? end : 0;
  }
  if (size_t end = parseEmail(t, s, address)) return emit(s, end, "mailto:" + address, out) ? end : 0;
  bool www = startsWithNoCase(t, s, u"www.");
  Host h = parseHost(t, s, www);
  if (!endsInTopLevelDomain(t, h)) return 0;
  std::u16string_view tld = t.substr(h.lastLabel, h.end - h.lastLabel);
  if (!www) {
    // A capitalised word after a full stop ("morning.Today") is a sentence, not a domain.
    bool mixed = tld.size() > 1 && tld[0] >= 'A' && tld[0] <= 'Z' &&
                 std::any_of(tld.begin() + 1, tld.end(), [](char16_t c) { return c >= 'a' && c <= 'z'; });
    if (mixed) return 0;
  }
  size_t i = h.end;
  if (i + 1 < n && t[i] == u':' && isDigit(t[i + 1]))
    for (++i; i < n && isDigit(t[i]) && i - h.end < 6;) ++i;
  bool hasRest = i < n && (t[i] == u'/' || t[i] == u'?' || t[i] == u'#');
  if (!www && !hasRest && i == h.end && isFileExtension(tld)) return 0;
  size_t restStart = i;
  if (hasRest)
    i = parseRest(t, i, s, std::any_of(t.begin() + s, t.begin() + h.end, [](char16_t c) { return isWideLetter(c); }));
  size_t end = trimEnd(t, restStart, i);
  std::string host = asciiHost(t.substr(s, h.end - s));
  if (host.empty()) return 0;
  address = "http://" + host + encoded(t.substr(h.end, end - h.end));
  return emit(s, end, address, out) ? end : 0;
}

}  // namespace

void scanLinks(std::u16string_view text, std::vector<DataDetectorMatch>& out) {
  size_t i = 0, n = text.size();
  while (i < n) {
    char16_t c = text[i];
    bool candidate = (isAsciiAlnum(c) || isNarrowLetter(c)) && (i == 0 || !blocksStart(text[i - 1]));
    if (candidate) {
      if (size_t end = parseLink(text, i, out)) {
        i = end;
        continue;
      }
    }
    ++i;
  }
}

}  // namespace ui::detect
