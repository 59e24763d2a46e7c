#ifdef _WIN32

#include <windows.h>

#include <string>

#include "platform/serial.h"

namespace platform {

namespace {
HANDLE H(void* handle) { return static_cast<HANDLE>(handle); }

// What SetCommTimeouts gets for the given values. Zero write time-outs would mean "wait for
// ever"; a stalled line must not freeze the program.
COMMTIMEOUTS ToComm(const SerialTimeouts& t) {
  COMMTIMEOUTS ct{};
  ct.ReadIntervalTimeout = t.readInterval;
  ct.ReadTotalTimeoutMultiplier = t.readMultiplier;
  ct.ReadTotalTimeoutConstant = t.readConstant;
  ct.WriteTotalTimeoutMultiplier = t.writeMultiplier;
  ct.WriteTotalTimeoutConstant = t.writeConstant;
  if (t.writeMultiplier == 0 && t.writeConstant == 0) {
    ct.WriteTotalTimeoutMultiplier = 10;
    ct.WriteTotalTimeoutConstant = 1000;
  }
  return ct;
}
OpenFailure FailureOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
      return OpenFailure::Missing;
    // Windows answers "access denied" to the second opener of a port.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return OpenFailure::Busy;
    default:
      return OpenFailure::Other;
  }
}
}  // namespace

std::string DeniedAdvice() { return ""; }

SerialPort::~SerialPort() { close(); }

namespace {
// Opens a device with a control block: a plain file or a pipe opens as well as a port does, but
// only a serial line has one, as the POSIX side accepts only terminals. A probe only reads the
// state; a connection also sets time-outs, since the driver keeps those of the port's last user
// and a fresh port may have none at all, so the first write could block for ever.
HANDLE OpenCommDevice(const std::string& device, bool probe, OpenFailure& failure) {
  HANDLE h = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    failure = FailureOf(GetLastError());
    return nullptr;
  }
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  COMMTIMEOUTS ct = ToComm(SerialTimeouts{});
  if (GetFileType(h) != FILE_TYPE_CHAR || !GetCommState(h, &dcb) ||
      (!probe && !SetCommTimeouts(h, &ct))) {
    CloseHandle(h);
    failure = OpenFailure::NotSerial;
    return nullptr;
  }
  failure = OpenFailure::None;
  return h;
}
}  // namespace

bool SerialPort::open(const std::string& device) {
  close();
  HANDLE h = OpenCommDevice(device, false, failure_);
  if (!h) return false;
  handle_ = h;
  timeouts_ = SerialTimeouts{};
  lost_ = false;
  probe_ = false;
  return true;
}

bool SerialPort::openToProbe(const std::string& device) {
  close();
  HANDLE h = OpenCommDevice(device, true, failure_);
  if (!h) return false;
  handle_ = h;
  lost_ = false;
  probe_ = true;
  return true;
}

void SerialPort::close() {
  if (!handle_) return;
  CloseHandle(H(handle_));
  handle_ = nullptr;
  lost_ = false;
}

bool SerialPort::isOpen() const { return handle_ != nullptr; }

bool SerialPort::usable() {
  if (!handle_ || lost_) return false;
  DWORD errors = 0;
  // Fails once the device behind the handle has been removed.
  if (!ClearCommError(H(handle_), &errors, nullptr)) lost_ = true;
  return !lost_;
}

bool SerialPort::applyMode(std::string_view modeText) {
  if (!handle_ || probe_) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(H(handle_), &dcb)) return false;
  std::string text(modeText);
  if (!BuildCommDCBA(text.c_str(), &dcb)) return false;
  return SetCommState(H(handle_), &dcb) != 0;
}

bool SerialPort::setTimeouts(const SerialTimeouts& t) {
  if (!handle_ || probe_) return false;
  COMMTIMEOUTS ct = ToComm(t);
  if (!SetCommTimeouts(H(handle_), &ct)) return false;
  timeouts_ = t;
  return true;
}

long SerialPort::write(std::string_view bytes) {
  if (!handle_ || lost_ || probe_) return -1;
  DWORD written = 0;
  if (!WriteFile(H(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    DWORD error = GetLastError();
    if (error == ERROR_BAD_COMMAND || error == ERROR_DEVICE_NOT_CONNECTED ||
        error == ERROR_ACCESS_DENIED || error == ERROR_GEN_FAILURE)
      lost_ = true;
    return written > 0 ? static_cast<long>(written) : -1;
  }
  return static_cast<long>(written);
}

bool SerialPort::purgeReceive() {
  return handle_ && !probe_ && PurgeComm(H(handle_), PURGE_RXCLEAR) != 0;
}

}  // namespace platform

#endif  // _WIN32
