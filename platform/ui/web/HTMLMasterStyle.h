#pragma once
// The style sheet every page starts from: the display kinds, margins and type sizes of the
// HTML elements before the page's own styles apply.

namespace ui {

const char* htmlMasterStyleSheet();

}  // namespace ui
