#pragma once
// Per view, the load that currently feeds each picture slot ("UIImageViewImageLoad",
// "highlightedImage", ...): starting a load on a slot cancels the slot's previous one. The
// table lives on the view (an associated object) and is used from the main thread only.
#include <string>

#include "platform/ui/view/View.h"

namespace image {

/// The slot table of a view: key -> one operation (WIWebImageOperation) or an fd::Array of them.
class WIOperationTable : public rt::Object {
  RT_CLASS(WIOperationTable, rt::Object)
 public:
  rt::Id entry(const std::string& key) const;
  void setEntry(const std::string& key, rt::Id value);
  void removeEntry(const std::string& key);
  size_t count() const { return entries_.size(); }

 private:
  std::vector<std::pair<std::string, rt::Id>> entries_;  // few slots per view: a list beats a map
};

/// The view's table, made on first use.
Ref<WIOperationTable> operationDictionary(ui::View& view);
/// Cancels what the slot holds, then stores `operation` (not null) there.
void wi_setImageLoadOperation(ui::View& view, const rt::Id& operation, const std::string& key);
/// An array gets every element cancelled; a single object only when it is an operation of
/// the pipeline. The entry is removed either way.
void wi_cancelImageLoadOperationWithKey(ui::View& view, const std::string& key);
/// Removes the entry without cancelling it.
void wi_removeImageLoadOperationWithKey(ui::View& view, const std::string& key);

}  // namespace image
