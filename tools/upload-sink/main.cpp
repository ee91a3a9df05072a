// A server that accepts uploads on 127.0.0.1 and throws the bytes away as they arrive, for
// measuring clients that stream large bodies. It prints its port on the first line of its
// output and answers each request with the number of body bytes it read (Content-Length
// bodies; one request per connection); it runs until killed.
//
//   upload-sink [port]      (0 or nothing: a free port)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Reads the head and `Content-Length` bytes of body, keeping only the head.
unsigned long long drainRequest(int client) {
  std::string head;
  char buffer[1 << 16];
  size_t headEnd = std::string::npos;
  unsigned long long expected = 0, received = 0;
  for (;;) {
    ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return received;
    if (headEnd == std::string::npos) {
      head.append(buffer, size_t(n));
      headEnd = head.find("\r\n\r\n");
      if (headEnd == std::string::npos) continue;
      received = head.size() - (headEnd + 4);
      std::string lower = head.substr(0, headEnd);
      std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
      auto at = lower.find("\r\ncontent-length:");
      if (at != std::string::npos) expected = std::strtoull(lower.c_str() + at + 17, nullptr, 10);
    } else {
      received += size_t(n);
    }
    if (received >= expected) return received;
  }
}

}  // namespace

int main(int argc, char** argv) {
  int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(uint16_t(argc > 1 ? std::atoi(argv[1]) : 0));
  socklen_t length = sizeof address;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener, 16) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("upload-sink: cannot listen");
    return 1;
  }
  std::printf("%d\n", ntohs(address.sin_port));
  std::fflush(stdout);
  for (;;) {
    int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    std::string count = std::to_string(drainRequest(client));
    std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                        std::to_string(count.size()) + "\r\nConnection: close\r\n\r\n" + count;
    ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
    ::close(client);
  }
}
