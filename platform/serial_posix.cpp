#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

#include "platform/serial.h"

namespace platform {

namespace {

constexpr std::pair<int32_t, speed_t> kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

bool SpeedOf(int32_t baud, speed_t& speed) {
  for (const auto& [rate, code] : kSpeeds) {
    if (rate == baud) {
      speed = code;
      return true;
    }
  }
  return false;
}

int32_t BaudOf(speed_t speed) {
  for (const auto& [rate, code] : kSpeeds)
    if (code == speed) return rate;
  return 0;
}

// A hung-up terminal or a device that went away answers with one of these.
bool DeviceGone(int error) {
  return error == EIO || error == ENXIO || error == ENODEV || error == EBADF || error == EPIPE;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

OpenFailure FailureOf(int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
      return OpenFailure::Missing;
    case EACCES:
    case EPERM:
    case EROFS:
      return OpenFailure::Denied;
    case EBUSY:
    case EWOULDBLOCK:
      return OpenFailure::Busy;
    default:
      return OpenFailure::Other;
  }
}

}  // namespace

std::string DeniedAdvice() { return "is the user in the dialout group?"; }

SerialPort::~SerialPort() { close(); }

bool SerialPort::open(const std::string& device) {
  close();
  // Non-blocking, so that a port whose carrier is down cannot stall the open.
  int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    failure_ = FailureOf(errno);
    return false;
  }
  termios tio{};
  auto refuse = [&](OpenFailure why) {
    ::close(fd);
    failure_ = why;
    return false;
  };
  if (!isatty(fd)) return refuse(OpenFailure::NotSerial);
  // flock keeps out every other opener, root and this process included; TIOCEXCL additionally
  // refuses programs that open without locking.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0)
    return refuse(OpenFailure::Busy);
  if (tcgetattr(fd, &tio) != 0) return refuse(FailureOf(errno));
  // Raw: the bytes leave exactly as built, and modem lines never block or hang up the port.
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    const int error = errno;
    ioctl(fd, TIOCNXCL);
    return refuse(FailureOf(error));
  }
  failure_ = OpenFailure::None;
  fd_ = fd;
  probe_ = false;
  extra_ = SerialMode{};
  timeouts_ = SerialTimeouts{};
  lost_ = false;
  return true;
}

bool SerialPort::openToProbe(const std::string& device) {
  close();
  int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    failure_ = FailureOf(errno);
    return false;
  }
  if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    failure_ = isatty(fd) ? OpenFailure::Busy : OpenFailure::NotSerial;
    ::close(fd);
    return false;
  }
  failure_ = OpenFailure::None;
  fd_ = fd;
  probe_ = true;
  lost_ = false;
  return true;
}

void SerialPort::close() {
  if (fd_ < 0) return;
  // A probe never set the exclusive mode, and another program's must stay.
  if (!probe_) ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
  lost_ = false;
}

bool SerialPort::isOpen() const { return fd_ >= 0; }

bool SerialPort::usable() {
  if (fd_ < 0 || lost_) return false;
  pollfd p{fd_, 0, 0};
  if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) lost_ = true;
  return !lost_;
}

bool SerialPort::applyMode(std::string_view modeText) {
  if (fd_ < 0 || probe_) return false;
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return false;

  SerialMode mode = extra_;
  mode.baud = BaudOf(cfgetospeed(&tio));
  if (!(tio.c_cflag & PARENB)) {
    mode.parity = 'N';
  } else if (tio.c_cflag & CMSPAR) {
    mode.parity = (tio.c_cflag & PARODD) ? 'M' : 'S';
  } else {
    mode.parity = (tio.c_cflag & PARODD) ? 'O' : 'E';
  }
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      mode.dataBits = 5;
      break;
    case CS6:
      mode.dataBits = 6;
      break;
    case CS7:
      mode.dataBits = 7;
      break;
    default:
      mode.dataBits = 8;
      break;
  }
  if (!(tio.c_cflag & CSTOPB)) {
    mode.stopBits = 10;
  } else if (extra_.stopBits != 15) {
    mode.stopBits = 20;
  }
  mode.xonXoff = (tio.c_iflag & IXON) != 0;
  mode.outCts = (tio.c_cflag & CRTSCTS) != 0;

  if (!ApplyModeText(modeText, mode)) return false;

  speed_t speed = 0;
  if (!SpeedOf(mode.baud, speed)) return false;
  // termios has no 1.5 stop bits; the UART gives them for 5 data bits when two are asked for.
  if (mode.stopBits == 15 && mode.dataBits != 5) return false;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  tio.c_cflag &= ~(PARENB | PARODD | CMSPAR | CSIZE | CSTOPB | CRTSCTS);
  switch (mode.parity) {
    case 'O':
      tio.c_cflag |= PARENB | PARODD;
      break;
    case 'E':
      tio.c_cflag |= PARENB;
      break;
    case 'M':
      tio.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case 'S':
      tio.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= kSizes[mode.dataBits - 5];
  if (mode.stopBits != 10) tio.c_cflag |= CSTOPB;
  // One bit drives both directions of hardware handshake here.
  if (mode.outCts || mode.rts == 'h') tio.c_cflag |= CRTSCTS;
  if (mode.xonXoff) {
    tio.c_iflag |= IXON | IXOFF;
  } else {
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  }
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) return false;

  // Modem lines are best effort: pseudo-terminals have none.
  int dtr = TIOCM_DTR, rts = TIOCM_RTS;
  if (mode.dtr != 'h') ioctl(fd_, mode.dtr == '0' ? TIOCMBIC : TIOCMBIS, &dtr);
  if (mode.rts == '0' || mode.rts == '1') ioctl(fd_, mode.rts == '0' ? TIOCMBIC : TIOCMBIS, &rts);
  extra_ = mode;
  return true;
}

bool SerialPort::setTimeouts(const SerialTimeouts& timeouts) {
  if (fd_ < 0 || probe_) return false;
  timeouts_ = timeouts;
  return true;
}

long SerialPort::write(std::string_view bytes) {
  if (fd_ < 0 || lost_ || probe_) return -1;
  uint64_t budget = uint64_t{timeouts_.writeMultiplier} * bytes.size() + timeouts_.writeConstant;
  // Zero time-outs would mean "wait for ever"; a stalled line must not freeze the program.
  if (timeouts_.writeMultiplier == 0 && timeouts_.writeConstant == 0)
    budget = 10 * uint64_t{bytes.size()} + 1000;
  const int64_t deadline = NowMs() + static_cast<int64_t>(budget);

  size_t done = 0;
  bool failed = false;
  do {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n >= 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      failed = true;
      if (DeviceGone(errno)) lost_ = true;
      break;
    }
    int64_t left = deadline - NowMs();
    if (left <= 0) break;
    pollfd p{fd_, POLLOUT, 0};
    int r = poll(&p, 1, static_cast<int>(left));
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
      failed = true;
      lost_ = true;
      break;
    }
  } while (done < bytes.size());
  if (failed && done == 0) return -1;
  return static_cast<long>(done);
}

bool SerialPort::purgeReceive() { return fd_ >= 0 && !probe_ && tcflush(fd_, TCIFLUSH) == 0; }

}  // namespace platform

#endif  // _WIN32
