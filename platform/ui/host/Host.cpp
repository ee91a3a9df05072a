#include "platform/ui/host/Host.h"

#include <cmath>
#include <filesystem>
#include <sstream>

#include "platform/dispatch/Clock.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/input/text/TextInput.h"
#include "platform/ui/layer/Transaction.h"

namespace ui {

Host::Host(Ref<Screen> screen)
    : screen_(screen ? std::move(screen) : Screen::mainScreen()),
      compositor_(screen_->bounds().size, screen_->scale()) {}

std::vector<Ref<Window>> Host::windows() const {
  std::vector<Ref<Window>> all = source_ ? source_() : Application::sharedApplication()->windows();
  std::vector<Ref<Window>> shown;
  for (auto& w : all)
    if (w && !w->isHidden()) shown.push_back(w);
  return shown;
}

Ref<Window> Host::inputWindow() const {
  auto shown = windows();
  if (!source_) {
    if (auto key = Application::sharedApplication()->keyWindow(); key && !key->isHidden()) return key;
  }
  return shown.empty() ? nullptr : shown.back();
}

Ref<Window> Host::windowAt(gfx::Point p) const {
  Ref<Window> input = inputWindow();
  auto shown = windows();
  for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
    const Ref<Window>& w = *it;
    if (w == input || (input && w->windowLevel() <= input->windowLevel())) continue;
    if (w->hitTest(w->convertPointFromWindow(p, nullptr), nullptr)) return w;
  }
  return input;
}

void Host::settle() {
  if (dispatch::isVirtualClock()) fd::RunLoopDriver::runUntilIdle();
  else fd::RunLoop::currentRunLoop()->runInMode(rt::String(fd::NSDefaultRunLoopMode), 0, false);
  Transaction::flush();
}

bool Host::renderFrame() {
  settle();
  std::vector<Ref<Layer>> roots;
  for (auto& w : windows()) roots.push_back(w->layer());
  return compositor_.render(roots);
}

void Host::tap(gfx::Point p) {
  if (auto w = windowAt(p)) TouchInput(w).tap(w->convertPointFromWindow(p, nullptr));
  settle();
}

void Host::drag(gfx::Point from, gfx::Point to, double seconds) {
  if (auto w = windowAt(from)) {
    int steps = std::max(2, static_cast<int>(std::ceil(seconds * 60)));
    TouchInput(w).drag(w->convertPointFromWindow(from, nullptr), w->convertPointFromWindow(to, nullptr), seconds, steps);
  }
  settle();
}

void Host::press(gfx::Point p) {
  release();
  heldWindow_ = windowAt(p);
  if (!heldWindow_) return;
  heldAt_ = p;
  held_ = TouchInput(heldWindow_).down(heldWindow_->convertPointFromWindow(p, nullptr));
  settle();
}

void Host::moveHeld(gfx::Point to, double seconds) {
  if (!held_) return;
  const gfx::Point from = heldAt_;
  const int steps = std::max(2, static_cast<int>(std::ceil(seconds * 60)));
  for (int i = 1; i <= steps; ++i) {
    wait(seconds / steps);
    const double f = double(i) / steps;
    const gfx::Point at{from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f};
    TouchInput(heldWindow_).move(held_, heldWindow_->convertPointFromWindow(at, nullptr));
  }
  heldAt_ = to;
  settle();
}

void Host::release() {
  if (!held_) return;
  Ref<Touch> touch = std::move(held_);
  Ref<Window> window = std::move(heldWindow_);
  TouchInput(window).up(touch);
  settle();
}

void Host::wait(double seconds) { TouchInput::wait(seconds); }

void Host::commit(const rt::String& text) {
  if (!text.isEmpty()) return typeText(text);
  auto* input = KeyboardInput::focusedTextInput();
  if (!input) return;
  auto marked = input->markedTextRange();
  if (!marked) return;
  // The composed text as typed: marking ends and the characters stay.
  input->unmarkText();
}

namespace {
/// The rest of the line after the verb and one space; a backslash before n or t stands for a
/// line break or a tab.
std::string scriptText(const std::string& line, const std::string& verb) {
  size_t at = line.find(verb) + verb.size();
  if (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  std::string raw = line.substr(std::min(at, line.size()));
  while (!raw.empty() && raw.back() == '\r') raw.pop_back();
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == 'n' || raw[i + 1] == 't')) {
      out.push_back(raw[i + 1] == 'n' ? '\n' : '\t');
      ++i;
    } else {
      out.push_back(raw[i]);
    }
  }
  return out;
}
}  // namespace

