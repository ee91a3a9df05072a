#pragma once
// Per view, the load that currently feeds each picture slot ("UIImageViewImageLoad",
// "highlightedImage", ...): starting a load on a slot cancels the slot's previous one. The
// table lives on the view (an associated object) and is used from the main thread only.
#include <string>
#include <string_view>

#include "platform/ui/view/View.h"

namespace image {

/// The slot table of a view: key -> one operation (WIWebImageOperation) or an fd::Array of them.
class WIOperationTable : public rt::Object {
  RT_CLASS(WIOperationTable, rt::Object)
 public:
  rt::Id entry(std::string_view key) const;
  void setEntry(std::string_view key, rt::Id value);
  void removeEntry(std::string_view key);
  /// Cancels what the slot holds (see wi_cancelImageLoadOperationWithKey) and empties it.
  void cancelEntry(std::string_view key);
  /// Slots holding something.
  size_t count() const;

  /// The image view's URL, kept here beside its loads: one associated object per view.
  const rt::Id& imageURL() const { return imageURL_; }
  void setImageURL(rt::Id url) { imageURL_ = std::move(url); }

  /// The image load whose placeholder still waits to be shown (main thread only): a new
  /// number per load, so that an earlier load's completion never takes a later one's turn.
  uint64_t beginPlaceholderLoad() { return pendingPlaceholder_ = ++loads_; }
  bool takePendingPlaceholder(uint64_t load) {
    if (pendingPlaceholder_ != load) return false;
    pendingPlaceholder_ = 0;
    return true;
  }

 private:
  std::vector<std::pair<std::string, rt::Id>> entries_;  // few slots per view: a list beats a map
  rt::Id imageURL_;
  uint64_t loads_ = 0;
  uint64_t pendingPlaceholder_ = 0;
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
