#pragma once
// The paragraph style to and from the typesetter's settings form. Both directions walk one
// table of specifiers in one order; tab stops and the default tab interval come last.
#include <memory>
#include <vector>

#include "platform/typeset/ParagraphStyle.h"

namespace text {

/// The settings a style gives: the twelve fixed ones, then the tab stops when there are any,
/// then the default tab interval. `settings` points into this object's own storage.
struct DRTextParagraphSettings {
  std::vector<typeset::ParagraphStyleSetting> settings;

  DRTextParagraphSettings() = default;
  DRTextParagraphSettings(const DRTextParagraphSettings&) = delete;
  DRTextParagraphSettings& operator=(const DRTextParagraphSettings&) = delete;

 private:
  friend std::unique_ptr<DRTextParagraphSettings> paragraphSettings(const typeset::ParagraphStyle& style);
  double doubles[12] = {};
  uint8_t bytes[2] = {};
  int8_t direction = 0;
  std::vector<Ref<typeset::TextTab>> tabs;
};

std::unique_ptr<DRTextParagraphSettings> paragraphSettings(const typeset::ParagraphStyle& style);

/// A mutable copy of the default style taking every setting of `ctStyle`; null for null.
/// Empty tab stops leave the default ones.
Ref<typeset::MutableParagraphStyle> styleWithCTStyle(const Ref<typeset::ParagraphStyle>& ctStyle);
/// A new typesetter style made from the settings of `style`.
Ref<typeset::ParagraphStyle> CTStyle(const typeset::ParagraphStyle& style);

}  // namespace text
