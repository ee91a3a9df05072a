#pragma once
// Reaches the text view's private routines from its tests. One struct for the whole class;
// tests that need more add their own static functions at the end.
#include "textview/textview/DUDaviDira.h"

namespace textview {

struct DUDaviDiraTestAccess {
  // ---- positions, ranges and coordinates
  static bool isTextPositionValid(const DUDaviDira& v, const Ref<text::DRTextPosition>& p) {
    return v.isTextPositionValid(p);
  }
  static bool isTextRangeValid(const DUDaviDira& v, const Ref<text::DRTextRange>& r) { return v.isTextRangeValid(r); }
  static Ref<text::DRTextPosition> correctedTextPosition(const DUDaviDira& v, const Ref<text::DRTextPosition>& p) {
    return v.correctedTextPosition(p);
  }
  static Ref<text::DRTextRange> correctedTextRange(const DUDaviDira& v, const Ref<text::DRTextRange>& r) {
    return v.correctedTextRange(r);
  }
  static gfx::Point convertPointToLayout(const DUDaviDira& v, gfx::Point p) { return v.convertPointToLayout(p); }
  static gfx::Point convertPointFromLayout(const DUDaviDira& v, gfx::Point p) { return v.convertPointFromLayout(p); }
  static gfx::Rect convertRectToLayout(const DUDaviDira& v, gfx::Rect r) { return v.convertRectToLayout(r); }
  static gfx::Rect convertRectFromLayout(const DUDaviDira& v, gfx::Rect r) { return v.convertRectFromLayout(r); }
};

}  // namespace textview
