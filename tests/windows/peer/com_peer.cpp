// The Linux end of the Windows serial test: a pseudo-terminal behind Wine's COM1. The Windows
// test program asks through files in a shared folder (it sees the folder through Wine's Z:
// drive): it writes "request", this program acts on it and writes "answer".
//   plug      a new pseudo-terminal, linked as COM1 (the old one, if any, hangs up)
//   unplug    the pseudo-terminal hangs up and goes away
//   settings  the line settings as the terminal layer holds them
//   read N    the bytes that arrive, until N are in or none came for two seconds
//   quit      ends this program
// Usage: com-peer FOLDER LINK
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "platform/serial_pty.h"

namespace fs = std::filesystem;

namespace {

std::string LineSettings(int master) {
  termios tio{};
  if (tcgetattr(master, &tio) != 0) return "error";
  const speed_t speed = cfgetospeed(&tio);
  const int data = (tio.c_cflag & CSIZE) == CS8 ? 8 : (tio.c_cflag & CSIZE) == CS7 ? 7 : 0;
  std::ostringstream out;
  out << "speed=" << (speed == B9600 ? "9600" : std::to_string(speed)) << " data=" << data
      << " parity=" << ((tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? "odd" : "even") : "none")
      << " stop=" << ((tio.c_cflag & CSTOPB) ? 2 : 1)
      << " rtscts=" << ((tio.c_cflag & CRTSCTS) ? "on" : "off");
  return out.str();
}

void Answer(const fs::path& folder, const std::string& bytes) {
  const fs::path part = folder / "answer.part";
  std::ofstream(part, std::ios::binary | std::ios::trunc) << bytes;
  fs::rename(part, folder / "answer");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: com-peer FOLDER LINK\n", stderr);
    return 2;
  }
  const fs::path folder = argv[1];
  const fs::path link = argv[2];
  const fs::path request = folder / "request";
  std::unique_ptr<platform::PseudoTerminal> pty;
  for (;;) {
    std::error_code ec;
    if (!fs::exists(request, ec)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    std::string command;
    {
      std::ifstream in(request, std::ios::binary);
      std::getline(in, command);
    }
    fs::remove(request, ec);
    if (command == "quit") return 0;
    if (command == "plug") {
      pty = std::make_unique<platform::PseudoTerminal>();
      fs::remove(link, ec);
      const bool ok = pty->create() && (fs::create_symlink(pty->slavePath(), link, ec), !ec);
      Answer(folder, ok ? "ok" : "error");
    } else if (command == "unplug") {
      pty.reset();
      Answer(folder, "ok");
    } else if (!pty) {
      Answer(folder, "error: no terminal");
    } else if (command == "settings") {
      Answer(folder, LineSettings(pty->master()));
    } else if (command.rfind("read ", 0) == 0) {
      Answer(folder, pty->read(2000, std::stoul(command.substr(5))));
    } else {
      Answer(folder, "error: unknown request");
    }
  }
}
