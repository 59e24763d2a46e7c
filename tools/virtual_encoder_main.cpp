// rds-virtual-encoder: plays the RDS encoder on a pseudo-terminal, a real serial device or a TCP
// port, and reports every command line it receives.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/net.h"
#include "platform/serial_pty.h"
#include "tools/encoder_decoder.h"

namespace fs = std::filesystem;

#ifndef RDS_VERSION
#define RDS_VERSION "unknown"
#endif

namespace {

volatile sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

const char kUsage[] =
    "Usage: rds-virtual-encoder [options]\n"
    "Plays an RDS encoder: reads the command lines a control panel sends and reports each one.\n"
    "\n"
    "  --config-dir DIR  link the new pseudo-terminal as DIR/ports/com<N> (DIR holds rds.ini)\n"
    "  --ports-dir DIR   link the new pseudo-terminal as DIR/com<N>\n"
    "  --com N           the COM number of the link (default 1)\n"
    "  --device PATH     read an existing serial device instead of making a pseudo-terminal\n"
    "  --tcp [HOST:]PORT listen on a TCP port instead (HOST 127.0.0.1 unless given; PORT 0\n"
    "                    takes a free one); the newest connection is the one read\n"
    "  --model M         0 \"Tessel 10(Stand Alone)\" (default), 1 \"Tessel 20(Stand Alone)\",\n"
    "                    2 \"Tessel 20(Last On)\"; also tessel10, tessel20, tessel20-last-on\n"
    "  --json            one JSON object per line instead of text for people\n"
    "  --version         the version\n"
    "  --help            this text\n"
    "\n"
    "The first line printed says where the encoder listens. SIGINT or SIGTERM ends it and\n"
    "removes the link it made.\n";

struct Options {
  std::string portsDir;
  std::string device;
  std::string tcp;
  int com = 1;
  int model = 0;
  bool json = false;
};

bool Say(const std::string& line) {
  return std::fputs((line + "\n").c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "rds-virtual-encoder: %s\n", message.c_str());
  return 1;
}

// Links `target` as `link`, replacing an older link but never a real file.
bool MakeLink(const std::string& target, const std::string& link, std::string& error) {
  std::error_code ec;
  fs::create_directories(fs::path(link).parent_path(), ec);
  auto status = fs::symlink_status(link, ec);
  if (fs::exists(status) && !fs::is_symlink(status)) {
    error = link + " exists and is not a link";
    return false;
  }
  const std::string temporary = link + ".new." + std::to_string(getpid());
  fs::remove(temporary, ec);
  fs::create_symlink(target, temporary, ec);
  if (!ec) fs::rename(temporary, link, ec);
  if (ec) {
    fs::remove(temporary, ec);
    error = "cannot link " + link + ": " + ec.message();
    return false;
  }
  return true;
}

void RemoveOwnLink(const std::string& link, const std::string& target) {
  std::error_code ec;
  if (!link.empty() && fs::read_symlink(link, ec) == target) fs::remove(link, ec);
}

int OpenDevice(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  termios tio{};
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSTOPB | CRTSCTS | PARENB);
    tio.c_cflag |= CLOCAL | CREAD | CS8;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
  }
  return fd;
}

