// The program itself (kdapp) in a window on a private X server, against the sample service
// started here: the radio is started with clicks through the X server, then the window is
// closed as a window manager closes it (a WM_DELETE_WINDOW message), and the program must
// end with status 0 and leave its data folder as it was.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/XvfbDisplay.h"
#include "tools/sample-service/service/SampleServer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool installed(const char* program) {
  return std::system(("command -v " + std::string(program) + " > /dev/null 2>&1").c_str()) == 0;
}

/// Polls `done` every 50 ms until it answers true or `seconds` pass.
bool waitFor(const std::function<bool()>& done, double seconds) {
  auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

/// A program run beside the test, its output in a file; killed if the test ends first.
class Child {
 public:
  Child(const std::vector<std::string>& args, const fs::path& output) {
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      // Only calls that are safe between fork and exec in a threaded process.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
      }
      execve(argv[0], argv.data(), environ);
      _exit(127);
    }
    if (out >= 0) close(out);
    if (pid_ < 0) pid_ = 0;
  }
  ~Child() {
    if (pid_ && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  bool running() {
    if (!pid_ || ended_) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return !ended_;
  }
  /// The wait status once ended (waitpid's form).
  int status() const { return status_; }

 private:
  pid_t pid_ = 0;
  bool ended_ = false;
  int status_ = 0;
};

/// Runs a command to its end, at most `seconds`; true when it succeeded.
bool run(const std::vector<std::string>& args, double seconds = 20) {
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  bool ended = waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

/// The names of a process's threads.
std::vector<std::string> threadNames(pid_t pid) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::ifstream in(task.path() / "comm");
    std::string name;
    if (std::getline(in, name)) names.push_back(name);
  }
  return names;
}

/// Every regular file under `dir` with its size.
std::map<std::string, uintmax_t> filesIn(const fs::path& dir) {
  std::map<std::string, uintmax_t> files;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(dir, ec))
    if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = e.file_size();
  return files;
}

/// The X server as the test sees it: the program's window found by its process id, its
/// pixels, and the close request a window manager sends.
class Desktop {
 public:
  Desktop() : display_(XOpenDisplay(nullptr)) {
    // A request on a window that is not mapped yet, or already gone, fails with an X error,
    // which Xlib's default handler answers by ending the test program.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  ~Desktop() {
    if (display_) XCloseDisplay(display_);
  }
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  bool opened() const { return display_ != nullptr; }

  /// The top-level window whose _NET_WM_PID is `pid`, or 0.
  Window windowOf(pid_t pid) { return search(DefaultRootWindow(display_), pid); }

  /// 0xRRGGBB of the window's pixel at (x, y), or -1 when it cannot be read.
  int64_t pixel(Window w, int x, int y) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(display_, w, &a) || a.map_state != IsViewable) return -1;
    XImage* image = XGetImage(display_, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return -1;
    int64_t p = static_cast<int64_t>(XGetPixel(image, 0, 0) & 0xffffff);
    XDestroyImage(image);
    return p;
  }

  /// What a window manager sends when the user closes the window (Alt+F4, the title bar's
  /// close button): a WM_PROTOCOLS message naming WM_DELETE_WINDOW.
  void requestClose(Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, w, False, NoEventMask, &e);
    XFlush(display_);
  }

 private:
  Window search(Window w, pid_t pid) {
    Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", True);
    if (pidAtom != None) {
      Atom type = None;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(display_, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
              Success &&
          data) {
        bool match = count == 1 && format == 32 && static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid;
        XFree(data);
        if (match) return w;
      }
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    Window found = 0;
    if (XQueryTree(display_, w, &root, &parent, &children, &n)) {
      for (unsigned int i = 0; i < n && !found; ++i) found = search(children[i], pid);
      if (children) XFree(children);
    }
    return found;
  }

  Display* display_;
};

bool near(int64_t pixel, int grey) {
  if (pixel < 0) return false;
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((pixel >> shift) & 0xff) - grey) > 3) return false;
  return true;
}

class WindowCloseWhilePlayingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.installed()) GTEST_SKIP() << "Xvfb is not installed";
    if (!installed("xdotool")) GTEST_SKIP() << "xdotool is not installed";
    ASSERT_TRUE(display_.started()) << "Xvfb did not start";
    dir_ = fs::temp_directory_path() / ("kdapp-close-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "data");
    sample::ServiceOptions options;
    options.port = 0;
    service_ = std::make_unique<sample::SampleServer>(options);
    std::string error;
    ASSERT_TRUE(service_->start(&error)) << error;
  }
  void TearDown() override {
    if (service_) service_->stop();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string output() const {
    std::ifstream in(dir_ / "output.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  testsupport::XvfbDisplay display_;
  fs::path dir_;
  std::unique_ptr<sample::SampleServer> service_;
};

// The radio plays when the window is closed: playback stops, the media engine and the font
// machinery beneath it end in order, and the program exits with 0 and its files in place.
TEST_F(WindowCloseWhilePlayingTest, ClosingTheWindowWhileTheRadioPlaysExitsCleanlyAndKeepsTheDataFolder) {
  Desktop desktop;
  ASSERT_TRUE(desktop.opened());
  const std::string host = service_->baseURL();
  Child app({KD_KDAPP_PATH, "--content-host", host, "--video-host", host, "--data-dir", (dir_ / "data").string()},
            dir_ / "output.txt");
  ASSERT_GT(app.pid(), 0);
  Window w = 0;
  ASSERT_TRUE(waitFor([&] { return !app.running() ? true : (w = desktop.windowOf(app.pid())) != 0; }, 60) && w)
      << output();
  auto click = [&](int x, int y) {
    return run({"xdotool", "mousemove", "--window", std::to_string(w), std::to_string(x), std::to_string(y), "click",
                "1"});
  };
  // The radio page's idle audio box: a light grey bar holding a white disc with a dark
  // triangle at (30, 162).
  auto radioShown = [&] {
    return near(desktop.pixel(w, 100, 162), 237) && near(desktop.pixel(w, 30, 162), 51) &&
           near(desktop.pixel(w, 30, 150), 255);
  };
  // Past the welcome (its skip button), to the audio-visual tab, to its radio page; each
  // click is harmless on the screens before its own, so the round repeats until the page shows.
  const std::pair<int, int> steps[] = {{318, 39}, {140, 642}, {280, 42}};
  bool shown = waitFor(
      [&, step = size_t(0)]() mutable {
        // Looked up each round: a window found before its first frame may have been replaced.
        if (Window now = desktop.windowOf(app.pid())) w = now;
        if (radioShown()) return true;
        if (!app.running()) return true;
        click(steps[step].first, steps[step].second);
        step = (step + 1) % std::size(steps);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        return false;
      },
      90);
  ASSERT_TRUE(shown && app.running()) << output();
  ASSERT_TRUE(click(30, 162));
  // Sound goes out through the audio output's thread, whichever device it is (null here).
  auto playing = [&] {
    for (const auto& name : threadNames(app.pid()))
      if (name == "mpv/ao") return true;
    return false;
  };
  ASSERT_TRUE(waitFor(playing, 30)) << "the radio did not start\n" << output();

  const auto before = filesIn(dir_ / "data");
  ASSERT_FALSE(before.empty());
  desktop.requestClose(w);
  ASSERT_TRUE(waitFor([&] { return !app.running(); }, 60)) << "the program did not end\n" << output();
  EXPECT_TRUE(WIFEXITED(app.status())) << "ended by signal " << (WIFSIGNALED(app.status()) ? WTERMSIG(app.status()) : 0)
                                       << "\n" << output();
  if (WIFEXITED(app.status())) {
    EXPECT_EQ(WEXITSTATUS(app.status()), 0) << output();
  }
  // Everything written while it ran is still there, whole.
  const auto after = filesIn(dir_ / "data");
  for (const auto& [path, size] : before) {
    auto it = after.find(path);
    ASSERT_NE(it, after.end()) << path << " is gone";
    EXPECT_GE(it->second, size) << path;
  }
  EXPECT_TRUE(after.count(".local/share/kestrel-district/kdapp.log"));
}

}  // namespace
