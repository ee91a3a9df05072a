// The text view as a text input: replacement and where the selection goes, typing and its
// undo steps, backward delete (composed characters, confirmed bindings), marked text, and
// selection changes, with what the input delegate and the view's delegate hear.
#include <gtest/gtest.h>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/time/Date.h"
#include "platform/graphics/ImageContext.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextBinding.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "text/parsers/DRTextSimpleEmoticonParser.h"
#include "tests/textview/textview/DUDaviDiraTestAccess.h"

using namespace textview;

namespace text_input_test {

// Writes down every message of both delegates, in order.
class Log : public ui::TextInputDelegate, public DUDaviDiraDelegate {
 public:
  std::vector<std::string> lines;
  bool refuse = false;
  void selectionWillChange(ui::TextInput*) override { lines.push_back("selWill"); }
  void selectionDidChange(ui::TextInput*) override { lines.push_back("selDid"); }
  void textWillChange(ui::TextInput*) override { lines.push_back("textWill"); }
  void textDidChange(ui::TextInput*) override { lines.push_back("textDid"); }
  std::optional<bool> textViewShouldChangeTextInRange(DUDaviDira&, rt::Range r, const rt::String& t) override {
    lines.push_back("should " + std::to_string(r.location) + "," + std::to_string(r.length) + " " + t.utf8());
    return !refuse;
  }
  void textViewDidChange(DUDaviDira&) override { lines.push_back("didChange"); }
  void textViewDidChangeSelection(DUDaviDira&) override { lines.push_back("didChangeSelection"); }
};

Ref<ui::TextRange> range(uint64_t location, uint64_t length) {
  return text::DRTextRange::rangeWithRange({location, length});
}

Ref<text::DRTextParser> smileParser() {
  gfx::beginImageContextWithOptions({4, 4}, false, 1);
  auto picture = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  auto parser = rt::make<text::DRTextSimpleEmoticonParser>();
  parser->setEmoticonMapper({{rt::String(":)"), picture}});
  return parser;
}

rt::Range selectionOf(const DUDaviDira& view) { return view.selectedTextRange()->asRange(); }

// The point size set at `index`; 0 where no font is set.
double sizeAt(const DUDaviDira& view, size_t index) {
  auto font = text::fontAtIndex(*view.attributedText(), index);
  return font ? font->pointSize() : 0;
}

class TextInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 240, 300));
    log = std::make_shared<Log>();
    view->setTextViewDelegate(log);
    view->setInputDelegate(log);
    token = fd::NotificationCenter::defaultCenter()->addObserverForName(
        DUDaviDiraTextDidChangeNotification, view, nullptr, [this](const auto&) { ++posts; });
  }
  void TearDown() override {
    fd::NotificationCenter::defaultCenter()->removeObserver(token);
    fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode,
                                                  fd::Date::dateWithTimeIntervalSinceNow(0.01));
  }
  // The text and selection to start from, with nothing logged.
  void start(const char* text, rt::Range selection) {
    view->setText(rt::String(text));
    view->setSelectedTextRange(range(selection.location, selection.length));
    ASSERT_EQ(selectionOf(*view), selection);
    log->lines.clear();
    posts = 0;
  }
  Ref<DUDaviDira> view;
  std::shared_ptr<Log> log;
  rt::Id token;
  int posts = 0;
};

}  // namespace text_input_test

using namespace text_input_test;

