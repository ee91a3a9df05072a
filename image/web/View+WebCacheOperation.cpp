#include "image/web/View+WebCacheOperation.h"

#include "image/web/WIWebImageOperation.h"
#include "platform/foundation/values/Array.h"

namespace image {

namespace {
const char kOperationTableKey = 0;
}

RT_IMPLEMENT(WIOperationTable) {}

rt::Id WIOperationTable::entry(const std::string& key) const {
  for (const auto& [k, v] : entries_)
    if (k == key) return v;
  return nullptr;
}

void WIOperationTable::setEntry(const std::string& key, rt::Id value) {
  for (auto& [k, v] : entries_)
    if (k == key) {
      v = std::move(value);
      return;
    }
  entries_.emplace_back(key, std::move(value));
}

void WIOperationTable::removeEntry(const std::string& key) {
  std::erase_if(entries_, [&](const auto& e) { return e.first == key; });
}

Ref<WIOperationTable> operationDictionary(ui::View& view) {
  if (auto table = rt::as<WIOperationTable>(view.associatedObject(&kOperationTableKey))) return table;
  auto table = rt::make<WIOperationTable>();
  view.setAssociatedObject(&kOperationTableKey, table, rt::AssociationPolicy::RetainNonatomic);
  return table;
}

void wi_setImageLoadOperation(ui::View& view, const rt::Id& operation, const std::string& key) {
  wi_cancelImageLoadOperationWithKey(view, key);
  if (operation) operationDictionary(view)->setEntry(key, operation);
}

void wi_cancelImageLoadOperationWithKey(ui::View& view, const std::string& key) {
  auto table = operationDictionary(view);
  rt::Id value = table->entry(key);
  if (!value) return;
  if (auto array = rt::as<fd::Array>(value)) {
    for (const auto& element : array->objects())
      if (auto op = std::dynamic_pointer_cast<WIWebImageOperation>(element)) op->cancel();
  } else if (auto op = std::dynamic_pointer_cast<WIWebImageOperation>(value)) {
    op->cancel();
  }
  table->removeEntry(key);
}

void wi_removeImageLoadOperationWithKey(ui::View& view, const std::string& key) {
  operationDictionary(view)->removeEntry(key);
}

}  // namespace image
