// The text lab's default tour, played headless in this process: every shot is there, text
// shows where the labels and the editor are, the highlight taps and long presses reach the
// status line, and the debug overlay draws only while it is on.
#include <gtest/gtest.h>

#include <set>

#include "platform/ui/host/Application.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/menu/MenuController.h"
#include "tests/tools/text-lab/TextLabShots.h"
#include "text/model/DRTextDebugOption.h"

using namespace textlab_test;

namespace {

class TextLabTourTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ui::MenuController::sharedMenuController()->setMenuVisible(false);
    text::DRTextDebugOption::setSharedDebugOption(nullptr);
    ui::Keyboard::sharedKeyboard()->setStyle(ui::KeyboardStyle::Simulated);
    ui::Application::sharedApplication()->resetForTesting();
  }
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
