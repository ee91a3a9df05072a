#pragma once
// The attachment a glyph run carries, if any.
#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/Run.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextAttribute.h"

namespace text {

inline Ref<DRTextAttachment> attachmentOfRun(const typeset::Run& run) {
  // Asked for every run of every line: the key is made once, not per lookup.
  static const rt::String key(DRTextAttachmentKey);
  const auto& attributes = run.attributes();
  return attributes ? rt::as<DRTextAttachment>(attributes->objectForKey(key)) : nullptr;
}

}  // namespace text
