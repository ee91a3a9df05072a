#pragma once
// The listening socket of the benchmarks' loopback servers: 127.0.0.1 on a port the system
// picks.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace bench {

/// A socket listening on 127.0.0.1 with `backlog`; its port is written to `port`. Throws when
/// it cannot be made.
inline int listenOnLoopback(int backlog, uint16_t* port) {
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener, backlog) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    if (listener >= 0) ::close(listener);
    throw std::runtime_error("bench server could not bind");
  }
  *port = ntohs(addr.sin_port);
  return listener;
}

}  // namespace bench
