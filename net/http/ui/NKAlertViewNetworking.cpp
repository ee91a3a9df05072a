#include "net/http/ui/NKAlertViewNetworking.h"

#include <memory>

#include "net/http/NKURLConnectionOperation.h"
#include "net/http/NKURLSessionManager.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/net/URLSession.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/ui/alerts/AlertView.h"

namespace net {

namespace {

constexpr const char* kTable = "NKNetworking";

void showAlert(const Ref<fd::Error>& error, const Weak<ui::AlertViewDelegate>& delegate, const fd::String& cancel,
               const std::vector<fd::String>& others) {
  if (!error) return;
  auto alert = rt::make<ui::AlertView>(fd::String(), fd::String(), delegate, cancel, std::vector<rt::String>{});
  for (const auto& title : others) alert->addButtonWithTitle(title);
  auto [title, message] = alertTitleAndMessageForError(error);
  alert->setTitle(title);
  alert->setMessage(message);
  alert->show();
}

/// Registers `onFire` for the first `name` notice of `object`, then lets go of it.
void observeOnce(const char* name, const rt::Id& object, std::function<void(const Ref<fd::Notification>&)> onFire) {
  auto center = fd::NotificationCenter::defaultCenter();
  auto token = std::make_shared<rt::Id>();
  *token = center->addObserverForName(fd::String(name), object, fd::OperationQueue::mainQueue(),
                                      [token, onFire](const Ref<fd::Notification>& n) {
                                        if (!*token) return;
                                        onFire(n);
                                        fd::NotificationCenter::defaultCenter()->removeObserver(*token);
                                        *token = nullptr;
                                      });
}

}  // namespace

std::pair<fd::String, fd::String> alertTitleAndMessageForError(const Ref<fd::Error>& error) {
  bool described = error->userInfo()->objectForKey(fd::NSLocalizedDescriptionKey) != nullptr;
  auto suggestion = error->localizedRecoverySuggestion();
  auto reason = error->localizedFailureReason();
  if (described && (suggestion || reason)) {
    return {error->localizedDescription(), suggestion ? *suggestion : *reason};
  }
  fd::String title = fd::localizedString("Error", kTable);
  if (described) return {title, error->localizedDescription()};
  fd::String format = fd::localizedString("%@ Error: %ld", kTable);
  return {title, fd::String::format(format, error->domain(), static_cast<long>(error->code()))};
}

void showAlertViewForTaskWithErrorOnCompletion(const Ref<fd::URLSessionTask>& task,
                                               Weak<ui::AlertViewDelegate> delegate) {
  showAlertViewForTaskWithErrorOnCompletion(task, std::move(delegate), fd::localizedString("Dismiss", kTable), {});
}

void showAlertViewForTaskWithErrorOnCompletion(const Ref<fd::URLSessionTask>& task,
                                               Weak<ui::AlertViewDelegate> delegate,
                                               const fd::String& cancelButtonTitle,
                                               const std::vector<fd::String>& otherButtonTitles) {
  observeOnce(NKNetworkingTaskDidCompleteNotification, task,
              [delegate, cancelButtonTitle, otherButtonTitles](const Ref<fd::Notification>& n) {
                auto info = n->userInfo();
                auto error = info ? rt::as<fd::Error>(info->objectForKey(NKNetworkingTaskDidCompleteErrorKey)) : nullptr;
                showAlert(error, delegate, cancelButtonTitle, otherButtonTitles);
              });
}

void showAlertViewForRequestOperationWithErrorOnCompletion(const Ref<NKURLConnectionOperation>& operation,
                                                           Weak<ui::AlertViewDelegate> delegate) {
  showAlertViewForRequestOperationWithErrorOnCompletion(operation, std::move(delegate),
                                                        fd::localizedString("Dismiss", kTable), {});
}

void showAlertViewForRequestOperationWithErrorOnCompletion(const Ref<NKURLConnectionOperation>& operation,
                                                           Weak<ui::AlertViewDelegate> delegate,
                                                           const fd::String& cancelButtonTitle,
                                                           const std::vector<fd::String>& otherButtonTitles) {
  observeOnce(NKNetworkingOperationDidFinishNotification, operation,
              [delegate, cancelButtonTitle, otherButtonTitles](const Ref<fd::Notification>& n) {
                auto op = rt::as<NKURLConnectionOperation>(n->object());
                showAlert(op ? op->error() : nullptr, delegate, cancelButtonTitle, otherButtonTitles);
              });
}

}  // namespace net
