#include "platform/ui/host/HostWindow.h"

#include <SDL2/SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define KD_HOST_LEAK_CHECKS 1
#endif

#include "platform/dispatch/Clock.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/HostConnection.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"

namespace ui {

namespace {

/// The desktop clipboard through SDL: plain text only.
class SdlClipboard : public DesktopClipboard {
 public:
  std::optional<rt::String> text() override {
    if (!SDL_HasClipboardText()) return std::nullopt;
    char* t = SDL_GetClipboardText();
    if (!t) return std::nullopt;
    std::optional<rt::String> s = rt::String::fromUTF8(t, std::strlen(t));
    SDL_free(t);
    if (s && s->isEmpty()) return std::nullopt;
    return s;
  }
  void setText(const rt::String& text) override { SDL_SetClipboardText(text.utf8().c_str()); }
};

/// What an event holds beyond itself (a whole composition's text).
void freeEvent(SDL_Event& e) {
  if (e.type == SDL_TEXTEDITING_EXT) {
    SDL_free(e.editExt.text);
    e.editExt.text = nullptr;
  }
}

/// SDL counts a composition's cursor in characters; text input counts UTF-16 units.
uint64_t utf16Offset(const rt::String& s, int64_t codePoints) {
  uint64_t units = 0;
  std::u32string cps = s.toUTF32();
  for (int64_t i = 0; i < codePoints && i < static_cast<int64_t>(cps.size()); ++i) units += cps[size_t(i)] > 0xFFFF ? 2 : 1;
  return units;
}

}  // namespace

/// A thread that waits until the window's connection has bytes to read and then wakes the main
/// run loop through a source; it waits again once the main thread has read the connection
/// (`rearm`), so that it never spins on bytes the main thread has not read yet. It only looks
/// at the descriptor: the connection is read (by SDL) on the main thread alone.
class WindowHost::ConnectionWatch {
 public:
  ConnectionWatch(int descriptor, Ref<fd::RunLoopSource> source) : fd_(descriptor), source_(std::move(source)) {
    if (pipe2(stop_, O_CLOEXEC) != 0) stop_[0] = stop_[1] = -1;
    thread_ = std::thread([this] { watch(); });
  }
  ~ConnectionWatch() {
    {
      std::lock_guard lk(mutex_);
      quit_ = true;
    }
    cv_.notify_one();
    if (stop_[1] >= 0) {
      char c = 0;
      (void)!write(stop_[1], &c, 1);
    }
    thread_.join();
    for (int f : stop_)
      if (f >= 0) ::close(f);
  }
  /// The main thread has read what was there: watch for more.
  void rearm() {
    {
      std::lock_guard lk(mutex_);
      if (armed_) return;
      armed_ = true;
    }
    cv_.notify_one();
  }

 private:
  void watch() {
    for (;;) {
      {
        std::unique_lock lk(mutex_);
        cv_.wait(lk, [&] { return armed_ || quit_; });
        if (quit_) return;
      }
      pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      int n = poll(fds, stop_[0] >= 0 ? 2 : 1, stop_[0] >= 0 ? -1 : 100);
      if (n < 0 && errno != EINTR) return;
      if (fds[1].revents) return;
      if (fds[0].revents & POLLNVAL) return;
      if (n > 0 && fds[0].revents) {
        {
          std::lock_guard lk(mutex_);
          armed_ = false;
        }
        source_->signal();
      }
    }
  }

  int fd_;
  Ref<fd::RunLoopSource> source_;
  int stop_[2] = {-1, -1};
  std::mutex mutex_;
  std::condition_variable cv_;
  bool armed_ = true, quit_ = false;
  std::thread thread_;
};

WindowHost::~WindowHost() { close(); }

bool WindowHost::open(const std::string& title, double zoom, std::string* error) {
  if (window_) return true;
  zoom_ = zoom > 0 ? zoom : 1;
  // Let quitting release the system-bus library's memory too (the host owns the process).
  SDL_SetHint("SDL_SHUTDOWN_DBUS_ON_QUIT", "1");
  // A composition comes whole in one event however long it is, not cut into pieces of 31 bytes
  // that each look like the whole.
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
  // Frames are drawn here and shown through the window's own framebuffer: left to itself the
  // video system would try a GPU texture behind the software renderer, and to get one it
  // destroys the window it has just shown and makes another (a flash, and a new window id).
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
#ifdef KD_HOST_LEAK_CHECKS
  // The display and system-bus libraries keep process-lifetime allocations we cannot free.
  __lsan::ScopedDisabler thirdPartyAllocations;
#endif
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (error) *error = std::string("cannot start the video system: ") + SDL_GetError();
    return false;
  }
  gfx::Size size = screen()->bounds().size;
  int w = static_cast<int>(std::lround(size.width * zoom_)), h = static_cast<int>(std::lround(size.height * zoom_));
  window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w, h, SDL_WINDOW_SHOWN);
  if (window_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (renderer_) {
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 static_cast<int>(compositor().pixelWidth()), static_cast<int>(compositor().pixelHeight()));
  }
  if (!texture_) {
    if (error) *error = std::string("cannot open a window: ") + SDL_GetError();
    close();
    return false;
  }
  quit_ = false;
  textInput_ = false;
  SDL_StopTextInput();  // on until a responder takes text
  keyboardInput().setInputMethodReset([this] { resetInputMethod(); });
  if (int descriptor = windowConnectionDescriptor(window_); descriptor >= 0) {
    // Read in every mode the loop runs in while the window is open, nested runs included.
    connectionSource_ = fd::RunLoopSource::create(0, [this] { readConnection(); });
    fd::RunLoop::mainRunLoop()->addSource(connectionSource_, rt::String(fd::NSRunLoopCommonModes));
    watch_ = std::make_shared<ConnectionWatch>(descriptor, connectionSource_);
  }
  Pasteboard::setDesktopClipboard(std::make_shared<SdlClipboard>());
  present();
  return true;
}

