#pragma once
// Pops up an alert when a request of the HTTP client (a session task of a session manager, or
// a request operation) ends with an error. The observer is one-shot: it goes away after the
// request's first completion notice, error or not.
#include <utility>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {
class Error;
class URLSessionTask;
}  // namespace fd
namespace ui {
class AlertViewDelegate;
}  // namespace ui

namespace net {

class NKURLConnectionOperation;

/// The alert's title and message for `error`: its description over its recovery suggestion
/// (else failure reason) when it has both; otherwise "Error" over the description, or over
/// "<domain> Error: <code>" when it has none.
std::pair<fd::String, fd::String> alertTitleAndMessageForError(const Ref<fd::Error>& error);

/// With the cancel title "Dismiss" and no further buttons.
void showAlertViewForTaskWithErrorOnCompletion(const Ref<fd::URLSessionTask>& task,
                                               Weak<ui::AlertViewDelegate> delegate);
void showAlertViewForTaskWithErrorOnCompletion(const Ref<fd::URLSessionTask>& task,
                                               Weak<ui::AlertViewDelegate> delegate,
                                               const fd::String& cancelButtonTitle,
                                               const std::vector<fd::String>& otherButtonTitles);
void showAlertViewForRequestOperationWithErrorOnCompletion(const Ref<NKURLConnectionOperation>& operation,
                                                           Weak<ui::AlertViewDelegate> delegate);
void showAlertViewForRequestOperationWithErrorOnCompletion(const Ref<NKURLConnectionOperation>& operation,
                                                           Weak<ui::AlertViewDelegate> delegate,
                                                           const fd::String& cancelButtonTitle,
                                                           const std::vector<fd::String>& otherButtonTitles);

}  // namespace net
