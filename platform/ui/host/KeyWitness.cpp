#include "platform/ui/host/KeyWitness.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define KD_WITNESS_LEAK_CHECKS 1
#endif

namespace ui {

namespace {

using Clock = std::chrono::steady_clock;

/// Presses kept for the host to ask about.
constexpr size_t kRemembered = 256;
/// How long after its change a key counts as rebound.
constexpr auto kReboundFor = std::chrono::seconds(2);
/// A change of at most this many keys is a rebinding; more is a new layout.
constexpr int kRebindingKeys = 8;

struct SeenPress {
  unsigned long time;
  unsigned keycode;
  bool rebound;
  std::string text;
};

void appendUTF8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

/// What the key typed, read from the keyboard mapping as it is now.
std::string typedText(XKeyEvent& key) {
  if (key.state & (ControlMask | Mod1Mask)) return {};  // a shortcut, not text
  char bytes[32];
  KeySym sym = NoSymbol;
  XLookupString(&key, bytes, sizeof bytes, &sym, nullptr);
  uint32_t c = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(sym));
  std::string text;
  if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && c <= 0x10FFFF) appendUTF8(text, c);
  return text;
}

}  // namespace

struct KeyWitness::State {
  Display* display = nullptr;
  Window window = 0;
  int wake = -1;
  std::thread thread;
  std::mutex mutex;
  std::condition_variable seen;
  std::deque<SeenPress> presses;  // guarded by mutex
  unsigned long latest = 0;       // X time of the newest press seen; guarded by mutex
  Clock::time_point changed[256] = {};

  ~State() {
    if (thread.joinable()) {
      uint64_t one = 1;
      (void)!write(wake, &one, sizeof one);
      thread.join();
    }
    if (display) XCloseDisplay(display);
    if (wake >= 0) close(wake);
  }

  void run() {
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {wake, POLLIN, 0}};
    for (;;) {
      while (XPending(display)) {
        XEvent e;
        XNextEvent(display, &e);
        handle(e);
      }
      if (poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      if (fds[0].revents & (POLLERR | POLLHUP)) return;
    }
  }

  void handle(XEvent& e) {
    if (e.type == MappingNotify) {
      XRefreshKeyboardMapping(&e.xmapping);
      if (e.xmapping.request == MappingKeyboard && e.xmapping.count <= kRebindingKeys) {
        for (int k = e.xmapping.first_keycode; k < e.xmapping.first_keycode + e.xmapping.count; ++k)
          if (k >= 0 && k < 256) changed[k] = Clock::now();
      }
      return;
    }
    if (e.type != KeyPress) return;
    unsigned code = e.xkey.keycode;
    bool rebound = code < 256 && changed[code] != Clock::time_point{} && Clock::now() - changed[code] < kReboundFor;
    SeenPress press{e.xkey.time, code, rebound, rebound ? typedText(e.xkey) : std::string()};
    std::lock_guard<std::mutex> lock(mutex);
    presses.push_back(std::move(press));
    if (presses.size() > kRemembered) presses.pop_front();
    if (e.xkey.time > latest) latest = e.xkey.time;
    seen.notify_all();
  }
};

KeyWitness::KeyWitness(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  auto state = std::make_shared<State>();
  {
#ifdef KD_WITNESS_LEAK_CHECKS
    // The display library keeps process-lifetime allocations we cannot free.
    __lsan::ScopedDisabler displayAllocations;
#endif
    state->display = XOpenDisplay(DisplayString(info.info.x11.display));
  }
  state->wake = eventfd(0, EFD_CLOEXEC);
  if (!state->display || state->wake < 0) return;
  state->window = info.info.x11.window;
  XSelectInput(state->display, state->window, KeyPressMask);
  XSync(state->display, False);
  State* s = state.get();
  state->thread = std::thread([s] {
#ifdef KD_WITNESS_LEAK_CHECKS
    __lsan::ScopedDisabler displayAllocations;
#endif
    s->run();
  });
  // Events of the window system come as copies of its own events: the host asks about presses.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  state_ = std::move(state);
}

KeyWitness::~KeyWitness() {
  if (state_) SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
}

std::optional<std::string> KeyWitness::reboundKeyText(const SDL_Event& event, double waitSeconds) {
  if (!state_ || event.type != SDL_SYSWMEVENT || !event.syswm.msg) return std::nullopt;
  const SDL_SysWMmsg& msg = *event.syswm.msg;
  if (msg.subsystem != SDL_SYSWM_X11) return std::nullopt;
  const XEvent& x = msg.msg.x11.event;
  // Presses an input method sends back were seen as they first came.
  if (x.type != KeyPress || x.xkey.send_event) return std::nullopt;
  std::unique_lock<std::mutex> lock(state_->mutex);
  const SeenPress* found = nullptr;
  auto look = [&] {
    for (auto it = state_->presses.rbegin(); it != state_->presses.rend(); ++it) {
      if (it->time == x.xkey.time && it->keycode == x.xkey.keycode) {
        found = &*it;
        return true;
      }
    }
    // A later press seen without this one: it is not coming.
    return state_->latest > x.xkey.time;
  };
  state_->seen.wait_for(lock, std::chrono::duration<double>(waitSeconds), look);
  if (!found || !found->rebound) return std::nullopt;
  return found->text;
}

}  // namespace ui
