#pragma once
// Watches one keyboard view's frame, centre, bounds and transform and reports each setting to
// a block. It hangs on the view it watches (an associated object), so it lives exactly as long
// as the view. Main thread only.
#include <functional>

#include "platform/ui/view/View.h"

namespace textview {

class DRTextKeyboardViewFrameObserver : public rt::Object {
  RT_CLASS(DRTextKeyboardViewFrameObserver, rt::Object)
 public:
  ~DRTextKeyboardViewFrameObserver() override;

  /// The observer hanging on `view`; null for a null view or a view without one.
  static Ref<DRTextKeyboardViewFrameObserver> observerForView(const ui::View* view);

  std::function<void(ui::View*)> notifyBlock;
  Ref<ui::View> keyboardView() const { return view_.lock(); }
  /// Moves to `view` (null: none): leaves the former view and hangs on the new one.
  void addToKeyboardView(const Ref<ui::View>& view);

  void observeValueForKeyPath(const rt::String& keyPath, rt::Object* object, const rt::KeyValueChange& change,
                              void* context) override;

 private:
  void addFrameObserver();
  void removeFrameObserver();

  // Not owned: the view owns this observer.
  Weak<ui::View> view_;
};

}  // namespace textview
