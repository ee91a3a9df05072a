#pragma once
// Reads the key presses on the host's X window the moment they come, on a connection and a
// thread of its own, for keys whose meaning was just changed. Tools that type characters the
// keyboard lacks (xdotool and the like) bind a spare key to each character for a few
// milliseconds only; a window busy drawing reads the press later, when the key already means
// the next character or nothing, and the characters come out lost or doubled. The witness
// keeps what such a key meant when it was pressed, so the host can type that instead.
#include <memory>
#include <optional>
#include <string>

struct SDL_Window;
union SDL_Event;

namespace ui {

class KeyWitness {
 public:
  /// Watches the key presses on `window` when it is an X window; watches nothing otherwise.
  explicit KeyWitness(SDL_Window* window);
  ~KeyWitness();
  KeyWitness(const KeyWitness&) = delete;
  KeyWitness& operator=(const KeyWitness&) = delete;

  bool isWatching() const { return state_ != nullptr; }
  /// For a window-system event (SDL_SYSWMEVENT) that is a key press: the UTF-8 text the key
  /// typed when it was pressed (empty for a key that types nothing), if the key had just been
  /// rebound. Nothing for any other event, for a key with its usual meaning, or for a press
  /// the witness did not see within `waitSeconds`.
  std::optional<std::string> reboundKeyText(const SDL_Event& event, double waitSeconds);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace ui
