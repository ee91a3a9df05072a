// Data detection: quality and speed.
// Quality: precision and recall of each type on the hand-labelled texts in bench/data, with
// all four types on as the text views use them, apart for the development texts
// (detector_corpus_*.txt) and the held-out ones (detector_heldout_*.txt); links also from
// linkify-it (a Node script, bench/linkify_compare.js, when node and the module are there)
// and phone numbers from libphonenumber's matcher (region CN, leniency VALID, when the
// library was found at build time), on the same texts.
// Speed, line by line over the corpus: links alone against linkify-it, phone numbers alone
// against the phone matcher; and all four types over 100 KB and 1 MB of news text and of
// hostile text, to see that the cost grows with the text and no faster.
// KD_LINKIFY_NODE_PATH names the node_modules folder holding linkify-it.
#include <benchmark/benchmark.h>
#include <unicode/regex.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/foundation/text/IcuText.h"
#include "platform/ui/input/detectors/DataDetector.h"

#ifdef KD_HAVE_PHONENUMBER
#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>
#endif

namespace {

// ---------------------------------------------------------------------------------------------
// The corpus.

using Span = std::pair<uint64_t, uint64_t>;  // UTF-16 start, end

struct Text {
  rt::String text;
  std::map<char, std::set<Span>> gold;  // by kind: L, P, D, A
};

/// "{K|words}" marks a span of kind K; the marks are taken out of the text.
Text parseLine(const std::string& line) {
  rt::String marked(line.c_str());
  std::u16string_view v = marked.view();
  std::u16string plain;
  Text t;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == u'{' && i + 2 < v.size() && v[i + 2] == u'|' && std::u16string_view(u"LPDA").find(v[i + 1]) != std::u16string_view::npos) {
      size_t close = v.find(u'}', i + 3);
      if (close != std::u16string_view::npos) {
        uint64_t start = plain.size();
        plain.append(v.substr(i + 3, close - i - 3));
        t.gold[static_cast<char>(v[i + 1])].insert({start, plain.size()});
        i = close;
        continue;
      }
    }
    plain.push_back(v[i]);
  }
  t.text = rt::String(std::u16string_view(plain));
  return t;
}

/// Texts of the corpus files whose names start with `prefix`, in name order.
std::vector<Text> load(const std::string& prefix) {
  std::vector<Text> texts;
  std::vector<std::filesystem::path> files;
  for (auto& e : std::filesystem::directory_iterator(KD_SOURCE_DIR "/bench/data"))
    if (e.path().filename().string().rfind(prefix, 0) == 0) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (auto& f : files) {
    std::ifstream in(f);
    for (std::string line; std::getline(in, line);)
      if (!line.empty() && line[0] != '#') texts.push_back(parseLine(line));
  }
  return texts;
}

/// The development texts (looked at while the detector was built), then the held-out ones
/// (measured only).
const std::vector<Text>& corpus() {
  static const std::vector<Text> all = [] {
    std::vector<Text> texts = load("detector_corpus_");
    for (Text& t : load("detector_heldout_")) texts.push_back(std::move(t));
    return texts;
  }();
  return all;
}
/// Where the held-out texts start in `corpus()`.
size_t heldOutFrom() {
  static const size_t from = load("detector_corpus_").size();
  return from;
}

Ref<ui::DataDetector> detector(uint64_t types) {
  auto d = ui::DataDetector::dataDetectorWithTypes(types);
  d->setTimeZone(fd::TimeZone::timeZoneWithName("Asia/Shanghai"));
  using namespace std::chrono;
  // Tuesday 2026-03-10 12:00 in Shanghai: what the corpus's relative dates are read against.
  auto since1970 = sys_days{year{2026} / month{3} / day{10}}.time_since_epoch();
  d->setReferenceDate(fd::Date::dateWithTimeIntervalSince1970(double(duration_cast<seconds>(since1970).count()) + 4 * 3600));
  return d;
}

// ---------------------------------------------------------------------------------------------
// Scoring.

struct Score {
  size_t truePositives = 0, found = 0, gold = 0;
  double precision() const { return found ? double(truePositives) / found : 1.0; }
  double recall() const { return gold ? double(truePositives) / gold : 1.0; }
};

void add(Score& s, const std::set<Span>& gold, const std::set<Span>& found) {
  s.gold += gold.size(), s.found += found.size();
  for (const Span& f : found) s.truePositives += gold.count(f);
}

/// Misses and false finds, for the record (KD_DETECTOR_EVAL_VERBOSE=1).
void explain(const char* who, char kind, const Text& t, const std::set<Span>& gold, const std::set<Span>& found) {
  if (!std::getenv("KD_DETECTOR_EVAL_VERBOSE")) return;
  for (const Span& g : gold)
    if (!found.count(g)) std::printf("  %s %c missed  [%s] in %s\n", who, kind, t.text.substring(g.first, g.second - g.first).utf8().c_str(), t.text.utf8().c_str());
  for (const Span& f : found)
    if (!gold.count(f)) std::printf("  %s %c wrong   [%s] in %s\n", who, kind, t.text.substring(f.first, f.second - f.first).utf8().c_str(), t.text.utf8().c_str());
}

