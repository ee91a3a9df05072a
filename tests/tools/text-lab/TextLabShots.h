#pragma once
// Plays the text lab's tour in this process and keeps, for every shot, the picture and what
// the screen's views said at that moment: where each label shows and on what background,
// the status lines, the editor's caret, selection and menu. Pixel counts over the pictures.
#include <map>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Geometry.h"

namespace textlab_test {

struct Rgb {
  int r = 255, g = 255, b = 255;
};

struct LabelFacts {
  gfx::Rect visible;  // window points, the part of the label inside its scroll view
  Rgb background;
};

struct ShotFacts {
  Ref<gfx::BitmapImage> picture;
  int selectedTab = -1;
  std::string labelStatus;
  std::string editorStatus;
  bool debugOverlay = false;
  std::vector<LabelFacts> labels;
  std::vector<gfx::Rect> highlightPhrases;  // window points, the highlighted phrases' rectangles
  // The editor, in window points.
  gfx::Rect editorFrame = gfx::RectNull;
  Rgb editorBackground;
  std::string editorText;
  bool editorHasMarkedText = false;
  bool editorEditing = false;      // the text view is first responder
  bool editorVertical = false;
  Rgb tint;                        // the caret's and grabbers' colour
  bool keyboardVisible = false;
  bool alertShown = false;         // an alert controller is presented
  gfx::Rect caret = gfx::RectNull;         // the caret rectangle the text view reports
  bool caretShown = false;
  double caretAlpha = 0;                   // the caret view's opacity (it blinks)
  std::vector<gfx::Rect> selectionRects;   // the selected range's rectangles
  std::vector<gfx::Rect> grabbers;         // the selection's grabbers as shown
  bool menuVisible = false;
  gfx::Rect menuFrame = gfx::RectNull;     // the edit menu's bubble, its arrow included
  bool magnifierShown = false;
  gfx::Rect magnifierFrame = gfx::RectNull;
};

/// Plays `script` (the default tour when empty) with the lab launched in this process;
/// answers the shots by name, and an error message in `error` when the script failed.
std::map<std::string, ShotFacts> playTour(const std::string& script, std::string* error);

/// Pixels in `rect` (window points) of `picture` (drawn at the main screen's scale) whose
/// colour differs from `background` by more than `tolerance` in some channel.
size_t pixelsUnlike(const gfx::BitmapImage& picture, gfx::Rect rect, Rgb background, int tolerance = 60);
/// Pixels in `rect` within `tolerance` of `colour` in every channel.
size_t pixelsNear(const gfx::BitmapImage& picture, gfx::Rect rect, Rgb colour, int tolerance = 40);

}  // namespace textlab_test