bool parseHostScript(const std::string& text, std::vector<HostScriptStep>* steps, std::string* error) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(number) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++number;
    auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string verb;
    if (!(words >> verb)) continue;
    HostScriptStep step;
    step.line = number;
    size_t count = 0;
    if (verb == "tap") step.kind = HostScriptStep::Kind::Tap, count = 2;
    else if (verb == "drag") step.kind = HostScriptStep::Kind::Drag, count = 5;
    else if (verb == "wait") step.kind = HostScriptStep::Kind::Wait, count = 1;
    else if (verb == "shoot") step.kind = HostScriptStep::Kind::Shoot;
    else if (verb == "type") step.kind = HostScriptStep::Kind::Type;
    else if (verb == "key") step.kind = HostScriptStep::Kind::Key;
    else if (verb == "compose") step.kind = HostScriptStep::Kind::Compose;
    else if (verb == "commit") step.kind = HostScriptStep::Kind::Commit;
    else if (verb == "press") step.kind = HostScriptStep::Kind::Press, count = 2;
    else if (verb == "move") step.kind = HostScriptStep::Kind::Move, count = 3;
    else if (verb == "release") step.kind = HostScriptStep::Kind::Release;
    else return fail("unknown command \"" + verb + "\"");
    if (step.kind == HostScriptStep::Kind::Type || step.kind == HostScriptStep::Kind::Compose ||
        step.kind == HostScriptStep::Kind::Commit) {
      step.name = scriptText(line, verb);
      if (step.name.empty() && step.kind != HostScriptStep::Kind::Commit) return fail(verb + " needs text");
      if (!rt::String::fromUTF8(step.name.data(), step.name.size())) return fail(verb + " text is not UTF-8");
      if (steps) steps->push_back(step);
      continue;
    }
    if (step.kind == HostScriptStep::Kind::Key) {
      if (!(words >> step.name)) return fail("key needs a key name");
      if (!parseKeyPress(step.name)) return fail("unknown key \"" + step.name + "\"");
    } else if (step.kind == HostScriptStep::Kind::Shoot) {
      if (!(words >> step.name)) return fail("shoot needs a name");
      if (step.name.find('/') != std::string::npos || step.name == "." || step.name == "..")
        return fail("shoot name must be a plain file name");
    } else {
      for (size_t i = 0; i < count; ++i) {
        std::string w;
        if (!(words >> w)) return fail(verb + " needs " + std::to_string(count) + " numbers");
        char* end = nullptr;
        double v = std::strtod(w.c_str(), &end);
        if (end == w.c_str() || *end != '\0' || !std::isfinite(v)) return fail("not a number: \"" + w + "\"");
        step.args[i] = v;
      }
      if ((step.kind == HostScriptStep::Kind::Wait && step.args[0] < 0) ||
          (step.kind == HostScriptStep::Kind::Drag && step.args[4] < 0) ||
          (step.kind == HostScriptStep::Kind::Move && step.args[2] < 0))
        return fail("seconds must not be negative");
    }
    std::string extra;
    if (words >> extra) return fail("unexpected \"" + extra + "\"");
    if (steps) steps->push_back(step);
  }
  return true;
}

bool HeadlessHost::shoot(const std::string& path, std::string* error) {
  renderFrame();
  if (!compositor().writePNG(rt::String(path.c_str()))) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

void HeadlessHost::waitDrawing(double seconds) {
  // A window keeps drawing while time passes; a played script must too, or a screen that starts
  // its work on its first drawn frame would sit idle until the next shot.
  constexpr double kFrame = 1.0 / 60;
  for (double left = seconds; left > 1e-9; left -= kFrame) {
    wait(std::min(kFrame, left));
    renderFrame();
  }
}

bool HeadlessHost::runScript(const std::string& text, const std::string& outputDir, std::string* error) {
  std::vector<HostScriptStep> steps;
  if (!parseHostScript(text, &steps, error)) return false;
  std::error_code ec;
  std::filesystem::create_directories(outputDir, ec);
  for (auto& s : steps) {
    switch (s.kind) {
      case HostScriptStep::Kind::Tap: tap({s.args[0], s.args[1]}); break;
      case HostScriptStep::Kind::Drag: drag({s.args[0], s.args[1]}, {s.args[2], s.args[3]}, s.args[4]); break;
      case HostScriptStep::Kind::Wait: waitDrawing(s.args[0]); break;
      case HostScriptStep::Kind::Type: typeText(rt::String(s.name)); break;
      case HostScriptStep::Kind::Key: pressKey(*parseKeyPress(s.name)); break;
      case HostScriptStep::Kind::Compose: compose(rt::String(s.name)); break;
      case HostScriptStep::Kind::Commit: commit(rt::String(s.name)); break;
      case HostScriptStep::Kind::Press: press({s.args[0], s.args[1]}); break;
      case HostScriptStep::Kind::Move: moveHeld({s.args[0], s.args[1]}, s.args[2]); break;
      case HostScriptStep::Kind::Release: release(); break;
      case HostScriptStep::Kind::Shoot: {
        std::string path = (std::filesystem::path(outputDir) / (s.name + ".png")).string();
        if (!shoot(path, error)) return false;
        if (shotObserver_) shotObserver_(s.name, path);
        break;
      }
    }
  }
  // A finger left down at the end would hold the screen in its gesture.
  release();
  return true;
}

}  // namespace ui
