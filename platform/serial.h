// The host's serial port: exclusive open, line settings from a mode text, bounded writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The line settings a mode text can name. Fields the host cannot represent are kept so that a
// read-modify-write leaves them as they were.
struct SerialMode {
  int32_t baud = 9600;
  char parity = 'N';  // one of N O E M S
  int dataBits = 8;   // 5..8
  int stopBits = 10;  // tenths: 10, 15 or 20
  bool timeoutInfinite = false;
  bool xonXoff = false;
  bool outDsr = false;
  bool outCts = false;
  char dtr = '1';  // '0' off, '1' on, 'h' handshake
  char rts = '1';  // '0' off, '1' on, 'h' handshake, 't' toggle
  bool inDsr = false;
  bool operator==(const SerialMode&) const = default;
};

// Applies a mode text such as "baud=9600 parity=N data=8 stop=1 octs=off" to `mode`: every setting
// the text names changes, the rest is kept. Keys and values are case-insensitive; the short baud
// forms 11, 15, 30, 60, 12, 24, 48, 96 and 19 stand for 110 .. 19200. Returns false and leaves
// `mode` untouched when any part of the text cannot be parsed.
[[nodiscard]] bool ApplyModeText(std::string_view text, SerialMode& mode);

// The five time-out values of a port, in milliseconds.
struct SerialTimeouts {
  uint32_t readInterval = 0;
  uint32_t readMultiplier = 0;
  uint32_t readConstant = 0;
  uint32_t writeMultiplier = 0;
  uint32_t writeConstant = 0;
};

// Why the last open failed.
enum class OpenFailure : uint8_t { None, Missing, Busy, Denied, NotSerial, Other };

// "no such device", "in use by another program", "permission denied", ...
std::string OpenFailureText(OpenFailure failure);

// What an operator can do about a port refused for lack of permission, after a dash; empty
// where the system has no such advice.
std::string DeniedAdvice();

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens the device for reading and writing, exclusively: a device held by anyone else, by this
  // process included, fails, and while open it keeps others out. Never waits for a carrier.
  [[nodiscard]] bool open(const std::string& device);
  // Opens the device only to learn whether it is there and free, as open() does, but leaves
  // everything as it was: no line settings, no time-outs, no exclusive mode to undo. Nothing is
  // ever written to a port opened this way.
  [[nodiscard]] bool openToProbe(const std::string& device);
  [[nodiscard]] OpenFailure openFailure() const { return failure_; }
  void close();
  bool isOpen() const;
  // Open, and the device has not gone away (unplugged, hung up) since.
  [[nodiscard]] bool usable();

  // Reads the port's current settings, applies the mode text to them and sets the result. False
  // when the text is rejected or the port refuses the settings.
  [[nodiscard]] bool applyMode(std::string_view modeText);
  [[nodiscard]] bool setTimeouts(const SerialTimeouts& timeouts);

  // Writes the bytes in one synchronous write that gives up after the write time-out
  // (multiplier per byte plus constant). Returns the number of bytes really written, or -1 when
  // the write failed before any byte left.
  [[nodiscard]] long write(std::string_view bytes);
  // Discards what the driver has received and not yet read; the transmit side is untouched.
  [[nodiscard]] bool purgeReceive();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
  SerialMode extra_;  // the settings termios has no place for
#endif
  SerialTimeouts timeouts_;
  bool lost_ = false;
  bool probe_ = false;
  OpenFailure failure_ = OpenFailure::None;
};

}  // namespace platform