TEST_F(TextInputTest, ReplacementMovesTheSelectionWithTheText) {
  struct Case {
    const char* name;
    rt::Range selection, replaced;
    const char* with;
    const char* text;
    rt::Range after;
  };
  const Case cases[] = {
      {"the selected word by one character", {2, 3}, {2, 3}, "X", "abXfghij", {3, 0}},
      {"same length elsewhere", {5, 2}, {0, 2}, "XY", "XYcdefghij", {5, 2}},
      {"same length inside the selection", {2, 4}, {3, 2}, "XY", "abcXYfghij", {2, 4}},
      {"same length around the selection", {3, 2}, {2, 4}, "WXYZ", "abWXYZghij", {6, 0}},
      {"same length over the caret", {1, 0}, {0, 2}, "XY", "XYcdefghij", {2, 0}},
      {"same length across the selection's start", {3, 4}, {1, 3}, "XYZ", "aXYZefghij", {4, 3}},
      {"same length, a caret inside a new accented letter", {1, 0}, {0, 2}, "e\xCC\x81", "e\xCC\x81" "cdefghij", {2, 0}},
      {"deleted wholly before", {6, 2}, {1, 3}, "", "aefghij", {3, 2}},
      {"selection inside the replaced", {3, 1}, {2, 4}, "Q", "abQghij", {3, 0}},
      {"deleted inside the selection", {1, 6}, {2, 2}, "", "abefghij", {1, 4}},
      {"grown inside the selection", {1, 6}, {2, 2}, "WXYZ", "abWXYZefghij", {1, 8}},
      {"overlapping its start", {4, 4}, {2, 4}, "", "abghij", {2, 2}},
      {"overlapping its start, with text", {4, 4}, {2, 4}, "12", "ab12ghij", {4, 2}},
      {"overlapping its end", {1, 4}, {3, 4}, "Z", "abcZhij", {1, 2}},
      {"wholly after", {1, 1}, {5, 2}, "", "abcdehij", {1, 1}},
      {"inserted before a caret at the end", {10, 0}, {0, 0}, "xyz", "xyzabcdefghij", {13, 0}},
      {"a caret inside what is deleted", {4, 0}, {2, 4}, "", "abghij", {2, 0}},
      {"inserted inside the selection", {2, 4}, {4, 0}, "12", "abcd12efghij", {2, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    start("abcdefghij", c.selection);
    view->replaceRange(range(c.replaced.location, c.replaced.length), rt::String(c.with));
    EXPECT_EQ(view->text(), rt::String(c.text));
    EXPECT_EQ(selectionOf(*view), c.after);
    EXPECT_EQ(view->selectedRange(), c.after) << "the published selection follows";
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(log->lines.back(), "didChangeSelection");
  }
}

TEST_F(TextInputTest, InputDelegateHearsAroundEachChange) {
  struct Case {
    rt::Range selection, replaced;
    const char* with;
    std::vector<std::string> heard;
  };
  const std::vector<std::string> moved = {"should 2,3 X", "selWill", "selDid", "textWill", "textDid",
                                          "didChange", "didChangeSelection"};
  const Case cases[] = {
      {{2, 3}, {2, 3}, "X", moved},
      // Same length: the selection does not move, so nothing is said about it.
      {{5, 0}, {0, 2}, "XY", {"should 0,2 XY", "textWill", "textDid", "didChange", "didChangeSelection"}},
      {{5, 0}, {0, 2}, "",
       {"should 0,2 ", "selWill", "selDid", "textWill", "textDid", "didChange", "didChangeSelection"}},
  };
  for (const auto& c : cases) {
    start("abcdefghij", c.selection);
    view->replaceRange(range(c.replaced.location, c.replaced.length), rt::String(c.with));
    EXPECT_EQ(log->lines, c.heard) << c.with;
  }
  // Nothing to do, and a refusal: no change, no message beyond the question.
  start("abcdefghij", {3, 0});
  view->replaceRange(range(4, 0), rt::String());
  view->replaceRange(nullptr, rt::String("x"));
  EXPECT_TRUE(log->lines.empty());
  log->refuse = true;
  view->replaceRange(range(0, 3), rt::String("zz"));
  EXPECT_EQ(log->lines, (std::vector<std::string>{"should 0,3 zz"}));
  EXPECT_EQ(view->text(), rt::String("abcdefghij"));
  EXPECT_EQ(posts, 0);
}

TEST_F(TextInputTest, RangesFromAnOlderTextAreCorrected) {
  start("abc", {1, 0});
  view->replaceRange(range(2, 40), rt::String("Z"));
  EXPECT_EQ(view->text(), rt::String("abZ"));
  EXPECT_EQ(view->textInRange(range(1, 99)), rt::String("bZ"));
  EXPECT_EQ(view->textInRange(range(7, 2)), rt::String());
  EXPECT_EQ(view->textInRange(nullptr), rt::String());
  // A platform range, not the view's own kind, is taken as well.
  EXPECT_EQ(view->textInRange(rt::make<ui::TextRange>(rt::Range{0, 2})), rt::String("ab"));
}

TEST_F(TextInputTest, TypingInARowIsOneUndoStep) {
  start("", {0, 0});
  size_t depth = view->undoHistory().undoStack().size();
  view->insertText(rt::String());
  EXPECT_TRUE(log->lines.empty()) << "empty typing says nothing";
  EXPECT_EQ(posts, 0);
  for (const char* c : {"h", "e", "l", "l", "o"}) view->insertText(rt::String(c));
  EXPECT_EQ(view->text(), rt::String("hello"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{5, 0}));
  EXPECT_EQ(posts, 5);
  EXPECT_EQ(view->undoHistory().undoStack().size(), depth) << "the empty start is already recorded";
  // Moving the caret starts a new step.
  view->setSelectedTextRange(range(0, 0));
  view->insertText(rt::String(">"));
  view->insertText(rt::String(" "));
  EXPECT_EQ(view->text(), rt::String("> hello"));
  EXPECT_EQ(view->undoHistory().undoStack().size(), depth + 1);
  view->undo();
  EXPECT_EQ(view->text(), rt::String("hello"));
  view->undo();
  EXPECT_EQ(view->text(), rt::String());
  EXPECT_FALSE(view->canUndo());
  view->redo();
  EXPECT_EQ(view->text(), rt::String("hello"));
  // Typing empties the redo stack.
  view->setSelectedTextRange(range(5, 0));
  view->insertText(rt::String("!"));
  EXPECT_FALSE(view->canRedo());
}

TEST_F(TextInputTest, DeleteBackwardTakesWholeCharactersOrTheSelection) {
  struct Case {
    const char* text;
    rt::Range selection;
    const char* after;
    rt::Range selectionAfter;
  };
  const Case cases[] = {
      {"abc", {0, 0}, "abc", {0, 0}},                                // nothing before the caret
      {"abc", {3, 0}, "ab", {2, 0}},                                 //
      {"abcdef", {1, 3}, "aef", {1, 0}},                             // exactly the selection
      {"a\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", {5, 0}, "a", {1, 0}},    // an emoji with its skin tone
      {"xe\xCC\x81y", {3, 0}, "xy", {1, 0}},                         // a letter with its accent
      {"ab\r\ncd", {4, 0}, "abcd", {2, 0}},                          // a two-character line break
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    start(c.text, c.selection);
    view->deleteBackward();
    EXPECT_EQ(view->text(), rt::String(c.after));
    EXPECT_EQ(selectionOf(*view), c.selectionAfter);
  }
}

TEST_F(TextInputTest, DeleteBackwardInVerticalFormTakesThePreviousCharacter) {
  view->setVerticalForm(true);
  std::string lines;
  for (int i = 0; i < 30; ++i) lines += "column " + std::to_string(i) + " text\n";
  for (uint64_t caret : {uint64_t(3), uint64_t(40), uint64_t(120)}) {
    SCOPED_TRACE(caret);
    start(lines.c_str(), {caret, 0});
    ASSERT_GT(view->textLayout()->lines().size(), 5u) << "several vertical lines";
    view->deleteBackward();
    std::string expected = lines;
    expected.erase(caret - 1, 1);
    EXPECT_EQ(view->text(), rt::String(expected));
    EXPECT_EQ(selectionOf(*view), (rt::Range{caret - 1, 0}));
  }
}

TEST_F(TextInputTest, ConfirmedBindingIsSelectedBeforeItIsDeleted) {
  auto text = typeset::MutableAttributedString::create(rt::String("to @someone now"));
  text::setTextBinding(*text, text::DRTextBinding::bindingWithDeleteConfirm(true), {3, 8});
  view->setAttributedText(text);
  view->setSelectedTextRange(range(11, 0));
  log->lines.clear();
  view->deleteBackward();
  EXPECT_EQ(view->text(), rt::String("to @someone now")) << "the first delete only selects";
  EXPECT_EQ(selectionOf(*view), (rt::Range{3, 8}));
  EXPECT_EQ(log->lines, (std::vector<std::string>{"selWill", "selDid", "didChangeSelection"}));
  view->deleteBackward();
  EXPECT_EQ(view->text(), rt::String("to  now"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{3, 0}));

  // Without confirmation the binding goes with one delete.
  auto plain = typeset::MutableAttributedString::create(rt::String("to @someone"));
  text::setTextBinding(*plain, text::DRTextBinding::bindingWithDeleteConfirm(false), {3, 8});
  view->setAttributedText(plain);
  view->setSelectedTextRange(range(11, 0));
  view->deleteBackward();
  EXPECT_EQ(view->text(), rt::String("to "));
}

TEST_F(TextInputTest, EmptyingTheTextKeepsTheFirstCharactersLook) {
  auto text = typeset::MutableAttributedString::create(rt::String("big small"));
  auto big = typeset::Font::systemFontOfSize(31);
  text::setFont(*text, big, {0, 3});
  text::setFont(*text, typeset::Font::systemFontOfSize(9), {3, 6});
  text::setTextBinding(*text, text::DRTextBinding::bindingWithDeleteConfirm(false), {0, 3});
  view->setAttributedText(text);
  view->replaceRange(range(0, 9), rt::String());
  EXPECT_EQ(view->text(), rt::String());
  auto typing = view->typingAttributes();
  ASSERT_TRUE(typing);
  auto font = rt::as<typeset::Font>(typing->objectForKey(typeset::FontAttributeName));
  ASSERT_TRUE(font);
  EXPECT_DOUBLE_EQ(font->pointSize(), 31);
  EXPECT_FALSE(typing->objectForKey(text::DRTextBindingKey)) << "one-character attributes are not kept";
  // What is typed next takes that look.
  view->insertText(rt::String("x"));
  EXPECT_DOUBLE_EQ(sizeAt(*view, 0), 31);
}

TEST_F(TextInputTest, TypingAttributesSetOnceApplyToTheNextInsertionOnly) {
  start("abc", {3, 0});
  auto attributes = fd::MutableDictionary::create();
  attributes->setObjectForKey(typeset::Font::systemFontOfSize(40), rt::String(typeset::FontAttributeName));
  view->setTypingAttributes(attributes);
  view->setSelectedTextRange(range(1, 0));  // moving clears them
  view->insertText(rt::String("-"));
  EXPECT_NE(sizeAt(*view, 1), 40);
  view->setTypingAttributes(attributes);
  view->insertText(rt::String("+"));
  EXPECT_EQ(view->text(), rt::String("a-+bc"));
  EXPECT_DOUBLE_EQ(sizeAt(*view, 2), 40);
  EXPECT_NE(sizeAt(*view, 3), 40);
}

TEST_F(TextInputTest, MarkedTextComposesAndEnds) {
  start("ab", {2, 0});
  view->setMarkedText(rt::String("n"), {1, 0});
  view->setMarkedText(rt::String("ni"), {2, 0});
  ASSERT_TRUE(view->markedTextRange());
  EXPECT_EQ(view->markedTextRange()->asRange(), (rt::Range{2, 2}));
  EXPECT_EQ(view->text(), rt::String("abni"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{4, 0}));
  EXPECT_EQ(posts, 0) << "marked text posts no change";
  // The question names the marked range (or the caret), and the input delegate hears once.
  EXPECT_EQ(log->lines[0], "should 2,0 n");
  EXPECT_EQ(std::vector<std::string>(log->lines.begin() + 7, log->lines.end()),
            (std::vector<std::string>{"should 2,1 ni", "textWill", "selWill", "selDid", "textDid", "didChange",
                                      "didChangeSelection"}));
  // A selection inside the composition, past its end asked for, is kept inside it.
  view->setMarkedText(rt::String("\xE4\xBD\xA0"), {0, 9});
  EXPECT_EQ(view->text(), rt::String("ab\xE4\xBD\xA0"));
  EXPECT_EQ(view->markedTextRange()->asRange(), (rt::Range{2, 1}));
  EXPECT_EQ(selectionOf(*view), (rt::Range{2, 1}));
  view->unmarkText();
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(view->text(), rt::String("ab\xE4\xBD\xA0")) << "unmarking keeps the composed characters";

  // Empty marked text ends the composition and takes its characters away.
  start("xy", {1, 0});
  view->setMarkedText(rt::String("kk"), {2, 0});
  view->setMarkedText(rt::String(), {0, 0});
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(view->text(), rt::String("xy"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{1, 0}));
}

TEST_F(TextInputTest, MarkedTextWithASelectionInsideLosesNothingAfterIt) {
  start("zz", {0, 0});
  view->setMarkedText(rt::String("abc"), {1, 1});  // "b" selected inside the composition
  EXPECT_EQ(view->text(), rt::String("abczz"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{1, 1}));
  view->setMarkedText(rt::String("abcd"), {4, 0});
  EXPECT_EQ(view->text(), rt::String("abcdzz"));
  EXPECT_EQ(view->markedTextRange()->asRange(), (rt::Range{0, 4}));
  EXPECT_EQ(selectionOf(*view), (rt::Range{4, 0}));
}

TEST_F(TextInputTest, RefusedMarkedTextChangesNothing) {
  start("ab", {1, 0});
  size_t depth = view->undoHistory().undoStack().size();
  log->refuse = true;
  view->setMarkedText(rt::String("q"), {1, 0});
  EXPECT_EQ(view->text(), rt::String("ab"));
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(selectionOf(*view), (rt::Range{1, 0}));
  EXPECT_EQ(view->undoHistory().undoStack().size(), depth);
  EXPECT_EQ(log->lines, (std::vector<std::string>{"should 1,0 q"}));
}

TEST_F(TextInputTest, SelectionChangesAreCorrectedAndAnnounced) {
  start("hello", {0, 0});
  view->setSelectedTextRange(nullptr);
  view->setSelectedTextRange(range(0, 0));
  EXPECT_TRUE(log->lines.empty()) << "null and the same range change nothing";
  view->setSelectedTextRange(range(3, 50));
  EXPECT_EQ(selectionOf(*view), (rt::Range{3, 2}));
  EXPECT_EQ(view->selectedRange(), (rt::Range{3, 2}));
  EXPECT_EQ(log->lines, (std::vector<std::string>{"selWill", "selDid", "didChangeSelection"}));
  ASSERT_TRUE(rt::as<text::DRTextRange>(view->selectedTextRange()));

  // Affinity: both ends lean the same way; no messages.
  log->lines.clear();
  EXPECT_EQ(view->selectionAffinity(), ui::TextAffinity::Forward);
  view->setSelectionAffinity(ui::TextAffinity::Backward);
  EXPECT_EQ(view->selectionAffinity(), ui::TextAffinity::Backward);
  EXPECT_EQ(view->selectedTextRange()->start()->affinity(), ui::TextAffinity::Backward);
  EXPECT_EQ(selectionOf(*view), (rt::Range{3, 2}));
  view->setSelectionAffinity(ui::TextAffinity::Forward);
  EXPECT_EQ(view->selectedTextRange()->end()->affinity(), ui::TextAffinity::Forward);
  EXPECT_TRUE(log->lines.empty());
}

TEST_F(TextInputTest, SetUpGivesATokenizerOverTheViewsText) {
  start("two words", {0, 0});
  auto tokenizer = view->tokenizer();
  ASSERT_TRUE(tokenizer);
  auto word = tokenizer->rangeEnclosingPosition(text::DRTextPosition::positionWithOffset(5), ui::TextGranularity::Word,
                                                ui::textDirection(ui::TextStorageDirection::Forward));
  ASSERT_TRUE(word);
  EXPECT_EQ(word->asRange(), (rt::Range{4, 5}));
  EXPECT_FALSE(view->markedTextStyle());
  auto style = fd::MutableDictionary::create();
  style->setObjectForKey(gfx::Color::redColor(), rt::String(typeset::ForegroundColorAttributeName));
  view->setMarkedTextStyle(style);
  style->removeObjectForKey(rt::String(typeset::ForegroundColorAttributeName));
  ASSERT_TRUE(view->markedTextStyle());
  EXPECT_TRUE(view->markedTextStyle()->objectForKey(typeset::ForegroundColorAttributeName)) << "kept as a copy";
}

TEST_F(TextInputTest, ParserRunsAfterEachChangeAndCarriesTheSelection) {
  view->setTextParser(smileParser());
  start("", {0, 0});
  view->insertText(rt::String("a:"));
  log->lines.clear();
  view->insertText(rt::String(")"));
  // The emoticon became one picture character that still copies as the typed text.
  EXPECT_EQ(view->attributedText()->length(), 2u);
  EXPECT_EQ(view->text(), rt::String("a:)"));
  EXPECT_EQ(selectionOf(*view), (rt::Range{2, 0}));
  EXPECT_EQ(log->lines, (std::vector<std::string>{"should 2,0 )", "selWill", "selDid", "textWill", "textDid",
                                                  "textWill", "textDid", "selWill", "selDid", "didChange",
                                                  "didChangeSelection"}));
  EXPECT_EQ(view->textLayout()->text()->length(), 3u);

  // Composed text is parsed when it is committed, and laid out at once.
  view->setMarkedText(rt::String(":)"), {2, 0});
  EXPECT_EQ(view->attributedText()->length(), 4u) << "not while composing";
  uint64_t layouts = view->layoutCount();
  view->unmarkText();
  EXPECT_GT(view->layoutCount(), layouts);
  EXPECT_EQ(view->attributedText()->length(), 3u);
  EXPECT_EQ(selectionOf(*view), (rt::Range{3, 0}));
  EXPECT_EQ(view->textLayout()->text()->length(), 4u);
}

TEST_F(TextInputTest, TypingWhileComposingCommitsInPlaceOfTheComposition) {
  start("ab", {1, 0});
  view->setMarkedText(rt::String("ni"), {2, 0});
  ASSERT_EQ(view->text(), rt::String("anib"));
  log->lines.clear();
  view->insertText(rt::String("\xE4\xBD\xA0"));
  EXPECT_EQ(view->text(), rt::String("a\xE4\xBD\xA0" "b"));
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(selectionOf(*view), (rt::Range{2, 0}));
  EXPECT_EQ(log->lines.front(), "should 1,2 \xE4\xBD\xA0") << "the question names the composed characters";
  EXPECT_EQ(posts, 1);
}
