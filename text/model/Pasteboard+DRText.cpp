#include "text/model/Pasteboard+DRText.h"

#include "image/codec/DRImage.h"
#include "platform/ui/controls/ImageView.h"
#include "text/model/AttributedString+DRText.h"

namespace text {

void setPNGData(ui::Pasteboard& p, const Ref<fd::Data>& data) { p.setData(data, ui::kUTTypePNG); }
Ref<fd::Data> PNGData(const ui::Pasteboard& p) { return p.dataForPasteboardType(ui::kUTTypePNG); }
void setJPEGData(ui::Pasteboard& p, const Ref<fd::Data>& data) { p.setData(data, ui::kUTTypeJPEG); }
Ref<fd::Data> JPEGData(const ui::Pasteboard& p) { return p.dataForPasteboardType(ui::kUTTypeJPEG); }
void setGIFData(ui::Pasteboard& p, const Ref<fd::Data>& data) { p.setData(data, ui::kUTTypeGIF); }
Ref<fd::Data> GIFData(const ui::Pasteboard& p) { return p.dataForPasteboardType(ui::kUTTypeGIF); }
void setWEBPData(ui::Pasteboard& p, const Ref<fd::Data>& data) { p.setData(data, DRTextPasteboardTypeWebP); }
Ref<fd::Data> WEBPData(const ui::Pasteboard& p) { return p.dataForPasteboardType(DRTextPasteboardTypeWebP); }
void setImageData(ui::Pasteboard& p, const Ref<fd::Data>& data) { p.setData(data, ui::kUTTypeImage); }
Ref<fd::Data> imageData(const ui::Pasteboard& p) { return p.dataForPasteboardType(ui::kUTTypeImage); }

namespace {

const char* animatedDataType(image::DRImageFileType type) {
  switch (type) {
    case image::DRImageFileTypeGIF: return ui::kUTTypeGIF;
    case image::DRImageFileTypePNG: return ui::kUTTypePNG;
    case image::DRImageFileTypeWebP: return DRTextPasteboardTypeWebP;
    default: return nullptr;
  }
}

// The animated data of an image under its type, when it has any.
void addAnimatedData(std::vector<ui::PasteboardItem>& items, const Ref<gfx::Image>& img) {
  auto animated = rt::as<image::DRImage>(img);
  if (!animated) return;
  const char* type = animatedDataType(animated->animatedImageType());
  auto data = animated->animatedImageData();
  if (type && data) items.push_back({{rt::String(type), data}});
}

}  // namespace

void setAttributedString(ui::Pasteboard& p, const typeset::AttributedString& s) {
  p.setString(plainTextForRange(s, rangeOfAll(s)).value_or(rt::String()));
  std::vector<ui::PasteboardItem> items;
  if (auto data = archiveToData(s)) items.push_back({{rt::String(DRTextPasteboardTypeAttributedString), data}});
  s.enumerateAttribute(DRTextAttachmentKey, rangeOfAll(s),
                       typeset::AttributedStringEnumerationLongestEffectiveRangeNotRequired,
                       [&](const rt::Id& value, rt::Range, bool&) {
                         auto attachment = rt::as<DRTextAttachment>(value);
                         if (!attachment) return;
                         if (auto img = rt::as<gfx::Image>(attachment->content())) {
                           items.push_back({{rt::String(DRTextPasteboardTypeImageObject), img}});
                           addAnimatedData(items, img);
                           items.push_back({{rt::String(DRTextPasteboardTypeImageObject), img}});
                         } else if (auto view = rt::as<ui::ImageView>(attachment->content())) {
                           if (auto img = view->image()) {
                             items.push_back({{rt::String(DRTextPasteboardTypeImageObject), img}});
                             addAnimatedData(items, img);
                           }
                         }
                       });
  if (!items.empty()) p.addItems(std::move(items));
}

Ref<typeset::AttributedString> attributedString(const ui::Pasteboard& p) {
  for (const auto& item : p.items()) {
    auto found = item.find(rt::String(DRTextPasteboardTypeAttributedString));
    if (found == item.end()) continue;
    return unarchiveFromData(rt::as<fd::Data>(found->second));
  }
  return nullptr;
}

}  // namespace text
