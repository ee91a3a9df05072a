#include "app/shell/KDTopBar.h"

#include "app/categories/Color+Category.h"
#include "app/utilities/QPUitools.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/view/Screen.h"

namespace app {

KDTopBar addTopBar(ui::ViewController& controller, const fd::String& title, bool withBack) {
  KDTopBar top;
  auto& view = *controller.view();
  double width = ui::Screen::mainScreen()->bounds().size.width;
  top.bar = QPUitools::createUIViewForSupeView(view, colorWithRGB(245, 245, 245));
  top.bar->setFrame({{0, 0}, {width, kTopBarHeight}});
  top.title = QPUitools::createLabelForSupeView(*top.bar, 18, customSelectColor());
  top.title->setFont(typeset::Font::boldSystemFontOfSize(18));
  top.title->setText(title);
  top.title->setTextAlignment(typeset::TextAlignment::Center);
  // 50 points in from the left (clear of the back button), 40 from the right.
  top.title->setFrame({{50, kTopBarHeight / 2 + 10 - 15}, {width - 90, 30}});
  if (withBack) {
    Weak<ui::ViewController> weak = std::static_pointer_cast<ui::ViewController>(controller.self());
    top.back = QPUitools::createButtonWithBtnAction([weak] {
      if (auto vc = weak.lock())
        if (auto nav = vc->navigationController()) nav->popViewControllerAnimated(true);
    });
    top.back->setImage(gfx::Image::imageNamed("back_icon"), ui::ControlStateNormal);
    top.back->setFrame({{20, 20 + (44 - 30) / 2.0}, {30, 30}});
    top.bar->addSubview(top.back);
  }
  return top;
}

}  // namespace app
