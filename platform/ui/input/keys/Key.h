#pragma once
// Keys of a hardware keyboard as the system sees them, whatever the desktop calls them: the
// editing keys, a character key, and the key that shakes the device.
#include <cstdint>
#include <optional>
#include <string>

namespace ui {

enum class Key : int64_t {
  Character = 0,  // a letter, digit or sign: `character` says which
  Left,
  Right,
  Up,
  Down,
  Home,
  End,
  PageUp,
  PageDown,
  Backspace,
  Delete,
  Return,
  Tab,
  Escape,
  Shake,
  Insert,
};

enum KeyModifierFlags : uint32_t {
  KeyModifierShift = 1 << 17,
  KeyModifierControl = 1 << 18,
  KeyModifierAlternate = 1 << 19,
};

struct KeyPress {
  Key key = Key::Character;
  uint32_t modifiers = 0;
  char32_t character = 0;  // lower case for letters

  bool shift() const { return modifiers & KeyModifierShift; }
  bool control() const { return modifiers & KeyModifierControl; }
};

/// "ctrl+shift+left", "Return", "a", "ctrl+z", "shake": modifiers (ctrl, shift, alt) joined by
/// '+', then one key name or a single character. Nothing for an unknown name.
std::optional<KeyPress> parseKeyPress(const std::string& text);

}  // namespace ui
