#include "text/model/DRTextDebugOption.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Queue.h"

namespace text {

RT_IMPLEMENT(DRTextDebugOption) {
  c.property("baselineColor", &DRTextDebugOption::baselineColor, &DRTextDebugOption::setBaselineColor);
  c.property("CTFrameBorderColor", &DRTextDebugOption::CTFrameBorderColor, &DRTextDebugOption::setCTFrameBorderColor);
  c.property("CTFrameFillColor", &DRTextDebugOption::CTFrameFillColor, &DRTextDebugOption::setCTFrameFillColor);
  c.property("CTLineBorderColor", &DRTextDebugOption::CTLineBorderColor, &DRTextDebugOption::setCTLineBorderColor);
  c.property("CTLineFillColor", &DRTextDebugOption::CTLineFillColor, &DRTextDebugOption::setCTLineFillColor);
  c.property("CTLineNumberColor", &DRTextDebugOption::CTLineNumberColor, &DRTextDebugOption::setCTLineNumberColor);
  c.property("CTRunBorderColor", &DRTextDebugOption::CTRunBorderColor, &DRTextDebugOption::setCTRunBorderColor);
  c.property("CTRunFillColor", &DRTextDebugOption::CTRunFillColor, &DRTextDebugOption::setCTRunFillColor);
  c.property("CTRunNumberColor", &DRTextDebugOption::CTRunNumberColor, &DRTextDebugOption::setCTRunNumberColor);
  c.property("CGGlyphBorderColor", &DRTextDebugOption::CGGlyphBorderColor, &DRTextDebugOption::setCGGlyphBorderColor);
  c.property("CGGlyphFillColor", &DRTextDebugOption::CGGlyphFillColor, &DRTextDebugOption::setCGGlyphFillColor);
  c.protocol("NSCopying");
}

bool DRTextDebugOption::needDrawDebug() const {
  return baseline_ || frameBorder_ || frameFill_ || lineBorder_ || lineFill_ || lineNumber_ || runBorder_ ||
         runFill_ || runNumber_ || glyphBorder_ || glyphFill_;
}

void DRTextDebugOption::clear() {
  baseline_ = frameBorder_ = frameFill_ = lineBorder_ = lineFill_ = lineNumber_ = nullptr;
  runBorder_ = runFill_ = runNumber_ = glyphBorder_ = glyphFill_ = nullptr;
}

rt::Id DRTextDebugOption::copy() const {
  auto c = rt::as<DRTextDebugOption>(getClass()->createInstance());
  c->baseline_ = baseline_;
  c->frameBorder_ = frameBorder_;
  c->frameFill_ = frameFill_;
  c->lineBorder_ = lineBorder_;
  c->lineFill_ = lineFill_;
  c->lineNumber_ = lineNumber_;
  c->runBorder_ = runBorder_;
  c->runFill_ = runFill_;
  c->runNumber_ = runNumber_;
  c->glyphBorder_ = glyphBorder_;
  c->glyphFill_ = glyphFill_;
  return c;
}

namespace {

struct Registry {
  std::mutex mutex;
  Ref<DRTextDebugOption> shared;
  uint64_t generation = 0;  // counts the sets, so that a delivery can tell it has been overtaken
  std::vector<Weak<DRTextDebugTarget>> targets;  // gone ones are dropped as they are met

  static Registry& instance() {
    static Registry registry;
    return registry;
  }
  // Under the lock.
  std::vector<Weak<DRTextDebugTarget>>::iterator find(const Ref<DRTextDebugTarget>& target) {
    std::erase_if(targets, [](const Weak<DRTextDebugTarget>& w) { return w.expired(); });
    return std::find_if(targets.begin(), targets.end(),
                        [&](const Weak<DRTextDebugTarget>& w) { return w.lock() == target; });
  }
};

// On the main thread. A set that a later one has overtaken delivers nothing: the later set has
// delivered, or will, so the targets end with the latest option whatever order the sets
// reached the main thread in.
void deliver(uint64_t generation) {
  Registry& r = Registry::instance();
  Ref<DRTextDebugOption> shared;
  std::vector<Weak<DRTextDebugTarget>> targets;
  {
    std::lock_guard lock(r.mutex);
    if (r.generation != generation) return;
    shared = r.shared;
    targets = r.targets;
  }
  for (const auto& weak : targets)
    if (auto target = weak.lock()) target->setDebugOption(shared);
}

}  // namespace

Ref<DRTextDebugOption> DRTextDebugOption::sharedDebugOption() {
  Registry& r = Registry::instance();
  std::lock_guard lock(r.mutex);
  return r.shared;
}

void DRTextDebugOption::setSharedDebugOption(const Ref<DRTextDebugOption>& option) {
  Registry& r = Registry::instance();
  Ref<DRTextDebugOption> shared = option ? rt::as<DRTextDebugOption>(option->copy()) : nullptr;
  uint64_t generation;
  {
    std::lock_guard lock(r.mutex);
    r.shared = std::move(shared);
    generation = ++r.generation;
  }
  if (dispatch::isMainThread()) deliver(generation);
  else dispatch::mainQueue()->async([generation] { deliver(generation); });
}

void DRTextDebugOption::addDebugTarget(const Ref<DRTextDebugTarget>& target) {
  if (!target) return;
  Registry& r = Registry::instance();
  std::lock_guard lock(r.mutex);
  if (r.find(target) == r.targets.end()) r.targets.push_back(target);
}

void DRTextDebugOption::removeDebugTarget(const Ref<DRTextDebugTarget>& target) {
  if (!target) return;
  Registry& r = Registry::instance();
  std::lock_guard lock(r.mutex);
  if (auto it = r.find(target); it != r.targets.end()) r.targets.erase(it);
}

}  // namespace text
