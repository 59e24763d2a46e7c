#include "remote/web_sessions.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/secure_random.h"

namespace remote {

namespace {

constexpr size_t kTokenBytes = 32;

// RFC 4648 base64, as the Authorization header carries it; false for anything else.
bool DecodeBase64(std::string_view text, std::string& out) {
  static constexpr std::string_view kDigits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out.clear();
  uint32_t bits = 0;
  int held = 0;
  size_t padding = 0;
  for (const char c : text) {
    if (c == '=') {
      ++padding;
      continue;
    }
    const size_t digit = kDigits.find(c);
    if (digit == std::string_view::npos || padding > 0) return false;
    bits = (bits << 6) | static_cast<uint32_t>(digit);
    held += 6;
    if (held >= 8) {
      held -= 8;
      out += static_cast<char>((bits >> held) & 0xFF);
    }
  }
  return padding <= 2 && (text.size() % 4 == 0 || padding == 0);
}

}  // namespace

bool ConstantTimeEqual(std::string_view a, std::string_view b) {
  unsigned char differ = a.size() == b.size() ? 0 : 1;
  for (size_t k = 0; k < a.size(); ++k)
    differ |= static_cast<unsigned char>(a[k] ^ (k < b.size() ? b[k] : 0));
  return differ == 0;
}

WebSessions::WebSessions(std::function<bool(const std::string&)> check, Limits limits)
    : check_(std::move(check)), limits_(std::move(limits)) {
  if (!limits_.clockMs) {
    limits_.clockMs = [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::steady_clock::now().time_since_epoch())
          .count();
    };
  }
  credit_ = limits_.burst;
  creditAt_ = now();
}

int64_t WebSessions::now() const { return limits_.clockMs(); }

WebSessions::Login WebSessions::check(const std::string& password) {
  std::lock_guard lock(checking_);
  const int64_t at = now();
  credit_ = std::min<double>(limits_.burst, credit_ + static_cast<double>(at - creditAt_) /
                                                          static_cast<double>(limits_.refillMs));
  creditAt_ = at;
  Login login;
  if (credit_ < 1) {
    login.outcome = Outcome::Limited;
    login.retryAfterSeconds =
        static_cast<int>(std::ceil((1 - credit_) * static_cast<double>(limits_.refillMs) / 1000.0));
    return login;
  }
  if (!check_(password)) {
    credit_ -= 1;
    login.outcome = Outcome::Wrong;
    return login;
  }
  login.outcome = Outcome::Ok;
  return login;
}

WebSessions::Login WebSessions::login(const std::string& password) {
  Login login = check(password);
  if (login.outcome != Outcome::Ok) return login;
  Session session{platform::SecureRandomHex(kTokenBytes), platform::SecureRandomHex(kTokenBytes),
                  now()};
  if (session.token.empty() || session.csrf.empty()) {
    login.outcome = Outcome::Failed;
    return login;
  }
  login.token = session.token;
  login.csrf = session.csrf;
  std::lock_guard lock(mutex_);
  std::erase_if(sessions_, [&](const Session& s) { return session.lastUse - s.lastUse > kIdleMs; });
  if (sessions_.size() >= kMostSessions) {
    sessions_.erase(
        std::min_element(sessions_.begin(), sessions_.end(),
                         [](const Session& a, const Session& b) { return a.lastUse < b.lastUse; }));
  }
  sessions_.push_back(std::move(session));
  return login;
}

std::string WebSessions::csrf(const std::string& token) {
  if (token.empty()) return {};
  const int64_t at = now();
  std::lock_guard lock(mutex_);
  // Every session is compared, whichever matches, so the time taken tells nothing.
  Session* found = nullptr;
  for (Session& s : sessions_)
    if (ConstantTimeEqual(s.token, token)) found = &s;
  if (found == nullptr || at - found->lastUse > kIdleMs) return {};
  found->lastUse = at;
  return found->csrf;
}

void WebSessions::logout(const std::string& token) {
  std::lock_guard lock(mutex_);
  std::erase_if(sessions_, [&](const Session& s) { return ConstantTimeEqual(s.token, token); });
}

WebSessions::Login WebSessions::basic(const std::string& authorization) {
  Login login;
  login.outcome = Outcome::Wrong;
  if (authorization.size() < 6 || authorization.compare(0, 6, "Basic ") != 0) return login;
  {
    // The monitoring asks every few seconds with the same credentials: the key is derived once.
    std::lock_guard lock(mutex_);
    if (!basicAccepted_.empty() && ConstantTimeEqual(basicAccepted_, authorization)) {
      login.outcome = Outcome::Ok;
      return login;
    }
  }
  std::string pair;
  if (!DecodeBase64(authorization.substr(6), pair) || pair.find(':') == std::string::npos)
    return login;
  login = check(pair.substr(pair.find(':') + 1));
  if (login.outcome == Outcome::Ok) {
    std::lock_guard lock(mutex_);
    basicAccepted_ = authorization;
  }
  return login;
}

}  // namespace remote
