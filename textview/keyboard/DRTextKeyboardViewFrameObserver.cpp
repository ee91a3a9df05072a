#include "textview/keyboard/DRTextKeyboardViewFrameObserver.h"

namespace textview {

RT_IMPLEMENT(DRTextKeyboardViewFrameObserver) {}

namespace {
const char kObserverKey = 0;
constexpr const char* kKeyPaths[] = {"frame", "center", "bounds", "transform"};
}  // namespace

DRTextKeyboardViewFrameObserver::~DRTextKeyboardViewFrameObserver() { removeFrameObserver(); }

Ref<DRTextKeyboardViewFrameObserver> DRTextKeyboardViewFrameObserver::observerForView(const ui::View* view) {
  if (!view) return nullptr;
  return rt::as<DRTextKeyboardViewFrameObserver>(view->associatedObject(&kObserverKey));
}

void DRTextKeyboardViewFrameObserver::addToKeyboardView(const Ref<ui::View>& view) {
  auto held = view_.lock();
  if (held == view) return;
  rt::Id keepAlive = self();  // the former view may hold the last reference
  if (held) {
    removeFrameObserver();
    held->setAssociatedObject(&kObserverKey, nullptr, rt::AssociationPolicy::RetainNonatomic);
  }
  view_ = view;
  if (view) {
    addFrameObserver();
    view->setAssociatedObject(&kObserverKey, self(), rt::AssociationPolicy::RetainNonatomic);
  }
}

void DRTextKeyboardViewFrameObserver::addFrameObserver() {
  auto view = view_.lock();
  if (!view) return;
  for (const char* key : kKeyPaths) view->addObserver(this, rt::String(key), 0, nullptr);
}

void DRTextKeyboardViewFrameObserver::removeFrameObserver() {
  // While the view itself is going away it can no longer be reached, and its observations
  // go with it.
  if (auto view = view_.lock()) {
    for (const char* key : kKeyPaths) view->removeObserver(this, rt::String(key));
  }
  view_.reset();
}

void DRTextKeyboardViewFrameObserver::observeValueForKeyPath(const rt::String&, rt::Object*,
                                                             const rt::KeyValueChange& change, void*) {
  if (change.isPrior || change.kind != rt::KeyValueChangeKind::Setting) return;
  auto view = view_.lock();
  if (view && notifyBlock) notifyBlock(view.get());
}

}  // namespace textview
