#pragma once
// A private X server for tests of the real window, pointed to by DISPLAY while it lives; it
// picks a free display itself, so tests running at once never share one.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace testsupport {

class XvfbDisplay {
 public:
  XvfbDisplay() {
    for (const char* p : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb"})
      if (access(p, X_OK) == 0) binary_ = p;
    if (binary_.empty()) return;
    // The server picks a free display itself and writes its number to the pipe: tests that
    // run at the same time never share (or kill) each other's server.
    int fds[2];
    if (pipe(fds) != 0) return;
    std::vector<std::string> args = {binary_, "-displayfd", std::to_string(fds[1]), "-screen", "0", "800x800x24",
                                     "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, binary_.c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
    close(fds[1]);
    std::string number;
    pollfd in{fds[0], POLLIN, 0};
    while (pid_ && poll(&in, 1, 10000) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) return;
    started_ = true;
    oldDisplay_ = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    setenv("DISPLAY", (":" + number).c_str(), 1);
  }
  ~XvfbDisplay() {
    if (!pid_) return;
    if (started_) {
      if (oldDisplay_.empty()) unsetenv("DISPLAY");
      else setenv("DISPLAY", oldDisplay_.c_str(), 1);
    }
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  bool installed() const { return !binary_.empty(); }
  bool started() const { return started_; }

 private:
  std::string binary_, oldDisplay_;
  pid_t pid_ = 0;
  bool started_ = false;
};

}  // namespace testsupport
