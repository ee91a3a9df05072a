#include "platform/ui/host/ReboundKeys.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <poll.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <chrono>
#include <cstring>
#include <deque>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define KD_REBOUND_LEAK_CHECKS 1
#endif

namespace ui {

namespace {

using Clock = std::chrono::steady_clock;

/// Longest wait for the record of a press the window already read; it is written before the
/// press is sent to the window, so this is only reached when something is wrong.
constexpr auto kRecordWait = std::chrono::seconds(1);
/// Presses kept for the host to ask about.
constexpr size_t kRemembered = 256;

using Syms = std::vector<uint32_t>;

struct RecordedPress {
  uint32_t time;
  uint8_t keycode;
  Syms syms;  // the key's mapping when it was pressed
};

/// Server time (milliseconds, wrapping) `a` is later than `b`.
bool later(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }

uint32_t swapped32(uint32_t v) { return __builtin_bswap32(v); }

/// The text of a key with mapping `syms` pressed with modifier `state`, by the core rules: the
/// second symbol with Shift, or the first's capital when there is no second.
std::string textOf(const Syms& syms, unsigned state) {
  if (state & (ControlMask | Mod1Mask)) return {};  // a shortcut, not text
  xkb_keysym_t first = syms.empty() ? 0 : syms[0], second = syms.size() > 1 ? syms[1] : 0;
  if (second == 0) {
    second = xkb_keysym_to_upper(first);
    first = xkb_keysym_to_lower(first);
  }
  bool upper = (state & ShiftMask) != 0;
  if ((state & LockMask) && first != second) upper = !upper;
  xkb_keysym_t sym = upper ? second : first;
  char bytes[8];
  if (sym == 0 || xkb_keysym_to_utf8(sym, bytes, sizeof bytes) <= 0) return {};
  auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x20 || lead == 0x7F) return {};  // control characters type nothing
  return bytes;
}

}  // namespace

struct ReboundKeys::State {
  Display* control = nullptr;  // makes and ends the record
  Display* data = nullptr;     // receives it
  XRecordContext context = 0;
  bool enabled = false;
  std::array<Syms, 256> mapping;  // as the server has it, as far as read
  std::array<bool, 256> changed{};
  std::deque<RecordedPress> presses;
  uint32_t latest = 0;  // time of the latest press recorded
  bool anyPress = false;

  ~State() {
    if (enabled) {
      XRecordDisableContext(control, context);
      XSync(control, False);
    }
    if (context) XRecordFreeContext(control, context);
    if (data) XCloseDisplay(data);
    if (control) XCloseDisplay(control);
  }

  static void intercept(XPointer closure, XRecordInterceptData* d) {
    auto* self = reinterpret_cast<State*>(closure);
    if (d->category == XRecordFromClient) self->mappingChanged(d);
    else if (d->category == XRecordFromServer) self->pressed(d);
    XRecordFreeData(d);
  }

  void mappingChanged(const XRecordInterceptData* d) {
    if (d->data_len * 4 < sizeof(xChangeKeyboardMappingReq)) return;
    xChangeKeyboardMappingReq req;
    std::memcpy(&req, d->data, sizeof req);
    if (req.reqType != X_ChangeKeyboardMapping || req.keySymsPerKeyCode == 0) return;
    const size_t count = size_t(req.keyCodes) * req.keySymsPerKeyCode;
    if (d->data_len * 4 < sizeof req + count * 4) return;
    const unsigned char* syms = d->data + sizeof req;
    for (size_t k = 0; k < req.keyCodes; ++k) {
      size_t code = size_t(req.firstKeyCode) + k;
      if (code >= mapping.size()) break;
      Syms key(req.keySymsPerKeyCode);
      for (size_t i = 0; i < key.size(); ++i) {
        uint32_t sym;
        std::memcpy(&sym, syms + 4 * (k * key.size() + i), 4);
        key[i] = d->client_swapped ? swapped32(sym) : sym;
      }
      while (!key.empty() && key.back() == 0) key.pop_back();
      mapping[code] = std::move(key);
      changed[code] = true;
    }
  }

