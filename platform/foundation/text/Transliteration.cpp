#include "platform/foundation/text/Transliteration.h"

#include <map>
#include <memory>
#include <mutex>

#include <unicode/translit.h>

#include "platform/foundation/text/IcuText.h"

namespace fd {

namespace {

// Building a transliterator compiles its rules (milliseconds), so each one is made once.
// Using one is not safe from several threads at a time: each has its own lock.
struct CachedTransform {
  std::mutex mutex;
  std::unique_ptr<icu::Transliterator> transliterator;
};

std::shared_ptr<CachedTransform> transformFor(const String& id, bool reverse) {
  static std::mutex mutex;
  static std::map<std::pair<String, bool>, std::shared_ptr<CachedTransform>> cache;
  std::lock_guard lock(mutex);
  auto key = std::make_pair(id, reverse);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError;
  std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance(
      icutext::copy(id), reverse ? UTRANS_REVERSE : UTRANS_FORWARD, parseError, status));
  std::shared_ptr<CachedTransform> entry;
  if (U_SUCCESS(status) && t) {
    entry = std::make_shared<CachedTransform>();
    entry->transliterator = std::move(t);
  }
  cache.emplace(key, entry);  // failures are remembered too
  return entry;
}

}  // namespace

std::optional<String> applyTransform(const String& text, const String& transform, bool reverse) {
  auto entry = transformFor(transform, reverse);
  if (!entry) return std::nullopt;
  icu::UnicodeString u = icutext::copy(text);
  {
    std::lock_guard lock(entry->mutex);
    entry->transliterator->transliterate(u);
  }
  return icutext::toString(u);
}

}  // namespace fd
