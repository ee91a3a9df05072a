#include "platform/typeset/RunDelegate.h"

#include <cmath>

namespace typeset {

RT_IMPLEMENT_PLATFORM(RunDelegate) {}

bool RunDelegate::init(RunDelegateCallbacks callbacks, void* refCon) {
  if (callbacks.version != 1) return false;
  callbacks_ = std::move(callbacks);
  refCon_ = refCon;
  return true;
}

RunDelegate::~RunDelegate() {
  if (callbacks_.dealloc) callbacks_.dealloc(refCon_);
}

namespace {
double sane(const std::function<double(void*)>& f, void* refCon) {
  if (!f) return 0;
  double v = f(refCon);
  return std::isfinite(v) && v > 0 ? v : 0;
}
}  // namespace

double RunDelegate::ascent() const { return sane(callbacks_.getAscent, refCon_); }
double RunDelegate::descent() const { return sane(callbacks_.getDescent, refCon_); }
double RunDelegate::width() const { return sane(callbacks_.getWidth, refCon_); }

}  // namespace typeset
