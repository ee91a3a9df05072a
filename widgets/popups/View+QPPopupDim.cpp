#include "widgets/popups/View+QPPopupDim.h"

#include <limits>

#include "platform/ui/view/ViewAnimation.h"
#include "platform/ui/view/Window.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/popups/Color+QPPopup.h"
#include "widgets/popups/QPPopupWindow.h"

namespace widgets {

namespace {

class QPDimState : public rt::Object {
  RT_CLASS(QPDimState, rt::Object)
 public:
  Ref<ui::View> view;
  int64_t count = 0;
  bool animating = false;
  double duration = 0;
};

const char kDimKey = 0;

Ref<QPDimState> state(ui::View& host) {
  if (auto s = rt::as<QPDimState>(host.associatedObject(&kDimKey))) return s;
  auto s = rt::make<QPDimState>();
  host.setAssociatedObject(&kDimKey, s, rt::AssociationPolicy::RetainNonatomic);
  return s;
}

}  // namespace

RT_IMPLEMENT(QPDimState) {}

Ref<ui::View> qp_dimBackgroundView(ui::View& host) {
  auto s = state(host);
  if (s->view) return s->view;
  auto dim = rt::make<ui::View>();
  host.addSubview(dim);
  lc_makeConstraints(*dim, [&](LCConstraintMaker& make) { make.edges.equalTo(host.self()); });
  dim->setHidden(true);
  dim->layer()->setZPosition(std::numeric_limits<float>::max());
  s->duration = static_cast<double>(0.3f);
  s->view = dim;
  return dim;
}

bool qp_dimBackgroundAnimating(ui::View& host) { return state(host)->animating; }
double qp_dimAnimationDuration(ui::View& host) { return state(host)->duration; }
void setQp_dimAnimationDuration(ui::View& host, double seconds) { state(host)->duration = seconds; }
int64_t qp_dimReferenceCount(ui::View& host) { return state(host)->count; }

void qp_showDimBackground(ui::View& host) {
  auto s = state(host);
  if (++s->count > 1) return;
  auto dim = qp_dimBackgroundView(host);
  dim->setHidden(false);
  s->animating = true;
  auto& shared = QPPopupWindow::sharedWindow();
  if (shared->attachView().get() == &host) {
    shared->setHidden(false);
    shared->makeKeyAndVisible();
  } else if (auto window = rt::as<ui::Window>(host.self())) {
    window->setHidden(false);
    window->makeKeyAndVisible();
  } else {
    host.bringSubviewToFront(dim.get());
  }
  Weak<QPDimState> weak = s;
  ui::ViewAnimation::animate(
      s->duration, 0, ui::ViewAnimationOptionCurveEaseOut | ui::ViewAnimationOptionBeginFromCurrentState,
      [dim] { dim->setBackgroundColor(qp_colorWithHex(0x7F)); },
      [weak](bool finished) {
        if (auto st = weak.lock(); st && finished) st->animating = false;
      });
}

void qp_hideDimBackground(ui::View& host) {
  auto s = state(host);
  if (s->count == 0) return;  // nobody holds the dim: an unmatched hide must not unbalance it
  if (--s->count > 0) return;
  auto dim = qp_dimBackgroundView(host);
  s->animating = true;
  Weak<QPDimState> weak = s;
  Weak<ui::View> weakHost = rt::as<ui::View>(host.self());
  ui::ViewAnimation::animate(
      s->duration, 0, ui::ViewAnimationOptionCurveEaseIn | ui::ViewAnimationOptionBeginFromCurrentState,
      [dim] { dim->setBackgroundColor(qp_colorWithHex(0)); },
      [weak, weakHost, dim](bool finished) {
        auto st = weak.lock();
        if (!st || !finished) return;  // a later show took over the fade
        dim->setHidden(true);
        st->animating = false;
        auto h = weakHost.lock();
        auto& shared = QPPopupWindow::sharedWindow();
        Ref<ui::Window> window = h && shared->attachView() == h ? shared : rt::as<ui::Window>(h);
        if (!window) return;
        window->setHidden(true);
        qp_restoreApplicationKeyWindow();
      });
}

}  // namespace widgets
