#include "tools/text-lab/TLLabRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/foundation/files/Bundle.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/host/HostWindow.h"
#include "platform/ui/host/LaunchSupport.h"
#include "platform/ui/input/Keyboard.h"

namespace textlab {

std::optional<std::string> labTourPath() {
  auto path = fd::Bundle::mainBundle()->pathForResource("tour", "txt", "text-lab");
  if (!path) return std::nullopt;
  return path->utf8();
}

bool launchTextLab(const TLLabOptions& options) {
  // The lab is about typing: the on-screen keyboard is drawn (so that a mouse alone can type
  // in a window, and the shots show it) unless told not to.
  const bool noKeyboard = options.keyboard && *options.keyboard == "none";
  ui::Keyboard::sharedKeyboard()->setStyle(noKeyboard ? ui::KeyboardStyle::None : ui::KeyboardStyle::OnScreen);
  return ui::Application::sharedApplication()->launchWithDelegateClass("TLLabDelegate");
}

int runTextLab(const TLLabOptions& options, const std::function<void(const std::string&)>& say) {
  const bool headless = options.headless || options.script.has_value() || !ui::hostHasDisplay();
  std::string script;
  if (headless) {
    std::string scriptPath;
    if (options.script) {
      scriptPath = *options.script;
    } else if (auto tour = labTourPath()) {
      scriptPath = *tour;
    } else {
      say("text-lab: the tour (text-lab/tour.txt) is missing from the resources");
      return 1;
    }
    if (!ui::readTextFile(scriptPath, &script)) {
      say("text-lab: cannot read the script " + scriptPath);
      return 2;
    }
    // A bad script is refused before anything starts.
    std::string error;
    if (!ui::parseHostScript(script, nullptr, &error)) {
      say("text-lab: " + scriptPath + ": " + error);
      return 2;
    }
  }

  if (!launchTextLab(options)) {
    say("text-lab: the application delegate could not be made");
    return 1;
  }
  if (headless) {
    std::string outDir = options.outDir ? *options.outDir : ui::makeShotFolder("text-lab-tour");
    say("headless: shots go to " + outDir);
    ui::HeadlessHost host;
    std::string error;
    if (!host.runScript(script, outDir, &error)) {
      say("text-lab: " + error);
      return 1;
    }
    return 0;
  }
  ui::WindowHost host;
  std::string error;
  if (!host.open("Text lab", 1, &error)) {
    say("text-lab: no window: " + error);
    return 1;
  }
  say("window open (close it to quit)");
  host.run();
  return 0;
}

}  // namespace textlab
