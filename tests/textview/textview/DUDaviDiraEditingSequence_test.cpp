// Long random runs of text-input calls (typing, backward delete, replacement, marked text,
// unmarking, selection moves, undo and redo) against a plain-string model of the same edits:
// after every call the text, the selection, the marked range, the layout and what undo and
// redo offer must agree with the model, and every undo must give back exactly the text and
// selection it recorded.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/time/Date.h"
#include "textview/textview/DUDaviDira.h"

using namespace textview;

namespace editing_sequence_test {

// Characters the runs type, each one grapheme whatever stands next to it: letters, a space,
// a letter with a combining accent, an emoji with its skin tone, a line break and a CJK
// character.
const std::u16string kGraphemes[] = {u"a", u"b", u"x", u" ", u"e\u0301", u"\U0001F44D\U0001F3FD", u"\n", u"\u4E2D"};

struct Snapshot {
  std::vector<std::u16string> text;
  rt::Range selection;
};

// The edits as the view is meant to make them, on a list of graphemes.
class Model {
 public:
  std::vector<std::u16string> text;
  rt::Range selection{0, 0};
  std::optional<rt::Range> marked;
  rt::Range lastType{0, 0};
  std::vector<Snapshot> undo{Snapshot{{}, {0, 0}}}, redo;
  static constexpr size_t kLevels = 20;

  std::u16string string() const { return join(text); }
  static std::u16string join(const std::vector<std::u16string>& g) {
    std::u16string s;
    for (const auto& piece : g) s += piece;
    return s;
  }
  // Unit offsets of grapheme boundaries, 0 and the length included.
  std::vector<uint64_t> boundaries() const {
    std::vector<uint64_t> out{0};
    for (const auto& g : text) out.push_back(out.back() + g.size());
    return out;
  }
  size_t graphemeAt(uint64_t offset) const {
    auto b = boundaries();
    auto it = std::find(b.begin(), b.end(), offset);
    EXPECT_NE(it, b.end()) << "offset " << offset << " is not on a boundary";
    return static_cast<size_t>(it - b.begin());
  }
  static uint64_t units(const std::vector<std::u16string>& g) { return join(g).size(); }

  void replaceCharacters(rt::Range r, const std::vector<std::u16string>& with) {
    size_t from = graphemeAt(r.location), to = graphemeAt(r.end());
    text.erase(text.begin() + static_cast<long>(from), text.begin() + static_cast<long>(to));
    text.insert(text.begin() + static_cast<long>(from), with.begin(), with.end());
  }

  // Where the selection goes when `r` is replaced by `n` units.
  static rt::Range moved(rt::Range s, rt::Range r, uint64_t n) {
    if (r == s) return {r.location + n, 0};
    auto inside = [&](uint64_t o) { return o > r.location && o < r.end(); };
    if (r.length == n && !inside(s.location) && !inside(s.end())) return s;
    if (r.end() <= s.location) return {s.location + n - r.length, s.length};  // all before
    if (r.location >= s.end()) return s;                                     // all after
    if (r.location <= s.location && r.end() >= s.end()) return {r.location + n, 0};  // covers it
    if (r.location >= s.location && r.end() <= s.end()) return {s.location, s.length + n - r.length};  // inside
    if (r.location < s.location) return {r.location + n, s.end() - r.end()};  // cuts its start
    return {s.location, r.location - s.location};                             // cuts its end
  }

  void replace(rt::Range r, const std::vector<std::u16string>& with) {
    uint64_t n = units(with);
    if (r.length == 0 && n == 0) return;
    selection = moved(selection, r, n);
    replaceCharacters(r, with);
    lastType = selection;
  }

  bool save(std::vector<Snapshot>& stack) {
    if (!stack.empty() && join(stack.back().text) == string()) return false;
    stack.push_back({text, selection});
    while (stack.size() > kLevels) stack.erase(stack.begin());
    return true;
  }
  void saveUndo() {
    if (save(undo)) lastType = selection;
  }
  void snapshotIfMoved() {
    if (selection != lastType) {
      saveUndo();
      redo.clear();
    }
  }

