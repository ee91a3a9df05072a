#pragma once
// Sending any registered method with plain arguments (numbers, structures, objects) now, later,
// on the main thread, on a thread or in the background, with the result boxed; exchanging
// method implementations; associated values; deep copies by archiving; and key-value
// observing with blocks. Nothing here locks: observe and unobserve on the owner's thread.
#include <functional>
#include <optional>
#include <vector>

#include "platform/foundation/threads/Thread.h"
#include "platform/runtime/Invocation.h"

namespace base {

using rt::String;

/// The boxed return value: the object itself, a number for scalars, a value box for
/// structures, null for void. Arguments fill the method's parameters in order; missing ones
/// stay unset. An unknown selector raises the unrecognised-selector exception.
rt::Id performSelectorWithArgs(const rt::Id& target, rt::Selector selector, const std::vector<rt::Value>& args);
void performSelectorWithArgsAfterDelay(const rt::Id& target, rt::Selector selector, const std::vector<rt::Value>& args,
                                       double delay);
/// Without waiting the result is null.
rt::Id performSelectorWithArgsOnMainThread(const rt::Id& target, rt::Selector selector,
                                           const std::vector<rt::Value>& args, bool wait);
rt::Id performSelectorWithArgsOnThread(const rt::Id& target, rt::Selector selector, const std::vector<rt::Value>& args,
                                       const Ref<fd::Thread>& thread, bool wait);
void performSelectorWithArgsInBackground(const rt::Id& target, rt::Selector selector,
                                         const std::vector<rt::Value>& args);
/// Boxes a return value by the signature's return type.
rt::Id getReturnFromInv(const rt::Invocation& invocation);

/// Inherited methods get an entry of their own first, so the superclass keeps its behaviour.
bool swizzleInstanceMethod(rt::Class& cls, rt::Selector original, rt::Selector replacement);
bool swizzleClassMethod(rt::Class& cls, rt::Selector original, rt::Selector replacement);

void setAssociateValue(rt::Object& object, const void* key, const rt::Id& value);
/// Held weakly: reads as null once the value is gone.
void setAssociateWeakValue(rt::Object& object, const void* key, const rt::Id& value);
rt::Id getAssociatedValueForKey(const rt::Object& object, const void* key);
void removeAssociatedValues(rt::Object& object);

/// Archived and unarchived again; null (and a log line) when either step fails.
rt::Id deepCopy(const rt::Id& object);
/// The same through an archiver and an unarchiver of the given classes (kinds of the
/// platform's keyed archiver and unarchiver); null (and a log line) for other classes.
rt::Id deepCopyWithArchiver(const rt::Id& object, const rt::Class* archiverClass, const rt::Class* unarchiverClass);

// Manual reference counting for debugging, over the shared ownership every object has here.
/// Keeps the object alive until a matching release, whoever else lets go; answers it.
rt::Id arcDebugRetain(const rt::Id& object);
/// Gives up one reference taken by arcDebugRetain; nothing when there is none (never an
/// over-release).
void arcDebugRelease(const rt::Id& object);
/// Gives up one retained reference, the answer keeping the object alive for the caller as the
/// pending release of a pool would (nothing here drains pools later).
rt::Id arcDebugAutorelease(const rt::Id& object);
/// The object's strong references, those of arcDebugRetain included, not counting the
/// argument's own; 0 for null.
int64_t arcDebugRetainCount(rt::Id object);

/// Called with the object and the old and new values (null for none) on each setting change;
/// collection mutations and prior notifications are not delivered.
using DRKVOBlock = std::function<void(rt::Object* object, const rt::Id& oldValue, const rt::Id& newValue)>;
void addObserverBlockForKeyPath(rt::Object& object, const String& keyPath, DRKVOBlock block);
void removeObserverBlocksForKeyPath(rt::Object& object, const String& keyPath);
void removeObserverBlocks(rt::Object& object);

}  // namespace base