struct Part {
  const char* name;
  size_t from, to;
};

std::map<char, Score> scoreOurs(const Part& part) {
  std::map<char, Score> scores;
  auto d = detector(ui::kDataDetectorAllTypes);
  for (size_t i = part.from; i < part.to; ++i) {
    const Text& t = corpus()[i];
    std::map<char, std::set<Span>> found;
    for (const auto& m : d->matchesInString(t.text)) {
      char kind = m.type == ui::TextCheckingTypeLink ? 'L' : m.type == ui::TextCheckingTypePhoneNumber ? 'P' : m.type == ui::TextCheckingTypeDate ? 'D' : 'A';
      found[kind].insert({m.range.location, m.range.end()});
    }
    for (char kind : {'L', 'P', 'D', 'A'}) {
      auto g = t.gold.count(kind) ? t.gold.at(kind) : std::set<Span>{};
      add(scores[kind], g, found[kind]);
      explain("ours", kind, t, g, found[kind]);
    }
  }
  return scores;
}

// ---------------------------------------------------------------------------------------------
// linkify-it, through Node.

struct LinkifyRun {
  bool ran = false;
  std::map<size_t, std::set<Span>> found;  // by text
  double seconds = 0;  // one line-by-line pass over the corpus, median
};

LinkifyRun runLinkify() {
  LinkifyRun run;
  std::string dir = std::filesystem::temp_directory_path() / ("kd_linkify_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string texts = dir + "/texts.txt";
  {
    std::ofstream out(texts);
    for (const Text& t : corpus()) out << t.text.utf8() << '\n';
  }
  const char* modules = std::getenv("KD_LINKIFY_NODE_PATH");
  std::string command = std::string(modules ? "NODE_PATH='" + std::string(modules) + "' " : "") + "node '" KD_SOURCE_DIR
                        "/bench/linkify_compare.js' '" + texts + "' 7 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  std::map<size_t, std::set<Span>>& found = run.found;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    size_t line;
    unsigned long long start, end;
    double seconds;
    if (std::sscanf(buffer, "time %lf", &seconds) == 1) run.seconds = seconds, run.ran = true;
    else if (std::sscanf(buffer, "%zu\t%llu\t%llu", &line, &start, &end) == 3) found[line].insert({start, end});
  }
  ::pclose(pipe);
  std::filesystem::remove_all(dir);
  return run;
}

Score scoreLinkify(LinkifyRun& run, const Part& part) {
  Score s;
  for (size_t i = part.from; i < part.to; ++i) {
    const Text& t = corpus()[i];
    auto g = t.gold.count('L') ? t.gold.at('L') : std::set<Span>{};
    add(s, g, run.found[i]);
    explain("linkify-it", 'L', t, g, run.found[i]);
  }
  return s;
}

// ---------------------------------------------------------------------------------------------
// libphonenumber.

#ifdef KD_HAVE_PHONENUMBER
using i18n::phonenumbers::PhoneNumberMatch;
using i18n::phonenumbers::PhoneNumberMatcher;
using i18n::phonenumbers::PhoneNumberUtil;

/// UTF-16 offset of a UTF-8 byte offset.
uint64_t utf16At(const std::string& utf8, size_t byte) {
  return rt::String(utf8.substr(0, byte).c_str()).length();
}

std::set<Span> phoneMatches(const std::string& utf8) {
  std::set<Span> spans;
  PhoneNumberMatcher matcher(*PhoneNumberUtil::GetInstance(), utf8, "CN", PhoneNumberMatcher::VALID, 65535);
  while (matcher.HasNext()) {
    PhoneNumberMatch match;
    if (!matcher.Next(&match)) break;
    spans.insert({utf16At(utf8, match.start()), utf16At(utf8, match.start() + match.length())});
  }
  return spans;
}

Score scorePhoneMatcher(const Part& part) {
  Score s;
  for (size_t i = part.from; i < part.to; ++i) {
    const Text& t = corpus()[i];
    auto g = t.gold.count('P') ? t.gold.at('P') : std::set<Span>{};
    auto found = phoneMatches(t.text.utf8());
    add(s, g, found);
    explain("libphonenumber", 'P', t, g, found);
  }
  return s;
}

