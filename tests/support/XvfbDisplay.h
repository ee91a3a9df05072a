#pragma once
// A private X server for tests of the real window, pointed to by DISPLAY while it lives; it
// picks a free display itself, so tests running at once never share one. Every wait is
// bounded: the start, and the end, where a server that does not stop on a request is killed.
// The server writes nowhere the test runner reads (its output would keep the runner waiting
// for the end of the test's output as long as the server lived) and dies with the test.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace testsupport {

class XvfbDisplay {
 public:
  /// Longest wait for the server to name its display, and for it to stop.
  static constexpr int kStartMilliseconds = 20000;
  static constexpr int kStopMilliseconds = 5000;

  XvfbDisplay() {
    for (const char* p : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb"})
      if (access(p, X_OK) == 0) binary_ = p;
    if (binary_.empty()) return;
    // The server picks a free display itself and writes its number to the pipe: tests that
    // run at the same time never share (or kill) each other's server.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    // The child's end gets a fixed number above the standard streams, without close-on-exec.
    const int childFd = 3;
    std::vector<std::string> args = {binary_, "-displayfd", std::to_string(childFd), "-screen", "0", "800x800x24",
                                     "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      // Only calls that are safe between fork and exec in a threaded process.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      signal(SIGTERM, SIG_DFL);
      int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
      }
      if (fds[1] == childFd) fcntl(childFd, F_SETFD, 0);
      else if (dup2(fds[1], childFd) < 0) _exit(127);
      execv(argv[0], argv.data());
      _exit(127);
    }
    if (pid_ < 0) pid_ = 0;
    close(fds[1]);
    std::string number;
    long deadline = nowMilliseconds() + kStartMilliseconds;
    pollfd in{fds[0], POLLIN, 0};
    while (pid_) {
      long left = deadline - nowMilliseconds();
      if (left <= 0 || poll(&in, 1, static_cast<int>(left)) <= 0) break;
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) return;
    started_ = true;
    oldDisplay_ = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    setenv("DISPLAY", (":" + number).c_str(), 1);
    // With a display and no session bus, the window library's bus client forks a launcher from
    // this threaded, sanitized process, and the child can hang in the allocator for good.
    if (!getenv("DBUS_SESSION_BUS_ADDRESS")) {
      setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
      disabledBus_ = true;
    }
  }
  ~XvfbDisplay() {
    if (!pid_) return;
    if (started_) {
      if (oldDisplay_.empty()) unsetenv("DISPLAY");
      else setenv("DISPLAY", oldDisplay_.c_str(), 1);
      if (disabledBus_) unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    kill(pid_, SIGTERM);
    long deadline = nowMilliseconds() + kStopMilliseconds;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (nowMilliseconds() >= deadline) {
        kill(pid_, SIGKILL);  // cannot be blocked or ignored: the wait below ends
        waitpid(pid_, &status, 0);
        break;
      }
      usleep(10000);
    }
  }
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  bool installed() const { return !binary_.empty(); }
  bool started() const { return started_; }

 private:
  static long nowMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
  }

  std::string binary_, oldDisplay_;
  bool disabledBus_ = false;
  pid_t pid_ = 0;
  bool started_ = false;
};

}  // namespace testsupport
