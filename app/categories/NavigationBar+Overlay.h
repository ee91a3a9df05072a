#pragma once
// A coloured overlay under a navigation bar's content (reaching up under the status bar) whose
// colour, offset and content alpha screens can change; `nb_reset` takes it away again.
#include "platform/ui/controllers/NavigationBar.h"

namespace app {

Ref<ui::View> overlay(const ui::NavigationBar& bar);
void setOverlay(ui::NavigationBar& bar, const Ref<ui::View>& view);
Ref<gfx::Image> emptyImage(const ui::NavigationBar& bar);
void setEmptyImage(ui::NavigationBar& bar, const Ref<gfx::Image>& image);

void nb_setBackgroundColor(ui::NavigationBar& bar, const Ref<gfx::Color>& color);
void nb_setTranslationY(ui::NavigationBar& bar, double y);
/// Every subview but the overlay, recursively; at exactly 1 the back indicator becomes empty.
void nb_setContentAlpha(ui::NavigationBar& bar, double alpha);
void setAlphaForSubviewsOfView(ui::NavigationBar& bar, double alpha, ui::View& view);
void nb_reset(ui::NavigationBar& bar);

}  // namespace app
