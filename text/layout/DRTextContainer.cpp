#include "text/layout/DRTextContainer.h"

#include <algorithm>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Array.h"
#include "platform/runtime/Exception.h"

namespace text {

RT_IMPLEMENT(DRTextContainer) {
  c.protocol("NSCopying");
  c.protocol("NSCoding");
}

namespace {

Ref<gfx::BezierPath> copyPath(const Ref<gfx::BezierPath>& path) {
  return path ? rt::as<gfx::BezierPath>(path->copy()) : nullptr;
}

Ref<typeset::AttributedString> copyToken(const Ref<typeset::AttributedString>& token) {
  return token ? rt::as<typeset::AttributedString>(token->copy()) : nullptr;
}

Ref<DRTextLinePositionModifier> copyModifier(const Ref<DRTextLinePositionModifier>& modifier) {
  if (!modifier) return nullptr;
  auto object = std::dynamic_pointer_cast<rt::Object>(modifier);
  if (!object) return nullptr;
  return std::dynamic_pointer_cast<DRTextLinePositionModifier>(object->copy());
}

}  // namespace

Ref<DRTextContainer> DRTextContainer::containerWithSize(gfx::Size size) { return containerWithSize(size, gfx::EdgeInsets{}); }

Ref<DRTextContainer> DRTextContainer::containerWithSize(gfx::Size size, gfx::EdgeInsets insets) {
  auto c = create();
  c->setSize(size);
  c->setInsets(insets);
  return c;
}

Ref<DRTextContainer> DRTextContainer::containerWithPath(const Ref<gfx::BezierPath>& path) {
  if (!path) return nullptr;
  auto c = create();
  c->setPath(path);
  return c;
}

void DRTextContainer::checkWritable() const {
  if (readonly_)
    rt::raise(rt::InternalInconsistencyException, "Cannot change the property of the 'container' in 'DRTextLayout'.");
}

gfx::Size DRTextContainer::size() const {
  std::lock_guard g(lock_);
  return size_;
}

void DRTextContainer::setSize(gfx::Size size) {
  checkWritable();
  std::lock_guard g(lock_);
  if (path_) return;
  size_.width = std::min(size.width, DRTextContainerMaxSize);
  size_.height = std::min(size.height, DRTextContainerMaxSize);
}

gfx::EdgeInsets DRTextContainer::insets() const {
  std::lock_guard g(lock_);
  return insets_;
}

void DRTextContainer::setInsets(gfx::EdgeInsets insets) {
  checkWritable();
  std::lock_guard g(lock_);
  if (path_) return;
  insets_.top = std::max(insets.top, 0.0);
  insets_.left = std::max(insets.left, 0.0);
  insets_.bottom = std::max(insets.bottom, 0.0);
  insets_.right = std::max(insets.right, 0.0);
}

Ref<gfx::BezierPath> DRTextContainer::path() const {
  std::lock_guard g(lock_);
  return path_;
}

void DRTextContainer::setPath(const Ref<gfx::BezierPath>& path) {
  checkWritable();
  auto copy = copyPath(path);
  std::lock_guard g(lock_);
  path_ = copy;
  if (!path_) return;
  gfx::Rect b = path_->bounds();
  if (gfx::RectIsNull(b)) b = gfx::RectZero;
  size_.width = b.origin.x < 0 ? b.size.width + b.origin.x : b.size.width;
  size_.height = b.origin.y < 0 ? b.size.height + b.origin.y : b.size.height;
  insets_ = gfx::EdgeInsets{b.origin.y > 0 ? b.origin.y : 0, b.origin.x > 0 ? b.origin.x : 0, 0, 0};
}

std::vector<Ref<gfx::BezierPath>> DRTextContainer::exclusionPaths() const {
  std::lock_guard g(lock_);
  return exclusionPaths_;
}

void DRTextContainer::setExclusionPaths(const std::vector<Ref<gfx::BezierPath>>& paths) {
  checkWritable();
  std::lock_guard g(lock_);
  exclusionPaths_ = paths;
}

double DRTextContainer::pathLineWidth() const {
  std::lock_guard g(lock_);
  return pathLineWidth_;
}

void DRTextContainer::setPathLineWidth(double width) {
  checkWritable();
  std::lock_guard g(lock_);
  pathLineWidth_ = width;
}

bool DRTextContainer::isPathFillEvenOdd() const {
  std::lock_guard g(lock_);
  return pathFillEvenOdd_;
}

void DRTextContainer::setPathFillEvenOdd(bool evenOdd) {
  checkWritable();
  std::lock_guard g(lock_);
  pathFillEvenOdd_ = evenOdd;
}

bool DRTextContainer::isVerticalForm() const {
  std::lock_guard g(lock_);
  return verticalForm_;
}

void DRTextContainer::setVerticalForm(bool vertical) {
  checkWritable();
  std::lock_guard g(lock_);
  verticalForm_ = vertical;
}

uint64_t DRTextContainer::maximumNumberOfRows() const {
  std::lock_guard g(lock_);
  return maximumNumberOfRows_;
}

void DRTextContainer::setMaximumNumberOfRows(uint64_t rows) {
  checkWritable();
  std::lock_guard g(lock_);
  maximumNumberOfRows_ = rows;
}

uint64_t DRTextContainer::truncationType() const {
  std::lock_guard g(lock_);
  return truncationType_;
}

void DRTextContainer::setTruncationType(uint64_t type) {
  checkWritable();
  std::lock_guard g(lock_);
  truncationType_ = type;
}

Ref<typeset::AttributedString> DRTextContainer::truncationToken() const {
  std::lock_guard g(lock_);
  return truncationToken_;
}

void DRTextContainer::setTruncationToken(const Ref<typeset::AttributedString>& token) {
  checkWritable();
  auto copy = copyToken(token);
  std::lock_guard g(lock_);
  truncationToken_ = copy;
}

Ref<DRTextLinePositionModifier> DRTextContainer::linePositionModifier() const {
  std::lock_guard g(lock_);
  return linePositionModifier_;
}

void DRTextContainer::setLinePositionModifier(const Ref<DRTextLinePositionModifier>& modifier) {
  checkWritable();
  auto copy = copyModifier(modifier);
  std::lock_guard g(lock_);
  linePositionModifier_ = copy;
}

rt::Id DRTextContainer::copy() const {
  auto c = create();
  std::lock_guard g(lock_);
  c->size_ = size_;
  c->insets_ = insets_;
  c->path_ = path_;  // paths are never changed in place, so the copy shares it
  c->exclusionPaths_ = exclusionPaths_;
  c->pathFillEvenOdd_ = pathFillEvenOdd_;
  c->pathLineWidth_ = pathLineWidth_;
  c->verticalForm_ = verticalForm_;
  c->maximumNumberOfRows_ = maximumNumberOfRows_;
  c->truncationType_ = truncationType_;
  c->truncationToken_ = copyToken(truncationToken_);
  c->linePositionModifier_ = copyModifier(linePositionModifier_);
  return c;
}

void DRTextContainer::encodeWithCoder(fd::KeyedArchiver& coder) const {
  std::unique_lock g(lock_);
  gfx::Size size = size_;
  gfx::EdgeInsets insets = insets_;
  Ref<gfx::BezierPath> path = path_;
  std::vector<Ref<gfx::BezierPath>> exclusions = exclusionPaths_;
  bool evenOdd = pathFillEvenOdd_, vertical = verticalForm_;
  double lineWidth = pathLineWidth_;
  uint64_t rows = maximumNumberOfRows_, truncation = truncationType_;
  Ref<typeset::AttributedString> token = truncationToken_;
  Ref<DRTextLinePositionModifier> modifier = linePositionModifier_;
  g.unlock();  // the coder may call back into objects of ours

  coder.encodeStruct(size, "size");
  coder.encodeStruct(insets, "insets");
  coder.encodeObject(path, "path");
  if (!exclusions.empty()) coder.encodeObject(fd::Array::create({exclusions.begin(), exclusions.end()}), "exclusionPaths");
  coder.encodeBool(evenOdd, "pathFillEvenOdd");
  coder.encodeDouble(lineWidth, "pathLineWidth");
  coder.encodeBool(vertical, "verticalForm");
  coder.encodeInteger(static_cast<int64_t>(rows), "maximumNumberOfRows");
  coder.encodeInteger(static_cast<int64_t>(truncation), "truncationType");
  if (token) coder.encodeObject(token, "truncationToken");
  if (auto object = std::dynamic_pointer_cast<rt::Object>(modifier); object && dynamic_cast<fd::Coding*>(object.get()))
    coder.encodeObject(object, "linePositionModifier");
}

// Through the setters, so that a hand-made archive cannot get past the size cap or the inset
// clamp; a missing key keeps the default.
bool DRTextContainer::initWithCoder(fd::KeyedUnarchiver& coder) {
  gfx::Size size;
  if (coder.decodeStruct("size", size)) setSize(size);
  gfx::EdgeInsets insets;
  if (coder.decodeStruct("insets", insets)) setInsets(insets);
  if (auto path = rt::as<gfx::BezierPath>(coder.decodeObjectForKey("path"))) setPath(path);
  if (auto paths = rt::as<fd::Array>(coder.decodeObjectForKey("exclusionPaths"))) {
    std::vector<Ref<gfx::BezierPath>> kept;
    for (const auto& p : paths->objects())
      if (auto bp = rt::as<gfx::BezierPath>(p)) kept.push_back(bp);
    setExclusionPaths(kept);
  }
  if (coder.containsValueForKey("pathFillEvenOdd")) setPathFillEvenOdd(coder.decodeBool("pathFillEvenOdd"));
  if (coder.containsValueForKey("pathLineWidth")) setPathLineWidth(coder.decodeDouble("pathLineWidth"));
  if (coder.containsValueForKey("verticalForm")) setVerticalForm(coder.decodeBool("verticalForm"));
  if (coder.containsValueForKey("maximumNumberOfRows")) {
    int64_t rows = coder.decodeInteger("maximumNumberOfRows");
    setMaximumNumberOfRows(rows > 0 ? static_cast<uint64_t>(rows) : 0);
  }
  if (coder.containsValueForKey("truncationType")) {
    int64_t type = coder.decodeInteger("truncationType");
    setTruncationType(type > 0 ? static_cast<uint64_t>(type) : 0);
  }
  if (auto token = rt::as<typeset::AttributedString>(coder.decodeObjectForKey("truncationToken"))) setTruncationToken(token);
  if (auto modifier = std::dynamic_pointer_cast<DRTextLinePositionModifier>(coder.decodeObjectForKey("linePositionModifier")))
    setLinePositionModifier(modifier);
  return true;
}

}  // namespace text
