#include "platform/ui/input/keys/Key.h"

#include <algorithm>
#include <cctype>

#include "platform/runtime/String.h"

namespace ui {

std::optional<KeyPress> parseKeyPress(const std::string& text) {
  KeyPress press;
  std::string rest = text;
  for (;;) {
    auto plus = rest.find('+');
    if (plus == std::string::npos || plus + 1 == rest.size()) break;  // "ctrl++" names the plus key
    std::string mod = rest.substr(0, plus);
    std::transform(mod.begin(), mod.end(), mod.begin(), [](unsigned char c) { return std::tolower(c); });
    if (mod == "ctrl" || mod == "control") press.modifiers |= KeyModifierControl;
    else if (mod == "shift") press.modifiers |= KeyModifierShift;
    else if (mod == "alt") press.modifiers |= KeyModifierAlternate;
    else return std::nullopt;
    rest = rest.substr(plus + 1);
  }
  if (rest.empty()) return std::nullopt;
  std::string name = rest;
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  static const std::pair<const char*, Key> kNames[] = {
      {"left", Key::Left},         {"right", Key::Right},         {"up", Key::Up},
      {"down", Key::Down},         {"home", Key::Home},           {"end", Key::End},
      {"pageup", Key::PageUp},     {"pagedown", Key::PageDown},   {"backspace", Key::Backspace},
      {"delete", Key::Delete},     {"return", Key::Return},       {"enter", Key::Return},
      {"tab", Key::Tab},           {"escape", Key::Escape},       {"insert", Key::Insert},
      {"shake", Key::Shake},       {"space", Key::Character},
  };
  for (const auto& [n, k] : kNames) {
    if (name == n) {
      press.key = k;
      if (name == "space") press.character = U' ';
      return press;
    }
  }
  // A single character (any script).
  std::u32string cps = rt::String(rest).toUTF32();
  if (cps.size() != 1) return std::nullopt;
  press.key = Key::Character;
  char32_t c = cps[0];
  press.character = c < 0x80 ? static_cast<char32_t>(std::tolower(static_cast<int>(c))) : c;
  return press;
}

}  // namespace ui
