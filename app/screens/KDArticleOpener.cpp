#include "app/screens/KDArticleOpener.h"

#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDWebViewController.h"

namespace app {

Ref<ui::ViewController> screenForArticle(const Ref<KDAPPListModel>& item, bool isHiddenDate) {
  if (!item) return nullptr;
  if (item->docType == "30") {
    auto web = rt::make<KDWebViewController>();
    web->setWebUrl(item->docPubUrl);
    web->setWebViwqTitle(item->docTitle);
    web->setTitle(item->docTitle);
    return web;
  }
  auto detail = rt::make<KDArticleDetailViewController>();
  detail->setIsHiddenDate(isHiddenDate);
  detail->setModel(item);
  return detail;
}

}  // namespace app
