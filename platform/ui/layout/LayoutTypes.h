#pragma once
// The values of constraint-based layout, numbered as on the platform: attributes of a layout
// item, relations, priorities (1 to 1000, 1000 required) and the two axes.
#include <cstdint>

namespace ui {

enum LayoutAttribute : int64_t {
  LayoutAttributeNotAnAttribute = 0,
  LayoutAttributeLeft = 1,
  LayoutAttributeRight = 2,
  LayoutAttributeTop = 3,
  LayoutAttributeBottom = 4,
  LayoutAttributeLeading = 5,
  LayoutAttributeTrailing = 6,
  LayoutAttributeWidth = 7,
  LayoutAttributeHeight = 8,
  LayoutAttributeCenterX = 9,
  LayoutAttributeCenterY = 10,
  LayoutAttributeBaseline = 11,
  // 12 is not offered.
  LayoutAttributeLeftMargin = 13,
  LayoutAttributeRightMargin = 14,
  LayoutAttributeTopMargin = 15,
  LayoutAttributeBottomMargin = 16,
  LayoutAttributeLeadingMargin = 17,
  LayoutAttributeTrailingMargin = 18,
  LayoutAttributeCenterXWithinMargins = 19,
  LayoutAttributeCenterYWithinMargins = 20,
};

enum LayoutRelation : int64_t {
  LayoutRelationLessThanOrEqual = -1,
  LayoutRelationEqual = 0,
  LayoutRelationGreaterThanOrEqual = 1,
};

using LayoutPriority = float;
inline constexpr LayoutPriority LayoutPriorityRequired = 1000;
inline constexpr LayoutPriority LayoutPriorityDefaultHigh = 750;
inline constexpr LayoutPriority LayoutPriorityMedium = 500;
inline constexpr LayoutPriority LayoutPriorityDefaultLow = 250;
inline constexpr LayoutPriority LayoutPriorityFittingSizeLevel = 50;

enum class LayoutConstraintAxis : int64_t { Horizontal = 0, Vertical = 1 };

/// Whether the attribute is a known one (0 and 12 and anything above 20 are not).
inline bool isLayoutAttribute(int64_t a) { return (a >= 1 && a <= 11) || (a >= 13 && a <= 20); }
inline bool isSizeAttribute(int64_t a) { return a == LayoutAttributeWidth || a == LayoutAttributeHeight; }
/// Horizontal attributes: left, right, leading, trailing, width, centerX and their margins.
inline bool isHorizontalAttribute(int64_t a) {
  switch (a) {
    case LayoutAttributeLeft: case LayoutAttributeRight: case LayoutAttributeLeading: case LayoutAttributeTrailing:
    case LayoutAttributeWidth: case LayoutAttributeCenterX: case LayoutAttributeLeftMargin:
    case LayoutAttributeRightMargin: case LayoutAttributeLeadingMargin: case LayoutAttributeTrailingMargin:
    case LayoutAttributeCenterXWithinMargins:
      return true;
    default:
      return false;
  }
}

}  // namespace ui
