// Archiving: the scroll view's values, then seven of the text view's, read back through the
// public setters so that a decoded view is set up exactly as one configured by hand.
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Array.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

void DUDaviDira::encodeWithCoder(fd::KeyedArchiver& coder) const {
  ui::ScrollView::encodeWithCoder(coder);
  coder.encodeObject(attributedText_, rt::String("attributedText"));
  coder.encodeStruct(selectedRange_, rt::String("selectedRange"));
  coder.encodeInteger(textVerticalAlignment_, rt::String("textVerticalAlignment"));
  coder.encodeInteger(static_cast<int64_t>(dataDetectorTypes_), rt::String("dataDetectorTypes"));
  coder.encodeStruct(textContainerInset_, rt::String("textContainerInset"));
  std::vector<rt::Id> paths(exclusionPaths_.begin(), exclusionPaths_.end());
  coder.encodeObject(paths.empty() ? nullptr : fd::Array::create(std::move(paths)), rt::String("exclusionPaths"));
  coder.encodeBool(verticalForm_, rt::String("verticalForm"));
}

std::vector<Ref<ui::View>> DUDaviDira::subviewsForCoding() const {
  std::vector<Ref<ui::View>> coded;
  for (const auto& view : ui::ScrollView::subviewsForCoding())
    if (view != placeholderView_ && view != containerView_ && view != selectionView_) coded.push_back(view);
  return coded;
}

bool DUDaviDira::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!ui::ScrollView::initWithCoder(coder)) return false;
  ui::View::setMultipleTouchEnabled(false);
  updateInnerContainerSize();
  setAttributedText(coder.decodeObjectOfClass<typeset::AttributedString>(rt::String("attributedText")));
  rt::Range range{0, 0};
  if (coder.decodeStruct(rt::String("selectedRange"), range)) setSelectedRange(range);
  setTextVerticalAlignment(coder.decodeInteger(rt::String("textVerticalAlignment")));
  setDataDetectorTypes(static_cast<uint64_t>(coder.decodeInteger(rt::String("dataDetectorTypes"))));
  gfx::EdgeInsets inset = kHorizontalInset;
  if (coder.decodeStruct(rt::String("textContainerInset"), inset)) setTextContainerInset(inset);
  std::vector<Ref<gfx::BezierPath>> paths;
  if (auto array = rt::as<fd::Array>(coder.decodeObjectOfClasses(
          {fd::Array::classObject(), gfx::BezierPath::classObject()}, rt::String("exclusionPaths")))) {
    for (const auto& item : array->objects())
      if (auto path = rt::as<gfx::BezierPath>(item)) paths.push_back(path);
  }
  setExclusionPaths(paths);
  setVerticalForm(coder.decodeBool(rt::String("verticalForm")));
  return true;
}

}  // namespace textview
