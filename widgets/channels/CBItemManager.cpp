#include "widgets/channels/CBItemManager.h"

#include <algorithm>

#include "platform/foundation/Log.h"
#include "widgets/channels/CBScrollNavBar.h"
#include "widgets/channels/CBSortItemView.h"

namespace widgets {

RT_IMPLEMENT(CBItemManager) {}

void CBItemManager::setItemTitles(std::vector<rt::String> titles) {
  titles_ = std::move(titles);
  if (auto bar = scrollNavBar_.lock()) bar->setItemKeys(titles_);
  if (auto editor = sortItemView_.lock()) editor->setItemKeys(titles_);
}

void CBItemManager::removeTitle(const rt::String& title) {
  titles_.erase(std::remove(titles_.begin(), titles_.end(), title), titles_.end());
}

void CBItemManager::printTitles() const {
  fd::NSLog("********************************");
  for (const auto& title : titles_) fd::NSLog("CBItemManager ---> %@", title);
}

}  // namespace widgets
