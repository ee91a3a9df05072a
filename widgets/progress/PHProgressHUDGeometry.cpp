#include "widgets/progress/PHProgressHUDGeometry.h"

#include <cmath>
#include <utility>

namespace widgets {

namespace {
constexpr double kBoxWithoutText = 100;
constexpr double kMinimumContentWidth = 100;
constexpr double kHorizontalMargin = 24;
constexpr double kUpperAreaHeight = 80;
constexpr double kTextOnlyPadding = 20;
constexpr double kLabelTopBelowUpperArea = 68;
constexpr double kLabelTopTextOnly = 9;
constexpr double kTallBoxLabelInset = 12;
constexpr double kVerticalPosition = 0.45;

bool isLandscape(int64_t orientation) { return orientation == 3 || orientation == 4; }
}  // namespace

PHBoxLayout PHBoxLayoutFor(bool hasText, gfx::Size measured, bool upperAreaInUse) {
  if (!hasText) return {{kBoxWithoutText, kBoxWithoutText}, gfx::RectZero};
  double textHeight = std::ceil(measured.height);
  // Even widths keep the centred text on whole points.
  double contentWidth =
      measured.width <= kMinimumContentWidth ? kMinimumContentWidth : std::ceil(measured.width / 2) * 2;
  double boxHeight = textHeight + (upperAreaInUse ? kUpperAreaHeight : kTextOnlyPadding);
  double boxWidth = contentWidth + kHorizontalMargin;
  double labelTop = upperAreaInUse ? kLabelTopBelowUpperArea : kLabelTopTextOnly;
  gfx::Rect label = boxHeight > kBoxWithoutText
                        ? gfx::RectMake(kTallBoxLabelInset, labelTop, contentWidth, textHeight)
                        : gfx::RectMake(0, labelTop, contentWidth + kHorizontalMargin, textHeight);
  return {{boxWidth, boxHeight}, label};
}

PHBoxPlacement PHBoxPlacementFor(gfx::Size bounds, gfx::Rect statusBarFrame, double keyboardHeight,
                                 int64_t orientation, bool orientationIgnored) {
  if (!orientationIgnored && isLandscape(orientation)) {
    std::swap(bounds.width, bounds.height);
    std::swap(statusBarFrame.size.width, statusBarFrame.size.height);
  }
  double freeHeight = bounds.height;
  if (keyboardHeight > 0) freeHeight += statusBarFrame.size.height * 2;
  freeHeight -= keyboardHeight;
  double y = std::floor(freeHeight * kVerticalPosition);
  double x = bounds.width / 2;
  if (orientationIgnored) return {{x, y}, 0};
  switch (orientation) {
    case 4: return {{y, x}, -M_PI / 2};
    case 3: return {{bounds.height - y, x}, M_PI / 2};
    case 2: return {{x, bounds.height - y}, M_PI};
    default: return {{x, y}, 0};
  }
}

double PHKeyboardHeightFor(bool keyboardShows, gfx::Rect keyboardFrame, int64_t orientation, bool orientationIgnored) {
  if (!keyboardShows) return 0;
  if (orientationIgnored || orientation == 1 || orientation == 2) return keyboardFrame.size.height;
  return keyboardFrame.size.width;
}

}  // namespace widgets
