#include "platform/ui/input/text/TextPosition.h"

#include <algorithm>

#include "platform/runtime/Format.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TextPosition) {
  c.protocol("NSCopying");
  c.property("offset", &TextPosition::offset);
}
RT_IMPLEMENT_PLATFORM(TextRange) {
  c.protocol("NSCopying");
  c.property("empty", &TextRange::isEmpty);
}

namespace {
const char* affinityLetter(TextAffinity a) { return a == TextAffinity::Forward ? "F" : "B"; }
}  // namespace

int TextPosition::compare(const TextPosition* other) const {
  if (!other) return -1;
  if (offset_ != other->offset_) return offset_ < other->offset_ ? -1 : 1;
  if (affinity_ == TextAffinity::Backward && other->affinity_ == TextAffinity::Forward) return -1;
  if (affinity_ == TextAffinity::Forward && other->affinity_ == TextAffinity::Backward) return 1;
  return 0;
}

bool TextPosition::isEqual(const rt::Object* other) const {
  auto* p = dynamic_cast<const TextPosition*>(other);
  return p && p->offset_ == offset_ && p->affinity_ == affinity_;
}

size_t TextPosition::hash() const {
  return (static_cast<size_t>(offset_) << 1) | (affinity_ == TextAffinity::Forward ? 1 : 0);
}

rt::String TextPosition::description() const {
  return rt::String::format(rt::String("<%@: %p> (%lld%s)"), className(), static_cast<const void*>(this),
                            static_cast<long long>(offset_), affinityLetter(affinity_));
}

rt::Id TextPosition::copy() const { return rt::make<TextPosition>(offset_, affinity_); }

void TextRange::init() {
  start_ = rt::make<TextPosition>();
  end_ = rt::make<TextPosition>();
}

bool TextRange::init(Ref<TextPosition> a, Ref<TextPosition> b) {
  if (!a || !b) return false;
  if (a->compare(b) > 0) std::swap(a, b);
  start_ = std::move(a), end_ = std::move(b);
  return true;
}

void TextRange::init(rt::Range r, TextAffinity affinity) {
  start_ = rt::make<TextPosition>(static_cast<int64_t>(r.location), affinity);
  end_ = rt::make<TextPosition>(static_cast<int64_t>(r.location + r.length), affinity);
}

rt::Range TextRange::asRange() const {
  int64_t s = std::max<int64_t>(0, start_->offset());
  int64_t e = std::max<int64_t>(s, end_->offset());
  return {static_cast<uint64_t>(s), static_cast<uint64_t>(e - s)};
}

bool TextRange::isEqual(const rt::Object* other) const {
  auto* r = dynamic_cast<const TextRange*>(other);
  return r && start_->isEqual(r->start_.get()) && end_->isEqual(r->end_.get());
}

size_t TextRange::hash() const {
  return static_cast<size_t>(__builtin_bswap64(static_cast<uint64_t>(start_->hash())) +
                             static_cast<uint64_t>(end_->hash()));
}

rt::String TextRange::description() const {
  return rt::String::format(rt::String("<%@: %p> (%lld, %lld)%s"), className(), static_cast<const void*>(this),
                            static_cast<long long>(start_->offset()),
                            static_cast<long long>(end_->offset() - start_->offset()),
                            affinityLetter(end_->affinity()));
}

rt::Id TextRange::copy() const { return rt::make<TextRange>(start_, end_); }

}  // namespace ui