void WindowHost::close() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) {
    Pasteboard::setDesktopClipboard(nullptr);
    keyboardInput().setInputMethodReset(nullptr);
    for (auto& e : events_) freeEvent(e);
    events_.clear();
    watch_.reset();
    if (connectionSource_) {
      fd::RunLoop::mainRunLoop()->removeSource(connectionSource_, rt::String(fd::NSRunLoopCommonModes));
      connectionSource_->invalidate();
      connectionSource_ = nullptr;
    }
    if (textInput_) SDL_StopTextInput();
    textInput_ = false;
    SDL_DestroyWindow(window_);
    // Quitting whole also closes the system-bus connection the video system opened.
    SDL_Quit();
  }
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
}

gfx::Point WindowHost::toPoints(int x, int y) const { return {x / zoom_, y / zoom_}; }

void WindowHost::present() {
  if (!texture_) return;
  bool drew = renderFrame();
  if (!drew && shown_ > 0) return;
  // Cairo's premultiplied native ARGB is what the texture takes.
  SDL_UpdateTexture(texture_, nullptr, compositor().pixels(), static_cast<int>(compositor().bytesPerRow()));
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
  ++shown_;
}

bool WindowHost::pump() {
  if (!window_) return false;
  readConnection();
  takeQueuedEvents();
  if (!events_.empty()) {
    // Everything that waits is applied before one layout and one frame, in order, each key and
    // text as if alone.
    keyboardInput().beginBatch();
    while (!events_.empty()) {
      SDL_Event e = events_.front();
      events_.pop_front();
      handleEvent(e);
      freeEvent(e);
      followTextInput(false);
    }
    keyboardInput().endBatch();
  }
  followTextInput();
  present();
  return !quit_;
}

void WindowHost::compose(const char* utf8, int start, int length) {
  rt::String text{std::string_view(utf8)};
  // SDL counts in characters; a length below zero (as whole compositions come) selects nothing.
  uint64_t at = utf16Offset(text, start);
  uint64_t to = length > 0 ? utf16Offset(text, int64_t(start) + length) : at;
  keyboardInput().compose(text, {at, to > at ? to - at : 0});
}

void WindowHost::takeQueuedEvents() {
  SDL_Event e;
  while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) events_.push_back(e);
}

void WindowHost::handleEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT: quit_ = true; break;
    case SDL_WINDOWEVENT:
      if (e.window.windowID != SDL_GetWindowID(window_)) break;
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) quit_ = true;
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) shown_ = 0;  // show the frame again
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) focusChanged(false);
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) focusChanged(true);
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.button == SDL_BUTTON_LEFT && !tracking_) {
        touchWindow_ = windowAt(toPoints(e.button.x, e.button.y));
        if (touchWindow_) {
          tracking_ = true;
          touch_ = TouchInput(touchWindow_).down(
              touchWindow_->convertPointFromWindow(toPoints(e.button.x, e.button.y), nullptr));
        }
      }
      break;
    case SDL_MOUSEMOTION:
      if (tracking_ && touchWindow_)
        TouchInput(touchWindow_).move(touch_, touchWindow_->convertPointFromWindow(toPoints(e.motion.x, e.motion.y), nullptr));
      break;
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_LEFT && tracking_ && touchWindow_) {
        TouchInput(touchWindow_).move(touch_, touchWindow_->convertPointFromWindow(toPoints(e.button.x, e.button.y), nullptr));
        TouchInput(touchWindow_).up(touch_);
        tracking_ = false;
        touch_ = nullptr;
        touchWindow_ = nullptr;
      }
      break;
    case SDL_MOUSEWHEEL: {
      if (tracking_) break;
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      gfx::Point from = toPoints(x, y);
      gfx::Point to{from.x - e.wheel.x * 40.0, from.y + e.wheel.y * 40.0};
      drag(from, to, 0.1);
      break;
    }
    case SDL_TEXTINPUT: typeText(rt::String(std::string_view(e.text.text))); break;
    case SDL_TEXTEDITING: compose(e.edit.text, e.edit.start, e.edit.length); break;
    case SDL_TEXTEDITING_EXT: compose(e.editExt.text ? e.editExt.text : "", e.editExt.start, e.editExt.length); break;
    case SDL_KEYDOWN: keyDown(e.key.keysym.sym, e.key.keysym.mod); break;
    default: break;
  }
}

