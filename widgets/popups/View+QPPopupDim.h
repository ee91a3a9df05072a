#pragma once
// The dimming layer a host view carries under its popups. The state lives in one object
// associated with the host, made on first use.
#include <cstdint>

#include "platform/ui/view/View.h"

namespace widgets {

/// The dim view covering `host` and holding its popups; made (hidden, frontmost, edges pinned
/// to the host) on first read, which also resets the host's dim duration to 0.3 s.
Ref<ui::View> qp_dimBackgroundView(ui::View& host);
bool qp_dimBackgroundAnimating(ui::View& host);
double qp_dimAnimationDuration(ui::View& host);
void setQp_dimAnimationDuration(ui::View& host, double seconds);
/// Popups currently holding the dim; never below 0.
int64_t qp_dimReferenceCount(ui::View& host);

/// One more popup holds the dim: the first one fades it in.
void qp_showDimBackground(ui::View& host);
/// One popup lets go: the last one fades it out. A release with no holder left does nothing,
/// so the count stays in step with the popups actually shown.
void qp_hideDimBackground(ui::View& host);

}  // namespace widgets
