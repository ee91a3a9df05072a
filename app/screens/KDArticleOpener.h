#pragma once
// What an article row opens, on every list: the web page screen, its bar titled with the
// article's title, for an article that is a web page (document type "30"); the article page for
// every other one.
#include "app/models/KDAPPListModel.h"
#include "platform/ui/controllers/ViewController.h"

namespace app {

/// Null for a null record. `isHiddenDate` is handed to the article page.
Ref<ui::ViewController> screenForArticle(const Ref<KDAPPListModel>& item, bool isHiddenDate);

}  // namespace app
