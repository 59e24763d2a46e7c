// The web console's password as rds.ini keeps it: a salted PBKDF2-HMAC-SHA256 key with its
// iteration count, never the password itself. Written by `rdspanel --set-web-password`.
#pragma once

#include <string>

namespace remote {

// Enough work per guess to make a stolen rds.ini costly to try passwords against, while one
// login stays well under a second.
inline constexpr int kPasswordIterations = 200000;

// "pbkdf2-sha256$<iterations>$<salt hex>$<key hex>" for a UTF-8 password, with a new random salt;
// empty when the system gave no random bytes.
std::string HashWebPassword(const std::string& password, int iterations = kPasswordIterations);

// True when `stored` is a value HashWebPassword wrote (a hand-edited one may not be).
bool WellFormedPasswordHash(const std::string& stored);

// Whether `password` is the one `stored` was made from; the keys are compared in constant time.
bool CheckWebPassword(const std::string& stored, const std::string& password);

}  // namespace remote
