// Random edits through the text-input interface against a plain UTF-16 string whose characters
// are ICU's grapheme clusters. After every call: no lone surrogate in the text, selection and
// marked range inside it on cluster boundaries, and the text the model expects; an undo
// followed by a redo puts back the state exactly; at the end every undo step is walked back
// and forth. Set TEXTVIEW_RANDOM_SEED to replay one seed.
#include <gtest/gtest.h>
#include <unicode/ubrk.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/time/Date.h"
#include "textview/textview/DUDaviDira.h"

using namespace textview;

namespace random_editing_test {

using U16 = std::u16string;

// Where characters begin and end, straight from ICU's character break iterator.
std::vector<bool> clusterBoundaries(const U16& s) {
  std::vector<bool> boundary(s.size() + 1, false);
  boundary[0] = boundary[s.size()] = true;
  UErrorCode e = U_ZERO_ERROR;
  UBreakIterator* it = ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(s.data()),
                                 static_cast<int32_t>(s.size()), &e);
  if (U_FAILURE(e)) {
    ADD_FAILURE() << "no break iterator";
    return boundary;
  }
  for (int32_t b = ubrk_first(it); b != UBRK_DONE; b = ubrk_next(it)) boundary[static_cast<size_t>(b)] = true;
  ubrk_close(it);
  return boundary;
}

bool hasLoneSurrogate(const U16& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return true;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return true;
  }
  return false;
}

U16 withoutLone(const U16& s) {
  U16 out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    char16_t c = out[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out[i] = 0xFFFD;
    }
  }
  return out;
}

struct Span {
  uint64_t start = 0, end = 0;
  uint64_t length() const { return end - start; }
  bool operator==(const Span&) const = default;
};

std::string show(const U16& s) {
  std::ostringstream out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F) out << static_cast<char>(c);
    else out << "\\u" << std::hex << static_cast<int>(c) << std::dec;
  }
  return out.str();
}

// The plain-string model: the text, the selection and the composition's own characters.
struct Model {
  U16 text;
  Span selection;
  std::optional<Span> marked;

  // A range covers every character it touches; a caret inside a character goes after it.
  Span aligned(Span s) const {
    auto b = clusterBoundaries(text);
    uint64_t n = text.size();
    s.start = std::min(s.start, n);
    s.end = std::min(std::max(s.end, s.start), n);
    if (s.start == s.end) {
      while (!b[s.end]) ++s.end;
      s.start = s.end;
      return s;
    }
    while (!b[s.start]) --s.start;
    while (!b[s.end]) ++s.end;
    return s;
  }
  // The text's edit, with the composition carried along: moved when the edit is before it,
  // resized when inside it, over when the edit takes any of it from outside.
  void replace(Span r, const U16& with) {
    text.replace(r.start, r.length(), with);
    if (!marked) return;
    Span m = *marked;
    int64_t delta = static_cast<int64_t>(with.size()) - static_cast<int64_t>(r.length());
    if (r.end <= m.start) {
      m.start += delta, m.end += delta;
    } else if (r.start >= m.end) {
      return;
    } else if (r.start >= m.start && r.end <= m.end) {
      m.end += delta;
    } else {
      m.end = m.start;
    }
    marked = m.length() > 0 ? std::optional<Span>(m) : std::nullopt;
  }
};

U16 u16(const rt::String& s) { return s.toU16(); }

Span spanOf(const Ref<ui::TextRange>& r) {
  rt::Range range = r->asRange();
  return {range.location, range.end()};
}

// The pieces random text is made of: joined emoji, flags, combining marks, Hangul jamo, CR LF,
// right-to-left letters with their marks, a prepended sign, and now and then half a pair.
const std::vector<U16>& pool() {
  static const std::vector<U16> pieces = {
      u"a", u"b", u" ", u"\u0301", u"\u0308", u"\u200D", u"\u1100", u"\u1161", u"\u11A8", u"\r", u"\n",
      u"\r\n", u"\U0001F1E9", u"\U0001F1EB", u"\U0001F1F7", u"\U0001F469", u"\U0001F3FD", u"\U0001F4BB",
      u"\U0001F469\U0001F3FD\u200D\U0001F4BB", u"\U0001F600", u"\U0001D4B3", u"\u0628\u064B", u"\u0600",
      u"\u05E9", u"\u0915\u094D", u"\u0937", u"\xD83D", u"\xDE00", u"\uFE0F", u"\u00E9"};
  return pieces;
}

