#include "app/shell/KDTabBarController.h"

#include "app/categories/Color+Category.h"
#include "app/screens/KDHomeViewController.h"
#include "app/screens/KDMagazineViewController.h"
#include "app/screens/KDTourismViewController.h"
#include "app/screens/KDVideoAndMusicViewController.h"
#include "app/shell/QPNavigationController.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controllers/TabBarItem.h"
#include "platform/ui/view/Appearance.h"

namespace app {

RT_IMPLEMENT(KDTabBarController) {}

namespace {

struct Tab {
  const char* title;
  const char* image;
  const char* selectedImage;
};

constexpr Tab kTabs[] = {
    {"资讯", "tabicon_01", "tabicon_select_01"},
    {"视听", "tabicon_02", "tabicon_select_02"},
    {"游走", "tabicon_03", "tabicon_select_03"},
    {"云岫声", "tabicon_04", "tabicon_select_04"},
};

Ref<fd::Dictionary> titleAttributes(const Ref<gfx::Color>& colour) {
  auto attributes = fd::MutableDictionary::dictionaryWithCapacity(2);
  attributes->setObjectForKey(typeset::Font::systemFontOfSize(14), fd::String(typeset::FontAttributeName));
  attributes->setObjectForKey(colour, fd::String(typeset::ForegroundColorAttributeName));
  return attributes;
}

Ref<gfx::Image> original(const char* name) {
  auto image = gfx::Image::imageNamed(name);
  return image ? image->imageWithRenderingMode(gfx::ImageRenderingMode::AlwaysOriginal) : nullptr;
}

// Each tab's root screen, in the order of `kTabs`.
Ref<ui::ViewController> rootScreen(size_t index) {
  switch (index) {
    case 0: return rt::make<KDHomeViewController>();
    case 1: return rt::make<KDVideoAndMusicViewController>();
    case 2: return rt::make<KDTourismViewController>();
    default: return rt::make<KDMagazineViewController>();
  }
}

}  // namespace

void KDTabBarController::viewDidLoad() {
  ui::TabBarController::viewDidLoad();
  loadTabBar();
}

void KDTabBarController::loadTabBar() {
  std::vector<Ref<ui::ViewController>> navs;
  for (size_t i = 0; i < std::size(kTabs); ++i)
    navs.push_back(rt::make<QPNavigationController>(rootScreen(i)));
  setViewControllers(navs);
  setitems();
}

void KDTabBarController::setitems() {
  size_t i = 0;
  for (const auto& nav : viewControllers()) {
    const Tab& tab = kTabs[i++];
    auto item = nav->tabBarItem();
    item->setTitle(tab.title);
    item->setImage(original(tab.image));
    item->setSelectedImage(original(tab.selectedImage));
  }
  auto& appearance = ui::TabBarItem::appearance();
  appearance->setTitleTextAttributes(titleAttributes(customSelectColor()), ui::ControlStateSelected);
  appearance->setTitleTextAttributes(titleAttributes(customTextBlackColor()), ui::ControlStateNormal);
}

}  // namespace app
