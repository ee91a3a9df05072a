#include "platform/ui/host/Host.h"

#include <cmath>
#include <filesystem>
#include <sstream>

#include "platform/dispatch/Clock.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/TouchInput.h"
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
  if (auto w = inputWindow()) TouchInput(w).tap(w->convertPointFromWindow(p, nullptr));
  settle();
}

void Host::drag(gfx::Point from, gfx::Point to, double seconds) {
  if (auto w = inputWindow()) {
    int steps = std::max(2, static_cast<int>(std::ceil(seconds * 60)));
    TouchInput(w).drag(w->convertPointFromWindow(from, nullptr), w->convertPointFromWindow(to, nullptr), seconds, steps);
  }
  settle();
}

void Host::wait(double seconds) { TouchInput::wait(seconds); }

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
    else return fail("unknown command \"" + verb + "\"");
    if (step.kind == HostScriptStep::Kind::Shoot) {
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
          (step.kind == HostScriptStep::Kind::Drag && step.args[4] < 0))
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
      case HostScriptStep::Kind::Shoot:
        if (!shoot((std::filesystem::path(outputDir) / (s.name + ".png")).string(), error)) return false;
        break;
    }
  }
  return true;
}

}  // namespace ui
