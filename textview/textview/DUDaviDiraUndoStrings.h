#pragma once
// The words of the text view's undo alert in the languages it knows: five strings per locale
// identifier, always cancel, redo, redo-typing (a title), undo, undo-typing (a title).
#include <array>

#include "platform/runtime/String.h"

namespace textview {

enum DUDaviDiraUndoString : size_t {
  DUDaviDiraUndoStringCancel = 0,
  DUDaviDiraUndoStringRedo = 1,
  DUDaviDiraUndoStringRedoTyping = 2,
  DUDaviDiraUndoStringUndo = 3,
  DUDaviDiraUndoStringUndoTyping = 4,
};

using DUDaviDiraUndoStrings = std::array<rt::String, 5>;

/// The strings for a preferred localization name ("English", "fr", "pt-BR"...): its canonical
/// identifier, else the part before its first "_", else English.
DUDaviDiraUndoStrings undoStringsForLocalization(const rt::String& preferred);
/// The strings of the main bundle's first preferred localization, chosen once per process.
const DUDaviDiraUndoStrings& localizedUndoStrings();

}  // namespace textview
