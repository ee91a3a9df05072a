#pragma once
// What keys whose meaning changed while the window was open typed when they were pressed.
// Tools that type characters the keyboard lacks bind a spare key to each character for a few
// milliseconds, press it, and bind it back. The window reads its key events a frame late,
// and the desktop's lookup answers what the key means by then (the next character, or
// nothing): characters came out lost or doubled. This reads the server's own record of
// keyboard-mapping changes (with their key symbols) and of key presses, in the order the
// server handled them, on a connection of its own, so a press is read with the mapping that
// was in force when it happened. It runs on the main thread: the record is read when the host
// asks about a press. Keys whose mapping never changed are left to the usual reading (text
// input, input methods).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct SDL_Window;
union SDL_Event;

namespace ui {

class ReboundKeys {
 public:
  /// Follows the display of `window` when it is an X window whose server keeps records;
  /// follows nothing otherwise.
  explicit ReboundKeys(SDL_Window* window);
  ~ReboundKeys();
  ReboundKeys(const ReboundKeys&) = delete;
  ReboundKeys& operator=(const ReboundKeys&) = delete;

  bool isFollowing() const { return state_ != nullptr; }
  /// For a window-system event (SDL_SYSWMEVENT) that is a key press on a key whose mapping
  /// changed since this began: the UTF-8 text the key typed when it was pressed (empty when it
  /// typed none, or was a shortcut). Nothing for other events and other keys.
  std::optional<std::string> textOfPress(const SDL_Event& event);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ui
