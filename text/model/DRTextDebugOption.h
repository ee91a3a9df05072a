#pragma once
// Colours that switch on the debug overlay of text drawing, one process-wide shared option,
// and the registry of views that follow it. Any thread may call the class functions; targets
// are told of a new shared option on the main thread, outside the registry's lock, and are
// held weakly, so that a target that goes away without unregistering is simply dropped.
#include "platform/foundation/Types.h"
#include "platform/graphics/Color.h"

namespace text {

class DRTextDebugOption;

/// Adopted by views that draw text: they apply the option to their own drawing.
class DRTextDebugTarget {
 public:
  virtual ~DRTextDebugTarget() = default;
  /// Called on the main thread with the new shared option (null: none).
  virtual void setDebugOption(const Ref<DRTextDebugOption>& option) = 0;
};

class DRTextDebugOption : public rt::Object {
  RT_CLASS(DRTextDebugOption, rt::Object)
 public:
  /// Whether at least one colour is set.
  bool needDrawDebug() const;
  /// Sets every colour to null.
  void clear();
  /// The same colour objects in a new option.
  rt::Id copy() const override;

#define DR_TEXT_DEBUG_COLOR(getter, setter, member)             \
  const Ref<gfx::Color>& getter() const { return member; }      \
  void setter(Ref<gfx::Color> v) { member = std::move(v); }
  DR_TEXT_DEBUG_COLOR(baselineColor, setBaselineColor, baseline_)
  DR_TEXT_DEBUG_COLOR(CTFrameBorderColor, setCTFrameBorderColor, frameBorder_)
  DR_TEXT_DEBUG_COLOR(CTFrameFillColor, setCTFrameFillColor, frameFill_)
  DR_TEXT_DEBUG_COLOR(CTLineBorderColor, setCTLineBorderColor, lineBorder_)
  DR_TEXT_DEBUG_COLOR(CTLineFillColor, setCTLineFillColor, lineFill_)
  DR_TEXT_DEBUG_COLOR(CTLineNumberColor, setCTLineNumberColor, lineNumber_)
  DR_TEXT_DEBUG_COLOR(CTRunBorderColor, setCTRunBorderColor, runBorder_)
  DR_TEXT_DEBUG_COLOR(CTRunFillColor, setCTRunFillColor, runFill_)
  DR_TEXT_DEBUG_COLOR(CTRunNumberColor, setCTRunNumberColor, runNumber_)
  DR_TEXT_DEBUG_COLOR(CGGlyphBorderColor, setCGGlyphBorderColor, glyphBorder_)
  DR_TEXT_DEBUG_COLOR(CGGlyphFillColor, setCGGlyphFillColor, glyphFill_)
#undef DR_TEXT_DEBUG_COLOR

  /// The shared option (null until one is set); the same object until the next set.
  static Ref<DRTextDebugOption> sharedDebugOption();
  /// Keeps a copy of `option` (null for null) as the shared option and sends it to every
  /// registered target on the main thread: at once when called there, else queued. A queued
  /// delivery that a later set overtook sends nothing, so targets end with the latest option.
  static void setSharedDebugOption(const Ref<DRTextDebugOption>& option);
  /// Registers a target once; null is ignored.
  static void addDebugTarget(const Ref<DRTextDebugTarget>& target);
  static void removeDebugTarget(const Ref<DRTextDebugTarget>& target);

 private:
  Ref<gfx::Color> baseline_, frameBorder_, frameFill_, lineBorder_, lineFill_, lineNumber_, runBorder_, runFill_,
      runNumber_, glyphBorder_, glyphFill_;
};

}  // namespace text
