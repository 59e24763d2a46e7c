// How long a call on a network COM port keeps the window's thread when a hostile RFC 2217
// server floods option requests without pause and never reads: each call reads what is there
// and answers what changes state, without waiting on the peer. "longest_ms" is the worst call
// as the clock on the wall sees it (on a busy machine that includes time other programs had the
// processor), "longest_cpu_ms" the worst in this thread's own processor time.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <thread>

#include "platform/net_port.h"

namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A server that agrees to the COM-port option, then sends "IAC WILL 1 IAC DO 24" for ever.
class FloodingServer {
 public:
  FloodingServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length) != 0)
      return;
    port_ = ntohs(at.sin_port);
    thread_ = std::thread([this] { run(); });
  }
  ~FloodingServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
  }
  FloodingServer(const FloodingServer&) = delete;
  FloodingServer& operator=(const FloodingServer&) = delete;
  uint16_t port() const { return port_; }

 private:
  void run() {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 3000) <= 0) return;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    const std::string agree("\xff\xfd\x00\xff\xfb\x00\xff\xfd\x2c", 9);
    (void)::send(client, agree.data(), agree.size(), MSG_NOSIGNAL);
    std::string flood;
    for (int i = 0; i < 4096; ++i) flood += "\xff\xfb\x01\xff\xfd\x18";
    while (!stop_) {
      pollfd out{client, POLLOUT, 0};
      if (::poll(&out, 1, 20) > 0 &&
          ::send(client, flood.data(), flood.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
          errno != EAGAIN)
        break;
    }
    ::close(client);
  }
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void BM_HostileTelnetServer(benchmark::State& state) {
  FloodingServer server;
  platform::NetPort port;
  port.open({"rfc2217", "127.0.0.1", server.port()}, true, platform::SerialMode{});
  double longest = 0, longestCpu = 0;
  auto measure = [&](auto call) {
    const auto start = Clock::now();
    const double cpu = ThreadCpuMs();
    call();
    longestCpu = std::max(longestCpu, ThreadCpuMs() - cpu);
    longest =
        std::max(longest, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  };
  const auto opening = Clock::now();
  while (port.state() == platform::NetPort::State::Connecting &&
         Clock::now() - opening < std::chrono::seconds(3)) {
    measure([&] { port.poll(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!port.isOpen()) {
    state.SkipWithError("no connection");
    return;
  }
  for (auto _ : state) {
    measure([&] { benchmark::DoNotOptimize(port.exchangeAndCheck()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  state.counters["longest_ms"] = longest;
  state.counters["longest_cpu_ms"] = longestCpu;
  state.counters["still_open"] = port.exchangeAndCheck() ? 1 : 0;
}
BENCHMARK(BM_HostileTelnetServer)->Unit(benchmark::kMillisecond)->Iterations(3000);

}  // namespace
