#include "platform/ui/lists/ListReloadHook.h"

#include "platform/ui/lists/CollectionView.h"
#include "platform/ui/lists/TableView.h"

namespace ui {

ListReloadHook& ListReloadHook::shared() {
  static ListReloadHook hook;
  return hook;
}

uint64_t ListReloadHook::addObserver(Observer observer) {
  std::lock_guard lock(mutex_);
  uint64_t token = next_++;
  observers_.emplace_back(token, std::move(observer));
  return token;
}

void ListReloadHook::removeObserver(uint64_t token) {
  std::lock_guard lock(mutex_);
  std::erase_if(observers_, [token](const auto& o) { return o.first == token; });
}

void ListReloadHook::reloadHappened(ScrollView& list, int64_t totalCount) {
  // A copy: observers may subscribe or leave while being told.
  std::vector<std::pair<uint64_t, Observer>> now;
  {
    std::lock_guard lock(mutex_);
    now = observers_;
  }
  for (auto& [token, observer] : now) observer(list, totalCount);
}

int64_t ListReloadHook::totalCount(ScrollView& list) {
  int64_t n = 0;
  if (auto* table = dynamic_cast<TableView*>(&list)) {
    for (int64_t s = 0; s < table->numberOfSections(); ++s) n += table->numberOfRowsInSection(s);
  } else if (auto* grid = dynamic_cast<CollectionView*>(&list)) {
    for (int64_t s = 0; s < grid->numberOfSections(); ++s) n += grid->numberOfItemsInSection(s);
  }
  return n;
}

}  // namespace ui