class RandomEditing : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 220, 260)); }
  void TearDown() override {
    view.reset();
    fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode,
                                                  fd::Date::dateWithTimeIntervalSinceNow(0.01));
  }

  U16 randomText(std::mt19937& rng, size_t most) {
    U16 out;
    size_t count = std::uniform_int_distribution<size_t>(1, most)(rng);
    for (size_t i = 0; i < count; ++i) out += pool()[std::uniform_int_distribution<size_t>(0, pool().size() - 1)(rng)];
    return out;
  }
  uint64_t randomOffset(std::mt19937& rng) {
    return std::uniform_int_distribution<uint64_t>(0, model.text.size() + 2)(rng);
  }

  // What every state must be, and what the model says this one is.
  void check(const std::string& step, bool exactSelection) {
    U16 text = u16(view->text());
    ASSERT_EQ(show(text), show(model.text)) << step;
    ASSERT_FALSE(hasLoneSurrogate(text)) << step;
    auto boundary = clusterBoundaries(text);
    Span selection = spanOf(view->selectedTextRange());
    ASSERT_LE(selection.end, text.size()) << step;
    ASSERT_TRUE(boundary[selection.start] && boundary[selection.end])
        << step << ": selection " << selection.start << "," << selection.end << " in " << show(text);
    if (exactSelection) {
      ASSERT_EQ(selection.start, model.selection.start) << step;
      ASSERT_EQ(selection.end, model.selection.end) << step;
    }
    model.selection = selection;
    ASSERT_EQ(view->selectedRange(), (rt::Range{selection.start, selection.length()})) << step;
    auto marked = view->markedTextRange();
    ASSERT_EQ(static_cast<bool>(marked), model.marked.has_value()) << step;
    if (marked) {
      Span m = spanOf(marked);
      ASSERT_LE(m.end, text.size()) << step;
      ASSERT_TRUE(boundary[m.start] && boundary[m.end]) << step << ": marked " << m.start << "," << m.end;
      ASSERT_EQ(m, model.aligned(*model.marked)) << step;
    }
    seen.insert(text);
  }

  // Undo then redo brings back exactly this state (a composition is committed first).
  void checkUndoRedo(const std::string& step) {
    if (!view->canUndo()) return;
    U16 text = u16(view->text());
    Span selection = spanOf(view->selectedTextRange());
    view->undo();
    model.marked.reset();
    ASSERT_TRUE(view->canRedo()) << step;
    ASSERT_TRUE(seen.count(u16(view->text()))) << step << ": undo gave a text never shown";
    view->redo();
    ASSERT_EQ(show(u16(view->text())), show(text)) << step << ": redo";
    ASSERT_EQ(spanOf(view->selectedTextRange()), selection) << step << ": redo";
    ASSERT_FALSE(view->markedTextRange()) << step;
  }

  void run(uint32_t seed, int steps) {
    std::mt19937 rng(seed);
    for (int i = 0; i < steps; ++i) {
      int op = std::uniform_int_distribution<int>(0, 11)(rng);
      std::ostringstream step;
      step << "seed " << seed << " step " << i << " op " << op;
      bool exact = true;
      switch (op) {
        case 0:
        case 1: {  // typing
          U16 s = randomText(rng, 3);
          step << " insertText " << show(s);
          view->insertText(rt::String(std::u16string_view(s)));
          U16 clean = withoutLone(s);
          Span r = model.marked ? *model.marked : model.selection;
          model.marked.reset();
          model.replace(r, clean);
          model.selection = model.aligned({r.start + clean.size(), r.start + clean.size()});
          break;
        }
        case 2:
        case 3: {  // backward delete: exactly one character, or the selection
          step << " deleteBackward";
          view->deleteBackward();
          Span r = model.selection;
          if (r.length() == 0 && r.start > 0) {
            auto b = clusterBoundaries(model.text);
            r.start = r.end - 1;
            while (!b[r.start]) --r.start;
          }
          if (r.length() > 0) {
            model.replace(r, U16());
            model.selection = model.aligned({r.start, r.start});
          }
          break;
        }
        case 4:
        case 5: {  // selection from outside, anywhere, sometimes not found at all
          uint64_t a = randomOffset(rng), b = randomOffset(rng);
          if (a > b) std::swap(a, b);
          bool notFound = std::uniform_int_distribution<int>(0, 9)(rng) == 0;
          step << " setSelectedTextRange " << a << "," << b << (notFound ? " not found" : "");
          if (notFound) {
            view->setSelectedTextRange(rt::make<ui::TextRange>(rt::Range{rt::NotFound, b - a}));
          } else {
            view->setSelectedTextRange(text::DRTextRange::rangeWithRange({a, b - a}));
            model.selection = model.aligned({a, b});
          }
          break;
        }
        case 6: {  // replacement anywhere
          uint64_t a = randomOffset(rng), b = randomOffset(rng);
          if (a > b) std::swap(a, b);
          U16 s = std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? U16() : randomText(rng, 2);
          step << " replaceRange " << a << "," << b << " " << show(s);
          view->replaceRange(text::DRTextRange::rangeWithRange({a, b - a}), rt::String(std::u16string_view(s)));
          Span r = model.aligned({a, b});
          if (r.length() > 0 || !s.empty()) model.replace(r, withoutLone(s));
          exact = false;  // where the selection goes is the view's own rule; it is checked on boundaries
          break;
        }
        case 7:
        case 8: {  // composing
          U16 s = std::uniform_int_distribution<int>(0, 5)(rng) == 0 ? U16() : randomText(rng, 2);
          uint64_t at = std::uniform_int_distribution<uint64_t>(0, s.size())(rng);
          uint64_t len = std::uniform_int_distribution<uint64_t>(0, s.size() - at)(rng);
          step << " setMarkedText " << show(s) << " " << at << "," << len;
          view->setMarkedText(rt::String(std::u16string_view(s)), {at, len});
          U16 clean = withoutLone(s);
          if (model.selection.length() > 0) {
            Span removed = model.selection;
            std::optional<Span> composing = model.marked;
            model.marked.reset();
            model.text.erase(removed.start, removed.length());
            if (composing) {
              auto shift = [&](uint64_t o) {
                if (o <= removed.start) return o;
                return o >= removed.end ? o - removed.length() : removed.start;
              };
              composing = Span{shift(composing->start), shift(composing->end)};
            }
            model.marked = composing;
            model.selection = model.aligned({removed.start, removed.start});
          }
          Span m = model.marked ? *model.marked : model.selection;
          if (!model.marked) m.start = m.end = model.selection.end;
          model.text.replace(m.start, m.length(), clean);
          model.marked = clean.empty() ? std::nullopt : std::optional<Span>(Span{m.start, m.start + clean.size()});
          model.selection = model.aligned({m.start + at, m.start + at + len});
          break;
        }
        case 9: {  // committing
          step << " unmarkText";
          view->unmarkText();
          model.marked.reset();
          break;
        }
        case 10: {  // one undo or one redo: some earlier state comes back
          bool back = std::uniform_int_distribution<int>(0, 1)(rng) == 0;
          step << (back ? " undo" : " redo");
          if (back) view->undo();
          else view->redo();
          model.marked.reset();
          model.text = u16(view->text());
          ASSERT_TRUE(seen.count(model.text)) << step.str() << ": a text never shown";
          exact = false;
          break;
        }
        case 11: {
          step << " undo and redo";
          checkUndoRedo(step.str());
          if (HasFatalFailure()) return;
          break;
        }
      }
      check(step.str(), exact);
      if (HasFatalFailure()) return;
      if (op != 10 && op != 11 && std::uniform_int_distribution<int>(0, 4)(rng) == 0) {
        checkUndoRedo(step.str() + " (after)");
        if (HasFatalFailure()) return;
        check(step.str() + " (after undo and redo)", true);
        if (HasFatalFailure()) return;
      }
    }
    // Every step back and then forth again: the same states, in reverse.
    view->unmarkText();
    model.marked.reset();
    std::vector<std::pair<U16, Span>> states{{u16(view->text()), spanOf(view->selectedTextRange())}};
    while (view->canUndo()) {
      view->undo();
      states.push_back({u16(view->text()), spanOf(view->selectedTextRange())});
      model.text = states.back().first;
      check("seed " + std::to_string(seed) + " rewinding", false);
      if (HasFatalFailure()) return;
    }
    for (size_t k = states.size() - 1; k-- > 0;) {
      ASSERT_TRUE(view->canRedo()) << "seed " << seed;
      view->redo();
      ASSERT_EQ(show(u16(view->text())), show(states[k].first)) << "seed " << seed << " replaying " << k;
      ASSERT_EQ(spanOf(view->selectedTextRange()), states[k].second) << "seed " << seed << " replaying " << k;
    }
  }

  Ref<DUDaviDira> view;
  Model model;
  std::set<U16> seen{U16()};
};

TEST_P(RandomEditing, KeepsCharactersWholeAndLosesNothing) {
  view->setVerticalForm(GetParam());
  view->setMaximumUndoLevel(1000);
  std::vector<uint32_t> seeds = {1, 2, 3, 20261211};
  if (const char* chosen = std::getenv("TEXTVIEW_RANDOM_SEED")) seeds = {static_cast<uint32_t>(std::strtoul(chosen, nullptr, 10))};
  for (uint32_t seed : seeds) {
    SCOPED_TRACE("seed " + std::to_string(seed) + (GetParam() ? " vertical" : " horizontal"));
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 220, 260));
    view->setVerticalForm(GetParam());
    view->setMaximumUndoLevel(1000);
    model = Model();
    seen = {U16()};
    run(seed, 150);
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, RandomEditing, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Vertical" : "Horizontal"; });

}  // namespace random_editing_test
