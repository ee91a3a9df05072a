#pragma once
// Crafted rich-text archives that nest deeper than the rich-text archiver would write: arrays
// inside arrays, and highlights whose attribute archives hold further highlights. Written with
// the plain archiver, whose depth limit is per archive, as a hostile pasteboard item could be.
#include <pthread.h>

#include <functional>
#include <vector>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "text/model/DRTextHighlight.h"

namespace testsupport {

/// A highlight that archives attribute data made beforehand. It has no runtime class of its
/// own, so it is written, and read back, as a highlight.
class PresetHighlight : public text::DRTextHighlight {
 public:
  Ref<fd::Data> preset;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override { coder.encodeObject(preset, "attributes"); }
};

/// `depth` arrays one inside the other, the innermost holding `inner`.
inline rt::Id nestedArrays(rt::Id inner, unsigned depth) {
  for (unsigned i = 0; i < depth; ++i) inner = fd::Array::create(std::vector<rt::Id>{inner});
  return inner;
}

/// `levels` highlights, each behind `arrays` nested arrays inside the attributes of the one
/// before; the outermost behind `arrays` arrays at the top.
inline Ref<fd::Data> deepHighlightArchive(unsigned arrays, unsigned levels) {
  rt::Id inner = fd::box(rt::String("leaf"));
  for (unsigned level = 0; level < levels; ++level) {
    auto attributes = fd::Dictionary::withStrings({{"k", nestedArrays(inner, arrays)}});
    auto highlight = rt::make<PresetHighlight>();
    highlight->preset = fd::KeyedArchiver::archivedDataWithRootObject(attributes, false, nullptr);
    if (!highlight->preset) return nullptr;
    inner = highlight;
  }
  return fd::KeyedArchiver::archivedDataWithRootObject(nestedArrays(inner, arrays), false, nullptr);
}

/// Runs `work` on a new thread with a stack of `bytes` and waits for it; false when no such
/// thread could be made.
inline bool runWithStack(size_t bytes, std::function<void()> work) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_t thread;
  auto body = [](void* arg) -> void* {
    (*static_cast<std::function<void()>*>(arg))();
    return nullptr;
  };
  const bool made = pthread_attr_setstacksize(&attr, bytes) == 0 && pthread_create(&thread, &attr, body, &work) == 0;
  if (made) pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  return made;
}

}  // namespace testsupport
