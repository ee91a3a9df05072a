#include "image/web/View+WebCacheOperation.h"

#include <algorithm>
#include <typeinfo>

#include "image/web/WIWebImageCombinedOperation.h"
#include "image/web/WIWebImageOperation.h"
#include "platform/foundation/values/Array.h"

namespace image {

namespace {
const char kOperationTableKey = 0;
}

RT_IMPLEMENT(WIOperationTable) {}

rt::Id WIOperationTable::entry(std::string_view key) const {
  for (const auto& [k, v] : entries_)
    if (k == key) return v;
  return nullptr;
}

void WIOperationTable::setEntry(std::string_view key, rt::Id value) {
  for (auto& [k, v] : entries_)
    if (k == key) {
      v = std::move(value);
      return;
    }
  entries_.emplace_back(std::string(key), std::move(value));
}

void WIOperationTable::removeEntry(std::string_view key) {
  for (auto& [k, v] : entries_)
    if (k == key) v = nullptr;
}

size_t WIOperationTable::count() const {
  return size_t(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return e.second != nullptr; }));
}

Ref<WIOperationTable> operationDictionary(ui::View& view) {
  rt::Id value = view.associatedObject(&kOperationTableKey);
  // Through the raw pointer: `*value` is a call, which typeid would evaluate (and clang warns).
  if (const rt::Object* held = value.get(); held && typeid(*held) == typeid(WIOperationTable))
    return std::static_pointer_cast<WIOperationTable>(value);
  auto table = rt::make<WIOperationTable>();
  view.setAssociatedObject(&kOperationTableKey, table, rt::AssociationPolicy::RetainNonatomic);
  return table;
}

void WIOperationTable::cancelEntry(std::string_view key) {
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e.first == key; });
  if (it == entries_.end()) return;
  // The slot stays (empty) so that the next load of it reuses its key.
  rt::Id value = std::move(it->second);
  it->second = nullptr;
  if (!value) return;
  // The manager's combined operation is by far the most common entry: no cast search for it.
  if (const rt::Object* held = value.get(); typeid(*held) == typeid(WIWebImageCombinedOperation)) {
    static_cast<WIWebImageCombinedOperation&>(*value).cancel();
  } else if (auto array = rt::as<fd::Array>(value)) {
    for (const auto& element : array->objects())
      if (auto op = std::dynamic_pointer_cast<WIWebImageOperation>(element)) op->cancel();
  } else if (auto op = std::dynamic_pointer_cast<WIWebImageOperation>(value)) {
    op->cancel();
  }
}

void wi_setImageLoadOperation(ui::View& view, const rt::Id& operation, const std::string& key) {
  auto table = operationDictionary(view);
  table->cancelEntry(key);
  if (operation) table->setEntry(key, operation);
}

void wi_cancelImageLoadOperationWithKey(ui::View& view, const std::string& key) {
  operationDictionary(view)->cancelEntry(key);
}

void wi_removeImageLoadOperationWithKey(ui::View& view, const std::string& key) {
  operationDictionary(view)->removeEntry(key);
}

}  // namespace image
