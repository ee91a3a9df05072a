#pragma once
// The pull-down header of the content screens: the plain header without its last-updated line.
#include <functional>
#include <memory>

#include "platform/runtime/Ref.h"
#include "platform/ui/lists/ScrollView.h"

namespace app {

/// Puts the header on `scrollView`; `action` runs on every pull-down.
void addPullDownHeader(ui::ScrollView& scrollView, std::function<void()> action);

/// The same, calling `method` on `owner` while it lives: the owner keeps the view that keeps the
/// header, so the header holds it weakly.
template <class Owner, class Method>
void addPullDownHeader(ui::ScrollView& scrollView, Owner& owner, Method method) {
  Weak<Owner> weak = std::static_pointer_cast<Owner>(owner.self());
  addPullDownHeader(scrollView, [weak, method] {
    if (auto me = weak.lock()) std::invoke(method, *me);
  });
}

}  // namespace app
