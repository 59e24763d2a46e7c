// A plain HTTP client over loopback for the web console's tests: the request as written, the
// answer as it arrives.
#pragma once

#include <chrono>
#include <cstdlib>
#include <string>

#include "support/tcp_peer.h"

namespace webtest {

// Sends the request and reads the answer until the server closes, a started answer pauses or
// `waitMs` passes.
inline std::string Exchange(uint16_t port, const std::string& request, int waitMs = 3000) {
  nettest::Peer peer(true);
  if (!peer.connect(port) || !peer.write(request)) return "";
  std::string answer;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  char buffer[4096];
  while (std::chrono::steady_clock::now() < end) {
    if (!peer.readable(50)) {
      if (answer.empty()) continue;
      break;
    }
    const long n = ::recv(peer.raw(), buffer, sizeof buffer, 0);
    if (n <= 0) break;
    answer.append(buffer, static_cast<size_t>(n));
  }
  return answer;
}

inline std::string Get(uint16_t port, const std::string& path, const std::string& host = "") {
  return Exchange(port, "GET " + path + " HTTP/1.1\r\nHost: " +
                            (host.empty() ? "127.0.0.1:" + std::to_string(port) : host) +
                            "\r\nConnection: close\r\n\r\n");
}

inline std::string Post(uint16_t port, const std::string& path, const std::string& headers,
                        const std::string& body) {
  return Exchange(port, "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                            "\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
                            "\r\nConnection: close\r\n\r\n" + body);
}

inline int Status(const std::string& answer) {
  return answer.size() > 12 ? std::atoi(answer.c_str() + 9) : 0;
}

inline std::string Body(const std::string& answer) {
  const size_t head = answer.find("\r\n\r\n");
  return head == std::string::npos ? "" : answer.substr(head + 4);
}

}  // namespace webtest
