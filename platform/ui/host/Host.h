#pragma once
// Runs the application's windows on a screen: renders their layer trees into one frame and
// feeds input to them through the normal touch path. The headless host writes frames as PNG
// files and plays input scripts; the window host (HostWindow.h) shows frames in a real window.
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/input/Touch.h"
#include "platform/ui/input/keys/KeyboardInput.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"

namespace ui {

class Host {
 public:
  explicit Host(Ref<Screen> screen = Screen::mainScreen());
  virtual ~Host() = default;

  const Ref<Screen>& screen() const { return screen_; }
  Compositor& compositor() { return compositor_; }

  /// The windows shown, back to front (default: the shared application's visible windows).
  void setWindowSource(std::function<std::vector<Ref<Window>>()> source) { source_ = std::move(source); }
  std::vector<Ref<Window>> windows() const;
  /// The window that receives input: the key window, else the front-most shown one.
  Ref<Window> inputWindow() const;
  /// The window a touch at `p` (screen points) goes to: a shown window above the input window
  /// that has a view there (the keyboard), else the input window.
  Ref<Window> windowAt(gfx::Point p) const;

  /// Lets pending work of this turn finish (layout, transactions) and renders when anything
  /// changed; answers whether a new frame was drawn.
  bool renderFrame();

  // Input in screen points, delivered through hit testing of the input window.
  void tap(gfx::Point p);
  void drag(gfx::Point from, gfx::Point to, double seconds);
  /// A finger that stays down at `p` while time passes, until `release` (a finger already
  /// held is lifted first).
  void press(gfx::Point p);
  /// Moves the held finger to `to` over `seconds`; nothing when no finger is held.
  void moveHeld(gfx::Point to, double seconds);
  /// Lifts the held finger, if any.
  void release();
  bool isHoldingTouch() const { return held_ != nullptr; }
  /// Lets `seconds` pass on the run loop's clock (instantly on a virtual clock).
  static void wait(double seconds);

  // Keyboard input for the first responder (see KeyboardInput).
  KeyboardInput& keyboardInput() { return keys_; }
  void typeText(const rt::String& text) { keys_.typeText(text); }
  bool pressKey(const KeyPress& key) { return keys_.press(key, inputWindow()); }
  /// An input-method composition with the caret at its end.
  void compose(const rt::String& text) { keys_.compose(text, {text.length(), 0}); }
  /// Ends a composition by typing `text`, or the composed text itself when `text` is empty.
  void commit(const rt::String& text);

 protected:
  /// Runs queued main-loop work without letting time pass.
  static void settle();

 private:
  Ref<Screen> screen_;
  Compositor compositor_;
  std::function<std::vector<Ref<Window>>()> source_;
  KeyboardInput keys_;
  Ref<Touch> held_;
  Ref<Window> heldWindow_;
  gfx::Point heldAt_;
};

/// One step of an input script.
struct HostScriptStep {
  enum class Kind { Tap, Drag, Wait, Shoot, Type, Key, Compose, Commit, Press, Move, Release } kind;
  double args[5] = {0, 0, 0, 0, 0};
  std::string name;  // the shot's name, the text typed or composed, the key
  int line = 0;
};

/// Parses "tap x y", "drag x1 y1 x2 y2 seconds", "wait seconds", "shoot NAME", "type TEXT",
/// "key KEYS" ("ctrl+shift+left"), "compose TEXT", "commit [TEXT]", and "press x y", "move x y
/// seconds" and "release" for a finger held down across steps (blank lines and '#' comments
/// ignored; TEXT is the rest of the line, "\n" a line break). On a bad line answers false with
/// `error` naming it.
bool parseHostScript(const std::string& text, std::vector<HostScriptStep>* steps, std::string* error);

class HeadlessHost : public Host {
 public:
  using Host::Host;
  /// Renders the current frame into a PNG file.
  bool shoot(const std::string& path, std::string* error = nullptr);
  /// Plays a script, writing "NAME.png" into `outputDir` for every shoot; the whole script
  /// is checked before anything runs.
  bool runScript(const std::string& text, const std::string& outputDir, std::string* error);
  /// Lets `seconds` pass, drawing a frame every sixtieth of a second as a window would.
  void waitDrawing(double seconds);
  /// Told of every shot a script writes, right after it is written, while the screen is as shot.
  void setShotObserver(std::function<void(const std::string& name, const std::string& path)> observer) {
    shotObserver_ = std::move(observer);
  }

 private:
  std::function<void(const std::string& name, const std::string& path)> shotObserver_;
};

}  // namespace ui
