#pragma once
// The window host: shows the screen's frames in an SDL window (the screen scaled to the
// window) and turns the mouse into one touch and the wheel into drags. While the first
// responder takes text, the desktop's text input is on: typed and committed text, input-method
// compositions (their candidates placed at the caret) and editing keys go to it; when the
// responder ends a composition on its own, the input method is reset. F6 shakes the device.
// The general pasteboard's plain text follows the desktop clipboard while open. The application
// is inactive while the window has no keyboard focus. The window's own connection to the X
// server is read as soon as it has something (a thread waits on it and wakes the main run loop),
// so that keys are looked up while their mapping is still the one they were pressed with. All
// the events waiting when it reads are applied, in order, before one layout and one frame.
#include <SDL2/SDL_events.h>

#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/host/Host.h"
#include "platform/foundation/threads/RunLoopSource.h"
#include "platform/ui/input/Touch.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace ui {

class WindowHost : public Host {
 public:
  using Host::Host;
  ~WindowHost() override;

  /// Opens a window of the screen's size in points times `zoom`; false with `error` when no
  /// display can be had.
  bool open(const std::string& title, double zoom, std::string* error);
  void close();
  bool isOpen() const { return window_ != nullptr; }

  /// Handles pending window events and shows a new frame if anything changed; false once the
  /// window was asked to close.
  bool pump();
  /// Pumps and runs the main loop until the window closes or `seconds` (real) pass; answers
  /// the number of frames shown.
  uint64_t run(double seconds = INFINITY);
  /// Pixel of the window's last shown frame at window pixel (x, y) as 0xAARRGGBB.
  uint32_t windowPixel(int x, int y) const;
  uint64_t framesShown() const { return shown_; }

 private:
  void present();
  gfx::Point toPoints(int x, int y) const;
  /// Starts or stops the desktop's text input with the first responder and (unless told not
  /// to, which saves a layout) keeps the candidate window at the caret.
  void followTextInput(bool placeCandidates = true);
  /// Makes the input method drop its composition: the responder ended it.
  void resetInputMethod();
  void keyDown(int keycode, uint16_t modifiers);
  /// Reads what the window system sent into SDL's queue (keys are looked up then).
  void readConnection();
  /// Moves the events in SDL's queue to the end of ours, in order.
  void takeQueuedEvents();
  void handleEvent(const SDL_Event& e);
  /// An input method's composition: UTF-8 text with SDL's selection in characters.
  void compose(const char* utf8, int start, int length);
  void focusChanged(bool focused);

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  double zoom_ = 1;
  uint64_t shown_ = 0;
  bool quit_ = false;
  bool tracking_ = false;
  Ref<Touch> touch_;
  Ref<Window> touchWindow_;
  bool textInput_ = false;
  gfx::Rect imeRect_;
  bool resignedWithFocus_ = false;
  // Events taken from SDL and not yet handled, oldest first.
  std::deque<SDL_Event> events_;
  // Wakes the main run loop when the window's connection has something to read.
  class ConnectionWatch;
  std::shared_ptr<ConnectionWatch> watch_;  // shared: the class is complete only in the source
  Ref<fd::RunLoopSource> connectionSource_;
};

}  // namespace ui
