#include "platform/secure_random.h"

#include <vector>

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on
#else
#include <sys/random.h>

#include <cerrno>
#endif

namespace platform {

namespace {

bool Fill(unsigned char* bytes, size_t count) {
#ifdef _WIN32
  return BCryptGenRandom(nullptr, bytes, static_cast<ULONG>(count),
                         BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
#else
  size_t done = 0;
  while (done < count) {
    const ssize_t n = getrandom(bytes + done, count - done, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
#endif
}

}  // namespace

std::string SecureRandomHex(size_t count) {
  std::vector<unsigned char> bytes(count);
  if (!Fill(bytes.data(), count)) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(count * 2);
  for (const unsigned char b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

}  // namespace platform