void WindowHost::keyDown(int keycode, uint16_t modifiers) {
  KeyPress k;
  if (modifiers & KMOD_SHIFT) k.modifiers |= KeyModifierShift;
  if (modifiers & KMOD_CTRL) k.modifiers |= KeyModifierControl;
  if (modifiers & KMOD_ALT) k.modifiers |= KeyModifierAlternate;
  switch (keycode) {
    case SDLK_LEFT: k.key = Key::Left; break;
    case SDLK_RIGHT: k.key = Key::Right; break;
    case SDLK_UP: k.key = Key::Up; break;
    case SDLK_DOWN: k.key = Key::Down; break;
    case SDLK_HOME: k.key = Key::Home; break;
    case SDLK_END: k.key = Key::End; break;
    case SDLK_PAGEUP: k.key = Key::PageUp; break;
    case SDLK_PAGEDOWN: k.key = Key::PageDown; break;
    case SDLK_BACKSPACE: k.key = Key::Backspace; break;
    case SDLK_DELETE: k.key = Key::Delete; break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: k.key = Key::Return; break;
    case SDLK_TAB: k.key = Key::Tab; break;
    case SDLK_ESCAPE: k.key = Key::Escape; break;
    case SDLK_INSERT: k.key = Key::Insert; break;
    case SDLK_F6: k.key = Key::Shake; break;
    default:
      // Characters come as text; with Ctrl they are shortcuts.
      if (!(k.modifiers & KeyModifierControl) || keycode <= 0 || keycode >= 0x80) return;
      k.key = Key::Character;
      k.character = static_cast<char32_t>(keycode);
      break;
  }
  pressKey(k);
}

void WindowHost::readConnection() {
  if (!window_) return;
  // SDL reads every event the server sent, in order (keyboard-mapping changes among the key
  // presses), and looks each key up as it reads it: the sooner after the press, the surer the
  // mapping is still the one it was pressed with.
  SDL_PumpEvents();
  if (watch_) watch_->rearm();
}

void WindowHost::focusChanged(bool focused) {
  auto app = Application::sharedApplication();
  if (!focused && app->applicationState() == ApplicationState::Active) {
    resignedWithFocus_ = true;
    app->resignActive();
  } else if (focused && resignedWithFocus_) {
    resignedWithFocus_ = false;
    app->becomeActive();
  }
}

void WindowHost::resetInputMethod() {
  if (!textInput_) return;
  // Stopping text input makes the input method drop its composition, and SDL drops the text
  // events still queued with it: they are taken first, to be handled in their turn.
  takeQueuedEvents();
  SDL_StopTextInput();
  SDL_StartTextInput();
  imeRect_ = gfx::RectZero;  // placed again
}

void WindowHost::followTextInput(bool placeCandidates) {
  keyboardInput().followFocus();
  bool wants = KeyboardInput::focusedTextInput() != nullptr;
  if (wants != textInput_) {
    textInput_ = wants;
    if (wants) {
      SDL_StartTextInput();
    } else {
      takeQueuedEvents();  // text already typed goes to the next responder that takes it
      SDL_StopTextInput();
    }
    imeRect_ = gfx::RectZero;
  }
  if (!textInput_ || !placeCandidates) return;
  auto caret = keyboardInput().caretRectOnScreen();
  if (!caret || *caret == imeRect_) return;
  imeRect_ = *caret;
  SDL_Rect r{static_cast<int>(std::lround(caret->origin.x * zoom_)), static_cast<int>(std::lround(caret->origin.y * zoom_)),
             std::max(1, static_cast<int>(std::lround(caret->size.width * zoom_))),
             std::max(1, static_cast<int>(std::lround(caret->size.height * zoom_)))};
  SDL_SetTextInputRect(&r);
}

uint64_t WindowHost::run(double seconds) {
  double end = dispatch::realUptime() + seconds;
  uint64_t before = shown_;
  auto loop = fd::RunLoop::mainRunLoop();
  while (pump() && dispatch::realUptime() < end) {
    // Events read meanwhile (a frame's drawing talks to the server too) are handled at once;
    // otherwise the loop sleeps until the connection has something, a source, timer or block
    // is due, or a frame's time has passed (events of the desktop bus, as the input method's,
    // are read then). In whatever mode the loop is switched to: tracking while the content is
    // dragged.
    readConnection();
    double wait = SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) ? 0 : std::min(1.0 / 60, end - dispatch::realUptime());
    loop->runInMode(loop->runMode(), std::max(wait, 0.0), true);
  }
  return shown_ - before;
}

uint32_t WindowHost::windowPixel(int x, int y) const {
  if (!renderer_) return 0;
  uint32_t pixel = 0;
  SDL_Rect r{x, y, 1, 1};
  if (SDL_RenderReadPixels(renderer_, &r, SDL_PIXELFORMAT_ARGB8888, &pixel, 4) != 0) return 0;
  return pixel;
}

}  // namespace ui
