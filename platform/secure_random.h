// Random bytes from the operating system's generator, for secrets such as session tokens.
#pragma once

#include <string>

namespace platform {

// `count` bytes as lower-case hex (2 × count characters). Empty only if the system's generator
// failed, which callers treat as "no secret could be made".
std::string SecureRandomHex(size_t count);

}  // namespace platform
