#pragma once
// The attachment a glyph run carries, if any.
#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/Run.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextAttribute.h"

namespace text {


inline Ref<DRTextAttachment> attachmentOfRun(const typeset::Run& run) {
  const auto& attributes = run.attributes();
  return attributes ? rt::as<DRTextAttachment>(attributes->objectForKey(DRTextAttachmentKey)) : nullptr;
}

}  // namespace text
