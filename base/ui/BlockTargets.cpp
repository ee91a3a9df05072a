#include "base/ui/BlockTargets.h"

#include "platform/foundation/values/Array.h"

namespace base {

namespace {

const rt::Selector kInvoke = rt::Selector::named("invoke:");

// A target whose action calls its block with the sender.
class BlockTarget : public rt::Object {
  RT_CLASS_NAMED(BlockTarget, rt::Object, "_DRBlockTarget")
 public:
  SenderBlock block;
  void invoke(const rt::Id& sender) {
    if (block) block(sender);
  }
};

class ControlBlockTarget : public BlockTarget {
  RT_CLASS_NAMED(ControlBlockTarget, BlockTarget, "_DRUIControlBlockTarget")
 public:
  uint64_t events = 0;
};

class BarButtonItemBlockTarget : public BlockTarget {
  RT_CLASS_NAMED(BarButtonItemBlockTarget, BlockTarget, "_DRUIBarButtonItemBlockTarget")
};

class GestureRecognizerBlockTarget : public BlockTarget {
  RT_CLASS_NAMED(GestureRecognizerBlockTarget, BlockTarget, "_DRUIGestureRecognizerBlockTarget")
};

}  // namespace

RT_IMPLEMENT(BlockTarget) { c.method("invoke:", &BlockTarget::invoke); }
RT_IMPLEMENT(ControlBlockTarget) {}
RT_IMPLEMENT(BarButtonItemBlockTarget) {}
RT_IMPLEMENT(GestureRecognizerBlockTarget) {}

namespace {

const void* const kControlTargets = &kControlTargets;
const void* const kGestureTargets = &kGestureTargets;
const void* const kBarButtonTarget = &kBarButtonTarget;

Ref<fd::MutableArray> targetList(const rt::Object& owner, const void* key) {
  auto list = rt::as<fd::MutableArray>(owner.associatedObject(key));
  if (!list) {
    list = fd::MutableArray::create();
    const_cast<rt::Object&>(owner).setAssociatedObject(key, list, rt::AssociationPolicy::RetainNonatomic);
  }
  return list;
}

}  // namespace

void addBlockForControlEvents(ui::Control& control, uint64_t events, SenderBlock block) {
  if (!events) return;
  auto target = rt::make<ControlBlockTarget>();
  target->block = std::move(block);
  target->events = events;
  control.addTarget(target, kInvoke, events);
  targetList(control, kControlTargets)->addObject(target);
}

void setBlockForControlEvents(ui::Control& control, uint64_t events, SenderBlock block) {
  removeAllBlocksForControlEvents(control, ui::ControlEventAllEvents);
  addBlockForControlEvents(control, events, std::move(block));
}

void removeAllBlocksForControlEvents(ui::Control& control, uint64_t events) {
  if (!events) return;
  auto list = targetList(control, kControlTargets);
  std::vector<rt::Id> kept;
  for (const rt::Id& o : list->objects()) {
    auto& target = static_cast<ControlBlockTarget&>(*o);
    if (!(target.events & events)) {
      kept.push_back(o);
      continue;
    }
    control.removeTarget(o, kInvoke, target.events);
    uint64_t remaining = target.events & ~events;
    if (!remaining) continue;
    target.events = remaining;
    control.addTarget(o, kInvoke, remaining);
    kept.push_back(o);
  }
  list->setArray(*fd::Array::create(std::move(kept)));
}

void setTargetAction(ui::Control& control, const rt::Id& target, rt::Selector action, uint64_t events) {
  if (!target || !action || !events) return;
  for (const rt::Id& current : control.allTargets())
    for (const rt::String& name : control.actionsForTarget(current, events))
      control.removeTarget(current, rt::Selector::named(name.utf8()), events);
  control.addTarget(target, action, events);
}

void removeAllTargets(ui::Control& control) {
  for (const rt::Id& current : control.allTargets()) control.removeTarget(current, rt::Selector(), ui::ControlEventAllEvents);
  targetList(control, kControlTargets)->removeAllObjects();
}

size_t blockTargetCount(const ui::Control& control) { return targetList(control, kControlTargets)->count(); }

void setActionBlock(ui::BarButtonItem& item, SenderBlock block) {
  auto target = rt::make<BarButtonItemBlockTarget>();
  target->block = std::move(block);
  item.setAssociatedObject(kBarButtonTarget, target, rt::AssociationPolicy::RetainNonatomic);
  item.setTarget(target);
  item.setAction(kInvoke);
}

SenderBlock actionBlock(const ui::BarButtonItem& item) {
  auto target = rt::as<BarButtonItemBlockTarget>(item.associatedObject(kBarButtonTarget));
  return target ? target->block : nullptr;
}

void addActionBlock(ui::GestureRecognizer& recognizer, SenderBlock block) {
  auto target = rt::make<GestureRecognizerBlockTarget>();
  target->block = std::move(block);
  recognizer.addTarget(target, kInvoke);
  targetList(recognizer, kGestureTargets)->addObject(target);
}

void removeAllActionBlocks(ui::GestureRecognizer& recognizer) {
  auto list = targetList(recognizer, kGestureTargets);
  for (const rt::Id& target : list->objects()) recognizer.removeTarget(target, kInvoke);
  list->removeAllObjects();
}

}  // namespace base
