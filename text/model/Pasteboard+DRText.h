#pragma once
// Pasteboard additions: image data by type, and rich text copied as plain text, an archive
// under a private type and its attachment images, so that other applications still get text
// and images.
#include "platform/typeset/AttributedString.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"

namespace text {

inline constexpr const char* DRTextPasteboardTypeWebP = "com.google.webp";
inline constexpr const char* DRTextPasteboardTypeImageObject = "com.apple.uikit.image";
inline constexpr const char* DRTextPasteboardTypeAttributedString = "com.kestrum.NSAttributedString";

void setPNGData(ui::Pasteboard& p, const Ref<fd::Data>& data);
Ref<fd::Data> PNGData(const ui::Pasteboard& p);
void setJPEGData(ui::Pasteboard& p, const Ref<fd::Data>& data);
Ref<fd::Data> JPEGData(const ui::Pasteboard& p);
void setGIFData(ui::Pasteboard& p, const Ref<fd::Data>& data);
Ref<fd::Data> GIFData(const ui::Pasteboard& p);
void setWEBPData(ui::Pasteboard& p, const Ref<fd::Data>& data);
Ref<fd::Data> WEBPData(const ui::Pasteboard& p);
void setImageData(ui::Pasteboard& p, const Ref<fd::Data>& data);
Ref<fd::Data> imageData(const ui::Pasteboard& p);

/// The plain text (backed strings put back), then the rich-text archive, then the images of
/// the attachments.
void setAttributedString(ui::Pasteboard& p, const typeset::AttributedString& s);
/// The first item's rich-text archive, through the allow-listed unarchiver; null for none.
Ref<typeset::AttributedString> attributedString(const ui::Pasteboard& p);

}  // namespace text