void BM_PhoneMatcherLines(benchmark::State& state) {
  std::vector<std::string> lines;
  for (const Text& t : corpus()) lines.push_back(t.text.utf8());
  const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
  for (auto _ : state) {
    size_t n = 0;
    for (const std::string& line : lines) {
      PhoneNumberMatcher matcher(util, line, "CN", PhoneNumberMatcher::VALID, 65535);
      PhoneNumberMatch match;
      while (matcher.HasNext() && matcher.Next(&match)) ++n;
    }
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_PhoneMatcherLines)->Unit(benchmark::kMicrosecond);
#endif

// ---------------------------------------------------------------------------------------------
// Speed.

void detectLines(benchmark::State& state, uint64_t types) {
  auto d = detector(types);
  for (auto _ : state) {
    size_t n = 0;
    for (const Text& t : corpus()) n += d->matchesInString(t.text).size();
    benchmark::DoNotOptimize(n);
  }
}
void BM_LinksLines(benchmark::State& state) { detectLines(state, ui::TextCheckingTypeLink); }
BENCHMARK(BM_LinksLines)->Unit(benchmark::kMicrosecond);
void BM_PhonesLines(benchmark::State& state) { detectLines(state, ui::TextCheckingTypePhoneNumber); }
BENCHMARK(BM_PhonesLines)->Unit(benchmark::kMicrosecond);
void BM_AllTypesLines(benchmark::State& state) { detectLines(state, ui::kDataDetectorAllTypes); }
BENCHMARK(BM_AllTypesLines)->Unit(benchmark::kMicrosecond);

/// The corpus's texts, or one hostile pattern, repeated to `units` UTF-16 units.
rt::String filled(size_t units, const std::u16string& unit) {
  std::u16string s;
  while (s.size() < units) s += unit;
  s.resize(units);
  return rt::String(std::u16string_view(s));
}

std::u16string corpusText() {
  std::u16string all;
  for (const Text& t : corpus()) all += std::u16string(t.text.view()) + u"\n";
  return all;
}

// Each hostile text keeps one scanner busy: long host names, digits and separators, dates
// that never finish, house numbers without roads.
const std::u16string kHostile[] = {
    u"a.", u"http://a.", u"www.中", u"1-", u"１－", u"+1 ", u"2026年12月", u"March ", u"下周", u"路1", u"a@b.", u"x",
};

void BM_DetectAll(benchmark::State& state) {
  static const std::u16string news = corpusText();
  size_t units = static_cast<size_t>(state.range(0)) * 512;  // KB of UTF-16
  rt::String text = state.range(1) < 0 ? filled(units, news) : filled(units, kHostile[state.range(1)]);
  auto d = detector(ui::kDataDetectorAllTypes);
  for (auto _ : state) benchmark::DoNotOptimize(d->matchesInString(text).size());
}
BENCHMARK(BM_DetectAll)->ArgsProduct({{100, 1024}, {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  corpus();
  LinkifyRun linkify = runLinkify();
  if (!linkify.ran)
    std::printf("links, linkify-it: not run (node or the linkify-it module missing; see KD_LINKIFY_NODE_PATH)\n");
#ifndef KD_HAVE_PHONENUMBER
  std::printf("phone numbers, libphonenumber: not built (the library was not found)\n");
#endif
  const char* names[] = {"links", "phone numbers", "dates", "addresses"};
  const char kinds[] = {'L', 'P', 'D', 'A'};
  for (const Part& part : {Part{"development", 0, heldOutFrom()}, Part{"held-out", heldOutFrom(), corpus().size()}}) {
    std::printf("%s corpus: %zu texts\n", part.name, part.to - part.from);
    std::printf("  %-30s %9s %9s %6s %6s\n", "type", "precision", "recall", "found", "gold");
    auto ours = scoreOurs(part);
    for (int k = 0; k < 4; ++k) {
      const Score& s = ours[kinds[k]];
      std::printf("  %-30s %9.3f %9.3f %6zu %6zu\n", names[k], s.precision(), s.recall(), s.found, s.gold);
    }
    if (linkify.ran) {
      Score s = scoreLinkify(linkify, part);
      std::printf("  %-30s %9.3f %9.3f %6zu %6zu\n", "links, linkify-it", s.precision(), s.recall(), s.found, s.gold);
    }
#ifdef KD_HAVE_PHONENUMBER
    Score phones = scorePhoneMatcher(part);
    std::printf("  %-30s %9.3f %9.3f %6zu %6zu\n", "phone numbers, libphonenumber", phones.precision(), phones.recall(),
                phones.found, phones.gold);
#endif
  }
  std::fflush(stdout);

  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double links = reporter.secondsFor("BM_LinksLines"), phones2 = reporter.secondsFor("BM_PhonesLines");
  if (links > 0 && linkify.ran)
    std::printf("links line by line: %.1f us, linkify-it %.1f us (same texts, median of 7 passes): ratio %.4f\n", links * 1e6,
                linkify.seconds * 1e6, links / linkify.seconds);
#ifdef KD_HAVE_PHONENUMBER
  double matcher = reporter.secondsFor("BM_PhoneMatcherLines");
  if (phones2 > 0 && matcher > 0)
    std::printf("phone numbers line by line: %.1f us, libphonenumber %.1f us: ratio %.4f\n", phones2 * 1e6, matcher * 1e6,
                phones2 / matcher);
#endif
  for (int h = -1; h < static_cast<int>(std::size(kHostile)); ++h) {
    std::string suffix = "/";
    suffix += std::to_string(h);
    double small = reporter.secondsFor("BM_DetectAll/100" + suffix), big = reporter.secondsFor("BM_DetectAll/1024" + suffix);
    if (small > 0 && big > 0)
      std::printf("all types, %s: 1 MB / 100 KB = %.2f (10.24 is linear)\n",
                  h < 0 ? "news" : ("hostile \"" + rt::String(std::u16string_view(kHostile[h])).utf8() + "\"").c_str(), big / small);
  }
  benchmark::Shutdown();
  return 0;
}
