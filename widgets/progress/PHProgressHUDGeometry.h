#pragma once
// The progress display's arithmetic, apart from its views: the box's size and the label's
// frame for a measured status, and where the box goes on screen.
#include <cstdint>

#include "platform/graphics/Geometry.h"

namespace widgets {

/// Status text is measured inside this box.
inline constexpr gfx::Size kPHStatusMeasuringSize{200, 300};
/// Centre line of the image, spinner and rings when there is text.
inline constexpr double kPHUpperAreaCenterY = 36;
/// The spinner's radius above a status and alone.
inline constexpr double kSpinnerRadiusWithText = 18;
inline constexpr double kSpinnerRadiusAlone = 24;

struct PHBoxLayout {
  gfx::Size boxSize;
  gfx::Rect labelFrame;
};

/// The box for a status of `measured` size (ignored without text); `upperAreaInUse` when an
/// image, the spinner or a ring sits above the text.
PHBoxLayout PHBoxLayoutFor(bool hasText, gfx::Size measured, bool upperAreaInUse);

struct PHBoxPlacement {
  gfx::Point center;
  double angle = 0;
};

/// Where the box's centre goes and how it is turned, for a screen of `bounds` with the status
/// bar's frame, a keyboard of `keyboardHeight` and an interface orientation (1 portrait,
/// 2 upside down, 3 landscape right, 4 landscape left), which counts only when not
/// `orientationIgnored`.
PHBoxPlacement PHBoxPlacementFor(gfx::Size bounds, gfx::Rect statusBarFrame, double keyboardHeight,
                                 int64_t orientation, bool orientationIgnored);

/// The keyboard's height a keyboard notification stands for: its frame's height (its width
/// in a landscape orientation that counts) when it shows, 0 when it hides.
double PHKeyboardHeightFor(bool keyboardShows, gfx::Rect keyboardFrame, int64_t orientation, bool orientationIgnored);

}  // namespace widgets
