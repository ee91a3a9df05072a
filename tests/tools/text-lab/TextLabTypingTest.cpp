// A long session in the lab's editor: 10,000 characters typed through the keyboard input in
// batches, alternately at the end and at the start, then every step undone and redone. It
// ends with the text typed, its undo history stays within the limit all along, and a second
// identical session leaves no more live memory behind than the first.
#include <gtest/gtest.h>

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of heap bytes in use (its header does not ship with every
// compiler).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/menu/MenuController.h"
#include "tools/text-lab/TLLabDelegate.h"
#include "tools/text-lab/TLLabRun.h"

namespace {

constexpr size_t kCharacters = 10000;
constexpr size_t kBatch = 100;  // characters typed between two caret jumps

struct Session {
  std::u16string typed;        // what the text should hold after every step is redone
  std::u16string afterUndo;    // ... and after every step that can be undone is
  size_t undos = 0, redos = 0;
  size_t maxUndoDepth = 0, maxRedoDepth = 0;
  size_t maxSnapshotCharacters = 0;  // the most characters the two stacks held at once
  uint64_t level = 0;
  std::u16string finalText, undoneText;
};

// The heap in use now, after queued main-loop work (deferred releases) has run.
size_t liveHeapBytes() {
  fd::RunLoopDriver::runUntilIdle();
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  malloc_trim(0);
  return mallinfo2().uordblks;
#endif
}

size_t snapshotCharacters(const textview::DUDaviDiraUndoHistory& history) {
  size_t n = 0;
  for (const auto* stack : {&history.undoStack(), &history.redoStack()})
    for (const auto& snapshot : *stack) n += snapshot->text()->length();
  return n;
}

std::u16string textOf(const textview::DUDaviDira& view) { return view.text().toU16(); }

Session typeUndoRedo() {
  Session s;
  textlab::TLLabOptions options;
  options.keyboard = "none";
  EXPECT_TRUE(textlab::launchTextLab(options));
  auto lab = textlab::TLLabDelegate::current();
  if (!lab) return s;
  lab->tabs()->setSelectedIndex(1);
  auto page = lab->editorPage();
  auto view = page->textView();
  s.level = view->maximumUndoLevel();
  ui::HeadlessHost host;
  host.renderFrame();
  EXPECT_TRUE(view->becomeFirstResponder());
  // Batch i: ten-character words, numbered, at the end for even i and at the start for odd i.
  std::vector<std::u16string> states;  // the text after each batch
  for (size_t i = 0; i * kBatch < kCharacters; ++i) {
    host.pressKey(*ui::parseKeyPress(i % 2 ? "ctrl+home" : "ctrl+end"));
    std::u16string batch;
    for (size_t w = 0; w < kBatch / 10; ++w) {
      char word[16];
      std::snprintf(word, sizeof word, "w%03zu-%04zu ", i % 1000, w);
      batch += rt::String(word).toU16();
    }
    // One word per call, as a fast typist's bursts arrive.
    for (size_t at = 0; at < batch.size(); at += 10) host.typeText(rt::String(batch.substr(at, 10)));
    s.typed = i % 2 ? batch + s.typed : s.typed + batch;
    states.push_back(s.typed);
    const auto& history = view->undoHistory();
    s.maxUndoDepth = std::max(s.maxUndoDepth, history.undoStack().size());
    s.maxSnapshotCharacters = std::max(s.maxSnapshotCharacters, snapshotCharacters(history));
  }
  EXPECT_EQ(s.typed.size(), kCharacters);
  EXPECT_EQ(textOf(*view), s.typed);
  while (view->canUndo() && s.undos < 10 * s.level) {
    view->undo();
    ++s.undos;
  }
  s.undoneText = textOf(*view);
  // The oldest state still kept: the text after the batch `undos` steps before the last.
  if (s.undos < states.size()) s.afterUndo = states[states.size() - 1 - s.undos];
  while (view->canRedo() && s.redos < 10 * s.level) {
    view->redo();
    ++s.redos;
    s.maxRedoDepth = std::max(s.maxRedoDepth, view->undoHistory().redoStack().size());
  }
  s.maxRedoDepth = std::max(s.maxRedoDepth, view->undoHistory().redoStack().size());
  s.finalText = textOf(*view);
  view->resignFirstResponder();
  host.renderFrame();
  return s;
}

class TextLabTypingTest : public ::testing::Test {
 protected:
  void TearDown() override { tearDownLab(); }
  static void tearDownLab() {
    ui::MenuController::sharedMenuController()->setMenuVisible(false);
    ui::Keyboard::sharedKeyboard()->hide();
    ui::Keyboard::sharedKeyboard()->setStyle(ui::KeyboardStyle::Simulated);
    ui::Application::sharedApplication()->resetForTesting();
  }
};

}  // namespace

TEST_F(TextLabTypingTest, TenThousandCharactersUndoneAndRedoneWithinTheUndoLimit) {
  Session first = typeUndoRedo();
  tearDownLab();
  const size_t afterFirst = liveHeapBytes();
  Session second = typeUndoRedo();
  tearDownLab();
  const size_t afterSecond = liveHeapBytes();

  for (const Session* s : {&first, &second}) {
    SCOPED_TRACE(s == &first ? "first session" : "second session");
    ASSERT_GT(s->level, 0u);
    EXPECT_EQ(s->finalText, s->typed) << "redoing every step gives back all that was typed";
    // 100 caret jumps made 100 undo steps; only the newest `level` of them are kept.
    EXPECT_EQ(s->undos, s->level);
    EXPECT_EQ(s->redos, s->undos);
    EXPECT_EQ(s->undoneText, s->afterUndo);
    EXPECT_LE(s->maxUndoDepth, s->level);
    EXPECT_LE(s->maxRedoDepth, s->level);
    // Each snapshot is at most the whole text: the history never holds more than the two
    // stacks' limits' worth.
    EXPECT_LE(s->maxSnapshotCharacters, 2 * s->level * kCharacters);
  }
  EXPECT_EQ(first.typed, second.typed);
  // Live memory after the second session is what it was after the first: nothing of the
  // session (texts, layouts, snapshots) stays behind. A history kept alive would be about
  // `level` snapshots of up to 10,000 characters each.
  const double grown = double(afterSecond) - double(afterFirst);
  EXPECT_LT(grown, 256 * 1024.0) << "live heap grew by " << grown << " bytes";
  RecordProperty("live_heap_after_first", std::to_string(afterFirst));
  RecordProperty("live_heap_after_second", std::to_string(afterSecond));
}