// A listening socket for "[HOST:]PORT"; `where` becomes "HOST:PORT" with the port really bound.
int Listen(const std::string& text, std::string& where, std::string& error) {
  const bool hostGiven = text.find(':') != std::string::npos;
  platform::Endpoint endpoint;
  const std::string url = "tcp://" + (hostGiven ? text : "127.0.0.1:" + text);
  // Port 0 asks the system for a free port; the parser wants 1..65535.
  const bool anyPort = url.size() > 2 && url.compare(url.size() - 2, 2, ":0") == 0;
  if (!platform::ParseEndpoint(anyPort ? url.substr(0, url.size() - 1) + "1" : url, endpoint,
                               error))
    return -1;
  if (anyPort) endpoint.port = 0;
  std::vector<platform::SocketAddress> addresses = platform::ResolveEndpoint(endpoint, true, error);
  if (addresses.empty()) return -1;
  const platform::SocketAddress& a = addresses.front();
  if (anyPort) {
    // The resolver was given a port; the socket address takes 0 again.
    if (a.family == AF_INET6) {
      reinterpret_cast<sockaddr_in6*>(addresses.front().bytes.data())->sin6_port = 0;
    } else {
      reinterpret_cast<sockaddr_in*>(addresses.front().bytes.data())->sin_port = 0;
    }
  }
  int fd = ::socket(a.family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int on = 1;
  if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      ::bind(fd, reinterpret_cast<const sockaddr*>(a.bytes.data()),
             static_cast<socklen_t>(a.length)) != 0 ||
      ::listen(fd, 4) != 0) {
    error = "cannot listen on " + text + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return -1;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  const uint16_t port =
      ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                        : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  where =
      (endpoint.host.find(':') != std::string::npos ? "[" + endpoint.host + "]" : endpoint.host) +
      ":" + std::to_string(port);
  return fd;
}

// The line settings the far end of a terminal last set, as "9600 8N1", and whether flow control
// is on; empty for a descriptor that is no terminal.
std::string LineSettings(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return {};
  static constexpr std::pair<speed_t, int> kRates[] = {
      {B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
      {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
  int baud = 0;
  for (const auto& [code, rate] : kRates)
    if (cfgetospeed(&tio) == code) baud = rate;
  const tcflag_t size = tio.c_cflag & CSIZE;
  const int data = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
  const char parity = !(tio.c_cflag & PARENB)  ? 'N'
                      : (tio.c_cflag & CMSPAR) ? ((tio.c_cflag & PARODD) ? 'M' : 'S')
                      : (tio.c_cflag & PARODD) ? 'O'
                                               : 'E';
  const char* flow = (tio.c_cflag & CRTSCTS) ? " rtscts" : (tio.c_iflag & IXON) ? " xonxoff" : "";
  return std::to_string(baud) + " " + std::to_string(data) + parity +
         ((tio.c_cflag & CSTOPB) ? "2" : "1") + flow;
}

bool ParseArgs(int argc, char** argv, Options& o, int& exitCode) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      exitCode = 0;
      return false;
    } else if (arg == "--version") {
      std::puts("rds-virtual-encoder " RDS_VERSION);
      exitCode = 0;
      return false;
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--config-dir" && value(v)) {
      o.portsDir = (fs::path(v) / "ports").string();
    } else if (arg == "--ports-dir" && value(v)) {
      o.portsDir = v;
    } else if (arg == "--device" && value(v)) {
      o.device = v;
    } else if (arg == "--tcp" && value(v)) {
      o.tcp = v;
    } else if (arg == "--com" && value(v)) {
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (end == v.c_str() || *end || n < 1 || n > 255) {
        std::fprintf(stderr, "rds-virtual-encoder: --com wants a number from 1 to 255\n");
        exitCode = 2;
        return false;
      }
      o.com = static_cast<int>(n);
    } else if (arg == "--model" && value(v)) {
      if (!vencoder::ParseModel(v, o.model)) {
        std::fprintf(stderr, "rds-virtual-encoder: unknown model %s\n", v.c_str());
        exitCode = 2;
        return false;
      }
    } else {
      std::fprintf(stderr, "rds-virtual-encoder: unknown or incomplete option %s\n%s", arg.c_str(),
                   kUsage);
      exitCode = 2;
      return false;
    }
  }
  if (!o.tcp.empty() && (!o.device.empty() || !o.portsDir.empty())) {
    std::fprintf(stderr,
                 "rds-virtual-encoder: --tcp goes with neither --device nor a ports folder\n");
    exitCode = 2;
    return false;
  }
  if (!o.device.empty() && !o.portsDir.empty()) {
    std::fprintf(stderr, "rds-virtual-encoder: --device cannot be linked into a ports folder\n");
    exitCode = 2;
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int exitCode = 0;
  if (!ParseArgs(argc, argv, options, exitCode)) return exitCode;

  signal(SIGPIPE, SIG_IGN);
  sigset_t blocked, waiting;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  sigprocmask(SIG_BLOCK, &blocked, &waiting);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  platform::PseudoTerminal pty;
  int fd = -1;
  int listener = -1;
  std::string device, link;
  if (!options.tcp.empty()) {
    std::string error;
    listener = Listen(options.tcp, device, error);
    if (listener < 0) return Fail(error);
    device = "tcp://" + device;
  } else if (!options.device.empty()) {
    device = options.device;
    fd = OpenDevice(device);
    if (fd < 0) return Fail("cannot open " + device + ": " + std::strerror(errno));
  } else {
    // Holding the slave keeps the line up while the panel disconnects and reconnects.
    if (!pty.create() || !pty.holdSlave()) return Fail("cannot create a pseudo-terminal");
    fd = pty.master();
    device = pty.slavePath();
    if (!options.portsDir.empty()) {
      link = (fs::path(options.portsDir) / ("com" + std::to_string(options.com))).string();
      std::string error;
      if (!MakeLink(device, link, error)) return Fail(error);
    }
  }

  vencoder::VirtualEncoder encoder(options.model);
  if (options.json) {
    Say("{\"event\":\"ready\",\"device\":" + vencoder::JsonString(device) +
        ",\"link\":" + (link.empty() ? std::string("null") : vencoder::JsonString(link)) +
        ",\"com\":" + (link.empty() ? std::string("null") : std::to_string(options.com)) +
        ",\"model\":" + std::to_string(options.model) +
        ",\"modelName\":" + vencoder::JsonString(vencoder::ModelName(options.model)) + "}");
  } else {
    Say(std::string("Virtual encoder ") + vencoder::ModelName(options.model) + " listening on " +
        device + (link.empty() ? "" : " (COM" + std::to_string(options.com) + ": " + link + ")"));
  }

  vencoder::LineSplitter splitter;
  uint64_t seq = 0;
  bool outputOk = true;
  auto report = [&](const std::string& line) {
    vencoder::Decoded decoded = encoder.decode(line);
    ++seq;
    outputOk = Say(options.json ? vencoder::ReportJson(decoded, encoder.state(), seq)
                                : vencoder::ReportText(decoded, seq)) &&
               outputOk;
  };

  // A terminal's settings are whatever its far end set last: reported when they change.
  std::string settings = listener < 0 ? LineSettings(fd) : std::string();
  auto reportLine = [&] {
    const std::string now = LineSettings(fd);
    if (now.empty() || now == settings) return;
    settings = now;
    outputOk = Say(options.json
                       ? "{\"event\":\"line\",\"settings\":" + vencoder::JsonString(settings) + "}"
                       : "Line settings: " + settings) &&
               outputOk;
  };
  auto dropClient = [&](const char* why) {
    if (fd < 0) return;
    const std::string rest = splitter.takeRest();
    if (!rest.empty()) report(rest);
    ::close(fd);
    fd = -1;
    outputOk = Say(options.json ? std::string("{\"event\":\"disconnected\",\"why\":") +
                                      vencoder::JsonString(why) + "}"
                                : std::string("Client gone: ") + why) &&
               outputOk;
  };

  int result = 0;
  std::vector<std::string> lines;
  char buffer[4096];
  while (!gStop && outputOk) {
    pollfd p[2] = {{fd, POLLIN, 0}, {listener, POLLIN, 0}};
    // Terminal settings are looked at a few times a second; a socket needs no such look.
    const timespec often{0, 200'000'000L};
    int r = ppoll(p, listener >= 0 ? 2 : 1, listener < 0 ? &often : nullptr, &waiting);
    if (r < 0) {
      if (errno == EINTR) continue;
      result = Fail(std::string("poll: ") + std::strerror(errno));
      break;
    }
    if (listener >= 0 && (p[1].revents & POLLIN)) {
      sockaddr_storage peer{};
      socklen_t length = sizeof peer;
      const int client = accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length,
                                 SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (client >= 0) {
        // A panel that reconnects after a network fault may have left a half-open link.
        dropClient("replaced by a new connection");
        fd = client;
        char host[INET6_ADDRSTRLEN] = "?";
        const void* address =
            peer.ss_family == AF_INET6
                ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(&peer)->sin6_addr)
                : &reinterpret_cast<sockaddr_in*>(&peer)->sin_addr;
        inet_ntop(peer.ss_family, address, host, sizeof host);
        const std::string from =
            std::string(host) + ":" +
            std::to_string(ntohs(reinterpret_cast<sockaddr_in*>(&peer)->sin_port));
        outputOk = Say(options.json
                           ? "{\"event\":\"connected\",\"peer\":" + vencoder::JsonString(from) + "}"
                           : "Client connected from " + from) &&
                   outputOk;
      }
      continue;
    }
    if (listener < 0) reportLine();
    if (fd < 0 || !(p[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0 && listener >= 0) {
      dropClient(n == 0 ? "closed by the peer" : std::strerror(errno));
      continue;
    }
    if (n <= 0) {
      result = Fail(device + " closed");
      break;
    }
    lines.clear();
    splitter.feed(std::string_view(buffer, static_cast<size_t>(n)), lines);
    for (const auto& line : lines) report(line);
  }
  const std::string rest = splitter.takeRest();
  if (!rest.empty()) report(rest);

  RemoveOwnLink(link, device);
  if (listener >= 0) {
    if (fd >= 0) ::close(fd);
    ::close(listener);
  } else if (options.device.empty()) {
    pty.close();
  } else {
    ::close(fd);
  }
  return result;
}
