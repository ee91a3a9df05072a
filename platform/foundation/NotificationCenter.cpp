#include "platform/foundation/NotificationCenter.h"

#include <algorithm>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/threads/OperationQueue.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Notification) {
  c.property("name", &Notification::name);
  c.property("object", &Notification::object);
  c.property("userInfo", &Notification::userInfo);
}
RT_IMPLEMENT_PLATFORM(NotificationCenter) {}

namespace {
// What a block observer's registration hands back: only its identity matters.
class NotificationObserverToken : public Object {
  RT_CLASS_NAMED(NotificationObserverToken, Object, "__NSObserver")
 public:
};
RT_IMPLEMENT_PLATFORM(NotificationObserverToken) {}
}  // namespace

void Notification::init(String name, Id object, Ref<Dictionary> userInfo) {
  name_ = std::move(name);
  object_ = std::move(object);
  userInfo_ = std::move(userInfo);
}

Ref<Notification> Notification::create(String name, Id object, Ref<Dictionary> userInfo) {
  return rt::make<Notification>(std::move(name), std::move(object), std::move(userInfo));
}

String Notification::description() const {
  return String::format("NSConcreteNotification %p {name = %@; object = %@; userInfo = %@}", this, name_,
                        object_ ? object_->description() : String("(null)"),
                        userInfo_ ? userInfo_->description() : String("(null)"));
}

Ref<NotificationCenter> NotificationCenter::defaultCenter() {
  // Never destroyed: objects may post or unregister during static teardown.
  static Ref<NotificationCenter>* center = new Ref<NotificationCenter>(rt::make<NotificationCenter>());
  return *center;
}

void NotificationCenter::add(Registration r) {
  std::lock_guard<std::mutex> lock(mutex_);
  r.id = nextId_++;
  registrations_.push_back(std::move(r));
}

void NotificationCenter::addObserver(const Id& observer, Handler handler, std::optional<String> name, const Id& object) {
  if (!observer || !handler) return;
  Registration r;
  r.observerKey = observer.get();
  r.observer = observer;
  r.name = std::move(name);
  r.object = object.get();
  r.objectWeak = object;
  r.handler = std::move(handler);
  add(std::move(r));
}

void NotificationCenter::addObserver(const Id& observer, rt::Selector selector, std::optional<String> name,
                                     const Id& object) {
  if (!observer) return;
  if (!observer->respondsToSelector(selector))
    rt::raise(rt::InvalidArgumentException,
              String::format("-[NSNotificationCenter addObserver:selector:name:object:]: %@ does not respond to %s",
                             observer->className(), selector.name()));
  Weak<Object> weak = observer;
  addObserver(observer, [weak, selector](const Ref<Notification>& n) {
    auto target = weak.lock();
    if (!target) return;
    std::vector<rt::Value> args;
    if (selector.argumentCount() > 0) args.push_back(rt::Value::ofObject(n));
    target->performSelector(selector, args);  // a proxy forwards to what it stands for
  }, std::move(name), object);
}

Id NotificationCenter::addObserverForName(std::optional<String> name, const Id& object,
                                          const Ref<OperationQueue>& queue, Handler block) {
  if (!block) rt::raise(rt::InvalidArgumentException, "-[NSNotificationCenter addObserverForName:object:queue:usingBlock:]: block is nil");
  Id token = rt::make<NotificationObserverToken>();
  Registration r;
  r.observerKey = token.get();
  r.observer = token;
  r.token = token;
  r.name = std::move(name);
  r.object = object.get();
  r.objectWeak = object;
  r.handler = std::move(block);
  r.queue = queue;
  add(std::move(r));
  return token;
}

void NotificationCenter::removeObserver(const Id& observer) {
  std::vector<Registration> gone;  // released outside the lock
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = registrations_.begin(); it != registrations_.end();) {
    if (it->observerKey == observer.get()) {
      gone.push_back(std::move(*it));
      it = registrations_.erase(it);
    } else {
      ++it;
    }
  }
}

void NotificationCenter::removeObserver(const Id& observer, std::optional<String> name, const Id& object) {
  std::vector<Registration> gone;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = registrations_.begin(); it != registrations_.end();) {
    bool match = it->observerKey == observer.get() && (!name || (it->name && *it->name == *name)) &&
                 (!object || it->object == object.get());
    if (match) {
      gone.push_back(std::move(*it));
      it = registrations_.erase(it);
    } else {
      ++it;
    }
  }
}

bool NotificationCenter::stillRegistered(uint64_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(registrations_.begin(), registrations_.end(), [&](auto& r) { return r.id == id; });
}

void NotificationCenter::post(const Ref<Notification>& n) {
  if (!n) rt::raise(rt::InvalidArgumentException, "-[NSNotificationCenter postNotification:]: notification is nil");
  struct Due {
    uint64_t id;
    Id observer;  // held for the call
    Handler handler;
    Ref<OperationQueue> queue;
  };
  std::vector<Due> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Registrations whose observer has gone are dropped here.
    std::vector<Registration> dead;
    for (auto it = registrations_.begin(); it != registrations_.end();) {
      Id observer = it->observer.lock();
      if (!observer) {
        dead.push_back(std::move(*it));
        it = registrations_.erase(it);
        continue;
      }
      bool nameMatches = !it->name || *it->name == n->name();
      // A sender filter whose sender has gone matches nothing (a new object may reuse its address).
      bool objectMatches = !it->object || (it->object == n->object().get() && !it->objectWeak.expired());
      if (nameMatches && objectMatches) due.push_back(Due{it->id, observer, it->handler, it->queue});
      ++it;
    }
  }
  for (auto& d : due) {
    if (!stillRegistered(d.id)) continue;
    if (!d.queue || OperationQueue::currentQueue() == d.queue) {
      d.handler(n);
      continue;
    }
    auto op = BlockOperation::blockOperationWithBlock([handler = d.handler, n] { handler(n); });
    d.queue->addOperation(op);
    op->waitUntilFinished();
  }
}

void NotificationCenter::post(const String& name, const Id& object, const Ref<Dictionary>& userInfo) {
  post(Notification::create(name, object, userInfo));
}

}  // namespace fd
