// rds-virtual-encoder: plays the RDS encoder on a pseudo-terminal (or a real serial device) and
// reports every command line it receives.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/serial_pty.h"
#include "tools/encoder_decoder.h"

namespace fs = std::filesystem;

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
    "  --model M         0 \"Tessel 10(Stand Alone)\" (default), 1 \"Tessel 20(Stand Alone)\",\n"
    "                    2 \"Tessel 20(Last On)\"; also tessel10, tessel20, tessel20-last-on\n"
    "  --json            one JSON object per line instead of text for people\n"
    "  --help            this text\n"
    "\n"
    "The first line printed says where the encoder listens. SIGINT or SIGTERM ends it and\n"
    "removes the link it made.\n";

struct Options {
  std::string portsDir;
  std::string device;
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
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--config-dir" && value(v)) {
      o.portsDir = (fs::path(v) / "ports").string();
    } else if (arg == "--ports-dir" && value(v)) {
      o.portsDir = v;
    } else if (arg == "--device" && value(v)) {
      o.device = v;
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
  std::string device, link;
  if (!options.device.empty()) {
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

  int result = 0;
  std::vector<std::string> lines;
  char buffer[4096];
  while (!gStop && outputOk) {
    pollfd p{fd, POLLIN, 0};
    int r = ppoll(&p, 1, nullptr, &waiting);
    if (r < 0) {
      if (errno == EINTR) continue;
      result = Fail(std::string("poll: ") + std::strerror(errno));
      break;
    }
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
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
  if (options.device.empty())
    pty.close();
  else
    ::close(fd);
  return result;
}
