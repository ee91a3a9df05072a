// Typing into a real window on a private X server as fast as a tool sends keys: 1,000 Latin
// characters sent by xdotool with no delay, into the text lab's editor and, as the baseline,
// into a GTK text view (through python3-gi). Each is timed from the last key sent (xdotool's
// end) to the first frame that shows all of the text.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "bench/RatioReporter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/HostWindow.h"
#include "tests/support/XvfbDisplay.h"
#include "tools/text-lab/TLEditorPage.h"
#include "tools/text-lab/TLLabDelegate.h"
#include "tools/text-lab/TLLabRun.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kCharacters = 1000;
constexpr double kLimit = 30;  // seconds any one wait may take

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::string typedText() {
  std::string s;
  for (int i = 0; s.size() < kCharacters; ++i) s += "word" + std::to_string(i) + " ";
  s.resize(kCharacters);
  return s;
}

/// A program run beside the benchmark, with its output readable by lines when asked for.
class Child {
 public:
  explicit Child(const std::string& line, bool readOutput = false) {
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int out[2] = {-1, -1};
    if (readOutput && pipe2(out, O_CLOEXEC) == 0) {
      posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    }
    if (posix_spawn(&pid_, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    if (out[1] >= 0) close(out[1]);
    out_ = out[0];
  }
  ~Child() {
    if (pid_ && !done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  bool finished() {
    if (!pid_ || done_) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      done_ = true;
      ok_ = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return done_;
  }
  bool succeeded() const { return done_ && ok_; }
  /// The next line of output, waiting at most `seconds`; empty at the end or on time-out.
  std::string readLine(double seconds) {
    auto start = Clock::now();
    for (;;) {
      if (auto at = buffer_.find('\n'); at != std::string::npos) {
        std::string line = buffer_.substr(0, at);
        buffer_.erase(0, at + 1);
        return line;
      }
      double left = seconds - since(start);
      pollfd p{out_, POLLIN, 0};
      if (out_ < 0 || left <= 0 || poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0) return {};
      char chunk[256];
      ssize_t n = read(out_, chunk, sizeof chunk);
      if (n <= 0) return {};
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

 private:
  pid_t pid_ = 0;
  int out_ = -1;
  std::string buffer_;
  bool done_ = false, ok_ = false;
};

std::string typeCommand(const std::string& title) {
  return "xdotool search --sync --name '^" + title + "$' windowfocus --sync type --delay 0 '" + typedText() + "'";
}

// The text lab's editor in the window host.
void BM_EditorWindow(benchmark::State& state) {
  testsupport::XvfbDisplay display;
  if (!display.started()) return state.SkipWithError("no Xvfb");
  fd::RunLoopDriver::reset();
  textlab::TLLabOptions options;
  options.keyboard = "none";
  if (!textlab::launchTextLab(options)) return state.SkipWithError("the text lab did not start");
  auto lab = textlab::TLLabDelegate::current();
  const char* title = "kd-typing-bench";
  auto host = std::make_unique<ui::WindowHost>();
  std::string error;
  if (!host->open(title, 1, &error)) return state.SkipWithError(error.c_str());
  host->run(0.2);
  lab->tabs()->setSelectedIndex(1);
  auto view = lab->editorPage()->textView();
  view->becomeFirstResponder();
  host->run(0.2);
  uint64_t frames = 0;
  for (auto _ : state) {
    view->setText(rt::String());
    host->run(0.2);
    Child typist(typeCommand(title));
    auto start = Clock::now();
    while (!typist.finished() && since(start) < kLimit) host->run(0.002);
    const auto sent = Clock::now();
    const uint64_t before = host->framesShown();
    while (view->text().length() < kCharacters && since(sent) < kLimit) host->run(0.001);
    state.SetIterationTime(since(sent));
    frames += host->framesShown() - before;
    if (!typist.succeeded() || view->text().utf8() != typedText()) state.SkipWithError("the text typed differs");
  }
  state.counters["frames_after_last_key"] = benchmark::Counter(double(frames), benchmark::Counter::kAvgIterations);
  host->close();
  ui::Application::sharedApplication()->resetForTesting();
}
BENCHMARK(BM_EditorWindow)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The baseline: a GTK text view in a window of the same size, which tells the time of the
// first frame it draws after its text is complete.
constexpr const char* kGtkView = R"(import sys, time, gi
gi.require_version('Gtk', '3.0')
from gi.repository import Gtk, GLib
n = int(sys.argv[1])
window = Gtk.Window(title=sys.argv[2])
window.set_default_size(375, 667)
scroller = Gtk.ScrolledWindow()
view = Gtk.TextView()
view.set_wrap_mode(Gtk.WrapMode.WORD_CHAR)
scroller.add(view)
window.add(scroller)
buffer = view.get_buffer()
complete = [False]
def changed(b):
    complete[0] = b.get_char_count() >= n
buffer.connect('changed', changed)
def painted(clock):
    if complete[0]:
        complete[0] = False
        print('done', time.monotonic(), flush=True)
def command(source, condition):
    line = sys.stdin.readline()
    if not line:
        Gtk.main_quit()
        return False
    buffer.set_text('')
    print('cleared', flush=True)
    return True
window.connect('destroy', Gtk.main_quit)
window.show_all()
view.grab_focus()
view.get_frame_clock().connect('after-paint', painted)
GLib.io_add_watch(sys.stdin, GLib.IO_IN, command)
print('ready', flush=True)
Gtk.main()
)";

void BM_GtkTextViewBaseline(benchmark::State& state) {
  testsupport::XvfbDisplay display;
  if (!display.started()) return state.SkipWithError("no Xvfb");
  const std::string script = "/tmp/kd-gtk-typing-" + std::to_string(getpid()) + ".py";
  std::ofstream(script) << kGtkView;
  const char* title = "kd-gtk-typing-bench";
  int commands[2];
  if (pipe2(commands, O_CLOEXEC) != 0) return state.SkipWithError("no pipe");
  // The view reads its commands from the pipe on its standard input.
  const std::string line = "exec /usr/bin/python3 " + script + " " + std::to_string(kCharacters) + " " + title +
                           " 0<&" + std::to_string(commands[0]);
  fcntl(commands[0], F_SETFD, 0);
  auto view = std::make_unique<Child>(line, true);
  fcntl(commands[0], F_SETFD, FD_CLOEXEC);
  close(commands[0]);
  if (view->readLine(kLimit) != "ready") {
    close(commands[1]);
    unlink(script.c_str());
    return state.SkipWithError("the GTK view did not start (python3-gi and GTK 3 are needed)");
  }
  for (auto _ : state) {
    (void)!write(commands[1], "clear\n", 6);
    if (view->readLine(kLimit) != "cleared") {
      state.SkipWithError("the GTK view stopped");
      break;
    }
    Child typist(typeCommand(title));
    auto start = Clock::now();
    while (!typist.finished() && since(start) < kLimit) usleep(1000);
    const auto sent = Clock::now();
    const double sentAt = std::chrono::duration<double>(sent.time_since_epoch()).count();
    std::string done = view->readLine(kLimit);
    if (done.rfind("done ", 0) != 0) {
      state.SkipWithError("the GTK view did not get all the text");
      break;
    }
    state.SetIterationTime(std::max(0.0, std::stod(done.substr(5)) - sentAt));
  }
  close(commands[1]);
  view.reset();
  unlink(script.c_str());
}
BENCHMARK(BM_GtkTextViewBaseline)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double editor = reporter.realSecondsFor("BM_EditorWindow"), gtk = reporter.realSecondsFor("BM_GtkTextViewBaseline");
  if (editor > 0)
    std::printf("%zu characters sent with no delay: the editor's frame showing them all came %.3f s after the last key "
                "(goal: at most 0.5 s); a GTK text view's %.3f s\n",
                kCharacters, editor, gtk);
  return 0;
}
