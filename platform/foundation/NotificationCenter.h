#pragma once
// Notifications and the notification centre. Posting is synchronous: the observers run on the
// posting thread before `post` returns, in the order they registered, except block observers
// given an operation queue, whose blocks run as operations on that queue while the poster
// waits (directly when the poster is already on that queue). Observers added during a post are
// not told of it; observers removed during a post are not called afterwards. Observers are
// held weakly: a gone observer is never called. Thread-safe.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

class Dictionary;
class OperationQueue;

class Notification : public Object {
  RT_CLASS_NAMED(Notification, Object, "NSNotification")
 public:
  void init() {}
  void init(String name, Id object, Ref<Dictionary> userInfo);
  static Ref<Notification> create(String name, Id object = nullptr, Ref<Dictionary> userInfo = nullptr);

  const String& name() const { return name_; }
  const Id& object() const { return object_; }
  const Ref<Dictionary>& userInfo() const { return userInfo_; }
  String description() const override;

 private:
  String name_;
  Id object_;
  Ref<Dictionary> userInfo_;
};

class NotificationCenter : public Object {
  RT_CLASS_NAMED(NotificationCenter, Object, "NSNotificationCenter")
 public:
  using Handler = std::function<void(const Ref<Notification>&)>;

  void init() {}
  static Ref<NotificationCenter> defaultCenter();

  /// Registers `observer` (held weakly) for notifications named `name` (nullopt: any name)
  /// from `object` (null: any sender; compared by identity).
  void addObserver(const Id& observer, Handler handler, std::optional<String> name, const Id& object);
  /// The same, calling the observer's registered method `selector` with the notification.
  void addObserver(const Id& observer, rt::Selector selector, std::optional<String> name, const Id& object);
  /// A block observer; `queue` null runs the block on the posting thread. Answers the token
  /// to pass to removeObserver (the centre keeps the registration until then).
  Id addObserverForName(std::optional<String> name, const Id& object, const Ref<OperationQueue>& queue, Handler block);

  /// Every registration of `observer` (or of a token).
  void removeObserver(const Id& observer);
  /// Registrations of `observer` matching `name` (nullopt: any) and `object` (null: any).
  void removeObserver(const Id& observer, std::optional<String> name, const Id& object);

  void post(const Ref<Notification>& notification);
  void post(const String& name, const Id& object = nullptr, const Ref<Dictionary>& userInfo = nullptr);

 private:
  struct Registration {
    uint64_t id = 0;
    const Object* observerKey = nullptr;  // identity of the observer or token
    Weak<Object> observer;
    Id token;  // block observers: the centre owns the token
    std::optional<String> name;
    const Object* object = nullptr;
    Weak<Object> objectWeak;
    Handler handler;
    Ref<OperationQueue> queue;
  };
  void add(Registration r);
  bool stillRegistered(uint64_t id) const;

  mutable std::mutex mutex_;
  std::vector<Registration> registrations_;
  uint64_t nextId_ = 1;
};

}  // namespace fd