  void pressed(const XRecordInterceptData* d) {
    if (d->data_len * 4 < sizeof(xEvent)) return;
    xEvent e;
    std::memcpy(&e, d->data, sizeof e);
    if ((e.u.u.type & 0x7F) != KeyPress) return;
    RecordedPress press{e.u.keyButtonPointer.time, e.u.u.detail, mapping[e.u.u.detail]};
    latest = press.time;
    anyPress = true;
    presses.push_back(std::move(press));
    if (presses.size() > kRemembered) presses.pop_front();
  }

  /// Reads what the server recorded so far, first waiting up to `milliseconds` for more.
  void read(int milliseconds = 0) {
    pollfd fd{ConnectionNumber(data), POLLIN, 0};
    if (milliseconds > 0) poll(&fd, 1, milliseconds);
    XRecordProcessReplies(data);
  }

  /// The recorded press `key` was, once read; nothing when it is not coming.
  std::optional<RecordedPress> find(const XKeyEvent& key) {
    const uint32_t time = static_cast<uint32_t>(key.time);
    auto deadline = Clock::now() + kRecordWait;
    for (;;) {
      while (!presses.empty() && later(time, presses.front().time)) presses.pop_front();
      for (auto it = presses.begin(); it != presses.end() && !later(it->time, time); ++it) {
        if (it->keycode == key.keycode) {
          RecordedPress found = std::move(*it);
          presses.erase(presses.begin(), it + 1);
          return found;
        }
      }
      // A later press was recorded without this one.
      if (anyPress && later(latest, time)) return std::nullopt;
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return std::nullopt;
      read(static_cast<int>(left));
    }
  }
};

ReboundKeys::ReboundKeys(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  auto state = std::make_unique<State>();
  {
#ifdef KD_REBOUND_LEAK_CHECKS
    // The display library keeps process-lifetime allocations we cannot free.
    __lsan::ScopedDisabler displayAllocations;
#endif
    const char* name = DisplayString(info.info.x11.display);
    state->control = XOpenDisplay(name);
    state->data = XOpenDisplay(name);
    int major = 0, minor = 0;
    if (!state->control || !state->data || !XRecordQueryVersion(state->control, &major, &minor)) return;
    // The mapping as it is now; from here on the record tells every change.
    int first = 0, last = 0, perKey = 0;
    XDisplayKeycodes(state->control, &first, &last);
    if (KeySym* syms = XGetKeyboardMapping(state->control, KeyCode(first), last - first + 1, &perKey)) {
      for (int code = first; code <= last && code < 256; ++code) {
        Syms key(syms + size_t(code - first) * size_t(perKey), syms + size_t(code - first + 1) * size_t(perKey));
        while (!key.empty() && key.back() == NoSymbol) key.pop_back();
        state->mapping[size_t(code)] = std::move(key);
      }
      XFree(syms);
    }
    XRecordClientSpec clients = XRecordAllClients;
    XRecordRange* range = XRecordAllocRange();
    if (!range) return;
    range->core_requests.first = range->core_requests.last = X_ChangeKeyboardMapping;
    range->device_events.first = range->device_events.last = KeyPress;
    state->context = XRecordCreateContext(state->control, 0, &clients, 1, &range, 1);
    XFree(range);
    if (!state->context) return;
    XSync(state->control, False);
    if (!XRecordEnableContextAsync(state->data, state->context, &State::intercept, reinterpret_cast<XPointer>(state.get())))
      return;
    state->enabled = true;
    XFlush(state->data);
  }
  // The window system's events come as copies: the host asks about its key presses.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  state_ = std::move(state);
}

ReboundKeys::~ReboundKeys() {
  if (state_) SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
}

std::optional<std::string> ReboundKeys::textOfPress(const SDL_Event& event) {
  if (!state_ || event.type != SDL_SYSWMEVENT || !event.syswm.msg) return std::nullopt;
  const SDL_SysWMmsg& msg = *event.syswm.msg;
  if (msg.subsystem != SDL_SYSWM_X11) return std::nullopt;
  const XEvent& x = msg.msg.x11.event;
  // Presses an input method sends back are not the server's.
  if (x.type != KeyPress || x.xkey.send_event || x.xkey.keycode >= 256) return std::nullopt;
  state_->read();
  if (!state_->changed[x.xkey.keycode]) return std::nullopt;
  auto press = state_->find(x.xkey);
  if (!press) return std::nullopt;
  return textOf(press->syms, x.xkey.state);
}

}  // namespace ui
