// A pseudo-terminal pair standing in for a serial cable: the program opens the slave side as its
// COM port, and whoever holds the master side receives the bytes through the kernel's terminal
// layer. POSIX hosts only.
#pragma once

#ifndef _WIN32

#include <string>

namespace platform {

class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Opens a new master (non-blocking) and unlocks its slave.
  bool create();
  int master() const { return master_; }
  const std::string& slavePath() const { return slave_; }

  // Keeps a descriptor on the slave open, so that the master never sees a hang-up when the
  // program closes its port (the line stays up between Disconnect and Connect).
  bool holdSlave();
  // The far end goes away: the slave side is hung up, as when a USB adapter is pulled out.
  void close();

  // The bytes that arrive on the master until none has come for `waitMs`, or until `expected`
  // bytes are in.
  std::string read(int waitMs, size_t expected = static_cast<size_t>(-1));

 private:
  int master_ = -1;
  int heldSlave_ = -1;
  std::string slave_;
};

}  // namespace platform

#endif  // _WIN32