  void insert(const std::vector<std::u16string>& with) {
    if (with.empty()) return;
    snapshotIfMoved();
    if (marked) {
      // Committing puts the caret after the committed text.
      rt::Range composed = *marked;
      marked.reset();
      selection = composed;
      replace(composed, with);
      return;
    }
    replace(selection, with);
  }
  // A replacement from outside is a step of its own unless it types on at the caret; redo goes.
  void replaceFromOutside(rt::Range r, const std::vector<std::u16string>& with) {
    if (r.length == 0 && with.empty()) return;
    if (!(selection == lastType && r == selection)) saveUndo();
    redo.clear();
    replace(r, with);
  }
  void deleteBackward() {
    if (selection.location == 0 && selection.length == 0) return;
    rt::Range doomed = selection;
    if (selection.length == 0) {
      size_t g = graphemeAt(selection.location);
      doomed = {selection.location - text[g - 1].size(), text[g - 1].size()};
    }
    snapshotIfMoved();
    replace(doomed, {});
  }
  void setMarked(const std::vector<std::u16string>& with, size_t selectFrom, size_t selectCount) {
    snapshotIfMoved();
    if (selection.length > 0) {
      rt::Range gone = selection;
      replace(selection, {});
      if (marked) {
        auto shift = [&](uint64_t o) {
          return o <= gone.location ? o : (o >= gone.end() ? o - gone.length : gone.location);
        };
        uint64_t a = shift(marked->location), b = shift(marked->end());
        marked = rt::Range{a, b - a};
      }
    }
    uint64_t start = marked ? marked->location : selection.end();
    replaceCharacters(marked ? *marked : rt::Range{start, 0}, with);
    uint64_t before = units({with.begin(), with.begin() + static_cast<long>(selectFrom)});
    uint64_t count =
        units({with.begin() + static_cast<long>(selectFrom), with.begin() + static_cast<long>(selectFrom + selectCount)});
    selection = {start + before, count};
    uint64_t n = units(with);
    marked = n > 0 ? std::optional<rt::Range>(rt::Range{start, n}) : std::nullopt;
    lastType = selection;
  }
  // Undo and redo put the snapshot's text back, selected as it was; whatever is typed next
  // is a step of its own.
  void restore(const Snapshot& s) {
    text = s.text;
    selection = s.selection;
    lastType = rt::NotFoundRange;
  }
  bool canUndo() const { return !undo.empty() && join(undo.back().text) != string(); }
  bool canRedo() const { return !redo.empty() && join(redo.back().text) != string(); }
  void doUndo() {
    marked.reset();  // a composition is committed first
    if (!canUndo()) return;
    save(redo);
    Snapshot s = undo.back();
    undo.pop_back();
    restore(s);
  }
  void doRedo() {
    marked.reset();
    if (!canRedo()) return;
    saveUndo();
    Snapshot s = redo.back();
    redo.pop_back();
    restore(s);
  }
};

std::string describe(const std::u16string& s) { return rt::String(std::u16string_view(s)).utf8(); }

void runSequence(uint32_t seed, int steps, bool vertical) {
  SCOPED_TRACE(testing::Message() << "seed " << seed << (vertical ? " vertical" : ""));
  auto view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 160, 400));
  view->setVerticalForm(vertical);
  Model model;
  std::mt19937 rng(seed);
  auto pick = [&](size_t n) { return static_cast<size_t>(std::uniform_int_distribution<size_t>(0, n - 1)(rng)); };
  auto graphemes = [&](size_t most) {
    std::vector<std::u16string> g(pick(most + 1));
    for (auto& piece : g) piece = kGraphemes[pick(std::size(kGraphemes))];
    return g;
  };
  auto boundaryRange = [&]() {
    auto b = model.boundaries();
    uint64_t x = b[pick(b.size())], y = b[pick(b.size())];
    if (x > y) std::swap(x, y);
    return rt::Range{x, y - x};
  };
  std::ostringstream trail;
  for (int step = 0; step < steps; ++step) {
    // While composing, an input method composes on, commits, or has text typed over it.
    const int composing[] = {0, 4, 4, 5};
    int op = model.marked ? composing[pick(4)] : static_cast<int>(pick(9));
    switch (op) {
      case 0: {
        auto g = graphemes(2);
        trail << "insert " << describe(Model::join(g)) << "\n";
        model.insert(g);
        view->insertText(rt::String(std::u16string_view(Model::join(g))));
        break;
      }
      case 1:
      case 2:
        trail << "deleteBackward\n";
        model.deleteBackward();
        view->deleteBackward();
        break;
      case 3: {
        rt::Range r = boundaryRange();
        auto g = graphemes(3);
        trail << "replace " << r.location << "," << r.length << " " << describe(Model::join(g)) << "\n";
        model.replaceFromOutside(r, g);
        view->replaceRange(text::DRTextRange::rangeWithRange(r), rt::String(std::u16string_view(Model::join(g))));
        break;
      }
      case 4: {
        auto g = graphemes(3);
        size_t from = pick(g.size() + 1), count = pick(g.size() - from + 1);
        trail << "mark " << describe(Model::join(g)) << " " << from << "+" << count << "\n";
        uint64_t before = Model::units({g.begin(), g.begin() + static_cast<long>(from)});
        uint64_t length =
            Model::units({g.begin() + static_cast<long>(from), g.begin() + static_cast<long>(from + count)});
        model.setMarked(g, from, count);
        view->setMarkedText(rt::String(std::u16string_view(Model::join(g))), {before, length});
        break;
      }
      case 5:
        trail << "unmark\n";
        model.marked.reset();
        view->unmarkText();
        break;
      case 6: {
        rt::Range r = boundaryRange();
        trail << "select " << r.location << "," << r.length << "\n";
        model.selection = r;
        view->setSelectedTextRange(text::DRTextRange::rangeWithRange(r));
        break;
      }
      case 7:
        trail << "undo\n";
        model.doUndo();
        view->undo();
        break;
      default:
        trail << "redo\n";
        model.doRedo();
        view->redo();
        break;
    }
    SCOPED_TRACE(trail.str());
    std::u16string expected = model.string();
    ASSERT_EQ(describe(view->text().toU16()), describe(expected)) << "step " << step;
    ASSERT_EQ(view->selectedTextRange()->asRange(), model.selection) << "step " << step;
    ASSERT_EQ(view->selectedRange(), model.selection) << "step " << step;
    auto b = model.boundaries();
    ASSERT_NE(std::find(b.begin(), b.end(), model.selection.location), b.end());
    ASSERT_NE(std::find(b.begin(), b.end(), model.selection.end()), b.end());
    auto marked = view->markedTextRange();
    ASSERT_EQ(bool(marked), bool(model.marked)) << "step " << step;
    if (marked) {
      ASSERT_EQ(marked->asRange(), *model.marked) << "step " << step;
    }
    ASSERT_EQ(view->canUndo(), model.canUndo()) << "step " << step;
    ASSERT_EQ(view->canRedo(), model.canRedo()) << "step " << step;
    ASSERT_EQ(view->undoHistory().lastTypeRange(), model.lastType) << "step " << step;
    ASSERT_EQ(describe(view->textLayout()->text()->string().toU16()), describe(expected + u"\r"))
        << "the layout shows the text, step " << step;
  }
}

}  // namespace editing_sequence_test

TEST(TextViewEditingSequence, RandomCallsMatchAPlainStringModel) {
  for (uint32_t seed : {1u, 7u, 2024u, 90210u}) {
    editing_sequence_test::runSequence(seed, 300, false);
    if (testing::Test::HasFatalFailure()) return;
  }
  // Vertical lines: backward delete and the layout's units run along them the other way.
  for (uint32_t seed : {5u, 31u}) {
    editing_sequence_test::runSequence(seed, 300, true);
    if (testing::Test::HasFatalFailure()) return;
  }
  fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode, fd::Date::dateWithTimeIntervalSinceNow(0.01));
}
