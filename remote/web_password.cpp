#include "remote/web_password.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QPasswordDigestor>

#include "platform/secure_random.h"

namespace remote {

namespace {

constexpr char kScheme[] = "pbkdf2-sha256";
constexpr size_t kSaltBytes = 16;
constexpr size_t kKeyBytes = 32;
// A hand-edited count must not make one login run for minutes.
constexpr int kMostIterations = 10000000;

struct Parsed {
  int iterations = 0;
  QByteArray salt, key;
};

bool IsHex(const QByteArray& text) {
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return !text.isEmpty() && text.size() % 2 == 0;
}

bool Parse(const std::string& stored, Parsed& out) {
  const QList<QByteArray> parts = QByteArray::fromStdString(stored).split('$');
  if (parts.size() != 4 || parts[0] != kScheme || !IsHex(parts[2]) || !IsHex(parts[3]))
    return false;
  bool number = false;
  out.iterations = parts[1].toInt(&number);
  if (!number || out.iterations < 1 || out.iterations > kMostIterations ||
      parts[1].startsWith('+') || parts[1].startsWith('-'))
    return false;
  out.salt = QByteArray::fromHex(parts[2]);
  out.key = QByteArray::fromHex(parts[3]);
  return out.salt.size() >= 8 && out.key.size() == static_cast<qsizetype>(kKeyBytes);
}

QByteArray Derive(const std::string& password, const QByteArray& salt, int iterations) {
  return QPasswordDigestor::deriveKeyPbkdf2(
      QCryptographicHash::Sha256, QByteArray::fromStdString(password), salt, iterations, kKeyBytes);
}

}  // namespace

std::string HashWebPassword(const std::string& password, int iterations) {
  const std::string saltHex = platform::SecureRandomHex(kSaltBytes);
  if (saltHex.empty() || iterations < 1 || iterations > kMostIterations) return {};
  const QByteArray key = Derive(password, QByteArray::fromHex(saltHex.c_str()), iterations);
  if (key.size() != static_cast<qsizetype>(kKeyBytes)) return {};
  return std::string(kScheme) + "$" + std::to_string(iterations) + "$" + saltHex + "$" +
         key.toHex().toStdString();
}

bool WellFormedPasswordHash(const std::string& stored) {
  Parsed parsed;
  return Parse(stored, parsed);
}

bool CheckWebPassword(const std::string& stored, const std::string& password) {
  Parsed parsed;
  if (!Parse(stored, parsed)) return false;
  const QByteArray key = Derive(password, parsed.salt, parsed.iterations);
  if (key.size() != parsed.key.size()) return false;
  unsigned char differ = 0;
  for (qsizetype k = 0; k < key.size(); ++k)
    differ |= static_cast<unsigned char>(key[k] ^ parsed.key[k]);
  return differ == 0;
}

}  // namespace remote
