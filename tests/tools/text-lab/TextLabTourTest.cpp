// The text lab's default tour, played headless in this process: every shot is there, text
// shows where the labels and the editor are, the highlight taps and long presses reach the
// status line, and the debug overlay draws only while it is on.
#include <gtest/gtest.h>

#include <set>

#include "platform/ui/host/Application.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/menu/MenuController.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "tests/tools/text-lab/TextLabShots.h"
#include "text/model/DRTextDebugOption.h"

using namespace textlab_test;

namespace {

class TextLabTourTest : public ::testing::Test {
 protected:
  // The tour copies and pastes through the general pasteboard.
  void SetUp() override { savedPasteboard_ = ui::Pasteboard::generalPasteboard()->items(); }
  void TearDown() override {
    ui::Pasteboard::generalPasteboard()->setItems(savedPasteboard_);
    ui::Keyboard::sharedKeyboard()->hide();
    ui::MenuController::sharedMenuController()->setMenuVisible(false);
    text::DRTextDebugOption::setSharedDebugOption(nullptr);
    ui::Keyboard::sharedKeyboard()->setStyle(ui::KeyboardStyle::Simulated);
    ui::Application::sharedApplication()->resetForTesting();
  }
  std::vector<ui::PasteboardItem> savedPasteboard_;
};

const ShotFacts& shot(const std::map<std::string, ShotFacts>& shots, const std::string& name) {
  static const ShotFacts none;
  auto it = shots.find(name);
  EXPECT_NE(it, shots.end()) << "the tour has no shot " << name;
  return it == shots.end() ? none : it->second;
}

// The baseline colour of the lab's debug overlay.
constexpr Rgb kOverlayRed{255, 0, 0};

size_t overlayPixels(const ShotFacts& s) {
  size_t n = 0;
  for (const auto& label : s.labels) n += pixelsNear(*s.picture, label.visible, kOverlayRed, 30);
  return n;
}

void checkLabelPage(const std::map<std::string, ShotFacts>& shots) {
  const char* labelShots[] = {"01-labels", "02-highlight-pressed", "03-highlight-tapped", "04-highlight-long-pressed", "05-debug-overlay",
                              "06-truncation-vertical-ruby", "07-ellipse-borders-lines"};
  std::set<size_t> seen;  // labels shown whole in some shot, by their place on the page
  for (const char* name : labelShots) {
    SCOPED_TRACE(name);
    const ShotFacts& s = shot(shots, name);
    ASSERT_TRUE(s.picture);
    EXPECT_EQ(s.selectedTab, 0);
    ASSERT_FALSE(s.labels.empty());
    for (size_t i = 0; i < s.labels.size(); ++i) {
      const LabelFacts& label = s.labels[i];
      // A sliver at the list's edge may hold only the label's padding.
      if (label.visible.size.height < 30) continue;
      const double area = label.visible.size.width * label.visible.size.height * 4;
      const size_t ink = pixelsUnlike(*s.picture, label.visible, label.background);
      EXPECT_GT(double(ink), area * 0.01) << "label at " << label.visible.origin.y << " shows too little";
      // And not a blot: most of a label is its background.
      EXPECT_LT(double(ink), area * 0.6) << "label at " << label.visible.origin.y;
    }
  }
  // Scrolling down brings new labels: the three shots down the page show different ones.
  auto firstTop = [&](const char* name) {
    const ShotFacts& s = shot(shots, name);
    return s.labels.empty() ? -1.0 : s.labels.front().visible.origin.y;
  };
  const ShotFacts& top = shot(shots, "01-labels");
  const ShotFacts& middle = shot(shots, "06-truncation-vertical-ruby");
  const ShotFacts& bottom = shot(shots, "07-ellipse-borders-lines");
  EXPECT_NE(top.labels.size(), 0u);
  EXPECT_TRUE(top.labels.size() != middle.labels.size() || firstTop("01-labels") != firstTop("06-truncation-vertical-ruby"));
  EXPECT_TRUE(middle.labels.size() != bottom.labels.size() ||
              firstTop("06-truncation-vertical-ruby") != firstTop("07-ellipse-borders-lines"));

  // Under the finger the blue phrase turns white on a blue background; lifted, it is plain
  // blue text again.
  auto highlightBlue = [&](const char* name) {
    const ShotFacts& s = shot(shots, name);
    return s.picture && !s.highlightPhrases.empty()
               ? pixelsNear(*s.picture, s.highlightPhrases[0], Rgb{26, 102, 230}, 30)
               : size_t(0);
  };
  const size_t atRest = highlightBlue("01-labels");
  EXPECT_GT(atRest, 300u);
  EXPECT_GT(highlightBlue("02-highlight-pressed"), 4 * atRest);
  EXPECT_LT(highlightBlue("03-highlight-tapped"), 2 * atRest);
  // The highlight's actions say what was touched.
  EXPECT_EQ(shot(shots, "01-labels").labelStatus, "Tap or long-press a blue phrase.");
  EXPECT_EQ(shot(shots, "03-highlight-tapped").labelStatus, "Tapped \u201Cthe district map\u201D");
  EXPECT_EQ(shot(shots, "04-highlight-long-pressed").labelStatus, "Long-pressed \u201Cthe bus timetable\u201D");

  // The overlay draws its baselines only while it is switched on.
  const ShotFacts& plain = shot(shots, "01-labels");
  const ShotFacts& overlay = shot(shots, "05-debug-overlay");
  EXPECT_FALSE(plain.debugOverlay);
  EXPECT_TRUE(overlay.debugOverlay);
  EXPECT_LT(overlayPixels(plain), 50u);
  EXPECT_GT(overlayPixels(overlay), 1000u);
  EXPECT_FALSE(shot(shots, "06-truncation-vertical-ruby").debugOverlay);
}

void checkEditorPage(const std::map<std::string, ShotFacts>& shots) {
  // Empty, the editor shows its placeholder: grey text inside its frame.
  const ShotFacts& empty = shot(shots, "08-editor-placeholder");
  ASSERT_TRUE(empty.picture);
  EXPECT_EQ(empty.selectedTab, 1);
  EXPECT_EQ(empty.editorText, "");
  ASSERT_FALSE(gfx::RectIsNull(empty.editorFrame));
  const gfx::Rect inside = gfx::RectInset(empty.editorFrame, 2, 2);
  const size_t placeholder = pixelsUnlike(*empty.picture, inside, empty.editorBackground, 40);
  EXPECT_GT(placeholder, 500u);
  EXPECT_LT(double(placeholder), inside.size.width * inside.size.height * 4 * 0.2);
  EXPECT_FALSE(empty.editorEditing);
  EXPECT_FALSE(empty.keyboardVisible);

  // Typed: two letters from the on-screen keyboard, the rest from the physical one; the
  // caret stands solid where the text view says, in its tint.
  const std::string typed =
      "hi from the **market**: stalls open at *nine*, see www.example.com/market or call 0571-8888-1234.\n"
      "On 12 March 2026 at 3 Lake Road.\n";
  const ShotFacts& t = shot(shots, "09-typed");
  ASSERT_TRUE(t.picture);
  EXPECT_EQ(t.editorText, typed);
  EXPECT_TRUE(t.editorEditing);
  EXPECT_TRUE(t.keyboardVisible);
  EXPECT_TRUE(t.caretShown);
  EXPECT_GT(t.caretAlpha, 0.9);
  ASSERT_FALSE(gfx::RectIsNull(t.caret));
  EXPECT_TRUE(gfx::RectContainsRect(t.editorFrame, t.caret));
  EXPECT_GT(pixelsNear(*t.picture, gfx::RectInset(t.caret, -1, -1), t.tint, 40), 40u);
  EXPECT_GT(pixelsUnlike(*t.picture, gfx::RectInset(t.editorFrame, 2, 2), t.editorBackground), 3000u);

  // A composition under way is marked text inside the editor's text; committed, its letters
  // give way to the committed characters.
  const ShotFacts& c = shot(shots, "10-composing");
  EXPECT_TRUE(c.editorHasMarkedText);
  EXPECT_EQ(c.editorText, typed + "shichang");
  const std::string committed = typed + "\u5E02\u573A";
  const ShotFacts& s = shot(shots, "11-selection-menu");
  ASSERT_TRUE(s.picture);
  EXPECT_FALSE(s.editorHasMarkedText);
  EXPECT_EQ(s.editorText, committed);

  // The selection: tinted pieces, both grabbers drawn in the tint, and the edit menu's dark
  // bubble right above the selection.
  ASSERT_FALSE(s.selectionRects.empty());
  ASSERT_EQ(s.grabbers.size(), 2u);
  for (const auto& g : s.grabbers) {
    EXPECT_TRUE(gfx::RectIntersectsRect(g, s.editorFrame));
    EXPECT_GT(pixelsNear(*s.picture, g, s.tint, 40), 20u);
  }
  double selectionTop = INFINITY;
  for (const auto& r : s.selectionRects) selectionTop = std::min(selectionTop, r.origin.y);
  ASSERT_TRUE(s.menuVisible);
  ASSERT_FALSE(gfx::RectIsNull(s.menuFrame));
  EXPECT_LE(gfx::RectGetMaxY(s.menuFrame), selectionTop + 1);
  EXPECT_GT(gfx::RectGetMaxY(s.menuFrame), selectionTop - 40) << "the menu sits just above the selection";
  const size_t dark = pixelsNear(*s.picture, s.menuFrame, Rgb{44, 44, 44}, 30);
  EXPECT_GT(double(dark), s.menuFrame.size.width * s.menuFrame.size.height * 4 * 0.4);

  // Copied and pasted at the end.
  const std::string pasted = committed + "Lake Road.\n\u5E02\u573A";
  EXPECT_EQ(shot(shots, "12-pasted").editorText, pasted);

  // A resting finger brings up the loupe, showing text.
  const ShotFacts& m = shot(shots, "13-magnifier");
  ASSERT_TRUE(m.picture);
  EXPECT_TRUE(m.magnifierShown);
  EXPECT_GT(pixelsUnlike(*m.picture, m.magnifierFrame, Rgb{255, 255, 255}), 1000u);

  // The shake's alert undoes the paste; the keyboard redoes it.
  EXPECT_TRUE(shot(shots, "14-undo-alert").alertShown);
  const ShotFacts& u = shot(shots, "15-undone");
  EXPECT_FALSE(u.alertShown);
  EXPECT_EQ(u.editorText, committed);

  // Editing over: the paste is back, the keyboard is down, and the link, phone number, date
  // and address show in the link colour.
  const ShotFacts& d = shot(shots, "16-detected");
  ASSERT_TRUE(d.picture);
  EXPECT_EQ(d.editorText, pasted);
  EXPECT_FALSE(d.editorEditing);
  EXPECT_FALSE(d.keyboardVisible);
  auto bluish = [](const ShotFacts& f) {
    size_t n = 0;
    for (int b = 200; b <= 255; b += 11) n += pixelsNear(*f.picture, f.editorFrame, Rgb{0, 110, b}, 60);
    return n;
  };
  EXPECT_GT(bluish(d), 3 * bluish(u) + 500);

  // Vertical form: the text stands in columns from the right.
  const ShotFacts& v = shot(shots, "17-vertical");
  ASSERT_TRUE(v.picture);
  EXPECT_TRUE(v.editorVertical);
  const gfx::Rect right = gfx::RectMake(gfx::RectGetMaxX(v.editorFrame) - 60, v.editorFrame.origin.y + 4, 56, 200);
  const gfx::Rect left = gfx::RectMake(v.editorFrame.origin.x + 4, v.editorFrame.origin.y + 200, 100, 90);
  EXPECT_GT(pixelsUnlike(*v.picture, right, v.editorBackground), 1000u);
  EXPECT_EQ(pixelsUnlike(*v.picture, left, v.editorBackground), 0u);
}

}  // namespace

TEST_F(TextLabTourTest, TheToursShotsShowWhatEachStepDid) {
  std::string error;
  auto shots = playTour("", &error);
  ASSERT_FALSE(shots.empty()) << error;
  {
    SCOPED_TRACE("label page");
    checkLabelPage(shots);
  }
  {
    SCOPED_TRACE("editor page");
    checkEditorPage(shots);
  }
}
