#pragma once
// Blocks in place of target-action pairs for controls, bar button items and gesture
// recognisers. Each block is wrapped in a small target object that the control, item or
// recogniser keeps alive in a list of its own (the platform holds targets weakly). Main thread.
#include <functional>

#include "platform/ui/controllers/BarButtonItem.h"
#include "platform/ui/controls/Control.h"
#include "platform/ui/input/GestureRecognizer.h"

namespace base {

using SenderBlock = std::function<void(const rt::Id& sender)>;

// Control(DUDer)
/// Nothing for events 0.
void addBlockForControlEvents(ui::Control& control, uint64_t events, SenderBlock block);
/// Leaves the new block as the control's only block, whatever events the old ones had.
void setBlockForControlEvents(ui::Control& control, uint64_t events, SenderBlock block);
/// Takes the given events off every block; a block left with no events is dropped.
void removeAllBlocksForControlEvents(ui::Control& control, uint64_t events);
/// Replaces every target-action pair of the events with one (block targets stay listed).
void setTargetAction(ui::Control& control, const rt::Id& target, rt::Selector action, uint64_t events);
void removeAllTargets(ui::Control& control);
/// The control's block targets (for inspection).
size_t blockTargetCount(const ui::Control& control);

// BarButtonItem(DUDer): one block per item.
void setActionBlock(ui::BarButtonItem& item, SenderBlock block);
SenderBlock actionBlock(const ui::BarButtonItem& item);

// GestureRecognizer(DUDer): several blocks, each run on every action.
void addActionBlock(ui::GestureRecognizer& recognizer, SenderBlock block);
void removeAllActionBlocks(ui::GestureRecognizer& recognizer);

}  // namespace base
